// Every allocation of a whole run fails in turn: the first, the second, ...
// until a run goes through untouched. Each run must end as a clean failure
// with its message and exit code 1 (or, where the failure cost nothing, as
// the full success), and leave a store that loads and keeps what it held.
#include <gtest/gtest.h>

#include <string>

#include "HardeningSupport.h"

namespace tarnwell::hardening {
namespace {

constexpr char kInjected[] = "[injected allocation failure]\n";
constexpr char16_t kSeedStore[] =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"Seed\"=\"held before the run\"\r\n\r\n";

std::string WithoutNote(std::string err) {
  std::size_t at = err.find(kInjected);
  if (at != std::string::npos) err.erase(at, sizeof kInjected - 1);
  return err;
}

TEST(OutOfMemory, EveryAllocationOfARunFailsInTurnAndTheRunEndsCleanly) {
  ScratchDir dir;
  const std::string exe = dir.File("tarnwell");
  const std::string store = dir.File("registry.reg");
  CopyExecutable(TARNWELL_OOM_EXE, exe);
  WriteFile(dir.File("usbcdc.cfg"), ReadFile(TARNWELL_EXAMPLE));
  const std::string seed = StoreBytes(kSeedStore);

  WriteFile(store, seed);
  RunResult clean = RunInstallerProcess(exe, dir.Path());
  ASSERT_TRUE(clean.Exited);
  ASSERT_EQ(clean.ExitCode, 0) << clean.Err;
  ASSERT_EQ(clean.Out, kSuccessLine);
  regstore::RegTree reference;
  ASSERT_TRUE(LoadStoreFile(store, &reference, false));
  const FlatTree expected = Flatten(reference);

  int read_failures = 0, write_failures = 0, harmless = 0;
  long long n = 1;
  for (;; ++n) {
    WriteFile(store, seed);
    RunResult run = RunInstallerProcess(
        exe, dir.Path(), {"TARNWELL_TEST_FAIL_ALLOCATION=" + std::to_string(n)});
    const bool injected = run.Err.find(kInjected) != std::string::npos;
    const std::string err = WithoutNote(run.Err);
    SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
    ASSERT_TRUE(run.Exited) << "signal " << run.Signal << "\n" << run.Err;
    regstore::RegTree tree;
    ASSERT_TRUE(LoadStoreFile(store, &tree, false)) << "the store does not load";
    if (!injected) {
      // The run needed fewer allocations: every point has been tried.
      EXPECT_EQ(run.ExitCode, 0);
      break;
    }
    if (run.ExitCode == 0) {
      // A failure the run recovered from must have cost nothing.
      ++harmless;
      EXPECT_EQ(run.Out, kSuccessLine);
      EXPECT_EQ(err, "");
      EXPECT_EQ(Flatten(tree).Values, expected.Values);
      continue;
    }
    ASSERT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    if (err == kReadFailedLine) {
      ++read_failures;
      // Nothing is written after a failed read.
      EXPECT_EQ(ReadFile(store), seed);
    } else {
      ASSERT_EQ(err, kWriteFailedLine);
      ++write_failures;
      ASSERT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Software\\Kept"), nullptr);
    }
  }
  std::printf("allocation failure points: %lld (read failed %d, write failed "
              "%d, recovered %d)\n",
              n - 1, read_failures, write_failures, harmless);
  EXPECT_GT(read_failures, 0);
  EXPECT_GT(write_failures, 0);
}

}  // namespace
}  // namespace tarnwell::hardening
