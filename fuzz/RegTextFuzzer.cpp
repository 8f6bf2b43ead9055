// The store's round trip. Whatever registry.reg the store loads, and
// whatever the installer's calls leave in the store, it may later save in
// export form; that save must load back into the same registry and save to
// the same bytes, or a store would corrupt itself.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "regstore/RegFormat.h"
#include "regstore/RegParse.h"
#include "regstore/TreeRegistry.h"
#include "support/StoreFiles.h"

namespace {

using namespace tarnwell;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

// Bytes as UTF-16 units one for one, except that 0xFF takes the next two
// bytes as one unit (little-endian), so that names and texts reach beyond
// Latin-1: surrogates, and the letters whose case folds.
std::u16string Units(std::string_view bytes) {
  std::u16string units;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == 0xFF && i + 2 < bytes.size()) {
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 1]) |
                                     static_cast<unsigned char>(bytes[i + 2]) << 8);
      i += 2;
    } else {
      units += static_cast<char16_t>(c);
    }
  }
  return units;
}

// Registry calls as the writers make them, on the store's in-memory
// registry: a key path, or a value name, type and data for the key made
// last, each up to beyond the lengths the store takes. Calls the store
// refuses change nothing that is checked here.
void MakeCalls(FuzzedDataProvider& in, regstore::TreeRegistry& registry) {
  RegHandle key = 0;
  while (in.remaining_bytes() > 0) {
    const bool create = in.ConsumeBool();
    const std::u16string text = Units(in.ConsumeRandomLengthString(20000));
    if (create || key == 0) {
      if (key != 0) registry.CloseKey(key);
      registry.CreateKey(kLocalMachine, text.c_str(), kKeyReadWrite, &key);
      continue;
    }
    // Mostly the types the writers use; any other now and then.
    std::uint32_t type = in.ConsumeIntegralInRange<std::uint32_t>(0, 11);
    if (type == 11) type = in.ConsumeIntegral<std::uint32_t>();
    const std::string data = in.ConsumeRandomLengthString(1 << 20);
    registry.SetValue(key, text.c_str(), type, data.data(),
                      static_cast<std::uint32_t>(data.size()));
  }
  if (key != 0) registry.CloseKey(key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the source of the registry: the file's bytes as
  // the store reads them; one unit per byte after the version line, so
  // that mutations of plain text stay readable; or registry calls.
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  regstore::TreeRegistry registry;
  regstore::RegTree& tree = registry.Tree();
  if (data[0] & 2) {
    FuzzedDataProvider in(data + 1, size - 1);
    MakeCalls(in, registry);
  } else if (data[0] & 1) {
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
  if (!testing::SameRegistry(reloaded, tree)) {
    Fail("a saved store does not reload into the same registry");
  }
  if (regstore::FormatRegFileBytes(reloaded) != saved) {
    Fail("saving a reloaded store changes its bytes");
  }
  return 0;
}
