// Arbitrary bytes as usbcdc.cfg: read them, run the install pass into a
// registry that only logs its calls, and check what must hold for every
// input. The key names expected here are printed on their own, not by the
// writers' code, so that a slip in either shows.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "CallLog.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "config/WideText.h"
#include "platform/ByteSource.h"

namespace tarnwell::fuzz {
namespace {

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

// Every call in its place: each key is created, given its values and
// closed before the next one is made (a writer holds one key at a time);
// strings end in their one NUL and fit the largest field; numbers are
// four bytes.
void CheckCallShapes(const CallLog& log) {
  RegHandle open = 0;
  for (const LoggedCall& call : log.Calls()) {
    switch (call.Op) {
      case CallOp::kCreate:
        if (open != 0) Fail("a key was created while another was open");
        open = call.Key;
        break;
      case CallOp::kSet: {
        if (call.Key != open) Fail("a value was set on a key not just made");
        const std::string_view data = log.DataOf(call);
        if (call.Type == kRegDword) {
          if (data.size() != 4) Fail("a REG_DWORD of other than 4 bytes");
        } else if (call.Type == kRegSz) {
          if (data.size() % 2 != 0 || data.size() < 2 ||
              data.size() > 2 * kTextCapacity) {
            Fail("a REG_SZ of a size no field holds");
          }
          for (std::size_t i = 0; i < data.size(); i += 2) {
            const bool nul = data[i] == 0 && data[i + 1] == 0;
            if (nul != (i + 2 == data.size())) Fail("a REG_SZ not ended by its one NUL");
          }
        } else {
          Fail("a value of a type the writers never write");
        }
        break;
      }
      case CallOp::kClose:
        if (call.Key != open) Fail("a key was closed out of turn");
        open = 0;
        break;
    }
  }
}

// Walks the keys of a log in the order they were written.
class KeyCursor {
 public:
  explicit KeyCursor(const CallLog& log) : log_(log) {}

  // Moves to the next key, which must be `path`; its values follow.
  void Expect(std::string_view path, const char* what) {
    const auto& calls = log_.Calls();
    while (next_ < calls.size() && calls[next_].Op != CallOp::kCreate) ++next_;
    if (next_ == calls.size()) Fail(what);
    key_ = next_++;
    if (!SameText(log_.TextOf(calls[key_]), path)) Fail(what);
  }

  // The value of that name in the current key, which must hold `text`.
  void ExpectString(std::u16string_view name, const char16_t* text,
                    const char* what) const {
    const LoggedCall* set = Value(name);
    if (set == nullptr || set->Type != kRegSz) Fail(what);
    const std::string_view data = log_.DataOf(*set);
    const std::size_t units = WideLength(text) + 1;
    if (data.size() != 2 * units) Fail(what);
    for (std::size_t i = 0; i < units; ++i) {
      const char16_t unit = static_cast<char16_t>(
          static_cast<unsigned char>(data[2 * i]) |
          static_cast<unsigned char>(data[2 * i + 1]) << 8);
      if (unit != text[i]) Fail(what);
    }
  }

  void ExpectDword(std::u16string_view name, std::uint32_t value,
                   const char* what) const {
    const LoggedCall* set = Value(name);
    if (set == nullptr || set->Type != kRegDword) Fail(what);
    const std::string_view data = log_.DataOf(*set);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(data[i]);
    if (v != value) Fail(what);
  }

  // No key beyond those expected.
  void ExpectEnd() const {
    for (std::size_t i = next_; i < log_.Calls().size(); ++i) {
      if (log_.Calls()[i].Op == CallOp::kCreate) Fail("a key no entry asks for");
    }
  }

 private:
  static bool SameText(std::u16string_view wide, std::string_view narrow) {
    if (wide.size() != narrow.size()) return false;
    for (std::size_t i = 0; i < wide.size(); ++i) {
      if (wide[i] != static_cast<unsigned char>(narrow[i])) return false;
    }
    return true;
  }

  const LoggedCall* Value(std::u16string_view name) const {
    const auto& calls = log_.Calls();
    for (std::size_t i = key_ + 1;
         i < calls.size() && calls[i].Op == CallOp::kSet; ++i) {
      if (log_.TextOf(calls[i]) == name) return &calls[i];
    }
    return nullptr;
  }

  const CallLog& log_;
  std::size_t next_ = 0;
  std::size_t key_ = 0;
};

constexpr char kClientDrivers[] = "Drivers\\USB\\ClientDrivers\\";

std::string LoadClientPath(const DeviceEntry& d) {
  char device[32] = "Default";
  char interface[48] = "Default";
  if (d.HasVid && d.HasPid) {
    std::snprintf(device, sizeof device, "%u_%u", d.Vid, d.Pid);
  } else if (d.HasVid) {
    std::snprintf(device, sizeof device, "%u", d.Vid);
  }
  if (d.HasIfcClass && d.HasIfcSubClass && d.HasIfcProtocol) {
    std::snprintf(interface, sizeof interface, "%u_%u_%u", d.IfcClass,
                  d.IfcSubClass, d.IfcProtocol);
  } else if (d.HasIfcClass && d.HasIfcSubClass) {
    std::snprintf(interface, sizeof interface, "%u_%u", d.IfcClass,
                  d.IfcSubClass);
  } else if (d.HasIfcClass) {
    std::snprintf(interface, sizeof interface, "%u", d.IfcClass);
  }
  char path[128];
  std::snprintf(path, sizeof path,
                "Drivers\\USB\\LoadClients\\%s\\Default\\%s\\USBCDC_Driver",
                device, interface);
  return path;
}

std::string InterfacePath(unsigned vid, unsigned pid, unsigned ifc) {
  char path[96];
  std::snprintf(path, sizeof path, "%sUSBCDC_Config\\VID_%04X&PID_%04X&IFC_%02X",
                kClientDrivers, vid, pid, ifc);
  return path;
}

// Devices in file order, each with its load-client key, the driver
// template and one key per disabled interface; then modems in file order,
// each with its interface key and the five keys of the COM template.
void CheckKeys(const InstallConfig& config, const CallLog& log) {
  KeyCursor keys(log);
  const std::string device_template =
      std::string(kClientDrivers) + "USBCDC_Template_Default";
  for (const DeviceEntry& d : config.Devices) {
    keys.Expect(LoadClientPath(d), "load-client key missing or misnamed");
    keys.ExpectString(u"Dll", d.Dll, "load-client key without the entry's Dll");
    keys.Expect(device_template, "driver template key missing");
    keys.ExpectString(u"Dll", d.Dll, "template key without the entry's Dll");
    for (std::uint32_t i = 0; i < d.IfcDisableCount; ++i) {
      keys.Expect(InterfacePath(d.Vid, d.Pid, d.IfcDisable[i]),
                  "disabled interface key missing or misnamed");
      keys.ExpectDword(u"Disable", 1, "disabled interface without Disable=1");
    }
  }
  const std::string modem_template =
      std::string(kClientDrivers) + "USBCDC_COM_Template";
  for (const ModemEntry& m : config.Modems) {
    keys.Expect(InterfacePath(m.Vid, m.Pid, m.Ifc),
                "modem interface key missing or misnamed");
    keys.ExpectString(u"Template", u"USBCDC_COM_Template",
                      "modem interface key without its Template");
    keys.Expect(modem_template, "modem template key missing");
    keys.ExpectString(u"DLL", m.Dll, "modem template without the entry's DLL");
    for (const char* sub : {"\\Unimodem", "\\Unimodem\\Config",
                            "\\Unimodem\\Init", "\\Unimodem\\Settings"}) {
      keys.Expect(modem_template + sub, "Unimodem key missing");
    }
  }
  keys.ExpectEnd();
}

}  // namespace
}  // namespace tarnwell::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace tarnwell;
  using namespace tarnwell::fuzz;
  // Kept between inputs, so that their memory is reused.
  static CallLog first_log;
  static CallLog second_log;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  InstallConfig config;
  MemoryByteSource source(bytes);
  if (!ReadConfigSource(config, source)) {
    // Only a closed section without "DLL" refuses a file held in memory.
    if (bytes.find('[') == std::string_view::npos ||
        bytes.find(']') == std::string_view::npos) {
      Fail("read failed on a file without a section header");
    }
    return 0;
  }
  for (const DeviceEntry& d : config.Devices) CheckDevice(d);
  for (const ModemEntry& m : config.Modems) CheckModem(m);

  first_log.Clear();
  // A registry that never fails takes every key and value of every entry.
  if (!config.WriteConfigToRegistry(first_log)) {
    Fail("install pass failed on a registry that never fails");
  }
  if (first_log.OpenKeyCount() != 0) Fail("a key handle was left open");
  CheckCallShapes(first_log);
  CheckKeys(config, first_log);

  second_log.Clear();
  if (!config.WriteConfigToRegistry(second_log) ||
      !second_log.SameCalls(first_log)) {
    Fail("the same configuration gave different registry calls");
  }
  return 0;
}
