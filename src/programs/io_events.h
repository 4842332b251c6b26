// I/O event programs of channels.
#pragma once
#include <cstdint>

struct Fcb;

// Runs channel f's I/O program for one event (its label is the event name;
// bit is the event's bit of the channel's event mask, 0 for none).
// Returns -1 when nothing ran (no program, the event's bit set in the mask,
// the program already running), -2 when the program did the work (the
// record it supplied is the current string), else the program's exit code;
// a program that cannot be started has its event bit set in the mask and
// gives -1 (121 for a missing program of the open event), or the error
// number when no bit was given.
int Exec_do_fio(Fcb* f, const char* event, uint32_t bit);
// Exec_do_fio for the I/O statements: an exit code other than -1 and -2 is
// the statement's error, 11 and 2 through its DOM= and END= exits.
int Run_event_program(Fcb* f, const char* event, uint32_t bit);
// Start-up registration (App_wire): the keyed files' GET_PASSWORD event and
// their question whether a library program runs (Key_pwd_hooks).
void Io_events_register();
