// Character-mode controls of a text terminal: list boxes, variable list
// boxes, drop boxes, variable drop boxes and multi-line edits, drawn into
// the current text window and operated from the keyboard through the line
// editor.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "terminal/terminal.h"

// One control of a window (newest first on the window's list).
struct Wob {
  Wob* next;
  int32_t col, line;       // cells within the window
  uint16_t type;           // control-type code
  uint16_t flags;          // 0x8000 disabled, 8 dropped, 4 focus, 2 changed, 0x10 overwrite
  uint16_t flags2;         // 1 AUTO, 0x80 read-only
  int16_t id;
  int32_t width, height;
  std::vector<std::string> items;
  std::string text;        // typed text (variable boxes) or the whole text (multi-line)
  int32_t next_ctl;
  int32_t selected;        // 1-based, 0 none
  int32_t offset;          // cursor offset in text
  int32_t top;             // first item / display line shown
  int32_t max_len;
  uint8_t ctl_code;
  uint8_t delim;
  int32_t drop_window;     // window number of an open drop list (0 none)
};

// Frees every control of a window record (no screen output).
void Tty_purge_controls(Window_rec& w);
