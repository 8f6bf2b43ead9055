#include "check/Checks.h"

#include "check/Text.h"

namespace tarnwell::check {
namespace {

bool IsQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

void CheckTextValue(CheckState& s) {
  const std::string_view value = s.Value;
  const std::string field = Quote(s.Applied->Key);
  if (s.Applied->Key == "DLL" && value.empty()) {
    s.Add(Check::kEmptyDll, s.At(value));
  }
  if ((s.Applied->Key == "TSP" || s.Applied->Key == "FriendlyName") &&
      value.empty()) {
    s.Add(Check::kEmptyText, s.At(value), {field});
  }
  if (s.Applied->Key == "BaudRate" && (value.empty() || !IsDecimal(value))) {
    s.Add(Check::kDecimalText, s.At(value), {field, Quote(value)});
  }
  if (value.size() >= 2 && IsQuote(value.front()) &&
      value.back() == value.front()) {
    const std::string_view unquoted = value.substr(1, value.size() - 2);
    s.Add(Check::kQuotedValue, s.At(value),
          {field, Quote(std::string(s.Key) + " = " + std::string(unquoted))});
  }
  for (std::size_t i = 1; i < value.size(); ++i) {
    if ((value[i] == '#' || value[i] == ';') &&
        (value[i - 1] == ' ' || value[i - 1] == '\t')) {
      s.Add(Check::kInlineComment, s.At(value.substr(i)),
            {std::string(1, value[i]), Quote(value), field});
      break;
    }
  }
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (static_cast<unsigned char>(value[i]) >= 0x80) {
      s.Add(Check::kHighByte, s.At(value.substr(i, 1)),
            {field, Quote(WidenedAsUtf8(value))});
      break;
    }
  }
}

void CheckTextCut(CheckState& s, std::string_view text, std::size_t capacity) {
  const std::size_t kept = capacity - 1;
  s.Add(Check::kTextCut, s.At(text.substr(kept)),
        {Quote(s.Applied->Key), std::to_string(kept),
         std::to_string(text.size())});
}

}  // namespace tarnwell::check
