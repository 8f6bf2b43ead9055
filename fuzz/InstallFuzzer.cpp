// Arbitrary bytes as usbcdc.cfg: read them, run the whole install pass into
// an in-memory registry, and check what must hold for every input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>

#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "config/WideText.h"
#include "platform/ByteSource.h"
#include "platform/regfile/RegFormat.h"
#include "platform/regfile/RegParse.h"
#include "platform/regfile/TreeRegistry.h"
#include "platform/regfile/Utf.h"
#include "registry/KeyPaths.h"
#include "support/StoreFiles.h"

namespace tarnwell::fuzz {
namespace {

constexpr char16_t kMachine[] = u"HKEY_LOCAL_MACHINE\\";

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

template <std::size_t N>
void CheckText(const char16_t (&text)[N], const char* what) {
  if (std::char_traits<char16_t>::find(text, N, u'\0') == nullptr) Fail(what);
}

void CheckDevice(const DeviceEntry& d) {
  if (!d.HasDll || !d.HasPrefix) Fail("device entry accepted without DLL");
  CheckText(d.Name, "device Name without NUL");
  CheckText(d.Dll, "device Dll without NUL");
  CheckText(d.Prefix, "device Prefix without NUL");
  if (std::u16string_view(d.Prefix) != u"COM") Fail("device Prefix not COM");
  if (d.IfcDisableCount > kMaxDisabledInterfaces) Fail("IfcDisableCount > 128");
  for (std::size_t i = d.IfcDisableCount; i < kMaxDisabledInterfaces; ++i) {
    if (d.IfcDisable[i] != 0) Fail("IfcDisable set beyond its count");
  }
}

void CheckModem(const ModemEntry& m) {
  if (!m.HasDll || !m.HasPrefix) Fail("modem entry accepted without DLL");
  CheckText(m.Dll, "modem Dll without NUL");
  CheckText(m.Prefix, "modem Prefix without NUL");
  if (std::u16string_view(m.Prefix) != u"COM") Fail("modem Prefix not COM");
  CheckText(m.Tsp, "Tsp without NUL");
  CheckText(m.FriendlyName, "FriendlyName without NUL");
  CheckText(m.BaudRate, "BaudRate without NUL");
  for (const InitString& init : m.Init) CheckText(init.Text, "Init without NUL");
  for (const ModemTextKey& row : kModemSettingsKeys) {
    CheckText(m.*row.Field, "Settings text without NUL");
  }
}

std::string StringData(const char16_t* text) {
  std::string bytes;
  regstore::AppendUtf16Le(bytes, std::u16string_view(text, WideLength(text) + 1));
  return bytes;
}

const regstore::RegValue* FindValue(regstore::RegTree& tree,
                                    std::u16string_view key,
                                    std::u16string_view name) {
  regstore::RegNode* node = tree.Find(std::u16string(kMachine) + std::u16string(key));
  return node == nullptr ? nullptr : node->Value(name);
}

// What the registry must hold for the devices: each load-client key with
// the Dll of the last device that names it, each disabled interface.
void CheckDeviceKeys(const InstallConfig& config, regstore::RegTree& tree) {
  std::map<std::u16string, const DeviceEntry*> last_by_path;
  for (const DeviceEntry& d : config.Devices) {
    char16_t path[kKeyPathCapacity];
    LoadClientKeyPath(path, d);
    last_by_path[regstore::FoldCase(path)] = &d;
    for (std::uint32_t i = 0; i < d.IfcDisableCount; ++i) {
      InterfaceKeyPath(path, u"USBCDC_Config", d.Vid, d.Pid, d.IfcDisable[i]);
      const regstore::RegValue* v = FindValue(tree, path, u"Disable");
      if (v == nullptr || v->Type != kRegDword ||
          std::string_view(v->Data) != std::string_view("\x01\0\0\0", 4)) {
        Fail("disabled interface without Disable=1");
      }
    }
  }
  for (const auto& [path, d] : last_by_path) {
    const regstore::RegValue* v = FindValue(tree, path, u"Dll");
    if (v == nullptr || v->Type != kRegSz || std::string_view(v->Data) != StringData(d->Dll)) {
      Fail("load-client key without the Dll of its last device");
    }
  }
  if (!config.Devices.empty()) {
    const regstore::RegValue* v = FindValue(
        tree, u"Drivers\\USB\\ClientDrivers\\USBCDC_Template_Default", u"Dll");
    if (v == nullptr || std::string_view(v->Data) != StringData(config.Devices.back().Dll)) {
      Fail("template key without the Dll of the last device");
    }
  }
}

// One whole run; the .reg text of the registry it leaves.
std::u16string Run(std::string_view bytes, bool check) {
  InstallConfig config;
  MemoryByteSource source(bytes);
  bool read = ReadConfigSource(config, source);
  if (!read) {
    // Only a closed section without "DLL" refuses a file held in memory.
    if (bytes.find('[') == std::string_view::npos ||
        bytes.find(']') == std::string_view::npos) {
      Fail("read failed on a file without a section header");
    }
    return u"read failed";
  }
  regstore::TreeRegistry registry;
  bool wrote = config.WriteConfigToRegistry(registry);
  std::u16string text = regstore::FormatRegFile(registry.Tree());
  if (!check) return text;

  for (const DeviceEntry& d : config.Devices) CheckDevice(d);
  for (const ModemEntry& m : config.Modems) CheckModem(m);
  // A store that never fails takes every key and value of every entry.
  if (!wrote) Fail("install pass failed on an in-memory registry");
  if (registry.OpenKeyCount() != 0) Fail("a key handle was left open");
  CheckDeviceKeys(config, registry.Tree());

  // What the host's store saves loads back into the same registry.
  regstore::RegTree reloaded;
  if (!regstore::ParseRegFileBytes(regstore::FormatRegFileBytes(registry.Tree()),
                                   reloaded)
           .Ok) {
    Fail("the saved store does not load");
  }
  if (!testing::SameTree(reloaded, registry.Tree())) {
    Fail("the saved store reloads wrong");
  }
  return text;
}

}  // namespace
}  // namespace tarnwell::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::u16string first = tarnwell::fuzz::Run(bytes, true);
  if (tarnwell::fuzz::Run(bytes, false) != first) {
    tarnwell::fuzz::Fail("the same file gave two different registries");
  }
  return 0;
}
