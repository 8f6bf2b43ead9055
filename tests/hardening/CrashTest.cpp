// Runs killed at any moment, and runs at the same moment: a killed run
// leaves the store exactly as it was or exactly as it means to leave it,
// and the next run completes it; runs that meet take turns, whole run
// after whole run, and lose nothing of each other.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "support/GeneratedConfig.h"
#include "support/InstallerDir.h"

namespace tarnwell::testing {
namespace {

constexpr char16_t kSeed[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"Seed\"=dword:0000002a\r\n\r\n";

TEST(Crash, AKilledRunLeavesTheStoreBeforeOrAfterNeverBetween) {
  const std::string config = GenerateConfig(3000, 300);
  const std::string seed = StoreBytes(kSeed);
  InstallerDir whole(TARNWELL_EXE);
  whole.WriteConfig(config);
  // The shortest of three whole runs: one slowed by a busy machine would
  // spread the kills past the end of the run.
  auto duration = std::chrono::steady_clock::duration::max();
  for (int i = 0; i < 3; ++i) {
    WriteFileBytes(whole.Store(), seed);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(whole.Run().ExitCode, 0);
    duration = std::min(duration, std::chrono::steady_clock::now() - start);
  }
  const std::string after = ReadFileBytes(whole.Store());

  constexpr int kKillPoints = 30;
  int before_count = 0, after_count = 0;
  for (int k = 0; k < kKillPoints; ++k) {
    SCOPED_TRACE("kill point " + std::to_string(k));
    InstallerDir dir(TARNWELL_EXE);
    dir.WriteConfig(config);
    WriteFileBytes(dir.Store(), seed);
    pid_t pid = StartChild(dir.Exe());
    std::this_thread::sleep_for(duration * k / kKillPoints);
    kill(pid, SIGKILL);
    WaitChild(pid);
    const std::string bytes = ReadFileBytes(dir.Store());
    ASSERT_TRUE(bytes == seed || bytes == after)
        << "the store is neither as it was nor as the run leaves it";
    ++(bytes == seed ? before_count : after_count);
    // Whatever the kill left beside it, the next run completes the store
    // and cleans up.
    RunResult again = dir.Run();
    ASSERT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_EQ(ReadFileBytes(dir.Store()), after);
    EXPECT_EQ(ListDirectory(dir.Path()),
              (std::set<std::string>{"tarnwell", "usbcdc.cfg", "registry.reg",
                                     "registry.reg.lock"}));
  }
  std::printf("kill points: %d, store as before: %d, as after: %d\n",
              kKillPoints, before_count, after_count);
  EXPECT_GT(before_count, kKillPoints / 3) << "the kills missed the run";
}

// Two installers whose registry.reg links to one store, started together,
// each with a configuration of its own: both succeed, and the store holds
// what both wrote.
TEST(Crash, RunsThatMeetTakeTurnsAndLoseNothingOfEachOther) {
  for (int round = 0; round < 3; ++round) {
    ScratchDir shared;
    const std::string store = shared.File("registry.reg");
    WriteFileBytes(store, StoreBytes(kSeed));
    InstallerDir a(TARNWELL_EXE), b(TARNWELL_EXE);
    a.WriteConfig(GenerateConfig(800, 0));
    b.WriteConfig("[MODEM SETTINGS]\nDLL=modem.dll\nVID=12D1\nPID=1001\n");
    ASSERT_EQ(symlink(store.c_str(), a.Store().c_str()), 0);
    ASSERT_EQ(symlink(store.c_str(), b.Store().c_str()), 0);
    pid_t pa = StartChild(a.Exe());
    pid_t pb = StartChild(b.Exe());
    const int sa = WaitChild(pa), sb = WaitChild(pb);
    ASSERT_TRUE(WIFEXITED(sa) && WEXITSTATUS(sa) == 0);
    ASSERT_TRUE(WIFEXITED(sb) && WEXITSTATUS(sb) == 0);
    regstore::RegTree tree;
    ASSERT_TRUE(LoadStoreFile(store, &tree));
    EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Software\\Kept"), nullptr);
    EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\"
                        u"USBCDC_COM_Template"),
              nullptr);
    const regstore::RegNode* clients =
        tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers\\USB\\LoadClients");
    ASSERT_NE(clients, nullptr);
    EXPECT_EQ(clients->ChildCount(), 800u);
  }
}

}  // namespace
}  // namespace tarnwell::testing
