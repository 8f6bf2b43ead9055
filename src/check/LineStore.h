// The lines of a checked file, kept for the echo under each message: one
// buffer for all of them, so that keeping a line costs no allocation of
// its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::check {

class LineStore {
 public:
  void Add(std::string_view line) {
    text_.append(line);
    ends_.push_back(text_.size());
  }
  std::size_t Count() const { return ends_.size(); }
  // Line `number` (1-based) as read, without its line feed; empty when
  // there is no such line.
  std::string_view Line(std::size_t number) const {
    if (number == 0 || number > ends_.size()) return {};
    const std::size_t begin = Begin(number);
    return std::string_view(text_).substr(begin, ends_[number - 1] - begin);
  }
  // Where line `number` begins in the file, lines ending in line feeds.
  std::size_t Offset(std::size_t number) const {
    return Begin(number) + number - 1;
  }

 private:
  std::size_t Begin(std::size_t number) const {
    return number <= 1 ? 0 : ends_[number - 2];
  }

  std::string text_;
  std::vector<std::size_t> ends_;
};

}  // namespace tarnwell::check
