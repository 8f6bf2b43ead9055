// tarnwell-check against the installer on the same text held in memory:
// the installer's whole run (read, registry calls into the host's store in
// a fresh directory, the store's save), and the
// whole check (read with every check listening, the pass into the
// checker's write log, the shared-values analysis, the text of the report).
// The check is meant to stay linear and within 1.2 times the installer's time;
// BM_CheckOverInstaller reports that ratio on the same file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Counters.h"
#include "HeapCounter.h"
#include "Runs.h"
#include "check/DiagnosticFilter.h"
#include "check/FileCheck.h"
#include "check/Report.h"
#include "config/ConfigReader.h"
#include "support/Files.h"
#include "support/GeneratedConfig.h"

namespace tarnwell::bench {
namespace {

using Clock = std::chrono::steady_clock;

// The report as the tool prints it, so that writing the messages counts.
std::size_t Check(const std::string& text, const check::CheckOptions& options) {
  check::FileReport report;
  check::CheckBytes(text, &report);
  check::Counts counts;
  const auto shown = check::ApplyOptions(report.Diagnostics, options, &counts);
  return check::RenderText(shown, report.Lines, "usbcdc.cfg", false).size() +
         1;
}

check::CheckOptions DefaultOptions() {
  check::CheckOptions options;
  std::string error;
  check::ParseCheckOptions({}, &options, &error);
  return options;
}

void BM_Check(benchmark::State& state) {
  const std::size_t devices = static_cast<std::size_t>(state.range(0));
  const std::string text = testing::GenerateConfig(devices, devices / 10);
  const check::CheckOptions options = DefaultOptions();
  std::size_t peak = 0;
  for (auto _ : state) {
    HeapPeakScope heap;
    const std::size_t report = Check(text, options);
    if (report == 0) {
      state.SkipWithError("the generated configuration could not be checked");
      break;
    }
    benchmark::DoNotOptimize(report);
    peak = heap.Peak();
  }
  ReportRun(state, devices + devices / 10, text.size(), peak);
}

// Both on the same text in each iteration; the time shown is the check's,
// and "ratio" is the check's time over the installer's.
void BM_CheckOverInstaller(benchmark::State& state) {
  const std::size_t devices = static_cast<std::size_t>(state.range(0));
  const std::string text = testing::GenerateConfig(devices, devices / 10);
  const check::CheckOptions options = DefaultOptions();
  double installer = 0;
  double checker = 0;
  for (auto _ : state) {
    auto dir = std::make_unique<testing::ScratchDir>();
    const auto start = Clock::now();
    const bool installed = WholeRun(text, *dir);
    const auto middle = Clock::now();
    const std::size_t report = Check(text, options);
    const auto end = Clock::now();
    dir.reset();
    if (!installed || report == 0) {
      state.SkipWithError("the generated configuration failed");
      break;
    }
    installer += std::chrono::duration<double>(middle - start).count();
    checker += std::chrono::duration<double>(end - middle).count();
    state.SetIterationTime(std::chrono::duration<double>(end - middle).count());
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["installer_ms"] = 1000 * installer / runs;
  state.counters["check_ms"] = 1000 * checker / runs;
  state.counters["ratio"] = checker / installer;
}

BENCHMARK(BM_Check)
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_CheckOverInstaller)
    ->Arg(20000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwell::bench
