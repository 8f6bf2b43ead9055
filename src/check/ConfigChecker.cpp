#include "check/ConfigChecker.h"

#include <cctype>

#include "check/KeyCatalog.h"
#include "check/Text.h"
#include "config/HexNumber.h"
#include "config/KeyName.h"
#include "registry/KeyPaths.h"

namespace tarnwell::check {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
         (c >= 'A' && c <= 'F');
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// How a number is spelled where ReadHexNumber starts on it.
struct Spelling {
  std::string_view Digits;  // the hexadecimal digits, "0x" not included
  bool Prefix = false;      // "0x"
  bool Negative = false;
};

Spelling Spell(std::string_view text, std::size_t pos) {
  Spelling s;
  while (pos < text.size() && IsHexSpace(text[pos])) ++pos;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    s.Negative = text[pos] == '-';
    ++pos;
  }
  if (pos + 1 < text.size() && text[pos] == '0' &&
      (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    s.Prefix = true;
    pos += 2;
  }
  std::size_t begin = pos;
  while (pos < text.size() && IsHexDigit(text[pos])) ++pos;
  s.Digits = text.substr(begin, pos - begin);
  return s;
}

std::string_view WithoutLeadingZeros(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits;
}

bool AllDecimal(std::string_view digits) {
  for (char c : digits) {
    if (!IsDecimalDigit(c)) return false;
  }
  return !digits.empty();
}

std::uint64_t DecimalValue(std::string_view digits) {
  std::uint64_t n = 0;
  for (char c : digits) n = n * 10 + static_cast<std::uint64_t>(c - '0');
  return n;
}

std::string GuidString(const GUID& guid) {
  char16_t wide[64];
  GuidText(wide, guid);
  std::string out;
  for (const char16_t* p = wide; *p != 0; ++p) out += static_cast<char>(*p);
  return out;
}

// Where a number that cannot be read still has its effect.
std::string UseOf(std::string_view row) {
  if (IsCountOrTypeKey(row)) return "and still writes it";
  return "and still uses it in the key names";
}

bool IsInitKeyLike(std::string_view key) {
  return key.size() >= 4 && KeyIs(key.substr(0, 4), "Init");
}

std::string KindName(SectionKind kind) {
  return kind == SectionKind::kDevice ? "device sections"
                                      : "[MODEM SETTINGS] sections";
}

SectionKind Other(SectionKind kind) {
  return kind == SectionKind::kDevice ? SectionKind::kModem
                                      : SectionKind::kDevice;
}

const int kGuidDigits[5] = {8, 4, 4, 4, 12};

bool IsModemSectionName(std::string_view name) {
  return KeyIs(name, "MODEM SETTINGS");
}

}  // namespace

std::string DescribeSection(const SectionInfo& section) {
  if (section.Kind == SectionKind::kModem) {
    return "[MODEM SETTINGS] section at line " + std::to_string(section.Line);
  }
  return "device section " + Quote(section.Name) + " (line " +
         std::to_string(section.Line) + ")";
}

std::size_t ConfigChecker::Column(std::string_view view) const {
  return static_cast<std::size_t>(view.data() - line_.data()) + 1;
}

ConfigChecker::Place ConfigChecker::At(std::string_view view) const {
  Place p;
  p.Line = line_number_;
  p.Column = Column(view);
  p.Length = view.empty() ? 1 : view.size();
  return p;
}

Diagnostic& ConfigChecker::Add(Severity level, const Place& place,
                               std::string message) {
  // On a line that runs over carriage returns, everything but an error
  // follows from the line ends, which have been reported once already.
  if (cr_line_ && level != Severity::kError && place.Line == line_number_) {
    return discarded_ = Diagnostic{};
  }
  Diagnostic d;
  d.Level = level;
  d.Line = place.Line;
  d.Column = place.Column;
  d.Length = place.Length;
  d.Message = std::move(message);
  diagnostics_.push_back(std::move(d));
  return diagnostics_.back();
}

std::string ConfigChecker::Row() const {
  return row_index_ >= 0 ? row_ + std::to_string(row_index_) : row_;
}

// ---------------------------------------------------------------- lines

void ConfigChecker::Line(std::size_t number, std::string_view text,
                         LineKind kind) {
  line_number_ = number;
  line_ = text;
  line_kind_ = kind;
  lines_.emplace_back(text);
  row_.clear();
  row_index_ = -1;
  CheckWholeFile(text);
  if (utf16_) return;
  if (kind == LineKind::kBeforeSection || kind == LineKind::kOther) {
    CheckIgnoredLine(text, kind);
  }
}

void ConfigChecker::CheckWholeFile(std::string_view text) {
  if (line_number_ == 1) {
    bool bom = text.size() >= 2 &&
               ((text[0] == '\xFF' && text[1] == '\xFE') ||
                (text[0] == '\xFE' && text[1] == '\xFF'));
    if (bom || text.find('\0') != std::string_view::npos) {
      utf16_ = true;
      Place whole{1, 0, 1};
      Add(Severity::kWarning, whole,
          "the file is UTF-16 text: the installer reads it byte by byte, "
          "finds no section in it and writes nothing; save it as ASCII "
          "(or UTF-8) text");
      return;
    }
  }
  cr_line_ = false;
  if (utf16_) return;
  std::string_view stripped = Trim(text);
  std::size_t cr = stripped.find('\r');
  if (cr == std::string_view::npos) return;
  if (cr_only_reported_) {
    cr_line_ = true;
    return;
  }
  cr_only_reported_ = true;
  Add(Severity::kWarning, At(stripped.substr(cr, 1)),
      "carriage return without a line feed: the installer ends lines only "
      "at line feeds, so this line runs on to the next line feed (a file "
      "with carriage returns alone is one single line)");
  cr_line_ = true;
}

void ConfigChecker::CheckIgnoredLine(std::string_view text, LineKind kind) {
  std::string_view stripped = Trim(text);
  const bool bracket = stripped.front() == '[';
  const bool has_equals = stripped.find('=') != std::string_view::npos;
  std::string message;
  if (bracket && !has_equals) {
    message = "section header without \"]\": the installer opens no section "
              "and ignores the line";
    if (kind == LineKind::kOther) {
      message += "; the lines that follow still belong to the " +
                 DescribeSection(section_.Info);
    }
  } else if (kind == LineKind::kBeforeSection) {
    message = has_equals ? "key line before the first section header: "
                           "there are no global keys, the installer "
                           "ignores it"
                         : "line before the first section header: the "
                           "installer ignores it";
  } else {
    message = "neither a comment, a section header nor a key=value line: "
              "the installer ignores it";
  }
  Add(Severity::kWarning, At(stripped), message);
}

// ---------------------------------------------------------------- sections

void ConfigChecker::SectionOpened(SectionKind kind, std::string_view name) {
  section_open_ = true;
  section_ = OpenSection{};
  section_.Info.Kind = kind;
  section_.Info.Line = line_number_;
  if (kind == SectionKind::kDevice) section_.Info.Name = std::string(name);
  section_.Header = At(Trim(line_));
  section_.Info.Column = section_.Header.Column;
  section_.Info.Length = section_.Header.Length;
  if (utf16_) return;

  if (kind == SectionKind::kDevice) {
    std::size_t bracket = name.find(']');
    if (bracket != std::string_view::npos) {
      std::string message =
          "text after \"]\" belongs to the section name: this header opens "
          "a device section named " + Quote(name);
      if (IsModemSectionName(Trim(name.substr(0, bracket)))) {
        message += ", not a [MODEM SETTINGS] section";
      }
      Add(Severity::kWarning, At(name.substr(bracket)), message);
    } else if (Trim(name) != name && IsModemSectionName(Trim(name))) {
      Add(Severity::kWarning, At(name),
          "blanks inside the brackets: this header opens a device section "
          "named " + Quote(name) + ", not a [MODEM SETTINGS] section");
    }
  }
  if (name.find('=') != std::string_view::npos) {
    Add(Severity::kNote, At(name),
        "the section name holds \"=\", so the installer also reads it as a "
        "key line of the new section");
  }
}

void ConfigChecker::SectionClosed(SectionKind kind, bool accepted) {
  section_open_ = false;
  if (!accepted) {
    Diagnostic& error = Add(
        Severity::kError, section_.Header,
        (kind == SectionKind::kDevice
             ? "device section " + Quote(section_.Info.Name)
             : std::string("[MODEM SETTINGS] section")) +
            " has no \"DLL\" line: the installer refuses it, fails to read "
            "the file (\"Read configuration file failed!\") and writes "
            "nothing");
    if (line_kind_ == LineKind::kHeader &&
        line_number_ != section_.Info.Line) {
      Diagnostic note;
      note.Level = Severity::kNote;
      note.Line = line_number_;
      note.Column = Column(Trim(line_));
      note.Length = Trim(line_).size();
      note.Message =
          "the section ends at this header, where the installer stops "
          "reading";
      error.Notes.push_back(std::move(note));
    }
    return;
  }
  (kind == SectionKind::kDevice ? devices_ : modems_).push_back(section_.Info);
  if (!utf16_) CheckFinishedSection();
}

void ConfigChecker::CheckFinishedSection() {
  auto row = [&](const char* name) -> const Place* {
    auto it = section_.Rows.find(name);
    return it == section_.Rows.end() ? nullptr : &it->second;
  };
  if (section_.IgnoredDisables > 0) {
    std::string message =
        "this section already lists 128 interfaces to disable: the installer "
        "ignores this \"IFC_Disable\" line";
    if (section_.IgnoredDisables > 1) {
      message += " and " + std::to_string(section_.IgnoredDisables - 1) +
                 " more after it";
    }
    Add(Severity::kWarning, section_.FirstIgnoredDisable, message);
  }
  if (section_.Info.Kind == SectionKind::kModem) {
    for (const char* id : {"VID", "PID"}) {
      if (row(id) == nullptr) {
        Add(Severity::kWarning, section_.Header,
            std::string("[MODEM SETTINGS] section without \"") + id +
                "\": its interface key is named with " + id + "_0000");
      }
    }
    return;
  }
  if (const Place* pid = row("PID"); pid != nullptr && row("VID") == nullptr) {
    Add(Severity::kWarning, *pid,
        "\"PID\" without \"VID\": the load-client key ignores the product ID "
        "and uses the device group \"Default\"");
  }
  if (const Place* sub = row("IFC_SubClass");
      sub != nullptr && row("IFC_Class") == nullptr) {
    Add(Severity::kWarning, *sub,
        "\"IFC_SubClass\" without \"IFC_Class\": the load-client key ignores "
        "it and uses the interface group \"Default\"");
  }
  if (const Place* protocol = row("IFC_Protocol");
      protocol != nullptr && row("IFC_SubClass") == nullptr) {
    Add(Severity::kWarning, *protocol,
        "\"IFC_Protocol\" without \"IFC_SubClass\": the load-client key "
        "ignores the protocol");
  }
  if (const Place* disable = row("IFC_Disable"); disable != nullptr) {
    for (const char* id : {"VID", "PID"}) {
      if (row(id) == nullptr) {
        Add(Severity::kWarning, *disable,
            std::string("interfaces to disable in a section without \"") +
                id + "\": their keys are named with " + id + "_0000");
      }
    }
  }
}

// ---------------------------------------------------------------- keys

void ConfigChecker::KeyLine(std::string_view key, std::string_view value) {
  key_ = key;
  value_ = value;
  row_.clear();
  row_index_ = -1;
  guid_groups_.clear();
}

void ConfigChecker::KeyApplied(const char* name, int index) {
  row_ = name;
  row_index_ = index;
  if (utf16_) return;
  const std::string row = Row();
  if (section_.Info.Kind == SectionKind::kDevice && row == "IFC") {
    Add(Severity::kWarning, At(key_),
        "\"IFC\" has no effect in a device section (it names the interface "
        "of a modem); the installer ignores the line");
    return;
  }
  if (row != "IFC_Disable") {
    auto [it, first] = section_.Rows.emplace(row, At(key_));
    if (!first) {
      Diagnostic& d =
          Add(Severity::kWarning, At(key_),
              Quote(row) + " is given again in this section: this later "
                           "line replaces the value of line " +
                  std::to_string(it->second.Line));
      Diagnostic note;
      note.Level = Severity::kNote;
      note.Line = it->second.Line;
      note.Column = it->second.Column;
      note.Length = it->second.Length;
      note.Message = "the earlier " + Quote(row) + " line";
      d.Notes.push_back(std::move(note));
    }
  } else {
    section_.Rows.emplace(row, At(key_));
  }
  if (IsTextKey(row_)) CheckTextValue();
}

void ConfigChecker::CheckTextValue() {
  const std::string field = Quote(Row());
  if (row_ == "DLL" && value_.empty()) {
    Add(Severity::kWarning, At(value_),
        "empty \"DLL\" value: the installer accepts the section and writes "
        "an empty driver name");
  }
  for (std::size_t i = 1; i < value_.size(); ++i) {
    if ((value_[i] == '#' || value_[i] == ';') &&
        (value_[i - 1] == ' ' || value_[i - 1] == '\t')) {
      Add(Severity::kWarning, At(value_.substr(i)),
          std::string("\"") + value_[i] +
              "\" after the value is not a comment: the installer writes " +
              Quote(value_) + " as " + field +
              "; comments go on lines of their own");
      break;
    }
  }
  for (std::size_t i = 0; i < value_.size(); ++i) {
    if (static_cast<unsigned char>(value_[i]) >= 0x80) {
      Add(Severity::kWarning, At(value_.substr(i, 1)),
          "byte above 0x7F: the installer turns every byte into one "
          "character (no code page), so " + field + " is written as " +
              Quote(WidenedAsUtf8(value_)));
      break;
    }
  }
}

void ConfigChecker::KeyUnknown() {
  if (utf16_) return;
  const SectionKind kind = section_.Info.Kind;
  const Place place = At(key_);
  const std::string key(key_);
  if (key.empty()) {
    Add(Severity::kWarning, At(line_.substr(Column(value_) - 2, 1)),
        "nothing before \"=\": the installer finds no key and ignores the "
        "line");
    return;
  }
  if (key.front() == '[') {
    Add(Severity::kWarning, place,
        "section header without \"]\": the installer reads this as a key line "
        "with the unknown key " + Quote(key) +
            " and ignores it; the lines that follow still belong to the " +
            DescribeSection(section_.Info));
    return;
  }
  if (kind == SectionKind::kModem && IsInitKeyLike(key)) {
    std::string_view digits = std::string_view(key).substr(4);
    if (digits.empty()) {
      Add(Severity::kWarning, place,
          "\"Init\" needs the number of the init string, Init0 to Init15: "
          "the installer ignores the line");
      return;
    }
    if (AllDecimal(digits)) {
      if (digits.size() > 1 && digits.front() == '0') {
        Add(Severity::kWarning, place,
            Quote(key) + " has a leading zero, so it names no init string: "
                         "the installer ignores the line; write \"Init" +
                std::string(WithoutLeadingZeros(digits)) + "\"");
      } else {
        Add(Severity::kWarning, place,
            "there are 16 init strings, Init0 to Init15: the installer "
            "ignores " + Quote(key));
      }
      return;
    }
  }
  if (IsKnownKey(Other(kind), key)) {
    Add(Severity::kWarning, place,
        Quote(key) + " is a key of " + KindName(Other(kind)) +
            ": in a " +
            (kind == SectionKind::kDevice ? "device" : "[MODEM SETTINGS]") +
            " section the installer ignores it");
    return;
  }
  std::string message =
      "unknown key " + Quote(key) + ": the installer ignores the line";
  if (std::string s = SuggestKey(kind, key); !s.empty()) {
    message += "; did you mean " + Quote(s) + "?";
  } else if (std::string o = SuggestKey(Other(kind), key); !o.empty()) {
    message += "; " + Quote(o) + ", which it resembles, is a key of " +
               KindName(Other(kind));
  }
  Add(Severity::kWarning, place, message);
}

// ---------------------------------------------------------------- values

void ConfigChecker::NumberRead(const NumberConversion& c) {
  if (utf16_) return;
  if (row_ == "GUID") {
    guid_groups_.push_back(c);
    return;
  }
  const std::string field = Quote(Row());
  const std::string_view text = c.Text;
  const Spelling spelling = Spell(text, c.Start);
  if (!c.Reading.Ok) {
    std::string why;
    Place place = At(text);
    if (Trim(text).empty()) {
      why = "empty value";
    } else if (spelling.Digits.empty()) {
      why = "cannot read " + Quote(text) + " as a hexadecimal number";
    } else {
      why = Quote(text) + " does not fit in " + std::to_string(c.Width) +
            " bits (the largest is " +
            Hex(c.Width >= 64 ? ~0ull : (1ull << c.Width) - 1) + ")";
    }
    std::string effect;
    if (c.Fate == NumberFate::kNotAppended) {
      effect = "the installer disables no interface for this line";
    } else {
      effect = "the installer keeps " + field + " at " +
               Hex(c.Stored, static_cast<int>(c.FieldBits / 4)) + " " +
               UseOf(row_);
    }
    Add(Severity::kWarning, place, why + ": " + effect);
    return;
  }
  if (c.Fate == NumberFate::kNotAppended) return;  // the list is full

  const std::string_view significant = WithoutLeadingZeros(spelling.Digits);
  const std::string_view digits_view = spelling.Digits;
  if (IsCountOrTypeKey(row_) && !spelling.Prefix && !spelling.Negative &&
      AllDecimal(significant) && significant.size() >= 2) {
    const std::string digits(significant);
    Add(Severity::kWarning, At(digits_view),
        field + " is read as hexadecimal: " + digits + " is " +
            std::to_string(c.Reading.Value) + "; write 0x" + digits +
            " to say so, or " + Hex(DecimalValue(digits)) +
            " if you meant decimal " + digits);
  }
  if (c.BitsDropped()) {
    Add(Severity::kWarning, At(digits_view),
        field + " keeps only the low " + std::to_string(c.FieldBits) +
            " bits: " + Hex(c.Reading.Value) + " is stored as " +
            Hex(c.Stored, static_cast<int>(c.FieldBits / 4)));
  }
  if (spelling.Negative) {
    Add(Severity::kWarning, At(text),
        "the \"-\" wraps around: the installer stores " +
            Hex(c.Stored, static_cast<int>(c.FieldBits / 4)));
  }
  if (c.Reading.End < text.size()) {
    std::string_view rest = text.substr(c.Reading.End);
    std::string_view rest_trimmed = Trim(rest);
    if (!rest_trimmed.empty() &&
        (rest_trimmed.front() == '#' || rest_trimmed.front() == ';') &&
        rest.size() != rest_trimmed.size()) {
      Add(Severity::kNote, At(rest_trimmed),
          "the installer reads the number up to here and ignores the rest; "
          "comments go on lines of their own");
    } else {
      Add(Severity::kWarning, At(rest),
          "the number ends here: the installer reads " +
              Quote(text.substr(0, c.Reading.End)) + " as " +
              Hex(c.Reading.Value) + " and ignores " + Quote(rest));
    }
  }
}

void ConfigChecker::TextCut(std::string_view text, std::size_t capacity) {
  if (utf16_) return;
  const std::size_t kept = capacity - 1;
  Add(Severity::kWarning, At(text.substr(kept)),
      Quote(Row()) + " holds at most " + std::to_string(kept) +
          " characters: the installer cuts the " +
          std::to_string(text.size()) + "-character value here");
}

void ConfigChecker::DisableListFull() {
  if (section_.IgnoredDisables++ == 0) section_.FirstIgnoredDisable = At(key_);
}

void ConfigChecker::CheckGuidForm(std::string_view text, int groups_read,
                                  std::string* reason,
                                  bool* only_separators) const {
  *only_separators = false;
  if (Trim(text).empty()) {
    *reason = "the value is empty";
    return;
  }
  if (groups_read < 5) {
    const int failed = groups_read + 1;
    if (static_cast<int>(guid_groups_.size()) >= failed) {
      *reason = "group " + std::to_string(failed) + " cannot be read";
    } else {
      *reason = "the value ends after group " + std::to_string(groups_read);
    }
    *reason += failed < 5 ? ", so groups " + std::to_string(failed) +
                                " to 5 keep their previous values"
                          : ", so it keeps its previous value";
    return;
  }
  for (int i = 0; i < 5; ++i) {
    const NumberConversion& g = guid_groups_[static_cast<std::size_t>(i)];
    Spelling s = Spell(g.Text, g.Start);
    const int digits = static_cast<int>(s.Digits.size());
    const std::size_t end = g.Reading.End;
    if (i < 4 && end < g.Text.size() &&
        std::isalnum(static_cast<unsigned char>(g.Text[end])) != 0) {
      *reason = "group " + std::to_string(i + 1) + " stops at " +
                Quote(g.Text.substr(end, 1)) +
                ", which the installer takes for the separator";
      return;
    }
    if (digits < kGuidDigits[i]) {
      *reason = "group " + std::to_string(i + 1) + " has " +
                std::to_string(digits) + (digits == 1 ? " digit" : " digits") +
                " instead of " + std::to_string(kGuidDigits[i]) +
                " and is read as " +
                Hex(g.Stored, kGuidDigits[i]);
      return;
    }
    if (digits > kGuidDigits[i]) {
      *reason = "group " + std::to_string(i + 1) + " has " +
                std::to_string(digits) + " digits instead of " +
                std::to_string(kGuidDigits[i]) + "; only its last " +
                std::to_string(kGuidDigits[i]) + " are kept";
      return;
    }
    if (s.Prefix || s.Negative) {
      *reason = "group " + std::to_string(i + 1) + " has a sign or \"0x\"";
      return;
    }
  }
  const NumberConversion& last = guid_groups_[4];
  if (last.Reading.End < last.Text.size()) {
    *reason = Quote(last.Text.substr(last.Reading.End)) +
              " after the last group is ignored";
    return;
  }
  for (std::size_t i = 1; i < 5; ++i) {
    const NumberConversion& g = guid_groups_[i];
    const std::size_t separator = guid_groups_[i - 1].Reading.End;
    if (g.Start != separator + 1 || g.Text[separator] != '-' ||
        Spell(g.Text, g.Start).Digits.data() != g.Text.data() + g.Start) {
      *reason = "the groups are not separated by single \"-\" characters";
      *only_separators = true;
      return;
    }
  }
}

void ConfigChecker::GuidRead(std::string_view text, const GUID& guid,
                             int groups_read) {
  if (utf16_) return;
  std::string reason;
  bool only_separators = false;
  CheckGuidForm(text, groups_read, &reason, &only_separators);
  if (reason.empty()) return;
  Add(only_separators ? Severity::kNote : Severity::kWarning,
      At(value_),
      "malformed GUID: " + reason + "; the installer writes \"IClass\" = " +
          GuidString(guid));
}

void ConfigChecker::ReadFailed() {
  read_failed_ = true;
  Place whole{line_number_ + 1, 0, 1};
  Add(Severity::kError, whole,
      "the file cannot be read to its end: the installer fails to read it "
      "(\"Read configuration file failed!\") and writes nothing");
}

}  // namespace tarnwell::check
