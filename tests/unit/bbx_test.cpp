// Keyed files of the BBx format, read only: both kinds written by the test
// writer and read by the reader in every key order, by index, by ordinal
// and by key; damaged files give errors.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bbx_fixture.h"
#include "../fuzz/bbx_bytes.h"
#include "core/errors.h"
#include "keyed/bbx_file.h"
#include "test_util.h"

namespace {

class Bbx : public ::testing::Test {
 protected:
  Scratch_dir dir;
  int fd = -1;
  void SetUp() override { ASSERT_TRUE(dir.enter("oru_bbx_")); }
  void TearDown() override {
    if (fd >= 0) ::close(fd);
    ASSERT_TRUE(dir.leave());
  }
  std::unique_ptr<Bbx_file> open_bytes(const std::string& bytes) {
    bfx::save("f", bytes);
    if (fd >= 0) ::close(fd);
    fd = ::open("f", O_RDONLY);
    return Bbx_file::open(fd);
  }
  // Keys in order, forward from the first and backward from the last.
  static std::vector<std::string> forward(Bbx_file& f, int k) {
    std::vector<std::string> out;
    Bbx_entry e;
    for (bool ok = f.first(k, &e); ok && out.size() < 100000; ok = f.seek(k, e.key, Bbx_file::GT, &e)) out.push_back(e.key);
    return out;
  }
  static std::vector<std::string> backward(Bbx_file& f, int k) {
    std::vector<std::string> out;
    Bbx_entry e;
    for (bool ok = f.last(k, &e); ok && out.size() < 100000; ok = f.seek(k, e.key, Bbx_file::LT, &e)) out.push_back(e.key);
    std::reverse(out.begin(), out.end());
    return out;
  }
};

std::string name(int i) {
  static const char* n[] = {"ADAMS", "BAKER", "CLARK", "DAVIS", "EVANS", "FOX", "GREEN", "HILL"};
  return n[i % 8];
}

TEST_F(Bbx, ListKindReadInKeyOrderByIndexAndOrdinal) {
  for (int w : {2, 3, 4}) {
    SCOPED_TRACE(w);
    std::vector<std::pair<std::string, std::string>> recs;
    std::vector<std::string> keys;
    for (int i = 0; i < 700; ++i) {
      char k[16];
      std::snprintf(k, sizeof k, "K%06d", (i * 7919) % 100003);
      recs.emplace_back(k, name(i) + "\n" + std::to_string(i) + "\n");
      keys.push_back(std::string(k) + std::string(2, '\0'));
    }
    auto f = open_bytes(bfx::bbxkey(9, 24, w, recs));
    EXPECT_EQ(f->kind(), 14);
    EXPECT_EQ(f->record_count(), 700u);
    std::vector<std::string> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(forward(*f, 0), sorted);
    EXPECT_EQ(backward(*f, 0), sorted);
    // By index: entry IND + 1, whatever the key order.
    Bbx_entry e;
    ASSERT_TRUE(f->by_ind(5, &e));
    EXPECT_EQ(e.key, keys[5]);
    std::string rec = f->record(0, e);
    EXPECT_EQ(rec.substr(0, 9), keys[5].substr(0, 9));
    EXPECT_EQ(rec.substr(9), name(5) + "\n5\n" + std::string(24 - name(5).size() - 3, '\0'));
    EXPECT_FALSE(f->by_ind(710, &e));
    // By ordinal and back.
    ASSERT_TRUE(f->by_rno(0, 100, &e));
    EXPECT_EQ(e.key, sorted[99]);
    EXPECT_EQ(f->rno_of(0, sorted[99]), 100u);
    // External form: trailing zeros dropped.
    EXPECT_EQ(f->external(0, keys[3]), keys[3].substr(0, 7));
    ASSERT_TRUE(f->seek(0, f->stored(0, "K0"), Bbx_file::GE, &e));
    EXPECT_EQ(e.key, sorted[0]);
  }
}

TEST_F(Bbx, TreeKindReadInEveryKeyOrder) {
  std::vector<bfx::Seg> segs = {
      {0, 0, 0, 6, false},                      // key 0: the record number text
      {1, 2, 0, 5, false}, {1, 0, 0, 6, false},  // key 1: the name field, then the number
      {2, 3, 0, 4, true},                       // key 2: the third field, descending
  };
  for (int B : {512, 1024}) {
    for (int per : {3, 7, 40}) {
      SCOPED_TRACE(testing::Message() << "block " << B << " per block " << per);
      std::vector<std::string> recs;
      for (int i = 0; i < 500; ++i) {
        char b[64];
        std::snprintf(b, sizeof b, "%06d\n%s\n%04d\n", (i * 7919) % 100003, name(i).c_str(), (i * 31) % 97);
        recs.push_back(b);
      }
      auto f = open_bytes(bfx::bbmkey(24, B, per, segs, recs));
      EXPECT_EQ(f->kind(), 15);
      ASSERT_EQ(f->keys(), 3);
      // The expected stored keys, from the test writer's own key builder.
      for (int k = 0; k < 3; ++k) {
        std::vector<std::string> want;
        Bbx_entry e;
        for (size_t i = 0; i < recs.size(); ++i) {
          std::string r = recs[i];
          r.resize(24, '\0');
          // Record offsets: after the header (and a 1024-byte first block).
          uint32_t off = uint32_t((B > 512 ? B : 512) + i * 24);
          want.push_back(bfx::key_of(segs, k, r, off));
        }
        std::sort(want.begin(), want.end());
        EXPECT_EQ(forward(*f, k), want) << "key " << k;
        EXPECT_EQ(backward(*f, k), want) << "key " << k;
        // Every entry's record makes its key again.
        ASSERT_TRUE(f->first(k, &e));
        std::string rec = f->record(k, e);
        EXPECT_EQ(f->make_key(k, rec, e.rec), e.key);
        EXPECT_EQ(f->rno_of(k, want[250]), 251u);
        ASSERT_TRUE(f->by_rno(k, 251, &e));
        EXPECT_EQ(e.key, want[250]);
      }
      // A descending key turned back, a key after key 0 without its offset.
      Bbx_entry e;
      ASSERT_TRUE(f->first(2, &e));
      EXPECT_EQ(f->external(2, e.key), "0096");
      ASSERT_TRUE(f->first(1, &e));
      EXPECT_EQ(f->external(1, e.key).substr(0, 5), "ADAMS");
      EXPECT_EQ(error_no([&] { f->by_ind(1, &e); }), 98);
    }
  }
}

// Damaged files: cycles, pointers out of the file, short files.  Each is an
// error, never a crash or an endless walk.
TEST_F(Bbx, DamagedFilesGiveErrors) {
  std::vector<std::pair<std::string, std::string>> recs;
  for (int i = 0; i < 60; ++i) recs.emplace_back("K" + std::to_string(1000 + i), name(i));
  std::string list = bfx::bbxkey(8, 10, 2, recs);
  std::vector<bfx::Seg> segs = {{0, 0, 0, 4, false}, {1, 0, 4, 4, true}};
  std::vector<std::string> rs;
  for (int i = 0; i < 80; ++i) rs.push_back(std::to_string(1000 + i) + name(i));
  std::string tree = bfx::bbmkey(12, 512, 4, segs, rs);
  // A list that leads round in a circle.
  std::string circle = list;
  circle[512 + 8] = 0;
  circle[512 + 9] = 1;  // entry 1's next is entry 1
  auto f = open_bytes(circle);
  EXPECT_NE(error_no([&] { forward(*f, 0); }), 0);
  EXPECT_EQ(error_no([&] { open_bytes(list.substr(0, 300)); }), 13);
  std::mt19937 rng(3);
  int errors = 0;
  for (int round = 0; round < 300; ++round) {
    std::string bad = round % 2 ? list : tree;
    int flips = 1 + int(rng() % 6);
    for (int i = 0; i < flips; ++i) bad[rng() % bad.size()] = char(rng());
    if (round % 37 == 0) bad.resize(502 + rng() % (bad.size() - 502));
    int e = error_no([&] {
      auto g = open_bytes(bad);
      for (int k = 0; k < g->keys(); ++k) {
        forward(*g, k);
        backward(*g, k);
        Bbx_entry x;
        if (g->first(k, &x)) g->record(k, x);
        g->by_rno(k, 7, &x);
      }
    });
    if (e) ++errors;
  }
  EXPECT_GT(errors, 0);
}

// The BBx fuzzer's seeds and crashers: each file reads or fails with an
// error number.
TEST_F(Bbx, FuzzCorpusReadsOrFailsCleanly) {
  int files = 0;
  for (const char* sub : {"tests/fuzz/corpus_bbx", "tests/fuzz/regressions_bbx"}) {
    std::filesystem::path p = std::filesystem::path(ORU_SOURCE_DIR) / sub;
    if (!std::filesystem::exists(p)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(p)) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ++files;
      int e = Exercise_bbx(dir.path() + "/fz", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      if (entry.path().parent_path().filename() == "corpus_bbx") {
        EXPECT_EQ(e, 0) << entry.path();
      }
    }
  }
  EXPECT_GE(files, 2);
}

}  // namespace
