// The entry operations' side of ReadObserver: each helper reports only when
// there is an observer, so the installer pays one test per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/HexNumber.h"
#include "config/ReadObserver.h"
#include "config/WideText.h"

namespace tarnwell {

inline void ReportApplied(ReadObserver* observer, const char* name,
                          int index = -1) {
  if (observer != nullptr) observer->KeyApplied(name, index);
}

inline void ReportNumber(ReadObserver* observer, std::string_view text,
                         std::size_t start, unsigned width,
                         const HexNumber& reading, unsigned field_bits,
                         NumberFate fate, std::uint64_t stored) {
  if (observer == nullptr) return;
  NumberConversion c;
  c.Text = text;
  c.Start = start;
  c.Width = width;
  c.Reading = reading;
  c.FieldBits = field_bits;
  c.Fate = fate;
  c.Stored = stored;
  observer->NumberRead(c);
}

// Reads a number of `width` bits into a field of its own size; a failed
// reading keeps the field as it is.
template <typename Field>
void ReadNumberInto(Field& field, std::string_view value, unsigned width,
                    ReadObserver* observer) {
  HexNumber n = ReadHexNumber(value, width);
  if (n.Ok) field = static_cast<Field>(n.Value);
  ReportNumber(observer, value, 0, width, n, 8 * sizeof(Field),
               n.Ok ? NumberFate::kStored : NumberFate::kKeptPrevious, field);
}

// WidenText, telling the observer when the text does not fit.
inline void WidenValue(char16_t* field, std::size_t capacity,
                       std::string_view text, ReadObserver* observer) {
  WidenText(field, capacity, text);
  if (observer != nullptr && capacity > 0 && text.size() > capacity - 1) {
    observer->TextCut(text, capacity);
  }
}

}  // namespace tarnwell
