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
  // One key, not echoed (null: a line is read; see Con_read_key).
  int (*read_key)() = nullptr;
  // The console's page length in lines (0: not known).
  int (*lines)() = nullptr;
};
// The console's page length in lines (0: not known).
int Con_lines();
void Con_set_terminal(const Con_terminal* t);
// Writes what the plain device still holds (the terminal flushes it first).
void Con_flush_plain();
// The console's stream.  Its bytes go out through the descriptor
// Con_out_fd() and come in through Con_in_fd() (1 and 0 at start; the
// terminal's descriptor after LNSW to another terminal), or, while the
// console runs over a connection (LNSW to a TCP channel), through the
// link's two operations.
struct Con_link_ops {
  // Sends n bytes; false when the connection failed (the link then drops
  // its output and reports end of input).
  bool (*send)(const void* p, size_t n);
  // Receives up to n bytes waiting at most ms (-1: as long as it takes):
  // the count, 0 at end of input, -1 time-out, -2 interrupted (a hang-up,
  // or an escape when escape_ends).
  long (*recv)(void* p, size_t n, int32_t ms, bool escape_ends);
  // Input already received and waiting in the link (TLS).
  bool (*pending)();
};
// Makes the console's stream the descriptors in_fd and out_fd, or the link
// when link is not null.  What the old stream had buffered for input is
// kept with it: Con_save_stream / Con_restore_stream switch back to it.
struct Con_stream_state;
Con_stream_state* Con_save_stream();
void Con_set_stream(int in_fd, int out_fd, const Con_link_ops* link);
void Con_restore_stream(Con_stream_state* s);
int Con_in_fd();   // -1 while a link carries the stream
int Con_out_fd();  // -1 while a link carries the stream
const Con_link_ops* Con_link();
// Raw access to the stream (the line editor, the thin client): sends n
// bytes (false when the stream failed); one input byte waiting at most ms
// (-1: as long as it takes): the byte, -1 time-out, -2 interrupted by an
// escape or hang-up, -3 end of input; whether input comes within ms.
bool Con_send(const void* p, size_t n);
int Con_getc(int32_t ms);
bool Con_poll(int32_t ms);
// A write to the console's descriptor failed (its writer raises the error).
// When the console's input has ended too, the console is lost: the process
// ends as on a hang-up, and the console's output is dropped from then on.
void Con_output_failed();
bool Con_lost();
// The console's output is swallowed after a hang-up, and a write waiting
// when it came is given up (Con_output_dropped).  Con_write_interrupted tells a
// writer whose write was interrupted whether to give up (a hang-up came).
bool Con_output_dropped();
// Whether a console write to fd may go ahead: not after a hang-up.
bool Con_may_write(int fd);
bool Con_write_interrupted();
// The process's own console input came to its end (or failed) for good.
bool Con_input_ended();
// Drops the input received and not yet read.
void Con_discard_input();
// Reads one line (without its end-of-line) from the console's stream.
// Returns false at end of input.
bool Con_read_line(std::string& line);
// One key: its byte (27 the escape key, \r an empty line), -1 at end of
// input.  Without a terminal that reads keys, a whole line is read and its
// first byte taken.
int Con_read_key();
// Waits at most `hundredths` for input: true when the next read will not
// wait (a byte is buffered, or standard input is readable or at its end).
bool Con_wait_input(int32_t hundredths);
// Puts bytes back in front of standard input's unread bytes (keys a thin
// client typed ahead, when the console leaves thin-client mode).
void Con_unread(const uint8_t* p, size_t n);
// One byte of standard input, waiting at most `hundredths` (-1: as long as
// it takes): the byte, -1 when none came in time, -3 at end of input.
int Con_read_byte(int32_t hundredths);
