#include <gtest/gtest.h>

#include "core/evaluator.h"
#include "expr_builder.h"

using namespace code;

namespace {

class Evaluator : public Eval_env {};

int64_t eval_int(Expr& e) {
  e.start();
  Eval_val();
  Num_val v = ws.Num_acc;
  Set_scl(v, 0, -1);
  return v.mant;
}

TEST_F(Evaluator, PrecedenceAndAssociativity) {
  Expr a;  // 2 + 3 * 4
  a.num(2).op(OP_ADD).num(3).op(OP_MUL).num(4);
  EXPECT_EQ(eval_int(a), 14);
  Expr b;  // 10 - 4 - 3
  b.num(10).op(OP_SUB).num(4).op(OP_SUB).num(3);
  EXPECT_EQ(eval_int(b), 3);
  Expr c;  // 2 ^ 3 ^ 2
  c.num(2).op(OP_POW).num(3).op(OP_POW).num(2);
  EXPECT_EQ(eval_int(c), 64);
  Expr d;  // 2 * 3 ^ 2 - 1
  d.num(2).op(OP_MUL).num(3).op(OP_POW).num(2).op(OP_SUB).num(1);
  EXPECT_EQ(eval_int(d), 17);
  Expr e;  // 7 MOD 3 * 2: same level, left first
  e.num(7).op(OP_MOD).num(3).op(OP_MUL).num(2);
  EXPECT_EQ(eval_int(e), 2);
  Expr f;  // (2 + 3) * 4
  f.op(LPAREN).num(2).op(OP_ADD).num(3).op(RPAREN).op(OP_MUL).num(4);
  EXPECT_EQ(eval_int(f), 20);
  Expr g;  // -2 + 5, unary minus on the operand only
  g.op(OP_SUB).num(2).op(OP_ADD).num(5);
  EXPECT_EQ(eval_int(g), 3);
  Expr h;  // 1 + 2 > 2: comparisons bind loosest
  h.num(1).op(OP_ADD).num(2).op(OP_GT).num(2);
  EXPECT_EQ(eval_int(h), 1);
}

TEST_F(Evaluator, CursorStopsOnEndingCode) {
  Expr a;
  a.num(1).op(OP_ADD).num(2).op(COMMA).num(9);
  a.start();
  Eval_val();
  EXPECT_EQ(*ws.Exec_ptr, COMMA);
}

TEST_F(Evaluator, Literals) {
  Expr a;
  a.lit(15, 1);  // 1.5
  a.start();
  Eval_val();
  EXPECT_EQ(acc_at(1), 15);
  Expr b;
  b.op(EXP_LIT).op(uint8_t(int8_t(-3))).op(0, 0).op(0, 0).op(0, 1);  // 1E3
  EXPECT_EQ(eval_int(b), 1000);
  Expr c;
  c.str("AB");
  c.start();
  EXPECT_EQ(Get_value(), 2);
  EXPECT_EQ(acc_string(), "AB");
  Expr d;
  d.op(MNEM_LIT, 'C').op('S');
  d.start();
  EXPECT_EQ(Get_value(), 3);
  EXPECT_EQ(acc_string(), "\x1b" "CS");
}

TEST_F(Evaluator, ParenthesesRoundWithRn256AndRestoreConditions) {
  ws.Prm.RN = 0x100;
  Expr a;  // (1.234)
  a.op(LPAREN).lit(1234, 3).op(RPAREN);
  a.start();
  ws.Math_flags = 0;
  Eval_val();
  EXPECT_EQ(acc_at(2), 123);
  Expr b;  // (1 + 2): the addition's condition does not leak out
  b.op(LPAREN).num(1).op(OP_ADD).num(2).op(RPAREN);
  b.start();
  ws.Math_flags = 0;
  Eval_val();
  EXPECT_EQ(ws.Math_flags, 0u);
}

TEST_F(Evaluator, OperatorResultsRoundWithRn64) {
  ws.Prm.RN = 64;
  Expr a;  // 1.234 * 1
  a.lit(1234, 3).op(OP_MUL).num(1);
  a.start();
  Eval_val();
  EXPECT_EQ(ws.Num_acc.scale, 2);
  EXPECT_EQ(acc_at(2), 123);
}

TEST_F(Evaluator, StringComparisons) {
  struct Case {
    const char* l;
    const char* r;
    uint8_t op;
    int truth;
  } cases[] = {
      {"AB", "ABC", OP_LT, 1},   {"ABC", "AB", OP_GT, 1},   {"AB", "AB", OP_EQ, 1},
      {"AB", "AB", OP_LE, 1},    {"AB", "AB", OP_GE, 1},    {"AB", "AB", OP_NE, 0},
      {"a", "B", OP_GT, 1},      {"\x80", "A", OP_GT, 1},   {"B", "AZZ", OP_GT, 1},
      {"", "A", OP_LT, 1},       {"", "", OP_EQ, 1},        {"ABD", "ABC", OP_LE, 0},
  };
  for (const Case& k : cases) {
    Expr e;
    e.str(k.l).op(k.op).str(k.r);
    e.start();
    Eval_val();
    EXPECT_EQ(ws.Str_len, -1);
    EXPECT_EQ(ws.Num_acc.mant, k.truth) << '"' << k.l << "\" op " << int(k.op) << " \"" << k.r << '"';
  }
}

TEST_F(Evaluator, StringComparisonAfterConcatenation) {
  Expr a;  // "A" + "B" = "AB" AND 1
  a.str("A").op(OP_ADD).str("B").op(OP_EQ).str("AB").op(OP_AND).num(1);
  EXPECT_EQ(eval_int(a), 1);
  Expr b;  // "AB" = "A" + "B": the right side concatenates too
  b.str("AB").op(OP_EQ).str("A").op(OP_ADD).str("B");
  EXPECT_EQ(eval_int(b), 1);
  Expr c;  // Eval_formula: a string compared becomes a number
  c.str("X").op(OP_LT).str("Y");
  c.start();
  Eval_formula();
  EXPECT_EQ(ws.Str_len, -1);
  EXPECT_EQ(ws.Num_acc.mant, 1);
}

TEST_F(Evaluator, TypeMismatches) {
  Expr a;  // "A" used as a number
  a.str("A");
  a.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 26);
  Expr b;  // 1 + "A"
  b.num(1).op(OP_ADD).str("A");
  b.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 26);
  Expr c;  // a number as a string
  c.num(1);
  c.start();
  EXPECT_EQ(error_of([] { Eval_str(); }), 26);
  Expr d;  // "A" = 1
  d.str("A").op(OP_EQ).num(1);
  d.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 26);
  Expr e;  // "A" * "B"
  e.str("A").op(OP_MUL).str("B");
  e.start();
  EXPECT_EQ(error_of([] { Eval_formula(); }), 26);
  Expr f;  // -"A"
  f.op(OP_SUB).str("A");
  f.start();
  EXPECT_EQ(error_of([] { Eval_formula(); }), 26);
}

TEST_F(Evaluator, UnexpectedCodesAndMissingParts) {
  Expr a;
  a.op(COMMA);
  a.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 49);
  Expr b;  // ( 1 without ")"
  b.op(LPAREN).num(1);
  b.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 49);
  Expr c;  // a code that is no operand
  c.op(LABEL_END);
  c.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 49);
  Expr d;  // a subscript list without its "]"
  d.var("Q").op(LBRACKET).num(1);
  d.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 49);
}

TEST_F(Evaluator, LogicalOperators) {
  Expr a;  // 3 > 2 AND 2 > 3
  a.num(3).op(OP_GT).num(2).op(OP_AND).num(2).op(OP_GT).num(3);
  EXPECT_EQ(eval_int(a), 0);
  Expr b;  // 0 OR 5: a true right side becomes 1
  b.num(0).op(OP_OR).num(5);
  EXPECT_EQ(eval_int(b), 1);
  Expr c;  // 7 AND 1
  c.num(7).op(OP_AND).num(1);
  EXPECT_EQ(eval_int(c), 1);
  Expr d;  // 1 OR 0 AND 0: left to right
  d.num(1).op(OP_OR).num(0).op(OP_AND).num(0);
  EXPECT_EQ(eval_int(d), 0);
}

// An element of an array that was never dimensioned raises error 42 when
// evaluated, so it shows whether the right side was skipped.
TEST_F(Evaluator, ShortCircuitSkipsTheRightSide) {
  Expr a;  // 0 AND FN(A$) + 1
  a.num(0).op(OP_AND).var("Q").op(LBRACKET).num(1).op(RBRACKET).op(OP_ADD).num(1);
  EXPECT_EQ(eval_int(a), 0);
  EXPECT_EQ(*ws.Exec_ptr, EOL);
  Expr b;  // 1 OR FN(A$)
  b.num(1).op(OP_OR).var("Q").op(LBRACKET).num(1).op(RBRACKET);
  EXPECT_EQ(eval_int(b), 1);
  Expr c;  // 0 AND FN(A$) AND FN(A$) OR 1: skipping stops at OR
  c.num(0).op(OP_AND).var("Q").op(LBRACKET).num(1).op(RBRACKET).op(OP_AND).var("Q").op(LBRACKET).num(1).op(RBRACKET).op(OP_OR).num(1);
  EXPECT_EQ(eval_int(c), 1);
  Expr d;  // 1 AND FN(A$): evaluated
  d.num(1).op(OP_AND).var("Q").op(LBRACKET).num(1).op(RBRACKET);
  d.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 42);
}

TEST_F(Evaluator, Integers) {
  Expr a;
  a.lit(25, 1);
  a.start();
  EXPECT_EQ(error_of([] { Eval_integer(); }), 41);
  Expr b;  // 2.0 is an integer
  b.lit(20, 1);
  b.start();
  EXPECT_EQ(Eval_integer(), 2);
  Expr c;
  c.lit(3000000000);
  c.start();
  EXPECT_EQ(error_of([] { Eval_integer(); }), 41);
  Expr d;  // -2147483648 fits
  d.op(OP_SUB).lit(2147483648);
  d.start();
  EXPECT_EQ(Eval_integer(), INT32_MIN);
  Expr e;  // 1.235 * 100 = 123.5 -> 124
  e.lit(1235, 3);
  e.start();
  EXPECT_EQ(Eval_int100(), 124);
  Expr f;
  f.num(5);
  f.start();
  EXPECT_EQ(error_of([] { Eval_range(1, 4); }), 41);
  f.start();
  EXPECT_EQ(Eval_range(1, 0), 5);  // hi below lo: no upper bound

  EXPECT_EQ(To_integer(Num_val{25, 1, 0}), 3);
  EXPECT_EQ(To_integer(Num_val{-25, 1, 0}), -3);
  EXPECT_EQ(To_integer(Num_val{24, 1, 0}), 2);
  EXPECT_EQ(error_of([] { To_integer(Num_val{5, -10, 0}); }), 41);
}

TEST_F(Evaluator, ShortConcatenationStaysInTheWorkArea) {
  Expr a;
  a.str("AB").op(OP_ADD).str("CD").op(OP_ADD).str("");
  a.start();
  Eval_str();
  EXPECT_EQ(acc_string(), "ABCD");
  EXPECT_GE(ws.Str_ptr, ws.Work_base);
  EXPECT_LT(ws.Str_ptr, ws.Work_end);
  EXPECT_EQ(ws.Tmp_strs, nullptr);
}

TEST_F(Evaluator, LongConcatenationUsesATemporary) {
  std::string x(150, 'x'), y(150, 'y'), z(500, 'z');
  Expr a;
  a.str(x).op(OP_ADD).str(y).op(OP_ADD).str(z);
  a.start();
  Eval_str();
  EXPECT_EQ(acc_string(), x + y + z);
  ASSERT_NE(ws.Tmp_strs, nullptr);
  EXPECT_EQ(ws.Str_ptr, ws.Tmp_strs->bytes());
  EXPECT_EQ(ws.Tmp_strs->len, 800u);
  EXPECT_EQ(ws.Tmp_strs->link, nullptr);  // the outgrown block was released
  EXPECT_TRUE(ws.Run_flags & RF_TEMPS);
  Ret_temp();
  EXPECT_EQ(ws.Tmp_strs, nullptr);
  EXPECT_FALSE(ws.Run_flags & RF_TEMPS);
}

TEST_F(Evaluator, ConcatenationLongerThanTheMaximumIsError46) {
  ws.Max_strlen = 250;
  Expr a;
  a.str(std::string(200, 'a')).op(OP_ADD).str(std::string(51, 'b'));
  a.start();
  EXPECT_EQ(error_of([] { Eval_str(); }), 46);
  Expr b;
  b.str(std::string(200, 'a')).op(OP_ADD).str(std::string(50, 'b'));
  b.start();
  Eval_str();
  EXPECT_EQ(ws.Str_len, 250);
}

TEST_F(Evaluator, Variables) {
  num_var("X")->num = Num_val{5, 0, 0};
  set_str(str_var("S$"), "HI");
  Expr a;  // X * 2 + new variable Y (0)
  a.var("X").op(OP_MUL).num(2).op(OP_ADD).var("Y");
  EXPECT_EQ(eval_int(a), 10);
  Expr b;
  b.var("S$").op(OP_ADD).var("T$");  // T$ is created empty
  b.start();
  Eval_str();
  EXPECT_EQ(acc_string(), "HI");
  EXPECT_EQ(ws.Cur_var, str_var("T$"));
}

TEST_F(Evaluator, Substrings) {
  Var_node* n = str_var("A$");
  set_str(n, "HELLO");
  auto sub = [](int start, int len) {
    Expr e;
    e.var("A$").op(LPAREN).num(uint16_t(start));
    if (len >= 0) e.op(COMMA).num(uint16_t(len));
    e.op(RPAREN);
    e.start();
    Eval_str();
    return acc_string();
  };
  EXPECT_EQ(sub(2, -1), "ELLO");
  EXPECT_EQ(ws.Str_ptr, n->str->bytes() + 1);  // no copy
  EXPECT_EQ(ws.Sub_pos, 1);
  EXPECT_EQ(ws.Sub_len, 5);
  EXPECT_TRUE(ws.Var_flags & VAR_SUBSTRING);
  EXPECT_EQ(ws.Cur_var, n);
  EXPECT_EQ(sub(2, 3), "ELL");
  EXPECT_EQ(sub(5, 1), "O");
  EXPECT_EQ(sub(6, -1), "");
  EXPECT_EQ(sub(6, 0), "");
  int err = 0;
  try { sub(6, 1); } catch (const Oru_error& e) { err = e.no; }
  EXPECT_EQ(err, 47);
  err = 0;
  try { sub(7, -1); } catch (const Oru_error& e) { err = e.no; }
  EXPECT_EQ(err, 47);
  err = 0;
  try { sub(0, 1); } catch (const Oru_error& e) { err = e.no; }
  EXPECT_EQ(err, 47);
  err = 0;
  try { sub(0, 0); } catch (const Oru_error& e) { err = e.no; }
  EXPECT_EQ(err, 47);
  ws.Prm.I0 = true;  // start 0 with length 0 is allowed with I0
  EXPECT_EQ(sub(0, 0), "");

  Expr neg;  // A$(2, -1)
  neg.var("A$").op(LPAREN).num(2).op(COMMA).op(OP_SUB).num(1).op(RPAREN);
  neg.start();
  EXPECT_EQ(error_of([] { Eval_str(); }), 47);
}

TEST_F(Evaluator, SubstringOutOfRangeInsideIfWithP47) {
  set_str(str_var("A$"), "HELLO");
  uint8_t if_stmt = D_IF;
  ws.Stmt_ptr = &if_stmt;
  Expr e;
  e.var("A$").op(LPAREN).num(6).op(COMMA).num(1).op(RPAREN);
  e.start();
  EXPECT_EQ(error_of([] { Eval_str(); }), 47);
  ws.Prm.P47 = true;
  e.start();
  Eval_str();
  EXPECT_EQ(ws.Str_len, 0);
  uint8_t print_stmt = D_PRINT;
  ws.Stmt_ptr = &print_stmt;  // only inside IF
  e.start();
  EXPECT_EQ(error_of([] { Eval_str(); }), 47);
}

TEST_F(Evaluator, SubstringInUtf8CountsCharacters) {
  set_str(str_var("A$"), "a\xc3\xa9z!");  // a, e-acute, z, !
  ws.Utf8_mode = 16;
  Expr e;
  e.var("A$").op(LPAREN).num(2).op(COMMA).num(2).op(RPAREN);
  e.start();
  Eval_str();
  ws.Utf8_mode = 0;
  EXPECT_EQ(acc_string(), "\xc3\xa9z");
}

TEST_F(Evaluator, PostfixIncrementIsPendingUntilApplied) {
  Var_node* x = num_var("X");
  x->num = Num_val{5, 0, 0};
  Expr a;  // X++ + 1
  a.var("X").op(INC_DEC, INC_KIND).op(OP_ADD).num(1);
  EXPECT_EQ(eval_int(a), 6);
  EXPECT_EQ(x->num.mant, 5);
  EXPECT_TRUE(ws.Run_flags & RF_INCDEC);
  Do_incrdecr();
  EXPECT_FALSE(ws.Run_flags & RF_INCDEC);
  Num_val v = x->num;
  Set_scl(v, 0, -1);
  EXPECT_EQ(v.mant, 6);
}

TEST_F(Evaluator, PrefixDecrementUsesTheNewValue) {
  Var_node* x = num_var("X");
  x->num = Num_val{5, 0, 0};
  Expr a;  // --X * 2
  a.op(INC_DEC, DEC_KIND).var("X").op(OP_MUL).num(2);
  EXPECT_EQ(eval_int(a), 8);
  Do_incrdecr();
  Num_val v = x->num;
  Set_scl(v, 0, -1);
  EXPECT_EQ(v.mant, 4);
  Expr b;  // ++S$
  b.op(INC_DEC, INC_KIND).var("S$");
  b.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 26);
}

TEST_F(Evaluator, PendingListHasALimit) {
  Expr a;
  for (uint32_t i = 0; i <= INCDEC_MAX; i++) {
    if (i) a.op(OP_ADD);
    a.var("X").op(INC_DEC, INC_KIND);
  }
  a.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 30);
}

}  // namespace
