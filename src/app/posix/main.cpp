// Only generic POSIX code here: the host build's entry point. Arguments
// are ignored, as on the device.
#include <csignal>

#include "app/RunInstaller.h"
#include "platform/posix/FileRegistry.h"

int main() {
  // A closed output pipe must not kill the run before it has saved its
  // store (the message is then simply not seen), and a file-size limit is
  // a failed save like a full disk, not the end of the process.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  tarnwell::posix::FileRegistry registry;
  return tarnwell::RunProgram(registry);
}
