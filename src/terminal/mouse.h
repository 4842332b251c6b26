// Mouse regions and mouse reports of a terminal (see mouse.cpp).
#pragma once
#include <cstddef>
#include <cstdint>

#include "terminal/terminal.h"

// One decoded report: the cell counted from 0, the button (0..2), whether
// the button was released and whether it is a click at all (motion and
// wheel reports are not).
struct Mouse_report {
  int32_t col = 0, line = 0;
  int button = 0;
  bool release = false;
  bool click = false;
};

// Decodes a report at p (n bytes so far): the bytes it takes when complete,
// 0 when p is the beginning of a report that needs more bytes, -1 when p
// is no report.
int Mouse_decode(const uint8_t* p, size_t n, Mouse_report& r);

// Whether an input on f should ask the terminal for mouse reports (the
// channel has regions and its driver defines '+M').
bool Mouse_wanted(Fcb* f);
bool Mouse_reporting();
// Sends '+M' or '-M' on the current channel when the state changes.
void Mouse_reports(bool on);

// The region under the cell, of the kind asked for (press or release):
// the current window's list first, then the channel-wide list.
const Mouse_region* MSE_check(bool release, int32_t col, int32_t line);
// Carries out a region: its CTL value in ctl (true), or its statement,
// after which the interrupted statement starts again (does not return).
bool MSE_act(const Mouse_region* r, int32_t& ctl);
void Mouse_free(Dev_fcb* d);
// The last mouse report an input read (all zero before the first; MSE).
const Mouse_report& Mouse_last_report();
