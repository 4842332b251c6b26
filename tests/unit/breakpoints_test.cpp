// Breakpoints and watches of a debugging client: splitting breakpoint texts,
// the lists' formats (bounded), the check with its edge cases, the watch
// texts and the "*Watch" entries; a program that stops at a breakpoint.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_env.h"
#include "core/codes.h"
#include "core/host.h"
#include "programs/breakpoints.h"
#include "programs/program_list.h"

namespace {

TEST(BreakSplit, KeysByTheirFirstFourLettersInAnyCase) {
  Break_parts s = SplitBreakLine("prog=ORDERS,STATEMENT=100");
  EXPECT_TRUE(s.valid);
  EXPECT_EQ(s.program, "ORDERS");
  EXPECT_EQ(s.statement, "100");
  EXPECT_EQ(s.kind, 0);
  s = SplitBreakLine("STAT=LOOP,CHAN=A$+\",\"+B$");
  EXPECT_TRUE(s.valid);
  EXPECT_EQ(s.statement, "LOOP");
  EXPECT_EQ(s.expression, "A$+\",\"+B$");  // the rest of the text, commas included
  EXPECT_EQ(s.kind, BREAK_CHAN);
  s = SplitBreakLine("Testing=X>5");
  EXPECT_TRUE(s.valid);
  EXPECT_EQ(s.kind, BREAK_TEST);
  EXPECT_EQ(s.expression, "X>5");
}

TEST(BreakSplit, BadItemsMakeTheBreakTextInvalid) {
  EXPECT_FALSE(SplitBreakLine("PROG").valid);               // no '='
  EXPECT_FALSE(SplitBreakLine("STAT=10,ORDERS").valid);     // an item without '='
  EXPECT_FALSE(SplitBreakLine("LINE=10").valid);            // unknown key
  EXPECT_FALSE(SplitBreakLine("PRO=X").valid);              // key shorter than four letters
  EXPECT_FALSE(SplitBreakLine("PROG=" + std::string(251, 'p')).valid);
  EXPECT_TRUE(SplitBreakLine("PROG=" + std::string(250, 'p')).valid);
  EXPECT_FALSE(SplitBreakLine("STAT=" + std::string(41, '1')).valid);
  EXPECT_FALSE(SplitBreakLine("TEST=" + std::string(101, 'X')).valid);
  EXPECT_TRUE(SplitBreakLine("TEST=" + std::string(100, 'X')).valid);
  EXPECT_FALSE(SplitBreakLine("CHAN=").valid);
}

TEST(BreakLists, ParsedWithinTheirBytes) {
  std::vector<std::string> texts;
  std::string v("\0\0\0\2\x09STAT=100,\x06TEST=X", 4 + 1 + 9 + 1 + 6);
  ASSERT_TRUE(Break_parse_list(v, texts));
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "STAT=100,");
  EXPECT_EQ(texts[1], "TEST=X");
  // A count or a length beyond the value is refused, nothing read past it.
  EXPECT_FALSE(Break_parse_list(std::string("\0\0\0\3\x02" "ab", 7), texts));
  EXPECT_FALSE(Break_parse_list(std::string("\0\0\0\1\x09" "ab", 7), texts));
  EXPECT_FALSE(Break_parse_list(std::string("\0\0", 2), texts));
  EXPECT_TRUE(Break_parse_list("", texts));
  EXPECT_TRUE(texts.empty());

  Watch_list w;
  ASSERT_TRUE(Watch_parse_list(std::string("\0\x05\x01X\x09" "A$ {1:20}", 14), w));
  EXPECT_EQ(w.chunk, 5);
  ASSERT_EQ(w.exprs.size(), 2u);
  EXPECT_EQ(w.exprs[0], "X");
  EXPECT_EQ(w.exprs[1], "A$");  // the " {...}" part is dropped
  EXPECT_FALSE(Watch_parse_list(std::string("\0\0\x05" "ab", 5), w));
}

TEST(BreakNames, FileNamePartWithoutRegardToCase) {
  EXPECT_TRUE(BreakSimpleCmp("/home/acct/progs/orders", "ORDERS"));
  EXPECT_TRUE(BreakSimpleCmp("C:\\progs\\Orders", "orders"));
  EXPECT_TRUE(BreakSimpleCmp("orders", "ORDERS"));
  EXPECT_FALSE(BreakSimpleCmp("/progs/orders2", "orders"));
}

TEST(WatchText, StringsQuotedAndHexed) {
  const uint8_t s1[] = {'a', 'b', 1, 2, 'c'};
  EXPECT_EQ(Watch_quote(s1, sizeof s1), "\"ab\"+$0102$+\"c\"");
  const uint8_t s2[] = {'s', 'a', 'y', ' ', '"', 'h', 'i', '"'};
  EXPECT_EQ(Watch_quote(s2, sizeof s2), "\"say \"+$22$+\"hi\"+$22$");
  EXPECT_EQ(Watch_quote(nullptr, 0), "\"\"");
  const uint8_t s3[] = {0xff};
  EXPECT_EQ(Watch_quote(s3, 1), "$FF$");
}

TEST(WatchText, NumbersErrorsAndChunks) {
  EXPECT_EQ(Watch_texts("X", 0, "12.5", 0), std::vector<std::string>{"X=12.5"});
  EXPECT_EQ(Watch_texts("Y+", 2, "", 0), std::vector<std::string>{"Y+=<Invalid>"});
  EXPECT_EQ(Watch_texts("1/0", 3, "", 0), std::vector<std::string>{"1/0=<Err>"});
  // A string longer than the chunk length: one entry per chunk, each after
  // the first beginning with its positions.
  std::vector<std::string> t = Watch_texts("A$", 1, "abcdefghijk", 4);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0], "A$ {1:11}=\"abcd\"");
  EXPECT_EQ(t[1], "... {5:8}=\"efgh\"");
  EXPECT_EQ(t[2], "... {9:11}=\"ijk\"");
  // Exactly the chunk length: one entry.
  EXPECT_EQ(Watch_texts("A$", 1, "abcd", 4), std::vector<std::string>{"A$=\"abcd\""});
  // Cut with ".." at 236 characters.
  t = Watch_texts("B$", 1, std::string(400, 'z'), 0);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].size(), 236u);
  EXPECT_EQ(t[0].substr(234), "..");
}

TEST(WatchText, EntryLayout) {
  std::string buf;
  GenRmtWatchEntry(buf, "X=1", 0);
  GenRmtWatchEntry(buf, "Y=2", 258);
  std::string want("\x1bmn(\x0d\x06*Watch\x05\x00\x00X=1", 18);
  want += std::string("\x1bmn(\x0d\x06*Watch\x05\x01\x02Y=2", 18);
  EXPECT_EQ(buf, want);
}

class BreakCheck : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    ws.Prm.QT = true;
    ws.Brk_hit_ptr = nullptr;  // a stop of an earlier test is not this program's
    ClearBreaks();
    Breakpoints_init();
  }
  void TearDown() override {
    ClearBreaks();
    if (path) Path_unref(path);
    ws.Cur_pgm = nullptr;
    Console_env::TearDown();
  }
  void in_program(const char* p, const char* name) {
    if (path) Path_unref(path);
    path = Path_new(p, name);
    ws.Cur_pgm = path;
  }
  int at(uint32_t line) {
    ws.Cur_stno = line;
    int r = BreakPointCheck();
    ws.Cur_stno = 0;
    return r;
  }
  Pgm_path* path = nullptr;
};

TEST_F(BreakCheck, ProgramAndLineFiresOncePerArrival) {
  Break_set_list({"PROG=ORDERS,STAT=100"});
  EXPECT_TRUE(ws.Run_flags & RF_CLIENT_DEBUG);
  EXPECT_EQ(at(100), 0);  // no program
  in_program("/srv/acct/progs/orders", "orders");
  EXPECT_EQ(at(90), 0);
  EXPECT_EQ(at(100), 1);
  EXPECT_EQ(at(100), 0);  // the next statement of the same line
  EXPECT_EQ(at(110), 0);
  EXPECT_EQ(at(100), 1);  // arriving again
  in_program("/srv/acct/progs/invoices", "invoices");
  EXPECT_EQ(at(110), 0);
  EXPECT_EQ(at(100), 0);
  // A name with a directory is compared whole.
  Break_set_list({"PROG=/srv/acct/progs/orders,STAT=100", "PROG=/other/orders,STAT=100"});
  in_program("/srv/acct/progs/ORDERS", "ORDERS");
  EXPECT_EQ(at(100), 1);
}

TEST_F(BreakCheck, TestTrueAtFirstEvaluationDoesNotFire) {
  type("X=5");
  Break_set_list({"TEST=X>3"});
  EXPECT_EQ(at(10), 0);  // true at once: no break
  EXPECT_EQ(at(20), 0);  // still true: unchanged
  type("X=1");
  EXPECT_EQ(at(30), 0);  // false
  type("X=4");
  EXPECT_EQ(at(40), 1);  // becomes true
  EXPECT_EQ(at(50), 0);
}

TEST_F(BreakCheck, ChanFiresOnEachChange) {
  type("A$=\"x\"");
  Break_set_list({"CHAN=A$", "STAT=70"});
  EXPECT_EQ(at(10), 0);  // first value
  EXPECT_EQ(at(20), 0);
  type("A$=\"y\"");
  EXPECT_EQ(at(30), 1);
  type("A$=\"z\"");
  EXPECT_EQ(at(40), 1);
  EXPECT_EQ(at(50), 0);
  EXPECT_EQ(at(70), 2);  // the last entry that fired
  type("A$=\"w\"");
  EXPECT_EQ(at(80), 1);
  // Numbers compare by value; an error is a state of its own.
  type("N=1.50");
  Break_set_list({"CHAN=N", "CHAN=1/Z"});
  EXPECT_EQ(at(10), 0);
  type("N=1.5");
  EXPECT_EQ(at(20), 0);
  type("Z=2");
  EXPECT_EQ(at(30), 2);  // from an error to a value
}

TEST_F(BreakCheck, InvalidAndProgramOnlyEntries) {
  Break_set_list({"NONSENSE", "TEST=X+", "PROG=ORDERS"});
  EXPECT_EQ(at(10), 0);  // no program yet
  in_program("/p/orders", "orders");
  EXPECT_EQ(at(10), 3);  // entering the program
  EXPECT_EQ(at(20), 0);
  in_program("/p/other", "other");
  EXPECT_EQ(at(30), 0);
  in_program("/p/orders", "orders");
  EXPECT_EQ(at(40), 3);  // entering it again
  Break_suspend(true);
  in_program("/p/other", "other");
  EXPECT_EQ(at(50), 0);
  Break_suspend(false);
  Break_set_list({});
  EXPECT_FALSE(ws.Run_flags & RF_CLIENT_DEBUG);
}

TEST_F(BreakCheck, LabelsMatchTheStatementsLabel) {
  program({"10 X=1", "20 LOOP: X=X+1", "30 IF X<3 GOTO 20", "40 END"});
  Break_set_list({"STAT=LOOP"});
  type("RUN");
  EXPECT_EQ(ws.Stop_stno, 20);
  double x = 0;
  Var_node* v = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>("X"), 1);
  ASSERT_NE(v, nullptr);
  x = double(v->num.mant) / 1;
  EXPECT_EQ(x, 1);  // stopped before the statement ran
}

TEST_F(BreakCheck, ProgramStopsAtALineBreakpoint) {
  program({"10 FOR I=1 TO 3", "20 X=X+1", "30 NEXT I", "40 END"});
  Break_set_list({"STAT=20"});
  type("RUN");
  EXPECT_EQ(ws.Stop_stno, 20);
  Var_node* v = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>("X"), 1);
  EXPECT_TRUE(v == nullptr || v->num.mant == 0) << v->num.mant << " scale " << int(v->num.scale);
}

TEST_F(BreakCheck, WatchRefreshSendsOnlyChanges) {
  type("X=1");
  type("A$=\"ab\"+$01$");
  Watch_list l;
  l.exprs = {"X", "A$", "X+", "1/0"};
  Watch_set_list(l);
  EXPECT_TRUE(ws.Run_flags & RF_CLIENT_DEBUG);
  std::string buf = Watch_refresh();
  EXPECT_NE(buf.find("X=1"), std::string::npos);
  EXPECT_NE(buf.find("A$=\"ab\"+$01$"), std::string::npos);
  EXPECT_NE(buf.find("X+=<Invalid>"), std::string::npos);
  EXPECT_NE(buf.find("1/0=<Err>"), std::string::npos);
  EXPECT_EQ(Watch_refresh(), "");  // nothing changed
  type("X=2");
  buf = Watch_refresh();
  EXPECT_NE(buf.find("X=2"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(BreakCheck, TheSameListAgainKeepsTheLastValues) {
  type("Y=1");
  Break_set_list({"CHAN=Y"});
  EXPECT_EQ(at(10), 0);
  Break_set_list({"CHAN=Y"});  // read again when the program resumes
  type("Y=2");
  EXPECT_EQ(at(20), 1);
  Break_set_list({"CHAN=Y", "STAT=99"});  // another list starts afresh
  type("Y=3");
  EXPECT_EQ(at(30), 0);
}

}  // namespace
