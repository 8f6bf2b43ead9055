// Readable views of registry content for assertions: a failed comparison
// shows which key or value differed and how.
#pragma once

#include <cstdint>
#include <string>

#include "regstore/RegTree.h"

namespace tarnwell::testing {

// UTF-16 to UTF-8 for messages (the tests' texts are BMP).
inline std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// A value as text: "sz:<text>" (with its NUL checked) or "dword:<decimal>",
// or "type N, M bytes" for anything else.
inline std::string Describe(const regstore::RegValue& value) {
  if (value.Type == 1 && value.Data.size() % 2 == 0 && value.Data.size() >= 2) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.Data.size(); i += 2) {
      text += static_cast<char16_t>(
          static_cast<unsigned char>(value.Data[i]) |
          (static_cast<unsigned char>(value.Data[i + 1]) << 8));
    }
    if (text.back() == u'\0') {
      text.pop_back();
      return "sz:" + Narrow(text);
    }
  }
  if (value.Type == 4 && value.Data.size() == 4) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
      v = (v << 8) | static_cast<unsigned char>(value.Data[i]);
    }
    return "dword:" + std::to_string(v);
  }
  return "type " + std::to_string(value.Type) + ", " +
         std::to_string(value.Data.size()) + " bytes";
}

// The value at HKEY_LOCAL_MACHINE\<key>, described, or "<no key>" /
// "<no value>".
inline std::string ValueAt(regstore::RegTree& tree, std::u16string_view key,
                           std::u16string_view name) {
  regstore::RegNode* node =
      tree.Find(u"HKEY_LOCAL_MACHINE\\" + std::u16string(key));
  if (node == nullptr) return "<no key>";
  const regstore::RegValue* value = node->Value(name);
  return value == nullptr ? "<no value>" : Describe(*value);
}

inline bool KeyExists(regstore::RegTree& tree, std::u16string_view key) {
  return tree.Find(u"HKEY_LOCAL_MACHINE\\" + std::u16string(key)) != nullptr;
}

inline std::size_t ValueCount(regstore::RegTree& tree, std::u16string_view key) {
  regstore::RegNode* node =
      tree.Find(u"HKEY_LOCAL_MACHINE\\" + std::u16string(key));
  return node == nullptr ? 0 : node->Values().size();
}

}  // namespace tarnwell::testing
