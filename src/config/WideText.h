// Wide (UTF-16) text in fixed buffers: widening the file's bytes, and a
// bounded writer standing in for a wide formatted print.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwell {

// Copies text into field, each byte becoming the code unit of the same
// number; stops after capacity - 1 units and always stores a NUL.
void WidenText(char16_t* field, std::size_t capacity, std::string_view text);

// Units before the first NUL.
std::size_t WideLength(const char16_t* text);

// Appends to a fixed wide buffer, always NUL-terminated. Text that does not
// fit is cut and remembered, so callers can refuse a cut result.
class WideWriter {
 public:
  WideWriter(char16_t* buffer, std::size_t capacity);

  WideWriter& Text(std::u16string_view text);
  WideWriter& Text(const char16_t* text) { return Text(std::u16string_view(text)); }
  WideWriter& Bytes(std::string_view text);  // widened byte for byte
  WideWriter& Decimal(std::uint32_t value);
  // Hexadecimal with at least `digits` digits, zero-padded.
  WideWriter& Hex(std::uint32_t value, int digits, bool upper_case);

  bool Overflowed() const { return overflowed_; }

 private:
  void Put(char16_t unit);

  char16_t* buffer_;
  std::size_t capacity_;
  std::size_t length_ = 0;
  bool overflowed_ = false;
};

}  // namespace tarnwell
