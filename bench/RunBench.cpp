// A whole run: the reader, then the install pass into the host's file
// store in a fresh directory, up to the store's final rewrite.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "Counters.h"
#include "GeneratedConfig.h"
#include "HeapCounter.h"
#include "ScratchDir.h"
#include "config/ConfigReader.h"
#include "platform/posix/FileRegistry.h"

namespace tarnwell::bench {
namespace {

void BM_WholeRun(benchmark::State& state) {
  const std::size_t devices = static_cast<std::size_t>(state.range(0));
  const std::string text = GenerateConfig(devices);
  std::size_t peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto dir = std::make_unique<ScratchDir>();
    if (!dir->Ok()) {
      state.SkipWithError("no scratch directory");
      break;
    }
    state.ResumeTiming();

    HeapPeakScope heap;
    bool ok = false;
    {
      InstallConfig config;
      MemoryByteSource source(text);
      if (ReadConfigSource(config, source)) {
        posix::FileRegistry registry(dir->File("registry.reg"));
        ok = config.WriteConfigToRegistry(registry);
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
  ReportRun(state, SectionCount(devices), text.size(), peak);
}

BENCHMARK(BM_WholeRun)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tarnwell::bench
