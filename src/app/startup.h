// Start-up, shut-down and configuration: from main's arguments to the first
// console pass and back out.
//
//   main -> Main_args (own path, command line, SetPaths: ini file, library)
//        -> OruMain -> Process_init (box, signals, defaults, options)
//        -> Start_up (workspace, message file, lexicon, [GLOBALS])
//        -> console loop -> main_wrapup -> Wrap_up -> exit status of RELEASE
//
// Host options, taken by SetPaths and removed from the argument vector:
//   -c:FILE   ini file        -l:DIR   library directory   -e:TEXT  IDE link
// (the value glued on, or in the next argument when that does not begin with
// a minus); a bare argument ending ".ini" (or a ".oru" file that is neither a
// program nor a script) names the ini file.  "-arg" ends the host options.
//
// Interpreter options, taken by Process_init (option letters upper-cased):
//   -ARG       the remaining arguments are the program's (ARG(1) ...)
//   -ID=id     the console's terminal id
//   -DR=dir    the working directory
//   -XX[=n]    two-letter system parameter XX set to n (digits), or to 1
//   word       the program to run; the process ends when it returns to the
//              console
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/process_config.h"


// ---- main's share ----
// Keeps at most 128 arguments, finds the own executable, joins the command
// line and runs SetPaths.
void Main_args(int argc, char** argv);
// Path of the executable from argument 0: unchanged when it begins with "/"
// or "."; found through PATH when it has no slash; else relative to cwd.
std::string GenOruExec(const std::string& arg0, const std::string& cwd, const char* path_env);
// The arguments joined with blanks, escaped so that a shell reads them back.
std::string GenCmdLine(const std::vector<std::string>& args);
// The host options, the ini file and the library directory (see above);
// then [Config] Directory, LogFile and Commandline.
void SetPaths();
// A new argument vector: the executable, then the words of text (blanks and
// tabs separate; quotes group; a backslash outside quotes takes the next
// character), then with merge the earlier arguments from the second on.  A
// null text forgets the saved vectors.
void SetArgList(const char* text, bool merge);
// True when a bare argument (a program name) was seen by SetPaths or
// SetArgList.
bool Program_named();

// ---- interpreter start ----
// The start-up box, environment, [Config], host signals, parameter defaults,
// break handler, terminal line, the options, Start_up.  A missing library
// ends the process with status 1.
void Process_init();
// The interpreter options of step 10 (see above) over args[first..].
void Process_options(const std::vector<std::string>& args, size_t first);
// Clears the workspace and parameter block (keeping what survives a
// restart), opens the message file, loads the lexicon and the [GLOBALS].
// Returns 0, or 100 when the library (lexicon) is missing.
int Start_up();
// The [Config] keys into Kest_cfg.
void Kest_Initialize();
// [GLOBALS]: each key becomes the global %KEY (a number) or %KEY$ (a
// string); a numeric value that does not convert leaves it unassigned.
void Kest_LoadGlobals();
// 5, or 6 when the library directory holds "_ext".
int GetOruLibVersion();
// The compiled line RUN "<start program>" that the first console pass runs
// (line number bytes, RUN, the name as a string literal, end of line).
uint8_t* Lead_dir();

// ---- shut-down ----
// Frees what the process holds (guarded against re-entry); the global
// variables survive it (main_wrapup clears them).
void Wrap_up();

// ---- the start-up message box ----
void Msgbox_init(const char* title);
void Msgbox_line(const char* text);  // text and CR LF
void Msgbox_text(const char* text);
void Msgbox_okay();   // prints the text on standard output, then forgets it
void Msgbox_error();  // the same as an error box
// The text gathered so far (for tests).
const std::string& Msgbox_contents();

// ---- START ----
// START's full restart: thrown out of the statement (past every recovery
// point) and caught by the console loop, which then calls Restart.
struct Restart_request {
  int64_t mem_limit = 0;  // bytes; 0 keeps the limit in force
  std::string program;    // the program the fresh console runs first (empty: none)
};
// Wrap_up and Start_up again: no program, no variables; the memory limit
// becomes r.mem_limit when given; r.program, when given, is run by the
// console's first pass (as a program named on the command line is, but the
// console goes on when it ends).
void Restart(const Restart_request& r);

// START (d_star) and RELEASE (d_rele) are declared with the other directives.
