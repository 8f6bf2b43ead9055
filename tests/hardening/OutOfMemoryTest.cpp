// Every allocation of a whole run fails in turn: the first, the second, ...
// until a run goes through untouched; then the same with every allocation
// from that one on failing, as a heap that stays full. Each run must end
// with its message and exit code 1, or with the full success and the store
// exactly as a clean run leaves it. A failed read leaves the store as it
// was; a failed write saves what the other calls wrote: no more than a
// clean run, and nothing of what was there before lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "support/InstallerDir.h"

namespace tarnwell::testing {
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

struct Tally {
  int ReadFailed = 0;
  int WriteFailed = 0;
  int Recovered = 0;
  long long Points = 0;
};

// Fails allocation n (and every later one when `persist`) until a run no
// longer reaches n.
Tally Sweep(const InstallerDir& dir, const std::string& seed,
            const std::string& clean, bool persist) {
  regstore::RegTree seed_tree, clean_tree;
  WriteFileBytes(dir.Store(), clean);
  EXPECT_TRUE(LoadStoreFile(dir.Store(), &clean_tree));
  WriteFileBytes(dir.Store(), seed);
  EXPECT_TRUE(LoadStoreFile(dir.Store(), &seed_tree));
  const auto seeded = Flatten(seed_tree).Values;
  const auto complete = Flatten(clean_tree).Values;
  Tally tally;
  for (long long n = 1;; ++n) {
    WriteFileBytes(dir.Store(), seed);
    ChildOptions options;
    options.Env = {"TARNWELL_TEST_FAIL_ALLOCATION=" + std::to_string(n) +
                   (persist ? "+" : "")};
    RunResult run = dir.RunWith(options);
    const std::string err = WithoutNote(run.Err);
    SCOPED_TRACE("allocation " + std::to_string(n) + (persist ? " on" : ""));
    EXPECT_TRUE(run.Exited) << "signal " << run.Signal << "\n" << run.Err;
    if (!run.Exited) return tally;
    const std::string store = ReadFileBytes(dir.Store());
    if (run.Err.find(kInjected) == std::string::npos) {
      tally.Points = n - 1;  // the run needed fewer: every point was tried
      EXPECT_EQ(run.ExitCode, 0);
      EXPECT_EQ(store, clean);
      return tally;
    }
    if (run.ExitCode == 0) {
      ++tally.Recovered;
      EXPECT_EQ(run.Out, kSuccessLine);
      EXPECT_EQ(err, "");
      EXPECT_EQ(store, clean) << "a failure the run recovered from cost nothing";
      continue;
    }
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    if (err == kReadFailedLine) {
      ++tally.ReadFailed;
      EXPECT_EQ(store, seed) << "a failed read changed the store";
      continue;
    }
    EXPECT_EQ(err, kWriteFailedLine);
    ++tally.WriteFailed;
    regstore::RegTree tree;
    EXPECT_TRUE(LoadStoreFile(dir.Store(), &tree)) << "the store does not load";
    const auto values = Flatten(tree).Values;
    EXPECT_TRUE(std::includes(values.begin(), values.end(), seeded.begin(),
                              seeded.end()))
        << "a value of the old store was lost";
    EXPECT_TRUE(std::includes(complete.begin(), complete.end(), values.begin(),
                              values.end()))
        << "the store holds what no call wrote";
  }
}

TEST(OutOfMemory, EveryAllocationOfARunFailsInTurnAndTheRunEndsCleanly) {
  InstallerDir dir(TARNWELL_OOM_EXE);
  dir.WriteConfig(ReadFileBytes(TARNWELL_EXAMPLE));
  const std::string seed = StoreBytes(kSeedStore);
  WriteFileBytes(dir.Store(), seed);
  RunResult run = dir.Run();
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const std::string clean = ReadFileBytes(dir.Store());

  for (bool persist : {false, true}) {
    Tally t = Sweep(dir, seed, clean, persist);
    std::printf("%s allocation failures: %lld points (read failed %d, write "
                "failed %d, recovered %d)\n",
                persist ? "lasting" : "single", t.Points, t.ReadFailed,
                t.WriteFailed, t.Recovered);
    EXPECT_GT(t.ReadFailed, 0);
    EXPECT_GT(t.WriteFailed, 0);
  }
}

}  // namespace
}  // namespace tarnwell::testing
