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
  // DEF's further options: texts, then the menu control id and the
  // longest text of a multi-line edit.
  std::string font, null_text, tip, format, message, ext1, ext2;
  int32_t menu_ctl = 0, max_len = 0;
};
// Sends the request; operations that return data await the reply, which is
// returned (empty otherwise).  A READ reply is the CTL byte, the 4-byte
// index and the item text; a grid's begins with the cell's 4-byte column
// and line.
std::string Gui_lbox_send(const Gui_lbox& r);

struct Gui_button {
  uint16_t type = 0, op = 0;
  int32_t id = 0, group = 0, next = 0;
  int32_t col = 0, line = 0, cols = 0, lines = 0;
  uint8_t state = 0;
  bool alt_form = false;
  std::string text, message, options, tip, states, font, ext;
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

// VBX controls: 'V' with the operation's letter and the control id, then
//   DEF     positions, str class text, str caption, chr key letter, str OPT=, str TBL=
//   DEFCTL  chr '/' (the current value comes back) | chr 'E', int event code, str value
//   LOAD    int index, str item | str of length -1 (delete)
//   READ    property, int index (-1 none); the value comes back as text
//   WRITE   property, chr 'N' and the number's text | chr 'S' and the string, int index
//   others  nothing
// A property is chr 'N' and an int (a property number), chr 'S' and its
// name, or chr '/' (the default property).  Only READ and DEFCTL '/' await a
// reply.
struct Gui_vbx {
  uint16_t op = 0;
  int32_t id = 0;
  int32_t nums[4] = {};
  std::string text1, text2, options, xlate;
  std::string ext1;          // XT1=, the further text option
  int32_t menu_ctl = 0;      // MNU=, the further numeric option
  uint8_t alt_key = 0;
  uint8_t prop_kind = '/';   // 'N', 'S' or '/'
  int32_t prop_number = 0;
  std::string prop_name;
  int32_t index = -1;
  int32_t event = 0;
  bool readback = false;     // DEFCTL '/'
  bool value_string = false, value_delete = false;
  std::string value;         // a number's text or the string
};
std::string Gui_vbx_send(const Gui_vbx& v);

// WINPRT: 'W' with the letter (d DIRECTORY, ? INPUT, l LIST, R READ, W
// WRITE); WRITE sends the flag character and the text, READ the flag
// character; every form awaits the client's answer, which is returned.
std::string Gui_winprt(uint8_t letter, uint8_t flag, const std::string& text);

// MULTI_MEDIA: 'm' ' ' with the command text and the number; the reply is
// a 2-byte error code (raised when not 0) and the result text.
std::string Gui_multimedia(const std::string& command, int32_t number);

// DROP ON: '~' with the operation letter ('+', '-', 'E', 'D'), int id, int
// window, and for '+' int value; no reply.
void Gui_drop_on(uint8_t letter, int32_t id, int32_t window, int32_t value);
