// The guards that put a caller's context back around nested work
// (core/nested_run.h), and the nested runs that take them: the terminal
// driver program Dev_init runs, the program the channel layer calls after a
// failed duplicate write, a program run to completion by a nested CALL.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "channels/channel.h"
#include "console_env.h"
#include "core/error_numbers.h"
#include "core/nested_run.h"
#include "programs/call_frame.h"
#include "programs/channel_calls.h"
#include "terminal/terminal.h"
#include "test_util.h"

namespace {

class Nested_context : public Console_env {
 protected:
  uint8_t stmt[8] = {0, 0, 1, 2, 3, 4, 5, 6};
  Fcb* dev = nullptr;

  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    type("OPEN (1)\"/dev/null\"");
    dev = Find_fp(1);
    ASSERT_NE(dev, nullptr);
  }
  void TearDown() override {
    if (Find_fp(1)) type("CLOSE (1)");
    Console_env::TearDown();
  }
  // A caller in the middle of a statement on line 20, with an I/O area of
  // its own on channel 1.
  void caller_state() {
    ws.Work_ptr = ws.Work_base + 64;
    ws.Exec_ptr = stmt + 4;
    ws.Stmt_ptr = stmt + 2;
    ws.Cur_stno = 20;
    ws.Err_line = 77;
    ws.Stmt_save = stmt + 2;
    ws.Call_err = 3;
    Select_channel(dev);
    ws.Io_siz = 9;
    ws.Io_sep = 44;
    ws.Io_tim = 150;
    ws.Io_opts = IO_ERR | IO_KEY;
    ws.Io_tbl_len = 5;
  }
  void expect_caller_state(const char* where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(ws.Work_ptr, ws.Work_base + 64);
    EXPECT_EQ(ws.Exec_ptr, stmt + 4);
    EXPECT_EQ(ws.Stmt_ptr, stmt + 2);
    EXPECT_EQ(ws.Cur_stno, 20);
    EXPECT_EQ(ws.Err_line, 77u);
    EXPECT_EQ(ws.Stmt_save, stmt + 2);
    EXPECT_EQ(ws.Cur_fcb, dev);
    EXPECT_EQ(ws.Cur_chan, 1);
    EXPECT_EQ(ws.Cur_fd, dev->fd);
    EXPECT_EQ(ws.Io_siz, 9);
    EXPECT_EQ(ws.Io_sep, 44);
    EXPECT_EQ(ws.Io_tim, 150);
    EXPECT_EQ(ws.Io_opts, IO_ERR | IO_KEY);
    EXPECT_EQ(ws.Io_tbl_len, 5);
  }
};

TEST_F(Nested_context, GuardFlagsChooseWhatComesBackOnEveryWayOut) {
  caller_state();
  int no = error_no([&] {
    Nested_run_guard<NESTED_IO | NESTED_CALL_ERR | NESTED_WORK> saved;
    ws.Exec_ptr = ws.Stmt_ptr = stmt;
    ws.Cur_stno = 0;
    ws.Err_line = 0;
    ws.Stmt_save = nullptr;
    ws.Call_err = -1;
    Work_take(32);
    Select_console();
    ws.Io_siz = 0;
    ws.Io_sep = 10;
    ws.Io_opts = 0;
    throw Oru_error{err::END_OF_FILE};
  });
  EXPECT_EQ(no, err::END_OF_FILE);
  expect_caller_state("after a throw");
  EXPECT_EQ(ws.Call_err, 3);

  // Without the flags the I/O area, the handed-back error and the work
  // pointer stay as the run left them; the cursor always comes back.
  {
    Nested_run_guard<0> saved;
    ws.Exec_ptr = stmt;
    ws.Io_siz = 1;
    ws.Call_err = 2;
    Work_take(8);
  }
  EXPECT_EQ(ws.Exec_ptr, stmt + 4);
  EXPECT_EQ(ws.Io_siz, 1);
  EXPECT_EQ(ws.Call_err, 2);
  EXPECT_EQ(ws.Work_ptr, ws.Work_base + 72);
}

TEST_F(Nested_context, GuardSavesTheStopPositionAndLinePositionAsAsked) {
  uint8_t line[4] = {0, 20, 0, 0};
  auto set_caller = [&] {
    ws.Exec_ptr = stmt + 4;
    ws.Cur_line_no = 20;
    ws.Cur_line_rec = line;
    ws.Call_status = 5;
    ws.Stop_stno = 30;
    ws.Stop_ptr = stmt + 3;
    ws.Bsy_line = 40;
  };
  auto run_over = [&] {
    ws.Exec_ptr = stmt;
    ws.Cur_line_no = 0;
    ws.Cur_line_rec = nullptr;
    ws.Call_status = 0;
    ws.Stop_stno = 0;
    ws.Stop_ptr = nullptr;
    ws.Bsy_line = 0;
  };
  set_caller();
  error_no([&] {
    Nested_run_guard<NESTED_STOP> saved;
    run_over();
    throw Oru_error{err::END_OF_FILE};
  });
  EXPECT_EQ(ws.Exec_ptr, stmt + 4);
  EXPECT_EQ(ws.Cur_line_no, 20);
  EXPECT_EQ(ws.Cur_line_rec, line);
  EXPECT_EQ(ws.Call_status, 5);
  EXPECT_EQ(ws.Stop_stno, 30);
  EXPECT_EQ(ws.Stop_ptr, stmt + 3);
  EXPECT_EQ(ws.Bsy_line, 40u);

  // The busy line is in the I/O area too: either flag brings it back.
  set_caller();
  {
    Nested_run_guard<NESTED_IO> saved;
    run_over();
  }
  EXPECT_EQ(ws.Bsy_line, 40u);
  EXPECT_EQ(ws.Stop_stno, 0);
  EXPECT_EQ(ws.Stop_ptr, nullptr);

  // Without either the stop position and the busy line stay as the run
  // left them; the line position and call status always come back.
  set_caller();
  {
    Nested_run_guard<NESTED_CALL_ERR> saved;
    run_over();
  }
  EXPECT_EQ(ws.Cur_line_no, 20);
  EXPECT_EQ(ws.Cur_line_rec, line);
  EXPECT_EQ(ws.Call_status, 5);
  EXPECT_EQ(ws.Stop_stno, 0);
  EXPECT_EQ(ws.Stop_ptr, nullptr);
  EXPECT_EQ(ws.Bsy_line, 0u);
}

// NESTED_IO_OWED: the I/O area is saved only when work that may change it
// comes (Io_touch), and then comes back as with NESTED_IO; the busy line,
// which every statement zeroes, always comes back.
TEST_F(Nested_context, OwedIoSaveIsTakenBeforeTheAreaChanges) {
  caller_state();
  ws.Bsy_line = 40;
  int no = error_no([&] {
    Nested_run_guard<NESTED_IO_OWED> saved;
    ws.Exec_ptr = stmt;
    ws.Bsy_line = 0;
    Io_touch();
    EXPECT_EQ(Io_owed, nullptr);  // taken: nothing more is owed in this run
    Select_console();
    ws.Io_siz = 0;
    ws.Io_sep = 10;
    ws.Io_opts = 0;
    throw Oru_error{err::END_OF_FILE};
  });
  EXPECT_EQ(no, err::END_OF_FILE);
  expect_caller_state("after a throw");
  EXPECT_EQ(ws.Bsy_line, 40u);
  EXPECT_EQ(Io_owed, nullptr);

  // Runs within runs: the inner takes its own save and brings the area
  // back, so the outer's stays owed until work of its own comes.
  {
    Nested_run_guard<NESTED_IO_OWED> outer;
    Io_live_save* const owed = Io_owed;
    ASSERT_NE(owed, nullptr);
    {
      Nested_run_guard<NESTED_IO_OWED> inner;
      EXPECT_NE(Io_owed, owed);
      Io_touch();
      ws.Io_siz = 1;
      ws.Bsy_line = 0;
    }
    EXPECT_EQ(ws.Io_siz, 9);
    EXPECT_EQ(ws.Bsy_line, 40u);
    EXPECT_EQ(Io_owed, owed);
    EXPECT_FALSE(owed->taken);
    Io_touch();
    EXPECT_TRUE(owed->taken);
    ws.Io_siz = 2;
    ws.Bsy_line = 0;
    Select_console();
  }
  expect_caller_state("after runs within runs");
  EXPECT_EQ(ws.Bsy_line, 40u);
  EXPECT_EQ(Io_owed, nullptr);

  // Nested I/O inside the run (Io_save_guard) takes the save first: what
  // the run does after it comes back too.
  {
    Nested_run_guard<NESTED_IO_OWED> saved;
    {
      Io_save_guard io;
      ws.Io_siz = 3;
    }
    ws.Io_sep = 4;
  }
  expect_caller_state("after nested I/O");

  // A run that did nothing to the area owes nothing; the busy line still
  // comes back.
  {
    Nested_run_guard<NESTED_IO_OWED> saved;
    ws.Bsy_line = 0;
  }
  EXPECT_EQ(ws.Bsy_line, 40u);
  EXPECT_EQ(Io_owed, nullptr);
  expect_caller_state("after a run without I/O");
}

// Within a run that owes its save: statements of assignments and functions
// that only compute a value leave it owed; a function or a directive that
// may reach a channel takes it.
TEST_F(Nested_context, OwedIoSaveIsTakenByWhatMayReachAChannel) {
  caller_state();
  {
    Nested_run_guard<NESTED_IO_OWED> saved;
    Io_live_save* const owed = Io_owed;
    ASSERT_NE(owed, nullptr);
    type("X=LEN(\"abc\")+ABS(-2)+POS(\"b\"=\"abc\"); Y$=STR(X)+SEP; IF X>0 THEN Z=X*2");
    EXPECT_EQ(var_num("X"), 7);
    EXPECT_FALSE(owed->taken);
    type("N=LEN(FID(1))");
    EXPECT_TRUE(owed->taken);
  }
  caller_state();
  {
    Nested_run_guard<NESTED_IO_OWED> saved;
    Io_live_save* const owed = Io_owed;
    type("PRINT (1)\"x\"");
    EXPECT_TRUE(owed->taken);
  }
}

TEST_F(Nested_context, GuardKeepsTheLiveWalkEntriesAndKeyParts) {
  static const uint8_t codes[4] = {1, 2, 3, 4};
  static const uint8_t parts[2] = {'A', 'B'};
  auto caller_walk = [&](int depth, int keys) {
    ws.Iol_depth = depth;
    for (int i = 0; i < IOL_STACK_DEPTH; i++) {
      ws.Iol_ret[i] = codes + (i % 4);
      ws.Iol_sep[i] = 100 + i;
    }
    ws.Io_key_cnt = keys;
    for (int i = 0; i < IO_KEY_PARTS; i++) {
      ws.Io_key_part[i] = parts + (i % 2);
      ws.Io_key_part_len[i] = 1 + i;
    }
  };
  auto run_over = [] {
    ws.Iol_depth = -1;
    ws.Io_key_cnt = 0;
    for (int i = 0; i < IOL_STACK_DEPTH; i++) {
      ws.Iol_ret[i] = nullptr;
      ws.Iol_sep[i] = 0;
    }
    for (int i = 0; i < IO_KEY_PARTS; i++) {
      ws.Io_key_part[i] = nullptr;
      ws.Io_key_part_len[i] = 0;
    }
  };
  // A walk three deep and two KEY= parts: those entries come back, the
  // dead ones past them stay as the run left them.
  caller_walk(3, 2);
  {
    Nested_run_guard<NESTED_IO> saved;
    run_over();
  }
  EXPECT_EQ(ws.Iol_depth, 3);
  EXPECT_EQ(ws.Io_key_cnt, 2);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(ws.Iol_ret[i], codes + (i % 4)) << i;
    EXPECT_EQ(ws.Iol_sep[i], 100 + i) << i;
  }
  EXPECT_EQ(ws.Iol_ret[3], nullptr);
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(ws.Io_key_part[i], parts + (i % 2)) << i;
    EXPECT_EQ(ws.Io_key_part_len[i], 1 + i) << i;
  }
  EXPECT_EQ(ws.Io_key_part[2], nullptr);

  // Counts past the tables keep the whole tables; no walk and no parts
  // (the usual case) keep none.
  caller_walk(IOL_STACK_DEPTH + 5, IO_KEY_PARTS + 3);
  {
    Nested_run_guard<NESTED_IO> saved;
    run_over();
  }
  EXPECT_EQ(ws.Iol_ret[IOL_STACK_DEPTH - 1], codes + ((IOL_STACK_DEPTH - 1) % 4));
  EXPECT_EQ(ws.Io_key_part_len[IO_KEY_PARTS - 1], IO_KEY_PARTS);
  caller_walk(-1, 0);
  {
    Nested_run_guard<NESTED_IO> saved;
    run_over();
  }
  EXPECT_EQ(ws.Iol_depth, -1);
  EXPECT_EQ(ws.Iol_ret[0], nullptr);
  EXPECT_EQ(ws.Io_key_part[0], nullptr);
  ws.Iol_depth = -1;
  ws.Io_key_cnt = 0;
}

TEST_F(Nested_context, DriverProgramLeavesTheCallerAsItFoundIt) {
  caller_state();
  ws.Lfo_chan = 65001;
  Dev_init("xterm");
  expect_caller_state("driver ran");
  EXPECT_EQ(ws.Lfo_chan, 65001);  // lent to the driver program only
  EXPECT_EQ(ws.Call_err, 3);

  // A driver that is not there is error 100, and the channel it was to run
  // on is closed; the caller's cursor, work area and LFO come back.
  caller_state();
  EXPECT_EQ(error_no([] { Dev_init("no-such-terminal"); }), err::DRIVER_FAILED);
  EXPECT_EQ(ws.Call_err, 100);
  EXPECT_EQ(ws.Cur_fcb, nullptr);
  EXPECT_EQ(Find_fp(1), nullptr);
  EXPECT_EQ(ws.Work_ptr, ws.Work_base + 64);
  EXPECT_EQ(ws.Exec_ptr, stmt + 4);
  EXPECT_EQ(ws.Stmt_ptr, stmt + 2);
  EXPECT_EQ(ws.Cur_stno, 20);
  EXPECT_EQ(ws.Err_line, 77u);
  EXPECT_EQ(ws.Stmt_save, stmt + 2);
  EXPECT_EQ(ws.Lfo_chan, 65001);
  dev = nullptr;
}

TEST_F(Nested_context, ChannelLayerProgramCallComesBack) {
  char dir[] = "/tmp/oru_nestedXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string pgm = std::string(dir) + "/dupl";
  // A program that ENTERs the five values and ends normally; it does I/O on
  // a channel of its own on the way.
  program({"10 ENTER D$,E,C,U,P$", "20 OPEN (5)\"/dev/null\"; PRINT (5)D$,E; CLOSE (5)", "30 EXIT"});
  type("SAVE \"" + pgm + "\"");
  type("NEW");
  EXPECT_TRUE(Call_dupl_error_program(pgm, "WRITE", 14, 1, 2, "/x"));
  caller_state();
  EXPECT_TRUE(Call_dupl_error_program(pgm, "WRITE", 14, 1, 2, "/x"));
  expect_caller_state("program ran");
  EXPECT_EQ(ws.Call_err, 3);

  caller_state();
  EXPECT_FALSE(Call_dupl_error_program(std::string(dir) + "/none", "WRITE", 14, 1, 2, "/x"));
  expect_caller_state("program missing");
  EXPECT_EQ(ws.Call_err, 3);
  unlink(pgm.c_str());
  rmdir(dir);
}

}  // namespace
