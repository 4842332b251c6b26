// EFF keyed files: the creation layout, damaged headers, unique alternate
// keys, the order of equal alternate values, pieces, PURGE, commit and
// rollback of transactions, and the map check after each.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <filesystem>

#include "core/codes.h"
#include "keyed/eff_format.h"
#include "keyed/eff_store.h"
#include "keyed/key_driver.h"
#include "keyed/keyed_internal.h"
#include "keyed_env.h"

namespace {

class Eff : public KeyedTest {
 protected:
  static uint64_t get_u64be(const uint8_t* p) { return (uint64_t(get_u32be(p)) << 32) | get_u32be(p + 4); }
  std::vector<uint8_t> bytes(const std::string& p, int64_t off, size_t n) {
    std::vector<uint8_t> b(n);
    int fd = ::open(p.c_str(), O_RDONLY);
    EXPECT_EQ(pread(fd, b.data(), n, off), ssize_t(n));
    ::close(fd);
    return b;
  }
  void poke(const std::string& p, int64_t off, uint8_t v) {
    int fd = ::open(p.c_str(), O_RDWR);
    EXPECT_EQ(pwrite(fd, &v, 1, off), 1);
    ::close(fd);
  }
  // Records in key order of key k: their data.
  std::vector<std::string> scan(Key_chan* ch, int k) {
    std::vector<std::string> out;
    Key_req first = req();
    first.has_rno = true;
    first.rno = 1;
    first.has_kno = true;
    first.kno = k;
    std::string r;
    if (error_no([&] { r = Key_read(ch, first); }) != 0) return out;
    out.push_back(strip(r));
    while (error_no([&] { r = Key_read(ch, req()); }) == 0) out.push_back(strip(r));
    return out;
  }
  // Id (bytes 0..3), city (4..7).
  std::vector<Key_seg_desc> id_city(bool unique_city) {
    return {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 4, false, uint16_t(unique_city ? 1 : 0), 0}};
  }
};

TEST_F(Eff, NewFileLayout) {
  std::string p = make_eff("layout", 40, id_city(false));
  auto h = bytes(p, 0, 4096);
  EXPECT_EQ(std::string(h.begin(), h.begin() + 8), "[Oruky2]");
  EXPECT_EQ(get_u16be(&h[8]), 40);
  EXPECT_EQ(h[48], 3);  // 4 KB pages
  EXPECT_EQ(h[54], 2);  // keys
  EXPECT_EQ(get_u16be(&h[55]), 2);
  EXPECT_EQ(h[57], 1);
  EXPECT_EQ(get_u32be(&h[20]), 3u * 256 + 1);  // the first key descriptor
  EXPECT_EQ(get_u32be(&h[2040]), 0u);           // roots
  EXPECT_EQ(get_u32be(&h[2044]), 0u);
  EXPECT_EQ(get_u16be(&h[2048 + 28]), 1);       // one map group
  EXPECT_EQ(h[2084], 0x40);
  for (int c = 1; c <= 2; ++c) {
    auto m = bytes(p, 4096 * c, 4096);
    EXPECT_EQ(m[0], 252);
    EXPECT_EQ(get_u32be(&m[1]), uint32_t(c));
    EXPECT_EQ(get_u32be(&m[6]), 0xFC000001u);
    EXPECT_EQ(get_u32be(&m[10]), 0xFC000002u);
    EXPECT_EQ(get_u32be(&m[14]), 0xFD000003u);  // the key-descriptor page
  }
  auto k = bytes(p, 3 * 4096, 4096);
  EXPECT_EQ(k[0], 253);
  EXPECT_EQ(k[5], 2);  // two items
  Key_chan* ch = open(p);
  EXPECT_EQ(Key_count_keys(ch), 2);
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(Eff, CreationRefusesBadDefinitions) {
  EXPECT_EQ(error_no([&] { make_eff("nokeys", 40, {}); }), 32);
  EXPECT_EQ(error_no([&] {
              make_eff("long", 300, {{0, 0, 0, 120, false, 0, 0}, {0, 0, 120, 121, false, 0, 0}});
            }),
            80);
  // A record of 70,000 bytes asks for 70 KB pages: 63 is the largest.
  Eff_create_def d;
  d.rec_len = 60000;
  d.keys.resize(1);
  d.keys[0].segs.push_back(Eff_seg_desc{0, 0, 4, 0, 0});
  std::string p = path("big");
  int fd = ::open(p.c_str(), O_RDWR | O_CREAT, 0644);
  Eff_create(fd, d);
  ::close(fd);
  EXPECT_EQ(bytes(p, 48, 1)[0], 59);  // 60 KB pages
}

TEST_F(Eff, DamagedHeaderIsErrorSeventeen) {
  std::string p = make_eff("bad", 40, id_city(false));
  poke(p, 48, 2);  // 3 KB pages
  EXPECT_EQ(error_no([&] { open(p); }), 17);
  poke(p, 48, 3);
  poke(p, 53, 251);  // a key buffer of 256 bytes
  EXPECT_EQ(error_no([&] { open(p); }), 17);
  poke(p, 53, 8);
  uint8_t flags = bytes(p, 51, 1)[0];
  poke(p, 51, uint8_t(flags | 0x08));  // the large-file layout, which this system does not use
  EXPECT_EQ(error_no([&] { open(p); }), 99);
  poke(p, 51, flags);
  Key_chan* ch = open(p);
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(Eff, UniqueAlternateKeyRefusedWithNothingWritten) {
  Key_chan* ch = open(make_eff("uniq", 40, id_city(true)));
  Key_write(ch, req(232), "A001Bern");
  Key_write(ch, req(232), "A002Zug ");
  EXPECT_EQ(error_no([&] { Key_write(ch, req(232), "A003Bern"); }), 11);
  EXPECT_EQ(Key_record_count(ch), 2u);
  EXPECT_EQ(error_no([&] { get(ch, "A003"); }), 11);
  // Rewriting a record with its own unique value is no duplicate.
  Key_write(ch, req(232), "A001Bern");
  EXPECT_EQ(error_no([&] { Key_write(ch, req(232), "A002Bern"); }), 11);
  EXPECT_EQ(strip(get(ch, "A002")), "A002Zug ");
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(Eff, EqualAlternateValuesKeepInsertionOrder) {
  Key_chan* ch = open(make_eff("order", 40, id_city(false)));
  for (const char* r : {"Z009Bern", "A001Bern", "M005Bern", "B002Chur"}) Key_write(ch, req(232), r);
  // An update (even one that moves the record) keeps its sequence.
  Key_write(ch, req(232), std::string("A001Bern") + std::string(30, 'x'));
  std::vector<std::string> by_city = scan(ch, 1);
  ASSERT_EQ(by_city.size(), 4u);
  EXPECT_EQ(by_city[0].substr(0, 4), "Z009");
  EXPECT_EQ(by_city[1].substr(0, 4), "A001");
  EXPECT_EQ(by_city[2].substr(0, 4), "M005");
  EXPECT_EQ(by_city[3].substr(0, 4), "B002");
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(Eff, InsertUpdateAndDomainErrors) {
  Key_chan* ch = open(make_eff("ext", 40, {}, 8));
  Key_write(ch, Key_by("K1", 219), "one");
  EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("K1", 219), "again"); }), 11);
  EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("K2", 220), "missing"); }), 11);
  Key_write(ch, Key_by("K1", 220), "updated");
  EXPECT_EQ(strip(get(ch, "K1")), "updated");
  EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("K123456789", 232), "too long"); }), 46);
  EXPECT_EQ(Key_record_count(ch), 1u);
}

TEST_F(Eff, PiecesJoinAndPhysicalOrderSkipsThem) {
  Key_chan* ch = open(make_eff("pieces", 50, {}, 6, eff::FB_PIECES));
  std::string big;
  for (int i = 0; i < 400; ++i) big += char('a' + i % 26);
  Key_write(ch, Key_by("BIG", 232), big);
  Key_write(ch, Key_by("SMALL", 232), "small");
  EXPECT_EQ(get(ch, "BIG"), big);
  EXPECT_EQ(Key_record_count(ch), 2u);
  // Physical order (from the start on a second channel) returns the two
  // records, never a piece.
  Key_chan* ch2 = open(path("pieces"));
  Key_req phys = req();
  phys.has_kno = true;
  phys.kno = -2;
  int n = 0;
  std::string r;
  while (error_no([&] { r = Key_read(ch2, phys); }) == 0) {
    EXPECT_TRUE(r == big || strip(r) == "small") << r.size();
    ++n;
  }
  EXPECT_EQ(n, 2);
  // A shorter rewrite frees the old pieces.
  Key_write(ch, Key_by("BIG", 232), big.substr(0, 120));
  EXPECT_EQ(get(ch, "BIG"), big.substr(0, 120));
  Key_remove(ch, Key_by("BIG", 208));
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(Eff, PurgeKeepsKeysAndRestartsTheCounter) {
  Key_chan* ch = open(make_eff("purge", 40, id_city(false)));
  for (int i = 0; i < 500; ++i) Key_write(ch, req(232), "P" + std::to_string(1000 + i) + "Bern");
  Key_purge(ch);
  EXPECT_EQ(Key_record_count(ch), 0u);
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(error_no([&] { Key_getkef(ch, req()); }), 2);
  Key_write(ch, req(232), "A001Thun");
  EXPECT_EQ(strip(get(ch, "A001")), "A001Thun");
  close(ch);
  ch = open(path("purge"));
  EXPECT_EQ(Key_record_count(ch), 1u);
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(Eff, IndexIsTheRecordAddress) {
  Key_chan* ch = open(make_eff("ind", 40, id_city(false)));
  Key_write(ch, req(232), "A001Bern");
  Key_write(ch, req(232), "A002Chur");
  int64_t a = Key_getind(ch, Key_by("A002"));
  EXPECT_GT(a, 3 * 256);
  Key_req r = req();
  r.has_ind = true;
  r.ind = a;
  EXPECT_EQ(strip(Key_read(ch, r)), "A002Chur");
  r.ind = a + 100;
  EXPECT_EQ(error_no([&] { Key_read(ch, r); }), 11);
  r.ind = (1ll << 30) + 1;
  EXPECT_EQ(error_no([&] { Key_read(ch, r); }), 105);
}

// A leaf entry whose pointer reads as record 0xFFFFFFFF (the read cache's
// "nothing read") must not be served the image an earlier operation left,
// here one of another file with a far shorter image.
TEST_F(Eff, DamagedLeafPointerIsNoCachedRecord) {
  Key_chan* small = open(make_eff("small", 8, {{0, 0, 0, 4, false, 0, 0}}));
  Key_write(small, req(232), "S001abcd");
  std::string wide = make_eff("wide", 200, {}, 100);
  Key_chan* ch = open(wide);
  for (const char* k : {"K1", "K2", "K3"}) put(ch, k, std::string(150, k[1]));
  close(ch);
  // Every index page: entry 0 points at record 0, entry 1 at record -1.
  int fd = ::open(wide.c_str(), O_RDWR);
  std::vector<uint8_t> pg(4096);
  int patched = 0;
  for (int64_t off = 4096; pread(fd, pg.data(), pg.size(), off) == ssize_t(pg.size()); off += 4096) {
    if (pg[0] != 254) continue;
    const int kent = 4 + 101;  // pointer, length byte, 100 key bytes
    put_u32be(&pg[6], 0);
    put_u32be(&pg[6 + kent], 1);
    ASSERT_EQ(pwrite(fd, pg.data(), pg.size(), off), ssize_t(pg.size()));
    ++patched;
  }
  ::close(fd);
  ASSERT_GT(patched, 0);
  EXPECT_EQ(strip(get(small, "S001")), "S001abcd");  // the short image is the last one read
  ch = open(wide);
  std::string report = Key_verify(ch);
  EXPECT_NE(report.find("points at record 4294967295: error 11"), std::string::npos) << report;
}

// The engine state parked around a nested operation (an event handler that
// interrupts a channel): what the outer context wrote is on disk before the
// nested one starts, the nested context works on a queue of its own and its
// changes are written back when the outer state returns.
TEST_F(Eff, SaveAndRestoreAroundANestedOperation) {
  prmblk.WD = 1000;  // write-behind: nothing reaches the disk between statements
  std::string p = make_eff("outer", 40, id_city(false));
  std::string q = make("first", 40, 4);
  Key_chan* a = open(p);
  Key_chan* b = open(q);
  for (int i = 0; i < 100; ++i) Key_write(a, req(232), "O" + std::to_string(100 + i) + "Bern");
  put(b, "K001", "outer");
  auto on_disk = [&] { return get_u64be(bytes(p, eff::UPDATE + eff::U_COUNT, 8).data()); };
  EXPECT_EQ(on_disk(), 0u);
  void* saved = Key_save();
  EXPECT_EQ(on_disk(), 100u);
  {
    Key_chan* n = open(p);
    EXPECT_EQ(strip(get(n, "O150")), "O150Bern");
    Key_write(n, req(232), "N001Chur");
    Key_write(n, req(232), "N002Genf");
    Key_remove(n, Key_by("O100", 208));
    put(b, "K002", "nested");
    close(n);
  }
  Key_restore(saved);
  EXPECT_EQ(on_disk(), 101u);  // two added, one removed
  EXPECT_EQ(strip(get(a, "N001")), "N001Chur");
  EXPECT_EQ(error_no([&] { get(a, "O100"); }), 11);
  EXPECT_EQ(strip(get(b, "K002")), "nested");
  Key_write(a, req(232), "O100Thun");
  EXPECT_EQ(Key_verify(a), "");
  EXPECT_EQ(Key_verify(b), "");
  Kbfr_flush_all();
  EXPECT_EQ(on_disk(), 102u);
  // A restore without a save does nothing.
  Key_restore(nullptr);
  EXPECT_EQ(strip(get(a, "O100")), "O100Thun");
}

// Twenty keys (the first format stops at 16): key 0 the record's first four
// bytes, key k one of the bytes after them, ascending or descending, with
// duplicates; every key reads every record in its order, and a rewrite and
// a remove move every key's entry.
TEST_F(Eff, MoreThanSixteenKeys) {
  std::vector<Key_seg_desc> segs{{0, 0, 0, 4, false, 0, 0}};
  for (int k = 1; k < 20; ++k) segs.push_back({k, 0, 3 + k, 1, k % 3 == 0, 0, 0});
  std::string p = make_eff("keys20", 40, segs);
  Key_chan* ch = open(p);
  ASSERT_EQ(Key_count_keys(ch), 20);
  auto rec = [](int i) {
    std::string r = "R" + std::to_string(100 + i);
    for (int k = 1; k < 20; ++k) r += char('a' + (i * 7 + k * 3) % 26);
    return r;
  };
  for (int i = 0; i < 60; ++i) Key_write(ch, req(232), rec(i));
  Key_write(ch, req(232), "R105" + std::string(19, 'z'));
  Key_remove(ch, Key_by("R110", 208));
  for (int k = 0; k < 20; ++k) {
    std::vector<std::string> got = scan(ch, k);
    ASSERT_EQ(got.size(), 59u) << "key " << k;
    for (size_t i = 1; i < got.size(); ++i) {
      if (k == 0) {
        EXPECT_LT(got[i - 1].substr(0, 4), got[i].substr(0, 4));
        continue;
      }
      char a = got[i - 1][size_t(3 + k)], b = got[i][size_t(3 + k)];
      if (k % 3 == 0) {
        EXPECT_GE(a, b) << "key " << k;
      } else {
        EXPECT_LE(a, b) << "key " << k;
      }
      // Equal values keep the order the records were written in.
      if (a == b && got[i - 1] != "R105" + std::string(19, 'z') && got[i] != "R105" + std::string(19, 'z')) {
        EXPECT_LT(got[i - 1].substr(0, 4), got[i].substr(0, 4)) << "key " << k;
      }
    }
    EXPECT_EQ(std::count(got.begin(), got.end(), "R105" + std::string(19, 'z')), 1) << "key " << k;
  }
  EXPECT_EQ(strip(Key_getkel(ch, [] { Key_req r = req(); r.has_kno = true; r.kno = 19; return r; }())).size(), 1u);
  EXPECT_EQ(Key_verify(ch), "");
  close(ch);
  ch = open(p);
  EXPECT_EQ(Key_record_count(ch), 59u);
  EXPECT_EQ(scan(ch, 19).size(), 59u);
  EXPECT_EQ(Key_verify(ch), "");
}

// Ascending keys: a full index page splits with the new page taking the
// first three quarters of the entries, so 1,000 keys leave leaves of 191
// entries (255 a page) and the last one with the rest -- the first
// format's shape; no entries go to a sibling first.
TEST_F(Eff, AscendingKeysSplitAtThreeQuarters) {
  std::string p = make_eff("asc", 20, {}, 10);
  Key_chan* ch = open(p);
  for (int i = 0; i < 1000; ++i) {
    char b[16];
    std::snprintf(b, sizeof b, "%010d", i);
    put(ch, b, "r");
  }
  EXPECT_EQ(Key_verify(ch), "");
  // The leaves of key 0, walked from its root.
  std::vector<int> leaves;
  {
    Key_bracket op(ch);
    Key_Hdr_Lock_N_Load(1);
    Kno_def(0);
    std::vector<uint32_t> todo{Key_root()};
    while (!todo.empty()) {
      Kbfr* b = Kbfr_get(todo.back(), kf::BT_NODE);
      todo.pop_back();
      if (get_i32be(Kent_at(b, 0)) <= 0) {
        leaves.push_back(b->count);
        continue;
      }
      for (int i = 0; i < b->count; ++i) todo.push_back(uint32_t(get_i32be(Kent_at(b, i))));
    }
    op.done();
  }
  std::sort(leaves.begin(), leaves.end());
  // 1,000 entries and the end sentinel.
  EXPECT_EQ(leaves, (std::vector<int>{191, 191, 191, 191, 237}));
}

// Random inserts: the split rule alone leaves every leaf at least a
// quarter full; the tree stays sound through removals afterwards.
TEST_F(Eff, RandomInsertsFillIndexPages) {
  std::string p = make_eff("fill", 20, {}, 10);
  Key_chan* ch = open(p);
  std::vector<uint32_t> keys(20000);
  for (uint32_t i = 0; i < keys.size(); ++i) keys[i] = i * 2654435761u % 4000000000u;
  std::shuffle(keys.begin(), keys.end(), std::mt19937(3));
  auto key = [](uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%010u", v);
    return std::string(b);
  };
  for (uint32_t v : keys) put(ch, key(v), "r");
  EXPECT_EQ(Key_verify(ch), "");
  close(ch);
  int64_t size = int64_t(std::filesystem::file_size(p));
  int leaves = 0, entries = 0, least = 255;
  for (int64_t off = 4096; off < size; off += 4096) {
    auto pg = bytes(p, off, 4096);
    if (pg[0] != 254 || get_i32be(&pg[6]) > 0) continue;
    ++leaves;
    entries += pg[5];
    least = std::min(least, int(pg[5]));
  }
  ASSERT_GT(leaves, 0);
  EXPECT_GE(least, (255 + 3) / 4) << leaves << " leaves";
  EXPECT_GT(entries / leaves, 255 / 2) << leaves << " leaves";
  ch = open(p);
  for (size_t i = 0; i < keys.size(); i += 3) Key_remove(ch, Key_by(key(keys[i]), 208));
  EXPECT_EQ(Key_verify(ch), "");
  std::vector<std::string> left = scan(ch, 0);
  EXPECT_EQ(left.size(), keys.size() - (keys.size() + 2) / 3);
}

// ---- transactions ----

TEST_F(Eff, RollbackLeavesFileCountAndIndexesAsBefore) {
  std::string p = make_eff("txn", 40, id_city(false));
  Key_chan* ch = open(p);
  auto id = [](char c, int i) {
    char b[16];
    std::snprintf(b, sizeof b, "%c%03d", c, i);
    return std::string(b);
  };
  for (int i = 0; i < 300; ++i) Key_write(ch, req(232), id('T', i) + "City");
  auto before0 = scan(ch, 0), before1 = scan(ch, 1);
  auto file_before = bytes(p, 0, 4096);
  EffBeginTransaction();
  for (int i = 0; i < 200; ++i) {
    int e = error_no([&] { Key_write(ch, req(232), id('N', i) + "Aara"); });
    ASSERT_EQ(e, 0) << i;
  }
  for (int i = 0; i < 100; ++i) Key_remove(ch, Key_by(id('T', 2 * i), 208));
  Key_write(ch, req(232), "T001Zzzz");  // an alternate key changes
  EXPECT_EQ(Key_record_count(ch), 400u);
  EffRollback();
  ws.Sys_flags7 &= uint16_t(~2);
  EXPECT_EQ(Key_record_count(ch), 300u);
  EXPECT_EQ(scan(ch, 0), before0);
  EXPECT_EQ(scan(ch, 1), before1);
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(bytes(p, 0, 4096), file_before);
  // Another opening of the file sees the state before the transaction too.
  close(ch);
  ch = open(p);
  EXPECT_EQ(scan(ch, 0), before0);
  EXPECT_EQ(Key_verify(ch), "");
}

// Inside a transaction each statement's changed pages are on disk when the
// statement ends, in pages the stored map does not use: the header (map
// flip, generation) waits, and ROLLBACK leaves the file as it was.
TEST_F(Eff, StatementInsideATransactionWritesItsPagesAtOnce) {
  std::string p = make_eff("stmt", 40, id_city(false));
  Key_chan* ch = open(p);
  Key_write(ch, req(232), "A001Bern");
  auto contents = [&] {
    std::vector<uint8_t> all(size_t(std::filesystem::file_size(p)));
    return bytes(p, 0, all.size());
  };
  auto holds = [&](const std::string& s) {
    auto all = contents();
    return std::search(all.begin(), all.end(), s.begin(), s.end()) != all.end();
  };
  auto before = contents();
  EffBeginTransaction();
  uint64_t writes = Key_io_stats.writes;
  Key_write(ch, req(232), "Q777Wxyz");
  EXPECT_GT(Key_io_stats.writes, writes);
  EXPECT_TRUE(holds("Q777Wxyz"));
  EXPECT_EQ(bytes(p, 0, 4096), std::vector<uint8_t>(before.begin(), before.begin() + 4096));
  // A second statement rewrites the transaction's own pages.
  Key_write(ch, req(232), "Q778Uvwx");
  EXPECT_TRUE(holds("Q778Uvwx"));
  EXPECT_EQ(bytes(p, 0, 4096), std::vector<uint8_t>(before.begin(), before.begin() + 4096));
  EffRollback();
  ws.Sys_flags7 &= uint16_t(~2);
  EXPECT_EQ(Key_record_count(ch), 1u);
  EXPECT_EQ(scan(ch, 0), std::vector<std::string>{"A001Bern"});
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(bytes(p, 0, 4096), std::vector<uint8_t>(before.begin(), before.begin() + 4096));
  close(ch);
  ch = open(p);
  EXPECT_EQ(scan(ch, 0), std::vector<std::string>{"A001Bern"});
  EXPECT_EQ(Key_verify(ch), "");
  // The same statements committed.
  EffBeginTransaction();
  Key_write(ch, req(232), "Q777Wxyz");
  EffCommit();
  ws.Sys_flags7 &= uint16_t(~2);
  close(ch);
  ch = open(p);
  EXPECT_EQ(scan(ch, 0), (std::vector<std::string>{"A001Bern", "Q777Wxyz"}));
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(Eff, CommitKeepsTheTransaction) {
  std::string p = make_eff("commit", 40, id_city(false));
  Key_chan* ch = open(p);
  Key_write(ch, req(232), "C001Bern");
  EffBeginTransaction();
  for (int i = 0; i < 50; ++i) Key_write(ch, req(232), "X" + std::to_string(100 + i) + "Chur");
  Key_remove(ch, Key_by("C001", 208));
  EffCommit();
  ws.Sys_flags7 &= uint16_t(~2);
  close(ch);
  ch = open(p);
  EXPECT_EQ(Key_record_count(ch), 50u);
  EXPECT_EQ(error_no([&] { get(ch, "C001"); }), 11);
  EXPECT_EQ(Key_verify(ch), "");
  // A commit with no file in the transaction changes nothing.
  EffBeginTransaction();
  EffCommit();
  ws.Sys_flags7 &= uint16_t(~2);
  EXPECT_EQ(Key_record_count(ch), 50u);
}

}  // namespace

namespace {

// A group's flip byte, as each commit leaves it in the header, agrees with
// its map page: the free bit with a free entry, the class with the highest
// class of its data pages.  Recounted here from the file's current map copy.
TEST_F(Eff, FlipBitsAgreeWithTheMapAfterCommits) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 6, false, 0, 0}};
  std::string p = make_eff("flips", 40, segs);
  Key_chan* ch = open(p);
  auto check = [&](const char* when) {
    Eff_store* e = Eff_of(ch->f.get());
    ASSERT_FALSE(e->flips.empty()) << when;
    int fd = ::open(p.c_str(), O_RDONLY);
    std::vector<uint8_t> map(size_t(e->B));
    uint32_t copy = 1 + ((e->flips[0] & eff::FLIP_SECOND) ? 1 : 0);
    ASSERT_EQ(pread(fd, map.data(), map.size(), off_t(copy) * e->B), ssize_t(map.size())) << when;
    ::close(fd);
    uint8_t want = 0;
    for (int i = 2; i < e->E && uint64_t(i) + 1 <= e->max_page; ++i) {
      uint8_t t = map[size_t(6 + 4 * i)];
      if (t == eff::PT_FREE) want |= eff::FLIP_FREE;
      if (t > eff::PT_DATA && t <= eff::PT_DATA + 15 && (t & 15) > (want & 15)) want = uint8_t((want & 0xF0) | (t & 15));
    }
    EXPECT_EQ(e->flips[0] & (eff::FLIP_FREE | eff::FLIP_CLASS), want) << when;
  };
  for (int i = 0; i < 3000; ++i) {
    char rec[16];
    std::snprintf(rec, sizeof rec, "%06d", (i * 7919) % 3000);
    Key_write(ch, req(232), rec);
  }
  check("after the inserts");
  // Nine records in ten go: pages keep a little and reach high classes.
  for (int i = 0; i < 3000; ++i) {
    if (i % 10 == 0) continue;
    char key[16];
    std::snprintf(key, sizeof key, "%06d", i);
    Key_remove(ch, Key_by(key));
  }
  check("after the removes");
  for (int i = 3000; i < 3400; ++i) {
    char rec[16];
    std::snprintf(rec, sizeof rec, "%06d", i);
    Key_write(ch, req(232), rec);
  }
  check("after more inserts");
  EXPECT_EQ(Key_verify(ch), "");
}

// The mapping reads of the page store: bytes written with pwrite show at
// once; past the mapping the file is read with pread until it has grown by
// a remapping step, then mapped again; a read past the end is short.
// Direction steps: a READ with DIR=n reads on and leaves the position so
// that the next READ reads the record n entries from the one read; in
// front of the first record the end of file is pending unless the step
// stopped exactly one entry short.
TEST_F(Eff, DirectionStepsAfterTheRead) {
  Key_chan* ch = open(make_eff("dir", 10, {}, 4));
  for (char c = 'a'; c <= 'e'; ++c) put(ch, std::string("K00") + char('1' + (c - 'a')), std::string(1, c));
  auto dir = [&](const std::string& key, int n) {
    Key_req r = key.empty() ? req() : Key_by(key);
    r.has_dir = true;
    r.dir = n;
    return strip(Key_read(ch, r));
  };
  auto read = [&] {
    std::string r;
    int e = error_no([&] { r = strip(next(ch)); });
    return e ? "END" + std::to_string(e) : r;
  };
  EXPECT_EQ(dir("K002", 0), "b");
  EXPECT_EQ(read(), "b");
  EXPECT_EQ(dir("K003", -5), "c");
  EXPECT_EQ(read(), "END2");
  EXPECT_EQ(read(), "a");
  EXPECT_EQ(dir("K001", -1), "a");
  EXPECT_EQ(read(), "END2");
  EXPECT_EQ(read(), "a");
  EXPECT_EQ(dir("K002", 3), "b");
  EXPECT_EQ(read(), "e");
  // A walk backwards: every READ carries DIR=-1.
  std::string walk = dir("K005", -1);
  for (;;) {
    std::string r;
    if (error_no([&] { r = dir("", -1); }) != 0) break;
    walk += r;
  }
  EXPECT_EQ(walk, "edcba");
  EXPECT_EQ(read(), "a");
  EXPECT_EQ(dir("K004", 5), "d");
  EXPECT_EQ(read(), "END2");  // behind the last record
  EXPECT_EQ(dir("K002", INT32_MIN), "b");  // the step n - 1 stays in range
  EXPECT_EQ(read(), "END2");
  EXPECT_EQ(read(), "a");
}

// KEC: a key without a position (a fresh channel, or before the first
// entry) is the missing record; while the end is pending, the end.
TEST_F(Eff, CurrentKeyWithoutAPositionOrAtAPendingEnd) {
  Key_chan* ch = open(make_eff("kec", 10, {}, 4));
  for (const char* k : {"K001", "K002"}) put(ch, k, k);
  Key_chan* fresh = open(ch->f->path);
  EXPECT_EQ(error_no([&] { Key_getkec(fresh, req()); }), 11);
  get(ch, "K002");
  EXPECT_EQ(Key_getkec(ch, req()), "K002");
  Key_req back = Key_by("K001");
  back.has_dir = true;
  back.dir = -1;
  Key_read(ch, back);  // two entries back from K001: the end is pending
  EXPECT_EQ(error_no([&] { Key_getkec(ch, req()); }), 2);
  EXPECT_EQ(error_no([&] { next(ch); }), 2);
  EXPECT_EQ(error_no([&] { Key_getkec(ch, req()); }), 11);
  EXPECT_EQ(strip(next(ch)), "K001");
  EXPECT_EQ(Key_getkec(ch, req()), "K001");
}

// KEL is the full-length key of bytes 255 itself when a record has it.
TEST_F(Eff, LastKeyOfAllOnesIsItself) {
  for (const std::string& p : {make_eff("kel", 10, {}, 1), make("kel1", 10, 1)}) {
    Key_chan* ch = open(p);
    put(ch, "\xFE", "a");
    EXPECT_EQ(Key_getkel(ch, req()), "\xFE") << p;
    put(ch, "\xFF", "b");
    EXPECT_EQ(Key_getkel(ch, req()), "\xFF") << p;
  }
}

// A channel holding a record lock gets the locked record back through any
// key: KEY( and READ by KNO=1 after EXTRACT, the lock kept.
TEST_F(Eff, HeldRecordIsThePositionOnEveryKey) {
  std::vector<Key_seg_desc> segs = {{1, 0, 0, 3, false, 0, 0}};
  for (const std::string& p :
       {make_eff("held", 20, segs, 4), make_segs("held1", 20, {{0, 255, 0, 4, false, 0, 0}, {1, 0, 0, 3, false, 0, 0}})}) {
    Key_chan* ch = open(p);
    put(ch, "K001", "zzz");
    put(ch, "K002", "aaa");
    Key_read(ch, Key_by("K001", 174));
    Key_req k1 = req();
    k1.has_kno = true;
    k1.kno = 1;
    EXPECT_EQ(Key_getkey(ch, k1), "zzz") << p;
    EXPECT_TRUE(Key_facts_of(ch).extracted) << p;
    EXPECT_EQ(strip(Key_read(ch, k1)), "zzz") << p;
    EXPECT_EQ(error_no([&] { Key_read(ch, k1); }), 2) << p;  // then on by key 1: the end
    close(ch);
  }
}

// A record of 14/16 of a page or more is given a page of its own.
TEST_F(Eff, LargeRecordTakesAFreshPage) {
  Key_chan* ch = open(make_eff("big", 4000, {}, 4));
  put(ch, "A", "x");
  put(ch, "B", std::string(3800, 'w'));
  int64_t a = Key_getind(ch, Key_by("A")), b = Key_getind(ch, Key_by("B"));
  EXPECT_NE(a >> 8, b >> 8);
  EXPECT_EQ(strip(get(ch, "B")), std::string(3800, 'w'));
  EXPECT_EQ(Key_verify(ch), "");
}

TEST(EffView, ReadsFollowWritesAndGrowth) {
  char tmpl[] = "/tmp/oru_effview_XXXXXX";
  int fd = mkstemp(tmpl);
  ASSERT_GE(fd, 0);
  std::vector<uint8_t> page(4096, 0x11), got(4096);
  ASSERT_EQ(pwrite(fd, page.data(), page.size(), 0), 4096);
  ASSERT_EQ(pwrite(fd, page.data(), page.size(), 4096), 4096);
  {
    Eff_view v;
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4096, 4096), 4096);
    EXPECT_EQ(v.len, 8192u);
    EXPECT_EQ(got, page);
    uint8_t mark[3] = {1, 2, 3};
    ASSERT_EQ(pwrite(fd, mark, 3, 4100), 3);
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 8, 4096), 8);
    EXPECT_EQ(got[4], 1);
    EXPECT_EQ(got[6], 3);
    // Grown by one page: read by pread, the mapping unchanged.
    std::vector<uint8_t> third(4096, 0x33);
    ASSERT_EQ(pwrite(fd, third.data(), third.size(), 8192), 4096);
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4096, 8192), 4096);
    EXPECT_EQ(got, third);
    EXPECT_EQ(v.len, 8192u);
    // A read across the end of the file is short.
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4096, 10240), 2048);
    // Grown by a step: mapped again, the new bytes read from the mapping.
    int64_t far = int64_t(Eff_view::REMAP_STEP) + 8192;
    ASSERT_EQ(pwrite(fd, third.data(), third.size(), far), 4096);
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4096, far), 4096);
    EXPECT_EQ(got, third);
    EXPECT_EQ(v.len, size_t(far) + 4096);
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4, far + 4096), 0);
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4, -1), -1);
  }
  ::close(fd);
  ::unlink(tmpl);
}

// Page writes go into the mapping of a file open for writing (pread sees
// them at once), by pwrite past the mapping; a file open for reading only
// is mapped for reading only, and a page write to it fails as pwrite does.
TEST(EffView, PageWritesGoThroughAWritableMappingOnly) {
  char tmpl[] = "/tmp/oru_effview_XXXXXX";
  int fd = mkstemp(tmpl);
  ASSERT_GE(fd, 0);
  std::vector<uint8_t> page(4096, 0x11), got(4096), back(4096);
  ASSERT_EQ(pwrite(fd, page.data(), page.size(), 0), 4096);
  ASSERT_EQ(pwrite(fd, page.data(), page.size(), 4096), 4096);
  {
    Eff_view v;
    ASSERT_EQ(Eff_view_read(v, fd, got.data(), 16, 0), 16);
    EXPECT_TRUE(v.writable);
    std::vector<uint8_t> two(4096, 0x22);
    EXPECT_EQ(Eff_view_write_page(v, fd, two.data(), two.size(), 4096), 4096);
    ASSERT_EQ(pread(fd, back.data(), 4096, 4096), 4096);
    EXPECT_EQ(back, two);
    // Past the mapping: written with pwrite, read back by pread.
    std::vector<uint8_t> three(4096, 0x33);
    EXPECT_EQ(Eff_view_write_page(v, fd, three.data(), three.size(), 8192), 4096);
    EXPECT_EQ(v.len, 8192u);
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4096, 8192), 4096);
    EXPECT_EQ(got, three);
  }
  int ro = ::open(tmpl, O_RDONLY);
  ASSERT_GE(ro, 0);
  {
    Eff_view v;
    ASSERT_EQ(Eff_view_read(v, ro, got.data(), 4096, 4096), 4096);
    EXPECT_EQ(got[0], 0x22);
    EXPECT_FALSE(v.writable);
    EXPECT_EQ(Eff_view_write_page(v, ro, page.data(), page.size(), 4096), -1);
    ASSERT_EQ(pread(fd, back.data(), 4096, 4096), 4096);
    EXPECT_EQ(back[0], 0x22);
  }
  ::close(ro);
  ::close(fd);
  ::unlink(tmpl);
}

// A file shortened by another program under the mapping: reading or
// writing the lost pages gives what pread and pwrite give (a short read;
// the page written back), never SIGBUS.
TEST(EffView, AFileShortenedUnderTheMappingIsReadAndWrittenWithoutAFault) {
  char tmpl[] = "/tmp/oru_effview_XXXXXX";
  int fd = mkstemp(tmpl);
  ASSERT_GE(fd, 0);
  std::vector<uint8_t> page(4096, 0x11), got(4096, 0);
  for (int i = 0; i < 4; ++i) ASSERT_EQ(pwrite(fd, page.data(), page.size(), i * 4096), 4096);
  {
    Eff_view v;
    ASSERT_EQ(Eff_view_read(v, fd, got.data(), 4096, 8192), 4096);
    ASSERT_EQ(v.len, 16384u);
    ASSERT_EQ(ftruncate(fd, 4096), 0);  // as another program might
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4096, 8192), 0);
    EXPECT_EQ(v.len, 0u);  // the mapping given up
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 4096, 4096), 0);
    // Mapped again over the shortened file, then shortened once more.
    EXPECT_EQ(Eff_view_read(v, fd, got.data(), 16, 0), 16);
    EXPECT_EQ(got[0], 0x11);
    ASSERT_EQ(v.len, 4096u);
    ASSERT_EQ(ftruncate(fd, 0), 0);
    std::vector<uint8_t> two(4096, 0x22);
    EXPECT_EQ(Eff_view_write_page(v, fd, two.data(), two.size(), 0), 4096);
    std::vector<uint8_t> back(4096);
    ASSERT_EQ(pread(fd, back.data(), 4096, 0), 4096);
    EXPECT_EQ(back, two);
  }
  ::close(fd);
  ::unlink(tmpl);
}

}  // namespace

namespace {

// The creation sets exactly one of "separator in byte 52" and "no
// separator": the BBx mode (both asked for) makes length-prefixed fields.
TEST_F(Eff, CreationSetsOneSeparatorFlag) {
  struct Case {
    uint8_t asked;
    uint8_t flags;
    uint8_t sep;
  };
  const Case cases[] = {{0, eff::FA_SEPARATOR, 0x8A},
                        {eff::FA_SEPARATOR, eff::FA_SEPARATOR, '|'},
                        {eff::FA_NO_SEPARATOR, eff::FA_NO_SEPARATOR, 0},
                        {eff::FA_SEPARATOR | eff::FA_NO_SEPARATOR, eff::FA_NO_SEPARATOR, 0}};
  int n = 0;
  for (const Case& c : cases) {
    Eff_create_def d;
    d.rec_len = 40;
    d.flags_a = c.asked;
    d.sep_given = (c.asked & eff::FA_SEPARATOR) != 0;
    d.sep = '|';
    d.keys.resize(1);
    d.keys[0].segs.push_back(Eff_seg_desc{0, 0, 4, 0, 0});
    std::string p = path("sep" + std::to_string(n++));
    int fd = ::open(p.c_str(), O_RDWR | O_CREAT, 0644);
    Eff_create(fd, d);
    ::close(fd);
    auto h = bytes(p, 49, 4);
    EXPECT_EQ(h[0] & (eff::FA_SEPARATOR | eff::FA_NO_SEPARATOR), c.flags) << int(c.asked);
    EXPECT_EQ(h[3], c.sep) << int(c.asked);
  }
}

}  // namespace
