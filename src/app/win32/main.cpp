// The Windows build's entry point: the GUI entry, no console. Its
// arguments are ignored, as the command line has no effect.
//
// Windows CE's GUI entry is WinMain with a wide command line (the device
// build compiles against ce/windows.h); desktop Windows calls that one
// wWinMain and gives WinMain an 8-bit one.
#include <windows.h>

#include "app/RunInstaller.h"
#include "platform/win32/Win32Registry.h"

namespace {

int Run() {
  tarnwell::win32::Win32Registry registry;
  return tarnwell::RunProgram(registry);
}

}  // namespace

#ifdef _WIN32_WCE
extern "C" int WINAPI WinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  return Run();
}
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return Run(); }
#endif
