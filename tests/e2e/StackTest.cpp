// The installer within the stack a thread gets on the device: 64 KiB.
// The host program under that RLIMIT_STACK, with no store yet (reading an
// existing store is the host layer's own work, with a 64 KiB buffer).
#include <csignal>
#include <string>

#include <gtest/gtest.h>

#include "support/GeneratedConfig.h"
#include "support/InstallerDir.h"

namespace tarnwell {
namespace {

using testing::ChildOptions;
using testing::InstallerDir;
using testing::RunResult;

#if defined(__SANITIZE_ADDRESS__)
#define TARNWELL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNWELL_ASAN 1
#endif
#endif

constexpr long kDeviceStack = 64 * 1024;

// The run's output and store, under the limit and without one.
struct Runs {
  RunResult Limited, Free;
  std::string LimitedStore, FreeStore;
};

Runs RunBoth(const std::string& config, long limit) {
  Runs runs;
  InstallerDir limited(TARNWELL_EXE), free(TARNWELL_EXE);
  limited.WriteConfig(config);
  free.WriteConfig(config);
  ChildOptions options;
  options.StackLimit = limit;
  runs.Limited = limited.RunWith(options);
  runs.Free = free.Run();
  runs.LimitedStore = testing::ReadFileBytes(limited.Store());
  runs.FreeStore = testing::ReadFileBytes(free.Store());
  return runs;
}

// Why a stack limit shows nothing here, or null.
const char* WhyTheLimitShowsNothing() {
  if (testing::ChildEmulator() != nullptr) {
    return "QEMU gives the program it runs a stack of its own of at least "
           "128 KiB, whatever the limit";
  }
#ifdef TARNWELL_ASAN
  return "AddressSanitizer's red zones make every frame larger";
#else
  return nullptr;
#endif
}

#define SKIP_WHERE_THE_LIMIT_SHOWS_NOTHING()             \
  if (const char* why = WhyTheLimitShowsNothing()) {     \
    GTEST_SKIP() << why;                                 \
  }

TEST(Stack, RunsWithinTheDevicesThreadStackWhateverTheFileSize) {
  SKIP_WHERE_THE_LIMIT_SHOWS_NOTHING();
  const struct {
    const char* Name;
    std::string Config;
  } cases[] = {
      {"the example", testing::ReadFileBytes(TARNWELL_EXAMPLE)},
      {"2,000 sections", testing::GenerateConfig(1800, 200)},
      {"one line of 1 MB", "[D]\nDLL=" + std::string(1 << 20, 'd') + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const Runs runs = RunBoth(c.Config, kDeviceStack);
    EXPECT_EQ(runs.Limited.Signal, 0);
    EXPECT_EQ(runs.Limited.Out, runs.Free.Out);
    EXPECT_EQ(runs.Limited.ExitCode, runs.Free.ExitCode);
    EXPECT_FALSE(runs.FreeStore.empty());
    EXPECT_EQ(runs.LimitedStore, runs.FreeStore);
  }
}

TEST(Stack, TheLimitIsInForce) {
  SKIP_WHERE_THE_LIMIT_SHOWS_NOTHING();
  // Less than any program needs: the same run dies of it.
  const Runs runs = RunBoth(testing::ReadFileBytes(TARNWELL_EXAMPLE), 4096);
  EXPECT_EQ(runs.Limited.Signal, SIGSEGV);
  EXPECT_EQ(runs.Free.ExitCode, 0);
}

}  // namespace
}  // namespace tarnwell
