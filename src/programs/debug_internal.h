// State of the process debug link shared by its two sides (debug_link.cpp:
// FIFOs, attach, messages, the debugger; debug_serve.cpp: the debugged
// process).  One link per process.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct Ctl_frame;
struct Pgm_path;

enum class Dbg_role { none, debugger, debugged };

struct Dbg_break {
  uint32_t line = 0;  // 0: any line
  std::string prog;
};

struct Dbg_trace_line {
  uint32_t number;
  bool program;  // a program line (the path), else a statement line
  std::string text;
};

struct Dbg_state {
  Dbg_role role = Dbg_role::none;
  pid_t peer = 0;           // the debugged process (on both sides)
  pid_t server = 0;         // the debugger (from the greeting)
  int in_fd = -1;           // debugger: write end of "in"; debugged: read end
  int out_fd = -1;          // debugger: read end of "ot"; debugged: write end
  uint16_t msg_id = 0;      // debugger: last id sent; debugged: id of the last command
  bool stopped = false;     // the debugged process waits for commands
  bool in_exec = false;     // an EXECUTE command runs
  bool cmd_waiting = false; // SIGTTIN came: a message may wait
  bool in_wait = false;     // commands are served inside a statement's wait (a TCP READ)
  // Step state
  int step_type = 0;
  int32_t step_count = 0;
  uint32_t step_line = 0;
  int step_depth = 0;
  const Ctl_frame* step_frame = nullptr;
  const Pgm_path* step_pgm = nullptr;
  bool step_first = false;
  // Trace
  std::deque<Dbg_trace_line> trace;
  uint32_t trace_next = 1;
  const void* trace_pgm = nullptr;
  bool trace_hidden = true;
  bool trace_started = false;
  uint32_t trace_line = 0;
  // Breakpoints, newest first; the one stopped at last (-1 none)
  std::vector<Dbg_break> breaks;
  bool have_cur_break = false;
  Dbg_break cur_break;
};

extern Dbg_state dbg;

// FIFO names of the debugged process pid in the user's link directory:
// "<dir>/qeb.in.<pid>" (debugger to debugged) and "<dir>/qeb.ot.<pid>"; ""
// when the user has no link directory.
std::string Dbg_fifo_name(bool in, pid_t pid);
// Sends a message on fd; false when it could not be written whole.
bool Dbg_send(int fd, uint16_t id, const void* data, size_t len);
// Reads one message: 1 read, 0 nothing within wait_ms, -1 end of file,
// error or a bad header.
int Dbg_receive(int fd, int wait_ms, uint16_t& id, std::string& payload);
// The debugged side: attach when the debugger signals (run on the main line).
void Dbg_attach_debugged();
// The debugged side: a message may wait.
void Dbg_command_signal();
// Clears every part of the link state (after both FIFOs are closed).
void Dbg_wrapup();
