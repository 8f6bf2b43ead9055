// Listens to the installer's own reader and turns what it does into
// diagnostics: every place where the installer will do something other than
// what the line seems to say.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "check/Diagnostics.h"
#include "config/ReadObserver.h"

namespace tarnwell::check {

// A section as the file shows it.
struct SectionInfo {
  SectionKind Kind = SectionKind::kDevice;
  std::size_t Line = 0;  // of its header
  std::size_t Column = 1;
  std::size_t Length = 1;
  std::string Name;      // device sections only
};

// "device section "A" (line 12)" or "[MODEM SETTINGS] section at line 30".
std::string DescribeSection(const SectionInfo& section);

class ConfigChecker : public ReadObserver {
 public:
  void Line(std::size_t number, std::string_view text, LineKind kind) override;
  void SectionOpened(SectionKind kind, std::string_view name) override;
  void SectionClosed(SectionKind kind, bool accepted) override;
  void KeyLine(std::string_view key, std::string_view value) override;
  void KeyApplied(const char* name, int index) override;
  void KeyUnknown() override;
  void NumberRead(const NumberConversion& conversion) override;
  void TextCut(std::string_view text, std::size_t capacity) override;
  void DisableListFull() override;
  void GuidRead(std::string_view text, const GUID& guid,
                int groups_read) override;
  void ReadFailed() override;

  std::vector<Diagnostic>& Diagnostics() { return diagnostics_; }
  // Every line read, index 0 being line 1.
  const std::vector<std::string>& Lines() const { return lines_; }
  // Sections the configuration set accepted, each kind in file order: the
  // n-th of a kind is the n-th entry of its list.
  const std::vector<SectionInfo>& Devices() const { return devices_; }
  const std::vector<SectionInfo>& Modems() const { return modems_; }
  bool ReadFailedBeforeEnd() const { return read_failed_; }

 private:
  struct Place {
    std::size_t Line = 0;
    std::size_t Column = 0;
    std::size_t Length = 1;
  };
  struct OpenSection {
    SectionInfo Info;
    Place Header;
    std::map<std::string, Place> Rows;  // first line of each row
    std::size_t IgnoredDisables = 0;
    Place FirstIgnoredDisable;
  };

  // Column (1-based) of a view into the current line.
  std::size_t Column(std::string_view view) const;
  Place At(std::string_view view) const;
  Diagnostic& Add(Severity level, const Place& place, std::string message);
  void CheckWholeFile(std::string_view text);
  void CheckIgnoredLine(std::string_view text, LineKind kind);
  void CheckTextValue();
  void CheckFinishedSection();
  void CheckGuidForm(std::string_view text, int groups_read,
                     std::string* reason, bool* only_separators) const;
  std::string Row() const;  // the current row as a user writes it

  std::vector<Diagnostic> diagnostics_;
  std::vector<std::string> lines_;
  std::vector<SectionInfo> devices_;
  std::vector<SectionInfo> modems_;

  std::size_t line_number_ = 0;
  std::string_view line_;  // valid while the reader is on the line
  LineKind line_kind_ = LineKind::kEmpty;
  bool utf16_ = false;
  bool cr_only_reported_ = false;
  bool cr_line_ = false;    // the current line holds carriage returns
  Diagnostic discarded_;    // where Add puts what it drops
  bool read_failed_ = false;

  bool section_open_ = false;
  OpenSection section_;

  std::string_view key_;
  std::string_view value_;
  std::string row_;  // empty while no row matched
  int row_index_ = -1;
  std::vector<NumberConversion> guid_groups_;
};

}  // namespace tarnwell::check
