// Runs tarnwell-check on the fixture files and compares its whole output
// and exit status with the expectations in golden/. Each expectation starts
// with the command line ("$ tarnwell-check ARGS", "< FILE" at its end giving
// standard input) and ends with the exit status ("[exit N]"); the version
// is written @PROJECT_VERSION@, so that a new version changes none of them.
// The Wine tests run the same expectations through tarnwell-check.exe.
// TARNWELL_UPDATE_GOLDEN=1 rewrites them from the current output, to be
// reviewed before they are checked in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "check/CheckRun.h"
#include "check/Diagnostic.h"

namespace tarnwell::check::testing {
namespace {

constexpr char kPrompt[] = "$ tarnwell-check";
constexpr char kVersionMark[] = "@PROJECT_VERSION@";

std::string ReplaceAll(std::string text, const std::string& from,
                       const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::vector<fs::path> GoldenFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(CHECK_GOLDEN)) {
    if (entry.path().extension() == ".expected") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> Arguments(const std::string& command,
                                   std::string* input) {
  std::istringstream words(command.substr(sizeof kPrompt - 1));
  std::vector<std::string> args;
  for (std::string word; words >> word;) {
    if (word == "<") {
      words >> *input;
    } else {
      args.push_back(word);
    }
  }
  return args;
}

class GoldenTest : public ::testing::TestWithParam<fs::path> {};

TEST_P(GoldenTest, OutputAndExitStatusMatch) {
  const std::string expected =
      ReplaceAll(ReadBytes(GetParam()), kVersionMark, TARNWELL_VERSION);
  const std::size_t end_of_command = expected.find('\n');
  ASSERT_NE(end_of_command, std::string::npos);
  const std::string command = expected.substr(0, end_of_command);
  ASSERT_EQ(command.rfind(kPrompt, 0), 0u) << "first line must be the command";

  std::string input;
  const std::vector<std::string> args = Arguments(command, &input);
  Output run = RunProgram(TARNWELL_CHECK_EXE, args, CHECK_FIXTURES, false,
                          input);
  const std::string actual = command + "\n" + run.Text + "[exit " +
                             std::to_string(run.ExitCode) + "]\n";
  const char* update = std::getenv("TARNWELL_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    WriteBytes(GetParam(),
               ReplaceAll(actual, TARNWELL_VERSION, kVersionMark));
    return;
  }
  EXPECT_EQ(actual, expected) << "for " << GetParam().filename();
}

std::string NameOf(const ::testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.stem().string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GoldenTest,
                         ::testing::ValuesIn(GoldenFiles()), NameOf);

// Every fixture has at least one expectation, so none is left unchecked.
TEST(GoldenFiles, EveryFixtureIsRun) {
  std::string all;
  for (const fs::path& golden : GoldenFiles()) {
    const std::string text = ReadBytes(golden);
    std::string command = text.substr(0, text.find('\n'));
    // Without a file the tool reads usbcdc.cfg.
    if (command.find(".cfg") == std::string::npos) command += " usbcdc.cfg";
    all += command + " \n";
  }
  for (const fs::path& fixture : FixtureFiles()) {
    EXPECT_NE(all.find(" " + fixture.filename().string() + " "),
              std::string::npos)
        << fixture.filename() << " has no expectation in golden/";
  }
}

// Every check has its document, whole: a file named wrongly or a part
// misspelt leaves the explanation without it.
TEST(GoldenFiles, EveryCheckIsExplained) {
  for (const CheckInfo& info : kChecks) {
    const Explanation e = ExplanationOf(info);
    for (const std::string* part : {&e.Summary, &e.Does, &e.Wrong, &e.Right, &e.Fix}) {
      EXPECT_FALSE(part->empty()) << info.Name;
    }
  }
}

}  // namespace
}  // namespace tarnwell::check::testing
