// Errors: every failure is an error number raised with Rpt_error, which throws
// Oru_error.  The recovery points (the executor, the console loop, nested
// execution) catch it.  Code that must clean up uses an RAII guard.
#pragma once
#include <string>

struct Oru_error {
  int no;
};

[[noreturn]] void Rpt_error(int n);
// Raise n with an extended error text (read back by programs as message -1).
[[noreturn]] void Rpt_error_text(int n, const std::string& text);
// A call into a part of the system that is not built yet: error 99 naming it.
[[noreturn]] void Not_built(const char* what);
// Sets (or with an empty text clears) the extended error text.
void Set_ext_error(const std::string& text);
// The console report of an error that reached a recovery point.
void Report_error(int n);
