#include "check/Diagnostics.h"

#include <algorithm>

namespace tarnwell::check {
namespace {

// Lines longer than this are shown as a window around the column.
constexpr std::size_t kEchoWidth = 100;

const char* LevelName(Severity level) {
  switch (level) {
    case Severity::kNote:
      return "note";
    case Severity::kWarning:
      return "warning";
    case Severity::kError:
      return "error";
  }
  return "error";
}

void Render(std::string& out, const Diagnostic& d, Severity level,
            const std::vector<std::string>& lines, const std::string& file,
            bool promoted) {
  out += file;
  if (d.Line > 0) {
    out += ':' + std::to_string(d.Line);
    if (d.Column > 0) out += ':' + std::to_string(d.Column);
  }
  out += ": ";
  out += LevelName(level);
  out += ": ";
  out += d.Message;
  if (promoted) out += " [--werror]";
  out += '\n';
  if (d.Line > 0 && d.Line <= lines.size() && d.Column > 0) {
    out += EchoLine(lines[d.Line - 1], d.Column, d.Length);
  }
}

}  // namespace

std::string EchoLine(const std::string& line, std::size_t column,
                     std::size_t length) {
  std::size_t caret = column - 1;
  std::size_t begin = 0;
  std::size_t end = line.size();
  if (end > kEchoWidth) {
    begin = caret > kEchoWidth / 2 ? caret - kEchoWidth / 2 : 0;
    end = std::min(line.size(), begin + kEchoWidth);
  }
  std::string text;
  std::string marks;
  if (begin > 0) {
    text = "...";
    marks = "   ";
  }
  for (std::size_t i = begin; i < end; ++i) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    text += (c < 0x20 && c != '\t') || c == 0x7F ? ' ' : line[i];
  }
  if (end < line.size()) text += "...";
  // Tabs in the caret line keep it under the column on any tab width.
  for (std::size_t i = begin; i < caret && i < end; ++i) {
    marks += line[i] == '\t' ? '\t' : ' ';
  }
  marks += '^';
  for (std::size_t i = 1; i < length && caret + i < end; ++i) marks += '~';
  return text + '\n' + marks + '\n';
}

std::string RenderDiagnostics(std::vector<Diagnostic> diagnostics,
                              const std::vector<std::string>& lines,
                              const std::string& file_name,
                              const PrintOptions& options, Counts* counts) {
  std::stable_sort(diagnostics.begin(), diagnostics.end(),
                   [](const Diagnostic& a, const Diagnostic& b) {
                     if (a.Line != b.Line) return a.Line < b.Line;
                     return a.Column < b.Column;
                   });
  std::string out;
  *counts = Counts{};
  for (const Diagnostic& d : diagnostics) {
    Severity level = d.Level;
    bool promoted = false;
    if (level == Severity::kWarning && options.WarningsAreErrors) {
      level = Severity::kError;
      promoted = true;
    }
    if (level == Severity::kError) ++counts->Errors;
    if (level == Severity::kWarning) ++counts->Warnings;
    if (level == Severity::kNote) ++counts->Notes;
    if (options.Quiet && level != Severity::kError) continue;
    Render(out, d, level, lines, file_name, promoted);
    for (const Diagnostic& note : d.Notes) {
      Render(out, note, Severity::kNote, lines, file_name, false);
    }
  }
  return out;
}

}  // namespace tarnwell::check
