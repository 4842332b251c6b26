// ERR( and MSG(: the last error and message texts.
//
// MSG(key, a1, ...) formats a template: a "%" followed by a digit or a
// capital letter stands for a numbered argument: %0 is the key itself, %1
// to %9 and %A to %Z the first to the 35th argument after it (a missing
// argument gives nothing); any other "%" is copied.  The template is the
// key's DEF MSG text, else the default "%0:%1 %2 %3 %4 %5 %6 %7 %8 %9":
// an unknown key gives the key, ":" and its arguments separated by blanks,
// and the blanks between missing arguments stay.  MSG(=template, ...) uses
// the text given.
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/messages.h"
#include "terminal/message_lib.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"

namespace {

constexpr int MSG_NUMBER_MAX = 512;
constexpr size_t MSG_ARGS_MAX = 35;  // %1..%9 and %A..%Z
const char DEFAULT_TEMPLATE[] = "%0:%1 %2 %3 %4 %5 %6 %7 %8 %9";

int arg_index(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

// The template with its placeholders replaced; the text is measured first
// and then built.
std::string format(const std::string& t, const std::vector<std::string>& args) {
  size_t size = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    int k = t[i] == '%' && i + 1 < t.size() ? arg_index(t[i + 1]) : -1;
    if (k < 0) {
      ++size;
      continue;
    }
    if (size_t(k) < args.size()) size += args[size_t(k)].size();
    ++i;
  }
  std::string out;
  out.reserve(size);
  for (size_t i = 0; i < t.size(); ++i) {
    int k = t[i] == '%' && i + 1 < t.size() ? arg_index(t[i + 1]) : -1;
    if (k < 0) {
      out += t[i];
      continue;
    }
    if (size_t(k) < args.size()) out += args[size_t(k)];
    ++i;
  }
  return out;
}

void msg_keyed(bool is_template) {
  std::vector<std::string> args;
  args.emplace_back(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  while (Fnc_more()) {
    if (args.size() > MSG_ARGS_MAX) Rpt_error(err::FUNCTION_UNDEFINED);
    Fnc_str a = Fnc_string();
    args.emplace_back(reinterpret_cast<const char*>(a.p), size_t(a.len));
  }
  std::string tmpl;
  if (is_template) {
    tmpl = args[0];
  } else if (!Msg_named(args[0], &tmpl) && !Msglib_lookup(args[0], &tmpl)) {
    tmpl = DEFAULT_TEMPLATE;
  }
  Fnc_result_text(format(tmpl, args));
}

}  // namespace

// ERR(a, b, ...): the position (from 1) of the last argument equal to the
// error number, 0 when none.  ERR(item): an item of the last-error record.
void fnc_err() {
  Eval_formula();
  if (ws.Str_len >= 0) {
    GetErrData();
    return;
  }
  int32_t found = 0;
  for (int32_t pos = 1;; ++pos) {
    ws.Num_acc2 = ws.Num_acc;
    Load_Long(ws.Num_acc, ws.Err_no);
    if (Cmp_val() == 0) found = pos;
    if (!Fnc_more()) break;
    Eval_val();
  }
  Fnc_result_int(found);
}

// MSG(n): message n (-1..512).  MSG(key [, args]), MSG(=template [, args]):
// a formatted message.  MSG(-): the host's text of the last host error.
// MSG(/): the names of the message libraries.
void fnc_msg() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::OP_SUB && (ws.Exec_ptr[1] == code::RPAREN || ws.Exec_ptr[1] == code::COLON)) {
    ++ws.Exec_ptr;
    if (*ws.Exec_ptr == code::COLON) {
      ++ws.Exec_ptr;
      Eval_val();
    }
    const char* t = std::strerror(ws.Last_errno);
    Fnc_result_copy(t, std::strlen(t));
    return;
  }
  if (c == code::OP_DIV && ws.Exec_ptr[1] == code::RPAREN) {
    ++ws.Exec_ptr;
    Fnc_result_text(Msglib_names());
    return;
  }
  bool is_template = c == code::OP_EQ;
  if (is_template) ++ws.Exec_ptr;
  Eval_formula();
  if (ws.Str_len < 0) {
    if (is_template) Rpt_error(err::TYPE_MISMATCH);
    int32_t n = To_integer(ws.Num_acc);
    if (n < -1 || n > MSG_NUMBER_MAX) Rpt_error(err::OUT_OF_RANGE);
    Msg_read(n);
    return;
  }
  msg_keyed(is_template);
}
