#include "check/JsonWriter.h"

#include "check/Text.h"
#include "regstore/Utf.h"

namespace tarnwell::check {

std::string JsonQuote(std::string_view text) {
  // The characters with an escape of their own, and those escapes.
  static const std::u32string_view kNamed = U"\"\\\n\r\t";
  static const char kLetters[] = "\"\\nrt";
  static const char kDigits[] = "0123456789abcdef";
  std::string out = "\"";
  for (char32_t c : DecodeUtf8OrLatin1(text)) {
    const std::size_t named = kNamed.find(c);
    if (named != std::u32string_view::npos) {
      out += std::string("\\") + kLetters[named];
    } else if (c < 0x20 || c == 0x7F) {
      out += std::string("\\u00") + kDigits[c >> 4] + kDigits[c & 0xF];
    } else {
      regstore::AppendUtf8(out, c);
    }
  }
  return out + "\"";
}

void JsonWriter::NewLine() {
  out_ += '\n';
  out_.append(2 * empty_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (empty_.empty()) return;
  if (!empty_.back()) out_ += ',';
  empty_.back() = false;
  NewLine();
}

JsonWriter& JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ += bracket;
  empty_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  const bool empty = empty_.back();
  empty_.pop_back();
  if (!empty) NewLine();
  out_ += bracket;
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  Value(JsonQuote(name) + ": ");
  after_key_ = true;
  return *this;
}

JsonWriter& JsonWriter::Value(const std::string& text) {
  BeforeValue();
  out_ += text;
  return *this;
}

}  // namespace tarnwell::check
