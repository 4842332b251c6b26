// C-ISAM pairs beside keyed files of the first format, in one run: N records
// of 100 bytes with a 10-byte key 0 at the front, inserted in random order,
// read back by key in another random order, then read in key order.  Both
// files are held whole (opened exclusively, as a batch job does); the
// C-ISAM pair is also run shared (every statement locks the index and reads
// its nodes again, as when other processes use the pair).  Both caches
// are 32 MB: 8192 blocks of 4 KB, 32768 nodes of 1 KB.  The empty pair is
// made here from the file layout: node 1, one key-description node, no tree.
// Prints one line per format: the processor seconds of each phase.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "channels/cisam_file.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/params.h"
#include "keyed/key_format.h"
#include "keyed/keyed_file.h"
#include "keyed/key_driver.h"

namespace {
// Processor time of the process (user and system): the machine may be
// shared, and waiting for it is no cost of either format.
double now() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
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

// An empty big-endian pair, node size 1024, record length 110 (the key and
// the 100 data bytes), key 0 = bytes 0..9 without duplicates.
void make_pair(const std::string& base) {
  std::vector<uint8_t> idx(2048, 0);
  auto put2 = [&](size_t at, uint32_t v) { idx[at] = uint8_t(v >> 8); idx[at + 1] = uint8_t(v); };
  auto put4 = [&](size_t at, uint32_t v) { put2(at, v >> 16); put2(at + 2, v & 0xFFFF); };
  idx[0] = 0xFE;
  idx[1] = 0x53;
  put2(6, 1023);
  put2(8, 1);
  put2(13, 110);
  put4(15, 2);
  put4(37, 2);
  size_t d = 1024;
  put2(d + 6, 10);      // entry length: root, flags, one part
  put4(d + 8, 0);       // no tree yet
  idx[d + 12] = 0;      // no compression
  put2(d + 13, 10);     // part length
  put2(d + 15, 0);      // offset
  put2(d, 6 + 2 + 10);  // used length
  int fd = ::open((base + ".idx").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::write(fd, idx.data(), idx.size()) != ssize_t(idx.size())) std::exit(2);
  ::close(fd);
  fd = ::open((base + ".dat").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) std::exit(2);
  ::close(fd);
}

struct Phases {
  double insert = 0, read = 0, scan = 0;
};

Phases run_cisam(const std::string& base, const std::vector<uint32_t>& ins, const std::vector<uint32_t>& rd,
                 bool exclusive) {
  make_pair(base);
  std::vector<std::string> recs(ins.size()), keys(rd.size());
  for (size_t j = 0; j < ins.size(); ++j) recs[j] = key_of(ins[j]) + data_of(ins[j]);
  for (size_t j = 0; j < rd.size(); ++j) keys[j] = key_of(rd[j]);
  Phases p;
  std::string idx = base + ".idx";
  Open_opts oo;
  oo.exclusive = exclusive;
  int fd = Open(idx.c_str(), O_RDWR, oo);
  double t0 = now();
  {
    auto f = Ism_open_pair(fd, idx, false, exclusive, exclusive ? 32768 : 8);
    for (const std::string& r : recs)
      if (f->write(r, 0, nullptr) != 0) std::exit(3);
  }
  double t1 = now();
  size_t bytes = 0;
  {
    auto f = Ism_open_pair(fd, idx, false, exclusive, exclusive ? 32768 : 8);
    std::string rec;
    for (const std::string& k : keys) {
      if (!f->find(0, k, true) || !f->read_record(f->pos(0).rec, &rec)) std::exit(4);
      bytes += rec.size();
    }
    double t2 = now();
    uint32_t count = 0;
    f->pos(0) = Ism_pos{};
    while (f->next(0)) {
      f->read_record(f->pos(0).rec, &rec);
      ++count;
    }
    double t3 = now();
    if (count != ins.size() || bytes != ins.size() * 110) std::exit(5);
    p.read = t2 - t1;
    p.scan = t3 - t2;
  }
  Close(fd);
  p.insert = t1 - t0;
  unlink(idx.c_str());
  unlink((base + ".dat").c_str());
  return p;
}

Phases run_keyed(const std::string& path, const std::vector<uint32_t>& ins, const std::vector<uint32_t>& rd) {
  unlink(path.c_str());
  Key_create d;
  d.rec_len = 100;
  d.key_len = 10;
  Key_define(path, d);
  Key_open_opts o;
  o.nolock = true;
  o.nbf = 8192;
  std::vector<Key_req> puts(ins.size()), gets(rd.size());
  std::vector<std::string> recs(ins.size());
  for (size_t j = 0; j < ins.size(); ++j) {
    puts[j] = Key_by(key_of(ins[j]), 232);
    recs[j] = data_of(ins[j]);
  }
  for (size_t j = 0; j < rd.size(); ++j) gets[j] = Key_by(key_of(rd[j]));
  Phases p;
  double t0 = now();
  Key_chan* ch = Key_open(path, o);
  for (size_t j = 0; j < ins.size(); ++j) Key_write(ch, puts[j], recs[j]);
  Key_close(ch);
  double t1 = now();
  ch = Key_open(path, o);
  for (const Key_req& g : gets) Key_read(ch, g);
  double t2 = now();
  Key_req first;
  first.has_rno = true;
  first.rno = 1;
  Key_read(ch, first);
  for (;;) {
    try {
      Key_read(ch, Key_req{});
    } catch (const Oru_error& e) {
      if (e.no != 2) throw;
      break;
    }
  }
  double t3 = now();
  Key_close(ch);
  unlink(path.c_str());
  p.insert = t1 - t0;
  p.read = t2 - t1;
  p.scan = t3 - t2;
  return p;
}
}  // namespace

int main(int argc, char** argv) {
  uint32_t n = argc > 1 ? uint32_t(std::atol(argv[1])) : 1000000;
  std::string dir = argc > 2 ? argv[2] : "/tmp";
  bool shared = argc > 3;
  Key_driver_register();  // the engine wired to the interpreter, as in oru
  Prm_defaults();
  std::vector<uint32_t> ins(n), rd(n);
  std::iota(ins.begin(), ins.end(), 0);
  std::mt19937 rng(42);
  std::shuffle(ins.begin(), ins.end(), rng);
  rd = ins;
  std::shuffle(rd.begin(), rd.end(), rng);
  try {
    Phases k = run_keyed(dir + "/keyed", ins, rd);
    std::printf("keyed insert %.3f read %.3f scan %.3f\n", k.insert, k.read, k.scan);
    Phases c = run_cisam(dir + "/pair", ins, rd, true);
    std::printf("cisam insert %.3f read %.3f scan %.3f\n", c.insert, c.read, c.scan);
    if (shared) {
      Phases s = run_cisam(dir + "/spair", ins, rd, false);
      std::printf("cisam-shared insert %.3f read %.3f scan %.3f\n", s.insert, s.read, s.scan);
    }
  } catch (const Oru_error& e) {
    std::fprintf(stderr, "error %d\n", e.no);
    return 1;
  }
  return 0;
}
