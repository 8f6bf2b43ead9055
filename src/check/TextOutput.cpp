#include "check/Outputs.h"

#include <algorithm>
#include <iterator>

namespace tarnwell::check {
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
  std::string locus = file;
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
  for (std::size_t i = begin; i < end; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    text += (c < 0x20 && c != '\t') || c == 0x7F ? ' ' : line[i];
  }
  if (end < line.size()) text += "...";
  // Tabs in the caret line keep it under the column on any tab width.
  for (std::size_t i = begin; i < caret && i < end; ++i) {
    indent += line[i] == '\t' ? '\t' : ' ';
  }
  std::string marks = "^";
  for (std::size_t i = 1; i < length && caret + i < end; ++i) marks += '~';
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

}  // namespace tarnwell::check
