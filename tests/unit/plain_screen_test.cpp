// The line editor on a terminal screen whose driver has no cursor
// addressing: channel 1 is a 20x6 screen made by DEFTTY whose keys come
// from, and whose output goes to, one end of a socket pair.  What the
// channel sends is played on a small model of a plain terminal (printable
// characters with a pending wrap at the last column, carriage return,
// backspace, line feed, and ESC [ line ; column H where the driver defines
// it); whatever the keys did, the terminal must show what the screen image
// holds, with its cursor where the channel's is.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/print.h"
#include "console_env.h"
#include "core/nested_run.h"
#include "terminal/terminal.h"
#include "test_util.h"

namespace {

constexpr int COLS = 20, LINES = 6;

// A plain terminal: what it shows and where its cursor is.
struct Plain_terminal {
  std::vector<std::string> rows = std::vector<std::string>(LINES, std::string(COLS, ' '));
  int col = 0, line = 0;
  bool pending = false;  // the last column was written: the next character wraps
  std::string refused;   // bytes it does not know

  void down() {
    if (line + 1 < LINES) {
      ++line;
      return;
    }
    rows.erase(rows.begin());
    rows.push_back(std::string(COLS, ' '));
  }
  void play(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(bytes[i]);
      if (c == 27 && i + 1 < bytes.size() && bytes[i + 1] == '[') {
        size_t end = bytes.find('H', i);
        int l = 0, k = 0;
        if (end == std::string::npos || std::sscanf(bytes.c_str() + i + 2, "%d;%d", &l, &k) != 2) {
          refused += bytes.substr(i);
          return;
        }
        line = l - 1;
        col = k - 1;
        pending = false;
        i = end;
      } else if (c == '\r') {
        col = 0;
        pending = false;
      } else if (c == '\b') {
        if (col > 0) --col;
        pending = false;
      } else if (c == '\n') {
        down();
      } else if (c == 7) {
      } else if (c >= 32 && c < 127) {
        if (pending) {
          col = 0;
          down();
          pending = false;
        }
        rows[size_t(line)][size_t(col)] = char(c);
        if (col + 1 < COLS) ++col;
        else pending = true;
      } else {
        refused.push_back(char(c));
      }
    }
  }
};

// The drivers a screen without cursor addressing may have, and one with it.
struct Driver {
  const char* name;
  const char* mnemonics;  // MNEMONIC statement for channel 1, or ""
  bool addressing;
};
const Driver drivers[] = {
    {"none", "", false},
    {"carriage_return", "MNEMONIC (1)'CR',$0D$,'LF',$0D0A$,'DN',$0A$", false},
    {"backspace", "MNEMONIC (1)'BS',$08$", false},
    {"addressing", "MNEMONIC (1)'@@',$1B5B5C4C413B5C434148$", true},
};
void PrintTo(const Driver& d, std::ostream* os) { *os << d.name; }

class Plain_screen : public Console_env, public ::testing::WithParamInterface<Driver> {
 protected:
  Fcb* f = nullptr;
  int sock[2] = {-1, -1};
  Plain_terminal term;

  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sock), 0);
    ASSERT_EQ(fcntl(sock[1], F_SETFL, O_NONBLOCK), 0);
    type("OPEN (1)\"/dev/null\"");
    type("DEFTTY (1)20,6");
    f = Find_fp(1);
    ASSERT_NE(f, nullptr);
    f->fd = sock[0];
    if (*GetParam().mnemonics) {
      ASSERT_EQ(type_each({GetParam().mnemonics}), 0);
    }
    ASSERT_EQ(Dev(f)->at_at != nullptr, GetParam().addressing);
  }
  void TearDown() override {
    type("CLOSE (1)");
    if (sock[0] >= 0) close(sock[0]);
    if (sock[1] >= 0) close(sock[1]);
    Console_env::TearDown();
  }

  // Runs the statement with the keys waiting; the terminal plays what the
  // channel sent.
  void input(const std::string& stmt, const std::string& keys) {
    ASSERT_EQ(write(sock[1], keys.data(), keys.size()), ssize_t(keys.size()));
    ASSERT_EQ(type_each({stmt}), 0) << stmt;
    {
      Io_save_guard io;
      ws.Cur_fcb = f;
      Prt_flush();
    }
    char buf[4096];
    ssize_t n;
    while ((n = read(sock[1], buf, sizeof buf)) > 0) term.play(std::string(buf, size_t(n)));
  }

  // The terminal shows the screen image; the cursors agree.
  void expect_terminal_shows_image(const char* what) {
    const Window_rec& w = Dev(f)->win;
    for (int l = 0; l < LINES; ++l)
      EXPECT_EQ(term.rows[size_t(l)], std::string(reinterpret_cast<const char*>(w.chars + Cell(w, 0, l)), COLS))
          << what << ": line " << l;
    EXPECT_EQ(term.line, f->line) << what;
    EXPECT_EQ(term.pending ? COLS : term.col, f->column) << what;
    EXPECT_EQ(term.refused, "") << what;
  }
  std::string image_row(int l) {
    const Window_rec& w = Dev(f)->win;
    return std::string(reinterpret_cast<const char*>(w.chars + Cell(w, 0, l)), COLS);
  }
};

const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";  // 30: longer than any field here

TEST_P(Plain_screen, LongAnswerScrollsAndTheTerminalFollows) {
  // Typed past the field, back to its start, then taken.
  input("INPUT (1)\"->\",A$", alphabet + "\x01\r");
  expect_terminal_shows_image("start after scrolling");
  EXPECT_EQ(var_str("A$"), alphabet);
  // The field ends before the last column unless the screen can go back up.
  std::string shown = alphabet.substr(0, GetParam().addressing ? 18 : 17);
  EXPECT_EQ(image_row(0), ("->" + shown + "   ").substr(0, COLS));
  // Left at the end: the end of the answer shows, the rest stays blank.
  input("INPUT (1)\"->\",B$", alphabet + "\r");
  expect_terminal_shows_image("end after scrolling");
  EXPECT_EQ(var_str("B$"), alphabet);
}

TEST_P(Plain_screen, EditsInsideAScrolledField) {
  // Insert near the start: the rest of the field is written again and the
  // cursor goes back (a carriage return and the prompt, or backspaces).
  input("INPUT (1)\"->\",A$", alphabet + "\x01\x06\x06\x06xyz\r");
  expect_terminal_shows_image("insertion");
  EXPECT_EQ(var_str("A$"), "ABCxyzDEFGHIJKLMNOPQRSTUVWXYZ0123");
  // Back two, delete left, clear to the end, then more text.
  input("INPUT (1)\"->\",B$", alphabet + "\x02\x02\x7f\x0bmore\r");
  expect_terminal_shows_image("delete and clear");
  EXPECT_EQ(var_str("B$"), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0more");
  // One cell left and right again at the end of a short answer, and the
  // whole field cleared while it was scrolled.
  input("INPUT (1)\"name: \",C$", "abc\x02\x02\x06" + alphabet + "\x15zz\r");
  expect_terminal_shows_image("short answer");
  EXPECT_EQ(var_str("C$"), "zz");
}

TEST_P(Plain_screen, FieldNearTheLastColumn) {
  // A prompt that ends one short of the last column: on a screen that
  // cannot go back up, the field begins on the next line.
  input("INPUT (1)\"0123456789012345678\",A$", "abcdef\x01x\r");
  expect_terminal_shows_image("prompt to the last column but one");
  EXPECT_EQ(var_str("A$"), "xabcdef");
}

INSTANTIATE_TEST_SUITE_P(Drivers, Plain_screen, ::testing::ValuesIn(drivers),
                         [](const ::testing::TestParamInfo<Driver>& p) { return std::string(p.param.name); });

}  // namespace
