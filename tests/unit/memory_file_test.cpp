// The memory-file driver through its slots: key definitions at OPEN, unique
// and duplicate keys, external keys, files without keys, positioning, the
// key functions and the errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "channels/kdef.h"
#include "channels/memory_file.h"
#include "core/codes.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "test_util.h"

namespace {

class Memory_file : public ::testing::Test {
 protected:
  static inline uint8_t work[WORK_AREA_SIZE];
  void SetUp() override {
    ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
    ws.Work_end = work + sizeof work;
    ws.Dom_line = ws.End_line = 0;
  }
  void TearDown() override {
    close();
    Ret_temp();
    ws.Work_base = ws.Work_ptr = ws.Work_mark = ws.Work_end = nullptr;
    Sw_set(sw::KR, false);
  }
  // Options of the next statement.
  void stmt(uint8_t code) {
    ws.Work_ptr = work;
    ws.Cur_fcb = f;
    ws.Io_stmt = code;
    ws.Io_opts = 0;
    ws.Io_kno = -1;
    ws.Io_ind = -1;
    ws.Io_key_cnt = 0;
    ws.Io_key_len = 0;
    ws.Io_key_ptr = nullptr;
    ws.Io_siz = 0;
    ws.Io_opt_len = 0;
    ws.Io_opt_ptr = nullptr;
  }
  void key(const std::string& k) {
    keys.push_back(k);
    const std::string& s = keys.back();
    ws.Io_key_part[ws.Io_key_cnt] = u(s);
    ws.Io_key_part_len[ws.Io_key_cnt] = int32_t(s.size());
    ws.Io_key_cnt++;
    ws.Io_key_ptr = ws.Io_key_part[0];
    ws.Io_key_len = ws.Io_key_part_len[0];
    ws.Io_opts |= IO_KEY;
  }
  int open(const std::string& name, const std::string& opt = "") {
    close();
    stmt(code::D_OPEN);
    std::snprintf(ws.Path_buf, sizeof ws.Path_buf, "%s", name.c_str());
    opt_text = opt;
    ws.Io_opt_ptr = u(opt_text);
    ws.Io_opt_len = int32_t(opt_text.size());
    int e = error_no([] { Dyn_fotbl[FIO_OPEN](); });
    if (e == 0) {
      f = static_cast<Dyn_fcb*>(ws.Cur_fcb);
      f->separator = ',';
    }
    return e;
  }
  void close() {
    if (!f) return;
    ws.Cur_fcb = f;
    Dyn_fotbl[FIO_CLOSE]();
    Ret_blk(f);
    f = nullptr;
  }
  // Statement with the options already set up.
  int write_now(const std::string& rec) {
    ws.Cur_fcb = f;
    Dyn_fotbl[FIO_WR_MODE]();
    // As the record layer fills the buffer: a full buffer goes to the
    // flush slot, which must leave it empty.
    size_t pos = 0;
    while (pos < rec.size()) {
      if (f->buf_count == f->buf_size) {
        Dyn_fotbl[FIO_FLUSH]();
        if (f->buf_count != 0) return -1;
      }
      size_t k = std::min(rec.size() - pos, size_t(f->buf_size - f->buf_count));
      std::memcpy(f->out_buf + f->buf_count, rec.data() + pos, k);
      f->buf_count += int32_t(k);
      pos += k;
    }
    return error_no([] { Dyn_fotbl[FIO_WRITE](); });
  }
  int write(const std::string& rec, const std::string& k = "", uint8_t code = code::D_WRITE) {
    stmt(code);
    if (!k.empty()) key(k);
    return write_now(rec);
  }
  // The record read, or "#n" for error n.
  std::string read_now() {
    std::string out;
    int e = error_no([&] {
      Dyn_fotbl[FIO_READ]();
      out.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    });
    return e ? "#" + std::to_string(e) : out;
  }
  std::string read(uint8_t code = code::D_READ) {
    stmt(code);
    return read_now();
  }
  std::string read_kno(int kno) {
    stmt(code::D_READ);
    ws.Io_kno = kno;
    return read_now();
  }
  std::string read_key(const std::string& k, uint8_t code = code::D_READ) {
    stmt(code);
    key(k);
    return read_now();
  }
  std::string read_ind(int ind) {
    stmt(code::D_READ);
    ws.Io_ind = ind;
    ws.Io_opts |= IO_IND;
    return read_now();
  }
  // Every record from the current place on, joined by "|".
  std::string rest(int kno = -1) {
    std::string all;
    for (;;) {
      std::string r = kno >= 0 ? read_kno(kno) : read();
      if (r == "#2") return all;
      if (r[0] == '#') return all + r;
      all += (all.empty() ? "" : "|") + r;
    }
  }
  std::string fn(int slot, int kno = -1) {
    stmt(code::D_READ);
    ws.Io_kno = kno;
    std::string out;
    int e = error_no([&] {
      Dyn_fotbl[slot]();
      out.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    });
    return e ? "#" + std::to_string(e) : out;
  }

  Dyn_fcb* f = nullptr;
  std::string opt_text;
  std::deque<std::string> keys{};  // stable addresses for the KEY= parts
};

TEST_F(Memory_file, KeyOrderAndUniqueKeyZero) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:5]"), 0);
  EXPECT_EQ(write("bbbbb,1"), 0);
  EXPECT_EQ(write("aaaaa,2"), 0);
  EXPECT_EQ(rest(), "aaaaa,2|bbbbb,1");
  // The same key 0 again replaces the record.
  EXPECT_EQ(write("aaaaa,3"), 0);
  EXPECT_EQ(f->rec_count, 2);
  EXPECT_EQ(read_ind(0), "aaaaa,3");
  EXPECT_EQ(read_key("bbbbb"), "bbbbb,1");
  EXPECT_EQ(read(), "#2");
}

TEST_F(Memory_file, DuplicatesOfASecondKeyKeepWritingOrder) {
  ASSERT_EQ(open("*memory*", "KEYDEF=[1:1:5],[1:6:1]"), 0);
  for (const char* r : {"e0001x", "a0002y", "d0003x", "b0004y", "c0005x"}) ASSERT_EQ(write(r), 0);
  EXPECT_EQ(rest(1), "e0001x|d0003x|c0005x|a0002y|b0004y");
  // Rewriting a record keeps its place among its equals.
  EXPECT_EQ(write("d0003x"), 0);
  EXPECT_EQ(read_ind(0), "a0002y");  // the list follows key 0
  EXPECT_EQ(rest(0), "b0004y|c0005x|d0003x|e0001x");
  stmt(code::D_READ);
  ws.Io_kno = 1;
  key("x");
  EXPECT_EQ(read_now(), "e0001x");  // the first of equal keys
  EXPECT_EQ(rest(1), "d0003x|c0005x|a0002y|b0004y");
  // A shorter key is not found, but the next READ continues before its
  // longer keys; FIND leaves the position alone.
  EXPECT_EQ(read_key("c"), "#11");
  EXPECT_EQ(rest(0), "c0005x|d0003x|e0001x");
  EXPECT_EQ(read_key("b", code::D_FIND), "#11");
  EXPECT_EQ(read(), "#2");
}

TEST_F(Memory_file, UniqueSecondKeyRefusesDuplicates) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:2],[2:1:3:U]"), 0);
  EXPECT_EQ(write("01,abc"), 0);
  EXPECT_EQ(write("02,abc"), 11);
  EXPECT_EQ(f->rec_count, 1);
  EXPECT_EQ(write("01,abd"), 0);  // the record itself may change its key
  EXPECT_EQ(write("02,abc"), 0);
  EXPECT_EQ(rest(1), "02,abc|01,abd");
  EXPECT_EQ(read_key("abc", code::D_READ), "#11");  // KEY= searches key 0 without KNO=
  stmt(code::D_READ);
  ws.Io_kno = 1;
  key("abd");
  EXPECT_EQ(read_now(), "01,abd");
}

TEST_F(Memory_file, ExternalKey) {
  ASSERT_EQ(open("*memory*;KEYDEF=10"), 0);
  EXPECT_EQ(write("second", "k2"), 0);
  EXPECT_EQ(write("first", "k1"), 0);
  EXPECT_EQ(write("too long", "12345678901"), 46);
  EXPECT_EQ(write("no key"), 13);
  EXPECT_EQ(rest(), "first|second");
  EXPECT_EQ(fn(FIO_GETKEF), "k1");
  EXPECT_EQ(fn(FIO_GETKEL), "k2");
  EXPECT_EQ(read_key("k1"), "first");
  EXPECT_EQ(fn(FIO_GETKEC), "k1");
  EXPECT_EQ(fn(FIO_GETKEY), "k2");
  EXPECT_EQ(write("FIRST", "k1", code::X_INSERT), 11);
  EXPECT_EQ(write("third", "k3", code::X_UPDATE), 11);
  EXPECT_EQ(write("FIRST", "k1", code::X_UPDATE), 0);
  EXPECT_EQ(read_key("k1"), "FIRST");
  EXPECT_EQ(Dyn_DescribeKeys(f), "10");
}

TEST_F(Memory_file, ExternalKeyWithRecordKeys) {
  ASSERT_EQ(open("*memory*;KEYDEF=4,[1:1:3]+[KEY:1:2]"), 0);
  EXPECT_EQ(write("zzz,1", "ab01"), 0);
  EXPECT_EQ(write("aaa,2", "cd02"), 0);
  EXPECT_EQ(write("aaa,3", "ab03"), 0);
  EXPECT_EQ(rest(), "zzz,1|aaa,3|aaa,2");
  EXPECT_EQ(fn(FIO_GETKEF, 1), "aaaab");
  stmt(code::D_READ);
  ws.Io_kno = 1;
  key("aaaab");
  EXPECT_EQ(read_now(), "aaa,3");
  EXPECT_EQ(rest(1), "aaa,2|zzz,1");
  EXPECT_EQ(Dyn_DescribeKeys(f), "4,[1:1:3]+[KEY:1:2]");
}

TEST_F(Memory_file, KeylessFileKeepsWritingOrder) {
  ASSERT_EQ(open("*memory*"), 0);
  for (const char* r : {"one", "two", "three"}) ASSERT_EQ(write(r), 0);
  EXPECT_EQ(rest(), "one|two|three");
  stmt(code::D_WRITE);
  ws.Io_ind = 1;
  ws.Io_opts |= IO_IND;
  EXPECT_EQ(write_now("inserted"), 0);
  EXPECT_EQ(read_ind(0), "one");
  EXPECT_EQ(rest(), "inserted|two|three");
  stmt(code::D_WRITE);
  ws.Io_ind = 9;
  ws.Io_opts |= IO_IND;
  EXPECT_EQ(write_now("far"), 11);
  EXPECT_EQ(read_ind(9), "#2");
  EXPECT_EQ(Dyn_DescribeKeys(f), "");
}

TEST_F(Memory_file, KeylessFileWithKeysKeepsThemInOrderAndUnique) {
  ASSERT_EQ(open("*memory*"), 0);
  for (int i = 0; i < 5; i++) ASSERT_EQ(write("b" + std::to_string(i), "B"), 0);
  for (int i = 0; i < 5; i++) ASSERT_EQ(write("a" + std::to_string(i), "A"), 0);
  EXPECT_EQ(f->rec_count, 2);
  EXPECT_EQ(rest(), "a4|b4");
  EXPECT_EQ(read_key("B"), "b4");
  EXPECT_EQ(read_key("C"), "#11");
}

TEST_F(Memory_file, ExtractThenWriteReplaces) {
  ASSERT_EQ(open("*memory*"), 0);
  for (const char* r : {"one", "two", "three"}) ASSERT_EQ(write(r), 0);
  EXPECT_EQ(read_ind(1), "two");
  stmt(code::D_EXTRACT);
  ws.Io_ind = 1;
  ws.Io_opts |= IO_IND;
  EXPECT_EQ(read_now(), "two");
  EXPECT_EQ(read(), "two");  // a READ after EXTRACT returns the record again
  EXPECT_EQ(read_ind(1), "two");
  EXPECT_EQ(read(code::D_EXTRACT), "three");
  EXPECT_EQ(write("THREE"), 0);
  EXPECT_EQ(f->rec_count, 3);
  EXPECT_EQ(read_ind(0), "one");
  EXPECT_EQ(rest(), "two|THREE");
}

TEST_F(Memory_file, ExtractThenWriteWithKeys) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:2]"), 0);
  ASSERT_EQ(write("01,a"), 0);
  ASSERT_EQ(write("02,b"), 0);
  EXPECT_EQ(read_key("01", code::D_EXTRACT), "01,a");
  EXPECT_EQ(write("03,a"), 0);  // the extracted record moves to its new key
  EXPECT_EQ(read_ind(0), "02,b");
  EXPECT_EQ(rest(), "03,a");
  EXPECT_EQ(read_key("02", code::D_EXTRACT), "02,b");
  EXPECT_EQ(write("03,b"), 11);  // its new key belongs to another record
}

TEST_F(Memory_file, RemoveAndPositions) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:1]"), 0);
  for (const char* r : {"c", "a", "d", "b"}) ASSERT_EQ(write(r), 0);
  EXPECT_EQ(read_key("b"), "b");
  stmt(code::D_REMOVE);
  key("c");
  EXPECT_EQ(error_no([] { Dyn_fotbl[FIO_REMOVE](); }), 0);
  EXPECT_EQ(rest(), "d");
  stmt(code::D_REMOVE);
  key("x");
  EXPECT_EQ(error_no([] { Dyn_fotbl[FIO_REMOVE](); }), 11);
  EXPECT_EQ(read_key("a"), "a");
  stmt(code::D_REMOVE);
  EXPECT_EQ(error_no([] { Dyn_fotbl[FIO_REMOVE](); }), 0);  // the current record
  EXPECT_EQ(rest(), "b|d");
  EXPECT_EQ(f->rec_count, 2);
  EXPECT_EQ(read_ind(1), "d");
  EXPECT_EQ(Dyn_getrno(), 2);
}

TEST_F(Memory_file, StepsBackAndForth) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:1]"), 0);
  for (const char* r : {"a", "b", "c", "d", "e"}) ASSERT_EQ(write(r), 0);
  EXPECT_EQ(read_ind(0), "a");
  stmt(code::D_READ);
  ws.Io_dir = 3;
  ws.Io_opts |= IO_STEP;
  EXPECT_EQ(read_now(), "d");
  stmt(code::D_READ);
  ws.Io_dir = -2;
  ws.Io_opts |= IO_STEP;
  EXPECT_EQ(read_now(), "b");
  stmt(code::D_READ);
  ws.Io_dir = -2;
  ws.Io_opts |= IO_STEP;
  EXPECT_EQ(read_now(), "#2");
}

TEST_F(Memory_file, KeyNumberOutOfRange) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:1],[1:2:1]"), 0);
  EXPECT_EQ(f->high_key, 1);
  EXPECT_EQ(read_kno(2), "#13");  // a key the file does not have
  ASSERT_EQ(open("*memory*"), 0);
  EXPECT_EQ(read_kno(1), "#13");
}

TEST_F(Memory_file, BadKeydefIsError10) {
  EXPECT_EQ(open("*memory*;KEYDEF=[1:1"), 10);
  EXPECT_EQ(open("*memory*;KEYDEF=[1:0:1]"), 10);
  EXPECT_EQ(open("*memory*;KEYDEF=[KEY:1:2]"), 10);  // no external key
  EXPECT_EQ(open("*memory*;KEYDEF=4,[KEY:3:3]"), 10);
  EXPECT_EQ(open("*memory*;KEYDEF=[1:1:4:\"D"), 10);
  EXPECT_EQ(open("*memory*;keydef=[1:1:2];KEYDEF=x"), 0);  // only the first counts
}

TEST_F(Memory_file, BinaryNumericAndDescendingKeys) {
  ASSERT_EQ(open("*memory*;KEYDEF=[2:1:8:\"B.2\"],[1:1:3:\"DC\"]"), 0);
  for (const char* r : {"abc,12.5", "xyz,-3", "Mno,100", "def,0.25"}) ASSERT_EQ(write(r), 0);
  EXPECT_EQ(rest(), "xyz,-3|def,0.25|abc,12.5|Mno,100");
  EXPECT_EQ(fn(FIO_GETKEF), "   -3.00");
  EXPECT_EQ(fn(FIO_GETKEL), "  100.00");
  EXPECT_EQ(read_key("12.5"), "abc,12.5");
  EXPECT_EQ(rest(1), "");
  EXPECT_EQ(read_ind(0), "xyz,-3");
  stmt(code::D_READ);
  EXPECT_EQ(fn(FIO_GETKEF, 1), "XYZ");
  EXPECT_EQ(read_key("XYZ") , "#11");  // KEY= without KNO= is key 0
  EXPECT_EQ(Dyn_DescribeKeys(f), "[2:1:8:\"B.2\"],[1:1:3:\"DC\"]");
  // A number too long for its segment is refused, nothing stored.
  EXPECT_EQ(write("big,123456789"), 46);
  EXPECT_EQ(f->rec_count, 4);
}

TEST_F(Memory_file, NullKeysStayOutOfTheirIndex) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:2],[2:1:3:\"N:20\"]"), 0);
  ASSERT_EQ(write("01,   "), 0);
  ASSERT_EQ(write("02,abc"), 0);
  EXPECT_EQ(rest(1), "02,abc");
  stmt(code::D_READ);
  EXPECT_EQ(fn(FIO_GETKEF, 1), "abc");
  EXPECT_EQ(fn(FIO_GETKEL, 1), "abc");
  EXPECT_EQ(read_ind(0), "01,   ");
  EXPECT_EQ(fn(FIO_GETKEC, 1), "");
}

TEST_F(Memory_file, NamesAndGenKdef) {
  ASSERT_EQ(open("*memory*;KEYDEF=[\"id\":1:1:4],[\"nm\":2:1:10:\"U\"]"), 0);
  EXPECT_EQ(Dyn_DescribeKeys(f), "[\"id\":1:1:4],[\"nm\":2:1:10:\"U\"]");
  stmt(code::D_READ);
  Dyn_GenKdef(f);
  std::vector<uint8_t> t(ws.Str_ptr, ws.Str_ptr + ws.Str_len);
  EXPECT_EQ(t, (std::vector<uint8_t>{0, 1, 0, 4, 254, 1, 0, 0, 1, 2, 0, 10, 254, 1, 0, 0, 255}));
}

// N and B keep their byte in one place: a segment with both would take the
// null character for decimal places (or lose it), so it does not parse.
TEST_F(Memory_file, NullCharacterAndBinaryExcludeEachOther) {
  EXPECT_EQ(open("*memory*;KEYDEF=[1:1:8:\"B.2N:30\"]"), 10);
  EXPECT_EQ(open("*memory*;KEYDEF=[1:1:8:\"N:30B.2\"]"), 10);
  // The null-key byte K belongs to the key, not the segment.
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:8:\"B.2K:20\"]"), 0);
  EXPECT_EQ(Dyn_DescribeKeys(f), "[1:1:8:\"K:20B.2\"]");
}

// Every key text the describer writes opens a file with the same keys: the
// segment table and the text come back unchanged.
TEST_F(Memory_file, DescribedKeysOpenTheSameKeys) {
  for (const char* def : {"10", "4,[1:1:3]+[KEY:1:2:\"D\"]", "[\"id\":1:1:4:\"C\"],[2:3:5:\"LTU\"]",
                          "[1:1:6:\"K:2ADN:30\"]+[0:7:2:\"B.3\"]", "[3:2:1],[1:1:1],[2:1:1:\"T\"]"}) {
    ASSERT_EQ(open(std::string("*memory*;KEYDEF=") + def), 0) << def;
    std::string text = Dyn_DescribeKeys(f);
    stmt(code::D_READ);
    Dyn_GenKdef(f);
    std::string table(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    ASSERT_EQ(open("*memory*;KEYDEF=" + text), 0) << text;
    EXPECT_EQ(Dyn_DescribeKeys(f), text);
    stmt(code::D_READ);
    Dyn_GenKdef(f);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)), table) << def;
  }
}

TEST_F(Memory_file, KeyLengths) {
  ASSERT_EQ(open("*memory*;KEYDEF=6,[1:1:3]+[KEY:2:4]"), 0);
  EXPECT_EQ(Dyn_KeyLength(f, 0), 6);
  EXPECT_EQ(Dyn_KeyLength(f, 1), 7);
  EXPECT_EQ(Dyn_KeyLength(f, 2), -1);
  ASSERT_EQ(open("*memory*"), 0);
  EXPECT_EQ(Dyn_KeyLength(f, 0), -1);  // records found by KEY= alone
}

TEST_F(Memory_file, KeyInParts) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:3]+[2:1:2]"), 0);
  ASSERT_EQ(write("ab,7"), 0);
  ASSERT_EQ(write("abc,12"), 0);
  stmt(code::D_READ);
  key("ab");
  key("7");
  EXPECT_EQ(read_now(), "ab,7");
  stmt(code::D_READ);
  key("abc");
  key("12");
  EXPECT_EQ(read_now(), "abc,12");
}

TEST_F(Memory_file, LongRecordsGrowTheBuffer) {
  ASSERT_EQ(open("*memory*"), 0);
  std::string big;
  for (int i = 0; i < 10000; i++) big += char('a' + i % 26);
  ASSERT_EQ(write(big), 0);
  EXPECT_EQ(f->pend, nullptr);  // the pending part was given back
  EXPECT_EQ(read_ind(0), big);
  // A record left half built (a failed statement) is dropped by the next
  // write mode.
  ws.Cur_fcb = f;
  std::memset(f->out_buf, 'z', size_t(f->buf_size));
  f->buf_count = f->buf_size;
  Dyn_fotbl[FIO_FLUSH]();
  EXPECT_EQ(write("small"), 0);
  EXPECT_EQ(read_ind(1), "small");
}

TEST_F(Memory_file, PurgeKeepsKeys) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:1]"), 0);
  ASSERT_EQ(write("b"), 0);
  ASSERT_EQ(write("a"), 0);
  ws.Cur_fcb = f;
  Dyn_fotbl[FIO_PURGE]();
  EXPECT_EQ(read(), "#2");
  ASSERT_EQ(write("c"), 0);
  EXPECT_EQ(read_ind(0), "c");
  EXPECT_EQ(Dyn_DescribeKeys(f), "[1:1:1]");
}

// Random writes and removals against a model: key 0 (unique) in byte
// order, key 1 (duplicates) in byte order and then in order of writing, a
// rewrite with an unchanged key 1 keeping its place among its equals.
TEST_F(Memory_file, RandomOperationsKeepBothOrders) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:2],[1:3:1]"), 0);
  std::mt19937 rng(7);
  struct Entry {
    std::string rec;
    long seq;
  };
  std::map<std::string, Entry> model;  // by key 0
  long seq = 0;
  for (int step = 0; step < 3000; step++) {
    std::string k0 = {char('a' + rng() % 6), char('a' + rng() % 6)};
    if (rng() % 4 == 0) {
      stmt(code::D_REMOVE);
      key(k0);
      int e = error_no([] { Dyn_fotbl[FIO_REMOVE](); });
      ASSERT_EQ(e, model.count(k0) ? 0 : 11);
      model.erase(k0);
      continue;
    }
    std::string rec = k0 + char('x' + rng() % 3) + std::to_string(step);
    ASSERT_EQ(write(rec), 0);
    auto it = model.find(k0);
    if (it != model.end() && it->second.rec[2] == rec[2])
      it->second.rec = rec;
    else
      model[k0] = Entry{rec, seq++};
  }
  ASSERT_EQ(f->rec_count, int32_t(model.size()));
  std::string want0, want1;
  std::vector<const Entry*> by1;
  for (auto& [k, e] : model) {
    want0 += (want0.empty() ? "" : "|") + e.rec;
    by1.push_back(&e);
  }
  std::stable_sort(by1.begin(), by1.end(), [](const Entry* a, const Entry* b) {
    return a->rec[2] != b->rec[2] ? a->rec[2] < b->rec[2] : a->seq < b->seq;
  });
  for (const Entry* e : by1) want1 += (want1.empty() ? "" : "|") + e->rec;
  std::string by_index;  // the record list follows key 0
  for (size_t i = 0; i < model.size(); i++) by_index += (i ? "|" : "") + read_ind(int(i));
  EXPECT_EQ(by_index, want0);
  EXPECT_EQ(read_ind(0), model.begin()->second.rec);
  EXPECT_EQ(model.begin()->second.rec + "|" + rest(0), want0);
  stmt(code::D_READ);
  ws.Io_kno = 1;
  key(std::string(1, by1.front()->rec[2]));
  EXPECT_EQ(read_now(), by1.front()->rec);
  EXPECT_EQ(by1.front()->rec + "|" + rest(1), want1);
}

}  // namespace

namespace {

// REMOVE by KEY=, IND= or RNO= leaves the record before the removed one
// current in the current key's order, whatever was current before: the
// next READ goes on after the removed record, not from the first one.
TEST_F(Memory_file, RemoveByPlaceMakesThePreviousRecordCurrent) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:1],[1:2:1]"), 0);
  for (const char* r : {"az", "by", "cx", "dw", "ev", "fu"}) ASSERT_EQ(write(r), 0);
  stmt(code::D_REMOVE);
  key("c");
  ASSERT_EQ(error_no([] { Dyn_fotbl[FIO_REMOVE](); }), 0);
  EXPECT_EQ(rest(), "dw|ev|fu");
  EXPECT_EQ(read_key("a"), "az");
  stmt(code::D_REMOVE);
  ws.Io_ind = 2;  // dw
  ws.Io_opts |= IO_IND;
  ASSERT_EQ(error_no([] { Dyn_fotbl[FIO_REMOVE](); }), 0);
  EXPECT_EQ(read(), "ev");
  // By key 1's places: fu, ev, by, az; the second goes and fu is current.
  stmt(code::D_REMOVE);
  ws.Io_kno = 1;
  ws.Io_ind = 2;
  ws.Io_opts |= IO_RNO;
  ASSERT_EQ(error_no([] { Dyn_fotbl[FIO_REMOVE](); }), 0);
  EXPECT_EQ(rest(1), "by|az");
  // Removing the first record leaves none current: READ starts again.
  stmt(code::D_REMOVE);
  key("a");
  ASSERT_EQ(error_no([] { Dyn_fotbl[FIO_REMOVE](); }), 0);
  EXPECT_EQ(rest(), "by|fu");
  EXPECT_EQ(f->rec_count, 2);
}

// Many records through the trees: RNO= places, stepping both ways, and
// removal of every other record keep the order of a sorted model.
TEST_F(Memory_file, ManyRecordsKeepPlacesThroughRemovals) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:6]"), 0);
  std::mt19937 rng(3);
  std::vector<std::string> model;
  for (int i = 0; i < 3000; i++) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06u", unsigned(rng() % 1000000));
    std::string k = buf;
    if (std::find(model.begin(), model.end(), k) != model.end()) continue;
    ASSERT_EQ(write(k), 0);
    model.push_back(k);
  }
  std::sort(model.begin(), model.end());
  for (size_t i = 0; i < model.size(); i += 2) {
    stmt(code::D_REMOVE);
    key(model[i]);
    ASSERT_EQ(error_no([] { Dyn_fotbl[FIO_REMOVE](); }), 0);
  }
  std::vector<std::string> left;
  for (size_t i = 1; i < model.size(); i += 2) left.push_back(model[i]);
  ASSERT_EQ(f->rec_count, int32_t(left.size()));
  for (size_t i = 0; i < left.size(); i += 97) {
    stmt(code::D_READ);
    ws.Io_ind = int32_t(i + 1);
    ws.Io_opts |= IO_RNO;
    ASSERT_EQ(read_now(), left[i]);
    ASSERT_EQ(Dyn_getrno(), int64_t(i + 1));
    if (i + 1 < left.size()) {
      EXPECT_EQ(read(), left[i + 1]);
    }
    stmt(code::D_READ);
    ws.Io_dir = -1;
    ws.Io_opts |= IO_STEP;
    EXPECT_EQ(read_now(), left[i]);
  }
  EXPECT_EQ(read_ind(0), left[0]);
  std::string all = left[0];
  for (size_t i = 1; i < left.size(); i++) all += "|" + left[i];
  EXPECT_EQ(left[0] + "|" + rest(), all);
}

}  // namespace

namespace {

// Keys where one is the start of another ("A", "AB", "ABC") against an
// ordered model: random WRITE, REMOVE and exact READ by KEY=, a missing
// longer (or shorter) key being error 11 and the READ after it going on at
// the next key, and the whole order read back now and then.  Once with an
// external key, once with a key taken from the record (padded with NUL
// bytes up to its length, which orders it the same way).
class Memory_file_prefix_keys : public Memory_file {
 protected:
  int remove_key(const std::string& k) {
    stmt(code::D_REMOVE);
    key(k);
    return error_no([] { Dyn_fotbl[FIO_REMOVE](); });
  }
  void against_model(bool external) {
    std::mt19937 rng(external ? 51 : 52);
    std::map<std::string, std::string> model;  // key text -> record
    auto random_key = [&] {
      std::string k;
      size_t n = 1 + rng() % 4;
      for (size_t i = 0; i < n; ++i) k += char('A' + rng() % 2);
      return k;
    };
    for (int step = 0; step < 4000; ++step) {
      std::string k = random_key();
      unsigned op = rng() % 8;
      if (op < 3) {
        std::string rec = k + "," + std::to_string(step);
        ASSERT_EQ(external ? write(rec, k) : write(rec), 0) << k;
        model[k] = rec;
      } else if (op < 5) {
        ASSERT_EQ(remove_key(k), model.count(k) ? 0 : 11) << "REMOVE " << k;
        model.erase(k);
      } else {
        auto it = model.find(k);
        ASSERT_EQ(read_key(k), it != model.end() ? it->second : "#11") << "READ KEY=" << k;
        if (it == model.end()) {
          // The next READ goes on at the first key after the missing one.
          auto next = model.upper_bound(k);
          ASSERT_EQ(read(), next != model.end() ? next->second : "#2") << "READ after missing " << k;
        }
      }
      if (step % 500 == 499) {
        std::string want;
        for (auto& [key_text, rec] : model) want += (want.empty() ? "" : "|") + rec;
        std::string got;
        if (!model.empty()) {
          got = read_ind(0);
          std::string more = rest();
          if (!more.empty()) got += "|" + more;
        }
        ASSERT_EQ(got, want) << "order at step " << step;
        ASSERT_EQ(f->rec_count, int32_t(model.size()));
      }
    }
  }
};

TEST_F(Memory_file_prefix_keys, ExternalKeysThatStartOneAnother) {
  ASSERT_EQ(open("*memory*;KEYDEF=8"), 0);
  against_model(true);
}

TEST_F(Memory_file_prefix_keys, RecordKeysThatStartOneAnother) {
  ASSERT_EQ(open("*memory*;KEYDEF=[1:1:4]"), 0);
  against_model(false);
}

}  // namespace
