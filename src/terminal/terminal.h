// Terminals and printers as channels: the device record, mnemonic
// definitions, the screen image and the line-input editor share these types.
//
// A device channel (kind 0) is one Dev_fcb: the common Fcb part, then the
// device tail below.  A terminal screen (status ST1_TERM_SCREEN, set by
// DEFTTY) owns window 0, whose planes hold one character byte and one
// attribute word per cell of the whole screen, row-major, stride = columns.
// The cursor (Fcb::column, Fcb::line) is relative to the current window and
// always inside it, except that column == window width marks a pending wrap:
// the last column was written and the device's cursor rests on it until the
// next printed character moves it to the next line.
#pragma once
#include <cstdint>
#include <string>

#include "channels/channel.h"

// ---- status bits this subsystem defines on the common part ----
// (ST1_TERM_SCREEN, Is_screen and TF_PASS are in channels/channel.h: PRINT
// tests them.)
enum : uint16_t {
  ST1_WINDOW_REL = 0x400,    // positions are relative to a sub-window
  ST1_OUT_SUPPRESS = 0x8000, // every mnemonic but 'RM' is dropped
};
enum : uint16_t {
  ST2_CLOSING = 4,
  ST2_IS_TTY = 0x200,
  ST2_DISCARD = 0x800,       // a flush empties the buffer without writing
};
// Fcb::in_status (input status word)
enum : uint16_t {
  IN_ECHO_OFF = 1,       // 'EE' / 'BE'
  IN_IGNORE_BAD = 2,     // 'EG' / 'BG': bad mnemonics are ignored
  IN_BI = 4,             // 'BI' / 'EI'
  IN_BO = 8,             // 'BO' / 'EO'
  IN_DISCARD_AHEAD = 16, // 'ET' / 'BT'
  IN_KEEP = 32,          // kept by 'RM'
  IN_READ_RC = 64,       // read-back requests answered by the next input
  IN_READ_TR = 128,
  IN_READ_RL = 0x100,
  IN_NI = 0x1000,
  IN_READ_RP = 0x2000,
};
constexpr uint16_t IN_READBACK = IN_READ_RC | IN_READ_TR | IN_READ_RL | IN_READ_RP;
// Fcb::term_flags: printer and pass-through bits of the general table
enum : uint16_t {
  TF_SKIP_FIRST_FF = 1,
  TF_NO_DOUBLE_FF = 2,
  TF_LAST_FF = 4,
  TF_MS = 0x10,        // 'MS' / 'MP'
  TF_PLUS_O = 0x20,    // '+O' / '-O'
  TF_LS = 0x40,        // 'LS' / 'US'
  TF_PLUS_B = 0x80,    // '+B' / '-B'
  TF_EP = 0x100,       // 'EP' / 'EF'
  TF_AT_DEFINED = 0x200,
  TF_BR_DEFINED = 0x400,
  TF_FORWARD_LONG = 0x800,  // '*L' defined: long mnemonics are passed on (printers)
  TF_FRAMED_AREAS = 0x1000, // '*W' defined: a framed window draws its frame inside
};
// Screen mode word (Dev_fcb::mode)
enum : uint16_t {
  MODE_CURSOR = 3,
  MODE_CURSOR_OFF = 4,
  MODE_NOWRAP = 0x100,
  MODE_NO_SPECIAL = 0x200,  // editing codes never leave the field
  MODE_UC = 0x800,
  MODE_KEEP_COLOURS = 0x4000,
};
// Attribute word
enum : uint32_t {
  ATTR_BACKGROUND = 1,
  ATTR_REVERSE = 2,
  ATTR_BLINK = 4,
  ATTR_UNDERLINE = 8,
  ATTR_GRAPHICS = 16,
  ATTR_FG_MASK = 0xff00,
  ATTR_BG_MASK = 0xff0000,
  ATTR_FRESH = 0x700,
};

// One mnemonic definition: link, code, length, the two screen-size
// parameters, the bytes.  A channel's list keeps the order of definition.
struct MnemDef {
  MnemDef* next;
  uint16_t code;
  uint16_t len;
  uint8_t p1, p2;
  uint8_t bytes[1];
};

// Function-key record: 'F' (function) or 'E' (editing) kind, key number,
// the byte sequence the key sends and the CTL value it gives.
struct Key_rec {
  Key_rec* next;
  int16_t ctl;
  uint8_t len;
  uint8_t kind, num;
  uint8_t bytes[1];
};

// DEFCTL definition: a key string (key_len > 0) or an editing code
// (key_len <= 0, the code in ecode).
struct Ctl_def {
  Ctl_def* next;
  int16_t ctl;
  int16_t key_len;
  int32_t ecode;
  uint8_t minus;
  uint8_t key[10];
};

// Mouse region: rectangle in hundredths of a cell (screen based), or key
// text; a CTL value or a statement (compiled, stmt_len bytes).
struct Mouse_region {
  Mouse_region* next;
  int32_t ctl;
  uint16_t stmt_len;
  uint16_t key_len;
  int32_t col0, col1, line0, line1;
  uint8_t on_release;
  uint8_t data[1];  // statement, then key text
};

struct Prei_entry {
  Prei_entry* next;
  uint16_t pos;
  uint32_t len;
  uint8_t bytes[1];
};

// A text window.  The current window lives in the channel record (Dev_fcb::
// win); the windows it covers are records on its `saved` list, most recent
// (topmost) first, ending with window 0, the whole screen.  Each window has
// planes of its own outer area (frame included): one character byte and one
// attribute word per cell, row-major, stride = outer width.  col0/line0 are
// the inner area's offset within the planes (1 when framed) and cols/lines
// its size: the cursor and Cell() are relative to the inner area.
struct Window_rec {
  Window_rec* saved;   // the window below (the list, most recent first)
  int32_t col0, line0; // inner origin within the planes
  int32_t cols, lines; // inner size
  uint32_t def_attr;
  uint32_t options;
  int32_t stride;      // cells per plane row (the outer width)
  uint8_t* chars;      // planes of the outer area (Get_blk)
  uint32_t* attrs;
  Key_rec* keys;
  Ctl_def* ctl_defs;
  Mouse_region* mouse;
  int32_t scr_col, scr_line;       // outer origin on the screen
  int32_t outer_cols, outer_lines; // outer size
  int32_t number;                  // 0 the whole screen, 1..250
  uint8_t frame;                   // 0 none, 1 framed, 2 framed with a title
  uint8_t type;                    // 20 dialogue
  uint32_t group;
  uint32_t wflags;                 // 0x10000 member of a group
  int32_t cur_col, cur_line;       // cursor kept while on the list
  uint32_t cur_attr;
  int32_t in_col0, in_line0, in_cols, in_lines;  // inner area before a scroll region
  struct Wob* controls;            // character-mode controls of the window
};
struct Dev_fcb : Fcb {
  Ctl_def* ctl_defs;       // DEFCTL, plain form
  MnemDef* at_at;          // '@@' cursor addressing
  uint8_t* in_xlate;       // '*I' bytes (256)
  Prei_entry* preinput;
  Mouse_region* mouse;     // SETMSE '/'
  Fcb* linked;
  uint16_t mode;
  uint32_t caps;           // capability mask
  Window_rec win;
  struct {
    int32_t count;
    uint8_t* buf;
  } saved_screens[4];
  uint8_t cur_sent;        // cursor mode sent last (0xff none)
  uint8_t fl_kind;         // function-key load in progress: 'F', 'E' or 0
  uint8_t fl_op;           // its operation digit
  uint8_t fl_state;        // bytes of the operation taken so far
  uint8_t fl_num, fl_len;  // key number and length being loaded
  uint16_t fl_count;       // keys left of a '3' operation
  uint8_t fl_buf[256];
};

inline Dev_fcb* Dev(Fcb* f) { return static_cast<Dev_fcb*>(f); }

// ---- mnemonics (mnemonics.cpp) ----
MnemDef* Find_mnem(uint16_t code);
MnemDef* Find_mnem_in(const Fcb* f, uint16_t code);
MnemDef* Output_mnem(uint16_t code);
void Send_mnem(const MnemDef* def);
// The end mnemonic '*C' of f (the current channel) into its output, when
// f defines it.
void Send_close_mnemonic(Fcb* f);
// The bar mask of graphics character c on f (a device, printer or PDF
// channel): bits 1 left, 2 up, 4 right, 8 down, from f's 'GD' definition (indexed by c - 'A'; the digits and ':'
// read as "EFABCDHIJKG") or, without one, the built-in masks of "A".."K"
// (corners, horizontal, vertical, cross, tees); a code outside them is 15.
uint8_t Graphic_arms(const Fcb* f, uint8_t c);
// A printable byte printed in graphics mode on a channel that is not a
// terminal screen: a channel that defines 'GS' switched the device to its
// own graphics set, and the byte goes as it stands; any other draws the
// character with plain bytes ('-', '|', '+', a blank without bars).
uint8_t Prt_graphic(Fcb* f, uint8_t c);
// Appends one byte to the current channel's buffer (flushing when full).
void Term_put(uint8_t c);
// A thin-client console keeps its screen model in step with what it prints
// (windows, edits, attributes), but the client draws its screen itself: the
// device output of that model work is dropped while Term_mute_guard stands
// (Term_put sends nothing for the muted channel).
extern Fcb* Term_muted;
inline bool Thin_console(const Fcb* f) { return (f->st2 & ST2_THIN_CLIENT) != 0 && f->kind == FK_DEVICE; }
struct Term_mute_guard {
  Fcb* saved;
  explicit Term_mute_guard(Fcb* f, bool on = true) : saved(Term_muted) {
    if (on) Term_muted = f;
  }
  ~Term_mute_guard() { Term_muted = saved; }
  Term_mute_guard(const Term_mute_guard&) = delete;
  Term_mute_guard& operator=(const Term_mute_guard&) = delete;
};
// Frees the definitions and terminal state of a record being released.
void Term_release(Fcb* f);

// ---- screen (screen.cpp) ----
extern bool Mnem_override;
// The process's menu-enabled bit: 'M+' sets it, 'M-' clears it.
extern bool Menu_enabled;
void Set_attr(uint32_t word);
void Reset_attr(uint32_t word);
void Clear_reset(uint32_t& word);
void Set_mode(uint16_t mode);
void Set_curmode(uint16_t mode);
void Image_clear();
void Image_rollup(int32_t line);
void Image_rolldown(int32_t line);
void Mnem_CE(const MnemDef* def);
void Mnem_CF(const MnemDef* def);
void Mnem_CL(const MnemDef* def);
void Mnem_CS(const MnemDef* def);
void Mnem_DC(const MnemDef* def);
void Mnem_IC(const MnemDef* def);
void Mnem_LD(const MnemDef* def);
void Mnem_LI(const MnemDef* def);
// Screen output of printable text at the cursor: image, buffer, wrap.
void Scr_text(Fcb* f, const uint8_t* p, int32_t n);
// Cursor addressing on a screen (window-relative column and line).
void Scr_pos(Fcb* f, int32_t col, int32_t line);
// Whether Scr_pos can bring the device's cursor back to a line above (by
// cursor addressing, 'UP', or home and 'DN'): on a screen that cannot,
// whatever must stay on its line never writes the last column, which
// wraps the device onto the next line.
bool Scr_can_go_up(Fcb* f);
// 'LF' on a screen: next line, scrolling the window at its last line.
void Scr_line_feed(Fcb* f, const MnemDef* def);
// Creates window 0 of cols x lines (planes blank, fresh attribute).
void Window_add_full(Dev_fcb* d, int32_t cols, int32_t lines);
void Window_free(Dev_fcb* d);
void Window_resize_screen(Dev_fcb* d, int32_t cols, int32_t lines);
// The cell of the window's (col, line).
inline int32_t Cell(const Window_rec& w, int32_t col, int32_t line) {
  return (w.line0 + line) * w.stride + w.col0 + col;
}
// Screen positions are sent as they stand (window repaints), not relative to
// the current window.
extern bool Term_abs_pos;
// Writes one cell at screen position (x, y) with its attribute; `*at_x`,
// `*at_y` track where the device cursor is (-1 unknown).
void Scr_send_cell(Fcb* f, int32_t x, int32_t y, uint8_t ch, uint32_t attr, int32_t* at_x, int32_t* at_y);
// After cells were sent at screen positions: the device cursor goes back
// to the current window's cursor with the channel's attribute.
void Scr_resync(Fcb* f, uint32_t attr);

// ---- device (device.cpp) ----
// Makes the console current for output made outside any I/O statement
// (prompts, messages, listings, the control directives) and puts the
// caller's whole I/O area back on every way out.
struct Console_current : Io_save_guard {
  Console_current() {
    Select_console();
    ws.Io_tbl = nullptr;
  }
};
void Dev_init(const char* id);
void Terminal_close();
void Term_register();
// The console is a terminal screen reading raw keys.
bool Console_raw_keys();
// Whether standard output is a terminal (the console drives a screen).
bool Console_is_terminal();
// Before the console prompt: the console returns to its window's default
// attribute (a program may have left reverse or colours on).
void Term_prompt_attr();
// Applies a pending window-size change (SIGWINCH) to the console screen.
void Term_check_resize();
// Writes n bytes at p to a device's descriptor, again after an interrupted
// write.  A failed write raises the error of errno, after on_failure when
// one is given; a write that takes nothing raises "record busy" (not
// retried).  While the channel is closing neither is raised: the rest is
// dropped.
void Dev_write_all(int fd, const uint8_t* p, size_t n, bool closing, void (*on_failure)() = nullptr);
// Raw keyboard byte of a device: -1 on time-out (hundredths; -1 waits).
int Device_getch(Fcb* f, int32_t hundredths);
bool Device_kbhit(Fcb* f, int32_t ms);

// Runs the driver program "*dev/<id>" on the current channel.
void Run_driver_program(const std::string& id);

// ---- operands of the terminal directives (keys.cpp) ----
// Error 20 when no operand follows (statement end, ',' or ')'), so that a
// form cut short never reaches the evaluator.
void Need_operand();
// The F form of DEFTTY and DEFCTL: a leading variable named F that a ','
// does not follow (then it is an operand).  Moves the cursor past it.
bool Take_f_form();

// ---- line editor (line_editor.cpp) ----
void Dev_save_state();
void Dev_restore_state();
void Dev_tru_read();
void Dev_add_prei(Dev_fcb* d, const uint8_t* p, uint32_t n);
// A read without the line editor takes the oldest PREINPUT entry as the
// whole answer (a negative CTL value reads as 0); false when none waits.
bool Preinput_answer();
// One console line read through the editor with history (false at end).
bool Term_read_line(std::string& line);
// One key at the console, not echoed: its byte (27 for the escape key or an
// interrupt, \r for a key without a character), -1 at end of input, -2 when
// the console is no terminal screen.
int Term_read_key();
void Clr_setctl();
// Function-key load hook (installed by 'FL' and 'EL').
void Mnem_FL_fnc(uint8_t c);
void Mnem_TW();
void Key_free_list(Key_rec*& head);
