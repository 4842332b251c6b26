// Keyed files, first format: the file layout, reads and writes by key,
// stepping, alternate keys, variable-length records, compression and the
// faults of damaged files.
#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <random>

#include "core/codes.h"
#include "core/switches.h"
#include "keyed/keyed_internal.h"
#include "keyed_env.h"

namespace {

std::vector<uint8_t> file_bytes(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// ---- layout ----

TEST_F(KeyedTest, CreationWritesTheHeaderAndTheFirstBlocks) {
  std::string p = make("fix", 100, 10);
  auto b = file_bytes(p);
  ASSERT_GE(b.size(), 512u + 1024);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 8), "[Orukey]");
  EXPECT_EQ(get_u16be(&b[8]), 100);
  EXPECT_EQ(get_u16be(&b[18]), 10);
  EXPECT_TRUE(b[241] & 64);  // check bytes valid
  int B = (b[240] + 1) * 1024;
  // One key: one free block at 512 chained from the header.
  EXPECT_EQ(get_u32be(&b[28]), 512u);
  EXPECT_EQ(get_u32be(&b[32]), uint32_t(512 + B));
  EXPECT_EQ(get_u32be(&b[512 + 1]), 512u);
  EXPECT_EQ(get_u32be(&b[512 + 6]), 0u);

  std::string v = make("var", 100, 10, true);
  auto c = file_bytes(v);
  int VB = (c[240] + 1) * 1024;
  EXPECT_EQ(c[512], 252);      // the space map
  EXPECT_EQ(c[512 + 6], 252);  // marks itself
  EXPECT_EQ(get_u32be(&c[32]), uint32_t(512 + VB));
  EXPECT_EQ(c.size(), size_t(512 + VB));  // no preallocation byte without expected records
}

TEST_F(KeyedTest, SegmentTableContinuesBeyondTheHeaderOnlyWithItsFlag) {
  std::vector<Key_seg_desc> segs;
  for (int k = 0; k < 16; ++k)
    for (int s = 0; s < 2; ++s) segs.push_back({k, 0, k * 4 + s * 2, 2, false, 0, 0});
  std::string p = make_segs("many", 80, segs);
  auto b = file_bytes(p);
  EXPECT_FALSE(b[241] & 2);  // 32 entries fit in the header
  Key_chan* ch = open(p);
  EXPECT_EQ(Key_count_keys(ch), 16);
  segs.push_back({15, 0, 70, 2, false, 0, 0});
  std::string q = make_segs("more", 80, segs);
  EXPECT_TRUE(file_bytes(q)[241] & 2);
  EXPECT_EQ(Key_count_keys(open(q)), 16);
}

TEST_F(KeyedTest, DamagedHeadersAreRefusedAtOpen) {
  std::string p = make("h", 20, 4);
  poke(p, 4, {'x', 'x', 'x', ']'});
  EXPECT_EQ(error_no([&] { open(p); }), 17);
  std::string q = make("k", 20, 4);
  poke(q, 18, {0, 0});  // key length 0
  EXPECT_EQ(error_no([&] { open(q); }), 17);
  std::string r = make("s", 20, 4);
  poke(r, 104, {3, 0, 0, 4});  // key 3 without keys 0 to 2
  EXPECT_EQ(error_no([&] { open(r); }), 17);
}

// ---- records by key ----

TEST_F(KeyedTest, WriteReadReplaceRemove) {
  for (bool variable : {false, true}) {
    Key_chan* ch = open(make(variable ? "v" : "f", 30, 6, variable));
    put(ch, "BBB", "second");
    put(ch, "AAA", "first");
    EXPECT_EQ(strip(get(ch, "AAA")), "first");
    put(ch, "AAA", "changed");
    EXPECT_EQ(strip(get(ch, "AAA")), "changed");
    EXPECT_EQ(Key_record_count(ch), 2u);
    EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("AAA", 219), "x"); }), 11);  // INSERT of an existing key
    EXPECT_EQ(error_no([&] { Key_write(ch, Key_by("ZZZ", 220), "x"); }), 11);  // UPDATE of a missing one
    Key_remove(ch, Key_by("AAA", 208));
    EXPECT_EQ(error_no([&] { get(ch, "AAA"); }), 11);
    EXPECT_EQ(error_no([&] { Key_remove(ch, Key_by("AAA", 208)); }), 11);
    EXPECT_EQ(Key_record_count(ch), 1u);
    EXPECT_EQ(Key_verify(ch), "");
  }
}

TEST_F(KeyedTest, ReadOnAnEmptyFileIsEndOfFile) {
  Key_chan* ch = open(make("e", 10, 4));
  EXPECT_EQ(error_no([&] { next(ch); }), 2);
  EXPECT_EQ(error_no([&] { Key_getkef(ch, req()); }), 2);
  EXPECT_EQ(error_no([&] { Key_getkel(ch, req()); }), 2);
  EXPECT_EQ(error_no([&] { Key_getkey(ch, req()); }), 2);
  EXPECT_EQ(error_no([&] { Key_getkep(ch, req()); }), 2);
  EXPECT_EQ(error_no([&] { get(ch, "A"); }), 11);
  put(ch, "A", "x");
  Key_remove(ch, Key_by("A", 208));
  EXPECT_EQ(error_no([&] { next(ch); }), 2);  // the emptied index: root 0 again
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(KeyedTest, MissingKeyLeavesThePositionAtTheNextGreater) {
  Key_chan* ch = open(make("m", 10, 4));
  for (const char* k : {"A", "C", "E"}) put(ch, k, k);
  EXPECT_EQ(error_no([&] { get(ch, "B"); }), 11);
  EXPECT_EQ(strip(next(ch)), "C");
  EXPECT_EQ(strip(next(ch)), "E");
  EXPECT_EQ(error_no([&] { next(ch); }), 2);
  EXPECT_EQ(Key_getkef(ch, req()), "A");
  EXPECT_EQ(Key_getkel(ch, req()), "E");
  get(ch, "C");
  EXPECT_EQ(Key_getkey(ch, req()), "E");  // what the next READ would read
  EXPECT_EQ(error_no([&] { Key_getken(ch, req()); }), 2);
}

TEST_F(KeyedTest, KeyFunctionsAroundAPosition) {
  Key_chan* ch = open(make("kf", 10, 4));
  for (const char* k : {"A", "B", "C", "D"}) put(ch, k, k);
  get(ch, "B");
  EXPECT_EQ(Key_getkey(ch, req()), "C");
  EXPECT_EQ(Key_getken(ch, req()), "D");
  EXPECT_EQ(Key_getkep(ch, req()), "A");
  EXPECT_EQ(Key_getkec(ch, req()), "B");
  EXPECT_EQ(Key_getken(ch, Key_by("C")), "D");
  EXPECT_EQ(Key_getkep(ch, Key_by("C")), "B");
  EXPECT_EQ(error_no([&] { Key_getkep(ch, Key_by("A")); }), 2);
}

// A record whose key is empty sorts first; a fresh channel, KEF and a
// position reset by stepping off the start must not pass over it.
TEST_F(KeyedTest, EmptyKeysAreReadFirst) {
  // Key 0: bytes 0..3; key 1: bytes 4..5 of the record.
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 2, false, 0, 0}};
  std::string p = make_segs("empty", 20, segs, true);
  {
    Key_chan* w = open(p);
    Key_write(w, req(232), "BBBB");  // alternate key empty
    Key_write(w, req(232), "");      // both keys empty
    Key_write(w, req(232), "AAAAxx");
    close(w);
  }
  Key_chan* ch = open(p);
  EXPECT_EQ(Key_getkey(ch, req()), "");
  EXPECT_EQ(strip(next(ch)), "");
  EXPECT_EQ(strip(next(ch)), "AAAAxx");
  EXPECT_EQ(Key_getkef(ch, req()), "");
  EXPECT_EQ(Key_getkep(ch, Key_by("AAAA")), "");
  Key_req back = req();
  back.has_dir = true;
  back.dir = -1;
  // A walk back (DIR=-1 on every READ) reaches the empty key too.
  Key_req from = Key_by("BBBB");
  from.has_dir = true;
  from.dir = -1;
  EXPECT_EQ(strip(Key_read(ch, from)), "BBBB");
  EXPECT_EQ(strip(Key_read(ch, back)), "AAAAxx");
  EXPECT_EQ(strip(Key_read(ch, back)), "");
  EXPECT_EQ(error_no([&] { Key_read(ch, back); }), 2);  // the pending end of file
  EXPECT_EQ(strip(next(ch)), "");                       // reading starts over at the empty key

  Key_chan* alt = open(p);
  Key_req k1 = req();
  k1.has_kno = true;
  k1.kno = 1;
  EXPECT_EQ(Key_getkef(alt, k1), "");
  EXPECT_EQ(strip(Key_read(alt, k1)), "BBBB");  // empty values in address order
  EXPECT_EQ(strip(next(alt)), "");
  EXPECT_EQ(strip(next(alt)), "AAAAxx");
  EXPECT_EQ(error_no([&] { next(alt); }), 2);
  EXPECT_EQ(Key_verify(alt), "");
  Key_remove(alt, Key_by("", 208));
  EXPECT_EQ(Key_record_count(alt), 2u);
  EXPECT_EQ(Key_verify(alt), "");
}

// A fixed-length record with a separator reads back at the whole record
// length: its keys are built from it that way when it is written, so that
// a later rewrite or REMOVE finds every entry it made.
TEST_F(KeyedTest, ShortFixedRecordsIndexWhatReadsBack) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 2, false, 0, 0}};
  Key_chan* ch = open(make_segs("short", 20, segs));
  Key_write(ch, req(232), "BBBB");
  Key_write(ch, req(232), "AAAAxx");
  EXPECT_EQ(Key_verify(ch), "");
  Key_write(ch, req(232), "BBBByy");  // the alternate entry moves
  Key_remove(ch, Key_by("AAAA", 208));
  EXPECT_EQ(Key_verify(ch), "");
  Key_req k1 = req();
  k1.has_kno = true;
  k1.kno = 1;
  EXPECT_EQ(Key_getkef(ch, k1), "yy");
  EXPECT_EQ(Key_getkel(ch, k1), "yy");
}

// Parameter +K (on by default): KEN and KEP with KEY= of a missing key
// answer from where it would be; without it a missing key is error 11.
TEST_F(KeyedTest, NextAndPreviousOfAGivenKeyWithAndWithoutPlusK) {
  Key_chan* ch = open(make("pk", 10, 4));
  for (const char* k : {"A001", "A002", "A003"}) put(ch, k, k);
  ASSERT_TRUE(Sw_on(sw::PlusK));
  EXPECT_EQ(Key_getken(ch, Key_by("A001")), "A002");
  EXPECT_EQ(Key_getken(ch, Key_by("A00")), "A001");  // the first key above "A00" widened
  EXPECT_EQ(Key_getken(ch, Key_by("")), "A001");
  EXPECT_EQ(error_no([&] { Key_getken(ch, Key_by("A003")); }), 2);
  EXPECT_EQ(error_no([&] { Key_getken(ch, Key_by("A0031")); }), 46);
  EXPECT_EQ(error_no([&] { Key_getken(ch, Key_by(std::string(4, '\xFF'))); }), 2);  // every byte overflows
  EXPECT_EQ(Key_getkep(ch, Key_by("A002")), "A001");
  EXPECT_EQ(error_no([&] { Key_getkep(ch, Key_by("A0025")); }), 46);
  EXPECT_EQ(Key_getkep(ch, Key_by("B")), "A003");
  EXPECT_EQ(error_no([&] { Key_getkep(ch, Key_by("A00")); }), 2);
  Sw_set(sw::PlusK, false);
  EXPECT_EQ(Key_getken(ch, Key_by("A001")), "A002");
  EXPECT_EQ(error_no([&] { Key_getken(ch, Key_by("A00")); }), 11);
  EXPECT_EQ(error_no([&] { Key_getkep(ch, Key_by("B")); }), 11);
  EXPECT_EQ(Key_getkep(ch, Key_by("A003")), "A002");
  Sw_set(sw::PlusK, true);
}

// Parameter KR: KNO= does not change the channel's current key; KEY with
// KNO= follows the current key and gives the other key's value of that
// record; KEP without options gives a saved key still present.
TEST_F(KeyedTest, ParameterKRKeepsTheCurrentKey) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 2, false, 0, 0}};
  Key_chan* ch = open(make_segs("kr", 20, segs));
  Key_write(ch, req(232), "A001zz");
  Key_write(ch, req(232), "A002yy");
  Key_write(ch, req(232), "A003xx");
  Key_req k1 = req();
  k1.has_kno = true;
  k1.kno = 1;
  Sw_set(sw::KR, true);
  EXPECT_EQ(strip(get(ch, "A001")), "A001zz");
  EXPECT_EQ(Key_getkey(ch, k1), "yy");  // the next record by key 0 is A002
  EXPECT_EQ(Key_getkef(ch, k1), "xx");
  EXPECT_EQ(Key_current_key(ch), 0);
  EXPECT_EQ(strip(next(ch)), "A002yy");  // still in key 0's order
  EXPECT_EQ(Key_getkep(ch, req()), "A002");  // the saved key itself
  Sw_set(sw::KR, false);
  EXPECT_EQ(Key_getkep(ch, req()), "A001");
  EXPECT_EQ(Key_getkey(ch, k1), "zz");  // without KR: after A002 in key 1's own order
  EXPECT_EQ(Key_current_key(ch), 1);
}

TEST_F(KeyedTest, ExtractThenReadReturnsTheSameRecord) {
  Key_chan* ch = open(make("x", 10, 4));
  for (const char* k : {"A", "B"}) put(ch, k, k);
  Key_read(ch, Key_by("A", 174));
  EXPECT_EQ(strip(next(ch)), "A");
  EXPECT_EQ(strip(next(ch)), "B");
}

TEST_F(KeyedTest, OrdinalAndIndex) {
  Key_chan* ch = open(make("o", 10, 4));
  for (int i = 9; i >= 0; --i) put(ch, std::string(1, char('a' + i)), std::to_string(i));
  Key_req r = req();
  r.has_rno = true;
  r.rno = 1;
  EXPECT_EQ(strip(Key_read(ch, r)), "0");
  r.rno = 10;
  EXPECT_EQ(strip(Key_read(ch, r)), "9");
  r.rno = 11;
  EXPECT_EQ(error_no([&] { Key_read(ch, r); }), 2);
  EXPECT_EQ(Key_getrno(ch, Key_by("d")), 4);
  int64_t ind = Key_getind(ch, Key_by("c"));
  Key_req ir = req();
  ir.has_ind = true;
  ir.ind = ind;
  EXPECT_EQ(strip(Key_read(ch, ir)), "2");
  EXPECT_EQ(strip(next(ch)), "3");  // reading on from the record found by index
}

// IND() and RNO() find their record alike and differ after: a key that is
// not there is 11 for both; a file of keys alone has ordinals but no
// record addresses (13).
TEST_F(KeyedTest, OrdinalAndIndexOfAMissingKeyAndOfAFileOfKeysAlone) {
  Key_chan* ch = open(make("om", 10, 4));
  for (const char* k : {"a", "c"}) put(ch, k, k);
  EXPECT_EQ(error_no([&] { Key_getrno(ch, Key_by("b")); }), 11);
  EXPECT_EQ(error_no([&] { Key_getind(ch, Key_by("b")); }), 11);
  EXPECT_EQ(Key_getrno(ch, Key_by("c")), 2);
  Key_chan* keys = open(make("ok", 0, 4));
  for (const char* k : {"x", "y", "z"}) put(keys, k, "");
  EXPECT_EQ(Key_getrno(keys, Key_by("y")), 2);
  EXPECT_EQ(error_no([&] { Key_getind(keys, Key_by("y")); }), 13);
  EXPECT_EQ(error_no([&] { Key_getrno(keys, Key_by("w")); }), 11);
}

// A READ with DIR=n reads its record as without DIR= and then moves the
// key's position n - 1 entries from it, so that the next READ reads the
// record n entries from the one read.
TEST_F(KeyedTest, DirectionStepsBothWaysAndPendingEndOfFile) {
  Key_chan* ch = open(make("d", 10, 4));
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
  EXPECT_EQ(read(), "b");  // step 0: the same record again
  EXPECT_EQ(dir("K003", -5), "c");
  EXPECT_EQ(read(), "END2");  // the step ran off the start: the end is pending
  EXPECT_EQ(read(), "a");     // cleared: reading starts over
  EXPECT_EQ(dir("K001", -1), "a");
  EXPECT_EQ(read(), "END2");
  EXPECT_EQ(read(), "a");
  EXPECT_EQ(dir("K002", 3), "b");
  EXPECT_EQ(read(), "e");
  std::string walk = dir("K005", -1);  // every READ carries DIR=-1
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
  EXPECT_EQ(strip(get(ch, "K005")), "e");  // KEY= is not held back by a pending end
}

// ---- alternate keys ----

TEST_F(KeyedTest, AlternateKeysOrderEqualValuesByAddress) {
  // Key 0: bytes 0..3; key 1: bytes 4..5 of the record.
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 2, false, 0, 0}};
  Key_chan* ch = open(make_segs("alt", 20, segs));
  Key_write(ch, req(232), "k001XXa");
  Key_write(ch, req(232), "k002AAb");
  Key_write(ch, req(232), "k003XXc");
  Key_req r = Key_by("XX");
  r.has_kno = true;
  r.kno = 1;
  EXPECT_EQ(strip(Key_read(ch, r)), "k001XXa");  // the lowest address first
  EXPECT_EQ(strip(next(ch)), "k003XXc");
  EXPECT_EQ(error_no([&] { next(ch); }), 2);
  Key_req k = req();
  k.has_kno = true;
  k.kno = 1;
  EXPECT_EQ(Key_getkef(ch, k), "AA");
  // Changing the alternate value moves the entry.
  Key_write(ch, req(232), "k001ZZa");
  EXPECT_EQ(Key_getkel(ch, k), "ZZ");
  Key_remove(ch, Key_by("k001", 208));
  EXPECT_EQ(Key_getkel(ch, k), "XX");
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(KeyedTest, UniqueAlternateKeyRefusesASecondRecord) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 2, false, kf::SF_UNIQUE, 0}};
  Key_chan* ch = open(make_segs("u", 20, segs));
  Key_write(ch, req(232), "k001XX");
  EXPECT_EQ(error_no([&] { Key_write(ch, req(232), "k002XX"); }), 11);
  Key_write(ch, req(232), "k001XX more");  // the same record may keep its value
  EXPECT_EQ(Key_record_count(ch), 1u);
}

TEST_F(KeyedTest, DescendingAndFoldedSegments) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 3, true, kf::SF_UPPER, ' '}};
  Key_chan* ch = open(make_segs("desc", 10, segs));
  for (const char* r : {"abc", "abd", "xyz", "ab"}) Key_write(ch, req(232), r);
  EXPECT_EQ(strip(next(ch)), "xyz");
  EXPECT_EQ(strip(next(ch)), "abd");
  EXPECT_EQ(strip(next(ch)), "abc");
  EXPECT_EQ(strip(next(ch)), "ab");  // a shorter value sorts after its extensions
  EXPECT_EQ(strip(get(ch, "ABD")), "abd");
  EXPECT_EQ(Key_getkef(ch, req()), "XYZ");
}

TEST_F(KeyedTest, DuplicatesOnKeyZeroGetSequenceNumbers) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 2, false, kf::SF_DUPS, 0}};
  Key_chan* ch = open(make_segs("dup", 10, segs));
  Key_write(ch, req(232), "AA1");
  Key_write(ch, req(232), "AA2");
  Key_write(ch, req(232), "BB3");
  EXPECT_EQ(strip(next(ch)), "AA1");
  EXPECT_EQ(strip(next(ch)), "AA2");
  EXPECT_EQ(error_no([&] { Key_remove(ch, Key_by("AA", 208)); }), 32);
  Key_remove(ch, req(208));  // the last record read
  EXPECT_EQ(Key_record_count(ch), 2u);
  EXPECT_EQ(strip(Key_read(ch, Key_by("AA"))), "AA1");
  EXPECT_EQ(Key_verify(ch), "");
}

// ---- variable-length records ----

TEST_F(KeyedTest, VariableRecordLongerThanTheRecordLengthIsRefused) {
  Key_chan* ch = open(make("vl", 20, 4, true));
  put(ch, "A", std::string(20, 'x'));
  for (int over = 1; over <= 4; ++over)
    EXPECT_EQ(error_no([&] { put(ch, "B", std::string(size_t(20 + over), 'y')); }), 1) << over;
  EXPECT_EQ(get(ch, "A"), std::string(20, 'x'));
  EXPECT_EQ(error_no([&] { get(ch, "B"); }), 11);
}

TEST_F(KeyedTest, GrowingRecordMovesAndKeepsItsKeys) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 3, false, 0, 0}};
  Key_chan* ch = open(make_segs("grow", 900, segs, true, 0, 0, 1));
  for (int i = 0; i < 5; ++i) Key_write(ch, req(232), "r00" + std::to_string(i) + "v" + std::to_string(i) + "_" + std::string(150, 'a'));
  int64_t before = Key_getind(ch, Key_by("r002"));
  Key_write(ch, req(232), "r002v2_" + std::string(800, 'b'));
  int64_t after = Key_getind(ch, Key_by("r002"));
  EXPECT_NE(before, after);
  EXPECT_EQ(get(ch, "r002").substr(7), std::string(800, 'b'));
  Key_req k = Key_by("v2_");
  k.has_kno = true;
  k.kno = 1;
  EXPECT_EQ(Key_read(ch, k).substr(0, 4), "r002");
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(KeyedTest, DeletingTheLastRecordOfABlockFreesIt) {
  Key_chan* ch = open(make("free", 900, 4, true, 0, 10, 1));
  put(ch, "A", std::string(900, 'a'));
  put(ch, "B", std::string(900, 'b'));
  Key_remove(ch, Key_by("A", 208));
  EXPECT_EQ(Key_verify(ch), "");
  put(ch, "C", std::string(900, 'c'));  // reuses the freed block through the maps
  EXPECT_EQ(Key_verify(ch), "");
  EXPECT_EQ(get(ch, "C"), std::string(900, 'c'));
}

TEST_F(KeyedTest, RecordBodyOutsideItsBlockIsAnError) {
  std::string p = make("body", 40, 4, true);
  Key_chan* ch = open(p);
  put(ch, "A", "hello");
  int64_t ind = Key_getind(ch, Key_by("A"));
  close(ch);
  uint32_t addr = uint32_t(ind + 512);
  uint32_t blk = addr & ~255u;
  auto b = file_bytes(p);
  int B = (b[240] + 1) * 1024;
  int off = get_u16be(&b[blk + 6 + 2]);
  // A stored length that reaches past the end of the block.
  poke(p, blk + 6 + off + 5, {0x7F, 0xF0});
  (void)B;
  ch = open(p);
  int e = error_no([&] { get(ch, "A"); });
  EXPECT_TRUE(e == 113 || e == 108) << e;
}

TEST_F(KeyedTest, BlockReadFromAnotherAddressIsRefused) {
  std::string p = make("addr", 10, 4);
  Key_chan* ch = open(p);
  put(ch, "A", "x");
  close(ch);
  auto b = file_bytes(p);
  uint32_t root = get_u32be(&b[40]);
  poke(p, root + 1, {0, 0, 0x7F, 0});
  ch = open(p);
  EXPECT_EQ(error_no([&] { get(ch, "A"); }), 107);
}

// ---- compression ----

std::vector<uint8_t> rle(const std::string& s) {
  std::vector<uint8_t> in(s.size() + 2), out(2 * s.size() + 300);
  put_u16be(in.data(), uint16_t(s.size()));
  std::memcpy(in.data() + 2, s.data(), s.size());
  int n = compressBuf(out.data(), in.data(), kf::F2_RLE);
  out.resize(size_t(n + 2));
  return out;
}

TEST_F(KeyedTest, RunLengthCodes) {
  auto c = rle(std::string(111, 'x') + "abcdefgh");
  EXPECT_EQ(c[2], 239);
  EXPECT_EQ(c[3], 'x');
  c = rle(std::string(112, 'x') + "abcdefgh");
  EXPECT_EQ(std::vector<uint8_t>(c.begin() + 2, c.begin() + 6), (std::vector<uint8_t>{239, 'x', 129, 'x'}));
  c = rle("abcdefgh");
  EXPECT_EQ(c[2], 241);
  EXPECT_EQ(get_u16be(c.data()), 9);
  c = rle(std::string(400, '\0') + "abcdefgh");
  EXPECT_EQ(c[2], 240);
  EXPECT_EQ(c[3], 255);  // 366 zeros, then a run of the other 34
  EXPECT_EQ(c[4], 128 + 34);
}

TEST_F(KeyedTest, RunLengthRoundTripsAndRejectsBadCodes) {
  std::mt19937 rng(7);
  for (int t = 0; t < 300; ++t) {
    std::string s;
    int n = int(rng() % 600);
    while (int(s.size()) < n) {
      int kind = int(rng() % 3);
      int len = int(rng() % 130) + 1;
      char c = kind == 0 ? 0 : char(rng() % 4);
      for (int i = 0; i < len; ++i) s += kind == 2 ? char(rng()) : c;
    }
    s.resize(size_t(n));
    auto c = rle(s);
    std::vector<uint8_t> out(s.size() + 2);
    ASSERT_EQ(un_CompressBuf(out.data(), c.data(), int(s.size()), kf::F2_RLE), n);
    ASSERT_EQ(std::string(out.begin() + 2, out.end()), s);
  }
  std::vector<uint8_t> bad = {0, 2, 250, 1};
  std::vector<uint8_t> out(64);
  EXPECT_EQ(un_CompressBuf(out.data(), bad.data(), 60, kf::F2_RLE), -2);
  std::vector<uint8_t> big = {0, 2, 200, 1};  // 72 bytes into 60
  EXPECT_EQ(un_CompressBuf(out.data(), big.data(), 60, kf::F2_RLE), -3);
}

TEST_F(KeyedTest, CompressedFilesStoreAndReadBack) {
  for (uint8_t f2 : {uint8_t(kf::F2_RLE), uint8_t(kf::F2_ZLIB)}) {
    Key_chan* ch = open(make(f2 == kf::F2_RLE ? "rle" : "z", 300, 6, true, f2));
    std::string rec = std::string(200, ' ') + "tail" + std::string(50, '0');
    put(ch, "K1", rec);
    put(ch, "K2", "short");
    EXPECT_EQ(get(ch, "K1"), rec);
    EXPECT_EQ(get(ch, "K2"), "short");
    EXPECT_EQ(Key_verify(ch), "");
  }
}

// ---- extended records ----

TEST_F(KeyedTest, ExtendedRecordsContinueInAChain) {
  Key_chan* ch = open(make("ext", 100, 6, true, kf::F2_EXTENDED));
  std::string big;
  for (int i = 0; i < 450; ++i) big += char('a' + i % 26);
  put(ch, "BIG", big);
  put(ch, "SMALL", "s");
  EXPECT_EQ(get(ch, "BIG"), big);
  put(ch, "BIG", big.substr(0, 150));
  EXPECT_EQ(get(ch, "BIG"), big.substr(0, 150));
  Key_remove(ch, Key_by("BIG", 208));
  EXPECT_EQ(Key_record_count(ch), 1u);
  EXPECT_EQ(Key_verify(ch), "");
}

// ---- purge, sharing, segments ----

TEST_F(KeyedTest, PurgeEmptiesTheFileAndRaisesTheChangeCounter) {
  std::string p = make("purge", 10, 4, true);
  Key_chan* a = open(p);
  for (int i = 0; i < 50; ++i) put(a, "k" + std::to_string(i), "x");
  uint32_t before = get_u32be(&file_bytes(p)[36]);
  Key_purge(a);
  uint32_t after = get_u32be(&file_bytes(p)[36]);
  EXPECT_GT(after, before);
  EXPECT_EQ(Key_record_count(a), 0u);
  EXPECT_EQ(error_no([&] { next(a); }), 2);
  put(a, "new", "y");
  EXPECT_EQ(get(a, "new"), "y");
  EXPECT_EQ(Key_verify(a), "");
}

TEST_F(KeyedTest, ChannelsOnOneFileShareItsState) {
  std::string p = make("share", 10, 4);
  Key_chan* a = open(p);
  Key_chan* b = open(p);
  put(a, "A", "1");
  put(b, "B", "2");
  EXPECT_EQ(strip(get(b, "A")), "1");
  EXPECT_EQ(strip(next(a)), "1");
  close(a);
  EXPECT_EQ(strip(get(b, "B")), "2");  // the other channel goes on working
  EXPECT_EQ(Key_record_count(b), 2u);
}

// A record extracted on one channel is busy (error 0) for every other
// channel of this process on the file, for reading, extracting, writing
// and removing, until the holder lets it go; its own WRITE then stands.
TEST_F(KeyedTest, RecordHeldOnOneChannelIsBusyOnAnother) {
  for (const std::string& p :
       {make("fix", 20, 4), make("var", 20, 4, true), make_eff("eff", 20, {}, 4)}) {
    Key_chan* one = open(p);
    Key_chan* two = open(p);
    put(one, "0001", "first");
    put(one, "0002", "other");
    EXPECT_EQ(strip(Key_read(two, Key_by("0001", 174))), "first") << p;
    EXPECT_EQ(error_no([&] { Key_read(one, Key_by("0001", 174)); }), 0) << p;
    EXPECT_EQ(error_no([&] { get(one, "0001"); }), 0) << p;
    EXPECT_EQ(error_no([&] { put(one, "0001", "lost"); }), 0) << p;
    EXPECT_EQ(error_no([&] { Key_remove(one, Key_by("0001")); }), 0) << p;
    EXPECT_EQ(strip(get(one, "0002")), "other") << p;  // the other records are free
    put(two, "0001", "kept");
    Key_unlock(two);
    EXPECT_EQ(strip(Key_read(one, Key_by("0001", 174))), "kept") << p;
    EXPECT_EQ(error_no([&] { get(two, "0001"); }), 0) << p;
    Key_unlock(one);
    EXPECT_EQ(strip(get(two, "0001")), "kept") << p;
    close(one);
    close(two);
  }
}

TEST_F(KeyedTest, SegmentFilesHoldWhatOutgrowsTheMainFile) {
  prmblk.MB = 1;
  std::string p = make("seg", 400, 8, true, 0, 10, 1);
  Key_chan* ch = open(p);
  std::string rec(400, 'r');
  for (int i = 0; i < 4000; ++i) {
    char k[16];
    std::snprintf(k, sizeof k, "k%06d", i);
    put(ch, k, rec);
  }
  EXPECT_TRUE(std::filesystem::exists(p + ".001"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file_bytes(p + ".001")[4]), 4), "seg]");
  EXPECT_EQ(get(ch, "k003999"), rec);
  EXPECT_EQ(Key_verify(ch), "");
  close(ch);
  ch = open(p);
  EXPECT_EQ(get(ch, "k000001"), rec);
  EXPECT_EQ(Key_record_count(ch), 4000u);
  Key_purge(ch);
  EXPECT_FALSE(std::filesystem::exists(p + ".001"));
}

TEST_F(KeyedTest, WithoutSegmentsAFullFileIsError16) {
  prmblk.MB = 0;
  // A fixed-length file at the format's size limit.
  std::string p = make("full", 10, 4);
  Key_chan* ch = open(p);
  put(ch, "A", "x");
  close(ch);
  poke(p, 32, {0x7F, 0xFF, 0x00, 0x00});  // end of file near 2 GB
  ch = open(p);
  EXPECT_EQ(error_no([&] { put(ch, "B", "y"); }), 16);
}

// ---- the tree itself ----

TEST_F(KeyedTest, SplitsAndMergesKeepTheTreeSound) {
  Key_chan* ch = open(make("tree", 4, 20, false, 0, 0, 1));
  std::mt19937 rng(3);
  std::map<std::string, int> ref;
  for (int i = 0; i < 3000; ++i) {
    std::string k = "key" + std::to_string(rng() % 5000);
    put(ch, k, "d");
    ref[k] = 1;
  }
  EXPECT_EQ(Key_verify(ch), "");
  int n = 0;
  for (auto it = ref.begin(); it != ref.end(); ++it)
    if (n++ % 3) Key_remove(ch, Key_by(it->first, 208));
  EXPECT_EQ(Key_verify(ch), "");
  n = 0;
  for (auto it = ref.begin(); it != ref.end(); ++it)
    if (n++ % 3 == 0) Key_remove(ch, Key_by(it->first, 208));
  EXPECT_EQ(Key_record_count(ch), 0u);
  EXPECT_EQ(error_no([&] { next(ch); }), 2);
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(KeyedTest, NodesAbove255EntriesReadWithoutTheParameter) {
  Sw_set(sw::GtK, true);
  std::string p = make("big", 2, 2, false, 0, 0, 4);  // 4 KB nodes, 7-byte entries
  Key_chan* ch = open(p);
  for (int i = 0; i < 500; ++i) {
    std::string k = {char('A' + i / 26), char('a' + i % 26)};
    put(ch, k, "x");
  }
  close(ch);
  Sw_set(sw::GtK, false);
  ch = open(p);
  EXPECT_EQ(strip(get(ch, "Tf")), "x");
  EXPECT_EQ(Key_verify(ch), "");
}

}  // namespace

namespace {

// ---- header fields and parameters ----

TEST_F(KeyedTest, BadCheckBytesAreClearedByTheNextChange) {
  std::string p = make("chk", 10, 4);
  poke(p, 253, {0x55});
  Key_chan* ch = open(p);
  EXPECT_EQ(error_no([&] { next(ch); }), 2);  // still usable
  put(ch, "A", "x");
  close(ch);
  auto b = file_bytes(p);
  EXPECT_FALSE(b[241] & 64);
  EXPECT_EQ(b[253], 0);
  EXPECT_EQ(b[254], 0);
}

TEST_F(KeyedTest, AnEarlierRootFieldIsMovedToKeyZero) {
  std::string p = make("old", 10, 4);
  Key_chan* ch = open(p);
  put(ch, "A", "x");
  close(ch);
  auto b = file_bytes(p);
  std::vector<uint8_t> root(b.begin() + 40, b.begin() + 44);
  poke(p, 20, root);
  poke(p, 40, {0, 0, 0, 0});
  ch = open(p);
  EXPECT_EQ(strip(get(ch, "A")), "x");
  put(ch, "B", "y");
  close(ch);
  b = file_bytes(p);
  EXPECT_EQ(get_u32be(&b[20]), 0u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 40, b.begin() + 44), root);
}

TEST_F(KeyedTest, WithoutASharedQueueEveryChannelHasItsOwnBuffers) {
  prmblk.BF = 0;
  Kbfr_set(0);
  Key_chan* ch = open(make("bf0", 10, 6, false, 0, 0, 1));
  for (int i = 0; i < 500; ++i) put(ch, std::to_string(100000 + i * 7 % 500), "r");
  EXPECT_EQ(Key_record_count(ch), 500u);
  EXPECT_EQ(Key_verify(ch), "");
  close(ch);
  prmblk.BF = 10;
  Kbfr_set(10);
}

TEST_F(KeyedTest, FindOfAMissingKeyKeepsThePosition) {
  Key_chan* ch = open(make("find", 10, 4));
  for (const char* k : {"A", "C", "E"}) put(ch, k, k);
  get(ch, "A");
  EXPECT_EQ(error_no([&] { Key_read(ch, Key_by("D", 176)); }), 11);
  EXPECT_EQ(strip(next(ch)), "C");
}

TEST_F(KeyedTest, AutoIncrementedSegmentsNumberNewRecords) {
  // Key 0: a 6-digit zero-filled counter at the start of the record.
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 6, false, kf::SF_AUTO_ZERO, 0}};
  Key_chan* ch = open(make_segs("auto", 20, segs));
  Key_write(ch, req(232), "000000first");
  Key_write(ch, req(232), "000000second");
  Key_write(ch, req(232), "000050given");
  Key_write(ch, req(232), "000000after");
  EXPECT_EQ(strip(get(ch, "000001")), "000001first");
  EXPECT_EQ(strip(get(ch, "000002")), "000002second");
  EXPECT_EQ(strip(get(ch, "000051")), "000051after");
  EXPECT_EQ(error_no([&] { Key_write(ch, req(232), "00000xbad"); }), 26);
}

TEST_F(KeyedTest, BinaryNumericSegmentsSortByValue) {
  // Key 0: field 1 of a separated record as a number with no decimals.
  std::vector<Key_seg_desc> segs = {{0, 1, 0, 8, false, kf::SF_BINNUM, 0}};
  Key_create d;
  d.rec_len = 30;
  d.flags1 = kf::F1_SEPARATOR;
  d.sep = ',';
  Key_segments(d, segs);
  Key_define(path("num"), d);
  Key_chan* ch = open(path("num"));
  for (const char* r : {"100,a", "9,b", "25,c", "-3,d"}) Key_write(ch, req(232), r);
  std::vector<std::string> got;
  for (int i = 0; i < 4; ++i) got.push_back(strip(next(ch)));
  EXPECT_EQ(got, (std::vector<std::string>{"-3,d", "9,b", "25,c", "100,a"}));
  EXPECT_EQ(strip(get(ch, "25")), "25,c");
}

}  // namespace

namespace {

// A new file of fixed records is sized for its expected records: besides
// the records, each key gets one index block and, when one block cannot
// hold the entries, the blocks they fill and a quarter of that again; each
// key's entries are sized by its own length.
TEST_F(KeyedTest, CreationPreallocatesIndexBlocksForTheExpectedRecords) {
  auto size_of = [](const std::string& p) { return std::filesystem::file_size(p); };
  Key_create one;  // an outside key of 10 bytes, 1000 records of 100 bytes
  one.limit = 1000;
  one.rec_len = 100;
  one.key_len = 10;
  Key_define(path("h1"), one);
  // Blocks of 3072 bytes (15-byte entries x 255), 204 entries a block:
  // 1 + 4 + 1 index blocks, 1000 x 113 bytes of records.
  EXPECT_EQ(size_of(path("h1")), 3072u * 6 + 511 + 1000 * 113 + 1);
  Key_create two;  // key 0 of 4 bytes, key 1 of 40 bytes
  two.limit = -1000;
  two.rec_len = 60;
  Key_segments(two, {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 40, false, 0, 0}});
  Key_define(path("h2"), two);
  // Blocks of 2048 bytes (key 0's 9-byte entries); key 0: 226 entries a
  // block, 1 + 4 + 1 blocks; key 1 (49-byte entries): 41 a block,
  // 1 + 24 + 6 blocks.
  EXPECT_EQ(size_of(path("h2")), 2048u * 37 + 511 + 1000 * 67 + 1);
  Key_chan* ch = open(path("h2"));
  for (int i = 0; i < 300; ++i) {
    char r[64];
    std::snprintf(r, sizeof r, "%04d%040d", i, 1000 - i);
    Key_write(ch, req(232), r);
  }
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(KeyedTest, RemoveCompletesWhenAnAlternateEntryIsMissing) {
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 2, false, 0, 0}};
  Key_chan* ch = open(make_segs("miss", 20, segs));
  Key_write(ch, req(232), "k001XX");
  Key_write(ch, req(232), "k002YY");
  Key_req r = Key_by("XX");
  r.has_kno = true;
  r.kno = 1;
  Key_read(ch, r);
  {
    // Take key 1's entry of k001 away behind the driver's back.
    Key_bracket op(ch, DIR_WRITE);
    Key_Hdr_Lock_N_Load(2);
    Kno_def(1);
    std::vector<uint8_t> v = ch->saved[1].key;
    ASSERT_EQ(Kfnd_key(v.data(), 0), 0);
    Kent_del();
    op.done();
  }
  // The notice names the file once; the REMOVE completes.
  static std::vector<std::string> notices;
  notices.clear();
  auto keep = Key_notice_hook;
  Key_notice_hook = [](const std::string& p) { notices.push_back(p); };
  Key_remove(ch, Key_by("k001", 208));
  Key_notice_hook = keep;
  EXPECT_EQ(notices, std::vector<std::string>{path("miss")});
  EXPECT_EQ(Key_record_count(ch), 1u);
  EXPECT_EQ(Key_verify(ch), "");
}

TEST_F(KeyedTest, UFilesKeepTheStoredFieldsBeyondThoseWritten) {
  Key_create d;
  d.rec_len = 40;
  d.flags1 = kf::F1_VARIABLE | kf::F1_SEPARATOR;
  d.flags2 = kf::F2_MERGE;
  d.sep = ',';
  d.pct = 10;
  Key_segments(d, {{0, 1, 0, 4, false, 0, 0}});
  Key_define(path("merge"), d);
  Key_chan* ch = open(path("merge"));
  Key_write(ch, req(232), "k001,a,b,c,");
  Key_write(ch, req(232), "k001,x,");
  EXPECT_EQ(get(ch, "k001"), "k001,x,b,c,");
  EXPECT_EQ(error_no([&] { Key_write(ch, req(232), "k001,x," + std::string(31, 'y') + ","); }), 1);
}

}  // namespace

namespace {
// A channel that holds its file whole lets its private chain grow, but each
// statement ends with its record in the file (nothing stays gathered): the
// records read back on any channel, free slots are reused, and another
// opening finds every record.
TEST_F(KeyedTest, HeldWholeWritesEachStatementAndKeepsWhatItReads) {
  std::string p = make("held", 40, 6);
  Key_open_opts o;
  o.nolock = true;
  o.nbf = 8;
  Key_chan* ch = open(p, o);
  std::vector<int> order(3000);
  for (int i = 0; i < 3000; ++i) order[size_t(i)] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(5));
  auto key = [](int i) {
    char b[16];
    std::snprintf(b, sizeof b, "K%05d", i);
    return std::string(b);
  };
  for (int i : order) put(ch, key(i), "data " + std::to_string(i));
  EXPECT_TRUE(ch->f->pend.empty());
  EXPECT_FALSE(ch->f->hdr_changed);
  ASSERT_TRUE(ch->f->priv);
  EXPECT_GT(ch->f->priv->bufs.size(), 8u);  // grew past NBF=
  Key_chan* other = open(p, o);
  EXPECT_EQ(strip(get(other, key(order.back()))), "data " + std::to_string(order.back()));
  for (int i = 0; i < 3000; i += 30) Key_remove(ch, Key_by(key(i), 208));
  for (int i = 0; i < 3000; i += 30) put(ch, key(i), "again " + std::to_string(i));  // free slots reused
  for (int i = 3000; i < 3100; ++i) put(ch, key(i), "data " + std::to_string(i));
  EXPECT_EQ(strip(get(ch, key(3099))), "data 3099");
  EXPECT_EQ(Key_verify(ch), "");
  close(other);
  close(ch);
  ch = open(p);
  EXPECT_EQ(Key_record_count(ch), 3100u);
  // PURGE after records written so.
  {
    std::string q = make("held2", 40, 6);
    Key_chan* h = open(q, o);
    for (int i = 0; i < 300; ++i) put(h, key(i), "gone");
    EXPECT_TRUE(h->f->pend.empty());
    Key_purge(h);
    EXPECT_TRUE(h->f->pend.empty());
    for (int i = 0; i < 5; ++i) put(h, key(i), "kept");
    close(h);
    h = open(q);
    EXPECT_EQ(Key_record_count(h), 5u);
    EXPECT_EQ(strip(get(h, key(4))), "kept");
    EXPECT_EQ(Key_verify(h), "");
  }
  for (int i = 0; i < 3100; ++i)
    ASSERT_EQ(strip(get(ch, key(i))), (i < 3000 && i % 30 == 0 ? "again " : "data ") + std::to_string(i)) << i;
  EXPECT_EQ(Key_verify(ch), "");
}
}  // namespace

namespace {
// The leaves of key 0 in key order: the keys each holds (sentinel left out).
std::vector<std::vector<std::string>> leaves_of(Key_chan* ch) {
  Key_bracket op(ch);
  Key_Hdr_Lock_N_Load(1);
  Kno_def(0);
  std::vector<std::vector<std::string>> out;
  std::vector<uint32_t> todo;
  if (Key_root()) todo.push_back(Key_root());
  while (!todo.empty()) {
    Kbfr* b = Kbfr_get(todo.back(), kf::BT_NODE);
    todo.pop_back();
    if (b->count > 0 && get_i32be(Kent_at(b, 0)) <= 0) {
      out.emplace_back();
      for (int i = 0; i < b->count; ++i) {
        const uint8_t* e = Kent_at(b, i) + 4;
        if (e[0] != 255) out.back().emplace_back(reinterpret_cast<const char*>(e + 1), e[0]);
      }
      continue;
    }
    for (int i = b->count; i-- > 0;) todo.push_back(uint32_t(get_i32be(Kent_at(b, i))));
  }
  op.done();
  return out;
}

// EFF index pages merge with a sibling once they fall below a quarter of
// their capacity (255 entries here); first-format nodes only below an
// eighth.
TEST_F(KeyedTest, EffPagesMergeBelowAQuarter) {
  for (bool eff : {true, false}) {
    SCOPED_TRACE(eff ? "EFF" : "first format");
    std::string p = eff ? make_eff("mq", 20, {}, 10) : make("mq1", 20, 10);
    Key_chan* ch = open(p);
    for (int i = 0; i < 1000; ++i) {
      char b[16];
      std::snprintf(b, sizeof b, "%010d", i);
      put(ch, b, "r");
    }
    auto leaves = leaves_of(ch);
    ASSERT_GE(leaves.size(), 3u);
    ASSERT_GT(leaves[1].size(), 150u);
    ASSERT_GT(leaves[2].size(), 150u);
    // The third leaf down to 150 entries, then the second to 50: below a
    // quarter, above an eighth, and the two fit one page.
    for (size_t i = 150; i < leaves[2].size(); ++i) Key_remove(ch, Key_by(leaves[2][i], 208));
    ASSERT_EQ(leaves_of(ch).size(), leaves.size());
    for (size_t i = 50; i < leaves[1].size(); ++i) Key_remove(ch, Key_by(leaves[1][i], 208));
    auto after = leaves_of(ch);
    EXPECT_EQ(after.size(), eff ? leaves.size() - 1 : leaves.size());
    EXPECT_EQ(Key_verify(ch), "");
    close(ch);
  }
}
}  // namespace
