// A whole run as the installer makes it: the reader, the install pass into
// the host's file store in a fresh directory, and the store's save.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "Counters.h"
#include "HeapCounter.h"
#include "config/ConfigReader.h"
#include "platform/posix/FileRegistry.h"
#include "support/Files.h"
#include "support/GeneratedConfig.h"

namespace tarnwell::bench {
namespace {

void BM_WholeRun(benchmark::State& state) {
  const std::size_t devices = static_cast<std::size_t>(state.range(0));
  const std::string text = testing::GenerateConfig(devices, devices / 10);
  std::size_t peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto dir = std::make_unique<testing::ScratchDir>();
    state.ResumeTiming();

    HeapPeakScope heap;
    bool ok = false;
    {
      InstallConfig config;
      MemoryByteSource source(text);
      if (ReadConfigSource(config, source)) {
        posix::FileRegistry registry(dir->File("registry.reg"));
        ok = config.WriteConfigToRegistry(registry);
        ok = registry.Save() == kErrorSuccess && ok;
      }
    }
    peak = heap.Peak();

    state.PauseTiming();
    dir.reset();
    state.ResumeTiming();
    if (!ok) {
      state.SkipWithError("the run failed");
      break;
    }
  }
  ReportRun(state, devices + devices / 10, text.size(), peak);
}

BENCHMARK(BM_WholeRun)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tarnwell::bench
