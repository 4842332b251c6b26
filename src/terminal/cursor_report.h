// Where a terminal shows its cursor, asked of the terminal itself.
//
// The console's screen keeps its own idea of the cursor (the record's
// column and line), which every cursor address it sends is built from.
// When the screen is defined, that idea is the top-left corner; the
// terminal's cursor is wherever the text before left it (the start-up
// greeting leaves it on the bottom line, a shell anywhere, the other
// terminal of an LNSW below what it showed).  Until the two agree, the
// first cursor address (an input field scrolled sideways, a PRINT @(x))
// lands lines away from the text it belongs to.  So the console asks the
// terminal (ESC [ 6 n) and the terminal's report (ESC [ line ; column R,
// both from 1) sets the record's cursor.
#pragma once
#include <cstddef>
#include <cstdint>

// How long the console waits for the report: a terminal that answers does
// so at once; one that never answers costs this wait once.
constexpr int32_t CURSOR_REPORT_WAIT_MS = 2000;

// Finds the first complete report ESC [ digits ; digits R in the n bytes at
// p: its offset and length, the line and column it gives (from 1).  Keys
// typed ahead may stand around it (an arrow key's ESC [ A among them).
bool Cursor_report_find(const uint8_t* p, size_t n, size_t& at, size_t& len, int32_t& line, int32_t& col);

// Asks the terminal on the console's stream where its cursor is, waiting
// at most ms for the report; the keys typed meanwhile stay unread, in the
// order typed.  False when no report came in time (the line and column
// are then left alone).
bool Con_ask_cursor(int32_t ms, int32_t& line, int32_t& col);

// The console's screen takes the terminal's cursor as its own, when the
// console is a screen with cursor addressing on a terminal that reads raw
// keys and sends and receives on the same line (nothing happens otherwise).
void Console_sync_cursor();
