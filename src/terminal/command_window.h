// The debugger's command window: a console window kept apart for debugger
// input.  While switch DW is on, it opens where a program stops (escape,
// breakpoint, single step, error report, the console prompt) and closes
// where the program's own screen work begins again (console output of a
// running program, DEFCTL, the control directives, OBJ(, long mnemonics,
// routed calls, DEF OBJECT).
//
// A thin client keeps the window itself: it is told with the mnemonics '+C'
// (open) and '-C' (close).  On a terminal screen the window is a record as
// large as the screen, blank, pushed onto the console's window stack when it
// opens and taken off (kept for the next use) when it closes; its number is
// CMD_WINDOW_NUMBER, outside the numbers a program can open.  A terminal
// that defines '+C' or '-C' gets them as well; elsewhere they are not sent.
#pragma once
#include <cstdint>

#include "terminal/windows.h"

constexpr int32_t CMD_WINDOW_NUMBER = WINDOW_NUMBER_MAX + 1;

// Makes the window record on first use (terminal screens only); the
// mnemonic 'WD' frees it instead (nothing without a window).  With print,
// the mnemonic is then carried out on the console.
void DoCommandWdw(uint16_t mnemonic, bool print);
// Opens the window: '+C', then, on a terminal screen, the window becomes
// the console's current window unless it is already on its stack.  Nothing
// while switch DW is off.
void GotoComndWdw();
// Closes the window when it is open: '-C', and the window leaves the
// console's stack (kept for the next use).  The current-I/O area is kept.
void DropComndWdw();
// The console prompt in the open window: back to the window when something
// left it, and '+U' to a thin client.
void Cmd_window_prompt();
// Whether the window is open (what was last sent was '+C').
bool Cmd_window_is_open();
// Closes the window and frees its record (shut-down, console closed).
void Cmd_window_free();
// Closes the window for the length of a scope and opens it again after,
// when it was open before (OBJ( looks at the program's own window).
struct Cmd_window_aside {
  bool was_open;
  Cmd_window_aside() : was_open(Cmd_window_is_open()) { DropComndWdw(); }
  ~Cmd_window_aside() {
    if (was_open) GotoComndWdw();
  }
};
// Fills the core's hooks (start-up).
void Cmd_window_register();
