// A stream of bytes that the configuration reader takes its lines from: a
// file on the platform, or a string in tests and tools.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarnwell {

class ByteSource {
 public:
  enum class Status { kData, kEnd, kError };

  virtual ~ByteSource() = default;

  // Reads up to capacity bytes. kData with *count > 0, kEnd at the end of
  // the stream, kError when the platform failed to read.
  virtual Status Read(char* buffer, std::size_t capacity,
                      std::size_t* count) = 0;
};

// A ByteSource over bytes held in memory (not copied).
class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes) : bytes_(bytes) {}

  Status Read(char* buffer, std::size_t capacity,
              std::size_t* count) override {
    if (bytes_.empty()) {
      *count = 0;
      return Status::kEnd;
    }
    std::size_t n = bytes_.copy(buffer, capacity);
    bytes_.remove_prefix(n);
    *count = n;
    return Status::kData;
  }

 private:
  std::string_view bytes_;
};

}  // namespace tarnwell
