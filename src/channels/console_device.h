// Channel 0 until the terminal subsystem exists: a plain console device over
// standard input and output.  Output is buffered and flushed before every read
// and at exit.
#pragma once
#include <cstddef>
#include <string>

void Con_write(const void* p, size_t n);
void Con_puts(const char* s);
void Con_newline();      // "\n", column back to 0
int Con_column();        // output column (0-based)
void Con_flush();
// Reads one line (without its end-of-line) from standard input.  Returns false
// at end of input.
bool Con_read_line(std::string& line);
