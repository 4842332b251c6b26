// What the terminal layer asks of the program layer: argument lists for
// the utility programs and object-control methods it calls, and the calls
// themselves.  programs/arguments.cpp fills Term_calls at start-up; an
// entry still unset (nothing above is linked) is error 99 naming it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct Arg_rec;
struct Num_val;

struct Term_program_hooks {
  Arg_rec* (*args_at_cursor)(bool allow_placeholder) = nullptr;        // Do_Args
  Arg_rec* (*arg_number)(Arg_rec** tail, const Num_val& v) = nullptr;  // Arg_number
  Arg_rec* (*arg_string)(Arg_rec** tail, const uint8_t* s, size_t len) = nullptr;
  Arg_rec* (*join)(Arg_rec* list, Arg_rec* rest) = nullptr;
  void (*free_args)(Arg_rec* list) = nullptr;                 // FreeArgList
  void (*call_by_name)(const std::string& name) = nullptr;    // ArgProcess
  int (*call_nested)(bool* started) = nullptr;
  std::string (*program_path)() = nullptr;                    // Current_program_path
};
extern Term_program_hooks Term_calls;

// The argument list at the cursor, as CALL reads it.
Arg_rec* Term_args(bool allow_placeholder);
// Appends a value argument at *tail (the list's end link); returns it.
Arg_rec* Term_arg_number(Arg_rec** tail, const Num_val& v);
Arg_rec* Term_arg_string(Arg_rec** tail, const uint8_t* s, size_t len);
// rest appended to list (either may be null); the joined list.
Arg_rec* Term_args_join(Arg_rec* list, Arg_rec* rest);
// list with one more value argument at its end (list may be null): a
// number (a whole one), or a copy of a text; the joined list.
Arg_rec* Term_args_add_number(Arg_rec* list, const Num_val& v);
Arg_rec* Term_args_add_number(Arg_rec* list, int64_t whole);
Arg_rec* Term_args_add_text(Arg_rec* list, const uint8_t* s, size_t len);
Arg_rec* Term_args_add_text(Arg_rec* list, const std::string& s);
void Term_free_args(Arg_rec* list);
// CALL of a program by name ("path;label"), routed as CALL routes it.
void Term_call_by_name(const std::string& name);
// CALL of the program named in the string accumulator, without arguments,
// run to completion in a nested execution: the nested run's code; started
// tells whether the program began.
int Term_call_nested(bool* started);
// The path of the running program ("" typed at the console).
std::string Term_program_path();
