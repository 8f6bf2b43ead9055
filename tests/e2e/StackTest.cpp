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

using testing::InstallerDir;

TEST(Stack, RunsWithinTheDevicesThreadStackWhateverTheFileSize) {
  if (testing::ChildEmulator() != nullptr) {
    GTEST_SKIP() << "QEMU gives the program it runs a stack of its own of at "
                    "least 128 KiB, whatever the limit";
  }
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's red zones make every frame larger";
#endif
  const std::string example = testing::ReadFileBytes(TARNWELL_EXAMPLE);
  const struct {
    const char* Name;
    std::string Config;
    long Limit;
  } cases[] = {
      // Less than any program needs: the limit is in force.
      {"the example under 4 KiB", example, 4096},
      {"the example", example, 64 * 1024},
      {"2,000 sections", testing::GenerateConfig(1800, 200), 64 * 1024},
      {"one line of 1 MB", "[D]\nDLL=" + std::string(1 << 20, 'd') + "\n",
       64 * 1024},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    InstallerDir limited(TARNWELL_EXE), free(TARNWELL_EXE);
    limited.WriteConfig(c.Config);
    free.WriteConfig(c.Config);
    testing::ChildOptions options;
    options.StackLimit = c.Limit;
    const testing::RunResult run = limited.RunWith(options);
    EXPECT_EQ(free.Run().Out, testing::kSuccessLine);
    if (c.Limit < 8192) {
      EXPECT_EQ(run.Signal, SIGSEGV);
      continue;
    }
    EXPECT_EQ(run.Out, testing::kSuccessLine);
    EXPECT_EQ(testing::ReadFileBytes(limited.Store()),
              testing::ReadFileBytes(free.Store()));
  }
}

}  // namespace
}  // namespace tarnwell
