#include "config/LineReader.h"

#include <cstring>
#include <new>

namespace tarnwell {

LineReader::~LineReader() {
  delete[] chunk_;
  delete[] gathered_;
}

bool LineReader::Refill() {
  if (state_ != Status::kLine) return false;
  if (chunk_ == nullptr) {
    chunk_ = new (std::nothrow) char[kChunk];
    if (chunk_ == nullptr) {
      state_ = Status::kNoMemory;
      return false;
    }
  }
  std::size_t count = 0;
  const ByteSource::Status status = source_.Read(chunk_, kChunk, &count);
  if (status == ByteSource::Status::kData) {
    begin_ = 0;
    end_ = count;
    return true;
  }
  state_ = status == ByteSource::Status::kEnd ? Status::kEnd : Status::kError;
  return false;
}

bool LineReader::Gather(const char* bytes, std::size_t count) {
  if (count == 0) return true;
  const std::size_t needed = gathered_length_ + count;
  if (needed < count) return false;  // beyond what any memory holds
  if (needed > gathered_capacity_) {
    std::size_t capacity = gathered_capacity_ < 256 ? 256 : gathered_capacity_;
    while (capacity < needed) {
      capacity = capacity * 2 > capacity ? capacity * 2 : needed;
    }
    char* grown = new (std::nothrow) char[capacity];
    if (grown == nullptr) return false;
    if (gathered_length_ > 0) std::memcpy(grown, gathered_, gathered_length_);
    delete[] gathered_;
    gathered_ = grown;
    gathered_capacity_ = capacity;
  }
  std::memcpy(gathered_ + gathered_length_, bytes, count);
  gathered_length_ = needed;
  return true;
}

LineReader::Status LineReader::Next(std::string_view* line) {
  *line = std::string_view();
  // A failure is final, even with bytes left in the chunk.
  if (state_ == Status::kError || state_ == Status::kNoMemory) return state_;
  if (begin_ == end_ && !Refill()) return state_;
  // A line that lies whole in the chunk is handed out where it is; one that
  // goes on past the chunk is gathered.
  gathered_length_ = 0;
  bool gathering = false;
  for (;;) {
    const char* start = chunk_ + begin_;
    const std::size_t available = end_ - begin_;
    const char* lf =
        static_cast<const char*>(std::memchr(start, '\n', available));
    const std::size_t length =
        lf != nullptr ? static_cast<std::size_t>(lf - start) : available;
    begin_ += lf != nullptr ? length + 1 : length;
    if (lf != nullptr && !gathering) {
      *line = std::string_view(start, length);
      break;
    }
    if (!Gather(start, length)) {
      state_ = Status::kNoMemory;
      return state_;
    }
    gathering = true;
    if (lf == nullptr && Refill()) continue;
    // A line feed, or the end of the stream after a last line without one.
    if (lf == nullptr && state_ != Status::kEnd) return state_;
    *line = std::string_view(gathered_, gathered_length_);
    break;
  }
  ++line_number_;
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (line_number_ == 1 && line->size() >= kByteOrderMark.size() &&
      std::string_view(line->data(), kByteOrderMark.size()) == kByteOrderMark) {
    line->remove_prefix(kByteOrderMark.size());
  }
  return Status::kLine;
}

}  // namespace tarnwell
