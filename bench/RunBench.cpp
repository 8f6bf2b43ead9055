// A whole run as the installer makes it: the reader, the install pass into
// the host's file store in a fresh directory, and the store's save.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#ifdef __GLIBC__
#include <malloc.h>
#endif
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

// Gives the heap's free memory back to the system, so that each phase
// starts as a new process would, touching its memory for the first time:
// else one phase runs in the pages that the other left.
void FreshHeap() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

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
// the whole run's, "ratio" the whole run's time over the reader's. On a
// machine that others share, a phase's wall time holds the time it waited
// for a core too, so "cpu_ratio" gives the same ratio in processor time.
void BM_RunOverReader(benchmark::State& state) {
  const std::size_t devices = static_cast<std::size_t>(state.range(0));
  const std::string text = testing::GenerateConfig(devices, devices / 10);
  double reader = 0;
  double run = 0;
  std::clock_t reader_cpu = 0;
  std::clock_t run_cpu = 0;
  for (auto _ : state) {
    auto dir = std::make_unique<testing::ScratchDir>();
    FreshHeap();
    const auto start = Clock::now();
    const std::clock_t start_cpu = std::clock();
    const bool read = ReadOnly(text);
    const auto middle = Clock::now();
    const std::clock_t middle_cpu = std::clock();
    FreshHeap();
    const bool ran = WholeRun(text, *dir);
    const auto end = Clock::now();
    const std::clock_t end_cpu = std::clock();
    dir.reset();
    if (!read || !ran) {
      state.SkipWithError("the run failed");
      break;
    }
    reader += std::chrono::duration<double>(middle - start).count();
    run += std::chrono::duration<double>(end - middle).count();
    reader_cpu += middle_cpu - start_cpu;
    run_cpu += end_cpu - middle_cpu;
    state.SetIterationTime(std::chrono::duration<double>(end - middle).count());
  }
  state.counters["reader_ms"] = 1000 * reader / state.iterations();
  state.counters["run_ms"] = 1000 * run / state.iterations();
  state.counters["ratio"] = run / reader;
  state.counters["cpu_ratio"] =
      static_cast<double>(run_cpu) / static_cast<double>(reader_cpu);
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
