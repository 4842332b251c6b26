// Terminal device channels without a terminal: channel 1 is a device on
// /dev/null made a 20x6 screen by DEFTTY.  The mnemonic definition
// language, the screen planes after the edit mnemonics (done by the device
// and emulated give the same planes), key decoding through the xterm
// driver's tables with keys fed through a pipe, 'SA'/'RA', the function-key
// table operations that queue pre-input, mouse reports, numeric fields.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/print.h"
#include "console_env.h"
#include "core/codes.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "terminal/mouse.h"
#include "terminal/num_field.h"
#include "terminal/terminal.h"
#include "test_util.h"

namespace {

class Terminal : public Console_env {
 protected:
  Fcb* f = nullptr;
  int pipe_fd[2] = {-1, -1};

  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    type("OPEN (1)\"/dev/null\"");
    type("DEFTTY (1)20,6");
    f = Find_fp(1);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(Is_screen(f));
  }
  void TearDown() override {
    type("CLOSE (1)");
    if (pipe_fd[0] >= 0) close(pipe_fd[0]);
    if (pipe_fd[1] >= 0) close(pipe_fd[1]);
    Console_env::TearDown();
  }
  Dev_fcb* dev() { return Dev(f); }

  // Runs the statements one by one at the console (RUN would close the
  // channel); err is the error that stopped them (0 none).
  int err = 0;
  void run(const std::vector<std::string>& lines) { err = type_each(lines); }
  int error_of(const std::string& stmt) { return err = type_each({stmt}); }

  // What the definition sends, given as the bytes of a 'ZZ' definition.
  std::string send(const std::string& def, uint16_t code = Mnem_code('Z', 'Z')) {
    std::vector<uint8_t> blk(sizeof(MnemDef) + def.size());
    MnemDef* d = reinterpret_cast<MnemDef*>(blk.data());
    d->code = code;
    d->len = uint16_t(def.size());
    std::memcpy(d->bytes, def.data(), def.size());
    Io_save_guard io;
    ws.Cur_fcb = f;
    f->buf_count = 0;
    Send_mnem(d);
    std::string out(reinterpret_cast<const char*>(f->out_buf), size_t(f->buf_count));
    f->buf_count = 0;
    return out;
  }

  // One line of the character plane.
  std::string row(int line) {
    const Window_rec& w = dev()->win;
    return std::string(reinterpret_cast<const char*>(w.chars + Cell(w, 0, line)), size_t(w.cols));
  }
  uint32_t attr_at(int col, int line) {
    const Window_rec& w = dev()->win;
    return w.attrs[Cell(w, col, line)];
  }

  // Keys come from a socket pair instead of /dev/null (the channel writes
  // its echo into the same descriptor).
  void keys_from_pipe() {
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pipe_fd), 0);
    f->fd = pipe_fd[0];
    Io_save_guard io;
    ws.Cur_fcb = f;
    ws.Cur_chan = 1;
    Run_driver_program("xterm");
  }
  int ioctl_pending(int& n) { return ioctl(pipe_fd[0], FIONREAD, &n); }
  void feed(const std::string& bytes) {
    ASSERT_EQ(write(pipe_fd[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
  }
};

// ---- the definition language ----

TEST_F(Terminal, DefinitionLanguageSelectorsOperatorsAndFormats) {
  f->column = 0;
  f->line = 7 % 6;
  EXPECT_EQ(send("\\Ca"), "0");
  EXPECT_EQ(send("\\CA"), "1");
  f->line = 5;
  f->column = 12;
  EXPECT_EQ(send("\x1b[\\LA;\\CAH"), "\x1b[6;13H");
  EXPECT_EQ(send("\\L2"), "05");
  EXPECT_EQ(send("\\C3"), "012");
  f->line = 2;
  EXPECT_EQ(send("\\L+ b"), std::string(1, char(34)));
  EXPECT_EQ(send("\\LB"), std::string(1, char(34)));
  f->attr = 0x7AB;  // low byte 171: all three digits
  EXPECT_EQ(send("\\Aa"), "171");
  EXPECT_EQ(send("\\A&\x0f" "a"), "11");
  // Window geometry: 20 x 6 at 0,0.
  EXPECT_EQ(send("\\ha,\\wa,\\la,\\ba,\\ra,\\ta"), "20,6,20,6,0,0");
}

TEST_F(Terminal, DefinitionLanguageTablesAndOddEndings) {
  f->attr = 0x100;  // foreground 1
  EXPECT_EQ(send("\\Ft\x03xyzb"), "y");
  f->attr = 0x500;  // outside the table: the escape ends, 'b' is plain
  EXPECT_EQ(send("\\Ft\x03xyzb"), "b");
  f->attr = 0x200;
  EXPECT_EQ(send("\\FT\x03pqr!"), "r!");
  f->attr = 0x300;
  EXPECT_EQ(send("\\FT\x03pqr!"), "!");
  EXPECT_EQ(send("\\\\"), "\\");
  EXPECT_EQ(send("\\Qx"), "\\x");   // unknown selector: one backslash
  EXPECT_EQ(send("ab\\"), "ab");    // trailing backslash dropped
  EXPECT_EQ(send("a\\C+"), "a");    // operator without its byte ends it
  EXPECT_EQ(send("a\\Cqz"), "az");  // unknown format consumed, no output
  EXPECT_EQ(send("\\Ft\x05" "ab"), "");  // table running past the end
}

TEST_F(Terminal, OutputSuppressedLetsOnlyResetThrough) {
  f->st1 |= ST1_OUT_SUPPRESS;
  EXPECT_EQ(send("clear", Mnem_code('C', 'S')), "");
  EXPECT_EQ(send("reset", Mnem_code('R', 'M')), "reset");
  f->st1 &= uint16_t(~ST1_OUT_SUPPRESS);
}

TEST_F(Terminal, MnemonicDefinitionsAndRefusals) {
  run({"MNEMONIC (1)'CS',\"one\",'XY',\"q\",'CS',\"two\""});
  EXPECT_EQ(err, 0);
  std::vector<std::string> order;
  for (MnemDef* d = static_cast<MnemDef*>(f->mnemonics); d; d = d->next)
    if (d->code == Mnem_code('C', 'S') || d->code == Mnem_code('X', 'Y'))
      order.push_back(std::string(reinterpret_cast<char*>(d->bytes), d->len));
  EXPECT_EQ(order, (std::vector<std::string>{"q", "two"}));  // the redefinition goes to the tail
  run({"MNEMONIC (1)'CS',\"\""});
  EXPECT_EQ(Find_mnem_in(f, Mnem_code('C', 'S')), nullptr);
  run({"MNEMONIC (1)CHR(27)+\"ZQ\",\"w\":100,30"});
  MnemDef* zq = Find_mnem_in(f, Mnem_code('Z', 'Q'));
  ASSERT_NE(zq, nullptr);
  EXPECT_EQ(zq->p1, 100);
  EXPECT_EQ(zq->p2, 30);
  EXPECT_EQ(error_of("MNEMONIC (1)\"AB\",\"x\""), 46);
  EXPECT_EQ(error_of("MNEMONIC (1)\"xAB\",\"x\""), 17);
  EXPECT_EQ(error_of("MNEMONIC (1)'AB',\"x\":256,1"), 41);
  EXPECT_EQ(error_of("MNEMONIC (1)'AB',\"x\":1,-1"), 41);
  // 'BR' and '*I' keep what they define; deleting them forgets it.
  run({"MNEMONIC (1)'BR',\"rev\""});
  EXPECT_TRUE(f->term_flags & TF_BR_DEFINED);
  run({"MNEMONIC (1)'BR',\"\""});
  EXPECT_FALSE(f->term_flags & TF_BR_DEFINED);
}

// ---- screen planes ----

// The same edits give the same planes whether the driver defines the edit
// mnemonics (device way) or not (emulated).
class Screen_edits : public Terminal, public ::testing::WithParamInterface<bool> {};

TEST_P(Screen_edits, EditMnemonicsLeaveTheExpectedPlanes) {
  if (GetParam()) run({"MNEMONIC (1)'DC',\"d\",'IC',\"i\",'LD',\"l\",'LI',\"m\",'CL',\"c\",'CE',\"e\""});
  run({"PRINT (1)'CS',@(0,0),\"abcdefghij\",@(0,1),\"line one\",@(0,2),\"line two\",@(0,3),\"line three\","});
  run({"PRINT (1)@(2,0),'DC','DC',@(4,1),'IC',"});
  EXPECT_EQ(row(0), "abefghij            ");
  EXPECT_EQ(row(1), "line  one           ");
  run({"PRINT (1)@(0,1),'LD',"});
  EXPECT_EQ(row(1), "line two            ");
  EXPECT_EQ(row(2), "line three          ");
  EXPECT_EQ(row(3), std::string(20, ' '));
  run({"PRINT (1)@(0,0),'LI',"});
  EXPECT_EQ(row(0), std::string(20, ' '));
  EXPECT_EQ(row(1), "abefghij            ");
  EXPECT_EQ(row(3), "line three          ");
  run({"PRINT (1)@(3,1),'CL',"});
  EXPECT_EQ(row(1), "abe                 ");
  run({"PRINT (1)@(5,2),'CE',"});
  EXPECT_EQ(row(2), "line                ");
  EXPECT_EQ(row(3), std::string(20, ' '));
  // 'DC' in the last column blanks only that cell.
  run({"PRINT (1)@(0,4),\"abcdefghijklmnopqrst\",@(19,4),'DC',"});
  EXPECT_EQ(row(4), "abcdefghijklmnopqrs ");
}

INSTANTIATE_TEST_SUITE_P(DeviceAndEmulated, Screen_edits, ::testing::Bool());

// A read-back answers from the screen; with the console flag for it, READ
// RECORD's answer ends with a CR (INPUT's never does).
TEST_F(Terminal, ReadBackEndsWithCrOnlyWhenAsked) {
  run({"PRINT (1)'CS',@(0,2),\"abc\",@(0,2),'RL',", "INPUT (1)A$"});
  EXPECT_EQ(var_str("A$"), "abc" + std::string(17, ' '));
  // As type() does, with the flag kept on.
  auto flagged = [&](const std::string& s) {
    ws.Work_ptr = work;
    ws.Con_flags = CON_MODE | CON_READBACK_CR;
    ws.Cur_stno = 0;
    uint8_t* buf = Work_take(s.size() + 1);
    std::memcpy(buf, s.data(), s.size());
    ws.Str_ptr = buf;
    ws.Str_len = int32_t(s.size());
    Exec_command(1);
  };
  flagged("PRINT (1)@(0,2),'RL',; INPUT (1)B$; PRINT (1)@(0,2),'RL',; READ RECORD (1)C$");
  ws.Con_flags = CON_MODE;
  EXPECT_EQ(var_str("B$"), "abc" + std::string(17, ' '));
  EXPECT_EQ(var_str("C$"), "abc" + std::string(17, ' ') + "\r");
  run({"PRINT (1)@(0,2),'RL',", "READ RECORD (1)D$"});
  EXPECT_EQ(var_str("D$"), "abc" + std::string(17, ' '));
}

TEST_F(Terminal, AttributePlaneFollowsTheAttributeWord) {
  run({"PRINT (1)'CS',@(0,0),'BR',\"rv\",'ER',\"n\",'F3',\"c\",'RM',"});
  EXPECT_EQ(attr_at(0, 0), ATTR_FRESH | ATTR_REVERSE);
  EXPECT_EQ(attr_at(1, 0), ATTR_FRESH | ATTR_REVERSE);
  EXPECT_EQ(attr_at(2, 0), uint32_t(ATTR_FRESH));
  EXPECT_EQ(attr_at(3, 0), 0x300u);
  // 'CF' keeps background text and clears the rest.
  run({"PRINT (1)'CS',@(0,2),'SB',\"Label:\",'SF',\"value\",'CF',"});
  EXPECT_EQ(row(2), "Label:              ");
  EXPECT_TRUE(attr_at(0, 2) & ATTR_BACKGROUND);
}

// ---- 'SA' / 'RA' ----

TEST_F(Terminal, SaveAndRestoreAttributesFiveDeep) {
  run({"PRINT (1)'BR','SA','ER','RA',"});
  EXPECT_TRUE(f->attr & ATTR_REVERSE);
  run({"PRINT (1)'RM','F1','SA','F2','SA','F3','SA','F4','SA','F5','SA','F6','SA','F7',"});
  auto fg = [&] { return (f->attr >> 8) & 0xff; };
  EXPECT_EQ(fg(), 7u);
  run({"PRINT (1)'RA',"});
  EXPECT_EQ(fg(), 5u);  // the sixth push was ignored
  run({"PRINT (1)'RA','RA','RA','RA',"});
  EXPECT_EQ(fg(), 1u);
  run({"PRINT (1)'RA',"});  // empty: nothing changes
  EXPECT_EQ(fg(), 1u);
}

// ---- function-key tables and pre-input ----

TEST_F(Terminal, FunctionKeyOperationsQueuePreinput) {
  // Keys 0 ("ab") and 5 ("z") of kind 'F'.
  run({"PRINT (1)'FL',\"3\",CHR(2),CHR(0),CHR(2),\"ab\",CHR(5),CHR(1),\"z\","});
  auto queued = [&](const std::string& print, int n) {
    run({"PRINT (1)" + print + ",", "INPUT (1,SIZ=-" + std::to_string(n) + ")Q$"});
    EXPECT_EQ(err, 0) << print;
    return var_str("Q$");
  };
  EXPECT_EQ(queued("'FL',\"4\",CHR(0)", 3), std::string("\x02" "ab"));
  EXPECT_EQ(queued("'FL',\"4\",CHR(9)", 1), std::string(1, '\0'));
  EXPECT_EQ(queued("'FL',\"8\",CHR(0)", 2), "ab");
  EXPECT_EQ(queued("'FL',\"5\"", 8), std::string("\x02\x05\x01z\x00\x02" "ab", 8));
  EXPECT_EQ(queued("'FL',\"9\",CHR(3),\"xyz\"", 3), "xyz");
  // '6' and '7' read the channel's own 'FL' definition.
  run({"MNEMONIC (1)'FL',CHR(0)+CHR(3)+CHR(2)+\"qq\""});
  EXPECT_EQ(queued("'FL',\"6\",CHR(3)", 3), std::string("\x02qq"));
  EXPECT_EQ(queued("'FL',\"6\",CHR(4)", 1), std::string(1, '\0'));
  EXPECT_EQ(queued("'FL',\"7\"", 5), std::string("\x00\x03\x02qq", 5));
  // '0' deletes one key, '1' all of the kind; an unknown operation is 29.
  EXPECT_EQ(queued("'FL',\"0\",CHR(5),'FL',\"5\"", 5), std::string("\x01\x00\x02" "ab", 5));
  EXPECT_EQ(queued("'FL',\"1\",'FL',\"5\"", 1), std::string(1, '\0'));
  run({"PRINT (1)'FL',\"Q\","});
  EXPECT_EQ(err, 29);
  // A load still open refuses another.
  run({"PRINT (1)'FL',\"2\",'FL',"});
  EXPECT_EQ(err, 51);
}

TEST_F(Terminal, PreinputEntriesComeBeforeTheKeyboard) {
  keys_from_pipe();
  feed("k\r");
  run({"PREINPUT \"ab\",4", "PREINPUT NEXT \"front\"", "PREINPUT /\"x\x1b[Dy\"", "INPUT (1)A$", "A=CTL",
       "INPUT (1)B$", "B=CTL", "INPUT (1)C$", "INPUT (1)D$"});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(var_str("A$"), "front");
  EXPECT_EQ(var_num("A"), 0);
  EXPECT_EQ(var_str("B$"), "ab");
  EXPECT_EQ(var_num("B"), 4);
  EXPECT_EQ(var_str("C$"), "yx");  // keystrokes: the cursor-left key acted
  EXPECT_EQ(var_str("D$"), "k");   // then the keyboard
  EXPECT_EQ(error_of("PREINPUT \"a\",70000"), 41);
}

// ---- keys ----

TEST_F(Terminal, CursorKeysInBothFormsAndUnknownSequences) {
  keys_from_pipe();
  feed("ab\x1b[DX\x1bODY\r");
  run({"INPUT (1)A$"});
  EXPECT_EQ(var_str("A$"), "aYXb");
  // An escape sequence no table knows is swallowed whole.
  feed("a\x1b[99~b\r");
  run({"INPUT (1)A$"});
  EXPECT_EQ(var_str("A$"), "ab");
  // A function key ends the input with its CTL value (F1: 1).
  feed("q\x1bOP");
  run({"INPUT (1)A$", "C=CTL"});
  EXPECT_EQ(var_str("A$"), "q");
  EXPECT_EQ(var_num("C"), 1);
}

TEST_F(Terminal, LoneEscapeIsAbsorbed) {
  keys_from_pipe();
  feed("ab\x1b");
  std::thread later([this] {
    // Once the escape has been read, and well after the editor stopped
    // waiting for the rest of a sequence, the line goes on.
    int pending = 1;
    for (int i = 0; pending > 0 && i < 250; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ASSERT_EQ(ioctl_pending(pending), 0);
    }
    // The editor waits 60 ms for the rest of a sequence; the margin is wide
    // for a loaded machine, where this thread may wait long to run.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    feed("c\r");
  });
  run({"INPUT (1)A$"});
  later.join();
  EXPECT_EQ(var_str("A$"), "abc");
}

// ---- mouse reports ----

TEST(Mouse_reports, SgrAndX10ReportsDecode) {
  auto dec = [](const std::string& s, Mouse_report& r) {
    return Mouse_decode(reinterpret_cast<const uint8_t*>(s.data()), s.size(), r);
  };
  Mouse_report r;
  EXPECT_EQ(dec("\x1b[<0;9;1M", r), 9);
  EXPECT_TRUE(r.click);
  EXPECT_FALSE(r.release);
  EXPECT_EQ(r.col, 8);
  EXPECT_EQ(r.line, 0);
  EXPECT_EQ(dec("\x1b[<2;120;40mrest", r), 12);
  EXPECT_TRUE(r.release);
  EXPECT_EQ(r.button, 2);
  EXPECT_EQ(r.col, 119);
  EXPECT_EQ(r.line, 39);
  EXPECT_EQ(dec("\x1b[M !!", r), 6);  // X10: button 0 at 1,1
  EXPECT_FALSE(r.release);
  EXPECT_EQ(r.col, 0);
  EXPECT_EQ(dec("\x1b[M#0!", r), 6);  // button 3: released
  EXPECT_TRUE(r.release);
  EXPECT_EQ(r.col, 15);
  // Motion and wheel reports are no clicks.
  EXPECT_EQ(dec("\x1b[<32;5;5M", r), 10);
  EXPECT_FALSE(r.click);
  EXPECT_EQ(dec("\x1b[<64;5;5M", r), 10);
  EXPECT_FALSE(r.click);
  // Incomplete reports ask for more; broken ones are none.
  EXPECT_EQ(dec("\x1b[<0;9", r), 0);
  EXPECT_EQ(dec("\x1b[M !", r), 0);
  EXPECT_EQ(dec("\x1b[", r), 0);
  EXPECT_EQ(dec("\x1b[A", r), -1);
  EXPECT_EQ(dec("\x1b[<0;;1M", r), -1);
  EXPECT_EQ(dec("\x1b[<0;0;1M", r), -1);
  EXPECT_EQ(dec("\x1b[<0;1;1;1M", r), -1);
  EXPECT_EQ(dec("\x1b[<0;1;1X", r), -1);
}

TEST_F(Terminal, MouseRegionsAndTheirRefusals) {
  EXPECT_EQ(error_of("SETMSE \"\",1"), 46);
  EXPECT_EQ(error_of("SETMSE 5,1"), 26);
  EXPECT_EQ(error_of("SETMSE @(0,0,0,100),1"), 29);
  EXPECT_EQ(error_of("SETMSE @(-1,0,100,100),1"), 29);
  EXPECT_EQ(error_of("SETMSE @(0,0,100,100),\"PRINT (\""), 20);
  EXPECT_EQ(error_of("SETMSE @(0,0,100,100),70000"), 41);
  Dev_fcb* con = Dev(ws.Con_fcb);
  run({"SETMSE CLEAR", "SETMSE /CLEAR", "SETMSE @(100,200,300,100),5", "SETMSE @(100,200,300,100),6",
       "SETMSE @(100,200,300,100),RELEASE 7", "SETMSE /\"Quit\",8"});
  EXPECT_EQ(err, 0);
  int n = 0;
  for (Mouse_region* r = con->win.mouse; r; r = r->next) ++n;
  EXPECT_EQ(n, 2);  // the same rectangle replaced; the release one is its own
  ASSERT_NE(con->win.mouse, nullptr);
  EXPECT_EQ(con->win.mouse->ctl, 7);
  EXPECT_EQ(con->win.mouse->next->ctl, 6);
  EXPECT_EQ(con->win.mouse->next->col0, 100);
  EXPECT_EQ(con->win.mouse->next->col1, 399);
  ASSERT_NE(con->mouse, nullptr);
  EXPECT_EQ(con->mouse->key_len, 4);
  run({"SETMSE CLEAR", "SETMSE /CLEAR"});
  EXPECT_EQ(con->win.mouse, nullptr);
  EXPECT_EQ(con->mouse, nullptr);
}

// ---- numeric fields ----

TEST(Numeric_field, MasksItRefuses) {
  Num_field f;
  for (const char* m : {"##x#", "#.#.#", "#+#", "+##-", "", "##CR"}) EXPECT_EQ(f.init(m), 43) << m;
  for (const char* m : {"###,##0.00", "-##0", "##0.00+", "$###", "####"}) EXPECT_EQ(f.init(m), 0) << m;
}

TEST(Numeric_field, DigitsPointSignAndFit) {
  Num_field f;
  ASSERT_EQ(f.init("##,##0.00"), 0);
  EXPECT_EQ(f.shown(), "     0.00");
  EXPECT_EQ(f.ofs, 6);
  auto keys = [&](const std::string& s) {
    std::string refused;
    for (char c : s)
      if (!f.type(uint8_t(c))) refused += c;
    return refused;
  };
  EXPECT_EQ(keys("12a3,$4"), "a");  // letters refused, ',' and '$' ignored
  EXPECT_EQ(f.shown(), " 1,234.00");
  EXPECT_EQ(keys("5"), "");
  EXPECT_EQ(f.shown(), "12,345.00");
  EXPECT_EQ(keys("6"), "6");  // would not fit: the field keeps its content
  EXPECT_EQ(f.shown(), "12,345.00");
  EXPECT_EQ(keys("-"), "-");  // no sign position
  EXPECT_EQ(keys(".7"), "");
  EXPECT_EQ(f.shown(), "12,345.70");
  EXPECT_EQ(keys("9"), "");
  EXPECT_EQ(keys("1"), "");  // the cursor stays on the last decimal
  EXPECT_EQ(f.value_text(), "12345.71");
  EXPECT_TRUE(f.edit(-1010));  // to the first digit: replaces it
  EXPECT_EQ(keys("9"), "");
  EXPECT_EQ(f.shown(), "92,345.71");
  EXPECT_TRUE(f.edit(-1017));
  EXPECT_TRUE(f.edit(-1003));  // at the point: drops the last integer digit
  EXPECT_EQ(f.shown(), " 9,234.71");
  EXPECT_TRUE(f.edit(-1002));
  EXPECT_EQ(f.shown(), "     0.00");
  EXPECT_FALSE(f.edit(-1003));
  ASSERT_EQ(f.init("-##0.0"), 0);
  EXPECT_EQ(keys("-12.5"), "");
  EXPECT_EQ(f.value_text(), "-12.5");
  EXPECT_EQ(f.shown(), " -12.5");
  EXPECT_EQ(keys("+"), "");
  EXPECT_EQ(f.shown(), "  12.5");
}

}  // namespace
