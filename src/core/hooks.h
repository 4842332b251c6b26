// Calls from the core up to the layers above it.  The core is the bottom
// layer and includes nothing above it; where it must reach a higher layer it
// calls through Core_hook, which src/app fills at start-up (App_wire).  Each
// hook left unset does something safe and clear: a no-op where "nothing
// above is linked" is a valid state, else error 99 naming what is missing.
#pragma once

struct Core_hooks {
  // The console's line reader: prompts, reads one console line and runs it;
  // 0 when the console is to be left.  Unset: 0 (no console to return to).
  int (*console_command)() = nullptr;
};
extern Core_hooks Core_hook;
