// App_wire: every hook of a lower layer into a higher one is filled here.
#include "app/wiring.h"

#include "app/console.h"
#include "core/error_recovery.h"
#include "core/hooks.h"
#include "programs/call_directives.h"
#include "programs/program_load.h"

void App_wire() {
  Core_hook.console_command = ConsoleCmnd;
  Recovery_hook.program_error = Handle_program_error;
  Recovery_hook.program_path = Current_program_path;
}
