// VIA name$=value, ...: assignment to a variable named at run time.
//
// The string variable before "=" holds the name of the variable that takes
// the value, written as in a program ("TOTAL", "NAME$", "I%", "%GLOBAL").
// A string value for a name without "$" goes to the string variable of
// that name (TOTAL takes TOTAL$); a number for a string name is error 26.
// The name is turned into an inline variable reference (code, length,
// name), so the target is fetched and assigned exactly as LET would:
// integer variables truncate, fixed-length strings keep their length,
// records split into their fields.
#include <cstring>
#include <string>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/messages.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

constexpr size_t NAME_MAX = 127;  // the longest name a reference holds

bool name_start(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool name_char(uint8_t c) { return name_start(c) || (c >= '0' && c <= '9') || c == '.'; }

// The reference bytes for `text` as the target of a value of the given
// type; error 26 for a name of the other type, 20 for text that is no name.
std::string target_ref(std::string text, bool str_value) {
  size_t b = text.find_first_not_of(' ');
  size_t e = text.find_last_not_of(' ');
  text = b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
  size_t i = text.size() > 1 && text[0] == '%' ? 1 : 0;  // a global
  if (i >= text.size() || !name_start(uint8_t(text[i]))) Rpt_error(err::SYNTAX);
  while (i < text.size() && name_char(uint8_t(text[i]))) ++i;
  char suffix = i < text.size() ? text[i] : 0;
  if (suffix && (suffix != '$' && suffix != '%')) Rpt_error(err::SYNTAX);
  if (suffix && i + 1 != text.size()) Rpt_error(err::SYNTAX);
  if (str_value) {
    if (suffix == '%') Rpt_error(err::TYPE_MISMATCH);
    if (!suffix) text += '$';
  } else if (suffix == '$') {
    Rpt_error(err::TYPE_MISMATCH);
  }
  if (text.size() > NAME_MAX) Rpt_error(err::SYNTAX);
  if (!ws.Prm.MC)
    for (char& c : text) c = char(Uppercs[uint8_t(c)]);
  std::string ref;
  ref += char(str_value ? code::STR_VAR : code::NUM_VAR);
  ref += char(text.size());
  ref += text;
  ref += char(code::EOL);
  return ref;
}

}  // namespace

void d_via() {
  for (;;) {
    if (Get_value() < 0) Rpt_error(err::TYPE_MISMATCH);  // the name is held by a string
    std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (*ws.Exec_ptr != code::OP_EQ) Rpt_error(err::SYNTAX);
    ++ws.Exec_ptr;
    ws.Math_flags = 0;
    Eval_formula();
    bool str_value = ws.Str_len >= 0;
    std::string text;
    Num_val num = ws.Num_acc;
    if (str_value) text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    uint8_t* after = ws.Exec_ptr;

    std::string ref = target_ref(name, str_value);
    Let_target t;
    ws.Exec_ptr = reinterpret_cast<uint8_t*>(ref.data());
    try {
      Get_value();
      Check_assignable(ws.Cur_var);
      Let_define(t);
    } catch (...) {
      ws.Exec_ptr = after;  // never left pointing into the reference built here
      throw;
    }
    ws.Exec_ptr = after;
    if (str_value) {
      ws.Str_ptr = reinterpret_cast<uint8_t*>(text.data());
      ws.Str_len = int32_t(text.size());
      Let_assign(t);
    } else {
      ws.Num_acc = num;
      ws.Str_len = -1;
      Let_store_num(t);
    }
    if (*ws.Exec_ptr != code::COMMA) return;
    ++ws.Exec_ptr;
  }
}
