// The host store under failing system calls: every call it makes through
// its table fails in turn, once or from then on, while a whole install
// pass and its save run. Each time the file must be exactly as it was (and
// the run must say it failed), or exactly as a clean run leaves it; a
// later run must work and leave no temporary file behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <set>
#include <string>
#include <type_traits>

#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/StoreSyscalls.h"
#include "support/Files.h"
#include "support/StoreFiles.h"

namespace tarnwell::testing {
namespace {

using posix::StoreSyscalls;

struct Plan {
  long At = 0;          // the call that fails, counting from 1; 0: none
  bool Lasting = false;  // and every call after it
  long Count = 0;
  std::string Failed;    // the name of the first call that failed
  bool Renamed = false;  // the store was replaced before that
  int Errno = -1;        // what a failure sets; -1: EIO (ENOSPC for a write)
  std::string Only;      // when set, only calls of this name count
};
Plan g_plan;

bool Fails(const char* name) {
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
template <typename R, typename... A, R (*StoreSyscalls::*Field)(A...),
          const char* Name>
struct Faulty<Field, Name> {
  static R Call(A... args) {
    if (Fails(Name)) {
      if (Is<Field, &StoreSyscalls::Close>() ||
          Is<Field, &StoreSyscalls::Closedir>()) {
        (posix::RealSyscalls().*Field)(args...);  // what it held goes
      }
      errno = g_plan.Errno >= 0                          ? g_plan.Errno
              : Is<Field, &StoreSyscalls::Write>() ? ENOSPC
                                                   : EIO;
      return Failure<R>();
    }
    R result = (posix::RealSyscalls().*Field)(args...);
    if (Is<Field, &StoreSyscalls::Renameat>() && g_plan.Failed.empty()) {
      g_plan.Renamed = true;
    }
    return result;
  }
};

// Every call of the table that can fail.
#define TARNWELL_STORE_CALLS(X)                                              \
  X(Openat) X(Fstat) X(Fstatat) X(Access) X(Readlinkat) X(Read) X(Write)    \
  X(Fsync) X(Fchmod) X(Fchown) X(Renameat) X(Unlinkat) X(Close) X(Lock)     \
  X(Sleep) X(Clock) X(Random) X(Dup) X(Opendir) X(Readdir) X(Closedir)
#define TARNWELL_CALL_NAME(name) constexpr char k##name[] = #name;
TARNWELL_STORE_CALLS(TARNWELL_CALL_NAME)
#define TARNWELL_FAULTY(name) \
  table.name = Faulty<&StoreSyscalls::name, k##name>::Call;

class FaultyTable {
 public:
  FaultyTable(long at, bool lasting, int error = -1, const char* only = "") {
    g_plan = Plan();
    g_plan.At = at;
    g_plan.Lasting = lasting;
    g_plan.Errno = error;
    g_plan.Only = only;
    StoreSyscalls table = posix::RealSyscalls();
    TARNWELL_STORE_CALLS(TARNWELL_FAULTY)
    posix::Syscalls() = table;
  }
  ~FaultyTable() { posix::Syscalls() = posix::RealSyscalls(); }
};

constexpr char16_t kSeed[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"Seed\"=dword:0000002a\r\n\r\n";

InstallConfig ExampleConfig() {
  InstallConfig config;
  const std::string text = ReadFileBytes(TARNWELL_EXAMPLE);
  MemoryByteSource source(text);
  EXPECT_TRUE(ReadConfigSource(config, source));
  return config;
}

bool InstallAndSave(const InstallConfig& config, const std::string& path) {
  posix::FileRegistry store(path);
  if (store.Load(nullptr) != kErrorSuccess) return false;
  const bool written = config.WriteConfigToRegistry(store);
  return store.Save() == kErrorSuccess && written;
}

// The store's bytes, or "" when there is no store file.
std::string StoreState(const std::string& path) {
  return FileExists(path) ? ReadFileBytes(path) : "";
}

enum class Start { kExistingStore, kNewStore, kPlantedLock };

// A store that exists, one that the run creates, and one whose lock file
// another user planted, which the run replaces.
void SweepFaults(Start start) {
  const bool fresh = start == Start::kNewStore;
  SCOPED_TRACE(fresh ? "a new store"
                     : start == Start::kPlantedLock ? "a planted lock file"
                                                    : "an existing store");
  ScratchDir dir(true);
  const std::string path = dir.File("registry.reg");
  const InstallConfig config = ExampleConfig();
  const std::string seed = fresh ? "" : StoreBytes(kSeed);
  auto reset = [&] {
    if (fresh) {
      std::remove(path.c_str());
    } else {
      WriteFileBytes(path, seed);
    }
    if (start == Start::kPlantedLock) {
      const std::string lock = path + ".lock";
      std::remove(lock.c_str());
      WriteFileBytes(lock, "");
      ASSERT_EQ(chmod(lock.c_str(), 0666), 0);
      ASSERT_EQ(chown(lock.c_str(), 65534, 65534), 0);
    }
  };
  reset();
  ASSERT_TRUE(InstallAndSave(config, path));
  const std::string clean = ReadFileBytes(path);
  std::set<std::string> must_fail = {"Openat", "Write", "Fsync", "Renameat",
                                     "Lock", "Fstat"};
  if (!fresh) must_fail.insert("Read");
  for (bool lasting : {false, true}) {
    std::set<std::string> reported;
    long points = 0;
    for (long at = 1;; ++at) {
      reset();
      bool ok;
      Plan plan;
      {
        FaultyTable faults(at, lasting);
        ok = InstallAndSave(config, path);
        plan = g_plan;
      }
      if (plan.Count < at) break;  // the run makes fewer calls: all tried
      points = at;
      SCOPED_TRACE("call " + std::to_string(at) + " (" + plan.Failed + ")" +
                   (lasting ? " and later" : ""));
      const std::string bytes = StoreState(path);
      if (ok) {
        EXPECT_EQ(bytes, clean);
      } else {
        reported.insert(plan.Failed);
        EXPECT_EQ(bytes, seed) << "a run that failed changed the store";
      }
      // Once the store is replaced the save has happened: what fails after
      // cannot take it back.
      if (!lasting && must_fail.count(plan.Failed) != 0 && !plan.Renamed) {
        EXPECT_FALSE(ok) << "a failed " << plan.Failed << " went unreported";
      }
      // The next run works, whatever this one left, and leaves only the
      // store and its lock.
      reset();
      ASSERT_TRUE(InstallAndSave(config, path));
      EXPECT_EQ(ReadFileBytes(path), clean);
      EXPECT_EQ(ListDirectory(dir.Path()),
                (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
    }
    std::printf("%s faults: %ld call points\n", lasting ? "lasting" : "single",
                points);
    for (const std::string& name : must_fail) {
      EXPECT_EQ(reported.count(name), 1u) << name << " never failed a run";
    }
  }
}

TEST(StoreFaults, EveryCallFailsInTurnAndTheStoreIsBeforeOrAfterNeverBetween) {
  SweepFaults(Start::kExistingStore);
  SweepFaults(Start::kNewStore);
  // Planting as another user takes root.
  if (geteuid() == 0) SweepFaults(Start::kPlantedLock);
}

// An interrupted read, write or wait for the lock is made again: the run
// succeeds as if nothing had happened.
TEST(StoreFaults, InterruptedReadsWritesAndLockWaitsAreRetried) {
  ScratchDir dir(true);
  const std::string path = dir.File("registry.reg");
  const InstallConfig config = ExampleConfig();
  WriteFileBytes(path, StoreBytes(kSeed));
  ASSERT_TRUE(InstallAndSave(config, path));
  const std::string clean = ReadFileBytes(path);
  for (const char* call : {"Read", "Write", "Lock"}) {
    long at = 1;
    for (;; ++at) {
      WriteFileBytes(path, StoreBytes(kSeed));
      bool ok;
      Plan plan;
      {
        FaultyTable faults(at, false, EINTR, call);
        ok = InstallAndSave(config, path);
        plan = g_plan;
      }
      if (plan.Count < at) break;
      EXPECT_TRUE(ok) << call << " number " << at;
      EXPECT_EQ(ReadFileBytes(path), clean) << call << " number " << at;
    }
    EXPECT_GT(at, 1) << "the run makes no " << call << " call";
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

TEST(StoreFaults, ARunThatCannotGetTheLockGivesUpAndTouchesNothing) {
  ScratchDir dir(true);
  const std::string path = dir.File("registry.reg");
  WriteFileBytes(path, StoreBytes(kSeed));
  posix::FileRegistry holder(path);
  RegHandle key = 0;
  ASSERT_EQ(holder.Load(nullptr), 0);
  ASSERT_EQ(holder.CreateKey(kLocalMachine, u"Holder", kKeyReadWrite, &key), 0);

  posix::Syscalls().Clock = FakeClock;
  posix::Syscalls().Sleep = NoSleep;
  posix::FileRegistry waiter(path);
  RegHandle other = 0;
  const std::int32_t waited = waiter.Load(nullptr);
  posix::Syscalls() = posix::RealSyscalls();
  EXPECT_EQ(waited, 1460) << "ERROR_TIMEOUT";
  EXPECT_GE(g_fake_seconds, 30);
  EXPECT_LE(g_fake_seconds, 32) << "it waits 30 seconds, no more";
  EXPECT_NE(waiter.Save(), kErrorSuccess);
  EXPECT_EQ(ReadFileBytes(path), StoreBytes(kSeed));

  ASSERT_EQ(holder.Save(), kErrorSuccess);
  ASSERT_EQ(waiter.Load(nullptr), 0)
      << "once the holder is done, the next run goes on";
  ASSERT_EQ(waiter.CreateKey(kLocalMachine, u"Waiter", kKeyReadWrite, &other), 0);
  ASSERT_EQ(waiter.Save(), kErrorSuccess);
  regstore::RegTree tree;
  ASSERT_TRUE(LoadStoreFile(path, &tree));
  EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Holder"), nullptr);
  EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Waiter"), nullptr);
}

}  // namespace
}  // namespace tarnwell::testing
