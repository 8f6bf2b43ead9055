// Arbitrary bytes as registry.reg. Whatever the store loads it may later
// save in export form; that save must load back into the same registry, or
// a store would corrupt itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/regfile/RegFormat.h"
#include "platform/regfile/RegParse.h"
#include "support/StoreFiles.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace tarnwell;
  if (size == 0) return 0;
  // The first byte picks the form: the file's bytes as the store reads
  // them, or one unit per byte after the version line, so that mutations
  // of plain text stay readable.
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  regstore::RegTree tree;
  if (data[0] & 1) {
    if (!regstore::ParseRegFileBytes(rest, tree).Ok) return 0;
  } else {
    std::u16string text = u"Windows Registry Editor Version 5.00\r\n";
    for (char c : rest) text += static_cast<char16_t>(static_cast<unsigned char>(c));
    if (!regstore::ParseRegText(text, tree).Ok) return 0;
  }

  const std::string saved = regstore::FormatRegFileBytes(tree);
  regstore::RegTree reloaded;
  if (!regstore::ParseRegFileBytes(saved, reloaded).Ok) {
    Fail("an accepted store saves bytes that do not load");
  }
  if (!testing::SameTree(reloaded, tree)) {
    Fail("a saved store does not reload into the same registry");
  }
  if (regstore::FormatRegFileBytes(reloaded) != saved) {
    Fail("saving a reloaded store changes its bytes");
  }
  return 0;
}
