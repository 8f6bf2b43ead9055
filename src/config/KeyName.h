// Keys of the configuration file match without regard to ASCII letter case.
#pragma once

#include <string_view>

namespace tarnwell {

char AsciiLower(char c);

// True when key and name are equal once both are in lower case.
bool KeyIs(std::string_view key, std::string_view name);

}  // namespace tarnwell
