// Diagnostics as compilers print them: "file:line:column: warning: text",
// then the line itself and a caret under the column.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tarnwell::check {

enum class Severity { kNote, kWarning, kError };

struct Diagnostic {
  Severity Level = Severity::kWarning;
  std::size_t Line = 0;    // 1-based; 0 for the file as a whole
  std::size_t Column = 0;  // 1-based byte column; 0 for the whole line
  std::size_t Length = 1;  // bytes underlined from Column
  std::string Message;
  std::vector<Diagnostic> Notes;  // printed right after, when it is
};

struct PrintOptions {
  bool WarningsAreErrors = false;
  bool Quiet = false;  // errors only
};

struct Counts {
  std::size_t Errors = 0;
  std::size_t Warnings = 0;
  std::size_t Notes = 0;
};

// Renders the diagnostics in order of position. `lines` holds the file's
// lines (index 0 is line 1) for the echo under each message.
std::string RenderDiagnostics(std::vector<Diagnostic> diagnostics,
                              const std::vector<std::string>& lines,
                              const std::string& file_name,
                              const PrintOptions& options, Counts* counts);

// The line as shown under a message, with its caret line: control bytes
// other than tab become blanks, and a long line is shown as a window around
// the column.
std::string EchoLine(const std::string& line, std::size_t column,
                     std::size_t length);

}  // namespace tarnwell::check
