// The process-to-process debug link: one oru process (the debugger) attaches
// to another (the debugged process) on the same host and drives it through
// TSK("/statement") calls.  Two FIFOs carry length-prefixed messages; two
// signals announce them (SIGUSR2: attach, SIGTTIN: a message waits).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// ---- messages (debug_command.cpp; no interpreter state) ----

// Largest payload of one message.
constexpr size_t DBG_PAYLOAD_MAX = 21504;
constexpr size_t DBG_HEADER = 4;

// Commands of the link, by what the payload's first code bytes select.
enum Dbg_cmd : int {
  DBG_NA = 0,       // not understood
  DBG_RESUME,       // RUN
  DBG_DETACH,       // CLOSE
  DBG_QUIT,         // QUIT
  DBG_END,          // END
  DBG_STOP,         // STOP
  DBG_CALLS,        // CALL: the call stack
  DBG_BREAK_LIST,   // BREAK LIST
  DBG_BREAK_SET,    // BREAK:"+line:prog" / BREAK:"-line:prog"
  DBG_FILES,        // FILE: the open channels
  DBG_EXECUTE,      // EXECUTE:"statement"
  DBG_LOAD,         // LOAD:"program"
  DBG_EVAL,         // RETURN:"expression"
  DBG_TRACE,        // TRACE [:"from"]
  DBG_STATUS,       // ":" (251 ':')
  DBG_STEP,         // STEP [:"options"] (251 '?')
};

// A parsed command: its kind and its string operand (when it has one).
struct Dbg_command {
  int cmd = DBG_NA;
  bool has_operand = false;
  std::string operand;
};

// Parses a command payload (a compiled statement, without the 255 the
// receiver appends).  Every length inside is checked against n; a payload
// that is cut short or holds an operand that runs past its end gives DBG_NA.
Dbg_command Dbg_parse_command(const uint8_t* p, size_t n);

// The header of a message: payload length and id, each 16 bits, low byte
// first.
void Dbg_put_header(uint8_t* h, size_t len, uint16_t id);
// Reads a header; false when its length is over DBG_PAYLOAD_MAX.
bool Dbg_get_header(const uint8_t* h, size_t& len, uint16_t& id);

// A breakpoint operand "+30:PROG" / "-30:PROG": sign, line (the digits up to
// ':'; other characters ignored), program name.  0 or the error of the
// reply (46 shorter than 3 characters, 13 no sign).
int Dbg_parse_break(const std::string& s, char& sign, uint32_t& line, std::string& prog);

// Step options: "P" 6, "~" 5, "^" 4, "<" 3, ";" 2, digits the count; the
// first other character ends them.  No type: 1; count 0 becomes 1.
void Dbg_parse_step(const std::string& s, int& type, int32_t& count);

// ---- the link (debug_link.cpp, debug_serve.cpp) ----

// TSK(/...): the debugger side; the cursor is on the "/".  Returns the reply,
// the function's string result.
std::string KestDbgTskFnc();
// -1 when this process is being debugged, the debugged process id when it
// is debugging, else 0.
int32_t KestDbgStatus();
// The per-statement hook of the debugged process (run flag 0x80000000).
void KestDbgSlavery();
// Closes the link at process end (or on detach).
void KestDbgShutdown();
// Installs the signal hook.  Called once at start-up.
void Debug_link_init();
