#include "config/LineSyntax.h"

#include "config/KeyName.h"

namespace tarnwell {

bool IsLineBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view StripBlanks(std::string_view text) {
  while (!text.empty() && IsLineBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsLineBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view StripBrackets(std::string_view text) {
  auto bracket = [](char c) { return c == '[' || c == ']'; };
  while (!text.empty() && bracket(text.front())) text.remove_prefix(1);
  while (!text.empty() && bracket(text.back())) text.remove_suffix(1);
  return text;
}

bool IsModemSectionName(std::string_view name) {
  return KeyIs(name, "MODEM SETTINGS");
}

}  // namespace tarnwell
