// The line syntax of usbcdc.cfg that the reader applies and tarnwell-check
// explains: which bytes are blanks, how a header becomes a section name, and
// which name opens a [MODEM SETTINGS] section.
#pragma once

#include <string_view>

namespace tarnwell {

// Space, tab, carriage return and line feed: the only bytes stripped from
// the ends of a line, a key and a value.
bool IsLineBlank(char c);

// The text without line blanks at either end.
std::string_view StripBlanks(std::string_view text);

// The text without every "[" and "]" at either end: a header's section name.
std::string_view StripBrackets(std::string_view text);

// True when the section name opens a modem section: "MODEM SETTINGS" in any
// ASCII letter case, nothing more and nothing less.
bool IsModemSectionName(std::string_view name);

}  // namespace tarnwell
