// Text windows of a terminal screen (see Window_rec in terminal.h).
#pragma once
#include <cstdint>

#include "terminal/terminal.h"

constexpr int32_t WINDOW_NUMBER_MAX = 250;
constexpr uint8_t WINDOW_DIALOGUE = 20;

// Thrown when a bad request met the mnemonic error and the channel ignores
// bad mnemonics: the request ends without effect.
struct Mnemonic_ignored {};

// A text of a window request: absent (len -1) or len bytes.
struct Win_text {
  const uint8_t* p = nullptr;
  int32_t len = -1;
};

// Opens a window on the current channel at screen column, line of the given
// outer size.  number 0 takes the lowest free number.  Errors: 41 size or
// position off the screen or number out of range, 57 number in use, the
// mnemonic error for sizes the frame cannot hold.
void Window_add(int32_t col, int32_t line, int32_t width, int32_t height, int32_t number, Win_text title,
                Win_text frame, Win_text options, uint8_t type, bool frame_inside);
// Drops window n (-1: the current one).  Errors: 57 not open (and window
// 0, which is never dropped), 13 only the whole screen is open.
void Window_drop(int32_t n);
// Makes window n current, repainting what differs.  57 when not open.
void Window_goto(int32_t n);
// Moves the current window's outer origin to column, line (41 off screen).
void Window_move(int32_t col, int32_t line);
// Scroll region of the current window: the lines from `top` down scroll,
// those above stay (0 resets).  Error 29 when it does not fit.
void Window_scroll(int32_t top);
// Draws a frame of width x height at column, line of the current window
// (window-relative); error 41 when it does not fit.
void Window_box(int32_t col, int32_t line, int32_t width, int32_t height, Win_text title, Win_text frame);
// Highest window number in use on the channel below `below` (-1 none).
int32_t Window_highest(Dev_fcb* d, int32_t below);
// Whether window n is open on the channel.
bool Window_exists(Dev_fcb* d, int32_t n);
// Number of windows on the list (the current one not counted).
int32_t Window_depth(Dev_fcb* d);
// Frees every window of the list (the current one stays).
void Window_free_list(Dev_fcb* d);
// Releases what one window record owns (planes, keys, controls).
void Window_release(Window_rec& w);
// The window stack: 'WC' puts the current window at the bottom of the
// stack (above window 0; error 13 on window 0) and makes the next one
// current, 'WR' brings the bottom one back on top, 'WS' exchanges the
// current window with the one below it (57 when none), 'SR' drops every
// window but window 0, which becomes current.
// Sends every cell of the current channel's screen again from the windows'
// images ('RS'); the cursor and attribute are put back.
void Window_redraw();
void Window_push();
void Window_pop();
void Window_swap();
void Window_reset();
// Every window of the console goes (the debugger's command window first)
// and the base screen is current; objects bound to the windows' controls
// are told (REMOVE).  Nothing on a console without windows.
void Cls_windows();
// Writes n cells of text into the whole-screen window (window 0) at its
// column, line and shows those of them that no other window covers.
// A window record kept off the stack (the debugger's command window): push
// makes r (a Get_blk block, taken over) the current window of the current
// screen channel, the current one going onto the list; take unlinks window
// `number` from the stack (current or listed) without releasing it and
// hands it out as a Get_blk block (null when it is not there).  Both repaint
// what changes; `out` holds the record before the repaint begins, so that
// a repaint that fails loses nothing.
void Window_push_record(Window_rec* r);
void Window_take(int32_t number, Window_rec*& out);
void Window_base_text(Dev_fcb* d, int32_t col, int32_t line, const uint8_t* p, int32_t n, uint32_t attr);
