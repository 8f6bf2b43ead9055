// The host store under failing system calls: every call of the POSIX
// layer's table fails in turn, once or from then on, while a whole install
// pass (its configuration read from the file) and its save run. Each time
// the file must be exactly as it was (and the run must say it failed), or
// exactly as a clean run leaves it, metadata and all; a later run must
// work and leave no temporary file behind.
#include <gtest/gtest.h>

#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "platform/OutputFile.h"
#include "platform/Platform.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/NativePath.h"
#include "platform/posix/PosixCalls.h"
#include "support/ChildRun.h"
#include "support/Files.h"
#include "support/StoreFiles.h"

namespace tarnwell::testing {
namespace {

using posix::PosixCalls;

struct Plan {
  long At = 0;          // the call that fails, counting from 1; 0: none
  bool Lasting = false;  // and every call after it
  long Count = 0;
  std::string Failed;    // the name of the first call that failed
  bool Renamed = false;  // the store was replaced before that
  int Errno = -1;        // what a failure sets; -1: EIO (ENOSPC for a write)
  std::string Only;      // when set, only calls of this name count
  std::set<std::string> Made;  // the names of the calls made
  std::set<std::string> Lacking;  // fail with EPERM throughout, uncounted
  bool Done = false;  // a failing call takes effect all the same (a lost reply)
};
Plan g_plan;

bool Fails(const char* name) {
  g_plan.Made.insert(name);
  if (!g_plan.Only.empty() && g_plan.Only != name) return false;
  ++g_plan.Count;
  const bool fails = g_plan.At > 0 && (g_plan.Count == g_plan.At ||
                                       (g_plan.Lasting && g_plan.Count > g_plan.At));
  if (fails && g_plan.Failed.empty()) g_plan.Failed = name;
  return fails;
}

template <typename R>
R Failure() {
  if constexpr (std::is_pointer_v<R>) {
    return nullptr;
  } else {
    return static_cast<R>(-1);
  }
}

// Whether Field is that member of the table (members of one type differ
// only in value).
template <auto Field, auto Other>
constexpr bool Is() {
  if constexpr (std::is_same_v<decltype(Field), decltype(Other)>) {
    return Field == Other;
  } else {
    return false;
  }
}

// A table entry that fails when the plan says so, with EIO (ENOSPC for a
// write), and otherwise makes the real call.
template <auto Field, const char* Name>
struct Faulty;
template <typename R, typename... A, R (*PosixCalls::*Field)(A...),
          const char* Name>
struct Faulty<Field, Name> {
  static R Call(A... args) {
    const bool lacking = g_plan.Lacking.count(Name) != 0;
    if (lacking || Fails(Name)) {
      if (Is<Field, &PosixCalls::Close>() ||
          Is<Field, &PosixCalls::Closedir>() || (g_plan.Done && !lacking)) {
        (posix::RealCalls().*Field)(args...);  // what it held goes
      }
      errno = lacking                                 ? EPERM
              : g_plan.Errno >= 0                     ? g_plan.Errno
              : Is<Field, &PosixCalls::Write>() ? ENOSPC
                                                : EIO;
      return Failure<R>();
    }
    R result = (posix::RealCalls().*Field)(args...);
    if constexpr (Is<Field, &PosixCalls::Renameat>()) {
      // The store's rename, not a lock file's.
      const std::string to = std::get<3>(std::tie(args...));
      if (g_plan.Failed.empty() && to.find(".lock") == std::string::npos) {
        g_plan.Renamed = true;
      }
    }
    return result;
  }
};

// Every call of the table that can fail, by the table's own list.
#define TARNWELL_CALL_NAME(name, signature, real) \
  constexpr char k##name[] = #name;
TARNWELL_POSIX_CALLS(TARNWELL_CALL_NAME)
#define TARNWELL_NAME_OF(name, signature, real) #name,
const std::set<std::string> kEveryCall = {TARNWELL_POSIX_CALLS(TARNWELL_NAME_OF)};
#define TARNWELL_FAULTY(name, signature, real) \
  table.name = Faulty<&PosixCalls::name, k##name>::Call;

class FaultyTable {
 public:
  FaultyTable(long at, bool lasting, int error = -1, const char* only = "",
              const std::set<std::string>& lacking = {}) {
    g_plan = Plan();
    g_plan.At = at;
    g_plan.Lasting = lasting;
    g_plan.Errno = error;
    g_plan.Only = only;
    g_plan.Lacking = lacking;
    PosixCalls table = posix::RealCalls();
    TARNWELL_POSIX_CALLS(TARNWELL_FAULTY)
    posix::Calls() = table;
  }
  ~FaultyTable() { posix::Calls() = posix::RealCalls(); }
};

constexpr char16_t kSeed[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"Seed\"=dword:0000002a\r\n\r\n";

// The example configuration read from its file through the platform, and
// written into the store at path.
bool InstallAndSave(const std::string& path) {
  std::int32_t error = 0;
  const std::u16string config_path = posix::NativeToWide(TARNWELL_EXAMPLE);
  auto source = platform::OpenFileForReading(config_path.c_str(), &error);
  InstallConfig config;
  if (!source || !ReadConfigSource(config, *source)) return false;
  posix::FileRegistry store(path);
  if (store.Load(nullptr) != kErrorSuccess) return false;
  const bool written = config.WriteConfigToRegistry(store);
  return store.Save() == kErrorSuccess && written;
}

// The store's bytes, or "" when there is no store file.
std::string StoreState(const std::string& path) {
  return FileExists(path) ? ReadFileBytes(path) : "";
}

enum class Start { kExistingStore, kNewStore, kPlantedLock, kSharedDirectory };

// A store that exists (with an ACL, an attribute and a chattr attribute,
// named by a path relative to the working directory), one that the run creates, one whose
// lock file another user planted, which the run replaces, and one reached
// through a link in a directory its owner's private group may write,
// owned by another user, where new files inherit an ACL the store lacks.
// Sandboxed, every run goes without the newer calls, as under a seccomp
// filter that predates them.
void SweepFaults(Start start, bool sandboxed, std::set<std::string>* made) {
  const char* const kWhat[] = {"an existing store", "a new store",
                               "a planted lock file", "a shared directory"};
  SCOPED_TRACE(kWhat[static_cast<int>(start)]);
  SCOPED_TRACE(sandboxed ? "without the newer calls" : "");
  std::set<std::string> lacking;
  if (sandboxed) lacking = {"Openat2", "Renameat2", "Access", "Random"};
  const bool fresh = start == Start::kNewStore;
  const bool shared = start == Start::kSharedDirectory;
  // Not in memory: the temporaries' marks are user xattrs, which tmpfs
  // takes only from Linux 6.6 on.
  ScratchDir dir;
  std::string path = dir.File("registry.reg");
  const std::string file = shared ? dir.File("real.reg") : path;
  const std::string seed = fresh ? "" : StoreBytes(kSeed);
  if (start == Start::kExistingStore) {
    WriteFileBytes(file, seed);
    ASSERT_TRUE(RunTool({"/usr/bin/setfacl", "-m", "u:nobody:r", file}));
    ASSERT_TRUE(
        RunTool({"/usr/bin/setfattr", "-n", "user.origin", "-v", "kept", file}));
    AddFileFlags(file, FS_NODUMP_FL);  // where the file system has it
    ASSERT_EQ(chdir(dir.Path().c_str()), 0);
    path = "registry.reg";
  } else if (shared) {
    WriteFileBytes(file, seed);
    ASSERT_TRUE(
        RunTool({"/usr/bin/setfattr", "-n", "user.origin", "-v", "kept", file}));
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    ASSERT_EQ(symlink("real.reg", path.c_str()), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0770), 0);  // root's group: only root
    ASSERT_TRUE(
        RunTool({"/usr/bin/setfacl", "-d", "-m", "u:nobody:rw", dir.Path()}));
  }
  auto reset = [&] {
    if (fresh) {
      std::remove(file.c_str());
    } else {
      WriteFileBytes(file, seed);
    }
    if (start == Start::kPlantedLock) {
      const std::string lock = file + ".lock";
      std::remove(lock.c_str());
      WriteFileBytes(lock, "");
      ASSERT_EQ(chmod(lock.c_str(), 0666), 0);
      ASSERT_EQ(chown(lock.c_str(), 65534, 65534), 0);
    }
  };
  auto install = [&](long at, bool lasting, Plan* plan) {
    FaultyTable faults(at, lasting, -1, "", lacking);
    const bool ok = InstallAndSave(path);
    *plan = g_plan;
    return ok;
  };
  Plan plan;
  reset();
  const std::string before = fresh ? "" : FileMetadata(file);
  ASSERT_TRUE(install(0, false, &plan));
  const std::string clean = ReadFileBytes(file);
  std::set<std::string> must_fail = {"Openat", "Write", "Fsync",
                                     "Renameat", "Lock", "Fstat", "Read"};
  if (!fresh) must_fail.insert({"Flistxattr", "Fchmod"});
  if (start == Start::kExistingStore) must_fail.insert({"Fgetxattr", "Fsetxattr", "Getcwd"});
  if (shared) must_fail.insert({"Readlinkat", "Fchown", "Fremovexattr"});
  if (sandboxed && start == Start::kPlantedLock) must_fail.insert("Linkat");
  // Without openat2 (old kernels, QEMU, sandboxes) names in the store's
  // directory are opened with openat too, and a lock that fails to open is
  // replaced, which is no failed run.
  const int probe = posix::RealCalls().Openat2(AT_FDCWD, ".",
                                               O_RDONLY | O_DIRECTORY, 0, 0);
  if (probe >= 0) close(probe);
  if (sandboxed || (probe < 0 && errno == ENOSYS)) must_fail.erase("Openat");
  std::set<std::string> leaves = ListDirectory(dir.Path());
  for (bool lasting : {false, true}) {
    std::set<std::string> reported;
    long points = 0;
    for (long at = 1;; ++at) {
      reset();
      const bool ok = install(at, lasting, &plan);
      made->insert(plan.Made.begin(), plan.Made.end());
      if (plan.Count < at) break;  // the run makes fewer calls: all tried
      points = at;
      SCOPED_TRACE("call " + std::to_string(at) + " (" + plan.Failed + ")" +
                   (lasting ? " and later" : ""));
      const std::string bytes = StoreState(file);
      if (ok) {
        EXPECT_EQ(bytes, clean);
      } else {
        reported.insert(plan.Failed);
        EXPECT_EQ(bytes, seed) << "a run that failed changed the store";
      }
      if (!fresh) {
        // Once the store is replaced, a failure may leave the temporary's
        // mark on it, to no effect.
        std::string now = FileMetadata(file);
        const std::size_t mark = now.find(" user.tarnwell.temporary=");
        if (plan.Renamed && mark != std::string::npos) now.erase(mark, 25);
        EXPECT_EQ(now, before) << "the metadata changed";
      }
      // Once the store is replaced the save has happened: what fails after
      // cannot take it back.
      if (!lasting && must_fail.count(plan.Failed) != 0 && !plan.Renamed) {
        EXPECT_FALSE(ok) << "a failed " << plan.Failed << " went unreported";
      }
      // The next run works, whatever this one left, and leaves only the
      // store and its lock.
      reset();
      ASSERT_TRUE(install(0, false, &plan));
      EXPECT_EQ(ReadFileBytes(file), clean);
      EXPECT_EQ(ListDirectory(dir.Path()), leaves);
    }
    std::printf("%s faults: %ld call points\n", lasting ? "lasting" : "single",
                points);
    for (const std::string& name : must_fail) {
      EXPECT_EQ(reported.count(name), 1u) << name << " never failed a run";
    }
  }
  ASSERT_EQ(chdir("/"), 0);
}

TEST(StoreFaults, EveryCallFailsInTurnAndTheStoreIsBeforeOrAfterNeverBetween) {
  std::set<std::string> made;
  for (bool sandboxed : {false, true}) {
    SweepFaults(Start::kExistingStore, sandboxed, &made);
    SweepFaults(Start::kNewStore, sandboxed, &made);
    // Planting as another user, and owners other than the run's, take root.
    if (geteuid() != 0) continue;
    SweepFaults(Start::kPlantedLock, sandboxed, &made);
    SweepFaults(Start::kSharedDirectory, sandboxed, &made);
  }
  if (geteuid() != 0) GTEST_SKIP() << "the rest needs root, to act as others";
  // Every call in the table failed somewhere; waiting is swept below.
  for (const std::string& name : kEveryCall) {
    EXPECT_TRUE(made.count(name) != 0 || name == "Sleep")
        << name << " is in the table but no run made it";
  }
}

// An interrupted read, write or wait for the lock is made again: the run
// succeeds as if nothing had happened.
TEST(StoreFaults, InterruptedReadsWritesAndLockWaitsAreRetried) {
  ScratchDir dir(true);
  const std::string path = dir.File("registry.reg");
  WriteFileBytes(path, StoreBytes(kSeed));
  ASSERT_TRUE(InstallAndSave(path));
  const std::string clean = ReadFileBytes(path);
  for (const char* call : {"Read", "Write", "Lock"}) {
    long at = 1;
    for (;; ++at) {
      WriteFileBytes(path, StoreBytes(kSeed));
      bool ok;
      Plan plan;
      {
        FaultyTable faults(at, false, EINTR, call);
        ok = InstallAndSave(path);
        plan = g_plan;
      }
      if (plan.Count < at) break;
      EXPECT_TRUE(ok) << call << " number " << at;
      EXPECT_EQ(ReadFileBytes(path), clean) << call << " number " << at;
    }
    EXPECT_GT(at, 1) << "the run makes no " << call << " call";
  }
}

// A kernel, a file system or a sandbox without openat2, renameat2's
// RENAME_NOREPLACE (NFS, 9p, FUSE), faccessat2, getrandom, locks per open
// file description, extended or chattr attributes: the run saves all the
// same, and leaves the store and a lock, no other name. A link made on NFS
// whose reply was lost is found made. A lock file that keeps appearing as
// the run makes its own: it gives up.
TEST(StoreFaults, WhatTheSystemLacksIsDoneWithout) {
  ScratchDir dir(true);
  const std::string path = dir.File("registry.reg");
  WriteFileBytes(path, StoreBytes(kSeed));
  ASSERT_TRUE(InstallAndSave(path));
  const std::string clean = ReadFileBytes(path);
  const struct {
    const char* Call;
    int Errno;
    bool Lasting;
    bool Saves;
    const char* Lacking = "";  // fails with EPERM throughout
    bool Done = false;         // the failing call took effect
  } cases[] = {{"Openat2", ENOSYS, true, true},
               {"Openat2", EPERM, true, true},
               {"Openat2", EINVAL, true, true},
               {"Renameat2", EINVAL, true, true},
               {"Renameat2", EPERM, true, true},
               {"Renameat2", ENOSYS, true, true},
               {"Linkat", EIO, false, true, "Renameat2", true},
               {"Access", EPERM, true, true},
               {"Random", EPERM, true, true},
               {"Flistxattr", ENOTSUP, true, true},
               {"Fsetxattr", ENOTSUP, true, true},
               {"Fsetxattr", EPERM, true, true},  // a sandbox refuses it
               {"Ioctl", ENOTTY, true, true},  // no chattr attributes
               {"Lock", EINVAL, false, true},  // F_OFD_SETLK unknown
               {"Lock", EPERM, false, true},   // or refused
               {"Renameat2", EEXIST, true, false}};
  for (const auto& [call, error, lasting, saves, lacks, done] : cases) {
    SCOPED_TRACE(std::string(call) + " " + std::to_string(error));
    WriteFileBytes(path, StoreBytes(kSeed));
    std::remove((path + ".lock").c_str());
    bool ok;
    {
      FaultyTable faults(1, lasting, error, call,
                         *lacks != '\0' ? std::set<std::string>{lacks}
                                        : std::set<std::string>{});
      g_plan.Done = done;
      ok = InstallAndSave(path);
    }
    EXPECT_EQ(ok, saves);
    EXPECT_EQ(ReadFileBytes(path), saves ? clean : StoreBytes(kSeed));
    std::set<std::string> left = {"registry.reg", "registry.reg.lock"};
    if (!saves) left.erase("registry.reg.lock");
    EXPECT_EQ(ListDirectory(dir.Path()), left);
  }
}

// A call that fails reports the Windows code of its error, whichever
// error it was and whatever the store did after it.
TEST(StoreFaults, AFailedCallReportsTheWindowsCodeOfItsError) {
  ScratchDir dir(true);
  const std::string path = dir.File("registry.reg");
  WriteFileBytes(path, StoreBytes(kSeed));
  const struct {
    int Errno;
    std::int32_t Code;
  } cases[] = {
      {0, kErrorRegistryIoFailed},  // failed without saying why: no success
      {ENOENT, kErrorFileNotFound},    {ENOTDIR, 3},  // ERROR_PATH_NOT_FOUND
      {EACCES, kErrorAccessDenied},    {EPERM, kErrorAccessDenied},
      {EROFS, kErrorAccessDenied},     {ENOMEM, kErrorNotEnoughMemory},
      {ENOSPC, kErrorDiskFull},        {EDQUOT, kErrorDiskFull},
      {ENAMETOOLONG, kErrorFilenameTooLong},
      {EBADF, kErrorInvalidHandle},    {EIO, kErrorRegistryIoFailed},
  };
  for (const auto& c : cases) {
    posix::FileRegistry store(path);
    std::int32_t result;
    {
      FaultyTable faults(1, true, c.Errno, "Fstat");
      result = store.Load(nullptr);
    }
    EXPECT_EQ(result, c.Code) << "errno " << c.Errno;
  }
  EXPECT_EQ(ReadFileBytes(path), StoreBytes(kSeed));
}

// A clock that runs a second per look, so that a wait ends at once.
long long g_fake_seconds = 0;
int FakeClock(clockid_t, struct timespec* now) {
  now->tv_sec = static_cast<time_t>(++g_fake_seconds);
  now->tv_nsec = 0;
  return 0;
}
int NoSleep(const struct timespec*, struct timespec*) { return 0; }

// A lock with a second name, as one made by a link (renameat2 lacking) has
// until its maker removes its temporary's, is waited for alike, and once
// free replaced, the other name going with the clean-up.
TEST(StoreFaults, ARunThatCannotGetTheLockGivesUpAndTouchesNothing) {
  ScratchDir dir;
  const std::string path = dir.File("registry.reg");
  WriteFileBytes(path, StoreBytes(kSeed));
  posix::FileRegistry holder(path);
  RegHandle key = 0;
  ASSERT_EQ(holder.Load(nullptr), 0);
  ASSERT_EQ(holder.CreateKey(kLocalMachine, u"Holder", kKeyReadWrite, &key), 0);

  posix::Calls().Clock = FakeClock;
  posix::Calls().Sleep = NoSleep;
  posix::FileRegistry waiter(path);
  RegHandle other = 0;
  const std::int32_t waited = waiter.Load(nullptr);
  posix::Calls() = posix::RealCalls();
  EXPECT_EQ(waited, 1460) << "ERROR_TIMEOUT";
  EXPECT_GE(g_fake_seconds, 30);
  EXPECT_LE(g_fake_seconds, 32) << "it waits 30 seconds, no more";
  EXPECT_NE(waiter.Save(), kErrorSuccess);
  EXPECT_EQ(ReadFileBytes(path), StoreBytes(kSeed));
  const std::string second = path + ".~tarnwell-abcdefghij01";
  ASSERT_EQ(link((path + ".lock").c_str(), second.c_str()), 0);
  ASSERT_EQ(setxattr(second.c_str(), "user.tarnwell.temporary", "", 0, 0), 0);
  posix::Calls().Clock = FakeClock;
  posix::Calls().Sleep = NoSleep;
  EXPECT_EQ(posix::FileRegistry(path).Load(nullptr), 1460);
  posix::Calls() = posix::RealCalls();

  ASSERT_EQ(holder.Save(), kErrorSuccess);
  ASSERT_EQ(waiter.Load(nullptr), 0)
      << "once the holder is done, the next run goes on";
  ASSERT_EQ(waiter.CreateKey(kLocalMachine, u"Waiter", kKeyReadWrite, &other), 0);
  ASSERT_EQ(waiter.Save(), kErrorSuccess);
  regstore::RegTree tree;
  ASSERT_TRUE(LoadStoreFile(path, &tree));
  EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Holder"), nullptr);
  EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Waiter"), nullptr);
  EXPECT_EQ(ListDirectory(dir.Path()),
            (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
}

// tarnwell-check's -o replaces its file through the same calls as the
// store: whichever fails, once or from then on, the file is the old one or
// the new one, whole, and a single failure leaves no temporary beside it.
// The name is of the longest length, which a temporary's must fit too.
TEST(StoreFaults, AnOutputFileIsOldOrNewNeverBetween) {
  ScratchDir dir;
  const std::string path = dir.File(std::string(255, 'o'));
  for (bool lasting : {false, true}) {
    for (long at = 1;; ++at) {
      WriteFileBytes(path, "old");
      std::int32_t result;
      Plan plan;
      {
        FaultyTable faults(at, lasting);
        platform::OutputRefusal refusal;
        result = platform::ReplaceFile(path, "new bytes", &refusal);
        plan = g_plan;
      }
      if (plan.Count < at) {
        EXPECT_EQ(result, 0) << "no call failed";
        break;
      }
      SCOPED_TRACE("call " + std::to_string(at) + " (" + plan.Failed + ")");
      EXPECT_EQ(ReadFileBytes(path), result == 0 ? "new bytes" : "old");
      if (!lasting) {
        EXPECT_EQ(ListDirectory(dir.Path()).size(), 1u);
      }
    }
  }
}

}  // namespace
}  // namespace tarnwell::testing
