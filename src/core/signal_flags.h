// Flags set by the signal handlers.  A handler sets only flags of its own
// (each a volatile sig_atomic_t) and then Sig_pending; it never touches
// ws.Run_flags, which the main line rewrites at any time.  The main line
// folds the flags in with Take_signals(), which also does what a handler
// may not: the status file "kestil.sts", the hang-up log, the event hooks.
// The statement loop tests Sig_pending beside ws.Run_flags; code that waits
// (reads, locks, timers) reads the flags through Run_flags_now().
#pragma once
#include <csignal>
#include <cstdint>

#include "core/workspace.h"

extern volatile sig_atomic_t Sig_pending;      // any flag below is set
extern volatile sig_atomic_t Sig_escape;       // SIGINT or SIGTSTP: escape request
extern volatile sig_atomic_t Sig_timeout;      // the statement deadline passed
extern volatile sig_atomic_t Sig_debug;        // SIGTTOU: debug request
extern volatile sig_atomic_t Sig_status;       // SIGTSTP/SIGTTOU: write the status file
extern volatile sig_atomic_t Sig_hangup;       // SIGHUP
extern volatile sig_atomic_t Sig_event_timer;  // the event timer expired
extern volatile sig_atomic_t Sig_usr1, Sig_usr2;   // counts of SIGUSR1/SIGUSR2
extern volatile sig_atomic_t Sig_ttin;             // count of SIGTTIN
extern volatile sig_atomic_t Sig_break_count;  // SIGINTs since the escape was last served

// Folds the pending flags into ws.Run_flags (RF_ESCAPE, RF_TIMEOUT,
// RF_DEBUG_LINK; a hang-up sets RF_ESCAPE | RF_STOP and ends the process
// unless XC) and serves the rest; returns ws.Run_flags.  Main line only.
uint32_t Take_signals();

// Work the statement loop must serve before the next statement: requests
// of the main line and flags set by signal handlers, as one word (0: none).
inline uint32_t Work_pending() { return (ws.Run_flags & RF_SERVE_MASK) | uint32_t(Sig_pending); }
inline uint32_t Run_flags_now() { return Sig_pending ? Take_signals() : ws.Run_flags; }

// Drops an escape request (RF_ESCAPE and one not yet taken); the interrupt
// count starts afresh.
inline void Drop_escape() {
  Take_signals();
  ws.Run_flags &= ~uint32_t(RF_ESCAPE);
  Sig_break_count = 0;
}
