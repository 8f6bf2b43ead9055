#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "platform/posix/FileRegistry.h"
#include "platform/posix/StoreIo.h"
#include "platform/regfile/RegText.h"
#include "support/RegistryDump.h"

namespace tarnwell::posix {
namespace {

using regstore::RegTree;
using regstore::TreeRegistry;
using tarnwell::testing::ValueAt;

const std::string kBom("\xFF\xFE", 2);

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The store's text as UTF-16LE with its byte-order mark, as regedit writes.
std::string StoreBytes(std::u16string_view text) {
  return kBom + regstore::EncodeUtf16Le(text);
}

// The file as a tree; fails the test when it is not a well-formed store.
RegTree ParseFile(const std::string& path) {
  RegTree tree;
  std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.substr(0, 2), kBom) << path;
  if (bytes.size() < 2) return tree;
  regstore::ParseResult result = regstore::ParseRegText(
      regstore::DecodeUtf16Le(std::string_view(bytes).substr(2)), tree, true);
  EXPECT_TRUE(result.Ok) << path << ": line " << result.Line;
  return tree;
}

std::int32_t Open(Registry& registry, std::u16string_view path,
                  RegHandle* key) {
  std::u16string p(path);
  return registry.CreateKey(kLocalMachine, p.c_str(), kKeyReadWrite, key);
}

std::int32_t SetText(Registry& registry, RegHandle key,
                     std::u16string_view name, std::u16string_view text) {
  std::string data = regstore::EncodeUtf16Le(std::u16string(text) + u'\0');
  std::u16string n(name);
  return registry.SetValue(key, n.c_str(), kRegSz, data.data(),
                           static_cast<std::uint32_t>(data.size()));
}

std::int32_t SetNumber(Registry& registry, RegHandle key,
                       std::u16string_view name, std::uint32_t v) {
  std::u16string n(name);
  return registry.SetValue(key, n.c_str(), kRegDword, &v, sizeof v);
}

// Writes fail with EIO for the next `g_write_failures` calls.
int g_write_failures = 0;
ssize_t FailingWrite(int fd, const void* buffer, std::size_t size) {
  if (g_write_failures > 0) {
    --g_write_failures;
    errno = EIO;
    return -1;
  }
  return RealSyscalls().Write(fd, buffer, size);
}

class FileRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarnwell-store-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/registry.reg";
  }

  void TearDown() override {
    Syscalls() = RealSyscalls();
    g_write_failures = 0;
    std::string command = "rm -rf '" + dir_ + "'";
    std::system(command.c_str());
  }

  // A key opened in a store of its own, for a short write.
  void WriteOnce(std::u16string_view key, std::u16string_view name,
                 std::u16string_view text) {
    FileRegistry registry(path_);
    RegHandle handle = 0;
    ASSERT_EQ(Open(registry, key, &handle), 0);
    ASSERT_EQ(SetText(registry, handle, name, text), 0);
  }

  std::string dir_;
  std::string path_;
};

TEST_F(FileRegistryTest, FirstWriteCreatesARegeditFileAtOnce) {
  FileRegistry registry(path_);
  EXPECT_FALSE(Exists(path_)) << "nothing is written before the first change";
  RegHandle key = 0;
  ASSERT_EQ(Open(registry, u"Drivers\\USB", &key), 0);
  ASSERT_EQ(SetText(registry, key, u"Dll", u"usbcdc.dll"), 0);

  // In the file already, while the store is still open.
  std::string bytes = ReadBytes(path_);
  const std::string head =
      StoreBytes(u"Windows Registry Editor Version 5.00\r\n\r\n");
  ASSERT_EQ(bytes.substr(0, head.size()), head);
  std::u16string text = regstore::DecodeUtf16Le(bytes.substr(2));
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == u'\r') << "bare LF at unit " << i;
    }
  }
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(ValueAt(tree, u"Drivers\\USB", u"Dll"), "sz:usbcdc.dll");
  EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers"), nullptr);
}

TEST_F(FileRegistryTest, ValuesPersistAcrossInstances) {
  WriteOnce(u"Drivers\\USB", u"Dll", u"first.dll");
  {
    FileRegistry registry(path_);
    RegHandle key = 0;
    ASSERT_EQ(Open(registry, u"DRIVERS\\usb\\Sub", &key), 0);
    ASSERT_EQ(SetNumber(registry, key, u"N", 42), 0);
    EXPECT_EQ(ValueAt(registry.Tree(), u"Drivers\\USB", u"Dll"), "sz:first.dll")
        << "the second store starts from the first one's file";
  }
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(ValueAt(tree, u"Drivers\\USB", u"Dll"), "sz:first.dll");
  EXPECT_EQ(ValueAt(tree, u"Drivers\\USB\\Sub", u"N"), "dword:42");
  EXPECT_EQ(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers")->Children().size(), 1u)
      << "one key, whatever the case it was named in";
}

// Runs the same calls on any store.
void WriteSample(Registry& registry) {
  RegHandle a = 0, b = 0;
  ASSERT_EQ(Open(registry, u"Drivers\\USB\\ClientDrivers\\Acme", &a), 0);
  ASSERT_EQ(SetText(registry, a, u"Dll", u"old.dll"), 0);
  ASSERT_EQ(SetNumber(registry, a, u"BufferCountIn", 8), 0);
  ASSERT_EQ(SetText(registry, a, u"Friendly", u"Модем \"Acme\" C:\\x"), 0);
  ASSERT_EQ(SetText(registry, a, u"Tab", u"a\tb"), 0);
  ASSERT_EQ(Open(registry, u"drivers\\usb\\LoadClients\\1317_42151", &b), 0);
  ASSERT_EQ(SetText(registry, a, u"DLL", u"new.dll"), 0);
  ASSERT_EQ(SetText(registry, b, u"", u"default"), 0);
  std::string blob(300, '\x5A');
  ASSERT_EQ(registry.SetValue(b, u"Blob", kRegBinary, blob.data(), 300), 0);
  registry.CloseKey(a);
  registry.CloseKey(b);
}

TEST_F(FileRegistryTest, FileAfterDestructionIsTheExportFormOfTheTree) {
  TreeRegistry memory;
  WriteSample(memory);
  {
    FileRegistry registry(path_);
    WriteSample(registry);
  }
  EXPECT_EQ(ReadBytes(path_),
            StoreBytes(regstore::FormatRegFile(memory.Tree())));
}

struct CorruptCase {
  const char* What;
  std::string Bytes;
};

std::vector<CorruptCase> CorruptStores() {
  const std::u16string v = u"Windows Registry Editor Version 5.00\r\n\r\n";
  return {
      {"ASCII garbage", "this is not a registry\r\n"},
      {"UTF-8 without a byte-order mark",
       "Windows Registry Editor Version "
       "5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n"},
      {"UTF-16 big-endian", std::string("\xFE\xFF\0W\0i\0n\0\r\0\n", 12)},
      {"old version line", StoreBytes(u"REGEDIT4\r\n\r\n")},
      {"garbage after a valid start",
       StoreBytes(v + u"[HKEY_LOCAL_MACHINE\\A]\r\n\"a\"=\"1\"\r\n%%%\r\n")},
      {"value before any key", StoreBytes(v + u"\"a\"=\"1\"\r\n")},
      {"key deletion", StoreBytes(v + u"[-HKEY_LOCAL_MACHINE\\A]\r\n")},
      {"binary noise",
       std::string("\xFF\xFE\x00\xD8\x0A\x00\x00\x01\x0A\x00", 10)},
  };
}

TEST_F(FileRegistryTest, ACorruptStoreIsNeverWrittenAndEveryCallFails) {
  for (const CorruptCase& c : CorruptStores()) {
    WriteBytes(path_, c.Bytes);
    {
      FileRegistry registry(path_);
      RegHandle key = 123;
      std::int32_t result = Open(registry, u"Drivers\\USB", &key);
      EXPECT_NE(result, 0) << c.What;
      EXPECT_EQ(key, 0u) << c.What;
      EXPECT_EQ(Open(registry, u"Other", &key), result)
          << c.What << ": fails the same way again";
    }
    EXPECT_EQ(ReadBytes(path_), c.Bytes) << c.What;
  }
}

TEST_F(FileRegistryTest, AStoreThatTurnsCorruptFailsSetValueAndStaysAsItIs) {
  FileRegistry registry(path_);
  RegHandle key = 0;
  ASSERT_EQ(Open(registry, u"K", &key), 0);
  ASSERT_EQ(SetText(registry, key, u"Before", u"1"), 0);

  // Another program replaces the store with something unreadable.
  const std::string corrupt = StoreBytes(u"REGEDIT4\r\n");
  WriteBytes(path_ + ".other", corrupt);
  ASSERT_EQ(rename((path_ + ".other").c_str(), path_.c_str()), 0);

  EXPECT_EQ(SetText(registry, key, u"After", u"2"), kErrorBadDb);
  EXPECT_EQ(SetNumber(registry, key, u"After", 2), kErrorBadDb);
  RegHandle other = 0;
  EXPECT_EQ(Open(registry, u"New", &other), kErrorBadDb);
  EXPECT_EQ(registry.Flush(), kErrorBadDb)
      << "no rewrite over the corrupt file";
  EXPECT_EQ(ReadBytes(path_), corrupt);
}

TEST_F(FileRegistryTest, AStoreThatIsADirectoryFails) {
  ASSERT_EQ(mkdir(path_.c_str(), 0755), 0);
  FileRegistry registry(path_);
  RegHandle key = 0;
  EXPECT_NE(Open(registry, u"K", &key), 0);
  EXPECT_EQ(key, 0u);
}

TEST_F(FileRegistryTest, AStoreWithoutAPlaceFailsWithTheGivenCode) {
  FileRegistry registry("", kErrorAccessDenied);
  RegHandle key = 0;
  EXPECT_EQ(Open(registry, u"K", &key), kErrorAccessDenied);
  EXPECT_EQ(registry.Flush(), 0) << "nothing was changed";
}

TEST_F(FileRegistryTest, ATornTailIsIgnoredAndTheNextWriteReplacesIt) {
  WriteOnce(u"K", u"Whole", u"kept");
  const std::string whole = ReadBytes(path_);
  // The record that setting a value of K appends.
  const std::string record = regstore::EncodeUtf16Le(
      u"[HKEY_LOCAL_MACHINE\\K]\r\n\"Half\"=\"never reported\"\r\n\r\n");
  const std::string lost = regstore::EncodeUtf16Le(u"never");
  // Cut inside the key line, inside the value line, inside a UTF-16 unit,
  // and just before the value line's line feed.
  for (std::size_t cut : {std::size_t{20}, std::size_t{60}, std::size_t{61},
                          std::size_t{48 + 2 * 24}}) {
    ASSERT_LT(cut, record.size());
    WriteBytes(path_, whole + record.substr(0, cut));
    {
      FileRegistry registry(path_);
      RegHandle key = 0;
      ASSERT_EQ(Open(registry, u"K", &key), 0) << cut;
      EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"Whole"), "sz:kept");
      EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"Half"), "<no value>");
      ASSERT_EQ(SetText(registry, key, u"Next", u"written"), 0);

      RegTree tree = ParseFile(path_);
      EXPECT_EQ(ValueAt(tree, u"K", u"Next"), "sz:written") << cut;
      EXPECT_EQ(ValueAt(tree, u"K", u"Whole"), "sz:kept") << cut;
      EXPECT_EQ(ValueAt(tree, u"K", u"Half"), "<no value>") << cut;
      EXPECT_EQ(ReadBytes(path_).find(lost), std::string::npos)
          << cut << ": the torn bytes are gone";
    }
    RegTree tree = ParseFile(path_);
    EXPECT_EQ(ValueAt(tree, u"K", u"Next"), "sz:written") << cut;
  }
}

TEST_F(FileRegistryTest, AFileEndingWithoutALineFeedKeepsItsLastLine) {
  // Files written by other tools may simply stop after their last value;
  // that line is data, not a torn write of ours.
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\Foo]\r\n\"Keep\"=\"me\"";
  WriteBytes(path_, StoreBytes(text));
  {
    FileRegistry registry(path_);
    RegHandle key = 0;
    ASSERT_EQ(Open(registry, u"Bar", &key), 0);
    ASSERT_EQ(SetText(registry, key, u"New", u"v"), 0);
    RegTree journal = ParseFile(path_);
    EXPECT_EQ(ValueAt(journal, u"Foo", u"Keep"), "sz:me")
        << "the last line stays, ended before the appended record";
    EXPECT_EQ(ValueAt(journal, u"Bar", u"New"), "sz:v");
  }
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(ValueAt(tree, u"Foo", u"Keep"), "sz:me");
  EXPECT_EQ(ValueAt(tree, u"Bar", u"New"), "sz:v");
}

TEST_F(FileRegistryTest, AWholeLookingTailAtAPageBoundaryIsATornWrite) {
  // A kill cuts a write only where it crosses a page, so a tail ending
  // there is a record cut short even when its prefix reads as a value
  // ("dword:0000" of "dword:00000001").
  std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";
  const std::u16string torn = u"\"Disable\"=dword:0000";
  // A comment line pads the file so that the torn line ends at 4096 bytes.
  const std::size_t padding = 2047 - text.size() - torn.size();
  text += u";" + std::u16string(padding - 3, u'x') + u"\r\n";
  ASSERT_EQ((2 + 2 * (text.size() + torn.size())) % 4096, 0u);
  WriteBytes(path_, StoreBytes(text + torn));
  FileRegistry registry(path_);
  RegHandle key = 0;
  ASSERT_EQ(Open(registry, u"K", &key), 0);
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"Disable"), "<no value>");
}

TEST_F(FileRegistryTest, AnEmptyOrTornNewFileIsAnEmptyStore) {
  const std::string head =
      StoreBytes(u"Windows Registry Editor Version 5.00\r\n");
  // A crash between creating the file and finishing its first line.
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{2},
                           std::size_t{9}, head.size() - 2}) {
    WriteBytes(path_, head.substr(0, size));
    {
      FileRegistry registry(path_);
      RegHandle key = 0;
      ASSERT_EQ(Open(registry, u"K", &key), 0) << size;
      ASSERT_EQ(SetText(registry, key, u"V", u"1"), 0) << size;
      RegTree tree = ParseFile(path_);
      EXPECT_EQ(ValueAt(tree, u"K", u"V"), "sz:1") << size;
    }
    RegTree tree = ParseFile(path_);
    EXPECT_EQ(ValueAt(tree, u"K", u"V"), "sz:1") << size;
  }
}

TEST_F(FileRegistryTest, TwoStoresOnOneFileLoseNothingOfEachOther) {
  constexpr int kEach = 150;
  {
    FileRegistry a(path_);
    FileRegistry b(path_);
    RegHandle ka = 0, kb = 0, shared_a = 0, shared_b = 0;
    ASSERT_EQ(Open(a, u"A", &ka), 0);
    ASSERT_EQ(Open(b, u"B", &kb), 0);
    ASSERT_EQ(Open(a, u"Shared", &shared_a), 0);
    ASSERT_EQ(Open(b, u"SHARED", &shared_b), 0);
    for (int i = 0; i < kEach; ++i) {
      std::u16string n = u"v" + std::u16string(1, u'0' + i % 10) +
                         std::u16string(1, u'0' + i / 10 % 10) +
                         std::u16string(1, u'0' + i / 100);
      ASSERT_EQ(SetNumber(a, ka, n, i), 0);
      ASSERT_EQ(SetNumber(b, kb, n, i), 0);
      ASSERT_EQ(SetNumber(a, shared_a, u"a" + n, i), 0);
      ASSERT_EQ(SetNumber(b, shared_b, u"b" + n, i), 0);
    }
    RegTree tree = ParseFile(path_);
    EXPECT_EQ(testing::ValueCount(tree, u"A"), std::size_t{kEach});
    EXPECT_EQ(testing::ValueCount(tree, u"B"), std::size_t{kEach});
    EXPECT_EQ(testing::ValueCount(tree, u"Shared"), std::size_t{2 * kEach});
    EXPECT_EQ(testing::ValueCount(b.Tree(), u"A"), std::size_t{kEach})
        << "b has read every write of a";
  }
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(testing::ValueCount(tree, u"A"), std::size_t{kEach});
  EXPECT_EQ(testing::ValueCount(tree, u"B"), std::size_t{kEach});
  EXPECT_EQ(testing::ValueCount(tree, u"Shared"), std::size_t{2 * kEach});
  EXPECT_EQ(ValueAt(tree, u"Shared", u"av941"), "dword:149");
  EXPECT_EQ(ValueAt(tree, u"Shared", u"bv941"), "dword:149");
}

TEST_F(FileRegistryTest, TwoProcessesAtOnceLoseNothingOfEachOther) {
  constexpr int kEach = 300;
  pid_t children[2];
  for (int p = 0; p < 2; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      int failures = 0;
      {
        FileRegistry registry(path_);
        RegHandle own = 0, shared = 0;
        failures += Open(registry, p == 0 ? u"P0" : u"P1", &own) != 0;
        failures += Open(registry, u"Shared", &shared) != 0;
        for (int i = 0; i < kEach; ++i) {
          std::u16string n = u"v" + std::u16string(1, u'0' + i % 10) +
                             std::u16string(1, u'0' + i / 10 % 10) +
                             std::u16string(1, u'0' + i / 100);
          failures += SetNumber(registry, own, n, i) != 0;
          failures +=
              SetNumber(registry, shared, (p == 0 ? u"p0" : u"p1") + n, i) != 0;
        }
      }
      _exit(failures == 0 ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "every write of the child returned 0";
  }
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(testing::ValueCount(tree, u"P0"), std::size_t{kEach});
  EXPECT_EQ(testing::ValueCount(tree, u"P1"), std::size_t{kEach});
  EXPECT_EQ(testing::ValueCount(tree, u"Shared"), std::size_t{2 * kEach});
}

TEST_F(FileRegistryTest, WritesOfAnotherStoreBetweenOursArePickedUp) {
  FileRegistry ours(path_);
  RegHandle key = 0;
  ASSERT_EQ(Open(ours, u"Ours", &key), 0);
  ASSERT_EQ(SetText(ours, key, u"First", u"1"), 0);

  // Another run appends and, at its end, rewrites the file in export form
  // (a new file renamed over the old one).
  WriteOnce(u"Theirs", u"Value", u"t");
  ASSERT_EQ(SetText(ours, key, u"Second", u"2"), 0);
  EXPECT_EQ(ValueAt(ours.Tree(), u"Theirs", u"Value"), "sz:t");

  // And one that is still running, only appending.
  FileRegistry running(path_);
  RegHandle theirs = 0;
  ASSERT_EQ(Open(running, u"Theirs", &theirs), 0);
  ASSERT_EQ(SetText(running, theirs, u"Later", u"l"), 0);
  ASSERT_EQ(SetText(ours, key, u"Third", u"3"), 0);
  EXPECT_EQ(ValueAt(ours.Tree(), u"Theirs", u"Later"), "sz:l");

  ASSERT_EQ(ours.Flush(), 0);
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(ValueAt(tree, u"Ours", u"First"), "sz:1");
  EXPECT_EQ(ValueAt(tree, u"Ours", u"Second"), "sz:2");
  EXPECT_EQ(ValueAt(tree, u"Ours", u"Third"), "sz:3");
  EXPECT_EQ(ValueAt(tree, u"Theirs", u"Value"), "sz:t");
  EXPECT_EQ(ValueAt(tree, u"Theirs", u"Later"), "sz:l");
}

TEST_F(FileRegistryTest, AnExternalRewriteIsPickedUp) {
  FileRegistry registry(path_);
  RegHandle key = 0;
  ASSERT_EQ(Open(registry, u"Mine", &key), 0);
  ASSERT_EQ(SetText(registry, key, u"Gone", u"old"), 0);

  // An editor saves a new store beside it and renames it over.
  const std::string edited = StoreBytes(
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\Edited]\r\n\"E\"=dword:00000005\r\n\r\n");
  WriteBytes(path_ + ".new", edited);
  ASSERT_EQ(rename((path_ + ".new").c_str(), path_.c_str()), 0);

  ASSERT_EQ(SetText(registry, key, u"Kept", u"new"), 0);
  EXPECT_EQ(ValueAt(registry.Tree(), u"Edited", u"E"), "dword:5");
  EXPECT_EQ(ValueAt(registry.Tree(), u"Mine", u"Gone"), "<no value>")
      << "the rewrite is the store now";

  ASSERT_EQ(registry.Flush(), 0);
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(ValueAt(tree, u"Edited", u"E"), "dword:5");
  EXPECT_EQ(ValueAt(tree, u"Mine", u"Kept"), "sz:new")
      << "the open key is named again with its value";
  EXPECT_EQ(ValueAt(tree, u"Mine", u"Gone"), "<no value>");
}

TEST_F(FileRegistryTest, AFailedWriteReturnsAnErrorAndLeavesTheFileAsItWas) {
  FileRegistry registry(path_);
  RegHandle key = 0;
  ASSERT_EQ(Open(registry, u"K", &key), 0);
  ASSERT_EQ(SetText(registry, key, u"Before", u"1"), 0);
  const std::string before = ReadBytes(path_);

  Syscalls().Write = FailingWrite;
  g_write_failures = 1;
  EXPECT_NE(SetText(registry, key, u"Failed", u"x"), 0);
  EXPECT_EQ(ReadBytes(path_), before);
  EXPECT_EQ(g_write_failures, 0);

  g_write_failures = 1;
  RegHandle sub = 0;
  EXPECT_NE(Open(registry, u"K\\Sub", &sub), 0);
  EXPECT_EQ(sub, 0u);
  EXPECT_EQ(ReadBytes(path_), before);

  ASSERT_EQ(SetText(registry, key, u"After", u"2"), 0);
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(ValueAt(tree, u"K", u"Before"), "sz:1");
  EXPECT_EQ(ValueAt(tree, u"K", u"After"), "sz:2");
  EXPECT_EQ(ValueAt(tree, u"K", u"Failed"), "<no value>");
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"Failed"), "<no value>");
  EXPECT_EQ(tree.Find(u"HKEY_LOCAL_MACHINE\\K\\Sub"), nullptr);
}

TEST_F(FileRegistryTest, AFailedFirstWriteLeavesNoFileBehind) {
  Syscalls().Write = FailingWrite;
  {
    FileRegistry registry(path_);
    g_write_failures = 1;
    RegHandle key = 0;
    EXPECT_NE(Open(registry, u"K", &key), 0);
    EXPECT_FALSE(Exists(path_)) << "there was no store, and there is none";
  }
  WriteOnce(u"K", u"V", u"1");
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(ValueAt(tree, u"K", u"V"), "sz:1");
}

TEST_F(FileRegistryTest, AFailedRewriteAtTheEndKeepsTheWholeJournal) {
  {
    FileRegistry registry(path_);
    RegHandle key = 0;
    ASSERT_EQ(Open(registry, u"K", &key), 0);
    ASSERT_EQ(SetText(registry, key, u"A", u"1"), 0);
    ASSERT_EQ(SetNumber(registry, key, u"B", 2), 0);
    Syscalls().Write = FailingWrite;
    g_write_failures = 1;
  }
  EXPECT_EQ(g_write_failures, 0) << "the rewrite was tried";
  EXPECT_FALSE(Exists(path_ + ".tmp")) << "no temporary file left behind";
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(ValueAt(tree, u"K", u"A"), "sz:1");
  EXPECT_EQ(ValueAt(tree, u"K", u"B"), "dword:2");
}

TEST_F(FileRegistryTest, ManyWritesStayWholeThroughRewritesOnTheWay) {
  // Enough appends for the journal to be rewritten while the store is open.
  constexpr int kValues = 20000;
  TreeRegistry memory;
  FileRegistry registry(path_);
  RegHandle key = 0, mkey = 0;
  ASSERT_EQ(Open(registry, u"Bulk", &key), 0);
  ASSERT_EQ(Open(memory, u"Bulk", &mkey), 0);
  for (int i = 0; i < kValues; ++i) {
    std::u16string name = u"Value";
    for (int n = i; n > 0; n /= 10)
      name += static_cast<char16_t>(u'0' + n % 10);
    ASSERT_EQ(SetNumber(registry, key, name, i), 0);
    ASSERT_EQ(SetNumber(memory, mkey, name, i), 0);
  }
  RegTree tree = ParseFile(path_);
  EXPECT_EQ(testing::ValueCount(tree, u"Bulk"), std::size_t{kValues});
  ASSERT_EQ(registry.Flush(), 0);
  EXPECT_EQ(ReadBytes(path_),
            StoreBytes(regstore::FormatRegFile(memory.Tree())));
}

}  // namespace
}  // namespace tarnwell::posix
