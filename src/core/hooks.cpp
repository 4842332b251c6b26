// The hooks of the core into the layers above (filled by App_wire) and
// their defaults.
#include "core/hooks.h"

#include "core/errors.h"
#include "core/workspace.h"

Core_hooks Core_hook;
bool Perform_on_active = false;
bool End_all_levels = false;
bool End_at_top_level = false;

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
void escape_program(const char*) { Not_built("the escape-handler program"); }
void object_precision(int) { Not_built("PRECISION FOR OBJECT"); }
void select_release(Ctl_frame*) {}
void select_next() { Not_built("SELECT record loops"); }
void function_return() { Not_built("multi-line functions"); }
bool in_image(const uint8_t*) { return false; }
void image_line(const uint8_t*, size_t, bool, std::vector<uint8_t>&) { Not_built("loaded program images"); }
void program_drop(Prog_obj*) {}
void path_unref(Pgm_path*) {}
std::string program_path() { return std::string(); }
void list_channel_begin() { Not_built("LIST to a channel"); }
void list_channel_line(const uint8_t*, int32_t) { Not_built("LIST to a channel"); }
void clear_except(bool) { Not_built("CLEAR EXCEPT"); }
void clear_select() { Not_built("CLEAR of listed variables"); }
const uint8_t* iolist_items() { Not_built("I/O lists"); }
const uint8_t* iolist_items_of_string(const uint8_t*, int32_t) { Not_built("I/O lists"); }

}  // namespace hook_default
