// The preview is the registry the host installer really writes: for each
// configuration the installer accepts, `tarnwell-check -o` gives the bytes
// of its registry.reg, `--reg` the same text in UTF-8, and `--emit=cab` a
// cabinet whose setup file, as cabextract unpacks it, holds the same keys
// and values; with --registry the installer starts from a registry.reg
// equal to that file. And -o never overwrites an input, nor leaves half a
// file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <thread>

#include "check/CheckRun.h"
#include "regstore/Registry.h"
#include "regstore/RegFormat.h"
#include "support/StoreFiles.h"
#include "check/Text.h"
#include "regstore/Utf.h"

namespace tarnwell::check::testing {
namespace {

// ASCII as the bytes of UTF-16LE.
std::string Utf16Le(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += {c, '\0'};
  return out;
}

// A Windows CE cabinet's setup file read as its public description gives
// it: each key of REGHIVES by the names of STRINGS, each value of
// REGKEYS. False when it is not one.
bool ReadSetupFile(std::string_view f, regstore::RegTree* tree) {
  auto n = [&f](std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
      v = v << 8 | static_cast<unsigned char>(f.at(at + i));
    }
    return std::size_t{v};
  };
  if (f.substr(0, 4) != "MSCE" || n(8, 4) != f.size()) return false;
  std::map<std::size_t, std::string> strings, hives;
  for (std::size_t i = 0, at = n(60, 4); i < n(48, 2); ++i, at += 4 + n(at + 2, 2)) {
    strings[n(at, 2)] = std::string(f.substr(at + 4, n(at + 2, 2) - 1));
  }
  for (std::size_t i = 0, at = n(72, 4); i < n(54, 2); ++i, at += 8 + n(at + 6, 2)) {
    if (n(at + 2, 2) != 3) return false;  // HKEY_LOCAL_MACHINE
    std::string& path = hives[n(at, 2)] = "HKEY_LOCAL_MACHINE";
    for (std::size_t id = at + 8; n(id, 2) != 0; id += 2) {
      path += "\\" + strings.at(n(id, 2));
    }
    tree->Create(regstore::DecodeUtf16Le(Utf16Le(path)));
  }
  for (std::size_t i = 0, at = n(76, 4); i < n(56, 2); ++i, at += 12 + n(at + 10, 2)) {
    const std::string body(f.substr(at + 12, n(at + 10, 2)));
    const std::string name = body.substr(0, body.find('\0'));
    std::string data = body.substr(name.size() + 1);
    const std::uint32_t type =
        n(at + 6, 4) == 0x00010001 ? kRegDword : kRegSz;
    if (type == kRegSz) data = Utf16Le(data);  // the text and its NUL
    tree->Find(regstore::DecodeUtf16Le(Utf16Le(hives.at(n(at + 2, 2)))))
        ->SetValue(regstore::DecodeUtf16Le(Utf16Le(name)), type, data);
  }
  return true;
}

// The cabinet of the configuration in dir, unpacked by cabextract into one
// setup file, holds the registry that the installer left there.
void CompareCabinet(const fs::path& dir, const fs::path& config) {
  SCOPED_TRACE(config.string());
  const Output cab = RunProgram(
      TARNWELL_CHECK_EXE, {"-q", "--emit=cab", "-o", "out.cab", "usbcdc.cfg"}, dir);
  if (cab.Text.find("has no libgcab") != std::string::npos) return;  // ARM
  // Text outside printable ASCII, or a configuration with errors: none.
  if (!fs::exists(dir / "out.cab")) {
    EXPECT_EQ(cab.ExitCode, 1) << cab.Text;
    return;
  }
  ASSERT_TRUE(tarnwell::testing::RunTool({"/usr/bin/cabextract", "-q", "-d",
                       (dir / "unpacked").string(), (dir / "out.cab").string()}));
  const std::vector<fs::directory_entry> unpacked(
      fs::directory_iterator(dir / "unpacked"), fs::directory_iterator());
  ASSERT_EQ(unpacked.size(), 1u);
  EXPECT_EQ(unpacked[0].path().extension(), ".000");
  regstore::RegTree from_cab, from_installer;
  ASSERT_TRUE(ReadSetupFile(ReadBytes(unpacked[0].path()), &from_cab));
  if (fs::exists(dir / "registry.reg")) {
    ASSERT_TRUE(tarnwell::testing::LoadStoreFile((dir / "registry.reg").string(),
                                                 &from_installer));
  }
  EXPECT_EQ(regstore::FormatRegFile(from_cab),
            regstore::FormatRegFile(from_installer));
  // The example's, byte for byte, as the golden file has it.
  if (config == TARNWELL_EXAMPLE) {
    EXPECT_EQ(ReadBytes(unpacked[0].path()),
              ReadBytes(fs::path(CHECK_GOLDEN) / "usbcdc.000"));
  }
}

void ComparePreviews(const fs::path& start) {
  std::vector<fs::path> files = FixtureFiles();
  files.push_back(TARNWELL_EXAMPLE);
  int compared = 0;
  for (const fs::path& file : files) {
    ScratchDir scratch;
    const fs::path dir(scratch.Path());
    fs::copy_file(TARNWELL_EXE, dir / "tarnwell");
    fs::copy_file(file, dir / "usbcdc.cfg");
    std::vector<std::string> args = {"-Wno-error=utf16-file",
                                     "-Wno-error=empty-config", "-o",
                                     "preview.reg", "--reg", "usbcdc.cfg"};
    if (!start.empty()) {
      fs::copy_file(start, dir / "old.reg");
      fs::copy_file(start, dir / "registry.reg");
      args.insert(args.begin(), {"--registry", "old.reg"});
    }
    Output installer = RunProgram((dir / "tarnwell").string(), {}, dir);
    if (start.empty()) CompareCabinet(dir, file);
    // Files the installer reads as nothing are errors to the checker only;
    // made warnings, the checker fails exactly where the installer does.
    Output check = RunProgram(TARNWELL_CHECK_EXE, args, dir, true);
    EXPECT_EQ(check.ExitCode, installer.ExitCode)
        << file.filename() << ": " << check.Text;
    if (!fs::exists(dir / "registry.reg")) continue;
    const std::string store = ReadBytes(dir / "registry.reg");
    EXPECT_EQ(ReadBytes(dir / "preview.reg"), store) << file.filename();
    if (installer.ExitCode != 0) continue;
    ASSERT_GE(store.size(), 2u);
    EXPECT_EQ(check.Out,
              Utf16ToUtf8(regstore::DecodeUtf16Le(store.substr(2))))
        << file.filename();
    ++compared;
  }
  EXPECT_GE(compared, 8);
}

TEST(Preview, EqualsTheRegistryTheHostInstallerWrites) { ComparePreviews({}); }

TEST(Preview, StartsFromTheRegistryItIsGiven) {
  ComparePreviews(fs::path(CHECK_FIXTURES) / "old.reg");
}

// -o naming an input, by its name, through a link or as the file that
// standard input reads, is refused before anything is read or written; a
// write that fails leaves the old file.
TEST(Preview, TheOutputNeverOverwritesAnInput) {
  ScratchDir scratch;
  const fs::path dir(scratch.Path());
  const std::string config = "[Device]\nDLL = usbser.dll\n";
  WriteBytes(dir / "usbcdc.cfg", config);
  fs::create_hard_link(dir / "usbcdc.cfg", dir / "hard.cfg");
  fs::create_symlink("usbcdc.cfg", dir / "soft.cfg");
  fs::copy_file(fs::path(CHECK_FIXTURES) / "old.reg", dir / "old.reg");
  const std::vector<std::vector<std::string>> refused = {
      {"-o", "usbcdc.cfg"},         {"-o", "hard.cfg", "usbcdc.cfg"},
      {"-o", "soft.cfg"},           {"-o", "./soft.cfg", "hard.cfg"},
      {"--registry", "old.reg", "-oold.reg", "usbcdc.cfg"},
      {"--emit=cab", "-o", "hard.cfg", "-"}};  // what standard input reads
  for (const auto& args : refused) {
    Output run = RunProgram(TARNWELL_CHECK_EXE, args, dir, false, "usbcdc.cfg");
    EXPECT_EQ(run.ExitCode, 2) << args[1];
    EXPECT_NE(run.Text.find("is an input file"), std::string::npos)
        << run.Text;
  }
  EXPECT_EQ(ReadBytes(dir / "usbcdc.cfg"), config);
  // A link that is no input stays a link to the file written anew.
  fs::create_symlink("target.reg", dir / "link.reg");
  EXPECT_EQ(RunProgram(TARNWELL_CHECK_EXE, {"-o", "link.reg"}, dir).ExitCode, 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.reg"));
  EXPECT_EQ(ReadBytes(dir / "target.reg").substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ReadBytes(dir / "old.reg"),
            ReadBytes(fs::path(CHECK_FIXTURES) / "old.reg"));
  // A directory in the way: the write fails, and no temporary stays.
  fs::create_directory(dir / "out.reg");
  EXPECT_EQ(RunProgram(TARNWELL_CHECK_EXE, {"-o", "out.reg"}, dir).ExitCode,
            2);
  EXPECT_EQ(RunProgram(TARNWELL_CHECK_EXE, {"-o", "no/out.reg"}, dir).ExitCode,
            2);
  // A FIFO, a link to a device or into no directory is no file to replace,
  // nor is a link of another user, last on the path or before (it could
  // aim the output at any file of the user): each is refused untouched. A
  // private output stays private.
  ASSERT_EQ(mkfifo((dir / "pipe.reg").c_str(), 0600), 0);
  fs::create_symlink("/dev/null", dir / "null.reg");
  fs::create_symlink("target.reg", dir / "theirs.reg");
  fs::create_symlink("gone/x.reg", dir / "lost.reg");
  fs::create_directory_symlink(".", dir / "theirs");
  std::vector<std::string> outputs = {"pipe.reg", "null.reg", "lost.reg"};
  if (geteuid() == 0) {
    for (const char* link : {"theirs.reg", "theirs"}) {
      ASSERT_EQ(lchown((dir / link).c_str(), 65534, 65534), 0);
    }
    outputs.insert(outputs.end(), {"theirs.reg", "theirs/target.reg"});
  }
  const std::string target = ReadBytes(dir / "target.reg");
  for (const std::string& out : outputs) {
    EXPECT_EQ(RunProgram(TARNWELL_CHECK_EXE, {"-o", out}, dir).ExitCode, 2)
        << out;
  }
  EXPECT_TRUE(fs::is_fifo(dir / "pipe.reg"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(ReadBytes(dir / "target.reg"), target);
  const fs::perms mine = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(dir / "target.reg", mine);
  EXPECT_EQ(RunProgram(TARNWELL_CHECK_EXE, {"-o", "link.reg"}, dir).ExitCode, 0);
  EXPECT_EQ(fs::status(dir / "target.reg").permissions(), mine);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 12);
}

// A report that cannot reach its reader (a full disk) is no success.
TEST(Preview, AReportThatCannotBeWrittenIsExitStatus2) {
  const std::string file = std::string(CHECK_FIXTURES) + "/clean.cfg";
  // Through the shell, for the redirection; a cross build's program under
  // its emulator.
  const char* emulator = tarnwell::testing::ChildEmulator();
  const std::string program = (emulator ? std::string(emulator) + " " : "") +
                              TARNWELL_CHECK_EXE;
  for (const char* form : {"--format=json", "--reg", "--help"}) {
    const std::string command = program + " " + form + " " + file +
                                " >/dev/full 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << form;
  }
}

// Two runs that write one -o FILE at once leave one whole file, and no
// temporary beside it.
TEST(Preview, RacingWritersLeaveOneWholeFile) {
  ScratchDir scratch;
  const fs::path dir(scratch.Path());
  fs::copy_file(fs::path(CHECK_FIXTURES) / "clean.cfg", dir / "usbcdc.cfg");
  RunProgram(TARNWELL_CHECK_EXE, {"-o", "alone.reg"}, dir);
  for (int round = 0; round < 5; ++round) {
    std::thread other([&] {
      RunProgram(TARNWELL_CHECK_EXE, {"-o", "out.reg"}, dir);
    });
    RunProgram(TARNWELL_CHECK_EXE, {"-o", "out.reg"}, dir);
    other.join();
    EXPECT_EQ(ReadBytes(dir / "out.reg"), ReadBytes(dir / "alone.reg"));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);
}

}  // namespace
}  // namespace tarnwell::check::testing
