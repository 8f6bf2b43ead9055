// What the checks of one file share while the installer's reader goes
// through it: the line it is on, the open section, the key line being
// applied, and the diagnostics found so far. The checks (LineChecks,
// SectionChecks, KeyChecks, NumberChecks, TextChecks, GuidChecks) read it
// and add to it; the reader's listener in FileCheck.cpp keeps it up to date.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "check/Diagnostic.h"
#include "check/KeyCatalog.h"
#include "check/LineStore.h"
#include "config/InstallConfig.h"
#include "config/ReadObserver.h"

namespace tarnwell::check {

// A section as the file shows it.
struct SectionInfo {
  SectionKind Kind = SectionKind::kDevice;
  Place Header;      // its header line, without blanks at the ends
  std::string Name;  // device sections only
  // The finding that the header misread the section (a near miss of
  // [MODEM SETTINGS]), or kNoRoot.
  std::size_t Root = kNoRoot;
  static constexpr std::size_t kNoRoot = static_cast<std::size_t>(-1);
};

// "device section "A" (line 12)" or "[MODEM SETTINGS] section at line 30".
std::string DescribeSection(const SectionInfo& section);

struct OpenSection {
  SectionInfo Info;
  // The first line of each key of KeysOf(Info.Kind), by its place in that
  // list; Line 0 while the section has not given the key.
  std::vector<Place> Keys;
  std::size_t IgnoredDisables = 0;
  Place FirstIgnoredDisable;

  // The first line of the key of that name, or null when not given.
  const Place* Given(std::string_view key) const;
};

struct CheckState {
  // The configuration set the reader fills: a section's entry is its last
  // element once the section has been accepted.
  const InstallConfig* Config = nullptr;

  std::vector<Diagnostic> Diagnostics;
  LineStore Lines;

  // The line the reader is on; Text is valid only while it is.
  std::size_t LineNumber = 0;
  std::string_view Text;
  LineKind Kind = LineKind::kEmpty;
  bool CarriageReturns = false;  // the line runs on over carriage returns
  bool CarriageReturnsReported = false;
  bool Utf16 = false;  // said once; nothing else is said then
  std::size_t CrRoot = SectionInfo::kNoRoot;  // the cr-line-ends finding
  // The finding that the lines from here on are misread (a near-miss
  // modem header, opened or unclosed): what follows from it becomes its
  // notes until the next header.
  std::size_t Root = SectionInfo::kNoRoot;
  // (line, check) pairs that a disable directive turns off.
  std::set<std::pair<std::size_t, Check>> Disabled;
  // Where a refused section stopped the reader, past the last line at
  // the file's end; 0 while none did.
  std::size_t StopLine = 0;
  // The header where the last refused section ended, to read on from.
  std::size_t ResumeLine = 0;

  bool AnySection = false;  // a header was read
  OpenSection Section;
  std::vector<SectionInfo> Devices;  // accepted, in file order
  std::vector<SectionInfo> Modems;

  // The key line being applied; Applied is null while no key matched.
  std::string_view Key;
  std::string_view Value;
  const KeyFacts* Applied = nullptr;
  std::vector<NumberConversion> GuidGroups;

  // 1-based column of a view into the current line.
  std::size_t Column(std::string_view view) const;
  Place At(std::string_view view) const;

  // Adds a diagnostic at the check's own level. What follows from a
  // finding already made (the rest of a line that runs on over carriage
  // returns; keys and levels of a misread section) becomes its follow-on
  // note instead.
  Diagnostic& Add(Check check, const Place& place,
                  const std::vector<std::string>& args = {});
  // The same, as a follow-on of Diagnostics[root] (kNoRoot: on its own).
  Diagnostic& Attach(std::size_t root, Diagnostic d);
  // The index of d, just added, when it stands on its own; else kNoRoot.
  std::size_t IndexOf(const Diagnostic& d) const;

  // The key as a user writes it: "Init3", "VID".
  std::string AppliedName() const;
};

// A finding of the check, with its message.
Diagnostic MakeDiagnostic(Check check, const Place& place,
                          const std::vector<std::string>& args);

// A note that points at another place, for Diagnostic::Notes.
Diagnostic NoteAt(const Place& place, std::string message);

}  // namespace tarnwell::check
