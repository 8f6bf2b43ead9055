#include "check/CheckTool.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <system_error>

#include "check/CheckOptions.h"
#include "check/ConfigChecker.h"
#include "check/Diagnostics.h"
#include "check/RegPreview.h"
#include "check/SharedValues.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "platform/regfile/TreeRegistry.h"

#ifndef TARNWELL_VERSION
#define TARNWELL_VERSION "unknown"
#endif

namespace tarnwell::check {
namespace {

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

void Put(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

std::string Plural(std::size_t n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
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

std::string SectionsText(const InstallConfig& config) {
  std::string out = Plural(config.Devices.size(), "device section");
  out += " and ";
  out += Plural(config.Modems.size(), "modem section");
  return out;
}

int Fail(const std::string& message) {
  Put(stderr, "tarnwell-check: " + message + "\n");
  return 2;
}

int Run(const CheckOptions& options) {
  std::error_code ec;
  if (std::filesystem::is_directory(options.File, ec)) {
    return Fail("cannot read '" + options.File + "': it is a directory");
  }
  std::ifstream in(options.File, std::ios::binary);
  if (!in) return Fail("cannot open '" + options.File + "'");

  ConfigChecker checker;
  InstallConfig config;
  StreamByteSource source(in);
  const bool read = ReadConfigSource(config, source, &checker);
  if (checker.ReadFailedBeforeEnd()) {
    return Fail("cannot read '" + options.File + "' to its end");
  }

  regstore::TreeRegistry registry;
  bool written = true;
  if (read) {
    written = config.WriteConfigToRegistry(registry);
    for (Diagnostic& d :
         SharedValueDiagnostics(config, checker.Devices(), checker.Modems())) {
      checker.Diagnostics().push_back(std::move(d));
    }
  }

  PrintOptions print;
  print.WarningsAreErrors = options.WarningsAreErrors;
  print.Quiet = options.Quiet;
  Counts counts;
  Put(stderr, RenderDiagnostics(checker.Diagnostics(), checker.Lines(),
                                options.File, print, &counts));

  if (!options.OutputFile.empty()) {
    std::ofstream out(options.OutputFile, std::ios::binary | std::ios::trunc);
    std::string bytes = RegFileBytes(registry.Tree());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return Fail("cannot write '" + options.OutputFile + "'");
  }
  if (options.PrintReg) Put(stdout, RegTextUtf8(registry.Tree()));

  if (!options.Quiet) {
    std::string outcome;
    if (!read) {
      outcome = "the installer would show \"Read configuration file "
                "failed!\" and write nothing";
    } else {
      TreeSize size = MeasureTree(registry.Tree());
      outcome = "the installer would read " + SectionsText(config) +
                ", write " + Plural(size.Values, "value") + " in " +
                Plural(size.Keys, "key") + " and show ";
      outcome += written
                     ? "\"Configuration successfully written to the "
                       "registry!\""
                     : "\"Write configuration to registry failed!\"";
    }
    Put(stderr, options.File + ": " + CountText(counts) + "; " + outcome +
                    "\n");
  }
  return read && written && counts.Errors == 0 ? 0 : 1;
}

}  // namespace

int RunCheckTool(int argc, char** argv) {
  CheckOptions options;
  std::string error;
  if (!ParseCheckOptions(argc, argv, &options, &error)) {
    Put(stderr, "tarnwell-check: " + error +
                    "\nTry 'tarnwell-check --help' for more information.\n");
    return 2;
  }
  if (options.Help) {
    Put(stdout, CheckUsage());
    return 0;
  }
  if (options.Version) {
    Put(stdout, std::string("tarnwell-check ") + TARNWELL_VERSION + "\n");
    return 0;
  }
  try {
    return Run(options);
  } catch (const std::bad_alloc&) {
    return Fail("out of memory");
  }
}

}  // namespace tarnwell::check
