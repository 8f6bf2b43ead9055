#include "check/Console.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "check/CheckOptions.h"
#include "check/Emit.h"
#include "platform/Cabinet.h"
#include "platform/OutputFile.h"
#include "check/FileCheck.h"
#include "check/Report.h"
#include "check/Text.h"
#include "regstore/RegFormat.h"
#include "regstore/RegParse.h"
#include "regstore/RegSyntax.h"
#include "regstore/Utf.h"

#ifndef TARNWELL_VERSION
#define TARNWELL_VERSION "unknown"
#endif

namespace tarnwell::check {
namespace {

using console::Stream;

constexpr char kStandardInput[] = "-";

void Say(const std::string& message) {
  // File names come as the user typed them, in any bytes.
  console::Write(Stream::kErr, "tarnwell-check: " + Printable(message) + "\n");
}

bool UseColor(ColorMode mode, Stream stream) {
  // Asked first: on a Windows console this also turns the escapes on.
  const bool terminal =
      mode != ColorMode::kNever && console::ShowsColor(stream);
  return ChooseColor(mode, terminal, std::getenv("NO_COLOR"),
                     std::getenv("TERM"));
}

std::filesystem::path PathOf(const std::string& name) {
  return std::filesystem::u8path(name);
}

// Every byte of the stream; false when reading failed before its end.
bool ReadAll(std::istream& in, std::string* bytes) {
  char buffer[64 * 1024];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes->append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  return !in.bad();
}

// The whole file, or standard input for "-" (bytes, once console::Prepare
// has set its mode); the error text when it cannot be read.
std::string ReadWhole(const std::string& name, std::string* bytes) {
  if (name == kStandardInput) {
    return ReadAll(std::cin, bytes) ? "" : "cannot read standard input";
  }
  std::error_code ec;
  if (std::filesystem::is_directory(PathOf(name), ec)) {
    return "cannot read '" + name + "': it is a directory";
  }
  std::ifstream in(PathOf(name), std::ios::binary);
  if (!in) {
    return "cannot open '" + name + "': " + std::strerror(errno);
  }
  return ReadAll(in, bytes) ? "" : "cannot read '" + name + "' to its end";
}

// The registry to start from, taken once by the store's own parser; the
// error text when it cannot be.
std::string ReadRegistry(const std::string& name, StartRegistry* start) {
  start->Name = name;
  if (std::string error = ReadWhole(name, &start->Bytes); !error.empty()) {
    return error;
  }
  const regstore::ParseResult parsed =
      regstore::ParseRegFileBytes(start->Bytes, start->Tree);
  if (parsed.Ok) return "";
  return "'" + name + "' is not a regedit 5.00 export that the store reads" +
         (parsed.Line > 0 ? " (line " + std::to_string(parsed.Line) + ")"
                          : std::string());
}

// Whether -o names one of the inputs, through links too: the same file,
// or the one standard input reads when an input is "-".
bool OutputIsInput(const CheckOptions& options) {
  std::vector<std::string> inputs = options.Files;
  inputs.push_back(options.RegistryFile);
  for (const std::string& input : inputs) {
    std::error_code ec;
    if (input == kStandardInput
            ? platform::IsStandardInput(options.OutputFile)
            : !input.empty() &&
                  std::filesystem::equivalent(PathOf(options.OutputFile),
                                              PathOf(input), ec)) {
      return true;
    }
  }
  return false;
}

// Why a file could not be written, from the platform's error code; nothing
// where the code says no more than that it failed.
std::string WriteFailure(std::int32_t code) {
  static const struct {
    std::int32_t Code;
    const char* Why;
  } kWhy[] = {{kErrorFileNotFound, "no such directory"},
              {3, "no such directory"},  // ERROR_PATH_NOT_FOUND
              {kErrorAccessDenied, "permission denied"},
              {kErrorDiskFull, "the disk is full"},
              {kErrorFilenameTooLong, "the name is too long"},
              {kErrorCantResolveFilename, "too many symbolic links"}};
  for (const auto& row : kWhy) {
    if (row.Code == code) return std::string(": ") + row.Why;
  }
  return "";
}

// The bytes the installer's store leaves: the registry it started from as
// it was when nothing changed, else the whole tree written anew.
std::string RegFileOf(const FileReport& report, const StartRegistry* start) {
  if (start != nullptr && !report.Log->Changed()) return start->Bytes;
  return regstore::FormatRegFileBytes(report.Log->Tree());
}

int Run(const CheckOptions& options) {
  const bool text = options.Format == OutputFormat::kText;
  const bool color = text && UseColor(options.Color, Stream::kErr);
  StartRegistry registry;
  const StartRegistry* start = nullptr;
  // A start that cannot be read is every file's error: the machine formats
  // report it for each, text says it once.
  std::string no_start;
  if (!options.RegistryFile.empty()) {
    no_start = ReadRegistry(options.RegistryFile, &registry);
    if (!no_start.empty()) Say(no_start);
    if (!no_start.empty() && text) return 2;
    start = &registry;
  }

  // Kept for the machine formats, which print them at the end; text is
  // printed file by file.
  std::vector<FileResult> results;
  std::size_t budget = options.MaxFindings;
  int status = 0;
  for (const std::string& file : options.Files) {
    FileResult result;
    result.Stdin = file == kStandardInput;
    result.Name = result.Stdin ? "<stdin>" : file;
    std::string bytes;
    result.Error = no_start.empty() ? ReadWhole(file, &bytes) : no_start;
    if (!result.Error.empty()) {
      if (no_start.empty()) Say(result.Error);
      result.ExitStatus = 2;
    } else {
      result.Report = std::make_unique<FileReport>();
      FileReport* report = result.Report.get();
      CheckBytes(bytes, report, start);
      // What --emit cannot write is an error of the file, as any other.
      const EmitKind kind = options.Emit;
      Diagnostic refusal;
      const bool emit = !options.EmitName.empty();
      const bool refused = emit && FindUnwritable(kind, *report, &refusal);
      if (refused) report->Diagnostics.push_back(std::move(refusal));
      if (emit && kind == EmitKind::kCab && !refused) {
        for (Diagnostic& note : EmptyKeyNotes(*report)) {
          report->Diagnostics.push_back(std::move(note));
        }
      }
      result.Shown = ApplyOptions(report->Diagnostics, options, &result.Found,
                                  report->Disabled);
      result.LeftOut = KeepWithin(&result.Shown, budget, options.MaxFindings);
      budget -= std::min(budget, result.Shown.size());
      result.Size = MeasureTree(report->Log->Tree());
      result.ExitStatus =
          report->Read && report->Written && result.Found.Errors == 0 ? 0 : 1;
      if (text) {
        console::Write(Stream::kErr, RenderText(result.Shown, report->Lines,
                                                result.Name, color));
      }
      std::string bytes;
      // A configuration with errors gets no file: a device would take an
      // empty one as any other, and a cabinet of the same names replaces
      // the one installed, values and all.
      bool made = !emit || result.ExitStatus == 0;
      if (emit && !made && !refused) {
        Say("no " + options.EmitName + " file is written for a configuration "
            "with errors");
      }
      if (emit && made) {
        bytes = Emit(kind, *report, result.Name, TARNWELL_VERSION, options.Cab);
        if (kind == EmitKind::kCab) {
          std::string setup, why;
          setup.swap(bytes);
          made = platform::MakeCabinet(kSetupFileName, setup, &bytes, &why);
          if (!made) {
            result.Error = "cannot make the cabinet: " + why;
            Say(result.Error);
            result.ExitStatus = 2;
          }
        }
      } else if (!emit && !options.OutputFile.empty()) {
        bytes = RegFileOf(*report, start);
      }
      platform::OutputRefusal refused_output = platform::OutputRefusal::kNone;
      const std::int32_t written =
          options.OutputFile.empty() || !made
              ? kErrorSuccess
              : platform::ReplaceFile(options.OutputFile, bytes, &refused_output);
      if (written != kErrorSuccess) {
        static const char* const kWhy[] = {
            "", ": it is not a regular file",
            ": its path leads through a symbolic link of another user"};
        result.Error = "cannot write '" + options.OutputFile + "'" +
                       (refused_output == platform::OutputRefusal::kNone
                            ? WriteFailure(written)
                            : kWhy[static_cast<int>(refused_output)]);
        Say(result.Error);
        result.ExitStatus = 2;
      }
      if (options.PrintReg) {
        // What -o writes, as UTF-8: the start's own text when the run
        // changes nothing, as the installer then leaves the file alone.
        const std::string file = RegFileOf(*report, start);
        console::Write(Stream::kOut,
                       Utf16ToUtf8(regstore::DecodeUtf16Le(
                           std::string_view(file).substr(
                               regstore::kByteOrderMark.size()))));
      }
      if (text && !options.Quiet) {
        console::Write(Stream::kErr,
                       Printable(result.Name) + ": " + SummaryText(result) + "\n");
      }
    }
    status = std::max(status, result.ExitStatus);
    if (!text) results.push_back(std::move(result));
  }
  if (options.Format == OutputFormat::kJson) {
    console::Write(Stream::kOut, JsonReport(results, TARNWELL_VERSION));
  } else if (options.Format == OutputFormat::kSarif) {
    console::Write(Stream::kOut,
                   SarifReport(results, TARNWELL_VERSION, status));
  }
  return status;
}

int RunOptions(const CheckOptions& options) {
  std::string text;
  if (options.Help) {
    text = CheckUsage();
  } else if (options.Version) {
    text = std::string("tarnwell-check ") + TARNWELL_VERSION + "\n";
  } else if (options.ListChecks) {
    text = ListChecksText();
  } else if (!options.Explain.empty()) {
    text = ExplainText(*FindCheck(options.Explain));
  } else {
    return Run(options);
  }
  console::Write(Stream::kOut, text);
  return 0;
}

}  // namespace

int RunCheckTool(const std::vector<std::string>& args) {
  console::Prepare();
  CheckOptions options;
  std::string error;
  bool parsed = ParseCheckOptions(args, &options, &error);
  if (parsed && !options.OutputFile.empty() && OutputIsInput(options)) {
    error = "-o '" + options.OutputFile +
            "' is an input file; the output never overwrites an input";
    parsed = false;
  }
  if (!parsed) {
    Say(error + "\nTry 'tarnwell-check --help' for more information.");
    return 2;
  }
  try {
    const int status = RunOptions(options);
    return console::LostOutput() ? 2 : status;
  } catch (const std::bad_alloc&) {
    Say("out of memory");
    return 2;
  }
}

}  // namespace tarnwell::check
