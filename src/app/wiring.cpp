// App_wire: every hook of a lower layer into a higher one is filled here.
#include "app/wiring.h"

#include "app/console.h"
#include "app/kind_registry.h"
#include "channels/close.h"
#include "channels/record_locks.h"
#include "channels/transaction.h"
#include "core/error_recovery.h"
#include "core/hooks.h"
#include "functions/trace.h"
#include "programs/call_directives.h"
#include "programs/debug_link.h"
#include "programs/objects.h"
#include "programs/perform_on.h"
#include "programs/program_load.h"

namespace {

// END and BEGIN: the run's transactions end and its channels close.
void end_run() {
  Txn_end_run();
  Cls_files();
}

}  // namespace

void App_wire() {
  Core_hook.console_command = ConsoleCmnd;
  Channels_register_kinds();
  Core_hook.commit = Do_commit;
  Core_hook.debug_link = KestDbgSlavery;
  Core_hook.trace = Do_Trace;
  Core_hook.trace_end = Trace_end;
  Core_hook.end_run = end_run;
  Core_hook.load_statement = Load_statement;
  Core_hook.exec_exit = Exec_exit;
  Core_hook.object_precision = Set_ObjectPrc;
  Core_hook.perform_on_start = Perform_on_start;
  Core_hook.perform_on_line = Perform_on_line;
  Core_hook.perform_on_label = Perform_on_label;
  Core_hook.perform_exec = Do_On_PerfExec;
  Recovery_hook.program_error = Handle_program_error;
  Recovery_hook.program_path = Current_program_path;
}
