// Key maintenance of both keyed formats: the rebuild builds trees the
// structural check accepts, tolerates damage, and finds what was indexed.
#include <fcntl.h>

#include <cstring>
#include <random>

#include "keyed/index_maint.h"
#include "keyed/keyed_internal.h"
#include "keyed_env.h"

namespace {

class IndexMaint : public KeyedTest {
 protected:
  static Key_rebuild_report counting(std::vector<int64_t>* dups) {
    static std::vector<int64_t>* sink;
    sink = dups;
    Key_rebuild_report r;
    r.duplicate = [](int, int64_t ind) { sink->push_back(ind); };
    return r;
  }
  static std::vector<std::string> by_key(Key_chan* ch, int kno) {
    std::vector<std::string> out;
    Key_req r = req();
    r.has_kno = true;
    r.kno = kno;
    Key_req first = r;
    first.has_rno = true;
    first.rno = 1;
    try {
      out.push_back(Key_read(ch, first));
      for (;;) out.push_back(Key_read(ch, r));
    } catch (const Oru_error& e) {
      EXPECT_EQ(e.no, 2);
    }
    return out;
  }
};

// Files of every kind with two keys; 5000 records in random order.
TEST_F(IndexMaint, RebuildOfEveryKeyPassesTheCheckAndReadsInOrder) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 6, false, 0, 0}, {1, 0, 6, 3, false, 0, 0}};
  std::vector<std::string> paths = {make_segs("fix", 20, segs), make_segs("var", 20, segs, true),
                                    make_eff("eff", 20, segs)};
  for (const std::string& p : paths) {
    Key_chan* ch = open(p);
    std::mt19937 rng(7);
    std::vector<int> ids(5000);
    for (int i = 0; i < 5000; ++i) ids[size_t(i)] = i;
    std::shuffle(ids.begin(), ids.end(), rng);
    for (int i : ids) {
      char rec[16];
      std::snprintf(rec, sizeof rec, "%06d%03d", i, i % 211);
      Key_write(ch, req(232), rec);
    }
    std::vector<int64_t> dups;
    EXPECT_EQ(Key_rebuild(ch, -1, counting(&dups)), 5000) << p;
    EXPECT_TRUE(dups.empty());
    EXPECT_EQ(Key_verify(ch), "") << p;
    auto k0 = by_key(ch, 0);
    ASSERT_EQ(k0.size(), 5000u) << p;
    EXPECT_TRUE(std::is_sorted(k0.begin(), k0.end()));
    auto k1 = by_key(ch, 1);
    ASSERT_EQ(k1.size(), 5000u);
    for (size_t i = 1; i < k1.size(); ++i) EXPECT_LE(k1[i - 1].substr(6, 3), k1[i].substr(6, 3));
    // Writes after the rebuild go into the new trees.
    Key_write(ch, req(232), "999999000");
    Key_remove(ch, Key_by("000100"));
    EXPECT_EQ(Key_verify(ch), "") << p;
    EXPECT_EQ(Key_record_count(ch), 5000u);
  }
}

// A queue of three buffers: the rebuild's scan and tree building use far
// more blocks in one operation than the queue holds, so the queue grows
// while every buffer is in use and gives buffers back once the operation
// moves on; the trees stay sound and later changes still work.
TEST_F(IndexMaint, RebuildWithATinyBlockQueue) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 6, false, 0, 0}, {1, 0, 6, 3, false, 0, 0}};
  prmblk.BF = 3;
  Kbfr_set(3);
  for (const std::string& p : {make_segs("tfix", 20, segs), make_segs("tvar", 20, segs, true),
                               make_eff("teff", 20, segs)}) {
    Key_chan* ch = open(p);
    for (int i = 0; i < 3000; ++i) {
      char rec[16];
      std::snprintf(rec, sizeof rec, "%06d%03d", (i * 7919) % 3000, i % 97);
      Key_write(ch, req(232), rec);
    }
    EXPECT_EQ(Key_rebuild(ch, -1, {}), 3000) << p;
    EXPECT_EQ(Key_verify(ch), "") << p;
    auto k0 = by_key(ch, 0);
    ASSERT_EQ(k0.size(), 3000u) << p;
    EXPECT_TRUE(std::is_sorted(k0.begin(), k0.end())) << p;
    EXPECT_EQ(Key_rebuild(ch, 1, {}), 3000) << p;
    for (int i = 0; i < 300; ++i) {
      char key[8];
      std::snprintf(key, sizeof key, "%06d", i);
      Key_remove(ch, Key_by(key));
    }
    EXPECT_EQ(Key_record_count(ch), 3000u - 300u) << p;
    EXPECT_EQ(Key_verify(ch), "") << p;
    EXPECT_EQ(by_key(ch, 1).size(), 2700u) << p;
  }
  prmblk.BF = 10;
  Kbfr_set(10);
}

TEST_F(IndexMaint, RebuildOfOneKeyLeavesTheOthers) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 2, false, 0, 0}};
  for (const std::string& p : {make_segs("fix", 10, segs), make_eff("eff", 10, segs)}) {
    Key_chan* ch = open(p);
    for (int i = 0; i < 700; ++i) {
      char rec[8];
      std::snprintf(rec, sizeof rec, "%04d%02d", i, i % 50);
      Key_write(ch, req(232), rec);
    }
    EXPECT_EQ(Key_rebuild(ch, 1, {}), 700);
    EXPECT_EQ(Key_verify(ch), "");
    EXPECT_EQ(by_key(ch, 1).size(), 700u);
    EXPECT_EQ(error_no([&] { Key_rebuild(ch, 2, {}); }), 80);
  }
}

TEST_F(IndexMaint, ReadOnlyChannelAndKeysOnlyFileAreRefused) {
  std::string p = make_segs("ro", 10, {{0, 0, 0, 4, false, 0, 0}});
  Key_open_opts o;
  o.readonly = true;
  EXPECT_EQ(error_no([&] { Key_rebuild(open(p, o), -1, {}); }), 13);
  Key_chan* k = open(make("keys", 0, 6));
  EXPECT_EQ(error_no([&] { Key_rebuild(k, -1, {}); }), 17);
}

// A node of key 1 made unreadable (its pointers point nowhere): the
// rebuild passes over it and the new tree holds every record.
TEST_F(IndexMaint, DamagedNodeIsPassedOver) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 5, false, 0, 0}, {1, 0, 5, 4, false, 0, 0}};
  std::string p = make_segs("dmg", 12, segs, true);
  {
    Key_chan* ch = open(p);
    for (int i = 0; i < 4000; ++i) {
      char rec[16];
      std::snprintf(rec, sizeof rec, "%05d%04d", i, i % 97);
      Key_write(ch, req(232), rec);
    }
    close(ch);
  }
  int fd = ::open(p.c_str(), O_RDWR);
  uint8_t h[256];
  ASSERT_EQ(pread(fd, h, 256, 0), 256);
  uint32_t root1 = get_u32be(h + 44);
  uint8_t junk[40];
  std::memset(junk, 0x7F, sizeof junk);
  ASSERT_EQ(pwrite(fd, junk, sizeof junk, root1 + 6), ssize_t(sizeof junk));
  ::close(fd);
  Key_chan* ch = open(p);
  EXPECT_NE(Key_verify(ch), "");
  EXPECT_EQ(Key_rebuild(ch, -1, {}), 4000);
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(by_key(ch, 1).size(), 4000u);
}

}  // namespace
