// A wide field as readable text for assertion messages: ASCII as is, every
// other unit as <XXXX>, so that a cut or a widened byte shows plainly.
#pragma once

#include <cstdio>
#include <string>

namespace tarnwell::testing {

inline std::string Shown(const char16_t* text) {
  std::string out;
  for (; *text != u'\0'; ++text) {
    if (*text >= 0x20 && *text < 0x7F) {
      out += static_cast<char>(*text);
    } else {
      char unit[8];
      std::snprintf(unit, sizeof unit, "<%04X>", static_cast<unsigned>(*text));
      out += unit;
    }
  }
  return out;
}

}  // namespace tarnwell::testing
