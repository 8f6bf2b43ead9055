// The host store under failing system calls: each write, flush, rename (and
// open, read, truncate, close) of registry.reg fails in turn while the
// whole install pass runs, twice over, with a rewrite between. Afterwards
// the file must load whole, hold every value whose call returned 0, and
// hold nothing that was not asked for.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "HardeningSupport.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/StoreIo.h"
#include "platform/regfile/RegText.h"

namespace tarnwell::hardening {
namespace {

enum class Call { kOpen, kRead, kWrite, kTornWrite, kFsync, kFtruncate, kRename, kClose };

const char* CallName(Call call) {
  switch (call) {
    case Call::kOpen: return "open";
    case Call::kRead: return "read";
    case Call::kWrite: return "write";
    case Call::kTornWrite: return "write cut short";
    case Call::kFsync: return "fsync";
    case Call::kFtruncate: return "ftruncate";
    case Call::kRename: return "rename";
    case Call::kClose: return "close";
  }
  return "?";
}

// The fault plan: the n-th call of one kind fails; the count tells whether
// the workload reached it.
struct FaultPlan {
  Call kind = Call::kWrite;
  long target = 0;
  long seen = 0;
  bool fired = false;
  bool fail_next_write = false;  // the rest of a torn write
};
FaultPlan g_plan;

bool Fires(Call kind) {
  Call counted = kind == Call::kTornWrite ? Call::kWrite : kind;
  Call planned = g_plan.kind == Call::kTornWrite ? Call::kWrite : g_plan.kind;
  if (counted != planned || ++g_plan.seen != g_plan.target) return false;
  g_plan.fired = true;
  return true;
}

int FaultyOpen(const char* path, int flags, mode_t mode) {
  if (Fires(Call::kOpen)) return errno = EIO, -1;
  return posix::RealSyscalls().Open(path, flags, mode);
}
ssize_t FaultyRead(int fd, void* buffer, std::size_t size) {
  if (Fires(Call::kRead)) return errno = EIO, -1;
  return posix::RealSyscalls().Read(fd, buffer, size);
}
ssize_t FaultyWrite(int fd, const void* buffer, std::size_t size) {
  if (g_plan.fail_next_write) {
    g_plan.fail_next_write = false;
    return errno = ENOSPC, -1;
  }
  if (Fires(Call::kWrite)) {
    if (g_plan.kind == Call::kWrite || size < 2) return errno = ENOSPC, -1;
    // Half of it reaches the disk, then the disk is full.
    g_plan.fail_next_write = true;
    return posix::RealSyscalls().Write(fd, buffer, size / 2);
  }
  return posix::RealSyscalls().Write(fd, buffer, size);
}
int FaultyFsync(int fd) {
  if (Fires(Call::kFsync)) return errno = EIO, -1;
  return posix::RealSyscalls().Fsync(fd);
}
int FaultyFtruncate(int fd, off_t size) {
  if (Fires(Call::kFtruncate)) return errno = EIO, -1;
  return posix::RealSyscalls().Ftruncate(fd, size);
}
int FaultyRename(const char* from, const char* to) {
  if (Fires(Call::kRename)) return errno = EIO, -1;
  return posix::RealSyscalls().Rename(from, to);
}
int FaultyClose(int fd) {
  if (Fires(Call::kClose)) {
    posix::RealSyscalls().Close(fd);  // as Linux does: the descriptor goes
    return errno = EIO, -1;
  }
  return posix::RealSyscalls().Close(fd);
}

class FaultySyscalls {
 public:
  FaultySyscalls(Call kind, long target) {
    g_plan = FaultPlan{kind, target};
    posix::Syscalls() = {FaultyOpen,      FaultyRead,   FaultyWrite, FaultyFsync,
                         FaultyFtruncate, FaultyRename, FaultyClose};
  }
  ~FaultySyscalls() { posix::Syscalls() = posix::RealSyscalls(); }
};

// Forwards to the store and notes what each call was asked and answered.
class RecordingRegistry : public Registry {
 public:
  explicit RecordingRegistry(Registry& store) : store_(store) {}

  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override {
    std::int32_t e = store_.CreateKey(parent, path, access, key);
    if (e == 0) {
      std::u16string full = u"HKEY_LOCAL_MACHINE\\" + std::u16string(path);
      paths_[*key] = regstore::FoldCase(full);
      Created.push_back(regstore::FoldCase(full));
    }
    return e;
  }
  std::int32_t SetValue(RegHandle key, const char16_t* name, std::uint32_t type,
                        const void* data, std::uint32_t size) override {
    std::int32_t e = store_.SetValue(key, name, type, data, size);
    std::u16string id = paths_[key] + u"\\" + regstore::FoldCase(name);
    std::string typed(reinterpret_cast<const char*>(&type), 4);
    typed.append(static_cast<const char*>(data), size);
    Attempted[id].push_back(typed);
    if (e == 0) Written[id] = typed;
    return e;
  }
  std::int32_t CloseKey(RegHandle key) override { return store_.CloseKey(key); }

  std::vector<std::u16string> Created;
  std::map<std::u16string, std::string> Written;  // last success
  std::map<std::u16string, std::vector<std::string>> Attempted;

 private:
  Registry& store_;
  std::map<RegHandle, std::u16string> paths_;
};

constexpr char16_t kSeed[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"Seed\"=dword:0000002a\r\n\r\n";

InstallConfig ExampleConfig() {
  InstallConfig config;
  std::string bytes = ReadFile(TARNWELL_EXAMPLE) + GeneratedConfig(3, 2);
  MemoryByteSource source(bytes);
  EXPECT_TRUE(ReadConfigSource(config, source));
  return config;
}

void CheckStore(const std::string& path, const RecordingRegistry& calls,
                const std::string& context) {
  SCOPED_TRACE(context);
  regstore::RegTree tree;
  // Nothing crashed, so not even a torn last line may remain.
  ASSERT_TRUE(LoadStoreFile(path, &tree, false)) << "the store does not load";
  FlatTree flat = Flatten(tree);
  std::map<std::u16string, std::string> values(flat.Values.begin(),
                                                flat.Values.end());
  EXPECT_EQ(values[u"HKEY_LOCAL_MACHINE\\SOFTWARE\\KEPT\\SEED"],
            std::string("\x04\0\0\0\x2a\0\0\0", 8));
  for (const auto& [id, data] : calls.Written) {
    auto it = values.find(id);
    ASSERT_NE(it, values.end()) << Utf8(id) << " returned 0 but is missing";
    EXPECT_EQ(it->second, data) << Utf8(id);
  }
  // Whatever else is there was asked for, whole.
  for (const auto& [id, data] : values) {
    if (id == u"HKEY_LOCAL_MACHINE\\SOFTWARE\\KEPT\\SEED") continue;
    auto it = calls.Attempted.find(id);
    ASSERT_NE(it, calls.Attempted.end()) << Utf8(id) << " was never written";
    bool asked = false;
    for (const std::string& a : it->second) asked = asked || a == data;
    EXPECT_TRUE(asked) << Utf8(id) << " holds data never asked for";
  }
  for (const std::u16string& key : calls.Created) {
    EXPECT_NE(tree.Find(key), nullptr) << Utf8(key) << " was created but is missing";
  }
}

TEST(StoreFaults, EachFailingCallOfTheStoreLeavesAWholeStoreWithEverySuccess) {
  const InstallConfig config = ExampleConfig();
  std::map<Call, long> points;
  for (Call kind : {Call::kWrite, Call::kTornWrite, Call::kFsync, Call::kRename,
                    Call::kOpen, Call::kRead, Call::kClose}) {
    for (long n = 1;; ++n) {
      ScratchDir dir(true);
      const std::string path = dir.File("registry.reg");
      WriteFile(path, StoreBytes(kSeed));
      bool fired = false;
      bool passes_ok = true;
      {
        std::unique_ptr<RecordingRegistry> calls;
        {
          FaultySyscalls faults(kind, n);
          auto store = std::make_unique<posix::FileRegistry>(path);
          calls = std::make_unique<RecordingRegistry>(*store);
          passes_ok = config.WriteConfigToRegistry(*calls) && passes_ok;
          passes_ok = store->Flush() == 0 && passes_ok;
          passes_ok = config.WriteConfigToRegistry(*calls) && passes_ok;
          store.reset();  // rewrites the journal
          fired = g_plan.fired;
        }
        const std::string context = std::string(CallName(kind)) + " #" +
                                    std::to_string(n) + " failed";
        CheckStore(path, *calls, context);
        if (HasFatalFailure()) return;
        if (!fired) {
          EXPECT_TRUE(passes_ok) << context;
        }
      }
      // Whatever failed, the store takes the next run's writes.
      {
        posix::FileRegistry again(path);
        RegHandle key = 0;
        ASSERT_EQ(again.CreateKey(kLocalMachine, u"Software\\After", kKeyReadWrite, &key), 0);
        std::uint32_t one = 1;
        ASSERT_EQ(again.SetValue(key, u"Ok", kRegDword, &one, 4), 0);
        again.CloseKey(key);
      }
      regstore::RegTree after;
      ASSERT_TRUE(LoadStoreFile(path, &after, false));
      ASSERT_NE(after.Find(u"HKEY_LOCAL_MACHINE\\Software\\After"), nullptr);
      if (!fired) {
        points[kind] = n - 1;
        break;
      }
    }
  }
  long total = 0;
  for (const auto& [kind, n] : points) {
    std::printf("%s: %ld fault points\n", CallName(kind), n);
    total += n;
  }
  std::printf("store fault points in all: %ld\n", total);
  EXPECT_GT(points[Call::kWrite], 10);
  EXPECT_GE(points[Call::kFsync], 2);
  EXPECT_GE(points[Call::kRename], 2);
}

}  // namespace
}  // namespace tarnwell::hardening
