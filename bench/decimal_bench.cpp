// Throughput of the decimal operators on a fixed operand set.
//
// Two sets: PRECISION 2 with two-decimal operands below 10^6 (the common
// business case, 31-bit fast paths), and PRECISION 10 with ten-decimal
// operands below 10^6 (mantissas up to 10^16: 128-bit products and long
// division).  bench/decimal_vs_python.py builds the same operands.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/decimal.h"
#include "core/workspace.h"

namespace {

constexpr int COUNT = 64;

// The same generator as the Python script, so both see the same operands.
std::vector<Num_val> Operands(int scale) {
  uint64_t x = 12345;
  uint64_t limit = 100000000;  // 10^6 with two places
  if (scale == 10) limit = 10000000000000000ull;
  std::vector<Num_val> v;
  for (int i = 0; i < COUNT; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    int64_t m = int64_t((x >> 11) % limit) + 1;
    if (x & 1) m = -m;
    Num_val n;
    n.mant = m;
    n.scale = int8_t(scale);
    v.push_back(n);
  }
  return v;
}

void Run(benchmark::State& state, int (*op)()) {
  int scale = int(state.range(0));
  ws.Precision = scale;
  ws.Num_flags = 0;
  std::vector<Num_val> v = Operands(scale);
  int i = 0;
  for (auto _ : state) {
    ws.Num_acc2 = v[i];
    ws.Num_acc = v[(i + 1) & (COUNT - 1)];
    benchmark::DoNotOptimize(op());
    benchmark::DoNotOptimize(ws.Num_acc);
    i = (i + 1) & (COUNT - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_add(benchmark::State& s) { Run(s, Add_val); }
void BM_multiply(benchmark::State& s) { Run(s, Mpy_val); }
void BM_divide(benchmark::State& s) { Run(s, Div_val); }
void BM_compare(benchmark::State& s) { Run(s, Les_val); }

}  // namespace

BENCHMARK(BM_add)->Arg(2)->Arg(10);
BENCHMARK(BM_multiply)->Arg(2)->Arg(10);
BENCHMARK(BM_divide)->Arg(2)->Arg(10);
BENCHMARK(BM_compare)->Arg(2)->Arg(10);
BENCHMARK_MAIN();
