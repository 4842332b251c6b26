// The handler's single-purpose methods that answer with a value: the mouse
// query ("GetMse"), mouse regions ("Set_Mouse"), the console's line input
// ("Input") and OBJ( ("ObjFunction").  Each is asked only while the handler
// implements the method and the running object is not on the handler's
// fallback chain (its own methods use the real statements); otherwise the
// caller takes its ordinary route.
//
// Arguments, in order:
//   GetMse       none; a string result is the MSE record (an empty string
//                or a number: no answer, the terminal's record is used)
//   Set_Mouse    column, line, width, height (hundredths of a cell, relative
//                to the window), code (1 acts on release, +2 channel-wide),
//                the value (CTL number, or the statement text); a result of
//                the number 0 declines the region
//   Input        cursor column, cursor line, mode (1 echoed, +2 'EE' was
//                on), maximum length, preset text, TIM= in hundredths (-1
//                none); the result (text, or a number as text) is the answer
//   ObjFunction  none; the result must be text
#include <cstring>

#include "core/decimal.h"
#include "core/errors.h"
#include "core/workspace.h"
#include "terminal/gui_objctl.h"
#include "terminal/program_calls.h"

namespace {

// The result of the call just made: true for text (copied to out), false
// for a number (in num).
bool result_text(std::string& out, Num_val& num) {
  if (ws.Str_len < 0) {
    num = ws.Num_acc;
    return false;
  }
  out.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  return true;
}

}  // namespace

bool KestObjCtlMSE(std::string& out) {
  if (!Objctl_single("GetMse")) return false;
  Objctl_call_single("GetMse", nullptr);
  Num_val num{};
  std::string text;
  if (!result_text(text, num) || text.empty()) return false;
  out = std::move(text);
  return true;
}

bool KestObjCtlSETMSE(const Objctl_region& r) {
  if (!Objctl_single("Set_Mouse")) return false;
  Arg_rec* list = Term_args_add_number(nullptr, r.col);
  list = Term_args_add_number(list, r.line);
  list = Term_args_add_number(list, r.cols);
  list = Term_args_add_number(list, r.lines);
  list = Term_args_add_number(list, r.code);
  if (r.is_text) {
    list = Term_args_add_text(list, r.text);
  } else {
    list = Term_args_add_number(list, r.value);
  }
  Objctl_call_single("Set_Mouse", list);
  return !(ws.Str_len < 0 && ws.Num_acc.mant == 0);
}

bool KestObjCtlINPUT(const Objctl_input& in, std::string& answer) {
  if (!Objctl_single("Input")) return false;
  Arg_rec* list = Term_args_add_number(nullptr, in.col);
  list = Term_args_add_number(list, in.line);
  list = Term_args_add_number(list, in.mode);
  list = Term_args_add_number(list, in.max_len);
  list = Term_args_add_text(list, in.preset);
  list = Term_args_add_number(list, in.tim);
  Objctl_call_single("Input", list);
  Num_val num{};
  if (!result_text(answer, num)) {
    char buf[CONV_NORMAL_MAX + 1];
    int n = Conv_normal(num, buf);
    answer.assign(buf, size_t(n));
  }
  return true;
}

bool KestObjCtlFOBJ(int64_t id, std::string& out) {
  if (id > 0) {
    if (!KestEmulateObjCtl(id, OBJCTL_OBJFN, 0, nullptr, false)) return false;
  } else {
    if (!Objctl_single("ObjFunction")) return false;
    Objctl_call_single("ObjFunction", nullptr);
  }
  Num_val num{};
  if (!result_text(out, num))
    Rpt_error_text(err::TYPE_MISMATCH, "the ObjFunction method gave a number, OBJ( needs text");
  return true;
}
