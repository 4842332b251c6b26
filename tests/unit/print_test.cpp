// The output character machine of PRINT on a stream channel: text runs
// that cross the buffer's end, special bytes inside runs, '@(' padding,
// wrapping at the channel's line width (UTF-8 characters kept whole), and
// PRINT's own line end after an automatic wrap.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/print.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

std::string flushed;  // what the test driver's flush slot received

int64_t collecting_driver(int slot) {
  Fcb* f = ws.Cur_fcb;
  if (slot == FIO_FLUSH) {
    flushed.append(reinterpret_cast<const char*>(f->out_buf), size_t(f->buf_count));
    f->buf_count = 0;
    f->high_water = 0;
  }
  return 0;
}

class PrintMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    Prm_defaults();
    flushed.clear();
    std::memset(&fcb, 0, sizeof fcb);
    fcb.kind = FK_BINARY;  // 'LF' puts a line feed into the buffer
    fcb.channel = 1;
    fcb.fd = -1;
    fcb.out_buf = buf;
    fcb.buf_size = 16;
    fcb.st1 = ST1_WRITTEN;
    saved = static_cast<Io_state&>(ws);
    saved_utf8 = ws.Utf8_mode;
    ws.Cur_fcb = &fcb;
    ws.Cur_drv = collecting_driver;
    ws.Io_tbl = nullptr;
  }
  void TearDown() override {
    static_cast<Io_state&>(ws) = saved;
    ws.Utf8_mode = saved_utf8;
    Prm_defaults();
  }
  void print(const std::string& s) {
    ws.Str_ptr = reinterpret_cast<uint8_t*>(const_cast<char*>(s.data()));
    ws.Str_len = int32_t(s.size());
    Prt_fld();
  }
  std::string all() {
    Prt_flush();
    return flushed;
  }
  Fcb fcb;
  uint8_t buf[16];
  Io_state saved;
  decltype(ws.Utf8_mode) saved_utf8{};
};

TEST_F(PrintMachine, LongTextCrossesTheBufferEndWhole) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += char('a' + i % 26);
  print(text);
  EXPECT_EQ(fcb.column, 50);
  EXPECT_EQ(all(), text);
}

TEST_F(PrintMachine, SpecialBytesInsideARunBecomeMnemonics) {
  std::string fs(1, char(prmblk.FS));
  print("abcdefghij\rk" + fs + "lm\x1b" "CRnop");
  EXPECT_EQ(all(), "abcdefghij\rk\nlm\rnop");
  EXPECT_EQ(fcb.column, 3);
  EXPECT_EQ(fcb.line, 1);
}

TEST_F(PrintMachine, ControlBytesThatAreNoMnemonicPassAsText) {
  print(std::string("a\tb\x07" "c", 5));
  EXPECT_EQ(all(), std::string("a\tb\x07" "c", 5));
  EXPECT_EQ(fcb.column, 5);
}

TEST_F(PrintMachine, PositionPadsWithBlanksPastTheBufferEnd) {
  print("ab");
  Prt_pos1(40);
  print("x");
  EXPECT_EQ(fcb.column, 41);
  EXPECT_EQ(all(), "ab" + std::string(38, ' ') + "x");
}

TEST_F(PrintMachine, PositionBackInsideTheBufferOverwrites) {
  print("abcdef");
  Prt_pos1(2);
  print("X");
  EXPECT_EQ(all(), "abXdef");
}

TEST_F(PrintMachine, TextWrapsAtTheLineWidth) {
  fcb.width = 10;
  print("0123456789012345678901234");
  EXPECT_EQ(fcb.column, 5);
  EXPECT_EQ(fcb.line, 2);
  EXPECT_EQ(all(), "0123456789\n0123456789\n01234");
}

TEST_F(PrintMachine, PaddingWrapsAtTheLineWidth) {
  fcb.width = 8;
  print("abc");
  Prt_pos1(10);
  EXPECT_EQ(all(), "abc     \n  ");
  EXPECT_EQ(fcb.column, 2);
}

TEST_F(PrintMachine, ZeroWidthNeverWraps) {
  std::string text(300, 'z');
  print(text);
  EXPECT_EQ(fcb.column, 300);
  EXPECT_EQ(all(), text);
}

TEST_F(PrintMachine, Utf8CharacterIsOneColumnAndIsNotSplitByAWrap) {
  ws.Utf8_mode = 1;
  fcb.width = 3;
  print("ab\xE2\x82\xAC" "cd");  // a, b, the euro sign, c, d
  EXPECT_EQ(all(), "ab\xE2\x82\xAC\ncd");
  EXPECT_EQ(fcb.column, 2);
}

// PRINT statements on a file channel whose width is set.
class PrintStatement : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    char tmpl[] = "/tmp/oru_print_XXXXXX";
    int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    path = tmpl;
    type("OPEN (1,BIN=1)\"" + path + "\"");
    ASSERT_NE(Find_fp(1), nullptr);
    Find_fp(1)->width = 5;
  }
  void TearDown() override {
    type("CLOSE (1)");
    unlink(path.c_str());
    Sw_set(sw::BX, false);
    Console_env::TearDown();
  }
  std::string contents() {
    type("CLOSE (1)");
    FILE* fp = std::fopen(path.c_str(), "rb");
    std::string s;
    int c;
    while (fp && (c = std::fgetc(fp)) != EOF) s += char(c);
    if (fp) std::fclose(fp);
    return s;
  }
  std::string path;
};

TEST_F(PrintStatement, LineEndAfterAWrapIsKeptWithoutBX) {
  type("PRINT (1)\"abcde\"");
  EXPECT_EQ(contents(), "abcde\n\n");
}

TEST_F(PrintStatement, LineEndAfterAWrapIsLeftOutWithBX) {
  Sw_set(sw::BX, true);
  type("PRINT (1)\"abcde\"");
  type("PRINT (1)\"ab\"");  // no wrap: its line end stays
  EXPECT_EQ(contents(), "abcde\nab\n");
}

TEST_F(PrintStatement, WholeArraysPrintEveryElement) {
  Find_fp(1)->width = 0;
  type("DIM A[2],B$[1]");
  type("A[0]=5; A[1]=-2; A[2]=7; B$[0]=\"x\"; B$[1]=\"y\"");
  type("PRINT (1)A[ALL],\"|\",B$[ALL],\"|\",A[ALL]*2:\"#0\"");
  EXPECT_EQ(contents(), " 5-2 7|xy|10 414\n");
}

}  // namespace
