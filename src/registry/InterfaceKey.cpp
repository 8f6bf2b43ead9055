// The per-interface key that tells the CDC client driver to leave one
// interface of a device alone.
#include "config/InstallConfig.h"
#include "registry/KeyPaths.h"
#include "registry/RegKey.h"

namespace tarnwell {

bool InstallConfig::WriteInterfaceKey(const char16_t* client_driver,
                                      std::uint16_t vid, std::uint16_t pid,
                                      std::uint8_t interface_number,
                                      Registry& registry) const {
  RegKey key(registry);
  char16_t path[kKeyPathCapacity];
  if (!InterfaceKeyPath(path, client_driver, vid, pid, interface_number)) {
    return false;
  }
  if (key.Create(kLocalMachine, path, kKeyReadWrite) != 0) return false;
  if (key.SetDword(u"Disable", 1) != 0) return false;
  key.Close();
  return true;
}

}  // namespace tarnwell
