// The console find-and-replace forms and START: their compiled forms (which
// must list back to text that compiles to the same bytes) and their effect,
// driven as the console drives them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "app/startup.h"
#include "core/switches.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

class ConsoleEditTest : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    ws.Prm.QT = true;
    ws.Find_len = 0;
    ws.Find_stno = 0;
    ws.Call_status = 0;
    Sw_set(sw::IC, true);
    Sw_set(sw::BX, false);
    Sw_set(sw::SOFT_START, false);
    saved_limit_ = ws.Mem_limit;
  }
  void TearDown() override {
    ws.Mem_limit = saved_limit_;
    Sw_set(sw::SOFT_START, false);
    Console_env::TearDown();
  }
  // Types a console line; returns what it printed.
  std::string type(const std::string& s) {
    testing::internal::CaptureStdout();
    try {
      Console_env::type(s);
    } catch (...) {
      Con_flush();
      testing::internal::GetCapturedStdout();
      throw;
    }
    Con_flush();
    return testing::internal::GetCapturedStdout();
  }
  // The error of a console line: raised by the console forms, or caught
  // and reported by the executor for statements.
  int error_of(const std::string& s) {
    ws.Err_no = 0;
    try {
      type(s);
    } catch (const Oru_error& e) {
      return e.no;
    }
    return ws.Err_no;
  }
  std::string listed(uint16_t n) {
    if (Find_line(n) != n) return "<none>";
    return Decompile_text(ws.Str_ptr, size_t(ws.Str_len));
  }
  static double num(const char* name) {
    Var_node* v = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    if (!v) return -999;
    return double(v->num.mant) / std::pow(10.0, v->num.scale);
  }
  void program() {
    type("10 PRINT \"alpha\"");
    type("20 LET X=1");
    type("30 PRINT \"beta\"; PRINT \"Alpha\"");
    type("40 REM alpha");
  }
  int64_t saved_limit_ = 0;
};

std::vector<uint8_t> compiled(const std::string& src, int expect_err = 0) {
  std::vector<uint8_t> out;
  EXPECT_EQ(Compile_text(src, out), expect_err) << src;
  return out;
}

// ---- compiled forms ----

TEST_F(ConsoleEditTest, FindFormsCompileAndListBack) {
  ws.Con_flags = CON_MODE;
  EXPECT_EQ(compiled("[ab]"), (std::vector<uint8_t>{0, 0, 9, 0, 2, 'a', 'b', 255}));
  EXPECT_EQ(compiled("{ab}"), compiled("[ab]"));
  EXPECT_EQ(compiled("*[x]"), (std::vector<uint8_t>{0, 0, 47, 9, 0, 1, 'x', 255}));
  EXPECT_EQ(compiled(",20 [x]"), (std::vector<uint8_t>{0, 0, 37, 7, 0, 20, 9, 0, 1, 'x', 255}));
  EXPECT_EQ(compiled("[a]=[]"), (std::vector<uint8_t>{0, 0, 9, 0, 1, 'a', 39, 9, 0, 0, 255}));
  for (const char* src : {"[ab]", "[]", "*[PRINT]=[LET]", ",20[X]", ",20 [X]=[Y]", "{a]b}", "[a}b]",
                          "100 [x]", "[ a b ]=[c]", "START", "START 100", "START 100,\"P\"",
                          "START \"P\",\"Q\"", "START 10*4,A$+\"X\",B$", "10 START; PRINT 1"}) {
    std::vector<uint8_t> once = compiled(src);
    std::string text = Decompile_text(once.data(), once.size());
    EXPECT_EQ(compiled(text), once) << src << " listed as " << text;
  }
  // "]" inside braces lists between braces
  auto b = compiled("{a]b}");
  EXPECT_EQ(Decompile_text(b.data(), b.size()), "{a]b}");
}

TEST_F(ConsoleEditTest, MalformedFormsAreSyntaxErrors) {
  compiled("[ab", 20);
  compiled("[a] [b]", 20);
  compiled("[a]=", 20);
  compiled("[a]=5", 20);
  compiled("*", 20);
  compiled(",[x]", 20);
  compiled("START 1,2,3,4", 20);
  compiled("START ,\"X\"", 20);
}

// ---- finding ----

TEST_F(ConsoleEditTest, FindGoesOnAfterTheLastFoundAndWrapsOnce) {
  program();
  EXPECT_EQ(type("[alpha]"), "0010 PRINT \"alpha\"\n");
  EXPECT_EQ(type("[alpha]"), "0030 PRINT \"beta\"; PRINT \"Alpha\"\n");  // IC: case-blind
  EXPECT_EQ(type("[alpha]"), "0040 REM alpha\n");
  EXPECT_EQ(type("[alpha]"), "0010 PRINT \"alpha\"\n");  // round again
  EXPECT_EQ(type("[beta]"), "0030 PRINT \"beta\"; PRINT \"Alpha\"\n");
  // only line 30 holds beta: the search wraps back to it
  EXPECT_EQ(type("[beta]"), "0030 PRINT \"beta\"; PRINT \"Alpha\"\n");
  EXPECT_EQ(ws.Find_stno, 30);
}

TEST_F(ConsoleEditTest, FindLooksAtStatementsNotLineNumbers) {
  program();
  EXPECT_EQ(error_of("[0020]"), 71);
  EXPECT_EQ(type("[T X]"), "0020 LET X=1\n");  // as listed, with its blanks
}

TEST_F(ConsoleEditTest, CaseMattersWithoutIC) {
  program();
  Sw_set(sw::IC, false);
  EXPECT_EQ(type("[Alpha]"), "0030 PRINT \"beta\"; PRINT \"Alpha\"\n");
  EXPECT_EQ(error_of("[ALPHA]"), 71);
}

TEST_F(ConsoleEditTest, LineNumberGivesTheFirstLineSearched) {
  program();
  EXPECT_EQ(type("25 [alpha]"), "0030 PRINT \"beta\"; PRINT \"Alpha\"\n");
  EXPECT_EQ(listed(25), "<none>");  // nothing was stored
}

TEST_F(ConsoleEditTest, CommaSearchesOneLine) {
  program();
  EXPECT_EQ(type(",20 [X]"), "0020 LET X=1\n");
  EXPECT_EQ(error_of(",20 [alpha]"), 71);
  EXPECT_EQ(error_of(",25 [X]"), 21);  // no such line
}

TEST_F(ConsoleEditTest, StarListsEveryMatchToTheEnd) {
  program();
  EXPECT_EQ(type("*[PRINT]"), "0010 PRINT \"alpha\"\n0030 PRINT \"beta\"; PRINT \"Alpha\"\n");
  EXPECT_EQ(ws.Find_stno, 30);
  EXPECT_EQ(type("20 *[alpha]"), "0030 PRINT \"beta\"; PRINT \"Alpha\"\n0040 REM alpha\n");
  EXPECT_EQ(error_of("*[nowhere]"), 71);
}

TEST_F(ConsoleEditTest, EmptyTextReusesTheRememberedOne) {
  program();
  EXPECT_EQ(error_of("[]"), 71);  // nothing remembered yet
  type("[beta]");
  EXPECT_EQ(type("[]"), "0030 PRINT \"beta\"; PRINT \"Alpha\"\n");
  EXPECT_EQ(type("*[]"), "0030 PRINT \"beta\"; PRINT \"Alpha\"\n");
  // a failed search still replaces the remembered text
  EXPECT_EQ(error_of("[gamma]"), 71);
  EXPECT_EQ(error_of("[]"), 71);
  EXPECT_EQ(error_of("[" + std::string(FIND_TEXT_MAX + 1, 'x') + "]"), 46);
}

TEST_F(ConsoleEditTest, EmptyProgramFindsNothing) {
  EXPECT_EQ(error_of("[x]"), 71);
  EXPECT_EQ(error_of("*[x]"), 71);
}

TEST_F(ConsoleEditTest, ProtectedProgramIsRefused) {
  program();
  ws.Pgm_flags |= PGM_PROTECTED;
  EXPECT_EQ(error_of("[alpha]"), 52);
  EXPECT_EQ(error_of("*[alpha]=[x]"), 52);
  ws.Pgm_flags &= ~uint32_t(PGM_PROTECTED);
  EXPECT_EQ(listed(10), "0010 PRINT \"alpha\"");
}

// ---- replacing ----

TEST_F(ConsoleEditTest, ReplaceChangesEveryOccurrenceOfTheFoundLine) {
  program();
  EXPECT_EQ(type("25 [print \"]=[PRINT \"z]"), "0030 PRINT \"zbeta\"; PRINT \"zAlpha\"\n");
  EXPECT_EQ(listed(10), "0010 PRINT \"alpha\"");  // only the line found
  EXPECT_EQ(ws.Find_stno, 30);
}

TEST_F(ConsoleEditTest, ReplaceAllRecompilesEachLine) {
  program();
  EXPECT_EQ(type("*[alpha]=[gamma]"),
            "0010 PRINT \"gamma\"\n0030 PRINT \"beta\"; PRINT \"gamma\"\n0040 REM gamma\n");
  EXPECT_EQ(listed(10), "0010 PRINT \"gamma\"");
  EXPECT_EQ(listed(20), "0020 LET X=1");
  // the replacement is not searched again
  type("*[a]=[aa]");
  EXPECT_EQ(listed(40), "0040 REM gaammaa");
  EXPECT_NE(ws.Pgm_flags & PGM_CHANGED, 0u);
}

TEST_F(ConsoleEditTest, ReplacedLineRunsCompiled) {
  type("10 X=1");
  type("[X=1]=[X=2]");
  type("RUN");
  EXPECT_EQ(num("X"), 2);
}

TEST_F(ConsoleEditTest, LineThatNoLongerCompilesIsStoredAsText) {
  program();
  std::string out = type("*[=1]=[=(]");
  EXPECT_EQ(out, "0020 LET X=(\n" + Msg_text(20) + "\n");  // the error is shown
  Find_line(20);
  EXPECT_EQ(ws.Str_ptr[2], 0);  // kept as its source
  EXPECT_EQ(listed(20), "0020 LET X=(");
  // and can be put right the same way
  EXPECT_EQ(type(",20 [(]=[3]"), "0020 LET X=3\n");
  type("RUN");
  EXPECT_EQ(num("X"), 3);
}

// ---- START ----

TEST_F(ConsoleEditTest, StartSizesAreCheckedBeforeAnythingHappens) {
  program();
  EXPECT_EQ(error_of("START 10"), 41);
  EXPECT_EQ(error_of("START 102401"), 41);
  EXPECT_EQ(error_of("START -5"), 41);
  EXPECT_EQ(error_of("START \"P\",5"), 26);
  EXPECT_EQ(error_of("START 100,\"P\",\"Q\""), 12);  // no background-task program "*Spawn" here
  EXPECT_EQ(listed(10), "0010 PRINT \"alpha\"");  // nothing was lost
  try {
    type("START 100,\"P\"");  // a restart that runs P first
    FAIL();
  } catch (const Restart_request& r) {
    EXPECT_EQ(r.mem_limit, 100 * 1024);
    EXPECT_EQ(r.program, "P");
  }
}

TEST_F(ConsoleEditTest, StartSizeWithBXIsInQuarters) {
  Sw_set(sw::BX, true);
  EXPECT_EQ(error_of("START 3"), 41);  // 3/4 + 10 = 10
  try {
    type("START 4");  // 4/4 + 10 = 11
    FAIL();
  } catch (const Restart_request& r) {
    EXPECT_EQ(r.mem_limit, 11 * 1024);
  }
  Sw_set(sw::BX, false);
}

TEST_F(ConsoleEditTest, FullRestartLeavesForTheConsoleLoop) {
  try {
    type("START");
    FAIL();
  } catch (const Restart_request& r) {
    EXPECT_EQ(r.mem_limit, 0);  // the limit in force stays
  }
  try {
    type("START 102400");
    FAIL();
  } catch (const Restart_request& r) {
    EXPECT_EQ(r.mem_limit, 102400 * 1024);
  }
}

TEST_F(ConsoleEditTest, StartInsideAFunctionBodyIsRefused) {
  type("10 DEF FNA(X)");
  type("20 START");
  type("30 RETURN 1");
  type("40 FNEND");
  type("Y=FNA(1)");
  EXPECT_EQ(ws.Err_no, 59);
}

TEST_F(ConsoleEditTest, SoftStartRunsTheProgramAgainWithoutItsVariables) {
  Sw_set(sw::SOFT_START, true);
  Clr_glo_var();
  // the global count survives each restart, the program's Y does not
  type("10 %C=%C+1; Y=Y+1; IF %C>2 THEN STOP");
  type("20 START 200");
  type("RUN");
  EXPECT_EQ(num("%C"), 3);
  EXPECT_EQ(num("Y"), 1);
  EXPECT_EQ(ws.Stop_stno, 10);
  EXPECT_EQ(ws.Mem_limit, 200 * 1024);
  Clr_glo_var();
  // without a size it is a full restart all the same
  EXPECT_THROW(type("START"), Restart_request);
}

}  // namespace
