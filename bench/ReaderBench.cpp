// The configuration reader alone, over text held in memory.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "Counters.h"
#include "HeapCounter.h"
#include "config/ConfigReader.h"
#include "support/GeneratedConfig.h"

namespace tarnwell::bench {
namespace {

const std::string& ConfigText(std::size_t devices) {
  static std::map<std::size_t, std::string> texts;
  auto it = texts.find(devices);
  if (it == texts.end()) {
    it = texts.emplace(devices, testing::GenerateConfig(devices, devices / 10)).first;
  }
  return it->second;
}

void BM_ReadConfig(benchmark::State& state) {
  const std::size_t devices = static_cast<std::size_t>(state.range(0));
  const std::string& text = ConfigText(devices);
  std::size_t peak = 0;
  for (auto _ : state) {
    HeapPeakScope heap;
    {
      InstallConfig config;
      MemoryByteSource source(text);
      if (!ReadConfigSource(config, source)) {
        state.SkipWithError("the generated configuration did not read");
        break;
      }
      benchmark::DoNotOptimize(config.Devices.size());
    }
    peak = heap.Peak();
  }
  ReportRun(state, devices + devices / 10, text.size(), peak);
}

BENCHMARK(BM_ReadConfig)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tarnwell::bench
