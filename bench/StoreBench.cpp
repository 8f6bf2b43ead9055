// Raw writes into the host's file store and its save, then a second run
// that loads what the first saved: what one value costs each way, and that
// the cost stays flat as the store grows.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "Counters.h"
#include "HeapCounter.h"
#include "platform/posix/FileRegistry.h"
#include "support/Files.h"

namespace tarnwell::bench {
namespace {

constexpr std::size_t kValuesPerKey = 100;

std::u16string Widen(const char* text) {
  std::u16string out;
  for (; *text != '\0'; ++text) out += static_cast<char16_t>(*text);
  return out;
}

// `values` REG_DWORD values, a hundred to a key, then the save.
bool WriteValues(const std::string& path, std::size_t values) {
  posix::FileRegistry registry(path);
  if (registry.Load(nullptr) != kErrorSuccess) return false;
  RegHandle key = 0;
  char buffer[64];
  for (std::size_t i = 0; i < values; ++i) {
    if (i % kValuesPerKey == 0) {
      if (key != 0) registry.CloseKey(key);
      std::snprintf(buffer, sizeof buffer, "Bench\\Key%zu", i / kValuesPerKey);
      if (registry.CreateKey(kLocalMachine, Widen(buffer).c_str(),
                             kKeyReadWrite, &key) != 0) {
        return false;
      }
    }
    std::snprintf(buffer, sizeof buffer, "Value%zu", i % kValuesPerKey);
    std::uint32_t data = static_cast<std::uint32_t>(i);
    if (registry.SetValue(key, Widen(buffer).c_str(), kRegDword, &data,
                          sizeof data) != 0) {
      return false;
    }
  }
  registry.CloseKey(key);
  return registry.Save() == kErrorSuccess;
}

void BM_StoreSetValue(benchmark::State& state) {
  const std::size_t values = static_cast<std::size_t>(state.range(0));
  std::size_t peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto dir = std::make_unique<testing::ScratchDir>();
    state.ResumeTiming();
    HeapPeakScope heap;
    bool ok = WriteValues(dir->File("registry.reg"), values);
    peak = heap.Peak();
    state.PauseTiming();
    dir.reset();
    state.ResumeTiming();
    if (!ok) {
      state.SkipWithError("a write failed");
      break;
    }
  }
  ReportRun(state, values, 0, peak);
}

// Loading a store of `values` values: the run's load reads and parses the
// whole file.
void BM_StoreLoad(benchmark::State& state) {
  const std::size_t values = static_cast<std::size_t>(state.range(0));
  testing::ScratchDir dir;
  const std::string path = dir.File("registry.reg");
  if (!WriteValues(path, values)) {
    state.SkipWithError("the store could not be made");
    return;
  }
  std::size_t peak = 0;
  for (auto _ : state) {
    HeapPeakScope heap;
    posix::FileRegistry registry(path);
    RegHandle key = 0;
    if (registry.Load(nullptr) != kErrorSuccess ||
        registry.CreateKey(kLocalMachine, u"Bench", kKeyReadWrite, &key) != 0) {
      state.SkipWithError("the store did not load");
      break;
    }
    registry.CloseKey(key);
    registry.Save();
    peak = heap.Peak();
  }
  ReportRun(state, values, 0, peak);
}

BENCHMARK(BM_StoreLoad)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK(BM_StoreSetValue)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace tarnwell::bench
