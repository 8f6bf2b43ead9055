// Files no one should give the installer, given to it all the same: each
// run ends with its proper message and exit code, in bounded memory, and a
// store that could not be read is left byte for byte as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "support/InstallerDir.h"
#include "support/StoreFiles.h"

namespace tarnwell::testing {
namespace {

constexpr char kExample[] = "[Dev]\nDLL=usbcdc.dll\nVID=0525\nPID=A4A7\n";

class Hostile : public ::testing::Test {
 protected:
  std::string Cfg() const { return dir_.Config(); }
  std::string Store() const { return dir_.Store(); }
  RunResult Run() { return dir_.Run(); }

  void ExpectReadFailed(const RunResult& run) {
    EXPECT_TRUE(run.Exited) << "signal " << run.Signal;
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, kReadFailedLine);
    EXPECT_EQ(run.Out, "");
    EXPECT_FALSE(FileExists(Store())) << "a failed read wrote the registry";
  }
  void ExpectSuccess(const RunResult& run) {
    EXPECT_TRUE(run.Exited) << "signal " << run.Signal;
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, kSuccessLine);
  }

  InstallerDir dir_{TARNWELL_EXE};
};

TEST_F(Hostile, AFileOfNulBytesHoldsNoSectionAndWritesNothing) {
  WriteFileBytes(Cfg(), std::string(4u << 20, '\0'));
  ExpectSuccess(Run());
  EXPECT_FALSE(FileExists(Store()));
}

TEST_F(Hostile, AFifoIsNotReadAndDoesNotHang) {
  ASSERT_EQ(mkfifo(Cfg().c_str(), 0644), 0);
  ExpectReadFailed(Run());
}

TEST_F(Hostile, ADirectoryIsNotAConfiguration) {
  ASSERT_EQ(mkdir(Cfg().c_str(), 0755), 0);
  WriteFileBytes(Cfg() + "/DLL=x", kExample);
  ExpectReadFailed(Run());
}

TEST_F(Hostile, AFileOnWhichReadingFailsIsAFailedRead) {
  // /proc/self/mem opens as a regular file but fails to read at offset 0
  // (nothing is mapped there): a read error that even root meets.
  ASSERT_EQ(symlink("/proc/self/mem", Cfg().c_str()), 0);
  ExpectReadFailed(Run());
}

TEST_F(Hostile, AFileWithoutReadPermissionIsAFailedRead) {
  WriteFileBytes(Cfg(), kExample);
  ASSERT_EQ(chmod(Cfg().c_str(), 0), 0);
  // Root reads any file whatever its mode: run as a user who cannot.
  ChildOptions options;
  if (geteuid() == 0) {
    ASSERT_EQ(chmod(dir_.Path().c_str(), 0755), 0);
    options.User = 65534;
  }
  ExpectReadFailed(dir_.RunWith(options));
}

struct BadStore {
  const char* Name;
  std::string Bytes;
};

std::string Garbage() {
  std::mt19937 random(20240601);
  std::string bytes(64 * 1024, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  bytes[0] = '\xFF';  // even with the byte-order mark's first byte
  return bytes;
}

std::vector<BadStore> BadStores() {
  const std::u16string good =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"Seed\"=\"x\"\r\n\r\n";
  std::string utf16be = "\xFE\xFF";
  for (char16_t c : good) {
    utf16be += static_cast<char>(c >> 8);
    utf16be += static_cast<char>(c & 0xFF);
  }
  std::string utf8;
  for (char16_t c : good) utf8 += static_cast<char>(c);
  std::string bad_line = StoreBytes(
      good + u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\nnot a value line\r\n");
  std::string cut_continuation = StoreBytes(
      good + u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"B\"=hex:01,02,\\\r\n");
  return {
      {"garbage", Garbage()},
      {"another version line",
       StoreBytes(u"Windows Registry Editor Version 4.00\r\n\r\n")},
      {"UTF-8 without a byte-order mark", utf8},
      {"UTF-16 big-endian", utf16be},
      {"a line that is no .reg line", bad_line},
      {"cut after a continued hex line", cut_continuation},
      {"regedit 4 text", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=\"y\"\r\n"},
      {"a last line cut short", StoreBytes(good + u"\"Torn\"=\"ha")},
      {"one byte inserted", StoreBytes(good).insert(40, 1, 'x')},
      {"an empty file", ""},
  };
}

TEST_F(Hostile, AStoreThatCannotBeReadFailsTheWriteAndStaysAsItWas) {
  for (const BadStore& bad : BadStores()) {
    SCOPED_TRACE(bad.Name);
    WriteFileBytes(Cfg(), kExample);
    WriteFileBytes(Store(), bad.Bytes);
    RunResult run = Run();
    EXPECT_TRUE(run.Exited);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, kWriteFailedLine);
    EXPECT_EQ(ReadFileBytes(Store()), bad.Bytes) << "the store was changed";
  }
}

TEST_F(Hostile, AStoreThatIsADirectoryFailsTheWrite) {
  WriteFileBytes(Cfg(), kExample);
  ASSERT_EQ(mkdir(Store().c_str(), 0755), 0);
  RunResult run = Run();
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Err, kWriteFailedLine);
}

TEST_F(Hostile, AStoreThatIsAFifoFailsTheWriteWithoutWaiting) {
  WriteFileBytes(Cfg(), kExample);
  ASSERT_EQ(mkfifo(Store().c_str(), 0644), 0);
  RunResult run = Run();
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Err, kWriteFailedLine);
}

// The device gives a thread 64 KB of stack: a run with an existing store
// holds no large buffer on the stack.
TEST_F(Hostile, ARunWithAnExistingStoreWorksInA128KiBStack) {
  if (ChildEmulator() != nullptr) {
    GTEST_SKIP() << "QEMU gives the program it runs a stack of its own of at "
                    "least 128 KiB, whatever the limit";
  }
  WriteFileBytes(Cfg(), ReadFileBytes(TARNWELL_EXAMPLE));
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
  for (int k = 0; k < 2000; ++k) {
    text += u"[HKEY_LOCAL_MACHINE\\Software\\K" + std::u16string(k / 26 + 1, u'x') +
            std::u16string(1, u'a' + k % 26) + u"]\r\n\"V\"=\"value\"\r\n\r\n";
  }
  WriteFileBytes(Store(), StoreBytes(text));
  ChildOptions options;
  options.StackLimit = 128 * 1024;
  ExpectSuccess(dir_.RunWith(options));
  EXPECT_GT(ReadFileBytes(Store()).size(), StoreBytes(text).size());
}

}  // namespace
}  // namespace tarnwell::testing
