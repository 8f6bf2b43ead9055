#include "config/LineReader.h"

#include <cstring>

namespace tarnwell {

LineReader::LineReader(ByteSource& source)
    : source_(source), buffer_(new char[kChunk]) {}

bool LineReader::Refill() {
  if (at_end_ || failed_) return false;
  std::size_t count = 0;
  switch (source_.Read(buffer_.get(), kChunk, &count)) {
    case ByteSource::Status::kData:
      begin_ = 0;
      end_ = count;
      return count > 0 || Refill();
    case ByteSource::Status::kEnd:
      at_end_ = true;
      return false;
    case ByteSource::Status::kError:
      failed_ = true;
      return false;
  }
  return false;
}

LineReader::Status LineReader::Next(std::string& line) {
  line.clear();
  if (begin_ >= end_ && !Refill()) {
    return failed_ ? Status::kError : Status::kEnd;
  }
  for (;;) {
    const char* start = buffer_.get() + begin_;
    const void* lf = std::memchr(start, '\n', end_ - begin_);
    if (lf != nullptr) {
      std::size_t n = static_cast<const char*>(lf) - start;
      line.append(start, n);
      begin_ += n + 1;
      break;
    }
    line.append(start, end_ - begin_);
    begin_ = end_;
    if (!Refill()) {
      if (failed_) return Status::kError;
      break;  // the last line, without a line feed
    }
  }
  ++line_number_;
  // A byte-order mark holds no line feed, so it is whole in the first line.
  if (line_number_ == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    line.erase(0, 3);
  }
  return Status::kLine;
}

}  // namespace tarnwell
