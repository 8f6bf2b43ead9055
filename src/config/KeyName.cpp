#include "config/KeyName.h"

namespace tarnwell {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

bool KeyIs(std::string_view key, std::string_view name) {
  if (key.size() != name.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (AsciiLower(key[i]) != AsciiLower(name[i])) return false;
  }
  return true;
}

}  // namespace tarnwell
