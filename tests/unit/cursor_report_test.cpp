// The terminal's cursor report: found among keys typed ahead, and asked for
// over the console's stream without losing or reordering those keys.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "core/console_device.h"
#include "core/signal_flags.h"
#include "core/workspace.h"
#include "terminal/cursor_report.h"
#include "console_pipes.h"

namespace {

bool find(const std::string& s, size_t& at, size_t& len, int32_t& line, int32_t& col) {
  return Cursor_report_find(reinterpret_cast<const uint8_t*>(s.data()), s.size(), at, len, line, col);
}

TEST(CursorReportFind, ReportAloneAndAmongKeys) {
  size_t at, len;
  int32_t line, col;
  ASSERT_TRUE(find("\x1b[24;1R", at, len, line, col));
  EXPECT_EQ(at, 0u);
  EXPECT_EQ(len, 7u);
  EXPECT_EQ(line, 24);
  EXPECT_EQ(col, 1);
  // An arrow key and letters typed before it are not part of it.
  ASSERT_TRUE(find("ab\x1b[A\x1b[3;80Rcd", at, len, line, col));
  EXPECT_EQ(at, 5u);
  EXPECT_EQ(len, 7u);
  EXPECT_EQ(line, 3);
  EXPECT_EQ(col, 80);
}

TEST(CursorReportFind, WhatIsNotAWholeReport) {
  size_t at, len;
  int32_t line, col;
  for (const char* s : {"", "\x1b", "\x1b[", "\x1b[5R", "\x1b[;5R", "\x1b[5;R", "\x1b[5;6", "\x1b[5;6S", "[5;6R",
                        "\x1b[99999;1R", "\x1b[1;99999R", "\x1bO5;6R"})
    EXPECT_FALSE(find(s, at, len, line, col)) << "taken: " << s + (s[0] == 0x1b);
  // A broken one does not hide the whole one after it.
  ASSERT_TRUE(find("\x1b[7;\x1b[8;9R", at, len, line, col));
  EXPECT_EQ(at, 4u);
  EXPECT_EQ(line, 8);
  EXPECT_EQ(col, 9);
}

class ConsoleAskTest : public ConsolePipesTest {
 protected:
  void type(const std::string& s) { ASSERT_EQ(write(in[1], s.data(), s.size()), ssize_t(s.size())); }
  std::string sent() {
    char b[64];
    ssize_t n = read(out[0], b, sizeof b);
    return n > 0 ? std::string(b, size_t(n)) : "";
  }
  std::string keys_left() {
    std::string k;
    for (int c; (c = Con_getc(20)) >= 0;) k.push_back(char(c));
    return k;
  }
};

TEST_F(ConsoleAskTest, ReportReadKeysKeptInOrder) {
  type("ab\x1b[A\x1b[12;34Rcd");
  int32_t line = 0, col = 0;
  ASSERT_TRUE(Con_ask_cursor(5000, line, col));
  EXPECT_EQ(sent(), "\x1b[6n");
  EXPECT_EQ(line, 12);
  EXPECT_EQ(col, 34);
  EXPECT_EQ(keys_left(), "ab\x1b[A" "cd");
}

// Keys the stream had already taken in and not yet handed out come first.
TEST_F(ConsoleAskTest, KeysAlreadyBufferedStayFirst) {
  type("xy\x1b[2;3Rz");
  ASSERT_EQ(Con_getc(1000), 'x');  // the stream now holds the rest
  int32_t line = 0, col = 0;
  ASSERT_TRUE(Con_ask_cursor(5000, line, col));
  EXPECT_EQ(line, 2);
  EXPECT_EQ(col, 3);
  EXPECT_EQ(keys_left(), "yz");
}

// A terminal that does not answer: the wait ends, the line and column stay
// as they were and every key typed meanwhile is still there to read.
TEST_F(ConsoleAskTest, NoReportInTime) {
  type("q\x1b[5");
  int32_t line = -7, col = -7;
  EXPECT_FALSE(Con_ask_cursor(60, line, col));
  EXPECT_EQ(line, -7);
  EXPECT_EQ(col, -7);
  EXPECT_EQ(keys_left(), "q\x1b[5");
}

// An escape ends the wait; the keys stay.
TEST_F(ConsoleAskTest, EscapeEndsTheWait) {
  type("k");
  Sig_escape = 1;
  Sig_pending = 1;
  int32_t line = 0, col = 0;
  EXPECT_FALSE(Con_ask_cursor(60000, line, col));
  ws.Run_flags &= ~uint32_t(RF_ESCAPE);
  EXPECT_EQ(keys_left(), "k");
}

}  // namespace
