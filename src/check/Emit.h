// tarnwell-check --emit=KIND -o FILE: the install pass's keys and values
// as a registry fragment for an OS image (image-reg: key headers,
// "Name"="text" and "Name"=dword:XXXXXXXX lines, CRLF line ends, no
// regedit header), as a setup .inf for the Windows CE CAB Wizard (cab-inf:
// the sections the wizard requires and an AddReg section, one line per
// value; it installs no file), or as the setup file of a cabinet that the
// device installs itself (cab: the .000 file of a Windows CE cabinet; the
// platform packs it). Only printable ASCII goes into them: image builders
// and the CAB Wizard read these files in the build machine's code page,
// the device a cabinet's in its own, which nothing here can know.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check/Diagnostic.h"
#include "check/FileCheck.h"

namespace tarnwell::check {

// image-reg, cab-inf, cab.
enum class EmitKind { kImageReg, kCabInf, kCab };

// What the device shows of a cabinet under its installed programs, and
// what a later cabinet of the same names replaces (--cab-name,
// --cab-provider); the .inf of cab-inf names the same.
struct CabNames {
  std::string App = "USB CDC settings";
  std::string Provider = "tarnwell";
};

// Why `value` cannot be a name of the cabinet given by `option`, or
// nothing: printable ASCII, which every device shows alike, within the CAB
// Wizard's lengths (`most`), and a file name of its own (the device names
// the cabinet's uninstall file with both, and its folder with the name):
// none of the characters a file name cannot hold, no blank or dot at its
// end (Windows drops them), no blank at its start, no device name.
std::string CabNameFault(const char* option, std::size_t most,
                         std::string_view value);

// The setup file's name inside the cabinet.
inline constexpr char kSetupFileName[] = "TARNWELL.000";

// The first value of the pass that the file cannot hold (a text outside
// printable ASCII; for cab-inf a DWORD above the signed range; for cab a
// count or length beyond its 16 bits), as an error at the line of the
// file that gave it; false when every value can go in.
bool FindUnwritable(EmitKind kind, const FileReport& report,
                    Diagnostic* refusal);

// A note for each key that the file creates without a value and without
// a key of the pass below it, at the header of the section that made it:
// no public description promises that a device creates such a key from a
// cabinet.
std::vector<Diagnostic> EmptyKeyNotes(const FileReport& report);

// The file of that kind for the checked file `name` (as messages show it):
// keys in the order the installer first created them, each with its values
// in the order first written, holding the last data written. Every text
// must have passed FindUnwritable.
std::string Emit(EmitKind kind, const FileReport& report,
                 const std::string& name, const std::string& version,
                 const CabNames& names);

}  // namespace tarnwell::check
