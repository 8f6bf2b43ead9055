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
  void Add(std::string_view line);
  std::size_t Count() const { return ends_.size(); }
  // Line `number` (1-based) as read, without its line feed; empty when
  // there is no such line.
  std::string_view Line(std::size_t number) const;
  // Where line `number` begins in the file, lines ending in line feeds.
  std::size_t Offset(std::size_t number) const;

 private:
  std::string text_;
  std::vector<std::size_t> ends_;
};

}  // namespace tarnwell::check
