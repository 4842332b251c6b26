// Arrays, associative arrays, localisation frames, access masks and the
// grammar of DIM, REDIM, LOCAL, CLEAR and whole-array assignments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/compiler.h"
#include "core/directives.h"
#include "core/evaluator.h"
#include "core/hash_table.h"
#include "core/lexicon.h"
#include "core/lister.h"
#include "expr_builder.h"

using namespace code;

namespace {

class Arrays : public Eval_env {
 protected:
  static void SetUpTestSuite() {
    ws.Lib_dir = ORU_TEST_LIBDIR;
    ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  }
  void SetUp() override {
    Eval_env::SetUp();
    ws.Con_flags = CON_MODE;
  }
  void TearDown() override {
    Delocalize_all();
    ws.Iter_on = false;
    Eval_env::TearDown();
  }

  // Compiles one console statement and runs it through its directive (or
  // LET for an assignment); returns the error number, 0 when none.
  int run(const std::string& src) {
    std::vector<uint8_t> out;
    int err = Compile_text(src, out);
    EXPECT_EQ(err, 0) << src;
    if (err) return -1;
    code_ = out;
    ws.Exec_ptr = code_.data() + 2;
    ws.Stmt_ptr = ws.Exec_ptr;
    try {
      while (*ws.Exec_ptr != EOL) {
        uint8_t c = *ws.Exec_ptr;
        if (c == STMT_SEP) {
          ws.Exec_ptr++;
          ws.Stmt_ptr = ws.Exec_ptr;
          continue;
        }
        if (c == NUM_VAR || c == STR_VAR) {
          d_let();
        } else if (c == INC_DEC) {
          Get_value();
        } else if (c == D_LET) {
          ws.Exec_ptr++;
          d_let();
        } else if (c == D_DIM) {
          ws.Exec_ptr++;
          d_dim();
        } else if (c == EXT_DIR && ws.Exec_ptr[1] == X_LOCAL) {
          ws.Exec_ptr += 2;
          d_locl();
        } else if (c == EXT_DIR && ws.Exec_ptr[1] == X_REDIM) {
          ws.Exec_ptr += 2;
          d_rdim();
        } else {
          ADD_FAILURE() << "statement not handled here: " << src;
          return -1;
        }
        if (ws.Incdec_cnt) Do_incrdecr();
      }
    } catch (const Oru_error& e) {
      if (ws.Incdec_cnt) Do_incrdecr();
      return e.no;
    }
    return 0;
  }
  // The value of a numeric expression, as mantissa at scale 0.
  int64_t num(const std::string& expr) {
    run("ZZ_=" + expr);
    Num_val v = num_var("ZZ_")->num;
    Set_scl(v, 0, 1);
    return v.mant;
  }
  std::string str(const std::string& expr) {
    run("ZZ_$=" + expr);
    return str_of(str_var("ZZ_$"));
  }
  std::vector<uint8_t> code_;
};

TEST_F(Arrays, DimMakesZeroedElementsFromBaseToBound) {
  EXPECT_EQ(run("DIM A[5]"), 0);
  Var_node* a = num_var("A");
  EXPECT_EQ(Var_count(a), 6u);
  EXPECT_EQ(a->base[0], 0);
  EXPECT_EQ(num("A[0]+A[5]"), 0);
  EXPECT_EQ(run("A[5]=7; A[0]=2"), 0);
  EXPECT_EQ(num("A[5]*10+A[0]"), 72);
  EXPECT_EQ(run("X=A[6]"), 42);
  EXPECT_EQ(run("X=A[-1]"), 42);
  // round brackets are subscripts after a numeric name
  EXPECT_EQ(num("A(5)"), 7);
}

TEST_F(Arrays, BadDimensionsAreError41) {
  EXPECT_EQ(run("DIM A[1:0]"), 41);
  EXPECT_EQ(run("DIM A[-1]"), 41);
  EXPECT_EQ(run("DIM A[10000000]"), 41);       // 10,000,001 elements
  EXPECT_EQ(run("DIM A[9999999]"), 0);         // exactly the limit
  EXPECT_EQ(run("DIM A[3000,3000,3]"), 41);    // the product passes the limit
  EXPECT_EQ(run("DIM A[-20000000:-19999999]"), 41);
  EXPECT_EQ(run("DIM A[1.5]"), 41);
  EXPECT_EQ(run("DIM A$[2](-1)"), 41);
}

TEST_F(Arrays, DimPastTheMemoryLimitFlagsTheExecutor) {
  int64_t limit = ws.Mem_limit;
  ws.Mem_limit = ws.Mem_used + 1000000;
  ws.Run_flags &= ~RF_MEM_LIMIT;
  EXPECT_EQ(run("DIM A[999999]"), 0);
  EXPECT_TRUE(ws.Run_flags & RF_MEM_LIMIT);  // the executor refuses the next statement (31)
  ws.Run_flags &= ~RF_MEM_LIMIT;
  ws.Mem_limit = limit;
}

TEST_F(Arrays, RangesAndThreeDimensions) {
  EXPECT_EQ(run("DIM B[1:3,-1:1,2]"), 0);
  Var_node* b = num_var("B");
  EXPECT_EQ(Var_count(b), 27u);
  EXPECT_EQ(run("B[3,1,2]=9; B[1,-1,0]=1; B[2,0,1]=5"), 0);
  EXPECT_EQ(Num_elem(b, 26)->mant, 9);
  EXPECT_EQ(Num_elem(b, 0)->mant, 1);
  EXPECT_EQ(Num_elem(b, 9 + 3 + 1)->mant, 5);
  EXPECT_EQ(run("X=B[0,0,0]"), 42);
  EXPECT_EQ(run("X=B[1,2,0]"), 42);
  EXPECT_EQ(run("X=B[1,0,3]"), 42);
  EXPECT_EQ(run("X=B[1,0,0,0]"), 42);
  // missing subscripts count as the dimension's base: B[3] is B[3,-1,0]
  EXPECT_EQ(run("B[3]=4"), 0);
  EXPECT_EQ(num("B[3,-1,0]"), 4);
}

TEST_F(Arrays, NoStorageIsError42) {
  EXPECT_EQ(run("X=Q[1]"), 42);
  EXPECT_EQ(run("Q[1]=1"), 42);
  EXPECT_EQ(run("DIM Q[2]; DIM Q; X=Q[1]"), 42);
}

TEST_F(Arrays, StringElementsAndSubstrings) {
  EXPECT_EQ(run("DIM S$[2]"), 0);
  EXPECT_EQ(run("S$[1]=\"HELLO\"; S$[2]=S$[1]+\"!\""), 0);
  EXPECT_EQ(str("S$[2]"), "HELLO!");
  EXPECT_EQ(str("S$[1](2,3)"), "ELL");
  EXPECT_EQ(run("S$[1](2,3)=\"a\""), 0);
  EXPECT_EQ(str("S$[1]"), "HaO");
  EXPECT_EQ(str("S$[0]"), "");
  EXPECT_EQ(run("S$[1](5)=\"x\""), 47);
  EXPECT_EQ(run("S$[1]=1"), 26);
}

TEST_F(Arrays, StringLengthClauseFills) {
  EXPECT_EQ(run("DIM F$[1](3,\"*\"), G$(4), H$(2,\"\")"), 0);
  EXPECT_EQ(str("F$[0]+F$[1]"), "******");
  EXPECT_EQ(str("G$"), "    ");
  EXPECT_EQ(str("H$"), std::string(2, char(32)));  // +P fill byte, a blank by default
  EXPECT_EQ(run("DIM E$(0)"), 0);
  EXPECT_EQ(str("E$"), "");
}

TEST_F(Arrays, IntegerArraysTruncate) {
  EXPECT_EQ(run("DIM I%[2]; I%[1]=2.7; I%[2]=-2.7"), 0);
  EXPECT_EQ(num("I%[1]*10+I%[2]"), 18);
  EXPECT_EQ(Num_elem(num_var("I%"), 1)->scale, 0);
}

TEST_F(Arrays, IncrementAndDecrementElements) {
  EXPECT_EQ(run("DIM C[3]; C[1]=5"), 0);
  EXPECT_EQ(run("C[1]++; C[2]--; ++C[3]"), 0);
  EXPECT_EQ(num("C[1]*100+C[2]*10+C[3]"), 600 - 10 + 1);
  // the post-increment yields the old value; the index is evaluated once
  EXPECT_EQ(run("I=1; X=C[I]++ + 0"), 0);
  EXPECT_EQ(num("X*10+C[1]"), 67);
}

TEST_F(Arrays, PendingIncrementIntoFreedStorageIsDropped) {
  // A[1]++ is queued, then DIM frees the storage in the same statement: the
  // queued step must not write into the freed block.
  EXPECT_EQ(run("DIM A[2]; A[1]=1"), 0);
  EXPECT_EQ(run("DIM A[A[1]++]"), 0);
  EXPECT_EQ(Var_count(num_var("A")), 2u);
  EXPECT_EQ(ws.Incdec_cnt, 0u);
}

TEST_F(Arrays, RedimKeepsElementsInsideBothBounds) {
  EXPECT_EQ(run("DIM R[1:5]; R[1]=1; R[3]=3; R[5]=5"), 0);
  EXPECT_EQ(run("REDIM R[3:8]"), 0);
  EXPECT_EQ(num("R[3]*100+R[5]*10+R[8]"), 350);
  EXPECT_EQ(run("X=R[1]"), 42);
  EXPECT_EQ(run("DIM T$[2,2]; T$[1,1]=\"a\"; T$[2,2]=\"b\"; T$[0,2]=\"c\""), 0);
  EXPECT_EQ(run("REDIM T$[1:3,1]"), 0);
  EXPECT_EQ(str("T$[1,1]+T$[2,1]+T$[3,1]"), "a");
  EXPECT_EQ(run("X$=T$[2,2]"), 42);
  // REDIM needs an ordinary array
  EXPECT_EQ(run("REDIM NONE[3]"), 42);
  EXPECT_EQ(run("K$[\"x\"]=\"1\"; REDIM K$[3]"), 42);
}

TEST_F(Arrays, AssociativeArrays) {
  EXPECT_EQ(run("P$[\"one\"]=\"1\"; P$[\"two\"]=\"2\"; P$[\"one\"]=P$[\"one\"]+\"!\""), 0);
  Var_node* p = str_var("P$");
  EXPECT_EQ(Var_count(p), 2u);
  EXPECT_EQ(p->base[0], 1);
  EXPECT_EQ(str("P$[\"one\"]+P$[\"two\"]"), "1!2");
  // elements are numbered from 1 in the order of their keys' arrival
  EXPECT_EQ(str("P$[2]"), "2");
  EXPECT_EQ(run("X$=P$[3]"), 42);
  // a string subscript on an ordinary array is error 42
  EXPECT_EQ(run("DIM N[3]; N[\"a\"]=1"), 42);
  // growth past the first bucket count keeps the elements
  for (int i = 0; i < 300; i++) ASSERT_EQ(run("V[\"k" + std::to_string(i) + "\"]=" + std::to_string(i)), 0);
  EXPECT_EQ(num("V[\"k0\"]+V[\"k299\"]+V[\"k64\"]"), 363);
  EXPECT_EQ(Var_count(num_var("V")), 300u);
}

TEST_F(Arrays, AssociativeTargetSurvivesGrowthOnTheRightSide) {
  for (int i = 0; i < 63; i++) ASSERT_EQ(run("W$[\"k" + std::to_string(i) + "\"]=\"v\""), 0);
  // the right side adds the 64th and 65th keys, moving the storage
  EXPECT_EQ(run("W$[\"k0\"]=W$[\"new\"]+W$[\"new2\"]+\"x\""), 0);
  EXPECT_EQ(str("W$[\"k0\"]"), "x");
}

TEST_F(Arrays, WholeArrayAssignment) {
  EXPECT_EQ(run("DIM A[3]; A[ALL]=7"), 0);
  EXPECT_EQ(num("A[0]+A[1]+A[2]+A[3]"), 28);
  // the right side is evaluated anew for each element
  EXPECT_EQ(run("I=0; A[ALL]=I++"), 0);
  EXPECT_EQ(num("A[0]*1000+A[1]*100+A[2]*10+A[3]"), 123);
  // a whole array on the right supplies the element of the same index; a
  // target without elements takes the source's dimensions
  EXPECT_EQ(run("B[ALL]=A[ALL]*2"), 0);
  EXPECT_EQ(Var_count(num_var("B")), 4u);
  EXPECT_EQ(num("B[3]"), 6);
  EXPECT_EQ(run("A[ALL]++"), 0);
  EXPECT_EQ(num("A[3]"), 4);
  // a shorter source is error 42
  EXPECT_EQ(run("DIM S[1]; A[ALL]=S[ALL]"), 42);
  // outside a whole-array assignment there is no running element
  EXPECT_EQ(run("X=A[ALL]"), 42);
  EXPECT_EQ(run("Y[ALL]=1"), 42);
  EXPECT_EQ(run("DIM T$[1]; T$[ALL]=\"ab\"; T$[ALL](2,1)=\"X\""), 0);
  EXPECT_EQ(str("T$[0]+T$[1]"), "aXaX");
}

TEST_F(Arrays, TemporaryArrays) {
  for (int i = 0; i < 6; i++) {
    std::string name = "T" + std::to_string(i) + "$";
    ASSERT_EQ(run("DIM " + name + "[2](5)"), 0);
    Ret_temp_array(str_var(name.c_str()));
    EXPECT_FALSE(Is_array(str_var(name.c_str())));
  }
  EXPECT_EQ(ws.Tmp_arr_cnt, 5u);  // the sixth was cleared at once
  Ret_temp();
  EXPECT_EQ(ws.Tmp_arr_cnt, 0u);
}

TEST_F(Arrays, CopyArrayDuplicatesAndTruncates) {
  EXPECT_EQ(run("DIM A[1:2]; A[1]=1.5; A[2]=-2.5; K$[\"x\"]=\"v\""), 0);
  Copy_Array(num_var("B%"), num_var("A"));
  EXPECT_EQ(num("B%[1]*10+B%[2]"), 8);
  Copy_Array(str_var("L$"), str_var("K$"));
  EXPECT_EQ(run("K$[\"x\"]=\"changed\""), 0);
  EXPECT_EQ(str("L$[\"x\"]"), "v");
  EXPECT_EQ(Var_count(str_var("L$")), 1u);
  EXPECT_THROW(Copy_Array(str_var("L$"), num_var("A")), Oru_error);
}

TEST_F(Arrays, ReadOnlyAndAccessMasks) {
  EXPECT_EQ(run("DIM A[2]; X=1"), 0);
  num_var("A")->flags |= VF_READ_ONLY;
  EXPECT_EQ(run("A[1]=1"), 61);
  EXPECT_EQ(run("DIM A[3]"), 61);
  EXPECT_EQ(run("REDIM A[3]"), 61);
  EXPECT_EQ(run("LOCAL A"), 61);
  EXPECT_EQ(num("A[1]"), 0);
  Var_node* x = num_var("X");
  x->read_mask = 4;
  x->write_mask = 2;
  ws.Var_mask = ~4u;
  EXPECT_EQ(run("Y=X"), 61);
  ws.Var_mask = ~2u;
  EXPECT_EQ(run("Y=X"), 0);
  EXPECT_EQ(run("X=2"), 61);
  ws.Var_mask = 0xFFFFFFFF;
  EXPECT_EQ(run("X=2"), 0);
}

TEST_F(Arrays, LocalSavesAndRestores) {
  EXPECT_EQ(run("X=5; S$=\"outer\"; DIM A[2]; A[1]=9"), 0);
  Loc_frame* mark = ws.Loc_chain;
  // the initial value sees the outer X
  EXPECT_EQ(run("LOCAL X=X+1, S$, Y"), 0);
  EXPECT_EQ(num("X"), 6);
  EXPECT_EQ(str("S$"), "");
  EXPECT_EQ(run("LOCAL DIM A[5]"), 0);
  EXPECT_EQ(Var_count(num_var("A")), 6u);
  EXPECT_EQ(num("A[1]"), 0);
  EXPECT_EQ(run("S$=\"inner\"; X=100; A[5]=1"), 0);
  Delocalize_to(mark);
  EXPECT_EQ(ws.Loc_chain, mark);
  EXPECT_EQ(num("X"), 5);
  EXPECT_EQ(str("S$"), "outer");
  EXPECT_EQ(Var_count(num_var("A")), 3u);
  EXPECT_EQ(num("A[1]"), 9);
}

TEST_F(Arrays, LocalOfAnIntegerKeepsTruncating) {
  EXPECT_EQ(run("N% =3; LOCAL N%=2.9"), 0);
  EXPECT_EQ(num("N%*10"), 20);
  Delocalize_var();
  EXPECT_EQ(num("N%"), 3);
}

TEST_F(Arrays, FramesOfClearedVariablesAreDropped) {
  EXPECT_EQ(run("S$=\"a\"; DIM Q$[3]; Q$[1]=\"q\""), 0);
  EXPECT_EQ(run("LOCAL S$=\"b\"; LOCAL DIM Q$[1]"), 0);
  Clr_var();  // pops every frame first
  EXPECT_EQ(ws.Loc_chain, nullptr);
  EXPECT_EQ(run("LOCAL S$=\"x\""), 0);
  // freeing the tree under a frame cuts the frame loose
  Clr_tree(ws.Loc_str_tree);
  ws.Loc_str_tree = nullptr;
  Delocalize_all();
  EXPECT_EQ(ws.Loc_chain, nullptr);
}

TEST_F(Arrays, TemporaryFramesPopDownToTheirMark) {
  Var_node* a = num_var("A");
  Var_node* b = num_var("B");
  a->num.mant = 1;
  b->num.mant = 2;
  Loc_frame* fa = Localize_var(a);
  a->flags |= VF_LOCAL_TEMP;
  Localize_var(b);
  b->flags |= VF_LOCAL_TEMP;
  a->num.mant = 10;
  b->num.mant = 20;
  Delocalize_temp(fa);
  EXPECT_EQ(a->num.mant, 1);
  EXPECT_EQ(b->num.mant, 2);
  EXPECT_FALSE(a->flags & VF_LOCAL_TEMP);
  EXPECT_EQ(ws.Loc_chain, nullptr);
}

TEST_F(Arrays, MalformedLocalIsError92) {
  // compiled by hand: the grammar never produces these
  Expr e;
  e.num(5);
  e.start();
  EXPECT_EQ(error_of(d_locl), 92);
  Expr f;
  f.var("X").num(5);
  f.start();
  EXPECT_EQ(error_of(d_locl), 92);
}

class ArrayGrammar : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ws.Lib_dir = ORU_TEST_LIBDIR;
    ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  }
  void SetUp() override { ws.Con_flags = CON_MODE; }
};

TEST_F(ArrayGrammar, FormsRoundTrip) {
  // source, and its listing when that differs (the lister sets a blank
  // after every ":", as after a label)
  const char* lines[][2] = {
      {"0010 DIM A[5],B$[1:3,2],C$(10),D$[4](8,\"*\")", "0010 DIM A[5],B$[1: 3,2],C$(10),D$[4](8,\"*\")"},
      {"0010 DIM E[1:2,-3:3,5]", "0010 DIM E[1: 2,-3: 3,5]"},
      {"0010 DIM X", nullptr},
      {"0010 REDIM A[10],B$[0:4,2]", "0010 REDIM A[10],B$[0: 4,2]"},
      {"0010 LOCAL X,Y$=\"a\",Z=Z+1", nullptr},
      {"0010 LOCAL DIM A[3],S$(5)", nullptr},
      {"0010 CLEAR", nullptr},
      {"0010 CLEAR A,B$,C[ALL]", nullptr},
      {"0010 LET A[ALL]=B[ALL]*2", nullptr},
      {"0010 LET S$[ALL](1,1)=\"x\"", nullptr},
      {"0010 LET A[ALL]++", nullptr},
      {"0010 A[1,2]=A[2,1]+1", nullptr},
      {"0010 A$[\"key\"]=\"v\"", nullptr},
      {"0010 IF X THEN LET A[ALL]=0", nullptr},
  };
  for (auto& l : lines) {
    std::vector<uint8_t> out;
    ASSERT_EQ(Compile_text(l[0], out), 0) << l[0];
    std::string text = Decompile_text(out.data(), out.size());
    EXPECT_EQ(text, l[1] ? l[1] : l[0]);
    std::vector<uint8_t> again;
    ASSERT_EQ(Compile_text(text, again), 0) << text;
    EXPECT_EQ(again, out) << l[0];
  }
}

TEST_F(ArrayGrammar, ImpliedWholeArrayAssignmentBecomesLet) {
  std::vector<uint8_t> out;
  ASSERT_EQ(Compile_text("10 A[ALL]=0", out), 0);
  EXPECT_EQ(out[2], D_LET);
  EXPECT_EQ(Decompile_text(out.data(), out.size()), "0010 LET A[ALL]=0");
  ASSERT_EQ(Compile_text("10 A[1]=0", out), 0);
  EXPECT_EQ(out[2], NUM_VAR);
}

TEST_F(ArrayGrammar, BadFormsAreSyntaxErrors) {
  std::vector<uint8_t> out;
  EXPECT_EQ(Compile_text("DIM 5", out), 20);
  EXPECT_EQ(Compile_text("DIM A[]", out), 20);
  EXPECT_EQ(Compile_text("DIM A(5", out), 20);
  EXPECT_EQ(Compile_text("REDIM A", out), 20);
  EXPECT_EQ(Compile_text("LOCAL 1", out), 20);
  EXPECT_EQ(Compile_text("CLEAR 1", out), 20);
}

}  // namespace
