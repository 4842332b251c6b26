// MSK( and SRT( on 1 MB subjects (bench/functions2.sh compares them with
// CPython's re and sorted() on the same data).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/params.h"
#include "core/workspace.h"
#include "core/mask_match.h"
#include "functions/sort.h"

namespace {

constexpr size_t MB = 1 << 20;

// Pseudo-random lower-case words separated by blanks; the same generator as
// bench/functions2_python.py.
std::string words(size_t n) {
  std::string s;
  uint64_t x = 12345;
  while (s.size() < n) {
    x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    s.push_back(char('a' + (x >> 33) % 26));
    if ((x >> 40) % 7 == 0) s.push_back(' ');
  }
  s.resize(n);
  return s;
}

const uint8_t* u(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

void mask_search(benchmark::State& st, const char* pat, const std::string& subject) {
  Sw_set(sw::OM, true);
  std::string p = pat;
  for (auto _ : st) {
    int64_t at = Do_fnc_mask(1, u(subject), subject.size(), u(p), p.size());
    benchmark::DoNotOptimize(at);
  }
  st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(subject.size()));
}

// A literal that never occurs: the whole subject is scanned.
void BM_MskLiteralMiss(benchmark::State& st) {
  static const std::string s = words(MB);
  mask_search(st, "qqqqz", s);
}
// A set and repetition that never match: every offset starts a thread.
void BM_MskClassMiss(benchmark::State& st) {
  static const std::string s = words(MB);
  mask_search(st, "[a-m]+[0-9]", s);
}
// Alternatives at the end of the subject.
void BM_MskAltAtEnd(benchmark::State& st) {
  static const std::string s = words(MB) + "xyzzy";
  mask_search(st, "(xyzzx|xyzzy)$", s);
}

void BM_SrtFixed8(benchmark::State& st) {
  static const std::string s = words(MB);
  std::string out(s.size(), '\0');
  for (auto _ : st) Do_sort(u(s), s.size(), 8, 0, false, reinterpret_cast<uint8_t*>(out.data()));
  st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(s.size()));
}

void BM_SrtSeparated(benchmark::State& st) {
  static std::string s = [] {
    std::string w = words(MB);
    for (char& c : w)
      if (c == ' ') c = ',';
    w.back() = ',';
    return w;
  }();
  std::string out(s.size(), '\0');
  for (auto _ : st) Do_sort(u(s), s.size(), 0, ',', false, reinterpret_cast<uint8_t*>(out.data()));
  st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(s.size()));
}

}  // namespace

BENCHMARK(BM_MskLiteralMiss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MskClassMiss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MskAltAtEnd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SrtFixed8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SrtSeparated)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
