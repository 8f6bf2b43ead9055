// The preview is the registry the host installer really writes: for each
// configuration the installer accepts, `tarnwell-check -o` gives the bytes
// of its registry.reg, and `--reg` the same text in UTF-8.
#include <gtest/gtest.h>

#include "check/CheckRun.h"
#include "check/Text.h"
#include "regstore/Utf.h"

namespace tarnwell::check::testing {
namespace {

TEST(Preview, EqualsTheRegistryTheHostInstallerWrites) {
  std::vector<fs::path> files = FixtureFiles();
  files.push_back(TARNWELL_EXAMPLE);
  int compared = 0;
  for (const fs::path& file : files) {
    ScratchDir scratch;
    const fs::path dir(scratch.Path());
    fs::copy_file(TARNWELL_EXE, dir / "tarnwell");
    fs::copy_file(file, dir / "usbcdc.cfg");
    Output installer = RunProgram((dir / "tarnwell").string(), {},
                                  dir);
    // Files the installer reads as nothing are errors to the checker only;
    // made warnings, the checker fails exactly where the installer does.
    Output check = RunProgram(TARNWELL_CHECK_EXE,
                              {"-Wno-error=utf16-file", "-Wno-error=empty-config",
                               "-o", "preview.reg", "--reg", "usbcdc.cfg"},
                              dir, true);
    EXPECT_EQ(check.ExitCode, installer.ExitCode)
        << file.filename() << ": " << check.Text;
    if (installer.ExitCode != 0 || !fs::exists(dir / "registry.reg")) {
      continue;
    }
    const std::string store = ReadBytes(dir / "registry.reg");
    EXPECT_EQ(ReadBytes(dir / "preview.reg"), store) << file.filename();
    ASSERT_GE(store.size(), 2u);
    EXPECT_EQ(check.Out,
              Utf16ToUtf8(regstore::DecodeUtf16Le(store.substr(2))))
        << file.filename();
    ++compared;
  }
  EXPECT_GE(compared, 8);
}

}  // namespace
}  // namespace tarnwell::check::testing
