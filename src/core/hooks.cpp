// The hooks of the core into the layers above (filled by App_wire) and
// their defaults.
#include "core/hooks.h"

#include "core/errors.h"
#include "core/workspace.h"

Core_hooks Core_hook;
bool Perform_on_active = false;

namespace hook_default {

int console_command() { return 0; }
void commit() { ws.Run_flags &= ~uint32_t(RF_COMMIT); }
void debug_link() { ws.Run_flags &= ~uint32_t(RF_DEBUG_LINK); }
void trace() { ws.Run_flags &= ~uint32_t(RF_TRACE); }
void nothing() {}
void perform_on_line(uint16_t) {}
void perform_on_label(const uint8_t*) {}
bool perform_exec() { return false; }
void load_statement(bool) { Not_built("loading programs (RUN \"name\")"); }
void exec_exit(bool, int) { Not_built("leaving a called program"); }
void object_precision(int) { Not_built("PRECISION FOR OBJECT"); }

}  // namespace hook_default
