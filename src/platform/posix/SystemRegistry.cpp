// Only generic POSIX code here: the host's registry lives in registry.reg
// beside the executable.
#include <cerrno>
#include <memory>

#include "platform/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/NativePath.h"

namespace tarnwell {
namespace {

posix::FileRegistry* MakeHostRegistry() {
  std::string exe = posix::ExecutablePath();
  if (exe.empty()) return new posix::FileRegistry("", posix::WindowsError(errno));
  return new posix::FileRegistry(exe.substr(0, exe.rfind('/') + 1) +
                                 "registry.reg");
}

}  // namespace

Registry& SystemRegistry() {
  // Destroyed at exit, which rewrites the journal in export form.
  static std::unique_ptr<posix::FileRegistry> registry(MakeHostRegistry());
  return *registry;
}

}  // namespace tarnwell
