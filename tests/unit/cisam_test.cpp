// C-ISAM files: the engine reads pairs made by the test writer (both byte
// orders, every compression), the test reader reads pairs the engine wrote,
// four processes share one pair without losing a record, damaged pairs give
// errors, and the edge cases of the format.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "channels/cisam_file.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/sanitizer.h"
#include "cisam_fixture.h"
#include "../fuzz/cisam_bytes.h"
#include "test_util.h"

namespace {

using Rows = std::vector<std::tuple<std::string, uint32_t>>;  // key, record

cfx::Layout layout(bool be, uint8_t flags, int nsize = 1024) {
  cfx::Layout L;
  L.be = be;
  L.nsize = nsize;
  L.reclen = 40;
  cfx::Key k0;
  k0.parts = {{0, 8}};
  k0.flags = flags & 6;
  cfx::Key k1;
  k1.parts = {{8, 10}};
  k1.dups = true;
  k1.flags = flags;
  cfx::Key k2;
  k2.parts = {{30, 6}, {18, 4}};
  k2.dups = true;
  k2.flags = flags;
  L.keys = {k0, k1, k2};
  return L;
}

// Record i: a unique 8-digit number, a name from a few (with trailing
// blanks), a region and a code.
std::string make_record(uint32_t i, uint32_t salt = 0) {
  static const char* names[] = {"ADAMS", "BAKER", "CLARK", "DAVIS", "EVANS", "FOX", "GREEN"};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%08u%-10s%04u%-8s%06u", i, names[(i * 7 + salt) % 7], (i * 13 + salt) % 50, "x",
                (i * 31 + salt) % 997);
  return std::string(buf, 40);
}

class Pair {
 public:
  explicit Pair(const std::string& idx_path, bool readonly = false, bool exclusive = false, int nbf = 8) {
    fd_ = Open(idx_path.c_str(), readonly ? O_RDONLY : O_RDWR, Open_opts{});
    if (fd_ < 0) throw Oru_error{12};
    try {
      f_ = Ism_open_pair(fd_, idx_path, readonly, exclusive, nbf);
    } catch (...) {
      Close(fd_);
      throw;
    }
  }
  ~Pair() {
    f_.reset();
    Close(fd_);
  }
  Ism_file* operator->() { return f_.get(); }
  // Every entry of key k read forward (records checked against their keys).
  Rows forward(int k, bool check = true) {
    Rows r;
    f_->pos(k) = Ism_pos{};
    for (int guard = 0; guard < 200000 && f_->next(k); ++guard) {
      std::string rec;
      bool ok = f_->read_record(f_->pos(k).rec, &rec);
      if (check) {
        EXPECT_TRUE(ok);
        EXPECT_EQ(f_->genkey(k, rec), f_->pos(k).key);
      }
      r.emplace_back(f_->pos(k).key, f_->pos(k).rec);
    }
    return r;
  }
  Rows backward(int k) {
    Rows r;
    f_->pos(k) = Ism_pos{};
    f_->pos(k).state = Ism_pos::END;
    while (f_->prev(k)) r.emplace_back(f_->pos(k).key, f_->pos(k).rec);
    std::reverse(r.begin(), r.end());
    return r;
  }

 private:
  int fd_ = -1;
  std::unique_ptr<Ism_file> f_;
};

// The expected order of key k: by key, equal keys by record number.
Rows expected(const cfx::Layout& L, int k, const std::map<uint32_t, std::string>& recs) {
  Rows r;
  for (auto& [n, rec] : recs) r.emplace_back(L.keys[size_t(k)].of(rec), n);
  std::stable_sort(r.begin(), r.end(), [](auto& a, auto& b) { return std::get<0>(a) < std::get<0>(b); });
  return r;
}

// Keys in the same order, and the same records under each key (equal keys
// of records rewritten with a new value are ordered by when they were
// written, not by record number).
void expect_same_order(Rows got, Rows want, int k) {
  ASSERT_EQ(got.size(), want.size()) << "key " << k;
  for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(std::get<0>(got[i]), std::get<0>(want[i])) << "key " << k << " at " << i;
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want) << "key " << k;
}

Rows fixture_rows(const std::string& base, int k) {
  std::string problem;
  Rows r;
  for (auto& [key, dup, rec] : cfx::read_key(base, k, &problem)) r.emplace_back(key, rec);
  EXPECT_EQ(problem, "");
  return r;
}

class Cisam : public ::testing::Test {
 protected:
  Scratch_dir dir;
  void SetUp() override { ASSERT_TRUE(dir.enter("oru_cisam_")); }
  void TearDown() override { ASSERT_TRUE(dir.leave()); }
};

TEST_F(Cisam, DataPathFollowsTheCaseOfTheExtension) {
  EXPECT_EQ(Ism_data_path("a/b.idx"), "a/b.dat");
  EXPECT_EQ(Ism_data_path("a/B.IDX"), "a/B.DAT");
  EXPECT_EQ(Ism_data_path("x.Idx"), "x.Dat");
}

// The writer's pairs read by the engine in every key order, forward and
// backward, in both byte orders and with every compression.
TEST_F(Cisam, ReadsWrittenFixturesInEveryKeyOrder) {
  for (bool be : {true, false}) {
    for (uint8_t flags : {0, 2, 4, 6, 7}) {
      for (int nsize : {512, 1024}) {
        SCOPED_TRACE(testing::Message() << "be " << be << " flags " << int(flags) << " node " << nsize);
        cfx::Layout L = layout(be, flags, nsize);
        std::vector<std::string> recs;
        std::map<uint32_t, std::string> live;
        for (uint32_t i = 1; i <= 1500; ++i) {
          std::string r = i % 17 == 0 ? std::string() : make_record(i * 7919 % 100003);
          recs.push_back(r);
          if (!r.empty()) live[i] = r;
        }
        cfx::write_pair("f", L, recs);
        Pair p("f.idx", true);
        EXPECT_EQ(p->big_endian(), be);
        EXPECT_EQ(p->node_size(), nsize);
        EXPECT_EQ(p->reclen(), 40);
        EXPECT_EQ(p->highest_record(), 1500u);
        for (int k = 0; k < 3; ++k) {
          Rows want = expected(L, k, live);
          EXPECT_EQ(p.forward(k), want) << "key " << k;
          EXPECT_EQ(p.backward(k), want) << "key " << k;
        }
        // Exact search, and a search that misses stands before the next key.
        std::string some = live.begin()->second;
        EXPECT_TRUE(p->find(0, some.substr(0, 8), true));
        EXPECT_EQ(p->pos(0).rec, live.begin()->first);
        EXPECT_FALSE(p->find(0, "0000000", true));
        ASSERT_TRUE(p->next(0));
        EXPECT_EQ(std::get<0>(expected(L, 0, live)[0]), p->pos(0).key);
        EXPECT_EQ(p->verify(), "");
      }
    }
  }
}

// The engine writes, replaces and removes; the test reader reads the trees
// back in every key order.
TEST_F(Cisam, WrittenPairsReadBackByTheFixtureReader) {
  for (bool be : {true, false}) {
    for (uint8_t flags : {0, 7}) {
      SCOPED_TRACE(testing::Message() << "be " << be << " flags " << int(flags));
      cfx::Layout L = layout(be, flags, 512);
      cfx::write_pair("w", L, {});
      std::map<uint32_t, std::string> live;
      std::map<std::string, uint32_t> by_key;
      {
        Pair p("w.idx");
        std::mt19937 rng(be * 10 + flags);
        std::vector<uint32_t> ids(3000);
        for (uint32_t i = 0; i < ids.size(); ++i) ids[i] = i * 37 + 1;
        std::shuffle(ids.begin(), ids.end(), rng);
        for (uint32_t id : ids) {
          std::string r = make_record(id);
          uint32_t n = 0;
          ASSERT_EQ(p->write(r, 1, &n), 0);
          live[n] = r;
          by_key[r.substr(0, 8)] = n;
        }
        // Removes of every fourth record, replacements with new alternate keys.
        int i = 0;
        for (auto it = by_key.begin(); it != by_key.end(); ++i) {
          if (i % 4 == 0) {
            ASSERT_TRUE(p->remove(it->first));
            live.erase(it->second);
            it = by_key.erase(it);
            continue;
          }
          if (i % 5 == 0) {
            std::string r = make_record(uint32_t(std::stoul(it->first)), 3);
            uint32_t n = 0;
            ASSERT_EQ(p->write(r, 0, &n), 0);
            EXPECT_EQ(n, it->second);
            live[n] = r;
          }
          ++it;
        }
        EXPECT_FALSE(p->remove("99999999"));
        EXPECT_EQ(p->write(live.begin()->second, 1, nullptr), 11);  // insert of an existing key
        EXPECT_EQ(p->write(make_record(99999998), 2, nullptr), 11);  // update of a missing one
        EXPECT_EQ(p->verify(), "");
        for (int k = 0; k < 3; ++k) expect_same_order(p.forward(k), expected(L, k, live), k);
      }
      for (int k = 0; k < 3; ++k) expect_same_order(fixture_rows("w", k), expected(L, k, live), k);
    }
  }
}

// A value already in a unique alternate key is the missing-record exit (11)
// and changes nothing: no record number, data or other key is touched.
TEST_F(Cisam, UniqueAlternateKeyRefusedBeforeAnythingChanges) {
  cfx::Layout L = layout(true, 0);
  L.keys[2].dups = false;
  cfx::write_pair("u", L, {});
  Pair p("u.idx");
  std::string a = make_record(1), b = make_record(2);
  b.replace(30, 6, a.substr(30, 6));
  b.replace(18, 4, a.substr(18, 4));  // key 2 of b equals key 2 of a
  ASSERT_EQ(p->write(a, 0, nullptr), 0);
  EXPECT_EQ(p->write(b, 0, nullptr), 11);
  EXPECT_EQ(p->highest_record(), 1u);
  EXPECT_EQ(p.forward(0).size(), 1u);
  EXPECT_EQ(p.forward(1).size(), 1u);
  EXPECT_EQ(p->verify(), "");
}

// A replaced record whose old alternate entry is missing (a damaged index)
// is refused before its data or any key changes.
TEST_F(Cisam, MissingAlternateEntryLeavesTheRecordAsItWas) {
  cfx::Layout L = layout(false, 0);
  std::vector<std::string> recs = {make_record(1), make_record(2)};
  cfx::write_pair("m", L, recs);
  // Take record 1's entry out of key 1's tree: rewrite the pair with key 1
  // built from another record 1.
  std::vector<std::string> other = recs;
  other[0].replace(8, 10, "ZZZZZZZZZZ");
  cfx::write_pair("o", L, other);
  std::string mi, oi;
  {
    FILE* f = std::fopen("m.idx", "rb");
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) mi.append(buf, n);
    std::fclose(f);
    f = std::fopen("o.idx", "rb");
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) oi.append(buf, n);
    std::fclose(f);
  }
  ASSERT_EQ(mi.size(), oi.size());
  // Node 4 holds key 1's tree in both (nodes 1, 2, then one leaf per key).
  mi.replace(3 * 1024, 1024, oi.substr(3 * 1024, 1024));
  FILE* f = std::fopen("m.idx", "wb");
  std::fwrite(mi.data(), 1, mi.size(), f);
  std::fclose(f);
  Pair p("m.idx");
  std::string changed = recs[0];
  changed.replace(8, 10, "NEWNAME   ");
  EXPECT_EQ(error_no([&] { p->write(changed, 0, nullptr); }), 120);
  std::string rec;
  ASSERT_TRUE(p->read_record(1, &rec));
  EXPECT_EQ(rec, recs[0]);
}

TEST_F(Cisam, RemovingTheHighestRecordLowersTheNumberAndFreedNumbersAreReused) {
  cfx::write_pair("h", layout(true, 0), {});
  Pair p("h.idx");
  uint32_t a = 0, b = 0, c = 0;
  ASSERT_EQ(p->write(make_record(1), 0, &a), 0);
  ASSERT_EQ(p->write(make_record(2), 0, &b), 0);
  ASSERT_EQ(p->write(make_record(3), 0, &c), 0);
  EXPECT_EQ(p->highest_record(), 3u);
  ASSERT_TRUE(p->remove(make_record(3).substr(0, 8)));
  EXPECT_EQ(p->highest_record(), 2u);
  ASSERT_TRUE(p->remove(make_record(1).substr(0, 8)));
  EXPECT_EQ(p->highest_record(), 2u);
  uint32_t d = 0;
  ASSERT_EQ(p->write(make_record(4), 0, &d), 0);
  EXPECT_EQ(d, a);  // from the free-record list
  EXPECT_EQ(p->verify(), "");
}

TEST_F(Cisam, DuplicatesReadInTheOrderWritten) {
  cfx::write_pair("d", layout(false, 7), {});
  Pair p("d.idx");
  std::vector<uint32_t> order;
  for (uint32_t i = 0; i < 300; ++i) {
    std::string r = make_record(1000 + i);
    r.replace(8, 10, "SAME      ");
    uint32_t n = 0;
    ASSERT_EQ(p->write(r, 0, &n), 0);
    order.push_back(n);
  }
  ASSERT_TRUE(p->find(1, "SAME      ", true));
  std::vector<uint32_t> got = {p->pos(1).rec};
  while (p->next(1)) got.push_back(p->pos(1).rec);
  EXPECT_EQ(got, order);
}

TEST_F(Cisam, AtLeastThreeNodeBuffers) {
  cfx::write_pair("b", layout(true, 0), {make_record(1)});
  Pair p("b.idx", false, false, 1);
  EXPECT_EQ(p->buffers(), 3);
  // Three buffers are enough for every operation.
  for (uint32_t i = 2; i < 400; ++i) ASSERT_EQ(p->write(make_record(i), 0, nullptr), 0);
  EXPECT_EQ(p->verify(), "");
}

TEST_F(Cisam, PurgeEmptiesThePair) {
  cfx::Layout L = layout(true, 6);
  std::vector<std::string> recs;
  for (uint32_t i = 1; i < 200; ++i) recs.push_back(make_record(i));
  cfx::write_pair("p", L, recs);
  {
    Pair p("p.idx");
    p->purge();
    EXPECT_EQ(p->highest_record(), 0u);
    EXPECT_TRUE(p.forward(0).empty());
    ASSERT_EQ(p->write(make_record(5), 0, nullptr), 0);
  }
  Pair again("p.idx");
  EXPECT_EQ(again.forward(2).size(), 1u);
  EXPECT_EQ(again->verify(), "");
}

// A missing data file is error 12; damaged dictionaries and nodes are
// errors, never a crash.
TEST_F(Cisam, DamagedPairsGiveErrors) {
  cfx::Layout L = layout(true, 7, 512);
  std::vector<std::string> recs;
  for (uint32_t i = 1; i < 300; ++i) recs.push_back(make_record(i * 3));
  cfx::write_pair("x", L, recs);
  std::string idx;
  {
    FILE* f = std::fopen("x.idx", "rb");
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) idx.append(buf, n);
    std::fclose(f);
  }
  unlink("x.dat");
  EXPECT_EQ(error_no([] { Pair p("x.idx"); }), 12);
  cfx::write_pair("x", L, recs);
  std::mt19937 rng(7);
  int errors = 0, fine = 0;
  for (int round = 0; round < 150; ++round) {
    std::string bad = idx;
    int flips = 1 + int(rng() % 8);
    for (int i = 0; i < flips; ++i) bad[rng() % bad.size()] = char(rng());
    if (round % 50 == 0) bad.resize(rng() % bad.size());
    FILE* f = std::fopen("x.idx", "wb");
    std::fwrite(bad.data(), 1, bad.size(), f);
    std::fclose(f);
    int e = error_no([] {
      Pair p("x.idx");
      for (int k = 0; k < p->keys(); ++k) p.forward(k, false);
      p->write(make_record(123456), 0, nullptr);
      p->remove(make_record(3).substr(0, 8));
    });
    (e ? errors : fine)++;
  }
  EXPECT_GT(errors, 0);
}

// A key-description node the index file does not hold is a short node read
// (105); one the file holds beyond the highest node in use is damage (120).
TEST_F(Cisam, KeyDescriptionNodeBeyondTheFileIsAShortRead) {
  cfx::Layout L = layout(true, 0, 512);
  cfx::write_pair("d", L, {make_record(1), make_record(2)});
  auto point_at = [](uint32_t node) {
    FILE* f = std::fopen("d.idx", "r+b");
    ASSERT_NE(f, nullptr);
    uint8_t be[4] = {uint8_t(node >> 24), uint8_t(node >> 16), uint8_t(node >> 8), uint8_t(node)};
    std::fseek(f, 15, SEEK_SET);
    std::fwrite(be, 1, 4, f);
    std::fclose(f);
  };
  int64_t nodes = int64_t(std::filesystem::file_size("d.idx")) / 512;
  point_at(uint32_t(nodes + 1));
  EXPECT_EQ(error_no([] { Pair p("d.idx"); }), 105);
  point_at(uint32_t(nodes + 1000));
  EXPECT_EQ(error_no([] { Pair p("d.idx"); }), 105);
  // The same node number once the file has grown to hold it.
  std::filesystem::resize_file("d.idx", uintmax_t(nodes + 1000) * 512);
  EXPECT_EQ(error_no([] { Pair p("d.idx"); }), 120);
}

// A free-record list whose head leads past the highest node in use is
// damage (120) both for the WRITE that takes a number from it and for the
// REMOVE that gives one back.
TEST_F(Cisam, FreeListLeadingPastTheNodesInUseIsDamage) {
  for (int op = 0; op < 2; ++op) {
    cfx::write_pair("fl", layout(true, 0), {make_record(1), make_record(2), make_record(3)});
    FILE* f = std::fopen("fl.idx", "r+b");
    ASSERT_NE(f, nullptr);
    const uint8_t head[4] = {0, 0x7F, 0xFF, 0xFF};
    std::fseek(f, 25, SEEK_SET);  // node 1: the head of the free-record list
    std::fwrite(head, 1, 4, f);
    std::fclose(f);
    Pair p("fl.idx");
    if (op == 0) EXPECT_EQ(error_no([&] { p->write(make_record(9), 0, nullptr); }), 120);
    else EXPECT_EQ(error_no([&] { p->remove(make_record(1).substr(0, 8)); }), 120);
  }
}

// Four processes write 25,000 records each into one pair with three keys
// (2,500 each in the sanitizer build, where the same run takes minutes);
// nothing is lost and every key reads back in order.
TEST_F(Cisam, FourProcessesShareAPairWithoutLosingARecord) {
  cfx::Layout L = layout(true, 6);
  cfx::write_pair("s", L, {});
#if defined(ORU_ASAN)
  constexpr int PROCS = 4, EACH = 2500;
#else
  constexpr int PROCS = 4, EACH = 25000;
#endif
  std::vector<pid_t> kids;
  for (int p = 0; p < PROCS; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int rc = 0;
      try {
        Pair pair("s.idx");
        for (int i = 0; i < EACH; ++i) {
          uint32_t id = uint32_t(i * PROCS + p);
          if (pair->write(make_record(id), 1, nullptr) != 0) rc = 3;
        }
      } catch (const Oru_error& e) {
        rc = 4;
      }
      _exit(rc);
    }
    kids.push_back(pid);
  }
  for (pid_t pid : kids) {
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "status " << st;
  }
  std::map<uint32_t, std::string> want_by_id;
  for (uint32_t id = 0; id < uint32_t(PROCS * EACH); ++id) want_by_id[id] = make_record(id);
  Pair p("s.idx", true);
  EXPECT_EQ(p->highest_record(), uint32_t(PROCS * EACH));
  std::map<uint32_t, std::string> live;
  for (uint32_t n = 1; n <= uint32_t(PROCS * EACH); ++n) {
    std::string rec;
    ASSERT_TRUE(p->read_record(n, &rec)) << n;
    live[n] = rec;
  }
  std::set<std::string> ids;
  for (auto& [n, r] : live) ids.insert(r.substr(0, 8));
  EXPECT_EQ(ids.size(), size_t(PROCS * EACH));
  for (int k = 0; k < 3; ++k) {
    Rows want = expected(L, k, live);
    expect_same_order(fixture_rows("s", k), want, k);
    expect_same_order(p.forward(k), want, k);
  }
  EXPECT_EQ(p->verify(), "");
}

// The C-ISAM fuzzer's seeds and crashers: each pair works or fails with an
// error number.
TEST_F(Cisam, FuzzCorpusWorksOrFailsCleanly) {
  int files = 0;
  for (const char* sub : {"tests/fuzz/corpus_cisam", "tests/fuzz/regressions_cisam"}) {
    std::string p = std::string(ORU_SOURCE_DIR) + "/" + sub;
    if (!std::filesystem::exists(p)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(p)) {
      std::string f = entry.path().string();
      FILE* in = std::fopen(f.c_str(), "rb");
      std::string bytes;
      char buf[4096];
      size_t n;
      while (in && (n = std::fread(buf, 1, sizeof buf, in)) > 0) bytes.append(buf, n);
      if (in) std::fclose(in);
      ++files;
      int e = Exercise_cisam(dir.path(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      if (f.find("corpus_cisam/pair") != std::string::npos) {
        EXPECT_EQ(e, 0) << f;
      }
    }
  }
  EXPECT_GE(files, 4);
}

}  // namespace
