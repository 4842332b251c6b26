// Thin-client requests of the GUI control directives: the list-box family,
// buttons, scroll bars, the focus, SHOW and HIDE, popup menus, and the
// properties of client-side controls and objects.
#pragma once
#include <cstdint>
#include <string>

// The parsed request of the list-box family.
struct Gui_lbox {
  uint16_t type = 0;
  uint16_t op = 0;      // primary code, or 0x100 | second byte of an extended keyword; 0 DEF
  uint16_t op2 = 0;     // second keyword (NEXT, READ, RESET)
  int32_t id = 0;
  int32_t nums[4] = {};  // positions of DEF (hundredths) or the integers of the other forms
  int nnums = 0;
  int32_t index = -1;
  int value_kind = 0;   // 1 number, 2 string, 3 delete ('/')
  std::string text, options, xlate;
  uint8_t alt_key = 0, delim = 0;
};
// Sends the request; operations that return data await the reply, which is
// returned (empty otherwise).
std::string Gui_lbox_send(const Gui_lbox& r);

struct Gui_button {
  uint16_t type = 0, op = 0;
  int32_t id = 0, group = 0, next = 0;
  int32_t col = 0, line = 0, cols = 0, lines = 0;
  uint8_t state = 0;
  bool alt_form = false;
  std::string text, message, options, tip, states, font;
  int32_t menu_ctl = 0;
};
std::string Gui_button_send(const Gui_button& b);

// Scroll bars: DEF (positions, options), READ (minimum, start, step: the
// position comes back), WRITE (position, maximum), other operations bare.
int32_t Gui_scroll_send(uint16_t type, uint16_t op, int32_t id, const int32_t nums[4], const std::string& options);

// FOCUS READ: the focused id; FOCUS [RETRY] id.
int32_t Gui_focus_read();
void Gui_focus_set(int32_t id, bool retry);
// SHOW / HIDE / ENABLE / DISABLE entries (3 bytes each).
void Gui_show_hide(uint16_t op, const std::string& entries);
// POPUP_MENU: the choice (text) for a string target, or the 2-byte number.
std::string Gui_popup(bool string_target, int32_t col, int32_t line, const std::string& menu);

// A property path of a client-side control or object: read (the reply is
// the value text) or written (no reply).
std::string Gui_prop_read(int32_t id, const std::string& path, bool string);
void Gui_prop_write(int32_t id, const std::string& path, bool string, const std::string& value);
