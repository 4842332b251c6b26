// App_wire: every hook of a lower layer into a higher one is filled here.
#include "app/wiring.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/kind_registry.h"
#include "channels/channel.h"
#include "channels/close.h"
#include "channels/directive_list.h"
#include "channels/dupl_write.h"
#include "channels/io_list.h"
#include "channels/print.h"
#include "channels/record_locks.h"
#include "channels/select_loop.h"
#include "channels/transaction.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/dispatch.h"
#include "core/error_recovery.h"
#include "core/hooks.h"
#include "functions/clear_helpers.h"
#include "functions/directive_list.h"
#include "functions/function_table.h"
#include "functions/trace.h"
#include "functions/user_functions.h"
#include "keyed/data_dict.h"
#include "net/ide_link.h"
#include "programs/arguments.h"
#include "programs/call_directives.h"
#include "programs/call_frame.h"
#include "programs/debug_link.h"
#include "programs/directive_list.h"
#include "programs/dump.h"
#include "programs/image_lines.h"
#include "programs/io_events.h"
#include "programs/objects.h"
#include "programs/perform_on.h"
#include "programs/program_info.h"
#include "programs/program_list.h"
#include "programs/program_load.h"
#include "keyed/directive_list.h"
#include "terminal/command_window.h"
#include "terminal/directive_list.h"

namespace {

// END and BEGIN: the run's transactions end and its channels close.
void end_run() {
  Txn_end_run();
  Cls_files();
}

// LIST (ch): the lines go to the channel at the cursor as printed rows.
void list_channel_begin() {
  Io_SetOptions(code::D_LIST);
  // A program file holds images, not text: the listing would overwrite them.
  if (const Fcb* f = ws.Cur_fcb; f && f->kind == FK_PROGRAM)
    Rpt_error((f->st1 & ST1_INPUT_ONLY) ? err::WRONG_MODE : err::WRONG_FILE_KIND);
  Prt_begin_output();
}

void list_channel_line(const uint8_t* text, int32_t len) {
  Prt_bytes(text, len);
  Prt_slew(1);
}

void image_line(const uint8_t* rec, size_t len, bool keep_indexes, std::vector<uint8_t>& out) {
  Ln_conv(rec, len, keep_indexes, out);
}

// The handler tables of the core, filled layer by layer, bottom first; a
// slot left unwired is a fault of this build, reported before anything runs.
void register_handlers() {
  Core_register_directives();
  Channels_register_directives();
  Terminal_register_directives();
  Keyed_register_directives();
  Programs_register_directives();
  Functions_register_directives();
  Functions_register_handlers();
  static constexpr Dir_reg app_directives[] = {
      {code::D_RELEASE, d_rele},
      {code::D_START, d_star},
  };
  Register_directives(app_directives);
  std::vector<std::string> missing = Dispatch_unwired();
  if (missing.empty()) return;
  for (const std::string& m : missing) std::fprintf(stderr, "oru: wiring fault: %s has no handler\n", m.c_str());
  std::abort();
}

}  // namespace

void App_wire() {
  register_handlers();
  Core_hook.console_command = ConsoleCmnd;
  Channels_register_kinds();
  Core_hook.commit = Do_commit;
  Core_hook.debug_link = KestDbgSlavery;
  Core_hook.trace = Do_Trace;
  Cmd_window_register();
  Core_hook.trace_end = Trace_end;
  Core_hook.end_run = end_run;
  Core_hook.load_statement = Load_statement;
  Core_hook.exec_exit = Exec_exit;
  Core_hook.leave_calls = Call_leave_plain;
  Core_hook.escape_program = Exec_call;
  Core_hook.object_precision = Set_ObjectPrc;
  Core_hook.perform_on_start = Perform_on_start;
  Core_hook.perform_on_line = Perform_on_line;
  Core_hook.perform_on_label = Perform_on_label;
  Core_hook.perform_exec = Do_On_PerfExec;
  Core_hook.select_release = Select_release;
  Core_hook.select_next = Select_next;
  Core_hook.function_return = Fnc_return;
  Core_hook.functions_clear = Clr_function;
  Core_hook.in_image = In_image;
  Core_hook.image_line = image_line;
  Core_hook.image_own_lines = Sve_conv;
  Core_hook.program_drop = Prog_drop;
  Core_hook.path_unref = Path_unref;
  Core_hook.program_path = [] { return Program_path(0); };
  Core_hook.clear_arg_vars = Vars_clearing;
  Core_hook.list_channel_begin = list_channel_begin;
  Core_hook.list_channel_line = list_channel_line;
  Core_hook.clear_except = Clear_except;
  Core_hook.clear_select = Clear_select;
  Core_hook.iolist_items = Check_iol;
  Core_hook.iolist_items_of_string = Iol_items_of_string;
  Recovery_hook.program_error = Handle_program_error;
  Recovery_hook.program_path = Current_program_path;
  Recovery_hook.channel_path = [](uint16_t chan, std::string& path) {
    Fcb* f = Find_fp(chan);
    if (!f) return false;
    if (f->path && f->path->path) path = f->path->path;
    else path.clear();
    return true;
  };
  Recovery_hook.object_handle = Oop_running_handle;
  Recovery_hook.method_name = Oop_running_method;
  // Hooks once set by constructors of static objects, whose order is
  // unspecified and which a static library leaves out when nothing else
  // names their file.
  Repeat_data_hook = KestRepeatData;
  Prog_list_register();
  Args_register_calls();
  Io_events_register();
  Data_dict_register();
  Ide_var_hook = Dump_EclipseVar;
  Ide_stack_hook = Dump_EclipseStack;
}
