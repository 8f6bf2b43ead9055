// The Windows build's entry point: the GUI entry, no console. Its
// arguments are ignored, as the command line has no effect.
//
// Windows CE's GUI entry is WinMain with a wide command line; desktop
// Windows calls that one wWinMain and gives WinMain an 8-bit one.
// mingw-w64's headers, used to compile the CE form here, are desktop
// headers: they declare WinMain with the 8-bit command line, and a C
// function cannot be declared twice with different parameters. Their
// declaration is renamed out of the way, so that the entry below is
// compiled exactly as Windows CE declares it.
#if __has_include(<_mingw.h>)
#include <_mingw.h>  // says whose headers these are
#endif
#if defined(_WIN32_WCE) && defined(__MINGW64_VERSION_MAJOR)
#define WinMain DesktopWinMain
#include <windows.h>
#undef WinMain
#else
#include <windows.h>
#endif

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
