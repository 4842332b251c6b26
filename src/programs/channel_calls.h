// Programs the channel layer calls: the channels reach them through their
// hooks (channels/chan_hooks.h), which the wiring in src/app points here.
#pragma once
#include <cstdint>
#include <string>

// Calls the duplicate-write error program pgm with the failed statement's
// name, the error, the channel, the duplicate channel and the duplicate's
// path.  True when the program ran to its end (the error is handled); a
// program that cannot be started or that stops with an error is not.  The
// interrupted statement's cursor, work area and current-I/O area come back.
bool Call_dupl_error_program(const std::string& pgm, const std::string& directive, int err, uint16_t chan,
                             int32_t dup, const std::string& dup_path);
// The program that a channel's close mnemonic '*X' names, run as an inline
// CALL to its end when the channel closes; the close goes on whatever the
// program did (a program that cannot start, or that stops with an error,
// leaves the error as the last error and nothing more).
struct Fcb;
void Run_close_program(Fcb* f);
