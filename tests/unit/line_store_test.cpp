// The program line store, line references and the line editor directives,
// on lines compiled from text or built by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/directives.h"
#include "core/editor.h"
#include "core/errors.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "test_util.h"

namespace {

class LineStore : public ::testing::Test {
 protected:
  static inline uint8_t work[WORK_AREA_SIZE];
  static void SetUpTestSuite() {
    ws.Lib_dir = ORU_TEST_LIBDIR;
    ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  }
  void SetUp() override {
    ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
    ws.Work_end = work + sizeof work;
    ws.Cur_stno = 0;
    ws.Exec_ptr = ws.Stmt_ptr = nullptr;
    ws.Pgm_flags = 0;
    ws.Cmd_flags = 0;
    ws.Prm = Params{};
    Clr_lines();
  }
  void TearDown() override {
    ws.Cur_stno = 0;
    ws.Exec_ptr = ws.Stmt_ptr = nullptr;
    ws.Pgm_flags = 0;
    Clr_lines();
    ws.Work_base = ws.Work_ptr = ws.Work_mark = ws.Work_end = nullptr;
  }

  static std::vector<uint8_t> compiled(const std::string& src) {
    std::vector<uint8_t> out;
    Compile_text(src, out);
    return out;
  }
  static int store_bytes(std::vector<uint8_t> v) {
    ws.Str_ptr = v.data();
    ws.Str_len = int32_t(v.size());
    return Add_line();
  }
  static int store(const std::string& src) { return store_bytes(compiled(src)); }
  // Runs a directive handler on compiled operand bytes (codes after the
  // directive, ending with 255).
  static int run(void (*fn)(), std::vector<uint8_t> operands) {
    operands.push_back(code::EOL);
    ws.Exec_ptr = operands.data();
    return error_no(fn);
  }
  static std::vector<uint16_t> numbers() {
    std::vector<uint16_t> v;
    for (uint16_t n = First_line(); n < LAST_LINE_NO; n = Next_line(n)) v.push_back(n);
    return v;
  }
  static std::string listed(uint16_t n) {
    if (Find_line(n) != n) return "<missing>";
    return Decompile_text(ws.Str_ptr, size_t(ws.Str_len));
  }
};

std::vector<uint8_t> hand_line(uint16_t n, std::vector<uint8_t> body) {
  std::vector<uint8_t> v{uint8_t(n >> 8), uint8_t(n)};
  for (uint8_t b : body) v.push_back(b);
  v.push_back(code::EOL);
  return v;
}

std::vector<uint8_t> small(uint16_t v) { return {code::SMALL_INT, uint8_t(v >> 8), uint8_t(v)}; }
std::vector<uint8_t> ref(uint16_t v) { return {code::LINE_REF, uint8_t(v >> 8), uint8_t(v)}; }
std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> v;
  for (auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

TEST_F(LineStore, EmptyProgramIsTheEndLine) {
  EXPECT_EQ(First_line(), LAST_LINE_NO);
  EXPECT_EQ(Find_line(10), LAST_LINE_NO);
  ASSERT_EQ(ws.Str_len, 4);
  EXPECT_EQ(get_u16be(ws.Str_ptr), LAST_LINE_NO);
  EXPECT_EQ(ws.Str_ptr[2], code::D_END);
  EXPECT_EQ(Find_line(65001), LAST_LINE_NO);
}

TEST_F(LineStore, LinesKeepAscendingOrderAndSize) {
  auto a = compiled("30 GOTO 10"), b = compiled("10 GOTO 30"), c = compiled("20 END");
  store_bytes(a);
  store_bytes(b);
  store_bytes(c);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 20, 30}));
  EXPECT_EQ(ws.Pgm_size, a.size() + b.size() + c.size() + 12);
  EXPECT_TRUE(ws.Pgm_flags & PGM_CHANGED);
  EXPECT_EQ(ws.Last_entered, 20);
}

TEST_F(LineStore, FindGivesTheNextHigherLineAndSearchesBackwards) {
  store("10 END");
  store("20 END");
  store("30 END");
  EXPECT_EQ(Find_line(30), 30);
  EXPECT_EQ(Find_line(15), 20);  // below the current line: from the start
  EXPECT_EQ(Find_line(21), 30);
  EXPECT_EQ(Find_line(31), LAST_LINE_NO);
  EXPECT_EQ(Find_line(1), 10);
  EXPECT_EQ(Next_line(10), 20);
  EXPECT_EQ(Next_line(25), 30);  // not the current line: the line after 25
  EXPECT_EQ(Next_line(30), LAST_LINE_NO);
  EXPECT_EQ(Next_line(LAST_LINE_NO), LAST_LINE_NO);
}

TEST_F(LineStore, ReplacingALineAdjustsTheSize) {
  store("10 GOTO 10");
  uint32_t before = ws.Pgm_size;
  auto longer = compiled("10 GOTO 10; GOTO 10");
  store_bytes(longer);
  EXPECT_EQ(ws.Pgm_size, longer.size() + 4);
  EXPECT_GT(ws.Pgm_size, before);
  EXPECT_EQ(listed(10), "0010 GOTO 10; GOTO 10");
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10}));
}

TEST_F(LineStore, BareLineNumberDeletes) {
  store("10 END");
  store("20 END");
  EXPECT_EQ(store_bytes(hand_line(20, {})), 1);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10}));
  EXPECT_EQ(store_bytes(hand_line(15, {})), 0);
  EXPECT_EQ(ws.Pgm_size, compiled("10 END").size() + 4);
}

TEST_F(LineStore, BadLineNumbersAndProtection) {
  EXPECT_EQ(error_no([] { store_bytes(hand_line(0, {code::D_END})); }), 21);
  EXPECT_EQ(error_no([] { store_bytes(hand_line(65000, {code::D_END})); }), 21);
  EXPECT_EQ(error_no([] { store_bytes({0, 10}); }), 49);
  ws.Pgm_flags |= PGM_PROTECTED;
  EXPECT_EQ(error_no([] { store("10 END"); }), 52);
  ws.Cur_stno = 100;  // a running program may still store lines
  EXPECT_EQ(store("10 END"), 1);
  ws.Cur_stno = 0;
}

TEST_F(LineStore, AutoFollowsStoredLinesAndEndsOnItsOwnNumber) {
  ws.Cmd_flags |= CMD_AUTO;
  ws.Auto_line = 10;
  ws.Auto_step = 10;
  std::string prefix;
  ASSERT_TRUE(Auto_next(prefix));
  EXPECT_EQ(prefix, "0010 ");
  store("10 END");
  store("20 END");
  EXPECT_EQ(ws.Auto_line, 30);
  store("25 END");  // any stored line moves AUTO on
  EXPECT_EQ(ws.Auto_line, 35);
  store("30 END");
  EXPECT_EQ(ws.Auto_line, 40);
  // Enter on the pre-typed number: AUTO ends and nothing is deleted.
  ws.Auto_line = 30;
  EXPECT_EQ(store_bytes(hand_line(30, {})), 1);
  EXPECT_FALSE(ws.Cmd_flags & CMD_AUTO);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 20, 25, 30}));
  EXPECT_FALSE(Auto_next(prefix));
}

TEST_F(LineStore, AutoStopsAt65000) {
  ws.Cmd_flags |= CMD_AUTO;
  ws.Auto_step = 10;
  ws.Auto_line = 64990;
  store("64990 END");
  EXPECT_EQ(ws.Auto_line, LAST_LINE_NO);
  std::string prefix;
  EXPECT_FALSE(Auto_next(prefix));
  EXPECT_FALSE(ws.Cmd_flags & CMD_AUTO);
  ws.Cmd_flags |= CMD_AUTO;
  ws.Auto_line = 12340;
  ASSERT_TRUE(Auto_next(prefix));
  EXPECT_EQ(prefix, "12340 ");
}

TEST_F(LineStore, StopPointFollowsDeletedAndReplacedLines) {
  store("10 END");
  store("20 END");
  store("30 END");
  Find_line(20);
  ws.Stop_stno = 20;
  ws.Stop_ptr = ws.Str_ptr + 2;
  store_bytes(hand_line(20, {}));
  EXPECT_EQ(ws.Stop_stno, 30);
  Find_line(30);
  EXPECT_EQ(ws.Stop_ptr, ws.Str_ptr + 2);
  store("30 GOTO 10");
  Find_line(30);
  EXPECT_EQ(ws.Stop_ptr, ws.Str_ptr + 2);
  EXPECT_EQ(Delete_lines(30, 30), 1);
  EXPECT_EQ(ws.Stop_stno, LAST_LINE_NO);
}

TEST_F(LineStore, LineUnderTheCursorStaysReadableUntilLeft) {
  store("10 GOTO 10");
  Find_line(10);
  ws.Exec_ptr = ws.Str_ptr + 2;  // a running program inside line 10
  store("10 END");               // replaces its own line
  EXPECT_EQ(ws.Exec_ptr[0], code::D_GOTO);
  EXPECT_EQ(Delete_lines(10, 10), 1);
  ws.Exec_ptr = nullptr;
  store("20 END");  // the old copies are released now
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{20}));
}

TEST_F(LineStore, VariablesBecomeIndexedReferences) {
  auto src = compiled("10 LET AB=AB+1; LET S$=\"x\"");
  size_t inline_len = src.size();
  store_bytes(src);
  ASSERT_EQ(Find_line(10), 10);
  // AB (2 letters) twice and S$ (2) shrink by 1 byte each.
  EXPECT_EQ(size_t(ws.Str_len), inline_len - 3);
  EXPECT_EQ(ws.Var_index_cnt, 2u);
  EXPECT_EQ(ws.Name_cnt, 2u);
  std::vector<uint32_t> refs;
  const uint8_t* end = ws.Str_ptr + ws.Str_len;
  for (const uint8_t* p = ws.Str_ptr + 2; p < end && *p != code::EOL; p += Item_size(p, end)) {
    if (*p == code::NUM_VAR || *p == code::STR_VAR) {
      ASSERT_TRUE(p[1] & 0x80);
      refs.push_back((uint32_t(p[1] & 0x7F) << 8) | p[2]);
    }
  }
  EXPECT_EQ(refs, (std::vector<uint32_t>{0, 0, 1}));
  const uint8_t* e = Var_name_entry(1);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(e + 1), e[0]), "S$");
  EXPECT_EQ(ws.Var_index[0]->type, code::NUM_VAR);
  EXPECT_EQ(listed(10), "0010 LET AB=AB+1; LET S$=\"x\"");

  // A second line reuses the entry, also after the variables were cleared.
  Clr_variables();
  store("20 LET AB=2");
  EXPECT_EQ(ws.Var_index_cnt, 2u);
  EXPECT_NE(ws.Var_index[0], nullptr);
}

TEST_F(LineStore, TablesGrowPastTheirFirstAllocation) {
  for (int i = 0; i < 250; i++) {
    std::string s = std::to_string(10 + i) + " LET V" + std::to_string(i) + "=1";
    store(s);
  }
  EXPECT_EQ(ws.Var_index_cnt, 250u);
  EXPECT_GE(ws.Var_index_cap, 250u);
  EXPECT_EQ(listed(259), "0259 LET V249=1");
  EXPECT_EQ(listed(10), "0010 LET V0=1");
}

TEST_F(LineStore, RemarksAndFailedLinesKeepTheirText) {
  auto bad = hand_line(10, {0, 'L', 'E', 'T', 1, 'X'});  // failed line: raw source
  store_bytes(bad);
  store("20 REM AB=1");
  EXPECT_EQ(ws.Var_index_cnt, 0u);
  Find_line(10);
  EXPECT_EQ(std::vector<uint8_t>(ws.Str_ptr, ws.Str_ptr + ws.Str_len), bad);
}

TEST_F(LineStore, ClrLinesDropsEverything) {
  store("10 LET A=1");
  ws.Cmd_flags |= CMD_AUTO;
  ws.Pgm_flags |= PGM_PROTECTED | PGM_CHANGED;
  ws.Stop_stno = 10;
  Clr_lines();
  EXPECT_EQ(First_line(), LAST_LINE_NO);
  EXPECT_EQ(ws.Pgm_size, 0u);
  EXPECT_EQ(ws.Var_index_cnt, 0u);
  EXPECT_EQ(ws.Name_pool_size, 0u);
  EXPECT_EQ(ws.Pgm_flags & (PGM_PROTECTED | PGM_CHANGED), 0u);
  EXPECT_FALSE(ws.Cmd_flags & CMD_AUTO);
  EXPECT_EQ(ws.Stop_stno, 0);
}

TEST_F(LineStore, ClrLinesFromAProgramLineMovesTheCursorToEnd) {
  store("10 DELETE");
  Find_line(10);
  ws.Cur_stno = 10;
  ws.Exec_ptr = ws.Str_ptr + 3;
  Clr_lines();
  EXPECT_EQ(ws.Cur_stno, LAST_LINE_NO);
  EXPECT_EQ(*ws.Exec_ptr, code::D_END);
  ws.Cur_stno = 0;
}

TEST_F(LineStore, StoringIntoAnImageGivesItLinesOfItsOwn) {
  uint8_t image[] = {0, 4, 0, 10, code::D_END, code::EOL, 0, 4, 0xFD, 0xE8, code::D_END, code::EOL};
  uint8_t copy[sizeof image];
  std::memcpy(copy, image, sizeof image);
  ws.Pgm_image = image;
  ws.Pgm_size = sizeof image;
  store("20 END");
  EXPECT_EQ(ws.Pgm_image, nullptr);
  EXPECT_EQ(First_line(), 10);
  EXPECT_EQ(Next_line(10), 20);
  EXPECT_EQ(Next_line(20), LAST_LINE_NO);
  EXPECT_EQ(std::memcmp(image, copy, sizeof image), 0);  // the image itself is never written
}

TEST_F(LineStore, ImageSearchAndLabelIndex) {
  // records 10, 20, 65000; label 0 is at line 20 (offset 6)
  uint8_t image[] = {0, 4, 0, 10, code::D_END, code::EOL, 0, 4, 0, 20, code::D_END, code::EOL,
                     0, 4, 0xFD, 0xE8, code::D_END, code::EOL};
  uint8_t labels[] = {0, 0, 0, 6};
  ws.Pgm_image = image;
  ws.Label_tbl = labels;
  ws.Cur_line_rec = nullptr;
  EXPECT_EQ(Find_line(15), 20);
  EXPECT_EQ(ws.Str_ptr, image + 8);
  EXPECT_EQ(Find_line(5), 10);
  EXPECT_EQ(Next_line(10), 20);
  EXPECT_EQ(Next_line(20), LAST_LINE_NO);
  EXPECT_EQ(Find_line(LINE_LABEL_BIT | 0), 20);
  std::vector<uint8_t> op{code::LABEL_IDX, 0, 0, code::EOL};
  ws.Exec_ptr = op.data();
  EXPECT_EQ(Get_stno(), 20);
  ws.Pgm_image = nullptr;
  ws.Label_tbl = nullptr;
  ws.Cur_line_rec = nullptr;
}

TEST_F(LineStore, StatementReferencesAreNotLines) {
  EXPECT_EQ(error_no([] { Find_line(LINE_STMT_BIT | code::D_FOR); }), 45);
  std::vector<uint8_t> op{code::OP_MUL, code::D_FOR, code::EOL};
  ws.Exec_ptr = op.data();
  EXPECT_EQ(Get_line(), LINE_STMT_BIT | code::D_FOR);
  std::vector<uint8_t> op2{code::OP_MUL, code::EXT_DIR, code::X_REPEAT, code::EOL};
  ws.Exec_ptr = op2.data();
  EXPECT_EQ(Get_line(), LINE_STMT_BIT | (uint32_t(code::EXT_DIR) << 8) | code::X_REPEAT);
}

TEST_F(LineStore, LabelSearchStartsAtTheCurrentLineAndWraps) {
  store("10 TOP:");
  store("20 END");
  store("30 TOP:");
  std::vector<uint8_t> op{code::LABEL, 3, 't', 'o', 'p', code::EOL};
  ws.Cur_stno = 20;
  ws.Exec_ptr = op.data();
  EXPECT_EQ(Get_line(), 30u);
  EXPECT_EQ(ws.Exec_ptr, op.data() + 5);
  ws.Cur_stno = 31;  // past both: wraps to the start
  ws.Exec_ptr = op.data();
  EXPECT_EQ(Get_line(), 10u);
  std::vector<uint8_t> missing{code::LABEL, 4, 'N', 'O', 'N', 'E', code::EOL};
  ws.Exec_ptr = missing.data();
  EXPECT_EQ(error_no([] { Get_line(); }), 55);
  ws.Cur_stno = 0;
}

TEST_F(LineStore, RangesOfLines) {
  uint16_t first = 0, last = 0;
  auto range = [&](std::vector<uint8_t> ops) {
    ops.push_back(code::EOL);
    ws.Exec_ptr = ops.data();
    Get_range(first, last);
  };
  range({});
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 64999);
  range(ref(100));
  EXPECT_EQ(first, 100);
  EXPECT_EQ(last, 100);
  range(cat({ref(100), {code::COMMA}}));
  EXPECT_EQ(last, 64999);
  range(cat({{code::COMMA}, ref(200)}));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 200);
  range(cat({ref(100), {code::COMMA}, ref(65000)}));
  EXPECT_EQ(last, 64999);
  EXPECT_EQ(error_no([] {
              std::vector<uint8_t> ops = cat({ref(200), {code::COMMA}, ref(100), {code::EOL}});
              ws.Exec_ptr = ops.data();
              uint16_t f, l;
              Get_range(f, l);
            }),
            83);
}

// ---- DELETE, AUTO ----

TEST_F(LineStore, DeleteRangeAndDeleteAll) {
  for (int n = 10; n <= 50; n += 10) store(std::to_string(n) + " END");
  EXPECT_EQ(run(d_dele, cat({ref(20), {code::COMMA}, ref(35)})), 0);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 40, 50}));
  EXPECT_EQ(run(d_dele, cat({{code::COMMA}, ref(40)})), 0);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{50}));
  ws.Pgm_flags |= PGM_PROTECTED;
  EXPECT_EQ(run(d_dele, ref(50)), 52);
  EXPECT_EQ(run(d_dele, {}), 0);  // DELETE alone clears even a protected program
  EXPECT_EQ(First_line(), LAST_LINE_NO);
  EXPECT_EQ(ws.Pgm_size, 0u);
}

TEST_F(LineStore, AutoOperands) {
  EXPECT_EQ(run(d_auto, {}), 0);
  EXPECT_TRUE(ws.Cmd_flags & CMD_AUTO);
  EXPECT_EQ(ws.Auto_line, 10);
  EXPECT_EQ(ws.Auto_step, 10);
  EXPECT_EQ(run(d_auto, cat({small(1000), {code::COMMA}, small(5)})), 0);
  EXPECT_EQ(ws.Auto_line, 1000);
  EXPECT_EQ(ws.Auto_step, 5);
  EXPECT_EQ(run(d_auto, small(0)), 41);
  EXPECT_EQ(run(d_auto, cat({small(10), {code::COMMA}, small(65000)})), 41);
  ws.Pgm_flags |= PGM_PROTECTED;
  EXPECT_EQ(run(d_auto, {}), 52);
}

// ---- RENUMBER ----

TEST_F(LineStore, RenumberRewritesReferences) {
  store("1 GOTO 3");
  store("2 GOSUB 1");
  store("3 GOTO 2");
  EXPECT_EQ(run(d_reno, cat({small(100), {code::COMMA}, small(10)})), 0);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{100, 110, 120}));
  EXPECT_EQ(listed(100), "0100 GOTO 120");
  EXPECT_EQ(listed(110), "0110 GOSUB 100");
  EXPECT_EQ(listed(120), "0120 GOTO 110");
  EXPECT_TRUE(ws.Pgm_flags & PGM_CHANGED);
}

TEST_F(LineStore, RenumberDefaultsAndMissingTargets) {
  store("5 GOTO 7");   // 7 lies between 5 and 9, which become 10 and 20
  store("9 GOTO 8");   // 8 does not fit between 10 and 20: halfway
  store("12 GOTO 99");  // past the last line: stays while it still lies past it
  EXPECT_EQ(run(d_reno, {}), 0);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 20, 30}));
  EXPECT_EQ(listed(10), "0010 GOTO 15");
  EXPECT_EQ(listed(20), "0020 GOTO 15");
  EXPECT_EQ(listed(30), "0030 GOTO 99");
}

TEST_F(LineStore, RenumberOfARangeLeavesOtherReferences) {
  store("10 GOTO 1000");
  store("20 GOTO 10");
  store("30 GOTO 20");
  store("1000 GOTO 30");
  EXPECT_EQ(run(d_reno, cat({small(100), {code::COMMA}, small(5), {code::COMMA}, ref(20),
                             {code::COMMA}, ref(30)})),
            0);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 100, 105, 1000}));
  EXPECT_EQ(listed(10), "0010 GOTO 1000");
  EXPECT_EQ(listed(100), "0100 GOTO 10");
  EXPECT_EQ(listed(105), "0105 GOTO 100");
  EXPECT_EQ(listed(1000), "1000 GOTO 105");
}

TEST_F(LineStore, RenumberFailsWithoutChangingTheProgram) {
  store("10 GOTO 30");
  store("20 END");
  store("30 GOTO 10");
  ws.Pgm_flags &= ~uint32_t(PGM_CHANGED);
  EXPECT_EQ(run(d_reno, cat({small(64980), {code::COMMA}, small(10)})), 74);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 20, 30}));
  EXPECT_EQ(listed(10), "0010 GOTO 30");
  EXPECT_FALSE(ws.Pgm_flags & PGM_CHANGED);
  // Moving a range onto or past a line outside it fails the same way.
  EXPECT_EQ(run(d_reno, cat({small(25), {code::COMMA}, small(10), {code::COMMA}, ref(10),
                             {code::COMMA}, ref(20)})),
            74);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 20, 30}));
  ws.Pgm_flags |= PGM_PROTECTED;
  EXPECT_EQ(run(d_reno, {}), 52);
}

TEST_F(LineStore, RemarksSteerTheNumbering) {
  store("1 END");
  store("2 REM 500 second part");
  store("3 GOTO 2");
  store("4 REM ^1000,5");
  store("5 END");
  EXPECT_EQ(run(d_reno, {}), 0);
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 500, 510, 1000, 1005}));
  EXPECT_EQ(listed(510), "0510 GOTO 500");
}

TEST_F(LineStore, RemarkZeroKeepsNumbersAndALowNumberWarns) {
  store("1 END");
  store("2 REM 5 too low");
  store("3000 REM 0");
  store("3010 END");
  Con_flush();
  testing::internal::CaptureStdout();
  int err = run(d_reno, {});
  Con_flush();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(err, 0);
  EXPECT_EQ(out, "0020 REM 5 too low\n");
  EXPECT_EQ(numbers(), (std::vector<uint16_t>{10, 20, 3000, 3010}));
}

TEST_F(LineStore, EditScriptSteps) {
  Edit_script s("0010 PRINT X");
  s.apply({'C', "PRINT"});
  s.apply({0, " \"A\";"});
  s.apply({'D', " "});
  s.apply({'R', "Y"});
  EXPECT_EQ(s.result(), "0010 PRINT \"A\";Y");
  EXPECT_EQ(error_no([] {
              Edit_script u("0010 END");
              u.apply({'C', "X"});
            }),
            71);
  EXPECT_EQ(error_no([] {
              Edit_script u("0010 END");
              u.apply({'C', "0010 "});
              u.apply({'R', "ENDS"});
            }),
            72);
}

TEST_F(LineStore, EditScriptOnAStoredLine) {
  store("10 GOTO 10");
  std::vector<uint8_t> ops = cat({ref(10), {code::NUM_VAR, 1, 'C', code::STR_LIT, 0, 4},
                                  {'G', 'O', 'T', 'O'}, {code::NUM_VAR, 1, 'R', code::STR_LIT, 0, 3},
                                  {' ', '2', '0'}});
  Con_flush();
  testing::internal::CaptureStdout();
  int err = run(d_edit, ops);
  Con_flush();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(err, 0);
  EXPECT_EQ(out, "0010 GOTO 20\n");
  EXPECT_EQ(listed(10), "0010 GOTO 20");
  EXPECT_EQ(run(d_edit, cat({ref(15)})), 21);
  EXPECT_EQ(run(d_edit, cat({ref(10), {code::NUM_VAR, 1, 'X', code::STR_LIT, 0, 0}})), 70);
  // Removing the line number leaves nothing to store.
  EXPECT_EQ(run(d_edit, cat({ref(10), {code::NUM_VAR, 1, 'D', code::STR_LIT, 0, 5},
                             {'0', '0', '1', '0', ' '}})),
            77);
  EXPECT_EQ(listed(10), "0010 GOTO 20");
}

}  // namespace
