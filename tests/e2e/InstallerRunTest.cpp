// The built installer, run as a user runs it: copied into a directory of
// its own beside a usbcdc.cfg.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/InstallerDir.h"
#include "regstore/Utf.h"
#include "support/RegistryDump.h"

namespace tarnwell {
namespace {

using testing::InstallerDir;
using testing::RunResult;
using testing::ValueAt;

constexpr char kSuccess[] =
    "Success: Configuration successfully written to the registry!\n";
constexpr char kReadFailed[] = "Error: Read configuration file failed!\n";
constexpr char kWriteFailed[] =
    "Error: Write configuration to registry failed!\n";

const std::string kDevice =
    "[Serial]\nDLL=usbcdc.dll\nVID=0525\nPID=A4A7\nIFC_Class=2\n"
    "IFC_Disable=3\n";

void ExpectSuccess(const RunResult& r) {
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.Out, kSuccess);
  EXPECT_EQ(r.Err, "");
}

void ExpectFailure(const RunResult& r, const std::string& messages) {
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, messages);
}

TEST(InstallerRun, ExampleConfigurationWritesEveryKey) {
  InstallerDir dir(TARNWELL_EXE);
  dir.WriteConfig(testing::ReadFileBytes(TARNWELL_EXAMPLE));
  ExpectSuccess(dir.Run());
  regstore::RegTree tree;
  ASSERT_TRUE(dir.LoadStore(&tree));
  EXPECT_EQ(ValueAt(tree,
                    u"Drivers\\USB\\LoadClients\\1317_42151\\Default\\2_2_1\\"
                    u"USBCDC_Driver",
                    u"Dll"),
            "sz:usbcdc.dll");
  EXPECT_EQ(ValueAt(tree, u"Drivers\\USB\\ClientDrivers\\USBCDC_Config\\"
                          u"VID_0525&PID_A4A7&IFC_04",
                    u"Disable"),
            "dword:1");
  EXPECT_EQ(ValueAt(tree,
                    u"Drivers\\USB\\ClientDrivers\\USBCDC_COM_Template\\"
                    u"Unimodem\\Init",
                    u"3"),
            "sz:AT+CGDCONT=1,\"IP\",\"internet\"<cr>");
}

TEST(InstallerRun, StoreIsARegeditFile) {
  InstallerDir dir(TARNWELL_EXE);
  dir.WriteConfig(kDevice);
  ExpectSuccess(dir.Run());
  std::string bytes = testing::ReadFileBytes(dir.Store());
  std::u16string text = regstore::DecodeUtf16Le(bytes);
  ASSERT_GE(text.size(), 40u);
  EXPECT_EQ(text.substr(0, 39),
            u"\uFEFFWindows Registry Editor Version 5.00\r\n");
  EXPECT_NE(text.find(u"\r\n[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\"
                      u"USBCDC_Template_Default]\r\n\"Dll\"=\"usbcdc.dll\"\r\n"),
            std::u16string::npos);
  EXPECT_NE(text.find(u"\"Disable\"=dword:00000001\r\n"), std::u16string::npos);
  EXPECT_EQ(text.find(u"\n\n"), std::u16string::npos) << "every line ends CRLF";
}

TEST(InstallerRun, ReadFailuresWriteNothing) {
  struct Case {
    const char* Name;
    const char* Config;  // null: no file at all
  } cases[] = {
      {"missing file", nullptr},
      {"last section without DLL", "[a]\nDLL=a\n[b]\nVID=1\n"},
      {"first section without DLL", "[a]\nVID=1\n[b]\nDLL=b\n"},
      {"modem without DLL", "[MODEM SETTINGS]\nTSP=x\n"},
  };
  for (const Case& c : cases) {
    InstallerDir dir(TARNWELL_EXE);
    if (c.Config != nullptr) dir.WriteConfig(c.Config);
    SCOPED_TRACE(c.Name);
    ExpectFailure(dir.Run(), kReadFailed);
    EXPECT_FALSE(testing::FileExists(dir.Store()));
  }
}

TEST(InstallerRun, NothingToWriteIsSuccess) {
  InstallerDir dir(TARNWELL_EXE);
  dir.WriteConfig("; only a comment\n\n   # another\nDLL=ignored.dll\n");
  ExpectSuccess(dir.Run());
  EXPECT_FALSE(testing::FileExists(dir.Store()));
}

TEST(InstallerRun, ArgumentsChangeNothing) {
  InstallerDir plain(TARNWELL_EXE), with_args(TARNWELL_EXE);
  plain.WriteConfig(kDevice);
  with_args.WriteConfig(kDevice);
  ExpectSuccess(plain.Run());
  ExpectSuccess(with_args.Run({"--help", "/s", "other.cfg"}));
  EXPECT_EQ(testing::ReadFileBytes(plain.Store()),
            testing::ReadFileBytes(with_args.Store()));
}

TEST(InstallerRun, ExistingValuesSurviveAndRunsAccumulate) {
  InstallerDir dir(TARNWELL_EXE);
  dir.WriteConfig(kDevice);
  ExpectSuccess(dir.Run());
  dir.WriteConfig("[MODEM SETTINGS]\nDLL=modem.dll\nVID=1\n");
  ExpectSuccess(dir.Run());
  regstore::RegTree tree;
  ASSERT_TRUE(dir.LoadStore(&tree));
  EXPECT_EQ(ValueAt(tree, u"Drivers\\USB\\ClientDrivers\\USBCDC_Template_Default",
                    u"Dll"),
            "sz:usbcdc.dll");
  EXPECT_EQ(ValueAt(tree, u"Drivers\\USB\\ClientDrivers\\USBCDC_COM_Template",
                    u"DLL"),
            "sz:modem.dll");
}

TEST(InstallerRun, ForeignKeysAndCaseInTheStoreAreKept) {
  InstallerDir dir(TARNWELL_EXE);
  testing::WriteFileBytes(
      dir.Store(),
      testing::StoreBytes(
                       u"Windows Registry Editor Version 5.00\r\n\r\n"
                       u"[HKEY_LOCAL_MACHINE\\DRIVERS\\usb\\ClientDrivers\\"
                       u"USBCDC_Template_Default]\r\n"
                       u"\"DLL\"=\"old.dll\"\r\n\"Keep\"=dword:00000007\r\n\r\n"
                       u"[HKEY_CURRENT_USER\\Other]\r\n\"x\"=\"y\"\r\n\r\n"));
  dir.WriteConfig(kDevice);
  ExpectSuccess(dir.Run());
  std::u16string text =
      regstore::DecodeUtf16Le(testing::ReadFileBytes(dir.Store()));
  EXPECT_NE(text.find(u"[HKEY_LOCAL_MACHINE\\DRIVERS\\usb\\ClientDrivers\\"
                      u"USBCDC_Template_Default]\r\n\"DLL\"=\"usbcdc.dll\"\r\n"
                      u"\"Keep\"=dword:00000007\r\n"),
            std::u16string::npos)
      << "names keep their first spelling; the old value is replaced in place";
  EXPECT_NE(text.find(u"[HKEY_CURRENT_USER\\Other]\r\n\"x\"=\"y\""),
            std::u16string::npos);
}

TEST(InstallerRun, UnreadableStoreFailsTheWriteAndStaysAsItWas) {
  const std::string stores[] = {
      "garbage that is not a registry file",
      testing::StoreBytes(u"REGEDIT4\r\n"),
      "Windows Registry Editor Version 5.00\r\n",  // UTF-8, not UTF-16
  };
  for (const std::string& store : stores) {
    InstallerDir dir(TARNWELL_EXE);
    testing::WriteFileBytes(dir.Store(), store);
    dir.WriteConfig(kDevice);
    ExpectFailure(dir.Run(), kWriteFailed);
    EXPECT_EQ(testing::ReadFileBytes(dir.Store()), store);
  }
}

TEST(InstallerRun, DirectoryNamesKeepEveryCharacter) {
  // Cyrillic, Chinese, and bytes that are not UTF-8 at all.
  for (const std::string sub :
       {"\xD0\x9A\xD0\xBE\xD0\xBD\xD1\x84\xD0\xB8\xD0\xB3",
        "\xE9\x85\x8D\xE7\xBD\xAE", "raw\xFF\xFE"}) {
    InstallerDir dir(TARNWELL_EXE, sub);
    dir.WriteConfig(kDevice);
    SCOPED_TRACE(sub);
    ExpectSuccess(dir.Run());
    EXPECT_TRUE(testing::FileExists(dir.Store()));
  }
}

TEST(InstallerRun, PathsTooLongForTheirBuffersAreRefusedNotCut) {
  // The executable's own path does not fit 260 units.
  {
    InstallerDir dir(TARNWELL_EXE, std::string(120, 'a') + "/" +
                                       std::string(120, 'b') + "/c");
    dir.WriteConfig(kDevice);
    ExpectFailure(dir.Run(), "Error: Get config file name failed!\n" +
                                 std::string(kReadFailed));
  }
  // The executable's path fits, the configuration's path would not.
  {
    InstallerDir probe(TARNWELL_EXE);
    std::size_t base = probe.Path().size() + 1;
    // A directory of 250 units: "tarnwell" fits after it (258), and
    // "usbcdc.cfg" does not (260).
    std::size_t room = 249 - base;
    InstallerDir dir(TARNWELL_EXE, std::string(100, 'd') + "/" +
                                       std::string(room - 101, 'e'));
    ASSERT_EQ(dir.Path().size(), 249u);
    dir.WriteConfig(kDevice);
    ExpectFailure(dir.Run(), kReadFailed);
  }
}

TEST(InstallerRun, ADirectoryTooLongToHoldFailsTheReadWithoutItsOwnMessage) {
  // The program's path (257-unit directory, one-letter name) is found; only
  // its directory does not fit, which is a path too long, not a path lost.
  InstallerDir probe(TARNWELL_EXE);
  const std::size_t base = probe.Path().size() + 1;
  const std::size_t room = 256 - base;  // the directory itself, without "/"
  InstallerDir dir(TARNWELL_EXE,
                   std::string(100, 'd') + "/" + std::string(room - 101, 'e'),
                   "t");
  ASSERT_EQ(dir.Path().size(), 256u);
  dir.WriteConfig(kDevice);
  ExpectFailure(dir.Run(), kReadFailed);
}

TEST(InstallerRun, AClosedOutputPipeDoesNotKillTheRun) {
  InstallerDir dir(TARNWELL_EXE);
  dir.WriteConfig(kDevice);
  RunResult run = dir.Run({}, true);
  EXPECT_EQ(run.ExitCode, 0) << "not killed by SIGPIPE";
  std::u16string text =
      regstore::DecodeUtf16Le(testing::ReadFileBytes(dir.Store()));
  const std::u16string header =
      u"[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\"
      u"USBCDC_Template_Default]";
  ASSERT_NE(text.find(header), std::u16string::npos);
  EXPECT_EQ(text.find(header), text.rfind(header))
      << "the store was saved in export form";
}

TEST(InstallerRun, AFileSizeLimitIsAFailedSaveAndTheStoreStaysAsItWas) {
  InstallerDir dir(TARNWELL_EXE);
  dir.WriteConfig(testing::ReadFileBytes(TARNWELL_EXAMPLE));
  const std::string seed = testing::StoreBytes(
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n");
  testing::WriteFileBytes(dir.Store(), seed);
  testing::ChildOptions options;
  options.FileSizeLimit = 1024;
  RunResult run = dir.RunWith(options);
  EXPECT_TRUE(run.Exited) << "killed by signal " << run.Signal;
  ExpectFailure(run, kWriteFailed);
  EXPECT_EQ(testing::ReadFileBytes(dir.Store()), seed);
  EXPECT_EQ(testing::ListDirectory(dir.Path()),
            (std::set<std::string>{"tarnwell", "usbcdc.cfg", "registry.reg",
                                   "registry.reg.lock"}))
      << "the cut temporary file is gone";
}

TEST(InstallerRun, ARunWaitsWhileAnotherHoldsTheStore) {
  InstallerDir dir(TARNWELL_EXE);
  dir.WriteConfig(kDevice);
  // Another run's lock, as that run takes it.
  const int lock = open((dir.Store() + ".lock").c_str(),
                        O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(lock, 0);
  struct flock hold = {};
  hold.l_type = F_WRLCK;
  ASSERT_EQ(fcntl(lock, F_OFD_SETLK, &hold), 0);
  pid_t pid = testing::StartChild(dir.Exe());
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "it did not wait";
  EXPECT_FALSE(testing::FileExists(dir.Store()));
  close(lock);
  status = testing::WaitChild(pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(testing::FileExists(dir.Store()));
}

TEST(InstallerRun, AUserWhoMayNotWriteTheDirectoryGetsTheWriteFailureAtOnce) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run as another user";
  InstallerDir dir(TARNWELL_EXE);
  dir.WriteConfig(kDevice);
  const std::string seed = testing::StoreBytes(
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n");
  testing::WriteFileBytes(dir.Store(), seed);
  ASSERT_EQ(chown(dir.Store().c_str(), 65534, 65534), 0);
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  testing::ChildOptions options;
  options.User = 65534;
  ExpectFailure(dir.RunWith(options), kWriteFailed);
  EXPECT_EQ(testing::ReadFileBytes(dir.Store()), seed);
}

// In a sandbox whose seccomp filter predates faccessat2, openat2,
// renameat2 and getrandom and answers EPERM for them (container profiles,
// systemd's SystemCallErrorNumber) or EINVAL, a run saves an existing
// store where no lock file is yet, as a run without the filter does.
TEST(InstallerRun, ASandboxWithoutTheNewerCallsSavesAsACleanRun) {
  if (testing::ChildEmulator() != nullptr) {
    GTEST_SKIP() << "under QEMU, which sets no seccomp filter";
  }
  std::string clean;
  for (int error : {0, EPERM, EINVAL}) {
    SCOPED_TRACE(error);
    InstallerDir dir(TARNWELL_EXE);
    dir.WriteConfig(kDevice);
    testing::WriteFileBytes(dir.Store(), testing::StoreBytes(
        u"Windows Registry Editor Version 5.00\r\n"));
    testing::ChildOptions options;
    // faccessat2 first: with null arguments it would say EFAULT.
    if (error != 0) {
      options.Barred = {SYS_faccessat2, SYS_openat2, SYS_renameat2,
                        SYS_getrandom};
    }
    options.BarredErrno = error;
    const RunResult run = dir.RunWith(options);
    if (run.ExitCode == 122) GTEST_SKIP() << "no seccomp filter can be set";
    ExpectSuccess(run);
    if (error == 0) clean = testing::ReadFileBytes(dir.Store());
    EXPECT_EQ(testing::ReadFileBytes(dir.Store()), clean);
    EXPECT_EQ(testing::ListDirectory(dir.Path()).size(), 4u)
        << "the program, its configuration, the store and its lock";
  }
}

TEST(InstallerRun, ConfigurationThatIsADirectoryFailsTheRead) {
  InstallerDir dir(TARNWELL_EXE);
  ASSERT_EQ(mkdir(dir.Config().c_str(), 0755), 0);
  ExpectFailure(dir.Run(), kReadFailed);
}

TEST(InstallerRun, FileBytesAreReadAsTheyAre) {
  InstallerDir dir(TARNWELL_EXE);
  // A UTF-8 byte-order mark before the first header, and a Ctrl-Z byte in
  // the middle: both sections still count.
  dir.WriteConfig("\xEF\xBB\xBF[a]\r\nDLL=a.dll\r\n\x1A\r\n[MODEM SETTINGS]\r\n"
                  "DLL=m.dll\r\nFriendlyName=Caf\xE9\r\n");
  ExpectSuccess(dir.Run());
  regstore::RegTree tree;
  ASSERT_TRUE(dir.LoadStore(&tree));
  EXPECT_EQ(ValueAt(tree, u"Drivers\\USB\\ClientDrivers\\USBCDC_Template_Default",
                    u"Dll"),
            "sz:a.dll");
  EXPECT_EQ(ValueAt(tree,
                    u"Drivers\\USB\\ClientDrivers\\USBCDC_COM_Template\\Unimodem",
                    u"FriendlyName"),
            "sz:Caf\xC3\xA9");
}

}  // namespace
}  // namespace tarnwell
