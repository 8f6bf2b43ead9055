// A small writer of indented JSON text, enough for the checker's reports.
// Strings are taken as UTF-8; a byte that starts no valid UTF-8 sequence
// is written as the character of the same number, as the installer reads
// it, so that the output is always valid JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::check {

// The text as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

class JsonWriter {
 public:
  JsonWriter& BeginObject() { return Open('{'); }
  JsonWriter& EndObject() { return Close('}'); }
  JsonWriter& BeginArray() { return Open('['); }
  JsonWriter& EndArray() { return Close(']'); }

  // The name of the next member of the open object.
  JsonWriter& Key(std::string_view name);

  JsonWriter& String(std::string_view text) { return Value(JsonQuote(text)); }
  JsonWriter& Number(std::uint64_t value) {
    return Value(std::to_string(value));
  }
  JsonWriter& Bool(bool value) { return Value(value ? "true" : "false"); }
  JsonWriter& Null() { return Value("null"); }

  // The text so far, ended by a line feed once every value is closed.
  std::string Text() const { return out_ + "\n"; }

 private:
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);
  JsonWriter& Value(const std::string& text);  // already JSON
  void BeforeValue();
  void NewLine();

  std::string out_;
  std::vector<bool> empty_;  // per open object or array: nothing in it yet
  bool after_key_ = false;
};

}  // namespace tarnwell::check
