// Arbitrary bytes as the text of registry.reg. Whatever the parser accepts,
// the store may later rewrite in export form; that rewrite must read back
// into the same registry, or a store would corrupt itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "TreeCompare.h"
#include "platform/regfile/RegText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace tarnwell;
  if (size == 0) return 0;
  // The first byte picks the encoding: UTF-16LE as the file holds it, or
  // one unit per byte so that mutations of plain text stay readable.
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::u16string text;
  if (data[0] & 1) {
    text = regstore::DecodeUtf16Le(rest);
  } else {
    text = regstore::kRegPreamble;
    for (char c : rest) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  regstore::RegTree tree;
  if (!regstore::ParseRegText(text, tree, true).Ok) return 0;

  std::u16string exported = regstore::FormatRegFile(tree);
  regstore::RegTree reloaded;
  if (!regstore::ParseRegText(exported, reloaded, true).Ok) {
    fuzz::Fail("an accepted store exports text that does not parse");
  }
  if (regstore::FormatRegFile(reloaded) != exported) {
    fuzz::Fail("an exported store does not reload into the same registry");
  }
  // Appending the same text again, as a journal replay would, changes
  // nothing.
  if (!regstore::ParseRegText(exported, reloaded, true).Ok ||
      !fuzz::SameTree(reloaded, [&] {
        regstore::RegTree t;
        regstore::ParseRegText(exported, t, true);
        return t;
      }())) {
    fuzz::Fail("replaying an export twice changes the registry");
  }
  return 0;
}
