// Flow control, the control stack and the error path, driven as the console
// drives them (lines compiled and stored or run through Exec_command), plus
// the compiled forms of the flow statements.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/console_device.h"
#include "core/error_recovery.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/exec_command.h"
#include "core/host.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

class FlowTest : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    ws.Prm.QT = true;
  }
  static double num(const char* name) {
    Var_node* v = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    if (!v) return -999;
    return double(v->num.mant) / std::pow(10.0, v->num.scale);
  }
};

// ---- compiled forms ----

std::vector<uint8_t> compile(const std::string& src, int expect = 0) {
  std::vector<uint8_t> out;
  EXPECT_EQ(Compile_text(src, out), expect) << src;
  return out;
}

TEST_F(FlowTest, FlowStatementsListBackToTheSameBytes) {
  const char* forms[] = {
      "10 SETERR 100",          "10 SETERR 65001",        "10 SETERR 65002",
      "10 SETERR OFF",          "10 SETERR \"handler\"",  "10 SETESC 200",
      "10 SETESC OFF",          "10 ESCAPE",              "10 ESCAPE 42",
      "10 ESCAPE OFF",          "10 ESCAPE ON",           "10 RETRY",
      "10 RESET",               "10 REPEAT",              "10 UNTIL X>3",
      "10 WHILE X<3",           "10 WEND",                "10 BREAK",
      "10 CONTINUE",            "10 POP",                 "10 DEFAULT",
      "10 CASE 1,<>2,>=\"a\"", "10 ROUND",               "10 ROUND OFF",
      "10 FLOATING POINT",      "10 PRECISION 4",         "10 STOP",
      "10 EXITTO 100",          "10 ON X GOSUB 10,20,30", "10 FOR I=1 TO 10 STEP -2",
      "10 FOR N*2",             "10 NEXT I",              "10 IF X THEN { PRINT 1 } ELSE { PRINT 2 }",
      "10 IF X THEN",           "10 END IF",              "10 END SWITCH",
  };
  for (const char* src : forms) {
    auto bytes = compile(src);
    std::string text = Decompile_text(bytes.data(), bytes.size());
    auto again = compile(text);
    EXPECT_EQ(bytes, again) << src << " listed as " << text;
  }
  compile("10 BREAK 1", 20);
  compile("10 SETERR 65003", 21);
  compile("10 ROUND ON", 20);
}

// ---- the control stack ----

TEST_F(FlowTest, FramesArePoppedIntoACacheOfTen) {
  program({"10 GOSUB 20; STOP", "20 IF D<15 THEN D=D+1; GOSUB 20", "30 IF D>0 THEN D=D-1", "35 RETURN"});
  Clr_stack();
  type("RUN");
  EXPECT_EQ(ws.Stop_stno, 10);
  EXPECT_EQ(ws.Ctl_stack, nullptr);
  EXPECT_EQ(ws.Ctl_depth, 0u);
  EXPECT_EQ(Ctl_cached(), CTL_CACHE_MAX);  // 16 frames popped: 10 kept, the rest freed
  type("END");
  EXPECT_EQ(Ctl_cached(), 0);
}

TEST_F(FlowTest, DeepGosubEndsWithNestingError) {
  program({"10 GOSUB 10"});
  testing::internal::CaptureStdout();
  type("RUN");
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(ws.Err_no, 30);
  EXPECT_EQ(ws.Ctl_depth, CTL_DEPTH_MAX);
  type("END");
  EXPECT_EQ(ws.Ctl_depth, 0u);
}

TEST_F(FlowTest, SwitchFlushPopsSwitchFramesAndChecksTags) {
  program({"10 FOR I=1 TO 2", "20 SWITCH I", "30 CASE 1", "40 GOSUB 100", "50 NEXT I", "60 END SWITCH",
           "70 STOP", "100 RETURN"});
  type("RUN");
  // NEXT inside the case body flushed the SWITCH frame; the second pass
  // matched no case and left through END SWITCH with the loop still open.
  EXPECT_EQ(num("I"), 2);
  ASSERT_NE(ws.Ctl_stack, nullptr);
  EXPECT_EQ(ws.Ctl_stack->tag, TAG_FOR);
  EXPECT_EQ(ws.Ctl_depth, 1u);
  Clr_stack();
  ws.Cur_stno = 10;
  Exec_stack(TAG_WHILE);
  EXPECT_THROW(Switch_Flush(TAG_GOSUB), Oru_error);
  Clr_stack();
  try {
    Switch_Flush(TAG_FOR);
    FAIL();
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 28);
  }
  ws.Cur_stno = 0;
}

TEST_F(FlowTest, NextFastPathCrossesThirtyTwoBits) {
  program({"10 FOR I=2147483640 TO 2147483660 STEP 5; N=N+1; NEXT I", "20 FOR J=1 TO 2 STEP .5; M=M+1; NEXT",
           "30 FOR K=-1 TO -2 STEP -1; L=L+1; NEXT", "40 STOP"});
  type("RUN");
  EXPECT_EQ(num("N"), 5);
  EXPECT_EQ(num("I"), 2147483665.0);
  EXPECT_EQ(num("M"), 3);
  EXPECT_EQ(num("J"), 2.5);
  EXPECT_EQ(num("L"), 2);
  EXPECT_EQ(num("K"), -3);
}

// ---- the error path ----

TEST_F(FlowTest, ErrorInsideTheSeterrHandlerIsNotCaughtAgain) {
  program({"10 SETERR 100", "20 X=1/0", "30 STOP", "100 H=H+1; Y=1/0", "110 STOP"});
  testing::internal::CaptureStdout();
  type("RUN");
  Con_flush();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(num("H"), 1);
  EXPECT_EQ(ws.Err_no, 40);
  EXPECT_EQ(ws.Err_stno, 100);
  EXPECT_NE(out.find("Current program is <unsaved>, line 100"), std::string::npos) << out;
}

TEST_F(FlowTest, SeterrRetryRestartsAndSkipSkipsTheStatement) {
  program({"10 X=1/0; Y=2", "20 STOP"});
  Find_line(10);
  ws.Cur_stno = 10;
  ws.Stmt_ptr = ws.Str_ptr + 2;
  ws.Exec_ptr = ws.Stmt_ptr + 4;  // somewhere inside the statement
  ws.Seterr_line = SETERR_RETRY;
  EXPECT_TRUE(Recover_error(40));
  EXPECT_EQ(ws.Exec_ptr, ws.Stmt_ptr);
  ws.Seterr_line = SETERR_SKIP;
  EXPECT_TRUE(Recover_error(40));
  EXPECT_EQ(*ws.Exec_ptr, code::STMT_SEP);  // on the separator before "Y=2"
  EXPECT_EQ(ws.Err_no, 40);
  EXPECT_FALSE(ws.Pgm_flags2 & PGM2_IN_SETERR);
  ws.Cur_stno = 0;
}

TEST_F(FlowTest, ErrBranchRecordsTheRetryPoint) {
  program({"10 X=1", "20 PRINT 1", "100 R=1; RETRY"});
  Find_line(20);
  ws.Cur_stno = 20;
  ws.Stmt_ptr = ws.Exec_ptr = ws.Str_ptr + 2;
  ws.Err_line = 100;
  EXPECT_TRUE(Recover_error(11));
  EXPECT_EQ(ws.Cur_stno, 100);
  EXPECT_EQ(ws.Retry_stno, 20);
  EXPECT_EQ(ws.Err_no, 11);
  EXPECT_EQ(ws.Err_line, 0u);
  ws.Cur_stno = 0;
}

TEST_F(FlowTest, ErrScanFindsErrOptionAtBracketLevelZero) {
  // PRINT (ERR=...) ignored inside brackets; ERR=500 at level 0 taken.
  uint8_t code[] = {code::D_PRINT, code::LPAREN, 136, code::LINE_REF, 0, 50, code::RPAREN,
                    code::COMMA,   136,          code::LINE_REF, 1, 244, code::EOL};
  ws.Stmt_save = code;
  Err_scan();
  EXPECT_EQ(ws.Err_line, 500u);
  EXPECT_EQ(ws.Stmt_save, nullptr);
  uint8_t none[] = {code::D_PRINT, code::SMALL_INT, 0, 1, code::EOL};
  ws.Err_line = 0;
  ws.Stmt_save = none;
  Err_scan();
  EXPECT_EQ(ws.Err_line, 0u);
}

// The recovery reaches the program layer only through Recovery_hook: the
// handler it names decides, and without one (no program layer linked) the
// error stops the program.
TEST_F(FlowTest, RecoveryAsksTheProgramLayerThroughItsHook) {
  Recovery_hooks saved = Recovery_hook;
  static int seen;
  Recovery_hook.program_error = [](int& n) {
    seen = n;
    return true;
  };
  Recovery_hook.program_path = [] { return std::string("/srv/app/INVOICE"); };
  program({"10 X=1", "20 STOP"});
  Find_line(10);
  ws.Cur_stno = 10;
  ws.Stmt_ptr = ws.Exec_ptr = ws.Str_ptr + 2;
  seen = -1;
  EXPECT_TRUE(Recover_error(err::NUMERIC_OVERFLOW));
  EXPECT_EQ(seen, err::NUMERIC_OVERFLOW);
  std::string text;
  int32_t num = 0;
  Err_data_item("Program", &num, &text);
  EXPECT_EQ(text, "/srv/app/INVOICE");

  Recovery_hook = Recovery_hooks{};
  ws.Cur_stno = 10;
  ws.Stmt_ptr = ws.Exec_ptr = ws.Str_ptr + 2;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(Recover_error(err::NUMERIC_OVERFLOW));
  Con_flush();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(ws.Run_flags & RF_STOP);
  EXPECT_NE(out.find("Current program is <unsaved>, line 10"), std::string::npos) << out;
  Err_data_item("Program", &num, &text);
  EXPECT_EQ(text, "");
  Recovery_hook = saved;
  ws.Run_flags &= ~RF_STOP;
  ws.Cur_stno = 0;
}

TEST_F(FlowTest, ErrScanFromStaysAtItsOwnLevelAndSkipsExtendedOptions) {
  const uint8_t HLP[] = {code::IOPT_FIRST, 136};  // HLP= is 132 136: no ERR=
  struct Case {
    const char* what;
    std::vector<uint8_t> code;
    uint32_t err_line;
  } cases[] = {
      {"ERR= after HLP=",
       {HLP[0], HLP[1], code::STR_LIT, 0, 1, 'x', code::COMMA, 136, code::LINE_REF, 1, 244, code::EOL},
       500},
      {"HLP= with a line-reference value",
       {HLP[0], HLP[1], code::LINE_REF, 0, 50, code::EOL}, 0},
      {"ERR= past the ')' that closes the option list",
       {code::SMALL_INT, 0, 1, code::RPAREN, code::COMMA, code::LPAREN, 136, code::LINE_REF, 0, 50,
        code::RPAREN, code::EOL},
       0},
      {"ERR= after the statement ended inside an open bracket",
       {code::LPAREN, code::STMT_SEP, 136, code::LINE_REF, 0, 50, code::EOL}, 0},
      {"a string literal longer than the line (damaged code)",
       {code::STR_LIT, 0xFF, 0xFF, 136, code::LINE_REF, 0, 50, code::EOL}, 0},
  };
  for (Case& c : cases) {
    ws.Err_line = 0;
    uint8_t* save = ws.Exec_ptr;
    EXPECT_NO_THROW(Err_scan_from(c.code.data())) << c.what;
    EXPECT_EQ(ws.Err_line, c.err_line) << c.what;
    EXPECT_EQ(ws.Exec_ptr, save) << c.what;
  }
  ws.Err_line = 0;
}

TEST_F(FlowTest, BusyErrorRetriesThenTakesTheBusyBranch) {
  Busy_wait_hundredths = 1;
  program({"10 X=1", "100 Y=1"});
  Find_line(10);
  ws.Cur_stno = 10;
  ws.Stmt_ptr = ws.Exec_ptr = ws.Str_ptr + 2;
  ws.Io_rty = 3;
  ws.Bsy_line = 100;
  for (int i = 0; i < 3; ++i) {
    ws.Exec_ptr = ws.Stmt_ptr + 1;
    EXPECT_TRUE(Recover_error(0));
    EXPECT_EQ(ws.Exec_ptr, ws.Stmt_ptr) << "retry " << i;
  }
  EXPECT_TRUE(Recover_error(0));  // retries used up: the busy branch
  EXPECT_EQ(ws.Cur_stno, 100);
  EXPECT_EQ(ws.Bsy_count, 0);
  ws.Cur_stno = 0;
  Busy_wait_hundredths = 100;
}

TEST_F(FlowTest, ErrorDataItems) {
  program({"10 X=1/0"});
  testing::internal::CaptureStdout();
  type("RUN");
  testing::internal::GetCapturedStdout();
  int32_t n;
  std::string t;
  EXPECT_TRUE(Err_data_item("err", &n, &t));
  EXPECT_EQ(n, 40);
  EXPECT_TRUE(Err_data_item("Erx", &n, &t));
  EXPECT_EQ(n, 400000);
  EXPECT_TRUE(Err_data_item("STNO", &n, &t));
  EXPECT_EQ(n, 10);
  EXPECT_FALSE(Err_data_item("*", &n, &t));
  EXPECT_EQ(t, "Err,Erx,Ret,OSerr,Program,EntryPoint,Stno,Obj,Method,Lfa,Lfo,LastPath,LastKey,");
  EXPECT_FALSE(Err_data_item("nosuch", &n, &t));
  EXPECT_EQ(t, "");
  static const char name[] = "Stno";
  ws.Str_ptr = const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(name));
  ws.Str_len = 4;
  GetErrData();
  EXPECT_EQ(ws.Str_len, -1);
  EXPECT_EQ(ws.Num_acc.mant, 10);
}

TEST(ErrorsTest, HostErrorsMapToErrorNumbers) {
  ws.Run_flags = 0;
  EXPECT_EQ(Sys_error_no(ENOENT), 12);
  EXPECT_EQ(Sys_error_no(EACCES), 0);
  EXPECT_EQ(Sys_error_no(EAGAIN), 0);
  EXPECT_EQ(Sys_error_no(ENOSPC), 256 + ENOSPC);
  EXPECT_EQ(Sys_error_no(EINTR), 256 + EINTR);
  ws.Run_flags = RF_ESCAPE;
  EXPECT_EQ(Sys_error_no(EINTR), 127);
  ws.Run_flags = 0;
  errno = ENOENT;
  try {
    Sys_error();
    FAIL();
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 12);
  }
  EXPECT_EQ(ws.Last_errno, ENOENT);
  EXPECT_TRUE(ws.Err_flags & 4);
  ws.Err_flags = 0;
}

TEST(ErrorsTest, ExtendedTextReadsBackAsMessageMinusOne) {
  errno = 2;
  EXPECT_EQ(SetExtendedErrorMessage("open failed", 7, 5), 5);
  EXPECT_EQ(Msg_text(-1), "open failed (err/ret=2/7)");
  errno = 13;
  EXPECT_EQ(OS_error("lock", -1, -1), -1);
  EXPECT_EQ(Msg_text(-1), "lock (err/ret=13/13)");
  SetExtendedErrorMessage(nullptr, 0, 0);
  EXPECT_EQ(Msg_text(-1), "");
  ws.Err_flags = 0;
}

TEST(ErrorsTest, MissingMessageReadsAsErrorAndThreeDigits) {
  Msg_close();
  EXPECT_EQ(Msg_text(99), "Error:099");
  EXPECT_EQ(Msg_text(5), "Error:005");
  Msg_define(99, "mine");
  EXPECT_EQ(Msg_text(99), "mine");
  Msg_undefine(99);
}

TEST(ErrorsTest, HooksRunOnceAndGuardsRestoreThem) {
  static int runs = 0;
  runs = 0;
  ws.Err_hook = nullptr;
  {
    Err_hook_guard g([] { runs++; });
    EXPECT_THROW(Rpt_error(41), Oru_error);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ws.Err_code, 41);
  }
  EXPECT_EQ(ws.Err_hook, nullptr);
  Err_hook_guard outer([] { runs += 10; });
  {
    Catch_region region;
    try {
      Rpt_error(12);
    } catch (const Oru_error& e) {
      EXPECT_EQ(e.no, 12);
    }
    EXPECT_EQ(runs, 1);  // suspended inside the region
  }
  EXPECT_NE(ws.Err_hook, nullptr);
}

// ---- escapes ----

// Clock ticks of processor time a process has used (-1 when unknown).
static long cpu_ticks(pid_t pid) {
  std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (!f) return -1;
  char buf[1024];
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = 0;
  const char* p = std::strrchr(buf, ')');
  long utime = -1, stime = -1;
  // After the command's closing parenthesis: state and fields 4-13, then
  // utime and stime.
  if (!p || std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &utime, &stime) != 2) return -1;
  return utime + stime;
}

TEST_F(FlowTest, InterruptStopsARunawayProgram) {
  program({"10 X=X+1; GOTO 10"});
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Set_break_handler();
    type("RUN");
    // Stopped by the escape at the start of a statement of line 10.
    _exit(ws.Stop_stno == 10 && num("X") > 0 ? 42 : 1);
  }
  // The interrupt goes once the loop has run a while (a tenth of a second
  // of processor time, however loaded the machine; a fixed wait could end
  // before the child had even set its handler); up to 30 seconds.
  for (int i = 0; i < 3000; ++i) {
    long t = cpu_ticks(child);
    if (t < 0 ? i >= 20 : t >= sysconf(_SC_CLK_TCK) / 10) break;
    usleep(10000);
  }
  kill(child, SIGINT);
  int status = 0;
  for (int i = 0; i < 3000; ++i) {
    if (waitpid(child, &status, WNOHANG) == child) break;
    usleep(10000);
    if (i == 2999) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      FAIL() << "the program did not stop";
    }
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 42);
}

TEST_F(FlowTest, SetescLineRunsAsSubroutineWithError127) {
  program({"10 SETESC 100", "20 ESCAPE OFF; ESCAPE; ESCAPE ON", "30 IF N=0 THEN STOP", "40 M=1; STOP",
           "100 N=ERR; RETURN"});
  type("RUN");
  EXPECT_EQ(ws.Stop_stno, 30);
  // An interrupt arrives as the program goes on after its STOP.
  ws.Cur_stno = ws.Stop_stno;
  ws.Exec_ptr = ws.Stop_ptr;
  ws.Con_flags = 0;
  ws.Run_flags = RF_ESCAPE;
  Exec_line();
  EXPECT_EQ(num("N"), 127);
  EXPECT_EQ(num("M"), 1);
  EXPECT_FALSE(ws.Run_flags & RF_ESCAPE);
}

}  // namespace
