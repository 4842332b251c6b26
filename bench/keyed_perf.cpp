// Keyed files against SQLite, our side: N records of 100 bytes with a
// 10-byte key, inserted in random order, read back by key in another random
// order, then read in key order.  The file is held whole (as a batch job
// that locks it does), with a private cache of 8192 blocks (32 MB), beside
// SQLite in one transaction with a 32 MB page cache (bench/keyed_sqlite.py).
// Prints one line per phase: name, seconds, and at the end the file size.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/params.h"
#include "keyed/key_format.h"
#include "keyed/keyed_file.h"

namespace {
double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
std::string key_of(uint32_t n) {
  char b[16];
  std::snprintf(b, sizeof b, "%010u", n * 2654435761u % 4000000000u);
  return b;
}
std::string data_of(uint32_t n) {
  std::string d(100, ' ');
  std::snprintf(d.data(), 40, "record %u payload", n);
  for (size_t i = 40; i < 100; ++i) d[i] = char('a' + (n + i) % 26);
  return d;
}
}  // namespace

int main(int argc, char** argv) {
  uint32_t n = argc > 1 ? uint32_t(std::atol(argv[1])) : 1000000;
  std::string path = argc > 2 ? argv[2] : "/tmp/oru_keyed_bench";
  Prm_defaults();
  try {
    unlink(path.c_str());
    Key_create d;
    d.rec_len = 100;
    d.key_len = 10;
    Key_define(path, d);
    std::vector<uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::mt19937 rng(42);
    std::shuffle(order.begin(), order.end(), rng);
    Key_open_opts o;
    o.nolock = true;
    o.nbf = 8192;

    // Keys and records are made before the clock starts.
    std::vector<Key_req> puts(n);
    std::vector<std::string> recs(n);
    for (uint32_t j = 0; j < n; ++j) {
      puts[j] = Key_by(key_of(order[j]), 232);
      recs[j] = data_of(order[j]);
    }
    double t0 = now();
    Key_chan* ch = Key_open(path, o);
    for (uint32_t j = 0; j < n; ++j) Key_write(ch, puts[j], recs[j]);
    Key_close(ch);
    double t1 = now();
    std::printf("insert %.3f\n", t1 - t0);

    std::shuffle(order.begin(), order.end(), rng);
    std::vector<Key_req> gets(n);
    for (uint32_t j = 0; j < n; ++j) gets[j] = Key_by(key_of(order[j]));
    double t1b = now();
    ch = Key_open(path, o);
    size_t bytes = 0;
    for (uint32_t j = 0; j < n; ++j) bytes += Key_read(ch, gets[j]).size();
    double t2 = now();
    std::printf("read %.3f\n", t2 - t1b);

    Key_req first;
    first.has_rno = true;
    first.rno = 1;
    uint32_t count = 0;
    std::string prev;
    Key_read(ch, first);
    ++count;
    Key_req next;
    for (;;) {
      try {
        Key_read(ch, next);
      } catch (const Oru_error& e) {
        if (e.no != 2) throw;
        break;
      }
      ++count;
    }
    double t3 = now();
    Key_close(ch);
    std::printf("scan %.3f\n", t3 - t2);
    if (count != n || bytes != size_t(n) * 100) {
      std::fprintf(stderr, "wrong result: %u records scanned, %zu bytes read\n", count, bytes);
      return 1;
    }
    struct stat st;
    stat(path.c_str(), &st);
    std::printf("size %lld\n", (long long)st.st_size);
    unlink(path.c_str());
  } catch (const Oru_error& e) {
    std::fprintf(stderr, "error %d\n", e.no);
    return 1;
  }
  return 0;
}
