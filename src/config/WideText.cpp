#include "config/WideText.h"

namespace tarnwell {

void WidenText(char16_t* field, std::size_t capacity, std::string_view text) {
  if (capacity == 0) return;
  std::size_t n = 0;
  for (; n < text.size() && n + 1 < capacity; ++n) {
    field[n] = static_cast<unsigned char>(text[n]);
  }
  field[n] = u'\0';
}

std::size_t WideLength(const char16_t* text) {
  std::size_t n = 0;
  while (text[n] != u'\0') ++n;
  return n;
}

WideWriter::WideWriter(char16_t* buffer, std::size_t capacity)
    : buffer_(buffer), capacity_(capacity) {
  if (capacity_ > 0) buffer_[0] = u'\0';
}

void WideWriter::Put(char16_t unit) {
  if (length_ + 1 >= capacity_) {
    overflowed_ = true;
    return;
  }
  buffer_[length_++] = unit;
  buffer_[length_] = u'\0';
}

WideWriter& WideWriter::Text(std::u16string_view text) {
  for (char16_t unit : text) Put(unit);
  return *this;
}

WideWriter& WideWriter::Bytes(std::string_view text) {
  for (char byte : text) Put(static_cast<unsigned char>(byte));
  return *this;
}

WideWriter& WideWriter::Decimal(std::uint32_t value) {
  char16_t digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) Put(digits[--count]);
  return *this;
}

WideWriter& WideWriter::Hex(std::uint32_t value, int digits, bool upper_case) {
  const char16_t* alphabet =
      upper_case ? u"0123456789ABCDEF" : u"0123456789abcdef";
  char16_t out[8];
  int count = 0;
  do {
    out[count++] = alphabet[value & 0xF];
    value >>= 4;
  } while (value != 0);
  for (int pad = count; pad < digits; ++pad) Put(u'0');
  while (count > 0) Put(out[--count]);
  return *this;
}

}  // namespace tarnwell
