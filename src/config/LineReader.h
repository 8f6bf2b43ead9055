// Cuts a byte stream into lines at line feeds. Bytes stay bytes: no text
// mode, no code page, no end at a Ctrl-Z.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/ByteSource.h"

namespace tarnwell {

class LineReader {
 public:
  enum class Status { kLine, kEnd, kError };

  explicit LineReader(ByteSource& source);

  // The next line without its line feed. The last line needs none. A UTF-8
  // byte-order mark at the very start of the stream is skipped, so that a
  // file saved by a common editor keeps its first section. kError when the
  // source fails; std::bad_alloc when a line does not fit in memory.
  Status Next(std::string& line);

  // 1-based number of the line that Next returned last.
  std::size_t LineNumber() const { return line_number_; }

 private:
  bool Refill();  // false at the end of the stream or on error

  static constexpr std::size_t kChunk = 64 * 1024;

  ByteSource& source_;
  std::unique_ptr<char[]> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool at_end_ = false;
  bool failed_ = false;
  std::size_t line_number_ = 0;
};

}  // namespace tarnwell
