// The key and record functions (KEY( KEF( KEL( KEN( KEC( KEP( IND( RCD(
// RNO() on a keyed channel, written every way the compiler takes them: each
// form must run, answering a value, end of file (2) or a missing record
// (11), never an internal code error (49) or a refused option.  Options
// that mean nothing to these functions must not compile.  Then the file
// information functions FIB( and FIN( of keyed channels.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "console_env.h"
#include "core/codes.h"
#include "core/decimal.h"
#include "core/line_store.h"
#include "core/params.h"
#include "core/variables.h"
#include "test_util.h"

namespace {

class Key_function_forms : public Console_env {
 protected:
  Scratch_dir dir;
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    ASSERT_TRUE(dir.enter("oru_keyfn_"));
    // Key 0: two segments (1 + 3 bytes of field 1); key 1: field 2.
    type("KEYED \"k\",\"[1:1:1]+[1:2:3],[2:1:4]\",0,40");
    type("OPEN (1)\"k\"");
    type("WRITE (1)\"B002\",\"aaaa\"");
    type("WRITE (1)\"A001\",\"cccc\"");
    type("WRITE (1)\"C003\",\"bbbb\"");
    type("CLOSE (1)");
  }
  void TearDown() override {
    Cls_all();
    EXPECT_TRUE(dir.leave());
    Console_env::TearDown();
  }
  // Runs stmt as line 10 of a program on a fresh channel; the error it
  // stopped with (0 when none; 20 for a line kept in error), or -1 when the
  // line was not stored.
  int run(const std::string& stmt) {
    Clr_lines();
    Clr_variables();
    type("5 SETERR 900");
    type("6 LET E=0; OPEN (1)\"k\"");
    type("10 " + stmt);
    type("890 END");
    type("900 LET E=ERR");
    type("910 END");
    if (Find_line(10) != 10) return -1;
    type("RUN");
    Cls_all();
    return num("E");
  }
  static int num(const char* name) {
    Var_node* n = Look_var_name(code::NUM_VAR, u(name), int(std::strlen(name)));
    return n ? int(Val_to_dbl(n->num)) : -1;
  }
};

struct Fn {
  const char* name;
  bool numeric;
};
const Fn functions[] = {{"KEY(", false}, {"KEF(", false}, {"KEL(", false}, {"KEN(", false}, {"KEC(", false},
                        {"KEP(", false}, {"IND(", true},  {"RCD(", false}, {"RNO(", true}};

const char* option_forms[] = {
    "",
    ",KNO=0",
    ",KNO=1",
    ",KNO=\"#1\"",
    ",KEY=\"B002\"",
    ",KEY=\"B\":\"002\"",
    ",KEY=\"A\"",
    ",KNO=1,KEY=\"bbbb\"",
    ",KEY=\"bbbb\",KNO=1",
    ",RNO=2",
    ",KNO=1,RNO=3",
    ",DOM=900",
    ",END=900",
    ",ERR=900",
    ",KNO=1,ERR=900",
    ",KEY=\"B002\",DOM=900,END=900,ERR=900",
};

TEST_F(Key_function_forms, EveryFormThatCompilesRuns) {
  for (const Fn& fn : functions) {
    for (const char* opts : option_forms) {
      std::string call = std::string(fn.name) + "1" + opts + ")";
      std::string stmt = fn.numeric ? "LET R=" + call : "LET R$=" + call;
      int e = run(stmt);
      SCOPED_TRACE(stmt);
      EXPECT_NE(e, -1) << "does not compile";
      EXPECT_TRUE(e == 0 || e == 2 || e == 11) << "error " << e;
    }
  }
}

TEST_F(Key_function_forms, OptionsOfOtherStatementsDoNotCompile) {
  for (const char* bad : {"KEL(1,OPT=\"x\")", "KEY(1,TBL=10)", "KEF(1,SIZ=4)", "KEC(1,TIM=2)", "KEN(1,SEP=\",\")",
                          "RCD(1,REC=A$)", "KEL(1,ERR=900,KNO=1)", "KEP(1,5)"}) {
    SCOPED_TRACE(bad);
    int e = run(std::string("LET R$=") + bad);
    EXPECT_TRUE(e == -1 || e == 20) << "error " << e;  // refused, or kept as a line in error
  }
}

TEST_F(Key_function_forms, ValuesFollowTheOptions) {
  ASSERT_EQ(run("LET K$=KEL(1,KNO=0)"), 0);
  EXPECT_EQ(var_str("K$"), "C003");
  ASSERT_EQ(run("LET K$=KEL(1,KNO=1)"), 0);
  EXPECT_EQ(var_str("K$"), "cccc");
  ASSERT_EQ(run("LET K$=KEF(1,KNO=1)"), 0);
  EXPECT_EQ(var_str("K$"), "aaaa");
  ASSERT_EQ(run("LET K$=KEN(1,KEY=\"A\":\"001\")"), 0);
  EXPECT_EQ(var_str("K$"), "B002");
  ASSERT_EQ(run("LET K$=KEP(1,KNO=1,KEY=\"bbbb\")"), 0);
  EXPECT_EQ(var_str("K$"), "aaaa");
  ASSERT_EQ(run("LET R=RNO(1,KNO=1,KEY=\"cccc\")"), 0);
  EXPECT_EQ(num("R"), 3);
  ASSERT_EQ(run("LET K$=RCD(1,KNO=1,RNO=1)"), 0);
  EXPECT_EQ(var_str("K$").substr(0, 4), "B002");
  // KNO= of a function sets the channel's current key, as a statement's does.
  ASSERT_EQ(run("LET K$=KEF(1,KNO=1); LET N$=KEY(1)"), 0);
  EXPECT_EQ(var_str("N$"), "aaaa");
  // KEY( with KEY= asks the file: the key the next READ would read, a
  // missing one error 11.
  EXPECT_EQ(run("LET K$=KEY(1,KEY=\"zz\")"), 11);
  ASSERT_EQ(run("LET K$=KEY(1,KNO=1,KEY=\"bbbb\")"), 0);
  EXPECT_EQ(var_str("K$"), "bbbb");
  // END= and DOM= branch.
  EXPECT_EQ(run("LET K$=KEN(1,KEY=\"C003\",END=890); LET E=-1"), 0);
  EXPECT_EQ(run("LET R=IND(1,KEY=\"Z999\",DOM=890); LET E=-1"), 0);
}

}  // namespace
