// tarnwell-check --emit=KIND -o FILE: the install pass's keys and values
// as a registry fragment for an OS image (image-reg: key headers,
// "Name"="text" and "Name"=dword:XXXXXXXX lines, CRLF line ends, no
// regedit header) or as a setup .inf for the Windows CE CAB Wizard
// (cab-inf: the sections the wizard requires and an AddReg section, one
// line per value; it installs no file). Only printable ASCII goes into
// them: image builders and the CAB Wizard read these files in the build
// machine's code page, which nothing here can know.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/FileCheck.h"
#include "check/WriteLog.h"

namespace tarnwell::check {

enum class EmitKind { kImageReg, kCabInf };

// "image-reg" or "cab-inf"; false for anything else.
bool ParseEmitKind(std::string_view name, EmitKind* kind);

// The keys and values of the install pass: keys in the order the installer
// first created them, each with its values in the order first written,
// holding the last data written.
struct EmitInput {
  const std::vector<WriteLog::Key>* Keys = nullptr;
  const std::vector<WriteLog::Slot>* Slots = nullptr;
  std::string Source;   // the configuration's name, for the leading comment
  std::string Version;  // of tarnwell
};

// The slot whose text holds a character outside printable ASCII (tab
// allowed), or WriteLog::kNobody. Key paths and value names are the
// installer's own and always ASCII; only texts from the file can be.
std::size_t FindUnwritableText(const EmitInput& input);

// The first character of a text value that FindUnwritableText refuses (a
// byte of the file: the installer widens them one by one), or NUL.
char16_t FirstUnwritable(const WriteLog::Slot& slot);

// A value's data: the text without its terminating NUL, and a DWORD.
// The installer writes only these two types.
std::string SlotText(const WriteLog::Slot& slot);
std::uint32_t SlotNumber(const WriteLog::Slot& slot);

// "; <what> from <source>, made by tarnwell-check <version>" and a line
// end; bytes of the name outside printable ASCII become "?".
std::string SourceComment(const EmitInput& input, std::string_view what);

// The two formats; every text must have passed FindUnwritableText.
std::string FormatImageReg(const EmitInput& input);
std::string FormatCabInf(const EmitInput& input);

// The output of `kind` for the checked file `name` (as messages show it)
// into *bytes. Returns 0; 1 when a text of the configuration cannot go
// into the file: then *message, compiler-style, names the line that gave
// it, and nothing is to be written.
int EmitText(std::string_view kind, const FileReport& report,
             const std::string& name, const std::string& version,
             std::string* bytes, std::string* message);

}  // namespace tarnwell::check
