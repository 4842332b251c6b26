// Channel 0: the console's channel record, kept by the terminal device
// (terminal/device.cpp), which also registers the device and auxiliary
// printer drivers.
#pragma once

// Registers the device driver (kinds 0 and -1, the console alias).
void Console_register();
// Creates the console's record (channel 0) and links it first in the list;
// ws.Con_fcb points at it.
void Console_open();
// Frees the console's record at shut-down.
void Console_close();
// When standard output is a terminal, runs the console's terminal driver
// (chosen by TERM) and, when standard input is a terminal too, puts the
// line in raw mode for the line editor.  Returns 100 when no driver made
// the console a terminal screen.
int Console_start_terminal();
