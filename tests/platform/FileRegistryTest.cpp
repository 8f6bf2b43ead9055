// The host's file store: read whole at the first call, written whole by
// Save, never written when it could not be read, and safe from what other
// users put beside it.
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixCalls.h"
#include "regstore/RegFormat.h"
#include "regstore/RegParse.h"
#include "support/ChildRun.h"
#include "support/Files.h"
#include "support/RegistryDump.h"
#include "support/StoreFiles.h"

namespace tarnwell::testing {
namespace {

using posix::FileRegistry;

constexpr uid_t kNobody = 65534;

// A store of every kind of value, with a comment that a rewrite drops.
const std::u16string kStoreText =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"; kept by hand\r\n"
    u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n"
    u"@=\"default\"\r\n\"Text\"=\"Модем \\\"quoted\\\" C:\\\\dir\"\r\n"
    u"\"Number\"=dword:0000002a\r\n\"Blob\"=hex:00,ff,10\r\n"
    u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    u"\"Odd\"=hex(1):61,00,00\r\n\"Typed\"=hex(12ab):01\r\n\r\n"
    u"[HKEY_CURRENT_USER\\Other]\r\n\"x\"=\"y\"\r\n";

// Loads the store and writes one value into Drivers\Test; the result of
// the load, the call and Save.
std::int32_t WriteOne(FileRegistry& store, const char16_t* name,
                      std::uint32_t value) {
  if (std::int32_t e = store.Load(nullptr)) return e;
  RegHandle key = 0;
  std::int32_t e =
      store.CreateKey(kLocalMachine, u"Drivers\\Test", kKeyReadWrite, &key);
  if (e == 0) e = store.SetValue(key, name, kRegDword, &value, sizeof value);
  store.CloseKey(key);
  std::int32_t saved = store.Save();
  return e != 0 ? e : saved;
}

class FileRegistryTest : public ::testing::Test {
 protected:
  std::string Store() const { return dir_.File("registry.reg"); }
  ScratchDir dir_;
};

TEST_F(FileRegistryTest, TheFileIsWrittenOnceBySaveAndHoldsTheTree) {
  FileRegistry store(Store());
  ASSERT_EQ(store.Load(nullptr), 0);
  RegHandle key = 0;
  ASSERT_EQ(store.CreateKey(kLocalMachine, u"Drivers\\Test", kKeyReadWrite, &key), 0);
  std::uint32_t one = 1;
  ASSERT_EQ(store.SetValue(key, u"N", kRegDword, &one, 4), 0);
  EXPECT_FALSE(FileExists(Store())) << "nothing is written before Save";
  ASSERT_EQ(store.Save(), 0);
  EXPECT_EQ(ReadFileBytes(Store()), regstore::FormatRegFileBytes(store.Tree()));
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st;
  ASSERT_EQ(stat(Store().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(FileRegistryTest, EveryValueSurvivesAndARunThatChangesNothingRewritesNothing) {
  WriteFileBytes(Store(), StoreBytes(kStoreText));
  regstore::RegTree seed;
  ASSERT_TRUE(LoadStoreFile(Store(), &seed));
  {
    FileRegistry store(Store());
    ASSERT_EQ(WriteOne(store, u"N", 7), 0);
  }
  regstore::RegTree after;
  ASSERT_TRUE(LoadStoreFile(Store(), &after));
  seed.Create(u"HKEY_LOCAL_MACHINE\\Drivers\\Test").SetValue(u"N", kRegDword,
                                                             std::string("\7\0\0\0", 4));
  EXPECT_TRUE(SameTree(after, seed));
  EXPECT_EQ(ReadFileBytes(Store()).find(StoreBytes(u"; kept").substr(2)),
            std::string::npos)
      << "comments are not kept";

  const std::string saved = ReadFileBytes(Store()) + StoreBytes(u"; note\r\n").substr(2);
  WriteFileBytes(Store(), saved);
  FileRegistry again(Store());
  ASSERT_EQ(WriteOne(again, u"N", 7), 0);
  EXPECT_EQ(ReadFileBytes(Store()), saved) << "the same values again: no rewrite";
}

TEST_F(FileRegistryTest, AFileChangedByAByteIsRefusedWholeOrLosesNothing) {
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
  for (int k = 0; k < 300; ++k) {
    text += u"[HKEY_LOCAL_MACHINE\\Software\\K" + std::u16string(1, u'A' + k % 26) +
            std::u16string(k / 26 + 1, u'x') + u"]\r\n\"V\"=\"value\"\r\n\r\n";
  }
  const std::string good = StoreBytes(text);
  std::mt19937 random(8);
  int refused = 0;
  for (int round = 0; round < 200; ++round) {
    std::string bytes = good;
    const std::size_t at = random() % bytes.size();
    switch (round % 3) {
      case 0: bytes.insert(at, 1, static_cast<char>(random())); break;
      case 1: bytes.erase(at, 1); break;
      default: bytes[at] = static_cast<char>(random()); break;
    }
    WriteFileBytes(Store(), bytes);
    regstore::RegTree expected;
    const bool valid = regstore::ParseRegFileBytes(bytes, expected).Ok;
    FileRegistry store(Store());
    const std::int32_t result = WriteOne(store, u"N", 1);
    SCOPED_TRACE("change " + std::to_string(round) + " at byte " + std::to_string(at));
    if (!valid) {
      ++refused;
      EXPECT_EQ(result, kErrorBadDb);
      EXPECT_EQ(ReadFileBytes(Store()), bytes) << "a refused file was written";
      continue;
    }
    ASSERT_EQ(result, 0);
    expected.Create(u"HKEY_LOCAL_MACHINE\\Drivers\\Test")
        .SetValue(u"N", kRegDword, std::string("\1\0\0\0", 4));
    regstore::RegTree after;
    ASSERT_TRUE(LoadStoreFile(Store(), &after));
    EXPECT_TRUE(SameTree(after, expected)) << "the run lost what it loaded";
  }
  EXPECT_GT(refused, 100);
}

// Save ends the run's hold on the file: nothing more is saved until the
// next Load, which reads the file anew, and a key still open from before
// names nothing in what was loaded.
TEST_F(FileRegistryTest, AKeyKeptOpenAcrossSaveIsClosedByTheNextLoad) {
  FileRegistry store(Store());
  ASSERT_EQ(store.Load(nullptr), 0);
  RegHandle key = 0;
  ASSERT_EQ(store.CreateKey(kLocalMachine, u"Drivers\\Old", kKeyReadWrite, &key), 0);
  ASSERT_EQ(store.Save(), 0);
  EXPECT_EQ(store.Save(), kErrorInvalidHandle) << "saved without a load";
  ASSERT_EQ(store.Load(nullptr), 0);
  std::uint32_t one = 1;
  EXPECT_EQ(store.SetValue(key, u"N", kRegDword, &one, 4), kErrorInvalidHandle);
  RegHandle sub = 0;
  EXPECT_EQ(store.CreateKey(key, u"Sub", kKeyReadWrite, &sub), kErrorInvalidHandle);
  ASSERT_EQ(store.Save(), 0);
  ASSERT_EQ(WriteOne(store, u"M", 2), 0) << "the store works on";
  regstore::RegTree tree;
  ASSERT_TRUE(LoadStoreFile(Store(), &tree));
  EXPECT_EQ(ValueAt(tree, u"Drivers\\Test", u"M"), "dword:2");
  EXPECT_TRUE(KeyExists(tree, u"Drivers\\Old"));
  EXPECT_FALSE(KeyExists(tree, u"Drivers\\Old\\Sub"));
}

TEST_F(FileRegistryTest, ASymlinkStaysALinkAndItsTargetTakesTheStore) {
  ScratchDir elsewhere;
  const std::string target = elsewhere.File("real.reg");
  WriteFileBytes(target, StoreBytes(kStoreText));
  ASSERT_EQ(symlink(target.c_str(), Store().c_str()), 0);
  FileRegistry store(Store());
  ASSERT_EQ(WriteOne(store, u"N", 1), 0);
  struct stat st;
  ASSERT_EQ(lstat(Store().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  regstore::RegTree tree;
  ASSERT_TRUE(LoadStoreFile(target, &tree));
  EXPECT_EQ(ValueAt(tree, u"Drivers\\Test", u"N"), "dword:1");
  EXPECT_TRUE(FileExists(target + ".lock")) << "the lock lies beside the target";
}

// A link's target may be a bare name beside it; a target that names a
// directory or a FIFO rather than a file is refused before anything is
// written.
TEST_F(FileRegistryTest, ALinkToANameBesideItWorksAndOneToWhatIsNoFileIsRefused) {
  WriteFileBytes(dir_.File("real.reg"), StoreBytes(kStoreText));
  ASSERT_EQ(symlink("real.reg", Store().c_str()), 0);
  {
    FileRegistry store(Store());
    ASSERT_EQ(WriteOne(store, u"N", 1), 0);
  }
  regstore::RegTree tree;
  ASSERT_TRUE(LoadStoreFile(dir_.File("real.reg"), &tree));
  EXPECT_EQ(ValueAt(tree, u"Drivers\\Test", u"N"), "dword:1");
  EXPECT_EQ(ValueAt(tree, u"Software\\Kept", u""), "sz:default");

  // What is no file gets no lock beside it either (a link to /dev/null
  // would put one into /dev).
  ASSERT_EQ(mkdir(dir_.File("sub").c_str(), 0700), 0);
  ASSERT_EQ(mkfifo(dir_.File("fifo").c_str(), 0600), 0);
  const struct {
    const char* Target;
    std::int32_t Error;
  } cases[] = {{"..", kErrorBadPathname}, {".", kErrorBadPathname},
               {"sub/", kErrorBadPathname}, {"sub", kErrorAccessDenied},
               {"fifo", kErrorAccessDenied}};
  for (const auto& [target, error] : cases) {
    ASSERT_EQ(unlink(Store().c_str()), 0);
    ASSERT_EQ(symlink(target, Store().c_str()), 0);
    const std::set<std::string> before = ListDirectory(dir_.Path());
    FileRegistry store(Store());
    EXPECT_EQ(WriteOne(store, u"N", 1), error) << target;
    EXPECT_EQ(ListDirectory(dir_.Path()), before) << target;
  }
  // A FIFO that was a file when looked at is refused when read.
  posix::Calls().Fstatat = [](int at, const char* name, struct stat* st,
                              int flags) {
    const int result = posix::RealCalls().Fstatat(at, name, st, flags);
    if (result == 0 && S_ISFIFO(st->st_mode)) st->st_mode = S_IFREG | 0600;
    return result;
  };
  FileRegistry store(Store());
  EXPECT_EQ(WriteOne(store, u"N", 1), kErrorAccessDenied);
  posix::Calls() = posix::RealCalls();
}

// The lock belongs to the directory's owner, 0600, whatever the store's
// owner and mode: nothing about it follows what a chmod may change. What
// a write takes from a file (set-user-ID bits, a capability) is kept too.
TEST_F(FileRegistryTest, OwnerAndPermissionsAreKeptAndTheLockIsTheDirectoryOwners) {
  const bool root = geteuid() == 0;
  for (mode_t mode : {0600, 0644, 0664, 0666, 06754}) {
    std::remove((Store() + ".lock").c_str());
    WriteFileBytes(Store(), StoreBytes(kStoreText));
    if (root) {
      ASSERT_EQ(chown(Store().c_str(), kNobody, kNobody), 0);
      // CAP_NET_RAW permitted (a version 2 capability set).
      const std::uint32_t capability[5] = {VFS_CAP_REVISION_2, 1u << 13};
      ASSERT_EQ(setxattr(Store().c_str(), "security.capability", capability,
                         sizeof capability, 0), 0);
    }
    ASSERT_EQ(chmod(Store().c_str(), mode), 0);
    ASSERT_TRUE(AddFileFlags(Store(), FS_NODUMP_FL | FS_NOATIME_FL) ||
                errno == ENOTTY || errno == EOPNOTSUPP);  // chattr +dA
    const std::string before = FileMetadata(Store());
    FileRegistry store(Store());
    ASSERT_EQ(WriteOne(store, u"N", 1), 0) << std::oct << mode;
    EXPECT_EQ(FileMetadata(Store()), before);
    struct stat st;
    ASSERT_EQ(stat(Store().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_EQ(st.st_uid, root ? kNobody : geteuid());
    struct stat lock;
    ASSERT_EQ(stat((Store() + ".lock").c_str(), &lock), 0);
    EXPECT_EQ(lock.st_mode & 07777, 0600u) << "store " << std::oct << mode;
    EXPECT_EQ(lock.st_uid, geteuid()) << "the directory's owner";
  }
}

// The first run holds the lock; a chmod of the store in between does not
// make the second distrust the held lock and replace it: it waits. Nor
// does the first run's save undo the chmod.
TEST_F(FileRegistryTest, AChmodOfTheStoreMidRunDoesNotLetASecondRunIn) {
  WriteFileBytes(Store(), StoreBytes(kStoreText));
  ASSERT_EQ(chmod(Store().c_str(), 0666), 0);
  // Root's run on another user's store cannot mend a lock in place.
  if (geteuid() == 0) {
    ASSERT_EQ(chown(Store().c_str(), kNobody, kNobody), 0);
  }
  FileRegistry first(Store());
  RegHandle key = 0;
  ASSERT_EQ(first.Load(nullptr), 0);
  ASSERT_EQ(first.CreateKey(kLocalMachine, u"First", kKeyReadWrite, &key), 0);
  struct stat held;
  ASSERT_EQ(stat((Store() + ".lock").c_str(), &held), 0);
  ASSERT_EQ(chmod(Store().c_str(), 0644), 0);
  const pid_t second = fork();
  if (second == 0) {
    close_range(3, ~0u, 0);  // not the first run's lock, which it shares
    FileRegistry store(Store());
    _exit(WriteOne(store, u"Second", 2) == 0 ? 0 : 1);
  }
  usleep(300 * 1000);
  int status = 0;
  EXPECT_EQ(waitpid(second, &status, WNOHANG), 0) << "the second run did not wait";
  struct stat now;
  ASSERT_EQ(stat((Store() + ".lock").c_str(), &now), 0);
  EXPECT_EQ(now.st_ino, held.st_ino) << "the held lock was replaced";
  ASSERT_EQ(first.Save(), 0);
  EXPECT_EQ(WaitChild(second), 0);
  regstore::RegTree tree;
  ASSERT_TRUE(LoadStoreFile(Store(), &tree));
  EXPECT_TRUE(KeyExists(tree, u"First")) << "a lost update";
  EXPECT_EQ(ValueAt(tree, u"Drivers\\Test", u"Second"), "dword:2");
  struct stat st;
  ASSERT_EQ(stat(Store().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u) << "the chmod was undone";
}

// A run whose lock file was put aside while it held it (another run found
// the lock's mode changed and replaced it) saves nothing: that run may
// have read the store already, and one of the two updates would be lost.
// Nor does a run whose store was saved by another since it read it (the
// run it took the bad lock from, which did not wait for it), or written
// in place (an editor).
TEST_F(FileRegistryTest, ARunWhoseLockWasReplacedSavesNothing) {
  for (const char* moved : {".lock", "", "in place"}) {
    WriteFileBytes(Store(), StoreBytes(kStoreText));
    FileRegistry first(Store());
    RegHandle key = 0;
    ASSERT_EQ(first.Load(nullptr), 0);
    ASSERT_EQ(first.CreateKey(kLocalMachine, u"First", kKeyReadWrite, &key), 0);
    const std::string others = StoreBytes(kStoreText + u"; saved since\r\n");
    if (std::string(moved) == "in place") {
      std::ofstream(Store(), std::ios::binary | std::ios::in) << others;
    } else {
      WriteFileBytes(dir_.File("new"), *moved ? "" : others);
      ASSERT_EQ(rename(dir_.File("new").c_str(), (Store() + moved).c_str()), 0);
    }
    const std::string left = ReadFileBytes(Store());
    EXPECT_NE(first.Save(), 0) << moved;
    EXPECT_EQ(ReadFileBytes(Store()), left) << moved;
  }
}

bool g_lock_renamed = false;

// A lock file that others could hold, or that is no lock file at all: the
// store's owner puts one of its own in its place, and leaves what the old
// name led to as it was. Should another run's clean-up take the new lock's
// temporary away before the rename, the run makes another.
TEST_F(FileRegistryTest, ALockFileOthersCouldHoldIsReplacedAndLeftAsItWas) {
  const bool root = geteuid() == 0;
  const std::string lock = Store() + ".lock";
  const std::string other = dir_.File("other");
  const struct {
    const char* What;
    std::function<void()> Plant;
  } cases[] = {
      {"a second name of another file",
       [&] {
         WriteFileBytes(other, "someone's file");
         ASSERT_EQ(chmod(other.c_str(), 0604), 0);
         ASSERT_EQ(link(other.c_str(), lock.c_str()), 0);
       }},
      {"a FIFO", [&] { ASSERT_EQ(mkfifo(lock.c_str(), 0600), 0); }},
      {"an empty directory", [&] { ASSERT_EQ(mkdir(lock.c_str(), 0700), 0); }},
      {"a link to another file",
       [&] {
         WriteFileBytes(other, "someone's file");
         ASSERT_EQ(chmod(other.c_str(), 0604), 0);
         ASSERT_EQ(symlink(other.c_str(), lock.c_str()), 0);
       }},
      {"a file of another user, open to all",
       [&] {
         WriteFileBytes(lock, "");
         ASSERT_EQ(chmod(lock.c_str(), 0666), 0);
         if (root) {
           ASSERT_EQ(chown(lock.c_str(), kNobody, kNobody), 0);
         }
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    unlink(lock.c_str());
    unlink(other.c_str());
    WriteFileBytes(Store(), StoreBytes(kStoreText));
    ASSERT_EQ(chmod(Store().c_str(), 0644), 0);
    c.Plant();
    g_lock_renamed = false;
    posix::Calls().Renameat = [](int at, const char* from, int to_at,
                                 const char* to) {
      if (!g_lock_renamed && std::strstr(to, ".lock") != nullptr) {
        g_lock_renamed = unlinkat(at, from, 0) == 0;
      }
      return posix::RealCalls().Renameat(at, from, to_at, to);
    };
    FileRegistry store(Store());
    EXPECT_EQ(WriteOne(store, u"N", 1), 0);
    posix::Calls() = posix::RealCalls();
    struct stat st;
    ASSERT_EQ(lstat(lock.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode) && st.st_nlink == 1);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    if (FileExists(other)) {
      ASSERT_EQ(stat(other.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0604u);
      EXPECT_EQ(ReadFileBytes(other), "someone's file");
    }
  }
  // A directory that holds anything is not the run's to empty.
  ASSERT_EQ(unlink(lock.c_str()), 0);
  ASSERT_EQ(mkdir(lock.c_str(), 0700), 0);
  WriteFileBytes(lock + "/kept", "");
  WriteFileBytes(Store(), StoreBytes(kStoreText));
  FileRegistry store(Store());
  EXPECT_NE(WriteOne(store, u"N", 1), 0);
  EXPECT_EQ(ReadFileBytes(Store()), StoreBytes(kStoreText));
  EXPECT_TRUE(FileExists(lock + "/kept"));
}

// Runs that meet a lock file that is not as it must be replace it one at
// a time: none puts its own over one that another already holds, also
// where an empty directory must go first.
TEST_F(FileRegistryTest, RunsThatMeetABadLockTogetherLoseNothingOfEachOther) {
  const std::string lock = Store() + ".lock";
  constexpr int kRuns = 8;
  for (int round = 0; round < 20; ++round) {
    WriteFileBytes(Store(), StoreBytes(kStoreText));
    unlink(lock.c_str());
    if (round % 2 == 0) {
      WriteFileBytes(lock, "");
      ASSERT_EQ(chmod(lock.c_str(), 0666), 0);
    } else {
      ASSERT_EQ(mkdir(lock.c_str(), 0700), 0);
    }
    std::vector<pid_t> runs;
    for (int n = 0; n < kRuns; ++n) {
      runs.push_back(fork());
      if (runs.back() == 0) {
        FileRegistry store(Store());
        const char16_t name[] = {u'R', static_cast<char16_t>(u'a' + n), 0};
        _exit(WriteOne(store, name, 1) == 0 ? 0 : 1);
      }
    }
    for (pid_t run : runs) EXPECT_EQ(WaitChild(run), 0);
    regstore::RegTree tree;
    ASSERT_TRUE(LoadStoreFile(Store(), &tree));
    EXPECT_EQ(ValueCount(tree, u"Drivers\\Test"), std::size_t{kRuns})
        << "a lost update in round " << round;
  }
  EXPECT_EQ(ListDirectory(dir_.Path()),
            (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
}

// The walk to the store: "." and ".." (at the root too) as the kernel
// takes them, a relative path, and what it refuses untouched: a loop of
// links, a directory of another user or one that others may write, and
// one where no file could be renamed into place (append-only).
TEST_F(FileRegistryTest, ThePathIsWalkedNameByNameAndRefusedWhereOthersMayChangeIt) {
  const std::string sub = dir_.File("sub");
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  const bool root = geteuid() == 0;
  const struct {
    const char* What;
    std::string Path;
    std::function<void()> Prepare;
    std::int32_t Result;
    bool NeedsRoot;
  } cases[] = {
      {"dots", "/../." + sub + "/../registry.reg", [] {}, 0, false},
      {"a relative path", "registry.reg",
       [&] { ASSERT_EQ(chdir(dir_.Path().c_str()), 0); }, 0, false},
      {"a loop of links", Store(),
       [&] { ASSERT_EQ(symlink("registry.reg", Store().c_str()), 0); }, 1921,
       false},
      {"a directory open to all", sub + "/registry.reg",
       [&] { ASSERT_EQ(chmod(sub.c_str(), 0777), 0); }, kErrorAccessDenied,
       false},
      {"a directory of another user", sub + "/registry.reg",
       [&] { ASSERT_EQ(chown(sub.c_str(), kNobody, kNobody), 0); },
       kErrorAccessDenied, true},
      {"a group with another member", sub + "/registry.reg",
       [&] {
         ASSERT_EQ(chown(sub.c_str(), 0, kNobody), 0);  // nobody's group
         ASSERT_EQ(chmod(sub.c_str(), 0775), 0);
       },
       kErrorAccessDenied, true},
      {"an ACL that lets another user write", sub + "/registry.reg",
       [&] {
         ASSERT_TRUE(RunTool({"/usr/bin/setfacl", "-m", "u:nobody:rwx", sub}));
       },
       kErrorAccessDenied, false},
      {"an append-only directory", sub + "/registry.reg",
       [&] { ASSERT_TRUE(RunTool({"/usr/bin/chattr", "+a", sub})); },
       kErrorAccessDenied, true},
      {"owners a user namespace without a map cannot tell apart",
       sub + "/registry.reg", [&] {
         ASSERT_EQ(chown(sub.c_str(), kNobody, kNobody), 0);
         posix::Calls().Geteuid = [] { return kNobody; };  // the run's too
       }, kErrorAccessDenied, true},
  };
  for (const auto& c : cases) {
    if (c.NeedsRoot && !root) continue;
    SCOPED_TRACE(c.What);
    unlink(Store().c_str());
    ASSERT_EQ(chmod(sub.c_str(), 0755), 0);
    ASSERT_TRUE(RunTool({"/usr/bin/setfacl", "-b", sub}));
    if (root) {
      ASSERT_EQ(chown(sub.c_str(), 0, 0), 0);
    }
    c.Prepare();
    FileRegistry store(c.Path);
    EXPECT_EQ(WriteOne(store, u"N", 1), c.Result);
    posix::Calls() = posix::RealCalls();
    ASSERT_EQ(chdir("/"), 0);
    regstore::RegTree tree;
    EXPECT_EQ(LoadStoreFile(Store(), &tree), c.Result == 0);
    EXPECT_EQ(ListDirectory(sub), std::set<std::string>{})
        << "a refused run made files";
    RunTool({"/usr/bin/chattr", "-a", sub});
  }
}

// The walk holds one directory at a time: a store 40 directories deep is
// saved with 10 descriptors in all (the run takes 7, the sanitizers' checks
// a pipe).
TEST_F(FileRegistryTest, ADeepPathTakesNoMoreDescriptorsThanAShortOne) {
  std::string deep = dir_.Path();
  for (int i = 0; i < 40; ++i) {
    deep += "/d";
    ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
  }
  const std::string path = deep + "/registry.reg";
  WriteFileBytes(path, StoreBytes(kStoreText));
  const pid_t pid = fork();
  if (pid == 0) {
    close_range(3, ~0u, 0);
    const struct rlimit few = {10, 10};
    if (setrlimit(RLIMIT_NOFILE, &few) != 0) _exit(3);
    FileRegistry store(path);
    _exit(WriteOne(store, u"N", 1) == 0 ? 0 : 1);
  }
  EXPECT_EQ(WaitChild(pid), 0);
  regstore::RegTree tree;
  ASSERT_TRUE(LoadStoreFile(path, &tree));
  EXPECT_EQ(ValueAt(tree, u"Drivers\\Test", u"N"), "dword:1");
}

// In a directory open to all, sticky or not, no store is saved: not by its
// owner (a lock planted beside it), not by a user who may write it but is
// not its owner, not by the owner of a read-only store, not before the
// store exists. A link that another user owns (left from when the
// directory was open) is not followed.
TEST_F(FileRegistryTest, WhatAnotherUserPlantsIsRefusedAndLeftAlone) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to plant as another user";
  const std::string seed = StoreBytes(kStoreText);
  ASSERT_EQ(chmod(dir_.Path().c_str(), 01777), 0);
  WriteFileBytes(Store(), seed);
  ASSERT_EQ(chown(Store().c_str(), kNobody, kNobody), 0);
  const std::string lock = Store() + ".lock";
  WriteFileBytes(lock, "");
  ASSERT_EQ(chmod(lock.c_str(), 0666), 0);
  ASSERT_EQ(chown(lock.c_str(), kNobody - 1, kNobody - 1), 0);
  const struct {
    const char* Who;
    uid_t Uid;
    mode_t StoreMode;
  } runs[] = {
      {"the owner, the lock planted", kNobody, 0666},
      {"a user who may write the store but is not its owner", kNobody - 2,
       0666},
      {"the owner of a read-only store", kNobody, 0444},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.Who);
    ASSERT_EQ(chmod(Store().c_str(), run.StoreMode), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      if (setgid(run.Uid) != 0 || setuid(run.Uid) != 0) _exit(3);
      FileRegistry store(Store());
      _exit(WriteOne(store, u"N", 1) == kErrorAccessDenied ? 0 : 1);
    }
    EXPECT_EQ(WaitChild(pid), 0) << "the run did not refuse";
    EXPECT_EQ(ReadFileBytes(Store()), seed);
    struct stat st;
    ASSERT_EQ(stat(Store().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kNobody);
  }
  ASSERT_EQ(unlink(Store().c_str()), 0);
  {
    FileRegistry store(Store());
    EXPECT_EQ(WriteOne(store, u"N", 1), kErrorAccessDenied);
  }
  EXPECT_FALSE(FileExists(Store()));
  WriteFileBytes(Store(), seed);
  ASSERT_EQ(chmod(dir_.Path().c_str(), 0700), 0);
  ASSERT_EQ(unlink(lock.c_str()), 0);
  ASSERT_EQ(chown(Store().c_str(), 0, 0), 0);

  ScratchDir elsewhere;
  const std::string victim = elsewhere.File("victim.reg");
  WriteFileBytes(victim, seed);
  ASSERT_EQ(unlink(Store().c_str()), 0);
  ASSERT_EQ(symlink(victim.c_str(), Store().c_str()), 0);
  ASSERT_EQ(lchown(Store().c_str(), kNobody, kNobody), 0);
  {
    FileRegistry store(Store());
    EXPECT_EQ(WriteOne(store, u"N", 1), kErrorAccessDenied);
  }
  EXPECT_EQ(ReadFileBytes(victim), seed);
}

// What killed runs left, marked with the sticky bit (before the file got
// its mode) or the attribute (after), is removed. What merely looks like
// it stays: a user's file of the old temporaries' pattern or of this one
// without the mark, a marked one with a second name, marked ones named
// otherwise. Nor does the mark stay on the store or the lock. A guard of
// a lock's replacement that nobody holds goes too.
TEST_F(FileRegistryTest, TemporariesThatKilledRunsLeftAreRemovedAndNothingElse) {
  WriteFileBytes(Store(), StoreBytes(kStoreText));
  constexpr char kMark[] = "user.tarnwell.temporary";
  const std::string ours = "registry.reg.~tarnwell-abcdefghij";
  enum Mark { kNone, kSticky, kAttribute };
  const struct {
    std::string Name;
    Mark How;
    bool Removed;
  } files[] = {
      {ours + "01", kSticky, true},
      {ours + "02", kAttribute, true},
      {"registry.reg.lock-new", kNone, true},  // a killed run's guard
      {"registry.reg.tmp-backup2024", kNone, false},
      {"registry.reg.tmp-abcdefghij", kNone, false},
      {ours + "03", kNone, false},
      {ours + "04", kAttribute, false},  // with a second name
      {"registry.reg.~tarnwell-ABCDEFGHIJ05", kSticky, false},
      {"registryXreg.~tarnwell-abcdefghij06", kSticky, false},
  };
  for (const auto& f : files) {
    const std::string path = dir_.File(f.Name);
    WriteFileBytes(path, "someone's");
    ASSERT_EQ(chmod(path.c_str(), f.How == kSticky ? 01600 : 0600), 0);
    if (f.How == kAttribute) {
      ASSERT_EQ(setxattr(path.c_str(), kMark, "", 0, 0), 0);
    }
  }
  ASSERT_EQ(link(dir_.File(ours + "04").c_str(), dir_.File("kept").c_str()), 0);
  FileRegistry store(Store());
  ASSERT_EQ(WriteOne(store, u"N", 1), 0);
  for (const auto& f : files) {
    EXPECT_EQ(FileExists(dir_.File(f.Name)), !f.Removed) << f.Name;
  }
  for (const std::string& made : {Store(), Store() + ".lock"}) {
    EXPECT_LT(getxattr(made.c_str(), kMark, nullptr, 0), 0) << made;
  }
}

}  // namespace
}  // namespace tarnwell::testing
