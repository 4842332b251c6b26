// Character-mode controls of a text terminal: list boxes, variable list
// boxes, drop boxes, variable drop boxes and multi-line edits, drawn into
// the console's current text window and operated from the keyboard through
// the line editor, which hands every key to the focused control.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "terminal/terminal.h"

enum : uint16_t {
  CT_BUTTON = 1,
  CT_CHECK_BOX = 2,
  CT_TRISTATE_BOX = 3,
  CT_LIST_BOX = 4,
  CT_VARLIST_BOX = 5,
  CT_DROP_BOX = 6,
  CT_VARDROP_BOX = 7,
  CT_MULTI_LINE = 8,
  CT_RADIO_BUTTON = 9,
  CT_GRID = 13,
  CT_CHART = 14,
  CT_VSCROLL = 16,
  CT_HSCROLL = 32,
  CT_BINDING = 128,  // not a control: an id bound to an object
};

// Flags of a control.
enum : uint16_t {
  WOB_DISABLED = 0x8000,
  WOB_DROPPED = 8,
  WOB_FOCUS = 4,
  WOB_CHANGED = 2,
  WOB_OVERWRITE = 0x10,
};

// One control of a window (newest first on the window's list).
struct Wob {
  Wob* next = nullptr;
  int32_t col = 0, line = 0;  // cells within the window
  uint16_t type = 0;
  uint16_t flags = 0;
  uint16_t flags2 = 0;        // 1 AUTO, 0x80 read-only
  int32_t id = 0;
  int32_t width = 0, height = 0;
  std::vector<std::string> items;
  std::string text;           // typed text (variable boxes) or the whole text (multi-line)
  int32_t next_ctl = 0;
  int32_t selected = 0;       // 1-based, 0 none
  int32_t offset = 0;         // cursor offset in the text
  int32_t top = 0;            // first item / display line shown
  int32_t max_len = 0;
  uint8_t ctl_code = 0;
  uint8_t delim = ',';
  int32_t home_window = 0;    // number of the window the control belongs to
  int32_t drop_window = 0;    // window number of an open drop list (0 none)
  int32_t bound_obj = 0;      // slot of the object bound to the id (type 128: a binding)
};

// Frees every control of a window record (no screen output).
void Tty_purge_controls(Window_rec& w);
// Frees the controls of a window record that overlap the cells cleared
// from col, line to the end of that line, or with to_end to the end of the
// window (no screen output).
void Tty_purge_region(Window_rec& w, int32_t col, int32_t line, bool to_end);
// 'DO': every character-mode control of the console's current window goes,
// its cells cleared (bindings to objects stay).
void Tty_drop_objects();
// Whether a control of the console has the focus.
bool Tty_has_focus();
// ENABLE CONTROL / DISABLE CONTROL ids (the cursor after CONTROL): as SHOW
// and HIDE, with the requests '<' and '>'.
void Control_enable(bool disable);
// Hands a key to the focused control: (byte, 0) for a typed character,
// (-1, code) for an editing code or event.  Returns -1000 (taken), -1099
// (not taken: the editor handles it) or a CTL value that ends the input.
int32_t Tty_focus_key(int32_t c, int32_t code);
// The focused control's id (0 none).
int32_t TtyCurFocus();

// DROP ON id,window,operation (the cursor after ON).
void OruDragDrop();
