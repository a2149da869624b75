// CREATE_MANDEL on the program's 160 x 100 grid, with the extended
// arithmetic of the build (the label: x87 or software).
#include <benchmark/benchmark.h>

#include "extended/extended.hpp"
#include "fract/fract.hpp"
#include "runtime/runtime.hpp"

namespace {

void BM_CreateMandel(benchmark::State& state) {
  runtime::SetFloatingPointEnvironment();
  static maparr map;
  for (auto _ : state) {
    CREATE_MANDEL(0.02f, 0.02f, 0.2f, 0.0f, map);
    benchmark::DoNotOptimize(map);
  }
  state.SetLabel(extended::kSoftware ? "software" : "x87");
}
BENCHMARK(BM_CreateMandel)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
