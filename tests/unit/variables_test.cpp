#include <gtest/gtest.h>

#include <string>

#include "core/directives.h"
#include "core/evaluator.h"
#include "expr_builder.h"

using namespace code;

namespace {

class Variables : public Eval_env {
 protected:
  static int64_t value_at(Var_node* n, int scale) {
    Num_val v = n->num;
    Set_scl(v, scale, -1);
    return v.mant;
  }
  static void let(Expr& e) {
    e.start();
    d_let();
  }
};

TEST_F(Variables, CreatedOnFirstUseWithZeroOrEmpty) {
  Var_node* a = num_var("A");
  EXPECT_EQ(a->num.mant, 0);
  EXPECT_EQ(a->type, NUM_VAR);
  EXPECT_EQ(a->flags, 0u);
  Var_node* s = str_var("A$");
  EXPECT_EQ(s->str, nullptr);
  EXPECT_NE(static_cast<void*>(a), static_cast<void*>(s));
  EXPECT_EQ(num_var("A"), a);
}

TEST_F(Variables, NamesAreCaseBlind) {
  Var_node* a = num_var("ABC");
  EXPECT_EQ(num_var("abc"), a);
  EXPECT_EQ(num_var("AbC"), a);
  EXPECT_NE(num_var("ABCD"), a);
  EXPECT_NE(num_var("AB"), a);
}

TEST_F(Variables, GlobalsAreSeparateAndSurviveClearing) {
  Var_node* g = num_var("%A");
  Var_node* l = num_var("A");
  EXPECT_NE(g, l);
  g->num = Num_val{7, 0, 0};
  Clr_variables();
  EXPECT_EQ(num_var("%A"), g);
  EXPECT_EQ(num_var("%A")->num.mant, 7);
  EXPECT_EQ(Look_var_name(NUM_VAR, reinterpret_cast<const uint8_t*>("A"), 1), nullptr);
}

TEST_F(Variables, IntegerVariablesTruncate) {
  EXPECT_TRUE(num_var("X%")->flags & VF_INTEGER);
  EXPECT_TRUE(num_var("%G%")->flags & VF_INTEGER);
  EXPECT_FALSE(num_var("%G")->flags & VF_INTEGER);
  Expr a;
  a.var("X%").op(OP_EQ).lit(27, 1).op(COMMA).var("Y%").op(OP_EQ).op(OP_SUB).lit(27, 1);
  let(a);
  EXPECT_EQ(value_at(num_var("X%"), 0), 2);
  EXPECT_EQ(value_at(num_var("Y%"), 0), -2);
  EXPECT_EQ(num_var("X%")->num.scale, 0);
}

TEST_F(Variables, ManyNamesInOrderStayFindable) {
  std::vector<Var_node*> nodes;
  for (int i = 0; i < 2000; i++) nodes.push_back(num_var(("V" + std::to_string(10000 + i)).c_str()));
  for (int i = 0; i < 2000; i++) ASSERT_EQ(num_var(("V" + std::to_string(10000 + i)).c_str()), nodes[size_t(i)]);
  // A rebuilt tree is shallow: the deepest node is well within 2 * log2(n).
  auto depth = [](auto&& self, Var_node* n) -> int {
    return n ? 1 + std::max(self(self, n->left), self(self, n->right)) : 0;
  };
  EXPECT_LE(depth(depth, ws.Loc_num_tree), 40);
}

TEST_F(Variables, IndexedReferencesResolveThroughTheNameTable) {
  uint8_t pool[] = {3, 'T', 'O', 'T', 2, 'N', '$'};
  uint16_t index[] = {0, 4};
  Var_node* slots[2] = {};
  ws.Name_pool = pool;
  ws.Name_index = index;
  ws.Var_index = slots;
  ws.Name_cnt = ws.Var_index_cnt = 2;
  num_var("TOT")->num = Num_val{42, 0, 0};
  Expr e;  // TOT via index 0, then N$ via index 1
  e.op(NUM_VAR, 0x80).op(0).op(COMMA).op(STR_VAR, 0x80).op(1);
  e.start();
  Get_value();
  EXPECT_EQ(ws.Num_acc.mant, 42);
  EXPECT_EQ(slots[0], num_var("TOT"));
  EXPECT_EQ(*ws.Exec_ptr, COMMA);
  ws.Exec_ptr++;
  Get_value();
  EXPECT_EQ(slots[1], str_var("N$"));
  Expr bad;  // index beyond the table
  bad.op(NUM_VAR, 0x80).op(5);
  bad.start();
  EXPECT_EQ(error_of([] { Get_value(); }), 49);
  Clr_variables();
  EXPECT_EQ(slots[0], nullptr);
  ws.Name_pool = nullptr;
  ws.Name_index = nullptr;
  ws.Var_index = nullptr;
  ws.Name_cnt = ws.Var_index_cnt = 0;
}

TEST_F(Variables, AccessMasks) {
  Var_node* a = num_var("A");
  a->read_mask = 4;
  ws.Var_mask = ~4u;
  Expr e;
  e.var("A");
  e.start();
  EXPECT_EQ(error_of([] { Eval_val(); }), 61);
  a->read_mask = 0;
  a->write_mask = 4;
  Expr l;
  l.var("A").op(OP_EQ).num(1);
  l.start();
  EXPECT_EQ(error_of([] { d_let(); }), 61);
  ws.Var_mask = 0xFFFFFFFF;
  let(l);
  EXPECT_EQ(value_at(a, 0), 1);
}

TEST_F(Variables, ReadOnlyIsError61ButAssignedIsNot) {
  Expr l;
  l.var("A").op(OP_EQ).num(1);
  let(l);
  EXPECT_EQ(num_var("A")->flags & VF_ASSIGNED, VF_ASSIGNED);
  let(l);  // assigned twice: still assignable
  num_var("A")->flags |= VF_READ_ONLY;
  l.start();
  EXPECT_EQ(error_of([] { d_let(); }), 61);
}

TEST_F(Variables, LetRoundsToPrecision) {
  Expr a;  // A = 1.235
  a.var("A").op(OP_EQ).lit(1235, 3);
  let(a);
  EXPECT_EQ(num_var("A")->num.scale, 2);
  EXPECT_EQ(value_at(num_var("A"), 2), 124);
  ws.Num_flags = NF_ROUND;  // ROUND on: stored as it is
  let(a);
  EXPECT_EQ(value_at(num_var("A"), 3), 1235);
  ws.Num_flags = 0;
  ws.Prm.RN = 2;  // only after + and -: a plain literal is kept
  let(a);
  EXPECT_EQ(value_at(num_var("A"), 3), 1235);
  Expr b;  // B = 1.235 + 0
  b.var("B").op(OP_EQ).lit(1235, 3).op(OP_ADD).num(0);
  let(b);
  EXPECT_EQ(value_at(num_var("B"), 2), 124);
}

TEST_F(Variables, LetSeveralTargetsAndTypeChecks) {
  Expr a;  // A = 1, B$ = "X", C = A + 1
  a.var("A").op(OP_EQ).num(1).op(COMMA).var("B$").op(OP_EQ).str("X").op(COMMA).var("C").op(OP_EQ).var("A").op(OP_ADD).num(1);
  let(a);
  EXPECT_EQ(value_at(num_var("C"), 0), 2);
  EXPECT_EQ(str_of(str_var("B$")), "X");
  EXPECT_EQ(*ws.Exec_ptr, EOL);
  Expr b;
  b.var("B$").op(OP_EQ).num(1);
  b.start();
  EXPECT_EQ(error_of([] { d_let(); }), 26);
  Expr c;
  c.var("A").op(OP_EQ).str("1");
  c.start();
  EXPECT_EQ(error_of([] { d_let(); }), 26);
  Expr d;  // A 1: no "="
  d.var("A").num(1);
  d.start();
  EXPECT_EQ(error_of([] { d_let(); }), 20);
}

TEST_F(Variables, SubstringAssignmentReplacesThatPart) {
  Var_node* s = str_var("A$");
  auto assign = [&](int start, int len, const std::string& text) {
    set_str(s, "HELLO");
    Expr e;
    e.var("A$").op(LPAREN).num(uint16_t(start));
    if (len >= 0) e.op(COMMA).num(uint16_t(len));
    e.op(RPAREN).op(OP_EQ).str(text);
    let(e);
    return str_of(s);
  };
  EXPECT_EQ(assign(2, 3, "ipp"), "HippO");
  EXPECT_EQ(assign(2, 3, ""), "HO");
  EXPECT_EQ(assign(2, 3, "ELLOWORL"), "HELLOWORLO");
  EXPECT_EQ(assign(2, -1, "i!"), "Hi!");
  EXPECT_EQ(assign(6, -1, "!"), "HELLO!");
  EXPECT_EQ(assign(1, 0, ">"), ">HELLO");
  EXPECT_EQ(assign(1, -1, ""), "");
  EXPECT_EQ(s->str, nullptr);
  set_str(s, "HELLO");
  Expr e;  // A$(2, 5) = "x": past the end
  e.var("A$").op(LPAREN).num(2).op(COMMA).num(5).op(RPAREN).op(OP_EQ).str("x");
  e.start();
  EXPECT_EQ(error_of([] { d_let(); }), 47);
  EXPECT_EQ(str_of(s), "HELLO");
}

TEST_F(Variables, SelfReferencingAssignments) {
  Var_node* s = str_var("A$");
  set_str(s, "ABCDEF");
  Expr a;  // A$ = A$(3): the new text lies inside the old block
  a.var("A$").op(OP_EQ).var("A$").op(LPAREN).num(3).op(RPAREN);
  let(a);
  EXPECT_EQ(str_of(s), "CDEF");
  Expr b;  // A$(2, 1) = A$
  b.var("A$").op(LPAREN).num(2).op(COMMA).num(1).op(RPAREN).op(OP_EQ).var("A$");
  let(b);
  EXPECT_EQ(str_of(s), "CCDEFEF");
}

TEST_F(Variables, StringBlocksAreReusedOrTakenOver) {
  Var_node* s = str_var("A$");
  set_str(s, "0123456789");  // capacity 64
  Str_blk* blk = s->str;
  Expr a;
  a.var("A$").op(OP_EQ).str("abc");
  let(a);
  EXPECT_EQ(s->str, blk);  // 61 spare bytes: reused
  EXPECT_EQ(str_of(s), "abc");

  Expr b;  // a concatenation past 200 bytes is handed over, not copied
  b.var("A$").op(OP_EQ).str(std::string(150, 'x')).op(OP_ADD).str(std::string(150, 'y'));
  b.start();
  d_let();
  EXPECT_EQ(ws.Tmp_strs, nullptr);
  EXPECT_EQ(str_of(s), std::string(150, 'x') + std::string(150, 'y'));
  Ret_temp();
  EXPECT_EQ(s->str->len, 300u);
}

TEST_F(Variables, FixedLengthStringsKeepTheirLength) {
  Var_node* s = str_var("F$");
  set_str(s, "ABCDE");
  s->flags |= VF_FIXED;
  Expr a;
  a.var("F$").op(OP_EQ).str("xy");
  let(a);
  EXPECT_EQ(str_of(s), "xy   ");
  Expr b;
  b.var("F$").op(OP_EQ).str("123456789");
  let(b);
  EXPECT_EQ(str_of(s), "12345");
  Expr c;  // a substring of it: that stretch only
  c.var("F$").op(LPAREN).num(2).op(COMMA).num(2).op(RPAREN).op(OP_EQ).str("Z");
  let(c);
  EXPECT_EQ(str_of(s), "1Z 45");
}

TEST_F(Variables, StoreNumForTheFastPath) {
  Var_node* a = num_var("A");
  ws.Num_acc = Num_val{12345, 4, 0};
  ws.Math_flags = 0;
  Store_num(a, &a->num);
  EXPECT_EQ(value_at(a, 2), 123);
  EXPECT_EQ(a->flags & VF_ASSIGNED, VF_ASSIGNED);
  Var_node* i = num_var("I%");
  ws.Num_acc = Num_val{-19, 1, 0};
  Store_num(i, &i->num);
  EXPECT_EQ(value_at(i, 0), -1);
}

}  // namespace
