// Cuts a byte stream into lines at line feeds. Bytes stay bytes: no text
// mode, no code page, no end at a Ctrl-Z.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/ByteSource.h"

namespace tarnwell {

class LineReader {
 public:
  enum class Status { kLine, kEnd, kError, kNoMemory };

  explicit LineReader(ByteSource& source) : source_(source) {}
  ~LineReader();

  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its line feed, in *line until the next call. The
  // last line needs none. A UTF-8 byte-order mark at the very start of the
  // stream is skipped, so that a file saved by a common editor keeps its
  // first section. kError when the source fails; kNoMemory when the buffer
  // or a line does not fit in memory. Once a call has returned anything but
  // kLine, every later call returns the same.
  Status Next(std::string_view* line);

  // 1-based number of the line that Next returned last.
  std::size_t LineNumber() const { return line_number_; }

 private:
  // Reads the next chunk; false at the end of the stream, on an error or
  // without memory, with state_ saying which.
  bool Refill();
  // Adds bytes to the line being gathered across chunks; false without
  // memory.
  bool Gather(const char* bytes, std::size_t count);

  static constexpr std::size_t kChunk = 64 * 1024;

  ByteSource& source_;
  Status state_ = Status::kLine;  // kLine while the stream goes on
  char* chunk_ = nullptr;         // allocated at the first read
  std::size_t begin_ = 0;         // unread bytes of the chunk: [begin_, end_)
  std::size_t end_ = 0;
  char* gathered_ = nullptr;      // a line that spans chunks
  std::size_t gathered_length_ = 0;
  std::size_t gathered_capacity_ = 0;
  std::size_t line_number_ = 0;
};

}  // namespace tarnwell
