// Flags set by the signal handlers.  A handler sets only flags of its own
// (each a volatile sig_atomic_t) and then Sig_pending; it never touches
// ws.Run_flags, which the main line rewrites at any time.  The main line
// folds the flags in with Take_signals(), which also does what a handler
// may not: the status file "kestil.sts", the hang-up log, the event hooks.
// The statement loop tests Sig_pending beside ws.Run_flags (Work_pending);
// code that waits (reads, locks, timers) reads the flags through
// Run_flags_now().
#pragma once
#include <csignal>
#include <cstdint>

#include "core/workspace.h"

// Any flag below is set: the workspace's word, which follows ws.Run_flags.
inline volatile sig_atomic_t& Sig_pending = ws.Sig_pending;
extern volatile sig_atomic_t Sig_escape;       // SIGINT or SIGTSTP: escape request
extern volatile sig_atomic_t Sig_timeout;      // the statement deadline passed
extern volatile sig_atomic_t Sig_debug;        // SIGTTOU: debug request
extern volatile sig_atomic_t Sig_status;       // SIGTSTP/SIGTTOU: write the status file
extern volatile sig_atomic_t Sig_hangup;       // SIGHUP
extern volatile sig_atomic_t Sig_event_timer;  // count of the event timer's periods passed
extern volatile sig_atomic_t Sig_usr1, Sig_usr2;   // counts of SIGUSR1/SIGUSR2
extern volatile sig_atomic_t Sig_ttin;             // count of SIGTTIN
extern volatile sig_atomic_t Sig_break_count;  // SIGINTs since the escape was last served

// Folds the pending flags into ws.Run_flags (RF_ESCAPE, RF_TIMEOUT,
// RF_DEBUG_LINK; a hang-up sets RF_ESCAPE | RF_STOP and ends the process
// unless XC) and serves the rest; returns ws.Run_flags.  Main line only.
uint32_t Take_signals();

// Work the statement loop must serve before the next statement: requests
// of the main line and flags set by signal handlers (0: none).  Run_flags
// and Sig_pending side by side are read as one word, in one load, and
// tested with one mask: RF_SERVE_MASK over Run_flags, all of Sig_pending.
// The value is that word masked: RF_SERVE_MASK's bits as they are in
// Run_flags while Sig_pending is 0.
typedef uint64_t Work_word __attribute__((may_alias));
static_assert(sizeof(sig_atomic_t) == 4, "Run_flags and Sig_pending make one 64-bit word");
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr uint64_t WORK_MASK = uint64_t(0xFFFFFFFF) << 32 | RF_SERVE_MASK;
// With the top bit of RF_SERVE_MASK set the mask is its sign extension:
// the loop's test is one instruction with an immediate.
static_assert(RF_SERVE_MASK & 0x80000000u, "WORK_MASK is RF_SERVE_MASK sign-extended");
#else
constexpr uint64_t WORK_MASK = uint64_t(RF_SERVE_MASK) << 32 | 0xFFFFFFFF;
#endif
inline uint64_t Work_pending() {
  return *reinterpret_cast<const volatile Work_word*>(&ws.Run_flags) & WORK_MASK;
}
inline uint32_t Run_flags_now() { return Sig_pending ? Take_signals() : ws.Run_flags; }

// Run flags the main line sets and clears on its busiest ways (a call's
// push and pop).  Only Run_flags is written: Sig_pending beside it is the
// handlers' to set, and a write of the pair could lose a flag a handler set
// between its read and its write.
inline void Run_flags_set(uint32_t bits) { ws.Run_flags |= bits; }
inline void Run_flags_clear(uint32_t bits) { ws.Run_flags &= ~bits; }

// Drops an escape request (RF_ESCAPE and one not yet taken); the interrupt
// count starts afresh.
inline void Drop_escape() {
  Take_signals();
  ws.Run_flags &= ~uint32_t(RF_ESCAPE);
  Sig_break_count = 0;
}
