// The outcome of checking one file, and its report in the three formats
// that the README and the man page describe: compiler-style text (in
// GCC's colours when asked) and --format=json (Report.cpp), and
// --format=sarif, SARIF 2.1.0 (Sarif.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "check/DiagnosticFilter.h"
#include "check/Diagnostic.h"
#include "check/FileCheck.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {

struct TreeSize {
  std::size_t Keys = 0;  // keys that hold at least one value
  std::size_t Values = 0;
};

TreeSize MeasureTree(const regstore::RegTree& tree);

// The outcome of one file, as every output format reports it.
struct FileResult {
  std::string Name;  // as messages show it; "<stdin>" for "-"
  bool Stdin = false;
  // Why the file could not be read (then Report is null), or its -o FILE
  // not written; empty when all went well.
  std::string Error;
  std::unique_ptr<FileReport> Report;
  std::vector<Diagnostic> Shown;       // after the options
  Counts Found;
  std::size_t LeftOut = 0;  // findings beyond --max-findings, not shown
  TreeSize Size;            // of the registry the installer would write
  int ExitStatus = 0;       // 0, 1 or 2 as the program's exit status

  // The installer's message box; empty when the file could not be read.
  std::string InstallerMessage() const;
};

// "7 warnings; the installer would read 2 device sections and 0 modem
// sections, write 6 values in 3 keys and show "...""
std::string SummaryText(const FileResult& result);

std::string RenderText(const std::vector<Diagnostic>& diagnostics,
                       const LineStore& lines, const std::string& file_name,
                       bool color);

// The line as shown under a message, with its caret line: control bytes
// other than tab become blanks, and a long line is shown as a window around
// the column.
std::string EchoLine(std::string_view line, std::size_t column,
                     std::size_t length, bool color = false);

std::string JsonReport(const std::vector<FileResult>& results,
                       const char* version);

std::string SarifReport(const std::vector<FileResult>& results,
                        const char* version, int exit_status);

// A file name as a URI reference: "/" separators, percent-escapes for
// bytes that a URI cannot hold; "file://" before an absolute path.
std::string FileUri(const std::string& name);

// The 1-based column in UTF-16 units (SARIF's default column kind) of the
// 1-based byte column of a line, reading the line as UTF-8 where it is.
std::size_t Utf16Column(std::string_view line, std::size_t byte_column);


// A small writer of indented JSON text, enough for the reports. Strings
// are taken as UTF-8; a byte that starts no valid UTF-8 sequence is
// written as the character of the same number, as the installer reads it,
// so that the output is always valid JSON.

// The text as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

class JsonWriter {
 public:
  JsonWriter& BeginObject() { return Open('{'); }
  JsonWriter& EndObject() { return Close('}'); }
  JsonWriter& BeginArray() { return Open('['); }
  JsonWriter& EndArray() { return Close(']'); }

  // The name of the next member of the open object.
  JsonWriter& Key(std::string_view name);

  JsonWriter& String(std::string_view text) { return Value(JsonQuote(text)); }
  JsonWriter& Number(std::uint64_t value) {
    return Value(std::to_string(value));
  }
  JsonWriter& Bool(bool value) { return Value(value ? "true" : "false"); }
  JsonWriter& Null() { return Value("null"); }

  // The text so far, ended by a line feed once every value is closed.
  std::string Text() const { return out_ + "\n"; }

 private:
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);
  JsonWriter& Value(const std::string& text);  // already JSON
  void BeforeValue();
  void NewLine();

  std::string out_;
  std::vector<bool> empty_;  // per open object or array: nothing in it yet
  bool after_key_ = false;
};

}  // namespace tarnwell::check
