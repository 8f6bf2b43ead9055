// The checker's command line: what each form of an option sets, and each
// mistake refused with a message that names it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "check/CheckOptions.h"

namespace tarnwell::check {
namespace {

using Args = std::vector<std::string>;

CheckOptions Parse(const Args& args) {
  CheckOptions options;
  std::string error;
  EXPECT_TRUE(ParseCheckOptions(args, &options, &error)) << error;
  return options;
}

TEST(CheckOptions, MistakesAreRefusedWithWhatWasWrong) {
  const struct {
    Args Given;
    const char* Error;
  } cases[] = {
      {{"-Wno-error=bogus"}, "unknown check 'bogus'"},
      {{"-Wno-missing-dll"}, "'missing-dll' cannot be turned off"},
      {{"-Wno-error=unwritable-text"}, "'unwritable-text' cannot be turned off: --emit"},
      {{"--explain=bogus"}, "no check is named 'bogus'"},
      {{"--registry"}, "option --registry needs a file name"},
      {{"--max-findings=-1"}, "option --max-findings takes a number"},
      {{"--max-findings", "1k"}, "option --max-findings takes a number"},
      {{"-w1"}, "unknown option '-w1'"},
      {{"--explain"}, "option --explain needs the name of a check"},
      {{"--format"}, "option --format takes text, json or sarif"},
      {{"--format=xml"}, "option --format takes text, json or sarif"},
      {{"--color=sometimes"}, "option --color takes auto, always or never"},
      {{"-o"}, "option -o needs a file name"},
      {{"a.cfg", "-oout.reg", "b.cfg"},
       "-o writes the registry of one file; 2 files were given"},
      {{"--reg", "--format=sarif"}, "--reg prints to standard output"},
      {{"-W"}, "unknown option '-W'"},
      {{"--formatting", "json"}, "unknown option '--formatting'"},
      {{"--colorful"}, "unknown option '--colorful'"},
      // Longer than the header's 16-bit offsets allow, and names a device
      // cannot make files of.
      {{"--cab-name", std::string(41, 'a')}, "option --cab-name takes 1 to 40"},
      {{"--cab-provider=A:B"}, "option --cab-provider takes 1 to 30"},
      {{"--cab-name="}, "option --cab-name takes"},
      {{"--cab-name=a\tb"}, "option --cab-name takes"},
      {{"--cab-provider=Caf\xC3\xA9"}, "option --cab-provider takes"},
      {{"--cab-name=.."}, "option --cab-name takes"},
      {{"--cab-name=Acme "}, "option --cab-name takes"},
      {{"--cab-name= Acme"}, "option --cab-name takes"},
      {{"--cab-provider=com1.txt"}, "option --cab-provider takes"},
      {{"--cab-name=Nul"}, "option --cab-name takes"},
      {{"--cab-name=CON .inf"}, "option --cab-name takes"},
      {{"--cab-provider=conout$"}, "option --cab-provider takes"},
      {{"--emit=cab", "-o", "-"}, "-o writes a file, never standard output"},
      {{"--registry", "-", "-"}, "standard input ('-') is read once"},
      {{"-", "a.cfg", "-"}, "standard input ('-') is read once"},
  };
  for (const auto& c : cases) {
    CheckOptions options;
    std::string error;
    EXPECT_FALSE(ParseCheckOptions(c.Given, &options, &error)) << c.Error;
    EXPECT_EQ(error.rfind(c.Error, 0), 0u) << error;
  }
}

TEST(CheckOptions, EachFormSetsWhatItSays) {
  EXPECT_EQ(Parse({"--", "-q", "--reg"}).Files, (Args{"-q", "--reg"}));
  EXPECT_EQ(Parse({"-", "-q"}).Files, Args{"-"});
  EXPECT_TRUE(Parse({"-q"}).Quiet);
  EXPECT_FALSE(Parse({"--", "-q"}).Quiet);
  EXPECT_EQ(Parse({"--format=json", "--format", "text"}).Format,
            OutputFormat::kText);
  EXPECT_EQ(Parse({"--color=never", "--colour"}).Color, ColorMode::kAlways);
  EXPECT_EQ(Parse({"--color=never", "--color"}).Color, ColorMode::kAlways);
  EXPECT_EQ(Parse({"--color=always", "--color=auto"}).Color, ColorMode::kAuto);
  EXPECT_EQ(Parse({"--colour=never"}).Color, ColorMode::kNever);
  EXPECT_EQ(Parse({"-oout.reg", "a.cfg"}).OutputFile, "out.reg");
  EXPECT_EQ(Parse({"--explain=hex-count"}).Explain, "hex-count");
  EXPECT_EQ(Parse({"--registry", "old.reg"}).RegistryFile, "old.reg");
  // GCC's spellings; the last of -Werror and -Wno-error holds.
  EXPECT_TRUE(Parse({"-Wno-error", "-Werror"}).WarningsAreErrors);
  EXPECT_FALSE(Parse({"--werror", "-Wall", "-Wextra", "-Wno-error"})
                   .WarningsAreErrors);
  EXPECT_TRUE(Parse({"-w"}).NoWarnings);
  // --max-findings: 0 is no limit; the default follows the format.
  EXPECT_EQ(Parse({"--max-findings=7"}).MaxFindings, 7u);
  EXPECT_EQ(Parse({"--max-findings", "0"}).MaxFindings, SIZE_MAX);
  // Beyond a 32-bit size (the device's) or any number: no limit, not cut.
  EXPECT_EQ(Parse({"--max-findings=4294967296"}).MaxFindings,
            std::min<unsigned long long>(4294967296ull, SIZE_MAX));
  EXPECT_EQ(Parse({"--max-findings=99999999999999999999"}).MaxFindings,
            SIZE_MAX);
  EXPECT_EQ(Parse({}).MaxFindings, kTextMaxFindings);
  EXPECT_EQ(Parse({"--format=sarif"}).MaxFindings, kSarifMaxFindings);
}

TEST(CheckOptions, TheLastWordOnACheckHolds) {
  const CheckOptions off_on = Parse({"-Wno-hex-count", "-Whex-count"});
  EXPECT_FALSE(off_on.SettingOf(Check::kHexCount).Off);
  const CheckOptions on_off = Parse({"-Whex-count", "-Wno-hex-count"});
  EXPECT_TRUE(on_off.SettingOf(Check::kHexCount).Off);
  const CheckSetting error_noerror =
      Parse({"-Werror=hex-count", "-Wno-error=hex-count"})
          .SettingOf(Check::kHexCount);
  EXPECT_FALSE(error_noerror.Error);
  EXPECT_TRUE(error_noerror.NoError);
  EXPECT_FALSE(off_on.SettingOf(Check::kTextCut).Off);  // others untouched
  // Options never parsed hold every check at its default.
  EXPECT_FALSE(CheckOptions{}.SettingOf(Check::kHexCount).Off);
}

}  // namespace
}  // namespace tarnwell::check
