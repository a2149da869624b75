// CREATE_MANDEL on the program's 160 x 100 grid.
#include <benchmark/benchmark.h>

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
}
BENCHMARK(BM_CreateMandel)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
