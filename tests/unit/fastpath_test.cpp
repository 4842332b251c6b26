// Agreement of the executor's and evaluator's fast paths with the general
// ones.  A stored line refers to its variables by index, which is what the
// fast paths take; the same statement typed at the console names them in
// line, and LET always assigns through the general path.  Each case runs a
// statement both ways from the same start and compares every value, flag and
// error number.  (Storing a line creates its variables, so a variable may
// exist on one side only; unassigned, it reads as zero on both.)
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

struct Num_seen {
  bool exists = false;
  uint32_t assigned = 0;
  int64_t mant = 0;
  int scale = 0;
  bool operator==(const Num_seen&) const = default;
};

struct Str_seen {
  bool exists = false;
  bool fixed = false;
  std::string text;
  bool operator==(const Str_seen&) const = default;
};

struct Outcome {
  int err = 0;
  std::vector<Num_seen> nums;
  std::vector<Str_seen> strs;
};

class FastPathTest : public Console_env {
 protected:
  int32_t max_strlen = 0;
  uint32_t var_mask = 0;

  void SetUp() override {
    max_strlen = ws.Max_strlen;
    var_mask = ws.Var_mask;
    Console_env::SetUp();
  }
  void TearDown() override {
    Console_env::TearDown();
    ws.Max_strlen = max_strlen;
    ws.Var_mask = ws.Var_mask_glob = var_mask;
  }
  static Var_node* var(uint8_t type, const std::string& name) {
    return Look_var_name(type, reinterpret_cast<const uint8_t*>(name.data()), int(name.size()));
  }
  static Outcome observe(int err, const std::vector<std::string>& nums,
                         const std::vector<std::string>& strs) {
    Outcome o;
    o.err = err;
    for (const std::string& n : nums) {
      Num_seen s;
      if (Var_node* v = var(code::NUM_VAR, n)) {
        s.exists = true;
        s.assigned = v->flags & VF_ASSIGNED;
        s.mant = v->num.mant;
        s.scale = v->num.scale;
      }
      o.nums.push_back(s);
    }
    for (const std::string& n : strs) {
      Str_seen s;
      if (Var_node* v = var(code::STR_VAR, n)) {
        s.exists = true;
        s.fixed = (v->flags & VF_FIXED) != 0;
        if (v->str) s.text.assign(reinterpret_cast<const char*>(v->str->bytes()), v->str->len);
      }
      o.strs.push_back(s);
    }
    return o;
  }

  using Hook = std::function<void()>;

  // The statement as line 10 of a program, run after setup (and hook).
  Outcome stored(const std::string& setup, const std::string& stmt, const std::vector<std::string>& nums,
                 const std::vector<std::string>& strs = {}, const Hook& hook = nullptr) {
    fresh();
    if (!setup.empty()) type(setup);
    EXPECT_EQ(ws.Err_no, 0) << setup;
    type("10 " + stmt);
    if (hook) hook();
    ws.Err_no = 0;
    type("RUN");
    Outcome o = observe(ws.Err_no, nums, strs);
    ws.Var_mask = ws.Var_mask_glob = var_mask;
    return o;
  }
  // The same statement typed at the console.
  Outcome typed(const std::string& setup, const std::string& stmt, const std::vector<std::string>& nums,
                const std::vector<std::string>& strs = {}, const Hook& hook = nullptr) {
    fresh();
    if (!setup.empty()) type(setup);
    EXPECT_EQ(ws.Err_no, 0) << setup;
    if (hook) hook();
    ws.Err_no = 0;
    type(stmt);
    Outcome o = observe(ws.Err_no, nums, strs);
    ws.Var_mask = ws.Var_mask_glob = var_mask;
    return o;
  }
  void same_strings(const std::string& setup, const std::string& loop) {
    Outcome o = stored(setup, loop, {}, {"S$", "T$"});
    EXPECT_EQ(o.err, 0) << loop;
    EXPECT_GT(o.strs[0].text.size(), 0u) << loop;
    EXPECT_EQ(o.strs[0].text, o.strs[1].text) << loop;
  }
  void agree(const std::string& setup, const std::string& stmt, const std::vector<std::string>& nums,
             const std::vector<std::string>& strs = {}, const Hook& hook = nullptr) {
    Outcome a = stored(setup, stmt, nums, strs, hook);
    Outcome b = typed(setup, stmt, nums, strs, hook);
    EXPECT_EQ(a.err, b.err) << setup << " | " << stmt;
    for (size_t i = 0; i < nums.size(); i++) {
      EXPECT_EQ(a.nums[i].assigned, b.nums[i].assigned) << setup << " | " << stmt << " | " << nums[i];
      EXPECT_EQ(a.nums[i].mant, b.nums[i].mant) << setup << " | " << stmt << " | " << nums[i];
      EXPECT_EQ(a.nums[i].scale, b.nums[i].scale) << setup << " | " << stmt << " | " << nums[i];
    }
    for (size_t i = 0; i < strs.size(); i++)
      EXPECT_TRUE(a.strs[i].text == b.strs[i].text && a.strs[i].fixed == b.strs[i].fixed)
          << setup << " | " << stmt << " | " << strs[i] << ": \"" << a.strs[i].text << "\" against \""
          << b.strs[i].text << "\"";
  }
};

const std::vector<std::string> kValues = {"0",
                                          "1",
                                          "-1",
                                          "2147483647",
                                          "-2147483648",
                                          "2147483648",
                                          "-2147483649",
                                          "999999999999999999",
                                          "-999999999999999999",
                                          "3000000000*3000000000",
                                          "-3000000000*3000000000",
                                          "0.5",
                                          "-0.25",
                                          "1.005",
                                          "123456.789",
                                          "0.0001",
                                          "1E20"};

TEST_F(FastPathTest, StoredProgramsUseIndexedReferences) {
  // The premise of every case below: a stored line reaches its variables
  // through ws.Var_index, a typed one does not.
  fresh();
  type("10 X=X+1");
  EXPECT_GT(ws.Var_index_cnt, 0u);
  type("RUN");
  EXPECT_EQ(ws.Err_no, 0);
  ASSERT_NE(var(code::NUM_VAR, "X"), nullptr);
  EXPECT_EQ(var(code::NUM_VAR, "X")->num.mant, 1);
}

TEST_F(FastPathTest, AddSubtractAndCompareAgreeForEveryPair) {
  const std::string stmt =
      "C=A+B; D=A-B; E=A=B; F=A<>B; G=A<=B; H=A>=B; J=A>B; K=A<B; L% =A+B; M=A; N=A+1; P=A-2.5; Q=3<A; "
      "R=-1+B";
  const std::vector<std::string> names = {"C", "D",  "E", "F", "G", "H", "J",
                                          "K", "L%", "M", "N", "P", "Q", "R"};
  for (const std::string& a : kValues)
    for (const std::string& b : kValues) agree("PRECISION 4; A=" + a + "; B=" + b, stmt, names);
}

TEST_F(FastPathTest, PrecisionAndRoundingConditionsAgree) {
  struct Mode {
    int precision;
    uint16_t rn;
  };
  const Mode modes[] = {{2, 1},         {0, 1},      {2, 1 | 2},     {2, 2},
                        {1, 2 | 0x200}, {1, 1 | 64}, {3, 1 | 0x200}, {0, 1 | 2 | 64 | 0x200},
                        {2, 0},         {0, 64}};
  const std::vector<std::string> vals = {"1.005",    "-2.675",       "0.125",  "7",
                                         "123.4567", "2147483647.5", "-0.0049"};
  const std::vector<std::string> names = {"C", "D", "E", "G", "K", "L%", "M"};
  for (const Mode& m : modes)
    for (const std::string& a : vals)
      for (const std::string& b : vals) {
        std::string prec = "PRECISION " + std::to_string(m.precision);
        Hook rn = [&] { ws.Prm.RN = m.rn; };
        agree("PRECISION 4; A=" + a + "; B=" + b, prec + "; C=A+B; D=A-B; E=A=B; G=A<=B; K=A<B; L% =A-B; M=A",
              names, {}, rn);
      }
}

TEST_F(FastPathTest, IntegerTargetsTruncate) {
  for (const std::string& a : kValues)
    agree("PRECISION 4; A=" + a, "I% =A; J% =A+0.75; K% =A-0.75", {"I%", "J%", "K%"});
}

TEST_F(FastPathTest, ArrayElementsAgreeInAndOutOfRange) {
  const char* dims[] = {"DIM A[5]", "DIM A[2:6]", "DIM A[2,3]", "DIM A[-3:1]"};
  const char* subs[] = {"-4", "-1", "0", "1", "2", "3", "5", "6", "7", "2.7", "-0.5", "2147483648", "100000"};
  for (const char* d : dims)
    for (const char* i : subs)
      agree(std::string(d) + "; A[ALL]=7; S=1.5; I=" + i,
            "S=S+A[I]; T=A[I]-1; U=A[2]; V=A[I]<A[2]; W=A[I]+I; X=A[I]", {"S", "T", "U", "V", "W", "X"});
}

TEST_F(FastPathTest, ElementsOfAnUndimensionedVariableAreErrors) {
  agree("A=3; I=1", "S=A[I]", {"S"});
  agree("A=3; I=1", "S=A+I; T=A[1]", {"S", "T"});
}

TEST_F(FastPathTest, ReadOnlyTargetKeepsItsValue) {
  auto read_only = [&] { var(code::NUM_VAR, "R")->flags |= VF_READ_ONLY; };
  agree("R=5; I=1", "R=R+I", {"R"}, {}, read_only);
  agree("R=5; I=1", "R=7", {"R"}, {}, read_only);
  Outcome o = stored("R=5; I=1", "R=R+I", {"R"}, {}, read_only);
  EXPECT_EQ(o.err, 61);
  EXPECT_EQ(o.nums[0].mant, 5);
}

TEST_F(FastPathTest, AccessMasksAreChecked) {
  auto guard_write = [&] {
    var(code::NUM_VAR, "W")->write_mask = 2;
    ws.Var_mask = ws.Var_mask_glob = ~2u;
  };
  agree("W=5; I=1", "W=W+I", {"W"}, {}, guard_write);
  agree("W=5; I=1", "X=W+I", {"X"}, {}, guard_write);
  auto guard_read = [&] {
    var(code::NUM_VAR, "I")->read_mask = 2;
    ws.Var_mask = ws.Var_mask_glob = ~2u;
  };
  agree("W=5; I=1", "W=W+I", {"W"}, {}, guard_read);
  agree("W=5; I=1", "W=I", {"W"}, {}, guard_read);
  agree("DIM A[3]; W=5; I=1", "W=A[I]", {"W"}, {}, guard_read);
  Outcome o = stored("W=5; I=1", "W=W+I", {"W"}, {}, guard_read);
  EXPECT_EQ(o.err, 61);
}

// String appends: "S$=S$+..." appends in place; LET takes the general path.
// A loop needs a stored program, so both run in the same one (same_strings):
// S$ is built by the fast path, T$ the same way by the general one.
TEST_F(FastPathTest, AppendsAgreeWithTheGeneralPathAcrossCapacities) {
  const std::string body[] = {
      "S$=S$+\"ab\"; LET T$=T$+\"ab\"",
      "S$=S$+X$+\"c\"; LET T$=T$+X$+\"c\"",
      "S$=S$+$414243$; LET T$=T$+$414243$",
      "S$=S$+E$+\"q\"; LET T$=T$+E$+\"q\"",
  };
  for (const std::string& b : body)
    for (int n : {1, 3, 4, 27, 28, 29, 124, 125, 300})
      same_strings("X$=\"xyz\"; E$=\"\"", "FOR K=1 TO " + std::to_string(n) + "; " + b + "; NEXT K");
}

TEST_F(FastPathTest, AppendsThatReadTheTargetSeeItsOldValue) {
  const std::string body[] = {
      "S$=S$+S$; LET T$=T$+T$",
      "S$=S$+\"-\"+S$; LET T$=T$+\"-\"+T$",
      "S$=S$+S$(2,3); LET T$=T$+T$(2,3)",
      "S$=S$+S$(LEN(S$)); LET T$=T$+T$(LEN(T$))",
  };
  for (const std::string& b : body)
    for (int n : {1, 2, 3, 5, 9})
      same_strings("S$=\"abcd\"; T$=S$", "FOR K=1 TO " + std::to_string(n) + "; " + b + "; NEXT K");
  // Both ways agree with the plain string arithmetic.
  Outcome o = stored("S$=\"ab\"", "FOR K=1 TO 3; S$=S$+\"-\"+S$; NEXT K", {}, {"S$"});
  std::string want = "ab";
  for (int k = 0; k < 3; k++) want = want + "-" + want;
  EXPECT_EQ(o.err, 0);
  EXPECT_EQ(o.strs[0].text, want);
}

TEST_F(FastPathTest, AppendToAnEmptyOrUnsetString) {
  agree("", "S$=S$+\"a\"", {}, {"S$"});
  agree("", "S$=S$+E$", {}, {"S$", "E$"});
  agree("S$=\"q\"", "S$=S$+\"\"", {}, {"S$"});
  agree("", "S$=S$+1", {}, {"S$"});  // error 26 either way
}

TEST_F(FastPathTest, AppendPastTheMaximumLengthIsRefused) {
  // (The limit also applies to the typed lines, so it stays above theirs.)
  auto small = [] { ws.Max_strlen = 30; };
  const std::string s29 = "S$=\"" + std::string(29, 'n') + "\"";
  const std::string s28 = "S$=\"" + std::string(28, 'n') + "\"";
  agree(s29, "S$=S$+\"ab\"", {}, {"S$"}, small);
  agree(s28, "S$=S$+\"ab\"", {}, {"S$"}, small);
  agree(s28, "S$=S$+\"a\"+\"b\"", {}, {"S$"}, small);
  agree(s29 + "; B$=\"xy\"", "S$=S$+B$", {}, {"S$"}, small);
  Outcome o = stored(s29, "S$=S$+\"ab\"", {}, {"S$"}, small);
  EXPECT_EQ(o.err, 46);
  EXPECT_EQ(o.strs[0].text, std::string(29, 'n'));
  o = stored(s28, "S$=S$+\"ab\"", {}, {"S$"}, small);
  EXPECT_EQ(o.err, 0);
  EXPECT_EQ(o.strs[0].text, std::string(28, 'n') + "ab");
}

TEST_F(FastPathTest, AppendToAReadOnlyOrFixedStringFollowsItsRules) {
  auto read_only = [&] { var(code::STR_VAR, "S$")->flags |= VF_READ_ONLY; };
  agree("S$=\"abc\"", "S$=S$+\"d\"", {}, {"S$"}, read_only);
  auto fixed = [&] { var(code::STR_VAR, "S$")->flags |= VF_FIXED; };
  agree("S$=\"abc\"", "S$=S$+\"d\"", {}, {"S$"}, fixed);
  agree("S$=\"abc\"", "S$=S$+S$", {}, {"S$"}, fixed);
  Outcome o = stored("S$=\"abc\"", "S$=S$+\"d\"", {}, {"S$"}, fixed);
  EXPECT_EQ(o.strs[0].text, "abc");  // the length stays
}

TEST_F(FastPathTest, AppendToAnElementOrSubstringTarget) {
  agree("DIM S$[3]; S$[1]=\"ab\"", "S$[1]=S$[1]+\"c\"", {}, {"S$"});
  agree("S$=\"abcdef\"", "S$(2,2)=S$(2,2)+\"x\"", {}, {"S$"});
  agree("S$=\"abc\"; T$=\"uv\"", "S$=T$+S$; T$=T$+S$, S$=S$+T$", {}, {"S$", "T$"});
}

// Compound assignment: the stored "X op= e" (num_compound_fast) against the
// typed one (general path), and both against "X = X op (e)" where the
// operator alone decides the result.
TEST_F(FastPathTest, CompoundNumbersAgreeForEveryPair) {
  const char* ops[] = {"+", "-", "*", "/", "^", " MOD"};
  for (const char* op : ops)
    for (const std::string& a : kValues)
      for (const std::string& b : {std::string("0"), std::string("1"), std::string("-0.25"),
                                   std::string("2147483647"), std::string("3")}) {
        std::string stmt = std::string("C") + op + "=B; I%" + op + "=B";
        agree("PRECISION 4; A=" + a + "; B=" + b + "; C=A; I% =A", stmt, {"C", "I%"});
      }
  for (const std::string& a : kValues) {
    Outcome x = stored("A=" + a + "; B=3; C=A", "C+=B; D=A; D=D+B", {"C", "D"});
    EXPECT_EQ(x.nums[0], x.nums[1]) << a;
    x = stored("A=" + a + "; B=3; C=A", "C-=B*2; D=A; D=D-B*2", {"C", "D"});
    EXPECT_EQ(x.nums[0], x.nums[1]) << a;
  }
}

TEST_F(FastPathTest, CompoundRoundingAndReadOnlyAgree) {
  Hook rn = [] { ws.Prm.RN = 1 | 64; };
  for (const char* v : {"1.005", "-2.675", "0.125", "123.4567"})
    agree(std::string("PRECISION 4; C=") + v, "PRECISION 2; C+=0.001; D=1; D/=3", {"C", "D"}, {}, rn);
  auto read_only = [&] { var(code::NUM_VAR, "R")->flags |= VF_READ_ONLY; };
  agree("R=5", "R+=1", {"R"}, {}, read_only);
}

TEST_F(FastPathTest, CompoundAppendAgreesAcrossCapacities) {
  for (int n : {1, 27, 28, 29, 124, 125, 300})
    same_strings("X$=\"xyz\"", "FOR K=1 TO " + std::to_string(n) + "; S$+=\"ab\"+X$; LET T$+=\"ab\"+X$; NEXT K");
  auto small = [] { ws.Max_strlen = 30; };
  const std::string s29 = "S$=\"" + std::string(29, 'n') + "\"";
  agree(s29, "S$+=\"ab\"", {}, {"S$"}, small);
  agree(s29, "S$*=2", {}, {"S$"}, small);
  agree("S$=\"abc\"", "S$+=S$; S$*=2; S$*=0", {}, {"S$"});
  auto fixed = [&] { var(code::STR_VAR, "S$")->flags |= VF_FIXED; };
  agree("S$=\"abc\"", "S$+=\"d\"", {}, {"S$"}, fixed);
  agree("S$=\"abc\"", "S$*=3", {}, {"S$"}, fixed);
}

// FOR and NEXT against the same loop written with WHILE.
TEST_F(FastPathTest, ForLoopsCrossing32BitsAgreeWithWhileLoops) {
  struct Loop {
    const char* from;
    const char* to;
    const char* step;
  };
  const Loop loops[] = {{"2147483640", "2147483650", "1"},
                        {"-2147483640", "-2147483655", "-1"},
                        {"2147483000", "2147484000", "97"},
                        {"0.5", "3", "0.25"},
                        {"1", "2", "0.3"},
                        {"2147483647", "2147483647", "1"},
                        {"-5", "5", "2.5"},
                        {"10", "1", "-3"}};
  for (const Loop& l : loops) {
    std::string f =
        std::string("N=0; FOR I=") + l.from + " TO " + l.to + " STEP " + l.step + "; N=N+1; NEXT I";
    std::string w = std::string("M=0; J=") + l.from + "; WHILE (" + l.step + ">0 AND J<=" + l.to + ") OR (" +
                    l.step + "<0 AND J>=" + l.to + "); M=M+1; J=J+" + l.step + "; WEND";
    Outcome a = stored("", f + "; " + w, {"N", "I", "M", "J"});
    EXPECT_EQ(a.err, 0) << f;
    EXPECT_EQ(a.nums[0], a.nums[2]) << f;
    EXPECT_EQ(a.nums[1].mant, a.nums[3].mant) << f;
    EXPECT_EQ(a.nums[1].scale, a.nums[3].scale) << f;
  }
}

TEST_F(FastPathTest, NextOfAnotherVariableIsError28) {
  Outcome o = stored("", "FOR I=1 TO 2; NEXT J", {"I"});
  EXPECT_EQ(o.err, 28);
  o = stored("", "FOR I=1 TO 2; X=X+I; NEXT I", {"X"});
  EXPECT_EQ(o.err, 0);
  EXPECT_EQ(o.nums[0].mant, 3);
}

}  // namespace
