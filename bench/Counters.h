// What every benchmark here reports: its size for the complexity fit, its
// throughput, and the peak heap of one run, per item as well, so that
// linear growth shows as a flat column.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

namespace tarnwell::bench {

inline void ReportRun(benchmark::State& state, std::size_t items,
                      std::size_t bytes, std::size_t peak_heap) {
  state.SetComplexityN(state.range(0));
  if (bytes != 0) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * items));
  state.counters["peak_heap"] = benchmark::Counter(
      static_cast<double>(peak_heap), benchmark::Counter::kDefaults,
      benchmark::Counter::kIs1024);
  state.counters["heap_per_item"] =
      static_cast<double>(peak_heap) / static_cast<double>(items);
}

}  // namespace tarnwell::bench
