#include "check/Diagnostic.h"

#include <algorithm>
#include <string_view>

namespace tarnwell::check {
namespace {

// Each check's document: "%summary", "%does", "%wrong", "%right" and
// "%fix" lines, each before its part.
struct Prose {
  const char* Name;
  const char* Text;
};
constexpr Prose kProse[] = {
#include "check/Prose.inc"
};

// The part of the document after "%field": its lines as they are, or
// joined into one paragraph.
std::string Part(std::string_view document, std::string_view field,
                 bool paragraph) {
  std::string text;  // as written on any system: without carriage returns
  for (char c : document) {
    if (c != '\r') text += c;
  }
  text.insert(0, "\n");
  const std::string marker = "\n%" + std::string(field) + "\n";
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) return "";
  text = text.substr(at + marker.size());
  text = text.substr(0, text.find("\n%"));
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (paragraph) std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

const char* const kTexts[] = {
#define CHECK(...)
#define TEXT(Id, Message) Message,
#include "check/CheckTable.h"
};

std::string Format(std::string_view format, const Args& args) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
    } else if (format[++i] != '{') {
      out += args[static_cast<std::size_t>(format[i] - '0')].Text;
    } else {
      const std::size_t close = format.find('}', i);
      std::string_view choice = format.substr(i + 1, close - i - 1);
      i = close + 1;
      const int form = args[static_cast<std::size_t>(format[i] - '0')].Form;
      for (int k = form; k > 0; --k) {
        choice.remove_prefix(choice.find('|') + 1);
      }
      out += Format(choice.substr(0, choice.find('|')), args);
    }
  }
  return out;
}

// --list-checks and --explain (which the SARIF rules carry too) wrap
// paragraphs to this width.
constexpr std::size_t kWidth = 76;

// The paragraph broken at blanks into lines of at most kWidth columns
// (a longer word stands alone), each line indented.
std::string Wrap(std::string_view text, const std::string& indent) {
  std::string out;
  std::string line;
  while (!text.empty()) {
    const std::size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view()
                                           : text.substr(blank + 1);
    if (!line.empty() &&
        indent.size() + line.size() + 1 + word.size() > kWidth) {
      out += indent + line + "\n";
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
  }
  if (!line.empty()) out += indent + line + "\n";
  return out;
}

// Each line of the example, indented.
std::string Example(std::string_view lines) {
  std::string out = "    ";
  for (char c : lines) {
    out += c;
    if (c == '\n') out += "    ";
  }
  return out + "\n";
}

}  // namespace

std::string MessageOf(Check id, const Args& args) {
  return Format(InfoOf(id).Message, args);
}

std::string TextOf(Text id, const Args& args) {
  return Format(kTexts[static_cast<std::size_t>(id)], args);
}

Diagnostic MakeDiagnostic(Check check, const Place& place, const Args& args) {
  Diagnostic d;
  d.Id = check;
  d.Level = InfoOf(check).Level;
  d.At = place;
  d.Message = MessageOf(check, args);
  return d;
}

Diagnostic NoteAt(const Place& place, Text text, const Args& args) {
  Diagnostic note;
  note.Level = Severity::kNote;
  note.At = place;
  note.Message = TextOf(text, args);
  return note;
}

Explanation ExplanationOf(const CheckInfo& info) {
  for (const Prose& prose : kProse) {
    if (std::string_view(prose.Name) != info.Name) continue;
    return {Part(prose.Text, "summary", true), Part(prose.Text, "does", true),
            Part(prose.Text, "wrong", false), Part(prose.Text, "right", false),
            Part(prose.Text, "fix", true)};
  }
  return {};
}

const CheckInfo* FindCheck(std::string_view name) {
  for (const CheckInfo& info : kChecks) {
    if (name == info.Name) return &info;
  }
  return nullptr;
}

const char* SeverityName(Severity level) {
  static const char* const kNames[] = {"note", "warning", "error"};
  return kNames[static_cast<std::size_t>(level)];
}

std::string ListChecksText() {
  std::string out;
  for (const CheckInfo& info : kChecks) {
    std::string name = info.Name;
    name.resize(22, ' ');
    std::string level = SeverityName(info.Level);
    level.resize(9, ' ');
    out += name + level + ExplanationOf(info).Summary + "\n";
  }
  return out;
}

std::string ExplainText(const CheckInfo& info) {
  const Explanation e = ExplanationOf(info);
  std::string out = "-W" + std::string(info.Name) + " (" +
                    SeverityName(info.Level) + "): " + e.Summary + "\n\n";
  out += "What the installer does:\n" + Wrap(e.Does, "  ");
  out += "\nWrong:\n" + Example(e.Wrong);
  out += "\nRight:\n" + Example(e.Right);
  out += "\nFix:\n" + Wrap(e.Fix, "  ");
  static const char* const kStays[] = {
      "\nTo accept one finding where it stands, put this comment on the line "
      "before it:\n    ; tarnwell-check: disable=",
      "\nThe installer fails to read such a file, so this check cannot be "
      "turned off.\n",
      "\nNo file is written then, so this check cannot be turned off.\n"};
  out += kStays[static_cast<std::size_t>(info.Stays)];
  if (info.Stays == Fixed::kOptional) out += std::string(info.Name) + "\n";
  return out;
}

}  // namespace tarnwell::check
