// Listens to the installer's own reader and hands what it does with each
// line to the checks of the file, the sections, the keys, the numbers, the
// texts and the GUIDs.
#pragma once

#include <cstddef>
#include <string_view>

#include "check/CheckState.h"
#include "config/ReadObserver.h"

namespace tarnwell::check {

class ConfigChecker : public ReadObserver {
 public:
  // `config` is the configuration set the reader fills.
  explicit ConfigChecker(const InstallConfig& config) {
    state_.Config = &config;
  }

  // The reader goes on over the rest of the file, from line `line` (the
  // header where it stopped) on, filling `config`.
  void Resume(const InstallConfig& config, std::size_t line) {
    state_.Config = &config;
    line_offset_ = line - 1;
  }

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
  void ReadFailed() override {}  // bytes in memory are read to their end

  // After the reader returned: what only the whole file shows.
  void Finish();

  CheckState& State() { return state_; }

 private:
  // False once the file is known to be UTF-16: every other finding would
  // follow from that.
  bool Checking() const { return !state_.Utf16; }

  CheckState state_;
  std::size_t line_offset_ = 0;
};

}  // namespace tarnwell::check
