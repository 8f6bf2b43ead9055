#include "check/LineStore.h"

namespace tarnwell::check {

void LineStore::Add(std::string_view line) {
  text_.append(line);
  ends_.push_back(text_.size());
}

std::string_view LineStore::Line(std::size_t number) const {
  if (number == 0 || number > ends_.size()) return {};
  const std::size_t begin = number == 1 ? 0 : ends_[number - 2];
  return std::string_view(text_).substr(begin, ends_[number - 1] - begin);
}

std::size_t LineStore::Offset(std::size_t number) const {
  return (number <= 1 ? 0 : ends_[number - 2]) + number - 1;
}

}  // namespace tarnwell::check
