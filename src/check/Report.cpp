// The outcome of a file as compiler-style text and as JSON.
#include "check/Report.h"

#include <algorithm>
#include <iterator>

#include "check/Text.h"
#include "regstore/Utf.h"

namespace tarnwell::check {
namespace {

std::string Plural(std::size_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

void Measure(const regstore::RegNode& node, TreeSize* size) {
  if (!node.Values().empty()) {
    ++size->Keys;
    size->Values += node.Values().size();
  }
  for (const auto& child : node.Children()) Measure(*child.second, size);
}

std::string CountText(const Counts& counts) {
  std::string out;
  auto add = [&](std::size_t n, const char* word) {
    if (n == 0) return;
    if (!out.empty()) out += ", ";
    out += Plural(n, word);
  };
  add(counts.Errors, "error");
  add(counts.Warnings, "warning");
  add(counts.Notes, "note");
  return out.empty() ? "no problems found" : out;
}

}  // namespace

TreeSize MeasureTree(const regstore::RegTree& tree) {
  TreeSize size;
  Measure(tree.Root(), &size);
  return size;
}

std::string FileResult::InstallerMessage() const {
  if (Report == nullptr) return "";
  if (!Report->Read) return "Read configuration file failed!";
  return Report->Written ? "Configuration successfully written to the registry!"
                         : "Write configuration to registry failed!";
}

std::string SummaryText(const FileResult& result) {
  const FileReport& report = *result.Report;
  std::string outcome;
  if (!report.Read) {
    outcome = "the installer would stop reading " +
              (report.StopLine > report.Lines.Count()
                   ? std::string("at the end of the file")
                   : "at line " + std::to_string(report.StopLine)) +
              ", show \"" + result.InstallerMessage() + "\" and write nothing";
  } else {
    outcome = "the installer would read " +
              Plural(report.DeviceSections, "device section") + " and " +
              Plural(report.ModemSections, "modem section") + ", write " +
              Plural(result.Size.Values, "value") + " in " +
              Plural(result.Size.Keys, "key") + " and show \"" +
              result.InstallerMessage() + "\"";
  }
  std::string left;
  if (result.LeftOut > 0) {
    left =
        " (" + std::to_string(result.LeftOut) + " not shown: --max-findings)";
  }
  return CountText(result.Found) + left + "; " + outcome;
}


// The text of a report.
namespace {

// Lines longer than this are shown as a window around the column.
constexpr std::size_t kEchoWidth = 100;

// GCC's escapes: each colour ends with "erase to the end of line", so that
// a line that wraps keeps no coloured background.
constexpr char kBold[] = "\033[01m\033[K";
constexpr char kGreen[] = "\033[01;32m\033[K";
constexpr char kReset[] = "\033[m\033[K";

// Cyan notes, magenta warnings, red errors, by Severity.
const char* LevelColor(Severity level) {
  static const char* const kColors[] = {
      "\033[01;36m\033[K", "\033[01;35m\033[K", "\033[01;31m\033[K"};
  static_assert(std::size(kColors) == 1 + static_cast<int>(Severity::kError));
  return kColors[static_cast<std::size_t>(level)];
}

// "[-Wname]", or "[-Werror=name]" for a warning an option made an error.
std::string OptionName(const Diagnostic& d) {
  const std::string name = InfoOf(d.Id).Name;
  if (d.Promoted && d.Level == Severity::kError) return "-Werror=" + name;
  return "-W" + name;
}

void Render(std::string& out, const Diagnostic& d, bool attached_note,
            const LineStore& lines, const std::string& file, bool color) {
  auto paint = [&](const char* escape, const std::string& text) {
    if (color) out += escape;
    out += text;
    if (color) out += kReset;
  };
  std::string locus = Printable(file);
  if (d.At.Line > 0) {
    locus += ':' + std::to_string(d.At.Line);
    if (d.At.Column > 0) locus += ':' + std::to_string(d.At.Column);
  }
  const Severity level = attached_note ? Severity::kNote : d.Level;
  paint(kBold, locus + ":");
  out += ' ';
  paint(LevelColor(level), std::string(SeverityName(level)) + ":");
  out += ' ';
  out += d.Message;
  if (!attached_note) {
    out += " [";
    paint(LevelColor(d.Level), OptionName(d));
    out += ']';
  }
  out += '\n';
  if (d.At.Line > 0 && d.At.Line <= lines.Count() && d.At.Column > 0) {
    out += EchoLine(lines.Line(d.At.Line), d.At.Column, d.At.Length, color);
  }
}

}  // namespace

std::string EchoLine(std::string_view line, std::size_t column,
                     std::size_t length, bool color) {
  const std::size_t caret = column - 1;
  std::size_t begin = 0;
  std::size_t end = line.size();
  if (end > kEchoWidth) {
    begin = caret > kEchoWidth / 2 ? caret - kEchoWidth / 2 : 0;
    end = std::min(line.size(), begin + kEchoWidth);
  }
  std::string text = begin > 0 ? "..." : "";
  std::string indent = begin > 0 ? "   " : "";
  // Control bytes other than tab show as blanks, and bytes that are not
  // UTF-8 as U+FFFD; every character takes one column, and the caret line
  // counts in characters, its tabs kept so that any tab width lines it up.
  std::string marks;
  for (std::size_t i = begin; i < end;) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    char32_t code = 0;
    std::size_t n = regstore::DecodeUtf8(line.substr(0, end), i, &code);
    if (n > 1) {
      text.append(line.substr(i, n));
    } else if (n == 0) {
      text += "\xEF\xBF\xBD";
    } else {
      text += (c < 0x20 && c != '\t') || c == 0x7F ? ' ' : line[i];
    }
    if (i < caret) {
      indent += c == '\t' ? '\t' : ' ';
    } else if (i < caret + length) {
      marks += marks.empty() ? '^' : '~';
    }
    i += std::max<std::size_t>(n, 1);
  }
  if (end < line.size()) text += "...";
  if (marks.empty()) marks = "^";  // at the end of the line
  if (color) marks = kGreen + marks + kReset;
  return text + '\n' + indent + marks + '\n';
}

std::string RenderText(const std::vector<Diagnostic>& diagnostics,
                       const LineStore& lines, const std::string& file_name,
                       bool color) {
  std::string out;
  for (const Diagnostic& d : diagnostics) {
    Render(out, d, false, lines, file_name, color);
    for (const Diagnostic& note : d.Notes) {
      Render(out, note, true, lines, file_name, color);
    }
  }
  return out;
}


// JSON.

std::string JsonQuote(std::string_view text) {
  // The characters with an escape of their own, and those escapes.
  static const std::u32string_view kNamed = U"\"\\\n\r\t";
  static const char kLetters[] = "\"\\nrt";
  static const char kDigits[] = "0123456789abcdef";
  std::string out = "\"";
  for (char32_t c : DecodeUtf8OrLatin1(text)) {
    const std::size_t named = kNamed.find(c);
    if (named != std::u32string_view::npos) {
      out += std::string("\\") + kLetters[named];
    } else if (c < 0x20 || c == 0x7F) {
      out += std::string("\\u00") + kDigits[c >> 4] + kDigits[c & 0xF];
    } else {
      regstore::AppendUtf8(out, c);
    }
  }
  return out + "\"";
}

void JsonWriter::NewLine() {
  out_ += '\n';
  out_.append(2 * empty_.size(), ' ');
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (empty_.empty()) return;
  if (!empty_.back()) out_ += ',';
  empty_.back() = false;
  NewLine();
}

JsonWriter& JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ += bracket;
  empty_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  const bool empty = empty_.back();
  empty_.pop_back();
  if (!empty) NewLine();
  out_ += bracket;
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  Value(JsonQuote(name) + ": ");
  after_key_ = true;
  return *this;
}

JsonWriter& JsonWriter::Value(const std::string& text) {
  BeforeValue();
  out_ += text;
  return *this;
}


namespace {

void Position(JsonWriter& json, const std::string& file, const Place& at) {
  json.Key("file").String(file);
  json.Key("line");
  at.Line > 0 ? json.Number(at.Line) : json.Null();
  json.Key("column");
  at.Line > 0 && at.Column > 0 ? json.Number(at.Column) : json.Null();
  json.Key("endColumn");
  at.Line > 0 && at.Column > 0 ? json.Number(at.Column + at.Length)
                               : json.Null();
}

void Write(JsonWriter& json, const std::string& file, const Diagnostic& d) {
  json.BeginObject();
  Position(json, file, d.At);
  json.Key("severity").String(SeverityName(d.Level));
  json.Key("name").String(InfoOf(d.Id).Name);
  json.Key("message").String(d.Message);
  json.Key("notes").BeginArray();
  for (const Diagnostic& note : d.Notes) {
    json.BeginObject();
    Position(json, file, note.At);
    json.Key("message").String(note.Message);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

void Summary(JsonWriter& json, const FileResult& r) {
  json.Key("summary").BeginObject();
  json.Key("errors").Number(r.Found.Errors);
  json.Key("warnings").Number(r.Found.Warnings);
  json.Key("notes").Number(r.Found.Notes);
  json.Key("notShown").Number(r.LeftOut);
  json.Key("installerReads").Bool(r.Report->Read);
  json.Key("deviceSections").Number(r.Report->DeviceSections);
  json.Key("modemSections").Number(r.Report->ModemSections);
  json.Key("keys").Number(r.Size.Keys);
  json.Key("values").Number(r.Size.Values);
  json.Key("installerMessage").String(r.InstallerMessage());
  json.Key("exitStatus").Number(static_cast<std::uint64_t>(r.ExitStatus));
  json.EndObject();
}

}  // namespace

std::string JsonReport(const std::vector<FileResult>& results,
                       const char* version) {
  JsonWriter json;
  json.BeginObject();
  json.Key("tool").String("tarnwell-check");
  json.Key("version").String(version);
  json.Key("files").BeginArray();
  for (const FileResult& r : results) {
    json.BeginObject();
    json.Key("file").String(r.Name);
    if (r.Report == nullptr) {
      json.Key("error").String(r.Error);
      json.Key("exitStatus").Number(static_cast<std::uint64_t>(r.ExitStatus));
      json.EndObject();
      continue;
    }
    json.Key("diagnostics").BeginArray();
    for (const Diagnostic& d : r.Shown) Write(json, r.Name, d);
    json.EndArray();
    Summary(json, r);
    if (!r.Error.empty()) json.Key("error").String(r.Error);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  return json.Text();
}

}  // namespace tarnwell::check
