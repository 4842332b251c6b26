// The channel list, the driver dispatch, I/O options and lists and the record
// directives, run against a small record driver kept in memory: records by
// index, a key being a record's first bytes, a 16-byte record buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/cisam_file.h"
#include "channels/close.h"
#include "channels/field_convert.h"
#include "channels/io_list.h"
#include "channels/io_options.h"
#include "channels/record_formats.h"
#include "console_env.h"
#include "core/codes.h"
#include "core/params.h"
#include "keyed/key_driver.h"
#include "net/sql.h"
#include "test_util.h"

namespace {

constexpr int32_t TEST_KIND = 19;  // a reserved code: free for the test driver
constexpr int32_t BAD_KIND = 20;   // stays unbuilt
std::vector<std::string> records;
std::string last_read;
int closes = 0;

int64_t t_write() {
  Fcb* f = ws.Cur_fcb;
  std::string r(reinterpret_cast<char*>(f->out_buf), size_t(f->buf_count));
  if (ws.Io_opts & IO_IND) {
    if (size_t(ws.Io_ind) >= records.size()) records.resize(size_t(ws.Io_ind) + 1);
    records[size_t(ws.Io_ind)] = r;
  } else {
    records.push_back(r);
  }
  return 0;
}
int64_t t_setind() {
  ws.Cur_fcb->rec_index = ws.Io_ind;
  return 0;
}
int64_t t_setkey() {
  std::string k(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len));
  for (size_t i = 0; i < records.size(); i++)
    if (records[i].compare(0, k.size(), k) == 0) {
      ws.Cur_fcb->rec_index = int32_t(i);
      return 0;
    }
  Io_dom_err();
}
int64_t t_read() {
  Fcb* f = ws.Cur_fcb;
  if (f->rec_index < 0 || size_t(f->rec_index) >= records.size()) Io_end_err();
  last_read = records[size_t(f->rec_index++)];
  ws.Str_ptr = reinterpret_cast<uint8_t*>(last_read.data());
  ws.Str_len = int32_t(last_read.size());
  return 0;
}
int64_t t_remove() {
  Fcb* f = ws.Cur_fcb;
  if (size_t(f->rec_index) >= records.size()) Io_dom_err();
  records.erase(records.begin() + f->rec_index);
  return 0;
}
int64_t t_purge() {
  records.clear();
  return 0;
}
int64_t t_close() {
  closes++;
  return 0;
}

const Fio_op test_fotbl[FIO_SLOTS] = {
    Io_mode_err, Io_mode_err, t_close,     t_write,     t_read,      t_remove,    t_setind,
    Io_mode_err, t_setkey,    Io_mode_err, Io_mode_err, Io_mode_err, Io_rsz_err,  Io_wr_mode,
    t_purge,     Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing};

class Channel_test : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    Fio_register(TEST_KIND, test_fotbl);
    records.clear();
    closes = 0;
    prmblk.FS = 138;
  }
  void TearDown() override {
    Cls_all();
    Console_env::TearDown();
  }
  // Links a record of the test kind (or another) on channel n; END closes
  // program channels, so relink() puts back the ones linked so far.
  std::vector<std::pair<uint16_t, int32_t>> linked;
  void relink() {
    for (auto [n, k] : linked) {
      ws.Io_stmt = 0;
      if (!Find_fp(n)) make(n, k);
    }
  }
  Fcb* link(uint16_t n, int32_t kind = TEST_KIND) {
    linked.emplace_back(n, kind);
    return make(n, kind);
  }
  Fcb* make(uint16_t n, int32_t kind) {
    Fcb* f = Fcb_alloc<Fcb>();
    f->channel = n;
    f->kind = kind;
    f->separator = prmblk.FS;
    Fcb_set_buffer(f, 16);
    ws.Cur_fcb = f;
    ws.Cur_chan = n;
    Link_fp();
    return f;
  }
  std::vector<int> list_order() {
    std::vector<int> v;
    for (Fcb* f = ws.Fcb_list; f; f = f->next) v.push_back(f->channel);
    return v;
  }
  double num(const char* name) {
    Var_node* n = Look_var_name(code::NUM_VAR, u(name), int(strlen(name)));
    return n ? Val_to_dbl(n->num) : -999;
  }
  std::string str(const char* name) {
    Var_node* n = Look_var_name(code::STR_VAR, u(name), int(strlen(name)));
    if (!n || !n->str) return "";
    return std::string(reinterpret_cast<const char*>(n->str->bytes()), n->str->len);
  }
  // Runs a program whose error branch at line 900 stores the error in E.
  void run(std::initializer_list<const char*> lines) {
    for (const char* l : lines) type(l);
    type("900 LET E=ERR");
    type("910 END");
    relink();
    type("RUN");
  }
};

TEST_F(Channel_test, ListStaysOrderedAndLookupsStopAtTheEnd) {
  link(5);
  link(1);
  link(3);
  EXPECT_EQ(list_order(), (std::vector<int>{0, 1, 3, 5}));
  EXPECT_EQ(Find_fp(9), nullptr);
  EXPECT_EQ(Find_fp(2), nullptr);
  ASSERT_NE(Find_fp(3), nullptr);
  EXPECT_EQ(Find_fp(3)->channel, 3);
}

TEST_F(Channel_test, ConsoleAliasIsTheConsoleExceptForClose) {
  Fcb* alias = link(4, FK_CONSOLE_ALIAS);
  ws.Io_stmt = code::D_READ;
  EXPECT_EQ(Find_fp(4), ws.Con_fcb);
  ws.Io_stmt = code::D_CLOSE;
  EXPECT_EQ(Find_fp(4), alias);
  type("CLOSE (4)");
  ws.Io_stmt = code::D_CLOSE;
  EXPECT_EQ(Find_fp(4), nullptr);
}

TEST_F(Channel_test, PathRecordLivesUntilItsLastReference) {
  std::strcpy(ws.Path_buf, "/tmp/a");
  std::strcpy(ws.Lfa_path, "a");
  SavedPath* p = SavePath();
  EXPECT_STREQ(p->path, "/tmp/a");
  EXPECT_STREQ(p->name, "a");
  int64_t before = ws.Mem_used;
  CopyPath(p);
  FreePath(p);
  EXPECT_EQ(p->refs, 1);
  FreePath(p);
  EXPECT_LT(ws.Mem_used, before);
  FreePath(nullptr);
}

TEST_F(Channel_test, WriteThenReadFieldsBack) {
  link(1);
  run({"10 WRITE (1)\"A\",\"BC\",12.5", "20 READ (1,IND=0)X$,Y$,Z", "30 END"});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], "A\x8a" "BC\x8a" "12.5\x8a");
  EXPECT_EQ(str("X$"), "A");
  EXPECT_EQ(str("Y$"), "BC");
  EXPECT_EQ(num("Z"), 12.5);
}

TEST_F(Channel_test, EndDomAndErrBranches) {
  link(1);
  records = {"K1\x8a", "K2\x8a"};
  run({"10 READ (1,IND=5,END=100)A$", "20 END", "100 LET A=1", "110 READ (1,KEY=\"ZZ\",DOM=200)A$",
       "120 END", "200 LET B=1", "210 READ (1,IND=7,ERR=900)A$", "220 END"});
  EXPECT_EQ(num("A"), 1);
  EXPECT_EQ(num("B"), 1);
  EXPECT_EQ(num("E"), 2);  // IND= past the end is end of data
}

TEST_F(Channel_test, RecordLongerThanTheBufferWritesNothingAndLosesNothing) {
  link(1);
  run({"10 WRITE (1)\"first\"", "20 WRITE (1,ERR=900)\"0123456789ABCDEFGHIJ\"", "30 END"});
  EXPECT_EQ(num("E"), 1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], "first\x8a");
  relink();
  type("WRITE (1)\"next\"");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1], "next\x8a");  // no leftover of the failed record
}

TEST_F(Channel_test, ChannelErrors) {
  link(2, BAD_KIND);
  run({"10 READ (70000,ERR=900)A$", "20 END"});
  EXPECT_EQ(num("E"), 41);
  run({"10 READ (9,ERR=900)A$", "20 END"});
  EXPECT_EQ(num("E"), 14);
  run({"10 READ (2,ERR=900)A$", "20 END"});
  EXPECT_EQ(num("E"), 99);  // a reserved kind: every operation
  link(3)->st3 |= ST3_BUSY;
  run({"10 READ (3,ERR=900)A$", "20 END"});
  EXPECT_EQ(num("E"), 89);
  relink();
  Find_fp(3)->st1 |= ST1_INPUT_ONLY;
  run({"10 WRITE (3,ERR=900)\"x\"", "20 END"});
  EXPECT_EQ(num("E"), 13);
}

TEST_F(Channel_test, ReadRecordAndTableTranslation) {
  link(1);
  records = {"abc\x8a" "def"};
  run({"10 READ RECORD (1,IND=0)R$", "20 END"});
  EXPECT_EQ(str("R$"), "abc\x8a" "def");
  run({"10 READ RECORD (1,IND=0,ERR=900)R", "20 END"});
  EXPECT_EQ(num("E"), 26);
  // A table whose first byte is 0x7F maps every byte through its low seven
  // bits: here "a" (0x61) becomes table[0x62], "Z".
  std::string tbl(0x80, '.');
  tbl[0] = 0x7F;
  tbl[0x62] = 'Z';
  relink();
  Var_node* t = Find_var_name(code::STR_VAR, u("T$"), 2);
  t->str = Get_str(tbl.size());
  std::memcpy(t->str->bytes(), tbl.data(), tbl.size());
  t->str->len = uint32_t(tbl.size());
  type("WRITE RECORD (1,TBL=T$)\"ab\"");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1], "Z.");
}

TEST_F(Channel_test, IolistsNestAndRefuseTenLevels) {
  link(1);
  run({"5 LET A$=\"a\",B$=\"b\",C=3", "10 IOLIST A$,IOL=20", "20 IOLIST B$,C", "30 WRITE (1,IOL=10)",
       "35 LET B$=\"\",C=0", "40 READ (1,IND=0)X$,IOL=20", "50 END"});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], "a\x8a" "b\x8a" "3\x8a");
  EXPECT_EQ(str("X$"), "a");
  EXPECT_EQ(str("B$"), "b");
  EXPECT_EQ(num("C"), 3);
  run({"100 IOLIST IOL=100", "110 WRITE (1,IOL=100,ERR=900)", "120 END"});
  relink();
  type("RUN 110");
  EXPECT_EQ(num("E"), 32);
}

TEST_F(Channel_test, CloseForms) {
  link(1);
  link(2);
  link(3);
  type("CLOSE (1,0,2)");  // the console stays and ends the list
  EXPECT_EQ(list_order(), (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(closes, 1);
  type("CLOSE (9)");  // not open, no ERR=: nothing
  linked.clear();
  run({"10 CLOSE (9,ERR=900)", "20 END"});
  EXPECT_EQ(num("E"), 14);
  link(5);
  run({"10 END"});  // END closes the program channels
  EXPECT_EQ(list_order(), (std::vector<int>{0}));
}

TEST_F(Channel_test, RemoveAndPurgeThroughTheSlots) {
  link(1);
  records = {"A\x8a", "B\x8a", "C\x8a"};
  type("REMOVE (1,KEY=\"B\")");
  EXPECT_EQ(records, (std::vector<std::string>{"A\x8a", "C\x8a"}));
  type("PURGE (1)");
  EXPECT_TRUE(records.empty());
  EXPECT_TRUE(Find_fp(1)->st3 & ST3_PURGED);
}

// The keyed, C-ISAM and SQL kinds enter write mode by starting the record
// again at rec_start alone: their drivers mark the channel written once a
// record is, and the column is left as it was.
TEST_F(Channel_test, RecordKindsWriteModeStartsTheRecordAgainOnly) {
  uint16_t n = 5;
  for (const Fio_op* table : {Key_fotbl, Ism_fotbl, Dbx_fotbl}) {
    Fcb* f = link(n++);
    f->rec_start = 3;
    f->buf_count = 9;
    f->high_water = 12;
    f->column = 7;
    f->st1 = 0;
    table[FIO_WR_MODE]();
    EXPECT_EQ(f->buf_count, 3);
    EXPECT_EQ(f->high_water, 3);
    EXPECT_EQ(f->column, 7);
    EXPECT_EQ(f->st1, 0);
  }
}

TEST_F(Channel_test, KeyInPartsFillsSegments) {
  static bool pads = true;
  Key_segment_widths = [](Fcb*, int32_t, int32_t* w, int, bool* padded) {
    w[0] = 4;
    w[1] = 2;
    *padded = pads;
    return 2;
  };
  Fcb* f = link(1, FK_KEYED);
  ws.Cur_fcb = f;
  ws.Cur_ftype = FK_KEYED;
  ws.Io_kno = 0;
  ws.Io_key_cnt = 2;
  static const uint8_t a[] = "A", b[] = "B";
  ws.Io_key_part[0] = a;
  ws.Io_key_part_len[0] = 1;
  ws.Io_key_part[1] = b;
  ws.Io_key_part_len[1] = 1;
  // A file whose keys pad their segments: the value, then zero bytes to the
  // segment's width; the last part only its own length.
  OptGenKey();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len)),
            std::string("A\0\0\0B", 5));
  // Keys that hold the values one after another.
  pads = false;
  OptGenKey();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len)), "AB");
  pads = true;
  Key_segment_widths = nullptr;
  ws.Cur_ftype = TEST_KIND;
  EXPECT_EQ(error_no([] { OptGenKey(); }), 80);
  f->high_key = 3;
  ws.Cur_ftype = FK_KEYED;
  EXPECT_EQ(GetKNOValueFromString(u("#2"), 2), 2);
  EXPECT_EQ(error_no([] { GetKNOValueFromString(u("#x"), 2); }), 80);
  f->kind = TEST_KIND;  // a bare record: no keyed driver may close it
}

TEST_F(Channel_test, TypedFields) {
  uint8_t buf[TYPED_NUM_MAX];
  Num_val v;
  v.mant = -2;
  int n = Wrt_dynasep_num(v, buf);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(buf[0], 0x81);
  EXPECT_EQ(buf[1], 0xFE);
  v.mant = 125;
  v.scale = 1;  // 12.5: a scale byte, then one byte
  n = Wrt_dynasep_num(v, buf);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(buf[0], 0x91);
  int32_t pos = 0;
  Field_in f;
  Cnv_field(buf, n, &pos, SEP_TYPED, f);
  EXPECT_TRUE(f.numeric);
  EXPECT_EQ(Val_to_dbl(f.num), 12.5);
  const uint8_t bad[] = {0x83, 0, 0, 0};
  pos = 0;
  EXPECT_EQ(error_no([&] { Cnv_field(bad, 4, &pos, SEP_TYPED, f); }), 116);
  const uint8_t shortf[] = {0x05, 'a'};
  pos = 0;
  EXPECT_EQ(error_no([&] { Cnv_field(shortf, 2, &pos, SEP_TYPED, f); }), 116);
}

}  // namespace

namespace {

// The compiled items of the IOLIST statement of a typed line.
std::string iolist_items(uint16_t line) {
  uint8_t ref[4] = {code::LINE_REF, uint8_t(line >> 8), uint8_t(line), code::EOL};
  uint8_t* resume = ws.Exec_ptr;
  ws.Exec_ptr = ref;
  const uint8_t* items = Check_iol();
  ws.Exec_ptr = resume;
  return std::string(reinterpret_cast<const char*>(items), size_t(Iol_items_len(items)));
}

}  // namespace

TEST_F(Channel_test, NamedRecordFormatsReplaceInPlaceAndMatchWithoutCase) {
  Fcb* f = link(1);
  const uint8_t a[] = {1, 2, 3};
  const uint8_t b[] = {4, 5};
  Fcb_add_format(f, "ORDER", a, sizeof a);
  Fcb_add_format(f, "Lines", b, sizeof b);
  Fcb_add_format(f, "order", b, sizeof b);  // replaces ORDER where it stands
  EXPECT_EQ(Fcb_format_names(f), (std::vector<std::string>{"order", "Lines"}));
  const uint8_t* blk = FindFileFormat(f, "ORDER");
  ASSERT_NE(blk, nullptr);
  EXPECT_EQ(get_u16be(blk), 5);  // two items + 3
  EXPECT_EQ(blk[2], code::D_IOLIST);
  EXPECT_EQ(blk[3], 4);
  EXPECT_EQ(blk[5], code::EOL);
  EXPECT_EQ(FindFileFormat(f, "LINE"), nullptr);
  EXPECT_THROW(Fcb_add_format(f, "", a, sizeof a), Oru_error);
  std::string longname(300, 'n');
  Fcb_add_format(f, longname, a, sizeof a);
  EXPECT_NE(FindFileFormat(f, longname.substr(0, 255)), nullptr);
}

TEST_F(Channel_test, NamedRecordFormatsServeIolAndFin) {
  Fcb* f = link(1);
  type("10 IOLIST A$,N");
  type("20 IOLIST N,A$");
  std::string order = iolist_items(10), reverse = iolist_items(20);
  Fcb_add_format(f, "ORDER", reinterpret_cast<const uint8_t*>(order.data()), order.size());
  Fcb_add_format(f, "Reverse", reinterpret_cast<const uint8_t*>(reverse.data()), reverse.size());
  run({"30 LET A$=\"x\",N=5", "40 WRITE (1,IOL=\"reverse\")", "50 LET F$=FIN(1,\"FORMATS\")",
       "60 LET I$=IOL(1:\"ORDER\")", "70 LET A$=\"\",N=0", "80 READ (1,IND=0,IOL=\"Reverse\")",
       "90 WRITE (1,IOL=\"NONE\",ERR=900)", "100 END"});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0], "5\x8a" "x\x8a");
  EXPECT_EQ(str("F$"), "ORDER\x8a" "Reverse\x8a");
  std::string i = str("I$");
  ASSERT_EQ(i.size(), order.size() + 4);
  EXPECT_EQ(i.substr(3, order.size()), order);
  EXPECT_EQ(str("A$"), "x");
  EXPECT_EQ(num("N"), 5);
  EXPECT_EQ(num("E"), 81);
}
