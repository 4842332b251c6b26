// A program called for a value (see value_call.h).  The pending call is a
// stack entry kept here; the executor's RETURN asks through
// Value_return_hook whether it belongs to that call.
#include "programs/value_call.h"

#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/control_stack.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "programs/arguments.h"
#include "programs/call_directives.h"
#include "programs/call_frame.h"
#include "pdf/pdf_channel.h"

namespace {

struct Pending {
  int depth;  // call depth of the called program's own frame
  Value_call_result* result;
};
std::vector<Pending> pending;

bool stmt_end(uint8_t c) { return c == code::EOL || c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

bool value_return() {
  if (pending.empty()) return false;
  Pending& p = pending.back();
  if (Call_depth() != p.depth) return false;
  for (Ctl_frame* f = ws.Ctl_stack; f; f = f->link)
    if (f->tag == TAG_GOSUB || f->tag == TAG_FUNCTION) return false;
  if (!stmt_end(*ws.Exec_ptr)) {
    Eval_formula();
    p.result->returned = true;
    p.result->is_str = ws.Str_len >= 0;
    if (p.result->is_str) p.result->str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  Exec_exit(false, 0);
  return true;
}

struct Pending_guard {
  explicit Pending_guard(Value_call_result* r) {
    pending.push_back({Call_depth() + 1, r});
    Value_return_hook = value_return;
  }
  ~Pending_guard() { pending.pop_back(); }
};

}  // namespace

Value_call_result Value_call(const std::string& path, Arg_rec* args) {
  Value_call_result r;
  uint8_t* p = Work_take(path.size());
  std::memcpy(p, path.data(), path.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(path.size());
  Pending_guard guard(&r);
  r.status = Nested_call(FORM_CALL, args, PGM2_NESTED_CALL);
  return r;
}

Pdf_call_result Value_call_strings(const std::string& path, const std::vector<std::string>& args) {
  Arg_rec* list = nullptr;
  Arg_rec** tail = &list;
  for (const std::string& a : args) tail = &Arg_string(tail, reinterpret_cast<const uint8_t*>(a.data()), a.size())->next;
  Value_call_result r = Value_call(path, list);
  return Pdf_call_result{r.status, r.returned, r.is_str, std::move(r.str)};
}
