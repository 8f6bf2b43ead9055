#include "config/ConfigReader.h"

#include <memory>
#include <new>
#include <string_view>

#include "config/KeyName.h"
#include "config/LineReader.h"
#include "config/LineSyntax.h"
#include "config/Capacities.h"
#include "config/ReadTrace.h"
#include "config/WideText.h"
#include "platform/Platform.h"

namespace tarnwell {
namespace {

// The reader's state between lines: which section is open and the working
// entry of each kind.
class SectionReader {
 public:
  SectionReader(InstallConfig& config, ReadTrace* trace)
      : config_(config), trace_(trace) {}

  // Handles line `number`; false when a refused section ends the read.
  bool Line(std::size_t number, std::string_view raw) {
    std::string_view line = StripBlanks(raw);
    const LineKind kind = KindOf(line);
    if (trace_ != nullptr) trace_->Line(number, raw, kind);
    if (kind == LineKind::kHeader) {
      if (!CloseSection()) return false;
      line = StripBrackets(line);
      OpenSection(line);
      // The name itself goes on as a key line: "[DLL=a.dll]" sets "DLL".
    } else if (kind != LineKind::kKey) {
      return true;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return true;
    std::string_view key = StripBlanks(std::string_view(line.data(), equals));
    std::string_view value = line;
    value.remove_prefix(equals + 1);
    value = StripBlanks(value);
    // Every handler matches keys without regard to ASCII letter case
    // (KeyIs), so the key goes on as the file spells it.
    if (open_ == Kind::kDevice) {
      Applied(number, key, value, ApplyDeviceKey(device_, key, value), device_);
    } else {
      Applied(number, key, value, ApplyModemKey(modem_, key, value), modem_);
    }
    return true;
  }

  // Hands the open section's entry to the configuration set; false when it
  // is refused. No section is open afterwards.
  bool CloseSection() {
    Kind kind = open_;
    open_ = Kind::kNone;
    if (kind == Kind::kNone) return true;
    bool accepted = kind == Kind::kDevice ? config_.AppendDevice(device_)
                                          : config_.AppendModem(modem_);
    if (trace_ != nullptr) trace_->SectionClosed(accepted);
    return accepted;
  }

 private:
  enum class Kind { kNone, kDevice, kModem };

  template <typename Entry>
  void Applied(std::size_t number, std::string_view key, std::string_view value,
               std::size_t row, const Entry& entry) {
    if (trace_ == nullptr) return;
    if (row == kNoKey) {
      trace_->KeyUnknown(key, value);
    } else {
      trace_->KeyApplied(number, key, value, row, entry);
    }
  }

  LineKind KindOf(std::string_view line) const {
    if (line.empty()) return LineKind::kEmpty;
    if (line.front() == '#' || line.front() == ';') return LineKind::kComment;
    if (line.front() == '[' && line.find(']') != std::string_view::npos) {
      return LineKind::kHeader;
    }
    if (open_ == Kind::kNone) return LineKind::kBeforeSection;
    return line.find('=') != std::string_view::npos ? LineKind::kKey
                                                    : LineKind::kOther;
  }

  void OpenSection(std::string_view name) {
    if (IsModemSectionName(name)) {
      InitModemEntry(modem_);
      open_ = Kind::kModem;
    } else {
      InitDeviceEntry(device_, name);
      open_ = Kind::kDevice;
    }
    if (trace_ != nullptr) {
      trace_->SectionOpened(
          open_ == Kind::kDevice ? SectionKind::kDevice : SectionKind::kModem,
          name);
    }
  }

  InstallConfig& config_;
  ReadTrace* trace_;
  DeviceEntry device_{};  // cleared before the first header
  ModemEntry modem_{};
  Kind open_ = Kind::kNone;
};

}  // namespace

bool ReadConfigSource(InstallConfig& config, ByteSource& source,
                      ReadTrace* trace) {
  LineReader lines(source);
  // The two working entries (16 KB) live on the heap: a device thread's
  // stack is 64 KB, and Windows CE wants no frame larger than a page.
  std::unique_ptr<SectionReader> sections(new (std::nothrow)
                                              SectionReader(config, trace));
  if (!sections) return false;
  std::string_view line;
  for (;;) {
    switch (lines.Next(&line)) {
      case LineReader::Status::kLine:
        if (!sections->Line(lines.LineNumber(), line)) return false;
        break;
      case LineReader::Status::kEnd:
        return sections->CloseSection();
      case LineReader::Status::kError:
        // A file that cannot be read to its end is not a configuration.
        if (trace != nullptr) trace->Stopped();
        return false;
      case LineReader::Status::kNoMemory:
        return false;
    }
  }
}

bool ReadConfigFile(InstallConfig& config, const char16_t* directory,
                    const char* file_name, ReadTrace* trace) {
  // The path stays wide, so no character of the directory is lost, and a
  // path too long for its buffer is refused rather than cut.
  char16_t path[kFullPathCapacity];
  WideWriter writer(path, kFullPathCapacity);
  writer.Text(directory).Bytes(file_name);
  if (writer.Overflowed()) return false;

  std::int32_t error = 0;
  std::unique_ptr<ByteSource> file =
      platform::OpenFileForReading(path, &error);
  if (!file) return false;
  return ReadConfigSource(config, *file, trace);
}

}  // namespace tarnwell
