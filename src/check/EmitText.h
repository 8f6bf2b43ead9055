// What the image fragment and the CAB Wizard .inf share: the install pass's
// keys and values as plain text, and the rule that only printable ASCII
// goes into them. Image builders and the CAB Wizard read these files in the
// build machine's code page, which nothing here can know.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace tarnwell::check
