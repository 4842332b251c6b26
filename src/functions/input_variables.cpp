// System variables of the console input: LIP (answer counters), MSE (the
// mouse record) and VHLP (the help text of the last INPUT).
#include <cstdio>
#include <cstring>

#include "terminal/input.h"
#include "core/executor.h"
#include "core/nested_run.h"
#include "core/workspace.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "terminal/gui_objctl.h"
#include "terminal/mouse.h"
#include "terminal/tc_protocol.h"
#include "terminal/tc_session.h"

// LIP: four digits, the answers INPUT has read modulo 100, then those
// OBTAIN has read modulo 100.
void vl_lip() {
  uint32_t input = 0, obtain = 0;
  Input_answer_counts(&input, &obtain);
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02u%02u", unsigned(input % 100), unsigned(obtain % 100));
  Fnc_result_copy(buf, 4);
}

// MSE: 32 bytes, zero-filled: byte 0 the state of the last mouse report (0
// none, 1 a button pressed, 2 released, 3 motion or wheel), bytes 1 and 2
// its column and line (from 0, at most 255), bytes 3-4 and 5-6 the same
// in hundredths of a cell (the middle of the cell, big-endian), byte 7 the
// button (0..2), byte 21 255.
void vl_mse() {
  // A control handler implementing "GetMse" answers first.
  std::string told;
  if (KestObjCtlMSE(told)) {
    Fnc_result_text(told);
    return;
  }
  if (Tc_attached()) {
    // The client answers with its own record (the connect handshake's).
    Io_save_guard io;
    Set_console();
    told = WttyMouse();
    Fnc_result_text(told);
    return;
  }
  uint8_t rec[32] = {};
  const Mouse_report& r = Mouse_last_report();
  bool seen = r.click || r.col != 0 || r.line != 0 || r.button != 0;
  if (seen) {
    rec[0] = !r.click ? 3 : r.release ? 2 : 1;
    rec[1] = uint8_t(r.col < 0 ? 0 : r.col > 255 ? 255 : r.col);
    rec[2] = uint8_t(r.line < 0 ? 0 : r.line > 255 ? 255 : r.line);
    uint32_t x = uint32_t(r.col < 0 ? 0 : r.col) * 100 + 50, y = uint32_t(r.line < 0 ? 0 : r.line) * 100 + 50;
    if (x > 0xFFFF) x = 0xFFFF;
    if (y > 0xFFFF) y = 0xFFFF;
    rec[3] = uint8_t(x >> 8);
    rec[4] = uint8_t(x);
    rec[5] = uint8_t(y >> 8);
    rec[6] = uint8_t(y);
    rec[7] = uint8_t(r.button);
  }
  rec[21] = 255;
  Fnc_result_copy(rec, sizeof rec);
}

// VHLP: the HLP= text of the last INPUT, empty when it gave none.
void vl_vhlp() { Fnc_result_text(Input_help_text()); }
