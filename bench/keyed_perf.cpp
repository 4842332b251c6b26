// Keyed files against SQLite, our side: N records of 100 bytes with a
// 10-byte key, inserted in random order, read back by key in another random
// order, then read in key order.  The file is held whole (as a batch job
// that locks it does), with a private cache of 8192 blocks (32 MB), beside
// SQLite in one transaction with a 32 MB page cache (bench/keyed_sqlite.py).
// Prints one line per phase: name, seconds, and at the end the file size.
// With "eff" as third argument the file is an EFF file and the inserts are
// one transaction; with "update P C" P processes make C updates each.
// With KEEP set in the environment the file stays for a look at its pages.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
#include "core/workspace.h"
#include "keyed/eff_create.h"
#include "keyed/eff_store.h"
#include "keyed/key_driver.h"
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

// An EFF file of the same shape: a 10-byte key held outside the record.
void make_eff(const std::string& path) {
  Eff_create_def d;
  d.rec_len = 100;
  d.keys.resize(1);
  d.keys[0].external = true;
  d.keys[0].segs.push_back(Eff_seg_desc{0xFFFF, 0, 10, 0, 0});
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) throw Oru_error{16};
  Eff_create(fd, d);
  ::close(fd);
}

// Several processes update one EFF file of n records at once, each its own
// statements (file lock per statement, optimistic reads): the seconds for
// procs x count updates in all.
int concurrent(uint32_t n, const std::string& path, int procs, int count) {
  make_eff(path);
  {
    Key_chan* ch = Key_open(path, Key_open_opts{});
    EffBeginTransaction();
    for (uint32_t j = 0; j < n; ++j) Key_write(ch, Key_by(key_of(j), 232), data_of(j));
    EffCommit();
    ws.Sys_flags7 &= uint16_t(~2);
    Key_close(ch);
  }
  double t0 = now();
  std::vector<pid_t> pids;
  for (int p = 0; p < procs; ++p) {
    pid_t pid = fork();
    if (pid == 0) {
      try {
        std::mt19937 rng(uint32_t(p) + 1);
        Key_chan* ch = Key_open(path, Key_open_opts{});
        for (int i = 0; i < count; ++i) {
          uint32_t j = rng() % n;
          std::string d = data_of(j);
          d[0] = char('A' + p);
          Key_write(ch, Key_by(key_of(j), 232), d);
        }
        Key_close(ch);
      } catch (const Oru_error& e) {
        std::fprintf(stderr, "worker %d: error %d\n", p, e.no);
        _exit(1);
      }
      _exit(0);
    }
    pids.push_back(pid);
  }
  int bad = 0;
  for (pid_t pid : pids) {
    int st;
    waitpid(pid, &st, 0);
    if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) ++bad;
  }
  double t1 = now();
  std::printf("updates %.3f\n", t1 - t0);
  Key_chan* ch = Key_open(path, Key_open_opts{});
  bool sound = Key_verify(ch).empty() && Key_record_count(ch) == n;
  Key_close(ch);
  unlink(path.c_str());
  if (bad || !sound) {
    std::fprintf(stderr, "concurrent updates failed\n");
    return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  uint32_t n = argc > 1 ? uint32_t(std::atol(argv[1])) : 1000000;
  std::string path = argc > 2 ? argv[2] : "/tmp/oru_keyed_bench";
  // "eff": the second format, the inserts as one transaction (as SQLite's).
  bool eff = argc > 3 && std::string(argv[3]) == "eff";
  Key_driver_register();  // the engine wired to the interpreter, as in oru
  Prm_defaults();
  if (argc > 5 && std::string(argv[3]) == "update") {
    try {
      return concurrent(n, path, std::atoi(argv[4]), std::atoi(argv[5]));
    } catch (const Oru_error& e) {
      std::fprintf(stderr, "error %d\n", e.no);
      return 1;
    }
  }
  try {
    unlink(path.c_str());
    if (eff) {
      make_eff(path);
    } else {
      Key_create d;
      d.rec_len = 100;
      d.key_len = 10;
      Key_define(path, d);
    }
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
    if (eff) EffBeginTransaction();
    for (uint32_t j = 0; j < n; ++j) Key_write(ch, puts[j], recs[j]);
    if (eff) {
      EffCommit();
      ws.Sys_flags7 &= uint16_t(~2);
    }
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
    if (!std::getenv("KEEP")) unlink(path.c_str());
  } catch (const Oru_error& e) {
    std::fprintf(stderr, "error %d\n", e.no);
    return 1;
  }
  return 0;
}
