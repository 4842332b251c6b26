// The statement executor and run control, driven as the console drives them:
// each line is compiled and stored or run through Exec_command.
#include <gtest/gtest.h>

#include <csignal>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

#include <unistd.h>

#include "channels/record_io.h"
#include "core/codes.h"
#include "core/exec_command.h"
#include "core/host.h"
#include "core/directives.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/signal_flags.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

class ExecTest : public Console_env {
 protected:
  static double num(const char* name) {
    Var_node* v = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name),
                                int(std::strlen(name)));
    if (!v || (v->flags & VF_ASSIGNED) != VF_ASSIGNED) return -999;  // never assigned
    return double(v->num.mant) / std::pow(10.0, v->num.scale);
  }
};

TEST(DispatchTables, SharedHandlersSitAtTheirCodes) {
  EXPECT_EQ(dir_jmp[0], &d_extd);
  EXPECT_EQ(dir_jmp[code::D_GOTO - 149], &d_goto);
  EXPECT_EQ(dir_jmp[code::D_EXTRACT - 149], &d_read);
  EXPECT_EQ(dir_jmp[code::D_FIND - 149], &d_read);
  EXPECT_EQ(dir_jmp[code::D_READ - 149], &d_read_stmt);  // d_read behind its fast path
  EXPECT_EQ(dir_jmp[code::D_STOP - 149], &d_stop);
  EXPECT_EQ(dir_jmp[code::D_END_SWITCH - 149], &d_eswt);
  EXPECT_EQ(ext_jmp[code::X_V_SCROLLBAR - 150], &d_vsbr);
  EXPECT_EQ(ext_jmp[code::X_H_SCROLLBAR - 150], &d_vsbr);
  EXPECT_EQ(ext_jmp[code::X_GRID - 150], &d_lbox);
  EXPECT_EQ(ext_jmp[code::X_WITH - 150], &d_with);
}

TEST_F(ExecTest, ExtendedPrefixRejectsSecondBytesOutsideItsRange) {
  for (uint8_t b : {uint8_t(149), uint8_t(224), uint8_t(255)}) {
    uint8_t line[] = {0, 0, code::EXT_DIR, b, code::EOL};
    ws.Err_no = 0;
    ws.Exec_ptr = line + 2;
    Exec_line();
    EXPECT_EQ(ws.Err_no, 20) << int(b);
  }
}

TEST_F(ExecTest, GotoJumpsForwardOverLines) {
  program({"10 A=1", "20 GOTO 40", "30 A=2", "40 B=A+10", "50 END"});
  type("RUN");
  EXPECT_EQ(num("A"), 1);
  EXPECT_EQ(num("B"), 11);
  EXPECT_EQ(ws.Cur_stno, 0);
  EXPECT_NE(ws.Con_flags & CON_MODE, 0u);
}

TEST_F(ExecTest, GotoMissingLineGoesToTheNextOne) {
  program({"10 GOTO 25", "20 A=1", "30 B=1"});
  type("RUN");
  EXPECT_EQ(num("A"), -999);
  EXPECT_EQ(num("B"), 1);
}

TEST_F(ExecTest, GotoToALabelFindsIt) {
  program({"10 GOTO SKIP", "20 A=5", "30 SKIP:", "40 B=1"});
  type("RUN");
  EXPECT_EQ(num("A"), -999);
  EXPECT_EQ(num("B"), 1);
}

TEST_F(ExecTest, ReplacedTargetLineIsNotServedFromTheCache) {
  program({"10 GOTO 30", "20 END", "30 A=1"});
  type("RUN");
  EXPECT_EQ(num("A"), 1);
  type("30 A=2");
  type("RUN");
  EXPECT_EQ(num("A"), 2);
}

TEST_F(ExecTest, DeletedTargetLineIsNotServedFromTheCache) {
  program({"10 GOTO 30", "20 END", "30 A=1", "40 B=1"});
  type("RUN");
  EXPECT_EQ(num("A"), 1);
  Delete_lines(30, 30);  // as a running program's DELETE would, without the console
  Clr_variables();
  ASSERT_EQ(Find_line(10), 10);
  ws.Exec_ptr = ws.Str_ptr + 2;
  ws.Cur_stno = 10;
  ws.Con_flags = 0;
  ws.Run_flags = 0;  // the console clears END's stop request before each line
  Exec_line();
  EXPECT_EQ(ws.Err_no, 0);
  EXPECT_EQ(num("A"), -999);
  EXPECT_EQ(num("B"), 1);
}

TEST_F(ExecTest, ProgramWithoutEndStopsAtTheLastLine) {
  program({"10 A=1", "20 B=2"});
  type("RUN");
  EXPECT_EQ(num("B"), 2);
  EXPECT_EQ(ws.Cur_stno, 0);
  EXPECT_EQ(ws.Stop_stno, 0);
}

TEST_F(ExecTest, GotoAtTheConsoleSetsWhereRunStarts) {
  program({"10 A=1", "20 B=1", "30 END"});
  type("GOTO 20");
  EXPECT_EQ(ws.Stop_stno, 20);
  type("RUN");
  EXPECT_EQ(num("A"), -999);
  EXPECT_EQ(num("B"), 1);
  // END cleared the stop point: the next RUN starts at the top.
  type("RUN");
  EXPECT_EQ(num("A"), 1);
}

TEST_F(ExecTest, RunWithALineStartsThere) {
  program({"10 A=1", "20 B=1"});
  type("RUN 20");
  EXPECT_EQ(num("A"), -999);
  EXPECT_EQ(num("B"), 1);
}

TEST_F(ExecTest, StopRecordsWhereRunResumes) {
  program({"10 A=1; STOP; A=2", "20 B=1"});
  type("RUN");
  EXPECT_EQ(num("A"), 1);
  EXPECT_EQ(ws.Stop_stno, 10);
  type("RUN");
  EXPECT_EQ(num("A"), 2);
  EXPECT_EQ(num("B"), 1);
}

TEST_F(ExecTest, FailedLineGivesError20AndStopsThere) {
  program({"10 A=1", "20 PRINT (", "30 B=1"});
  type("RUN");
  EXPECT_EQ(ws.Err_no, 20);
  EXPECT_EQ(ws.Err_stno, 20);
  EXPECT_EQ(ws.Stop_stno, 20);
  EXPECT_EQ(num("B"), -999);
  EXPECT_NE(ws.Con_flags & CON_MODE, 0u);
}

TEST_F(ExecTest, ImpliedAssignmentForms) {
  type("X% =7.9");
  EXPECT_EQ(num("X%"), 7);
  type("A=1,B=2");
  EXPECT_EQ(num("A"), 1);
  EXPECT_EQ(num("B"), 2);
  type("A=A+1; A=A*10");
  EXPECT_EQ(num("A"), 20);
  type("S$=\"abc\"");
  Var_node* s = Look_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>("S$"), 2);
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->str, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(s->str->bytes()), s->str->len), "abc");
}

TEST_F(ExecTest, ReadOnlyVariableRefusesImpliedAssignment) {
  type("R=1");
  Var_node* r = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>("R"), 1);
  ASSERT_NE(r, nullptr);
  r->flags |= VF_READ_ONLY;
  type("R=2");
  EXPECT_EQ(ws.Err_no, 61);
  EXPECT_EQ(num("R"), 1);
}

TEST_F(ExecTest, MemoryLimitRefusesAllButTheListedStatements) {
  int64_t limit = ws.Mem_limit;
  ws.Mem_limit = -1;
  ws.Run_flags |= RF_MEM_LIMIT;
  uint8_t assign[] = {0, 0, code::NUM_VAR, 1, 'M', code::OP_EQ, code::SMALL_INT, 0, 1, code::EOL};
  ws.Exec_ptr = assign + 2;
  Exec_line();
  EXPECT_EQ(ws.Err_no, 31);
  ws.Err_no = 0;
  ws.Run_flags |= RF_MEM_LIMIT;
  uint8_t end[] = {0, 0, code::D_END, code::EOL};
  ws.Exec_ptr = end + 2;
  Exec_line();
  EXPECT_EQ(ws.Err_no, 0);
  ws.Mem_limit = limit;
}

TEST_F(ExecTest, EscapeStopsTheProgramBeforeItsNextStatement) {
  program({"10 A=1", "20 B=1"});
  // The program is running (as RUN leaves it) when the interrupt arrives.
  ASSERT_EQ(Find_line(10), 10);
  ws.Exec_ptr = ws.Str_ptr + 2;
  ws.Cur_stno = 10;
  ws.Con_flags &= ~uint32_t(CON_MODE);
  ws.Run_flags |= RF_ESCAPE;
  Exec_line();
  EXPECT_EQ(num("A"), -999);
  EXPECT_NE(ws.Con_flags & CON_MODE, 0u);
  EXPECT_EQ(ws.Stop_stno, 10);
  EXPECT_EQ(ws.Run_flags & RF_ESCAPE, 0u);
  type("RUN");
  EXPECT_EQ(num("A"), 1);
  EXPECT_EQ(num("B"), 1);
}

TEST_F(ExecTest, EscapeOnAConsoleLineLeavesIt) {
  uint8_t line[] = {0, 0, code::NUM_VAR, 1, 'E', code::OP_EQ, code::SMALL_INT, 0, 1, code::EOL};
  ws.Run_flags |= RF_ESCAPE;
  ws.Exec_ptr = line + 2;
  Exec_line();
  EXPECT_EQ(num("E"), -999);
}

TEST_F(ExecTest, QuitEndsTheProcess) {
  type("QUIT");
  EXPECT_TRUE(ws.End_process);
  EXPECT_TRUE(ws.Prm.XT);
}

TEST_F(ExecTest, EndInsideNestedExecutionIsError34) {
  uint8_t line[] = {0, 0, code::D_END, code::EOL};
  ws.Exec_ptr = line + 2;
  ws.Start_flags |= SF_NESTED;
  Exec_line();
  EXPECT_EQ(ws.Err_no, 34);
}

TEST_F(ExecTest, RemarksRunToTheEndOfTheLine) {
  program({"10 A=1; REM B=1", "20 C=1"});
  type("RUN");
  EXPECT_EQ(num("B"), -999);
  EXPECT_EQ(num("C"), 1);
}

// The statement loop reads ws.Run_flags and the handlers' word as one: it
// sees the handlers' word alone, each bit of RF_SERVE_MASK, and nothing of
// the bits outside it.
TEST(WorkPending, SeesTheSignalWordAndTheServedRunFlagsOnly) {
  const uint32_t saved = ws.Run_flags;
  EXPECT_EQ(reinterpret_cast<const volatile char*>(&ws.Sig_pending) - reinterpret_cast<const char*>(&ws.Run_flags), 4);
  ws.Run_flags = 0;
  Sig_pending = 0;
  EXPECT_EQ(Work_pending(), 0u);
  Sig_pending = 1;
  EXPECT_NE(Work_pending(), 0u);
  Sig_pending = 0;
  ws.Run_flags = ~uint32_t(RF_SERVE_MASK);
  EXPECT_EQ(Work_pending(), 0u);
  for (int bit = 0; bit < 32; ++bit) {
    const uint32_t b = uint32_t(1) << bit;
    if (!(RF_SERVE_MASK & b)) continue;
    ws.Run_flags = b;
    EXPECT_EQ(Work_pending(), b) << "bit " << bit;
  }
  ws.Run_flags = saved;
}

// An interrupt that arrives while a loop runs on the kept paths alone (a
// kept assignment that ends its line, its step kept through the GOTO of the
// next line): the loop stops at its next statement, as RUN leaves it.
TEST_F(ExecTest, InterruptDuringAKeptLoopStopsItAtItsNextStatement) {
  program({"10 N=0", "20 N=N+1", "30 GOTO 20"});
  Set_break_handler();
  std::thread sender([] {
    usleep(50000);
    kill(getpid(), SIGINT);
  });
  type("RUN");  // returns only when the loop has taken the interrupt
  sender.join();
  EXPECT_NE(ws.Con_flags & CON_MODE, 0u);
  // Where it stops depends on when the interrupt came (on a loaded machine,
  // before the loop began).
  EXPECT_TRUE(ws.Stop_stno == 10 || ws.Stop_stno == 20 || ws.Stop_stno == 30) << ws.Stop_stno;
  std::signal(SIGINT, SIG_DFL);
  Take_signals();
  ws.Run_flags &= ~uint32_t(RF_ESCAPE);
}

// The same in a serial READ loop whose count lines run straight after READ
// (the line state set once for them): wherever the interrupt stops it, the
// loop resumed runs to the end of its pass with every line read once and
// counted by both lines (a count missed or run twice leaves N and M apart
// or N off a whole number of passes).  (An interrupt that comes while the
// file is written stops the program there: the same holds.)
TEST_F(ExecTest, InterruptDuringAReadLoopLeavesItResumable) {
  char path[] = "/tmp/oru_readint_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  unlink(path);
  const std::string file = std::string("\"") + path + "\"";
  ws.Err_no = 0;
  type("SERIAL " + file);
  EXPECT_EQ(ws.Err_no, 0);
  program({("5 Q=0; OPEN LOCK (1)" + file + "; FOR I=1 TO 20000; WRITE (1)\"line\",I; NEXT I; CLOSE (1)").c_str(),
           ("10 OPEN (1)" + file + "; N=0; M=0").c_str(), "20 READ (1,END=70)A$", "30 N=N+1", "40 M=M+1",
           "50 GOTO 20", ("70 CLOSE (1); IF Q=0 THEN OPEN (1)" + file + "; GOTO 20").c_str(), "80 STOP"});
  Set_break_handler();
  std::thread sender([] {
    usleep(50000);
    kill(getpid(), SIGINT);
  });
  type("RUN");  // returns only when the loop has taken the interrupt
  sender.join();
  std::signal(SIGINT, SIG_DFL);
  Take_signals();
  EXPECT_NE(ws.Con_flags & CON_MODE, 0u);
  EXPECT_TRUE(num("N") - num("M") == 0 || num("N") - num("M") == 1) << num("N") << " " << num("M");
  type("Q=1");
  type("RUN");
  EXPECT_EQ(ws.Stop_stno, 80);
  EXPECT_EQ(num("N"), num("M"));
  EXPECT_GT(num("N"), 0);
  EXPECT_EQ(std::fmod(num("N"), 20000.0), 0.0) << num("N");
  type("ERASE " + file);
}

sighandler_t current_sigint() {
  struct sigaction sa;
  sigaction(SIGINT, nullptr, &sa);
  return sa.sa_handler;
}

TEST(BreakHandler, SixthUnservedInterruptFallsToTheDefault) {
  ws.Run_flags = 0;
  Set_break_handler();
  for (int i = 1; i <= 5; ++i) {
    std::raise(SIGINT);
    EXPECT_NE(Run_flags_now() & RF_ESCAPE, 0u);
    EXPECT_EQ(current_sigint(), i < 5 ? &oru_break : SIG_DFL) << "interrupt " << i;
  }
  std::signal(SIGINT, SIG_DFL);
  Take_signals();
  ws.Run_flags = 0;
}

TEST(BreakHandler, ServingTheEscapeStartsTheCountAgain) {
  ws.Run_flags = 0;
  Set_break_handler();
  for (int i = 0; i < 4; ++i) std::raise(SIGINT);
  // The executor serves it: takes the flag, clears it, counts afresh.
  Take_signals();
  ws.Run_flags &= ~RF_ESCAPE;
  Set_break_handler();
  for (int i = 0; i < 4; ++i) std::raise(SIGINT);
  EXPECT_EQ(current_sigint(), &oru_break);
  std::signal(SIGINT, SIG_DFL);
  Take_signals();
  ws.Run_flags = 0;
}

}  // namespace
