// A whole run as the installer makes it: the reader, the install pass into
// the host's file store in a fresh directory, and the store's save.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "Counters.h"
#include "HeapCounter.h"
#include "Runs.h"
#include "support/Files.h"
#include "support/GeneratedConfig.h"

namespace tarnwell::bench {
namespace {

using Clock = std::chrono::steady_clock;

void BM_WholeRun(benchmark::State& state) {
  const std::size_t devices = static_cast<std::size_t>(state.range(0));
  const std::string text = testing::GenerateConfig(devices, devices / 10);
  std::size_t peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto dir = std::make_unique<testing::ScratchDir>();
    state.ResumeTiming();

    HeapPeakScope heap;
    const bool ok = WholeRun(text, *dir);
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

// The reader alone and the whole run, one after the other on the same text
// in each iteration, so that both meet the same machine: the time shown is
// the whole run's, "ratio" the whole run's time over the reader's.
void BM_RunOverReader(benchmark::State& state) {
  const std::size_t devices = static_cast<std::size_t>(state.range(0));
  const std::string text = testing::GenerateConfig(devices, devices / 10);
  double reader = 0;
  double run = 0;
  for (auto _ : state) {
    auto dir = std::make_unique<testing::ScratchDir>();
    const auto start = Clock::now();
    const bool read = ReadOnly(text);
    const auto middle = Clock::now();
    const bool ran = WholeRun(text, *dir);
    const auto end = Clock::now();
    dir.reset();
    if (!read || !ran) {
      state.SkipWithError("the run failed");
      break;
    }
    reader += std::chrono::duration<double>(middle - start).count();
    run += std::chrono::duration<double>(end - middle).count();
    state.SetIterationTime(std::chrono::duration<double>(end - middle).count());
  }
  state.counters["reader_ms"] = 1000 * reader / state.iterations();
  state.counters["run_ms"] = 1000 * run / state.iterations();
  state.counters["ratio"] = run / reader;
}

BENCHMARK(BM_RunOverReader)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_WholeRun)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tarnwell::bench
