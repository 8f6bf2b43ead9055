// Other users against the store, as they would go about it: accounts of
// their own (made for the test, removed after it) that swap names and
// directories during runs, plant links, and hold a lock file open. The
// owner's run never writes outside the place it trusts, and either
// refuses the store untouched or saves it whole, never losing an update.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "regstore/Registry.h"
#include "platform/posix/FileRegistry.h"
#include "support/ChildRun.h"
#include "support/Files.h"
#include "support/RegistryDump.h"
#include "support/StoreFiles.h"

namespace tarnwell::testing {
namespace {

constexpr char16_t kSeed[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"Seed\"=dword:0000002a\r\n";

// An account with its own private group, for as long as the object lives.
class User {
 public:
  explicit User(const std::string& tag)
      : name_("tw" + tag + std::to_string(getpid())) {
    const std::vector<std::string> add = {"/usr/sbin/useradd", "-M", "-U",
                                          name_};
    // The account files' lock may be another's for a moment.
    for (int tries = 0; tries < 20 && !RunTool(add); ++tries) usleep(100000);
    const struct passwd* pw = getpwnam(name_.c_str());
    if (pw != nullptr) {
      uid_ = pw->pw_uid;
      gid_ = pw->pw_gid;
    }
  }
  ~User() {
    if (uid_ != 0) RunTool({"/usr/sbin/userdel", name_});
  }
  bool Made() const { return uid_ != 0; }
  const std::string& Name() const { return name_; }
  uid_t Uid() const { return uid_; }
  gid_t Gid() const { return gid_; }  // the private group's

  // Runs work in a child process as this user: its exit code.
  int Do(const std::function<int()>& work) const {
    return WEXITSTATUS(WaitChild(Start(work)));
  }
  pid_t Start(const std::function<int()>& work) const {
    const pid_t pid = fork();
    if (pid == 0) {
      close_range(3, ~0u, 0);
      if (initgroups(name_.c_str(), gid_) != 0 || setgid(gid_) != 0 ||
          setuid(uid_) != 0) {
        _exit(125);
      }
      _exit(work());
    }
    return pid;
  }

 private:
  std::string name_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

// One run that writes value `n`: 0 saved, 5 refused (access denied), else 9.
int WriteValue(const std::string& path, int n) {
  posix::FileRegistry store(path);
  RegHandle key = 0;
  const std::u16string name = u"V" + std::u16string(1, u'a' + n % 26) +
                              std::u16string(n / 26 + 1, u'x');
  std::uint32_t value = static_cast<std::uint32_t>(n);
  std::int32_t e = store.Load(nullptr);
  if (e == 0) e = store.CreateKey(kLocalMachine, u"Runs", kKeyReadWrite, &key);
  if (e == 0) e = store.SetValue(key, name.c_str(), kRegDword, &value, 4);
  const std::int32_t saved = store.Save();
  if (e == 0) e = saved;
  return e == 0 ? 0 : e == kErrorAccessDenied ? 5 : 9;
}

std::size_t Runs(const std::string& store) {
  regstore::RegTree tree;
  if (!LoadStoreFile(store, &tree)) return 0;
  return ValueCount(tree, u"Runs");
}

class OtherUsers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to make other users";
    bob_ = std::make_unique<User>("b");
    carol_ = std::make_unique<User>("c");
    ASSERT_TRUE(bob_->Made() && carol_->Made()) << "useradd failed";
    // Carol is in bob's group too; both may pass through the scratch
    // directory.
    ASSERT_TRUE(RunTool({"/usr/bin/gpasswd", "-a", carol_->Name(), bob_->Name()}));
    ASSERT_EQ(chmod(root_.Path().c_str(), 0755), 0);
  }
  std::string At(const std::string& name) const { return root_.File(name); }

  ScratchDir root_;
  std::unique_ptr<User> bob_;
  std::unique_ptr<User> carol_;
};

// The owner (root) saves through a link of its own, now beside the
// store's directory in a directory that bob and carol share, now in a
// directory of its own, while bob swaps the store's directory and the
// owner's link with links of his to a root-only directory, and carol
// renames the directory about. Where they may rename the
// owner's entries the store is refused; where the directory is sticky
// they cannot, and every run saves. Nothing ever lands in the secret.
TEST_F(OtherUsers, SwappedDirectoriesAndLinksNeverRedirectARun) {
  const std::string shared = At("shared");
  const std::string secret = At("secret");
  const std::string home = At("home");
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  ASSERT_EQ(mkdir(secret.c_str(), 0700), 0);
  WriteFileBytes(secret + "/victim.reg", StoreBytes(kSeed));
  const std::string link = home + "/registry.reg";
  ASSERT_EQ(symlink((shared + "/store/real.reg").c_str(), link.c_str()), 0);
  const struct {
    const char* What;
    mode_t Mode;
    bool Saves;
  } cases[] = {{"open to all", 0777, false},
               {"sticky", 01777, true},
               {"writable by a group of two", 0770, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    std::error_code ignored;
    std::filesystem::remove_all(shared, ignored);
    ASSERT_EQ(mkdir(shared.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((shared + "/store").c_str(), 0755), 0);
    WriteFileBytes(shared + "/store/real.reg", StoreBytes(kSeed));
    ASSERT_EQ(chmod(shared.c_str(), c.Mode), 0);
    ASSERT_EQ(chown(shared.c_str(), 0, bob_->Gid()), 0);
    ASSERT_EQ(symlink("store/real.reg", (shared + "/mine.reg").c_str()), 0);
    const std::string before = ReadFileBytes(shared + "/store/real.reg");
    const pid_t swapper = bob_->Start([&] {
      symlink(secret.c_str(), (shared + "/evil").c_str());
      symlink((secret + "/planted.reg").c_str(), (shared + "/his.reg").c_str());
      for (;;) {
        renameat2(AT_FDCWD, (shared + "/store").c_str(), AT_FDCWD,
                  (shared + "/evil").c_str(), RENAME_EXCHANGE);
        renameat2(AT_FDCWD, (shared + "/mine.reg").c_str(), AT_FDCWD,
                  (shared + "/his.reg").c_str(), RENAME_EXCHANGE);
      }
      return 0;
    });
    const pid_t renamer = carol_->Start([&] {
      for (;;) {
        rename((shared + "/store").c_str(), (shared + "/moved").c_str());
        rename((shared + "/moved").c_str(), (shared + "/store").c_str());
      }
      return 0;
    });
    std::set<int> results;
    for (int n = 0; n < 40; ++n) {
      results.insert(WriteValue(n % 2 == 0 ? link : shared + "/mine.reg", n));
    }
    kill(swapper, SIGKILL);
    kill(renamer, SIGKILL);
    WaitChild(swapper);
    WaitChild(renamer);
    EXPECT_EQ(ListDirectory(secret), std::set<std::string>{"victim.reg"});
    EXPECT_EQ(ReadFileBytes(secret + "/victim.reg"), StoreBytes(kSeed));
    // The store is wherever the renames left its directory.
    std::string store;
    for (const char* name : {"/store", "/moved", "/evil"}) {
      struct stat st;
      if (lstat((shared + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        store = shared + name + "/real.reg";
      }
    }
    if (c.Saves) {
      EXPECT_EQ(results, std::set<int>{0});
      EXPECT_EQ(Runs(store), 40u) << "a lost update";
    } else {
      EXPECT_EQ(results, std::set<int>{5});
      EXPECT_EQ(ReadFileBytes(store), before);
    }
  }
}

// A lock file that bob could open (left from when the store's group could
// write it) and still holds after his access is gone: the owner's run
// replaces it and goes on at once, instead of waiting for him.
TEST_F(OtherUsers, ALockHeldByARevokedUserDoesNotStallTheOwner) {
  const std::string dir = At("carol");
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  ASSERT_EQ(chown(dir.c_str(), carol_->Uid(), carol_->Gid()), 0);
  const std::string store = dir + "/registry.reg";
  const std::string lock = store + ".lock";
  WriteFileBytes(store, StoreBytes(kSeed));
  WriteFileBytes(lock, "");
  ASSERT_EQ(chown(store.c_str(), carol_->Uid(), bob_->Gid()), 0);
  ASSERT_EQ(chown(lock.c_str(), carol_->Uid(), bob_->Gid()), 0);
  ASSERT_EQ(chmod(store.c_str(), 0660), 0);
  ASSERT_EQ(chmod(lock.c_str(), 0660), 0);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    close(ready[0]);
    if (setgid(bob_->Gid()) != 0 || setuid(bob_->Uid()) != 0) _exit(125);
    const int fd = open(lock.c_str(), O_RDWR);
    struct flock hold = {};
    hold.l_type = F_WRLCK;
    const char ok = fd >= 0 && fcntl(fd, F_OFD_SETLK, &hold) == 0 ? 1 : 0;
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  ASSERT_EQ(ok, 1) << "bob could not hold the lock";
  // Revoked: the store's group may no longer write it.
  ASSERT_EQ(chmod(store.c_str(), 0600), 0);
  EXPECT_EQ(carol_->Do([&] { return WriteValue(store, 1); }), 0);
  kill(holder, SIGKILL);
  WaitChild(holder);
  EXPECT_EQ(Runs(store), 1u);
  struct stat st;
  ASSERT_EQ(stat(lock.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_uid, carol_->Uid());
}

}  // namespace
}  // namespace tarnwell::testing
