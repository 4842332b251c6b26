// Text windows, long mnemonics and colours on a 40x12 screen (channel 1, a
// device on /dev/null with the xterm driver's definitions): window numbers,
// frames, the planes beneath a dropped window, the current window after a
// drop, bad requests, the collector's forms, the palette and colour texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/print.h"
#include "console_env.h"
#include "core/codes.h"
#include "core/variables.h"
#include "terminal/colours.h"
#include "terminal/terminal.h"
#include "terminal/windows.h"
#include "test_util.h"

namespace {

class Windows : public Console_env {
 protected:
  Fcb* f = nullptr;
  int err = 0;

  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    type("OPEN (1)\"/dev/null\"");
    f = Find_fp(1);
    ASSERT_NE(f, nullptr);
    {
      Io_save_guard io;
      ws.Cur_fcb = f;
      ws.Cur_chan = 1;
      Run_driver_program("xterm");
    }
    type("DEFTTY (1)40,12");
    ASSERT_TRUE(Is_screen(f));
  }
  void TearDown() override {
    type("CLOSE (1)");
    Console_env::TearDown();
  }
  Dev_fcb* dev() { return Dev(f); }
  void run(const std::vector<std::string>& lines) { err = type_each(lines); }
  int error_of(const std::string& stmt) { return err = type_each({stmt}); }
  // Window 0's planes (the whole screen beneath every window).
  const Window_rec& screen0() {
    const Window_rec* w = &dev()->win;
    while (w->number != 0) w = w->saved;
    return *w;
  }
  std::string screen_row(int line) {
    const Window_rec& w = screen0();
    return std::string(reinterpret_cast<const char*>(w.chars + line * w.stride), size_t(w.stride));
  }
  std::string cur_row(int line) {
    const Window_rec& w = dev()->win;
    return std::string(reinterpret_cast<const char*>(w.chars + Cell(w, 0, line)), size_t(w.cols));
  }
  std::vector<uint32_t> screen_attrs() {
    const Window_rec& w = screen0();
    return std::vector<uint32_t>(w.attrs, w.attrs + w.stride * w.outer_lines);
  }
};

TEST_F(Windows, NumbersLowestFreeAndHighest) {
  run({"PRINT (1)WDW(1,1,10,4,1),WDW(2,2,10,4,2),WDW(3,3,10,4),", "LET A=HWN(1)", "PRINT (1)DRP(2),",
       "PRINT (1)WDW(4,4,10,4),"});
  EXPECT_EQ(var_num("A"), 3);
  EXPECT_EQ(dev()->win.number, 2);  // the freed number is taken again
  EXPECT_EQ(Window_depth(dev()), 3);
  EXPECT_EQ(error_of("PRINT (1)WDW(5,5,5,5,3),"), 57);  // in use
  EXPECT_EQ(error_of("PRINT (1)WDW(5,5,5,5,251),"), 41);
  EXPECT_EQ(error_of("PRINT (1)GTO(9),"), 57);
}

TEST_F(Windows, TwoHundredFiftyWindowsAndNoMore) {
  for (int i = 0; i < 250; ++i) ASSERT_EQ(error_of("PRINT (1)WDW(0,0,2,2),"), 0) << i;
  EXPECT_EQ(dev()->win.number, 250);
  EXPECT_EQ(error_of("PRINT (1)WDW(0,0,2,2),"), 57);
  EXPECT_EQ(dev()->win.number, 250);  // the console goes on with the screen as it was
}

TEST_F(Windows, BadSizes) {
  EXPECT_EQ(error_of("PRINT (1)WDW(0,0,2,5,1,\"T\"),"), 29);  // a frame needs more than 2
  EXPECT_EQ(dev()->win.number, 0);
  EXPECT_EQ(error_of("PRINT (1)WDW(-1,0,10,5),"), 41);  // left of the screen
  EXPECT_EQ(error_of("PRINT (1)WDW(0,0,256,5),"), 41);
  EXPECT_EQ(dev()->win.number, 0);
  // Past the screen's right or bottom edge (up to 255 x 255): accepted.
  EXPECT_EQ(error_of("PRINT (1)WDW(0,0,41,5),DRP(/),"), 0);
  EXPECT_EQ(error_of("PRINT (1)WDW(35,0,10,5),DRP(/),"), 0);
  EXPECT_EQ(error_of("PRINT (1)WDW(1,1,255,255),DRP(/),"), 0);
  EXPECT_EQ(error_of("PRINT (1)'EG',WDW(0,0,2,5,1,\"T\"),'BG',"), 0);  // ignored bad mnemonic
  EXPECT_EQ(dev()->win.number, 0);
  EXPECT_EQ(error_of("PRINT (1)WDW(0,0,40,12,1,\"\"),"), 0);  // the whole screen, framed
  EXPECT_EQ(dev()->win.cols, 38);
  EXPECT_EQ(dev()->win.lines, 10);
}

TEST_F(Windows, DropRestoresTheScreenCellForCell) {
  run({"PRINT (1)'CS',\"row zero\",'LF','BR',\"reversed\",'ER','F2',\"green\",'F7'", "PRINT (1)@(0,5),\"five\","});
  std::vector<std::string> before;
  for (int i = 0; i < 12; ++i) before.push_back(screen_row(i));
  std::vector<uint32_t> attrs = screen_attrs();
  int32_t col = f->column, line = f->line;
  run({"PRINT (1)WDW(2,0,20,8,1,\"One\"),'CS',\"text in one\"",
       "PRINT (1)'BR',WDW(5,3,20,8,2,\"Two\"),'CS','ER',\"text in two\""});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev()->win.number, 2);
  EXPECT_EQ(cur_row(0).substr(0, 11), "text in two");
  run({"PRINT (1)DRP(2),DRP(1),"});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev()->win.number, 0);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(screen_row(i), before[size_t(i)]) << i;
  EXPECT_EQ(screen_attrs(), attrs);
  EXPECT_EQ(f->column, col);
  EXPECT_EQ(f->line, line);
}

TEST_F(Windows, CurrentAfterDroppingTheCurrentIsTheMostRecent) {
  run({"PRINT (1)WDW(0,0,10,4,1),WDW(1,1,10,4,2),WDW(2,2,10,4,3),GTO(1),"});
  EXPECT_EQ(dev()->win.number, 1);
  run({"PRINT (1)DRP(/),"});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev()->win.number, 3);  // the most recently current window
  run({"PRINT (1)DRP(2),"});  // not current: the current one stays
  EXPECT_EQ(dev()->win.number, 3);
  EXPECT_EQ(error_of("PRINT (1)DRP(0),"), 57);  // window 0 is never dropped
  run({"PRINT (1)DRP(3),"});
  EXPECT_EQ(dev()->win.number, 0);
  EXPECT_EQ(error_of("PRINT (1)DRP(/),"), 13);  // only the screen is open
  EXPECT_EQ(error_of("PRINT (1)DRP(4),"), 57);
  EXPECT_EQ(error_of("LET A$=DRP(0)"), 57);
  EXPECT_EQ(error_of("LET A$=DRP(251)"), 41);
}

TEST_F(Windows, WrapAndScrollInsideAWindow) {
  run({"PRINT (1)WDW(0,0,8,4,1,\"\"),'CS',\"abcdefghij\"", "PRINT (1)\"2\"", "PRINT (1)\"3\""});
  EXPECT_EQ(err, 0);
  // Inner 6x2: "abcdef" wraps at once, "ghij", each line end scrolls.
  EXPECT_EQ(cur_row(0), "3     ");
  EXPECT_EQ(cur_row(1), "      ");
  EXPECT_EQ(f->line, 1);
  EXPECT_EQ(screen_row(0).substr(0, 8), std::string("        "));  // the screen beneath is untouched
}

TEST_F(Windows, MoveKeepsContentAndRestoresBeneath) {
  run({"PRINT (1)'CS',\"0123456789\"", "PRINT (1)WDW(0,0,5,3,1),'CS',\"x\",MVE(10,5),"});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev()->win.scr_col, 10);
  EXPECT_EQ(cur_row(0).substr(0, 1), "x");
  EXPECT_EQ(screen_row(0).substr(0, 10), "0123456789");
  EXPECT_EQ(error_of("PRINT (1)MVE(38,5),"), 0);  // past the screen's edge
  EXPECT_EQ(error_of("PRINT (1)MVE(-1,5),"), 41);
}

TEST_F(Windows, LongMnemonicForms) {
  run({"PRINT (1)WDW(0,0,10,4,7),WDW(1,1,10,4,8),"});
  // ESC m n $ then hexadecimal digit pairs: operation 4 (go to), length 1, window 7.
  run({"PRINT (1)$1B6D6E24$,\"040107\","});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev()->win.number, 7);
  // The 4-byte length form.
  run({"PRINT (1)$1B6D78040000000108$,"});
  EXPECT_EQ(dev()->win.number, 8);
  // Too short a parameter block for a window: the mnemonic error.
  EXPECT_EQ(error_of("PRINT (1)$1B6D6E020300010A$,"), 29);
  EXPECT_EQ(f->out_hook, nullptr);
  // Unknown operations (and 31 always) on a character terminal.
  EXPECT_EQ(error_of("PRINT (1)$1B6D6E1F00$,"), 29);
  // A long text builds the 4-byte form.
  run({"LET A$=MOPT(DIM(300,\"x\"))", "LET B$=WDW(1,2,3,4)", "LET C$=DRP(/)"});
  EXPECT_EQ(var_str("A$").substr(0, 4), std::string("\x1bmx-", 4));
  EXPECT_EQ(var_str("A$").size(), size_t(8 + 304));
  EXPECT_EQ(var_str("B$"), std::string("\x1bmn\x02\x08\x00\x01\x00\x02\x03\x04\x00\xff", 13));
  EXPECT_EQ(var_str("C$"), std::string("\x1bmn\x03\x01\xff", 6));
  EXPECT_EQ(error_of("LET A$=LIN(\"abc\")"), 46);  // coordinate pairs
  EXPECT_EQ(error_of("LET A$=PIE(1,2,-3,4)"), 41);
  EXPECT_EQ(error_of("LET A$=SHW(1,4)"), 41);
}

TEST_F(Windows, AttributeAndColourRequests) {
  run({"PRINT (1)MDE($030201$),", "LET A=1"});
  EXPECT_EQ(f->attr & 0xFFFFFF, 0x010203u);
  run({"PRINT (1)FCLR(\"RGB:1,2,3\"),BCLR(200),"});
  EXPECT_EQ(GetRGBFromIdx(int32_t(f->attr >> 8 & 255)), 0x010203u);
  EXPECT_EQ(f->attr >> 16 & 255, 200u);
  EXPECT_EQ(error_of("LET A$=FCLR(255)"), 41);
}

TEST_F(Windows, PaletteDirective) {
  run({"VIDEO_PALETTE READ P$", "VIDEO_PALETTE INDEXED READ T$"});
  EXPECT_EQ(var_str("P$").size() % 3, 0u);
  EXPECT_GE(var_str("P$").size(), 48u);
  EXPECT_EQ(var_str("T$").size(), 48u);
  EXPECT_EQ(error_of("VIDEO_PALETTE DIM(45,\"A\")"), 46);
  EXPECT_EQ(error_of("VIDEO_PALETTE DIM(768,\"A\")"), 46);
  EXPECT_EQ(error_of("VIDEO_PALETTE DIM(49,\"A\")"), 46);
  EXPECT_EQ(error_of("VIDEO_PALETTE INDEXED DIM(47,\"A\")"), 46);
  run({"VIDEO_PALETTE P$", "VIDEO_PALETTE INDEXED T$"});
  EXPECT_EQ(err, 0);
}

TEST_F(Windows, DialoguesBoxesAndGroups) {
  run({"PRINT (1)DLG(2,2,12,5,1),"});  // a dialogue without a title is framed
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev()->win.type, WINDOW_DIALOGUE);
  EXPECT_EQ(dev()->win.cols, 10);
  // Joining the current window's group: a dialogue joins a dialogue; other
  // windows need the 'c' option with '&'.
  run({"PRINT (1)DLG(3,3,8,4,2,\"D\",\"\",\"&\"),"});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev()->win.group, dev()->win.saved->group);
  EXPECT_EQ(error_of("PRINT (1)WDW(4,4,8,4,3,\"W\",\"\",\"&\"),"), 29);
  run({"PRINT (1)WDW(4,4,8,4,3,\"W\",\"\",\"&c\"),"});
  EXPECT_EQ(err, 0);
  run({"PRINT (1)WDW(5,5,8,4,4),"});
  EXPECT_NE(dev()->win.group, dev()->win.saved->group);
  // A box is drawn into the current window and opens none.
  run({"PRINT (1)DRP(4),DRP(3),DRP(2),DRP(1),'CS',BOX(1,1,6,3,0,\"\",\"abcd-!\"),"});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(dev()->win.number, 0);
  EXPECT_EQ(screen_row(1).substr(0, 8), " a----b ");
  EXPECT_EQ(screen_row(2).substr(0, 8), " !    ! ");
  EXPECT_EQ(screen_row(3).substr(0, 8), " c----d ");
  EXPECT_EQ(error_of("PRINT (1)BOX(36,1,6,3),"), 41);  // does not fit
  // A short frame text takes the plain characters for what it lacks; a long
  // one is read for six characters only.
  run({"PRINT (1)BOX(1,5,4,3,0,\"\",\"ab\"),BOX(10,5,4,3,0,\"\",DIM(300,\"z\")),"});
  EXPECT_EQ(err, 46);  // 300 bytes do not fit a length byte: the function says so
  run({"PRINT (1)BOX(1,5,4,3,0,\"\",\"ab\"),BOX(10,5,4,3,0,\"\",\"123456789\"),"});
  EXPECT_EQ(err, 0);
  EXPECT_EQ(screen_row(5).substr(0, 16), " a--b     1552  ");
  EXPECT_EQ(screen_row(6).substr(0, 16), " |  |     6  6  ");
  EXPECT_EQ(screen_row(7).substr(0, 16), " +--+     3554  ");
}

// 'TW' queues the window stack as the next input: the count, then each
// number from the current window down to window 0; the numbers a program gave
// through parameter OW come back as it gave them.
TEST_F(Windows, WindowStackAsInput) {
  auto stack = [&](int n) {
    run({"PRINT (1)'TW',", "INPUT (1,SIZ=-" + std::to_string(n) + ")Q$"});
    EXPECT_EQ(err, 0);
    return var_str("Q$");
  };
  EXPECT_EQ(stack(2), std::string("\x01\x00", 2));
  run({"PRINT (1)WDW(1,1,5,5,3),WDW(10,1,5,5,5),"});
  EXPECT_EQ(stack(4), std::string("\x03\x05\x03\x00", 4));
  run({"PRINT (1)'WC',"});  // window 5 goes to the bottom, above window 0
  EXPECT_EQ(stack(4), std::string("\x03\x03\x05\x00", 4));
  run({"PRINT (1)'SR',", "SET_PARAM 'OW'=20", "PRINT (1)WDW(1,1,5,5,2),WDW(10,1,5,5),"});
  EXPECT_EQ(dev()->win.number, 1);  // the lowest free number takes no offset
  EXPECT_EQ(dev()->win.saved->number, 22);
  EXPECT_EQ(stack(4), std::string("\x03\x01\x02\x00", 4));
  run({"SET_PARAM 'OW'=0"});
}

// Selector tables of the definition language whose count passes the end of
// the definition are read only as far as the definition goes (the buffer is
// exactly the definition's size, so a read past it is caught).
TEST_F(Windows, SelectorTablesAreBounded) {
  auto send = [&](const std::string& def, int32_t col) {
    std::vector<uint8_t> blk(sizeof(MnemDef) + def.size());
    MnemDef* d = reinterpret_cast<MnemDef*>(blk.data());
    d->code = Mnem_code('Z', 'Z');
    d->len = uint16_t(def.size());
    std::memcpy(d->bytes, def.data(), def.size());
    Io_save_guard io;
    ws.Cur_fcb = f;
    f->st1 &= uint16_t(~ST1_WINDOW_REL);
    f->column = col;
    f->buf_count = 0;
    Send_mnem(d);
    std::string out(reinterpret_cast<const char*>(f->out_buf), size_t(f->buf_count));
    f->buf_count = 0;
    return out;
  };
  const char n200 = char(200);
  EXPECT_EQ(send(std::string("\\Ct") + n200 + "ab", 1), "");   // lookup table cut short
  EXPECT_EQ(send(std::string("\\CT") + n200 + "xy", 1), "y");  // format table: in range
  EXPECT_EQ(send(std::string("\\CT") + n200 + "xy", 5), "");   // past the definition: nothing
  EXPECT_EQ(send(std::string("\\Ct") + char(2) + "ABa", 1), "66");  // a whole table works
  EXPECT_EQ(send(std::string("\\Ct"), 1), "");
  EXPECT_EQ(send(std::string("\\C+"), 1), "");
}

// What the terminal receives for colours it has and lacks, by the count of
// colours its driver gives ('*K'): 256 and 88 through the driver's sequence
// for any colour ('FX'), 16 and 8 through the nearest standard colour.
TEST_F(Windows, ColoursMapToWhatTheTerminalHas) {
  {
    Io_save_guard io;
    ws.Cur_fcb = f;
    ws.Cur_chan = 1;
    Run_driver_program("xterm-256color");
  }
  type("DEFTTY (1)40,12");
  auto sent = [&](const std::string& stmt) {
    f->buf_count = 0;
    EXPECT_EQ(error_of(stmt), 0) << stmt;
    std::string out(reinterpret_cast<const char*>(f->out_buf), size_t(f->buf_count));
    f->buf_count = 0;
    return out;
  };
  // RGB 255,128,0: the 6x6x6 cube's 208; the 4x4x4 cube's 68 (255, 139, 0).
  EXPECT_NE(sent("PRINT (1)FCLR(\"RGB:255,128,0\"),\"x\",").find("\x1b[38;5;208m"), std::string::npos);
  EXPECT_NE(sent("PRINT (1)FCLR(\"RGB:100,100,100\"),\"x\",").find("\x1b[38;5;241m"), std::string::npos);
  run({"MNEMONIC (1)'*K',\"88\""});
  EXPECT_NE(sent("PRINT (1)FCLR(\"RGB:255,128,1\"),\"x\",").find("\x1b[38;5;68m"), std::string::npos);
  // A grey goes to the 88-colour greys 80..87 (115 is 82).
  EXPECT_NE(sent("PRINT (1)FCLR(\"RGB:118,118,118\"),\"x\",").find("\x1b[38;5;82m"), std::string::npos);
  // 16 colours: the nearest of the sixteen (light red, 9 on the terminal).
  run({"MNEMONIC (1)'*K',\"16\""});
  EXPECT_NE(sent("PRINT (1)FCLR(\"RGB:250,10,10\"),\"x\",").find("\x1b[91m"), std::string::npos);
  // 8 colours: the nearest of the eight.
  run({"MNEMONIC (1)'*K',\"8\""});
  EXPECT_NE(sent("PRINT (1)FCLR(\"RGB:240,20,20\"),\"x\",").find("\x1b[31m"), std::string::npos);
  // No colours: nothing but the text.
  run({"MNEMONIC (1)'*K',\"\",'FX',\"\",'BX',\"\"", "MNEMONIC (1)'F0',\"\",'F?',\"\""});
  EXPECT_EQ(sent("PRINT (1)FCLR(\"RGB:230,30,30\"),\"x\",").find("\x1b[3"), std::string::npos);
}

// 'M-' and 'M+' clear and set the menu-enabled bit (no longer error 99).
TEST_F(Windows, MenuMnemonicsSetTheMenuBit) {
  EXPECT_EQ(error_of("PRINT (1)'M-',"), 0);
  EXPECT_FALSE(Menu_enabled);
  EXPECT_EQ(error_of("PRINT (1)'M+',"), 0);
  EXPECT_TRUE(Menu_enabled);
}

// ---- colours ----

int32_t cnv(const std::string& s, int dark = 0) { return CnvColour(u(s), int32_t(s.size()), dark); }

TEST(Colours, Texts) {
  EXPECT_EQ(cnv("LIGHT RED"), 0xFF0000);
  EXPECT_EQ(cnv("light red"), 0xFF0000);
  EXPECT_EQ(cnv("Red"), 0xFF0000);
  EXPECT_EQ(cnv("  RED  "), 0xFF0000);
  EXPECT_EQ(cnv("DARK RED"), 0x800000);
  EXPECT_EQ(cnv("GRAY"), 0xC0C0C0);
  EXPECT_EQ(cnv("DARK GRAY"), 0x808080);
  EXPECT_EQ(cnv("RGB:300,1,2"), 0xFF0102);
  EXPECT_EQ(cnv("rgb:7"), 0x070000);  // missing numbers are 0
  EXPECT_EQ(cnv("DEFAULT"), -1);
  EXPECT_EQ(cnv(""), -1);
  EXPECT_EQ(cnv("PURPLE"), -1);
  EXPECT_EQ(cnv("COLOUR4"), 0x0000FF);
  EXPECT_EQ(GetColour(0xFF0000), "LIGHT RED");
  EXPECT_EQ(GetColour(0x800000), "DARK RED");
  EXPECT_EQ(GetColour(0x010203), "RGB:1,2,3");
  EXPECT_EQ(GetColour(-1), "DEFAULT");
}

TEST(Colours, PaletteCountIsTheBound) {
  int32_t count = OruClrRGBTblCnt;
  EXPECT_EQ(GetRGBFromIdx(count), 0xFF0000u);  // past the last entry: entry 1
  EXPECT_EQ(GetRGBFromIdx(count - 1), GetRGBFromIdx(count - 1));
  std::string text = "COLOUR" + std::to_string(count);
  EXPECT_EQ(cnv(text), -1);  // one past the last entry is the default
  EXPECT_EQ(GetRGBFromIdx(-1), 0xFF0000u);
}

TEST(Colours, NewColoursAreAddedOnceAndTheFullPaletteMatchesNearest) {
  int32_t saved = OruClrRGBTblCnt;
  int32_t i = GetClrIdxFromRGB(0xFE0000);  // not an entry of the first 16
  EXPECT_GE(i, 16);
  EXPECT_EQ(GetClrIdxFromRGB(0xFE0000), i);
  EXPECT_EQ(GetClrIdxFromRGB(0xFF0000) >= 16, true);  // entries 0..15 are never matched
  while (OruClrRGBTblCnt < PALETTE_MAX) GetClrIdxFromRGB(uint32_t(0x100000 + OruClrRGBTblCnt * 7));
  int32_t near = GetClrIdxFromRGB(0xFE0001);  // full: the nearest by dropping low bits
  EXPECT_EQ(near, i);
  EXPECT_EQ(OruClrRGBTblCnt, PALETTE_MAX);
  OruClrRGBTblCnt = saved;
}

TEST(Colours, CellColourIndexes) {
  uint32_t attr = 0x0200 | 1 | ATTR_BLINK;  // foreground 2, bright, blinking
  EXPECT_EQ(GetForeColourIdx(attr), OruClrIdxTbl[26]);
  EXPECT_EQ(GetBackColourIdx(0x030000), OruClrIdxTbl[35]);
  EXPECT_EQ(GetForeColourIdx(0x030000 | ATTR_REVERSE), OruClrIdxTbl[35]);
  EXPECT_EQ(GetForeColourIdx(0x2A00), 42);  // a palette index is used directly
}

TEST(Colours, BbxTriplesRoundTrip) {
  uint8_t t[3];
  KestGetBBXClr(0x040100 | ATTR_REVERSE, t);  // red on blue, reversed, not bright
  EXPECT_EQ(t[0] & 2, 2);
  EXPECT_EQ(t[0] & 1, 1);
  uint32_t back = KestSetBBXClr(t, 0, 0);
  EXPECT_EQ(back >> 8 & 255, 1u);
  EXPECT_EQ(back >> 16 & 255, 4u);
}

}  // namespace
