// Channel 0 until the terminal subsystem exists: a plain console device over
// standard input and output.  Output is buffered and flushed before every read
// and at exit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

void Con_write(const void* p, size_t n);
void Con_puts(const char* s);
void Con_newline();      // "\n", column back to 0
int Con_column();        // output column (0-based)
void Con_flush();
// While the console is a terminal screen, the terminal device takes the
// console's output and line reading (null: the plain device below).
struct Con_terminal {
  void (*write)(const void* p, size_t n);
  void (*flush)();
  int (*column)();
  bool (*read_line)(std::string& line);
};
void Con_set_terminal(const Con_terminal* t);
// Writes what the plain device still holds (the terminal flushes it first).
void Con_flush_plain();
// Reads one line (without its end-of-line) from standard input.  Returns false
// at end of input.
bool Con_read_line(std::string& line);
// Waits at most `hundredths` for input: true when the next read will not
// wait (a byte is buffered, or standard input is readable or at its end).
bool Con_wait_input(int32_t hundredths);
// Puts bytes back in front of standard input's unread bytes (keys a thin
// client typed ahead, when the console leaves thin-client mode).
void Con_unread(const uint8_t* p, size_t n);
// One byte of standard input, waiting at most `hundredths` (-1: as long as
// it takes): the byte, -1 when none came in time, -3 at end of input.
int Con_read_byte(int32_t hundredths);
