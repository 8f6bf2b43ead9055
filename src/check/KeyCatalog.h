// The keys each kind of section knows, for telling a user what a key that
// the installer ignored was probably meant to be. The entry operations
// remain the authority on what a key does; a test holds this list to them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/ReadObserver.h"

namespace tarnwell::check {

// Every key name of a section kind, spelled as the key tables spell them
// (Init0 .. Init15 one by one).
const std::vector<std::string>& KnownKeys(SectionKind kind);

// True when the key (any letter case) is a key of that kind of section.
bool IsKnownKey(SectionKind kind, std::string_view key);

// Levenshtein distance without regard to ASCII letter case.
std::size_t KeyDistance(std::string_view a, std::string_view b);

// The known key of that kind closest to `key`, when it is close enough to
// be a slip of the keyboard; empty otherwise.
std::string SuggestKey(SectionKind kind, std::string_view key);

// The number value rows whose values people tend to write in decimal: the
// buffer counts and factors and the device type.
bool IsCountOrTypeKey(std::string_view row);

// Rows whose value is text.
bool IsTextKey(std::string_view row);

}  // namespace tarnwell::check
