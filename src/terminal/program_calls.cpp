// The terminal layer's calls into the program layer (program_calls.h).
#include "terminal/program_calls.h"

#include "core/decimal.h"
#include "core/errors.h"

namespace {
[[noreturn]] void missing(const char* what) {
  Not_built((std::string("program calls from the terminal layer (") + what + ")").c_str());
}
}  // namespace

Term_program_hooks Term_calls;

Arg_rec* Term_args(bool allow_placeholder) {
  if (!Term_calls.args_at_cursor) missing("argument lists");
  return Term_calls.args_at_cursor(allow_placeholder);
}

Arg_rec* Term_arg_number(Arg_rec** tail, const Num_val& v) {
  if (!Term_calls.arg_number) missing("argument lists");
  return Term_calls.arg_number(tail, v);
}

Arg_rec* Term_arg_string(Arg_rec** tail, const uint8_t* s, size_t len) {
  if (!Term_calls.arg_string) missing("argument lists");
  return Term_calls.arg_string(tail, s, len);
}

Arg_rec* Term_args_join(Arg_rec* list, Arg_rec* rest) {
  if (!Term_calls.join) missing("argument lists");
  return Term_calls.join(list, rest);
}

Arg_rec* Term_args_add_number(Arg_rec* list, const Num_val& v) {
  Arg_rec* one = nullptr;
  Term_arg_number(&one, v);
  return Term_args_join(list, one);
}

Arg_rec* Term_args_add_number(Arg_rec* list, int64_t whole) {
  Num_val v{};
  v.mant = whole;
  return Term_args_add_number(list, v);
}

Arg_rec* Term_args_add_text(Arg_rec* list, const uint8_t* s, size_t len) {
  Arg_rec* one = nullptr;
  Term_arg_string(&one, s, len);
  return Term_args_join(list, one);
}

Arg_rec* Term_args_add_text(Arg_rec* list, const std::string& s) {
  return Term_args_add_text(list, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

void Term_free_args(Arg_rec* list) {
  if (!list) return;
  if (!Term_calls.free_args) missing("argument lists");
  Term_calls.free_args(list);
}

void Term_call_by_name(const std::string& name) {
  if (!Term_calls.call_by_name) missing("CALL");
  Term_calls.call_by_name(name);
}

int Term_call_nested(bool* started) {
  if (!Term_calls.call_nested) missing("CALL");
  return Term_calls.call_nested(started);
}

std::string Term_program_path() { return Term_calls.program_path ? Term_calls.program_path() : std::string(); }
