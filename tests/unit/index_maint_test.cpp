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
  // A report of a rebuild that keeps the missing segment files told.
  static inline std::vector<int> missing;
  static Key_rebuild_report telling_missing() {
    missing.clear();
    Key_rebuild_report r;
    r.missing_segment = [](int seg) { missing.push_back(seg); };
    return r;
  }
  // A variable-length file of n 400-byte records keyed k000000 on, in
  // 1 KB blocks over segment files of 1 MB.
  std::string make_segmented(const std::string& name, int n) {
    prmblk.MB = 1;
    std::string p = make(name, 400, 8, true, 0, 10, 1);
    Key_chan* ch = open(p);
    std::string rec(400, 'r');
    for (int i = 0; i < n; ++i) {
      char k[16];
      std::snprintf(k, sizeof k, "k%06d", i);
      put(ch, k, rec);
    }
    close(ch);
    return p;
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
      char key[16];
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
      char rec[24];
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

// A channel holding its file whole: only there does a rebuild of key 0 set
// the record count from its scan (no other process can change it meanwhile).
Key_open_opts held_whole() {
  Key_open_opts o;
  o.nolock = true;
  return o;
}

// A shared channel lets other processes write while it rebuilds: the
// record count stays the one the writes keep; held whole, the scan sets it.
TEST_F(IndexMaint, RecordCountIsSetOnlyByARebuildHoldingTheFile) {
  std::string p = make_segs("cnt", 10, {{0, 0, 0, 4, false, 0, 0}});
  Key_chan* ch = open(p);
  for (int i = 0; i < 50; ++i) Key_write(ch, req(232), "k" + std::to_string(100 + i) + "rest");
  close(ch);
  poke(p, 14, {0, 0, 0, 7});
  ch = open(p);
  EXPECT_EQ(Key_rebuild(ch, 0, {}), 50);
  EXPECT_EQ(Key_record_count(ch), 7u);
  close(ch);
  ch = open(p, held_whole());
  EXPECT_EQ(Key_rebuild(ch, 0, {}), 50);
  EXPECT_EQ(Key_record_count(ch), 50u);
}

// A segment file moved away: the rebuild tells of it once and indexes the
// records of every other segment, the later ones too; with the segment
// back, a second rebuild finds every record again.
TEST_F(IndexMaint, MissingSegmentIsPassedAndTheLaterSegmentsRead) {
  const int n = 7000;
  std::string p = make_segmented("seg", n);
  std::string rec(400, 'r');
  ASSERT_TRUE(std::filesystem::exists(p + ".002"));
  std::filesystem::rename(p + ".001", p + ".away");
  Key_rebuild_report r = telling_missing();
  Key_chan* ch = open(p, held_whole());
  int64_t got = -1;
  EXPECT_EQ(error_no([&] { got = Key_rebuild(ch, -1, r); }), 0);
  EXPECT_EQ(missing, std::vector<int>{1});
  EXPECT_GT(got, 0);
  EXPECT_LT(got, n);
  EXPECT_EQ(Key_record_count(ch), uint64_t(got));
  EXPECT_EQ(get(ch, "k000000"), rec);
  EXPECT_EQ(get(ch, "k006999"), rec);  // written last: in the last segment
  close(ch);
  std::filesystem::rename(p + ".away", p + ".001");
  // The clearing of the old nodes is told every 5 percent of each segment.
  static std::vector<std::pair<int, int>> cleared;
  cleared.clear();
  r.cleared = [](int pct, int seg) { cleared.push_back({seg, pct}); };
  ch = open(p, held_whole());
  EXPECT_EQ(Key_rebuild(ch, -1, r), n);
  ASSERT_FALSE(cleared.empty());
  EXPECT_EQ(cleared.front(), std::make_pair(0, 0));
  EXPECT_GE(cleared.back().first, 2);  // every segment
  EXPECT_TRUE(std::is_sorted(cleared.begin(), cleared.end()));
  EXPECT_EQ(std::count_if(cleared.begin(), cleared.end(), [](auto c) { return c.first == 0; }), 20);
  for (auto c : cleared) EXPECT_EQ(c.second % 5, 0);
  EXPECT_EQ(Key_record_count(ch), uint64_t(n));  // the last segment is not followed by the first again
  EXPECT_EQ(missing.size(), 1u);
  EXPECT_EQ(Key_verify(ch), "");
}

// A segment file cut short (a full disk, a copy broken off): the rebuild
// goes on at the next segment where the short one ends, as for a missing
// one, but a segment that is there is not told as missing.
TEST_F(IndexMaint, SegmentCutShortIsPassedAndNotToldMissing) {
  const int n = 7000;
  std::string p = make_segmented("cut", n);
  std::string rec(400, 'r');
  ASSERT_TRUE(std::filesystem::exists(p + ".002"));
  auto size = std::filesystem::file_size(p + ".001");
  std::filesystem::resize_file(p + ".001", size / 2);
  Key_rebuild_report r = telling_missing();
  Key_chan* ch = open(p, held_whole());
  int64_t got = -1;
  EXPECT_EQ(error_no([&] { got = Key_rebuild(ch, -1, r); }), 0);
  EXPECT_TRUE(missing.empty());
  EXPECT_GT(got, 0);
  EXPECT_LT(got, n);
  EXPECT_EQ(Key_record_count(ch), uint64_t(got));
  EXPECT_EQ(get(ch, "k000000"), rec);
  EXPECT_EQ(get(ch, "k006999"), rec);  // written last: in the last segment
}

// A deleted-slot chain broken by a kill (a link into the middle of a
// record) makes every WRITE fail with 109; the rebuild makes the chain
// again from the slots marked deleted, and they are all used again.
TEST_F(IndexMaint, RebuildMendsABrokenDeletedSlotChain) {
  std::string p = make("chain", 20, 4);
  Key_chan* ch = open(p, held_whole());
  for (int i = 0; i < 10; ++i) put(ch, "k00" + std::to_string(i), "r" + std::to_string(i));
  int64_t head = Key_getind(ch, Key_by("k007"));
  for (const char* k : {"k002", "k005", "k007"}) Key_remove(ch, Key_by(k));
  int blk = ch->f->blk, slot = ch->f->slot;
  close(ch);
  // The slot deleted last heads the chain: its link goes astray.
  poke(p, 512 + blk + head * slot + 1, {0xFF, 0xFF, 0xFF, 0xF0});
  ch = open(p, held_whole());
  put(ch, "n1", "x");
  EXPECT_EQ(error_no([&] { put(ch, "n2", "x"); }), 109);
  EXPECT_EQ(Key_rebuild(ch, -1, {}), 8);
  EXPECT_EQ(Key_verify(ch), "");
  uint32_t eof = Hdr32(ch->f.get(), kf::H_EOF);
  for (const char* k : {"n2", "n3"}) put(ch, k, "x");
  EXPECT_EQ(Hdr32(ch->f.get(), kf::H_EOF), eof);  // the deleted slots, not new ones
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(Key_record_count(ch), 10u);
}

// A free-block chain whose head a kill left pointing into the records:
// the rebuild makes it again from the blocks typed free, and the file
// takes new index nodes again.
TEST_F(IndexMaint, RebuildMendsABrokenFreeBlockChain) {
  std::string p = make("freeb", 20, 8, false, 0, 10, 1);
  Key_chan* ch = open(p);
  for (int i = 0; i < 2000; ++i) put(ch, "k" + std::to_string(10000 + i), "r");
  for (int i = 0; i < 1500; ++i) Key_remove(ch, Key_by("k" + std::to_string(10000 + i)));
  ASSERT_NE(Hdr32(ch->f.get(), kf::H_FREE2), 0u);
  close(ch);
  poke(p, kf::H_FREE2, {0, 0, 0x02, 0x01});
  ch = open(p);
  EXPECT_NE(Key_verify(ch), "");
  EXPECT_EQ(Key_rebuild(ch, -1, {}), 500);
  EXPECT_EQ(Key_verify(ch), "");
  for (int i = 0; i < 3000; ++i) put(ch, "n" + std::to_string(10000 + i), "n");
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(Key_record_count(ch), 3500u);
}

// Data blocks whose space-map bytes a kill left saying "free": the map
// check finds them, and the rebuild marks them again from the blocks, a
// block written full as full and the last one, with room left, as taking
// records.
TEST_F(IndexMaint, RebuildMarksDataBlocksInTheSpaceMapAgain) {
  std::string p = make("maps", 200, 6, true, 0, 10, 1);
  Key_chan* ch = open(p);
  for (int i = 0; i < 40; ++i) put(ch, "k" + std::to_string(100 + i), std::string(150, 'd'));
  auto map_byte = [&](const char* key) {
    uint32_t blk = uint32_t(Key_getind(ch, Key_by(key)) + 512) & ~255u;
    return int64_t(512 + 6 + (blk - 512) / uint32_t(ch->f->blk));
  };
  int64_t full = map_byte("k120"), room = map_byte("k139");
  close(ch);
  poke(p, full, {0});
  poke(p, room, {0});
  ch = open(p);
  EXPECT_NE(Key_verify(ch), "");
  EXPECT_EQ(Key_rebuild(ch, -1, {}), 40);
  EXPECT_EQ(Key_verify(ch), "");
  close(ch);
  auto byte_at = [&](int64_t off) {
    uint8_t b = 0;
    int fd = ::open(p.c_str(), O_RDONLY);
    EXPECT_EQ(::pread(fd, &b, 1, off), 1);
    ::close(fd);
    return int(b);
  };
  EXPECT_EQ(byte_at(full), kf::BT_FULL);
  EXPECT_EQ(byte_at(room), kf::BT_DATA);
  ch = open(p);
  for (int i = 0; i < 40; ++i) put(ch, "n" + std::to_string(100 + i), std::string(150, 'n'));
  EXPECT_EQ(strip(get(ch, "k120")), std::string(150, 'd'));
  EXPECT_EQ(Key_verify(ch), "");
}

// An index entry whose record is gone: the READ that meets it is error 11,
// and the next READ goes on with the record after it.
TEST_F(IndexMaint, ReadStepsPastAnEntryWhoseRecordIsGone) {
  for (bool variable : {false, true}) {
    std::string p = make(variable ? "var" : "fix", 20, 4, variable);
    Key_chan* ch = open(p);
    for (const char* k : {"A", "B", "C", "D"}) put(ch, k, k);
    int64_t ind = Key_getind(ch, Key_by("C"));
    int blk = ch->f->blk, slot = ch->f->slot;
    close(ch);
    if (variable) {
      // The slot's offset in its data block's slot table goes to 0.
      uint32_t a = uint32_t(ind + 512);
      poke(p, int64_t(a & ~255u) + 6 + 2 * int64_t(a & 255), {0, 0});
    } else {
      poke(p, 512 + blk + ind * slot, {0xFF, 0, 0, 0, 0});
    }
    ch = open(p);
    EXPECT_EQ(strip(get(ch, "A")), "A");
    EXPECT_EQ(strip(next(ch)), "B");
    EXPECT_EQ(error_no([&] { next(ch); }), 11) << p;
    EXPECT_EQ(strip(next(ch)), "D") << p;
    EXPECT_EQ(error_no([&] { next(ch); }), 2);
    close(ch);
  }
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

// EFF files with continuation pieces ---------------------------------------

class EffPieces : public IndexMaint {
 protected:
  // Key 0: bytes 0..3; key 1: bytes 4..7 with duplicates (equal values in
  // sequence order).  Records longer than 50 bytes go on in pieces.
  Key_chan* make_file() {
    std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 4, false, 0, 0}};
    return open(make_eff("pieces", 50, segs, 0, 0x08));
  }
  static std::string long_rec(const std::string& head) {
    std::string r = head;
    for (int i = 0; r.size() < 260; ++i) r += char('a' + i % 26);
    return r;
  }
  // KEY= on key 0 (the reads in key 1's order leave key 1 current).
  static Key_req k0(const std::string& key, int directive = 204) {
    Key_req r = Key_by(key, directive);
    r.has_kno = true;
    r.kno = 0;
    return r;
  }
  static uint32_t addr_of(Key_chan* ch, const std::string& key) { return uint32_t(Key_getind(ch, k0(key))); }
  // Changes the stored body of the record (or piece) at addr in one update
  // cycle, as damage or another writer would leave it: fn gets the body and
  // the offset of its sequence (no external key: data length at byte 1).
  template <class Fn>
  static void patch(Key_chan* ch, uint32_t addr, Fn fn) {
    Key_bracket op(ch, DIR_WRITE, false);
    Key_Hdr_Lock_N_Load(2);
    Kbfr* b = Kbfr_get((addr >> 8) & 0x7FFFFFu, kf::BT_DATA);
    uint8_t* body = b->b() + 6 + get_u16be(b->b() + 6 + 2 * int(addr & 255));
    fn(body, 3 + (get_u16be(body + 1) & 0x7FFF));
    Kbfr_touch(b);
    K.rec_addr = 0xFFFFFFFFu;
    op.done();
  }
  // The first continuation piece of the record at addr.
  static uint32_t first_piece(Key_chan* ch, uint32_t addr) {
    uint32_t ext = 0;
    patch(ch, addr, [&](uint8_t* body, int seq_at) {
      if (get_u16be(body + 1) & 0x8000) ext = get_u32be(body + seq_at + 4);
    });
    return ext;
  }
  // Key 0 values of the records in key 1's order.
  static std::string order_by_city(Key_chan* ch) {
    std::string out;
    for (const std::string& r : by_key(ch, 1)) out += r.substr(0, 4) + " ";
    return out;
  }
};

// A record stored in pieces takes the sequence its pieces carry when every
// key is rebuilt; the order of equal alternate values follows it.  A piece
// sequence of 0 (never stamped) and a record without pieces keep theirs.
TEST_F(EffPieces, RebuildTakesTheSequenceOfThePieces) {
  Key_chan* ch = make_file();
  Key_write(ch, req(232), long_rec("A001Bern"));
  Key_write(ch, req(232), long_rec("B002Bern"));
  Key_write(ch, req(232), "C003Bern");
  Key_write(ch, req(232), long_rec("D004Bern"));
  EXPECT_EQ(order_by_city(ch), "A001 B002 C003 D004 ");
  // A's record and its pieces disagree; B's pieces were never stamped.
  patch(ch, addr_of(ch, "A001"), [](uint8_t* body, int seq_at) { put_u32be(body + seq_at, 900); });
  uint32_t b_addr = addr_of(ch, "B002");
  patch(ch, first_piece(ch, b_addr), [](uint8_t* body, int seq_at) { put_u32be(body + seq_at, 0); });
  patch(ch, b_addr, [](uint8_t* body, int seq_at) { put_u32be(body + seq_at, 950); });
  patch(ch, addr_of(ch, "C003"), [](uint8_t* body, int seq_at) { put_u32be(body + seq_at, 800); });
  // A rebuild of key 1 alone keeps the sequences the records hold.
  EXPECT_EQ(Key_rebuild(ch, 1, {}), 4);
  EXPECT_EQ(order_by_city(ch), "D004 C003 A001 B002 ");
  EXPECT_EQ(Key_rebuild(ch, -1, {}), 4);
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(order_by_city(ch), "A001 D004 C003 B002 ");
  EXPECT_EQ(Key_read(ch, k0("A001")), long_rec("A001Bern"));
  // Updates keep the corrected sequence, in the record and its new pieces.
  Key_write(ch, req(232), long_rec("A001Bern") + "more");
  EXPECT_EQ(Key_rebuild(ch, -1, {}), 4);
  EXPECT_EQ(order_by_city(ch), "A001 D004 C003 B002 ");
  EXPECT_EQ(Key_read(ch, k0("A001")), long_rec("A001Bern") + "more");
}

// A damaged chain of pieces: the READ of that record is a clear error, the
// rebuild keeps it indexed, and REMOVE takes it without touching the
// record the damaged link names.
TEST_F(EffPieces, DamagedChainIsAnErrorNeverAnotherRecord) {
  Key_chan* ch = make_file();
  Key_write(ch, req(232), long_rec("A001Bern"));
  Key_write(ch, req(232), "C003Chur");
  Key_write(ch, req(232), long_rec("E005Bern"));
  Key_write(ch, req(232), long_rec("F006Thun"));
  uint32_t c_addr = addr_of(ch, "C003");
  // E's first piece links to C's record, F's record to a page past the file.
  patch(ch, first_piece(ch, addr_of(ch, "E005")),
        [&](uint8_t* body, int seq_at) {
          put_u16be(body + 1, get_u16be(body + 1) | 0x8000);
          put_u32be(body + seq_at + 4, c_addr);
        });
  patch(ch, addr_of(ch, "F006"), [](uint8_t* body, int seq_at) { put_u32be(body + seq_at + 4, 0x7FFF01u); });
  int e = error_no([&] { Key_read(ch, k0("E005")); });
  EXPECT_TRUE(e == 108 || e == 106 || e == 113 || e == 114) << e;
  e = error_no([&] { Key_read(ch, k0("F006")); });
  EXPECT_TRUE(e == 108 || e == 106 || e == 113 || e == 114) << e;
  EXPECT_EQ(Key_read(ch, k0("A001")), long_rec("A001Bern"));
  EXPECT_EQ(Key_rebuild(ch, -1, {}), 4);
  EXPECT_EQ(Key_record_count(ch), 4u);
  EXPECT_EQ(Key_verify(ch), "");
  for (const char* k : {"A001", "C003", "E005", "F006"}) EXPECT_EQ(error_no([&] { addr_of(ch, k); }), 0) << k;
  Key_remove(ch, k0("E005", 208));
  Key_remove(ch, k0("F006", 208));
  EXPECT_EQ(strip(Key_read(ch, k0("C003"))), "C003Chur");
  EXPECT_EQ(Key_read(ch, k0("A001")), long_rec("A001Bern"));
  EXPECT_EQ(Key_record_count(ch), 2u);
  EXPECT_EQ(Key_verify(ch), "");
}

}  // namespace
