// Recovery from errors: what the recovery points (the executor, the console
// loop) call once an Oru_error reached them.  Raising is core/errors.h; the
// ERR= option and the record of the last error are declared there too (every
// statement uses them) and defined with the recovery in error_recovery.cpp.
#pragma once

#include <string_view>
#include <string>

// Decides where execution continues after the executor caught error n:
// true when the statement loop goes on (the cursor has been placed), false
// when the program stops (run flag 8 set; the console report made).
bool Recover_error(int n);
// The console report of error n (message text, and on a program line the
// line, the last file and the current program).
void Report_error(int n, std::string_view before = {});

// Calls from the recovery up to the program layer, filled at start-up
// (App_wire).  Unset, each does what is right when no program layer is
// linked.
struct Recovery_hooks {
  // The error-handler program, or the caller of a called program, takes
  // error n (it may change n): true when execution goes on there.
  // Unset: false (the program stops with the report).
  bool (*program_error)(int& n) = nullptr;
  // The path of the current program (the report and the error record).
  // Unset: empty (the report says "<unsaved>").
  std::string (*program_path)() = nullptr;
  // The path of open channel chan; false when no such channel is open.
  // Unset: false.
  bool (*channel_path)(uint16_t chan, std::string& path) = nullptr;
  // The running object's handle (0 none) and the running method's name
  // ("" none), for the error record.  Unset: 0 and "".
  int32_t (*object_handle)() = nullptr;
  std::string (*method_name)() = nullptr;
};
extern Recovery_hooks Recovery_hook;

// The error that stopped a program last (error -1: none since it was
// cleared), and whether the console report was made (else the error went
// to ws.Call_err for the caller).  The command-line start reads it: a
// program that stops on any error, busy 0 included, ends the process with
// a non-zero status.
struct Program_stop {
  int error = -1;
  bool reported = false;
  bool on_line = false;  // raised on a program line, not by a statement typed or given
};
extern Program_stop Last_stop;

// How long a busy retry waits, in hundredths of a second (100; tests shorten it).
extern int Busy_wait_hundredths;
