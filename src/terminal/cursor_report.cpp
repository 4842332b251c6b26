// The console's cursor taken from the terminal's report (see cursor_report.h).
#include "terminal/cursor_report.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "channels/channel.h"
#include "channels/print.h"
#include "core/console_device.h"
#include "core/errors.h"
#include "core/workspace.h"
#include "terminal/terminal.h"

namespace {

constexpr char ASK[] = "\x1b[6n";
constexpr size_t REPORT_MAX = 24;  // ESC [ and two numbers of up to ten digits, ';' and 'R'

// Digits at p[i..n) up to the byte that follows them; false when there are
// none, or more than a line or column could be.
bool number_at(const uint8_t* p, size_t n, size_t& i, int32_t& v) {
  size_t start = i;
  int64_t x = 0;
  while (i < n && p[i] >= '0' && p[i] <= '9') {
    x = x * 10 + (p[i] - '0');
    if (x > 9999) return false;
    ++i;
  }
  v = int32_t(x);
  return i > start;
}

// Both ends of the console's stream are one terminal: the report to what
// went out comes back in.
bool same_terminal(int in, int out) {
  if (in < 0 || out < 0 || !isatty(in) || !isatty(out)) return false;
  struct stat a {}, b {};
  if (fstat(in, &a) != 0 || fstat(out, &b) != 0) return false;
  return a.st_rdev == b.st_rdev;
}

}  // namespace

bool Cursor_report_find(const uint8_t* p, size_t n, size_t& at, size_t& len, int32_t& line, int32_t& col) {
  for (size_t s = 0; s + 1 < n; ++s) {
    if (p[s] != 0x1b || p[s + 1] != '[') continue;
    size_t i = s + 2;
    int32_t l, c;
    if (!number_at(p, n, i, l) || i >= n || p[i] != ';') continue;
    ++i;
    if (!number_at(p, n, i, c) || i >= n || p[i] != 'R') continue;
    at = s;
    len = i + 1 - s;
    line = l;
    col = c;
    return true;
  }
  return false;
}

bool Con_ask_cursor(int32_t ms, int32_t& line, int32_t& col) {
  if (!Con_send(ASK, sizeof ASK - 1)) return false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  std::string got;
  bool found = false;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() < 0) break;
    int b = Con_getc(int32_t(left.count()));
    if (b < 0) break;  // no report in time, an escape, or the end of input
    got.push_back(char(b));
    // The report ends with 'R'; only then can the bytes hold a whole one.
    if (b != 'R') continue;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(got.data());
    size_t from = got.size() > REPORT_MAX ? got.size() - REPORT_MAX : 0;
    size_t at, len;
    if (Cursor_report_find(p + from, got.size() - from, at, len, line, col) && from + at + len == got.size()) {
      got.erase(from + at, len);
      found = true;
      break;
    }
  }
  // What was typed while the report was awaited is read next, before what
  // came after it.
  if (!got.empty()) Con_unread(reinterpret_cast<const uint8_t*>(got.data()), got.size());
  return found;
}

void Console_sync_cursor() {
  Fcb* f = ws.Con_fcb;
  if (!f || !Is_screen(f) || (f->st2 & ST2_THIN_CLIENT) || !Console_raw_keys()) return;
  Dev_fcb* d = Dev(f);
  if (!d->at_at || !same_terminal(Con_in_fd(), Con_out_fd())) return;
  try {
    // What the screen holds goes out first: the report must tell where
    // the cursor stands after it.
    Console_current cc;
    Prt_flush();
  } catch (const Oru_error&) {
    return;  // the terminal is gone: nothing to ask
  }
  int32_t line, col;
  if (!Con_ask_cursor(CURSOR_REPORT_WAIT_MS, line, col)) return;
  // The report is of the whole screen; the record's cursor is within the
  // current window, which the cursor may stand outside of.
  const Window_rec& w = d->win;
  int32_t l = line - 1 - (w.scr_line + w.line0);
  int32_t c = col - 1 - (w.scr_col + w.col0);
  if (l < 0 || l >= w.lines || c < 0 || c >= w.cols) return;
  // A wrap still pending stands in the last column on the terminal.
  if (!(c == w.cols - 1 && f->column == w.cols)) f->column = c;
  f->line = l;
}
