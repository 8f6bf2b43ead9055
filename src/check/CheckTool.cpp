#include "check/CheckTool.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "check/CheckOptions.h"
#include "check/Console.h"
#include "check/DiagnosticFilter.h"
#include "check/EmitFile.h"
#include "check/Explain.h"
#include "check/FileCheck.h"
#include "check/FileResult.h"
#include "check/JsonOutput.h"
#include "check/RegPreview.h"
#include "check/SarifOutput.h"
#include "check/TextOutput.h"

#ifndef TARNWELL_VERSION
#define TARNWELL_VERSION "unknown"
#endif

namespace tarnwell::check {
namespace {

using console::Stream;

constexpr char kStandardInput[] = "-";

// The file's bytes as they are, for the installer's reader.
class StreamByteSource : public ByteSource {
 public:
  explicit StreamByteSource(std::istream& in) : in_(in) {}

  Status Read(char* buffer, std::size_t capacity,
              std::size_t* count) override {
    in_.read(buffer, static_cast<std::streamsize>(capacity));
    *count = static_cast<std::size_t>(in_.gcount());
    if (*count > 0) return Status::kData;
    return in_.bad() ? Status::kError : Status::kEnd;
  }

 private:
  std::istream& in_;
};

void Say(const std::string& message) {
  console::Write(Stream::kErr, "tarnwell-check: " + message + "\n");
}

bool UseColor(ColorMode mode, Stream stream) {
  // Asked first: on a Windows console this also turns the escapes on.
  const bool terminal = mode != ColorMode::kNever && console::ShowsColor(stream);
  return ChooseColor(mode, terminal, std::getenv("NO_COLOR"),
                     std::getenv("TERM"));
}

// Checks one file into *report; the error text when it cannot be read.
std::string CheckFile(const std::string& name, FileReport* report) {
  if (name == kStandardInput) {
    std::string bytes;
    if (!console::ReadAllInput(&bytes)) return "cannot read standard input";
    MemoryByteSource source(bytes);
    if (!CheckSource(source, report)) return "cannot read standard input";
    return "";
  }
  const std::filesystem::path path = std::filesystem::u8path(name);
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    return "cannot read '" + name + "': it is a directory";
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot open '" + name + "'";
  StreamByteSource source(in);
  if (!CheckSource(source, report)) {
    return "cannot read '" + name + "' to its end";
  }
  return "";
}

bool WriteRegFile(const std::string& name, const FileReport& report) {
  std::ofstream out(std::filesystem::u8path(name),
                    std::ios::binary | std::ios::trunc);
  const std::string bytes = RegFileBytes(report.Registry.Tree());
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

int Run(const CheckOptions& options) {
  std::vector<std::string> files = options.Files;
  if (files.empty()) files.push_back("usbcdc.cfg");
  const bool text = options.Format == OutputFormat::kText;
  const bool color = text && UseColor(options.Color, Stream::kErr);

  // Reports stay alive for the machine formats, which print them at the
  // end; text is printed file by file.
  std::vector<std::unique_ptr<FileReport>> reports;
  std::vector<FileResult> results;
  int status = 0;
  for (const std::string& file : files) {
    FileResult result;
    result.Name = file == kStandardInput ? "<stdin>" : file;
    auto report = std::make_unique<FileReport>();
    result.Error = CheckFile(file, report.get());
    if (!result.Error.empty()) {
      Say(result.Error);
      result.ExitStatus = 2;
    } else {
      result.Report = report.get();
      result.Shown = ApplyOptions(report->Diagnostics, options, &result.Found);
      result.Size = MeasureTree(report->Registry.Tree());
      result.ExitStatus = report->Read && report->Written &&
                                  result.Found.Errors == 0
                              ? 0
                              : 1;
      if (text) {
        console::Write(Stream::kErr, RenderText(result.Shown, report->Lines,
                                                result.Name, color));
      }
      std::string emitted;
      if (!options.Emit.empty()) {
        result.ExitStatus = std::max(result.ExitStatus, EmitFile(options.Emit,
            options.OutputFile, *report, result.Name, TARNWELL_VERSION, &emitted));
        if (!emitted.empty()) Say(emitted);
      } else if (!options.OutputFile.empty() &&
                 !WriteRegFile(options.OutputFile, *report)) {
        Say("cannot write '" + options.OutputFile + "'");
        result.ExitStatus = 2;
      }
      if (options.PrintReg) {
        console::Write(Stream::kOut, RegTextUtf8(report->Registry.Tree()));
      }
      if (text && !options.Quiet) {
        console::Write(Stream::kErr,
                       result.Name + ": " + SummaryText(result) + "\n");
      }
    }
    status = std::max(status, result.ExitStatus);
    if (text) {
      report.reset();  // the next file need not share memory with this one
    } else {
      reports.push_back(std::move(report));
      results.push_back(std::move(result));
    }
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
  if (options.Help) {
    console::Write(Stream::kOut, CheckUsage());
    return 0;
  }
  if (options.Version) {
    console::Write(Stream::kOut,
                   std::string("tarnwell-check ") + TARNWELL_VERSION + "\n");
    return 0;
  }
  if (options.ListChecks) {
    console::Write(Stream::kOut, ListChecksText());
    return 0;
  }
  if (!options.Explain.empty()) {
    const CheckInfo* info = FindCheck(options.Explain);
    if (info == nullptr) {
      Say("no check is named '" + options.Explain +
          "'; --list-checks lists them");
      return 2;
    }
    console::Write(Stream::kOut, ExplainText(*info));
    return 0;
  }
  return Run(options);
}

}  // namespace

int RunCheckTool(const std::vector<std::string>& args) {
  console::Prepare();
  CheckOptions options;
  std::string error;
  if (!ParseCheckOptions(args, &options, &error)) {
    console::Write(Stream::kErr,
                   "tarnwell-check: " + error +
                       "\nTry 'tarnwell-check --help' for more information.\n");
    return 2;
  }
  try {
    return RunOptions(options);
  } catch (const std::bad_alloc&) {
    Say("out of memory");
    return 2;
  }
}

}  // namespace tarnwell::check
