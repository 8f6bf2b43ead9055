// Every fixed size of the configuration records, in UTF-16 units with the
// terminating NUL counted. Texts longer than a field are cut to capacity - 1.
#pragma once

#include <cstddef>

namespace tarnwell {

constexpr std::size_t kNameCapacity = 128;     // device section name
constexpr std::size_t kDllCapacity = 128;      // "DLL"
constexpr std::size_t kPrefixCapacity = 8;     // the template's "Prefix"
constexpr std::size_t kTextCapacity = 256;     // every modem text
constexpr std::size_t kMaxDisabledInterfaces = 128;
constexpr std::size_t kInitStringCount = 16;   // Init0 .. Init15
constexpr std::size_t kFullPathCapacity = 260;
constexpr std::size_t kDirectoryCapacity = 256;
constexpr std::size_t kKeyPathCapacity = 1024;

}  // namespace tarnwell
