// The services the installer takes from the platform it runs on. Exactly one
// implementation (posix/ or win32/) is linked in; the core includes nothing
// else of the operating system. Names avoid the Win32 macros (MessageBox,
// GetModuleFileName) so that the Windows implementation can include
// <windows.h> beside this header.
//
// No service throws: a failure, running out of memory included
// (kErrorNotEnoughMemory), comes back as a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/ByteSource.h"

namespace tarnwell::platform {

// Full path of the running executable into buffer (capacity units, NUL
// included). Returns the length, or 0 with *error set. A path that does not
// fit is a failure, never a cut path.
std::uint32_t ModuleFileName(char16_t* buffer, std::uint32_t capacity,
                             std::int32_t* error);

// The character that separates directories in what ModuleFileName gives
// ('\\' on Windows); DirectoryLength (config/ModulePath.h) cuts at it.
char16_t PathSeparator();

// Modal message box with no owner window; returns once it is closed.
void ShowMessageBox(const char16_t* text, const char16_t* caption,
                    std::uint32_t style);

// COM for the program's thread (CoInitializeEx with flags 0) where the
// system has it; where it has none, nothing. Nothing in the run depends on
// COM, so its absence is no failure.
void ComInitialize();
// Ends what ComInitialize started, if anything.
void ComUninitialize();

// Opens a file for reading its bytes as they are, by a path that keeps every
// character. Returns null, with *error set, when it cannot be opened or is
// not a regular file.
std::unique_ptr<ByteSource> OpenFileForReading(const char16_t* path,
                                               std::int32_t* error);

}  // namespace tarnwell::platform
