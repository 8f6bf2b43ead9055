#include "check/TextChecks.h"

#include "check/Text.h"

namespace tarnwell::check {
namespace {

bool IsQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

void CheckTextValue(CheckState& s) {
  const std::string_view value = s.Value;
  const std::string field = Quote(s.AppliedName());
  if (s.Applied->Key == "DLL" && value.empty()) {
    s.Add(Check::kEmptyDll, s.At(value),
          "empty \"DLL\" value: the installer accepts the section and writes "
          "an empty driver name");
  }
  if ((s.Applied->Key == "TSP" || s.Applied->Key == "FriendlyName") &&
      value.empty()) {
    s.Add(Check::kEmptyText, s.At(value),
          "empty " + field + " value: the installer writes an empty " + field +
              " into the modem's Unimodem key");
  }
  if (s.Applied->Key == "BaudRate" &&
      (value.empty() || value.find_first_not_of("0123456789") !=
                            std::string_view::npos)) {
    s.Add(Check::kDecimalText, s.At(value),
          "Unimodem reads " + field + " as a decimal number: the installer "
              "writes the text " + Quote(value) + ", which is none");
  }
  if (value.size() >= 2 && IsQuote(value.front()) &&
      value.back() == value.front()) {
    const std::string_view unquoted = value.substr(1, value.size() - 2);
    s.Add(Check::kQuotedValue, s.At(value),
          "the quotes are part of the value: the installer writes them into " +
              field + "; write " +
              Quote(std::string(s.Key) + " = " + std::string(unquoted)));
  }
  for (std::size_t i = 1; i < value.size(); ++i) {
    if ((value[i] == '#' || value[i] == ';') &&
        (value[i - 1] == ' ' || value[i - 1] == '\t')) {
      s.Add(Check::kInlineComment, s.At(value.substr(i)),
            std::string("\"") + value[i] +
                "\" after the value is not a comment: the installer writes " +
                Quote(value) + " as " + field +
                "; comments go on lines of their own");
      break;
    }
  }
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (static_cast<unsigned char>(value[i]) >= 0x80) {
      s.Add(Check::kHighByte, s.At(value.substr(i, 1)),
            "byte above 0x7F: the installer turns every byte into one "
            "character (no code page), so " + field + " is written as " +
                Quote(WidenedAsUtf8(value)));
      break;
    }
  }
}

void CheckTextCut(CheckState& s, std::string_view text,
                  std::size_t capacity) {
  const std::size_t kept = capacity - 1;
  s.Add(Check::kTextCut, s.At(text.substr(kept)),
        Quote(s.AppliedName()) + " holds at most " + std::to_string(kept) +
            " characters: the installer cuts the " +
            std::to_string(text.size()) + "-character value here");
}

}  // namespace tarnwell::check
