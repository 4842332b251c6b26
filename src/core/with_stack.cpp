// WITH n and END WITH: the current WITH value and up to 20 saved ones.
// RESET and a cleared control stack empty it.
#include "core/with_stack.h"

#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/workspace.h"

namespace {

// WITH stack: up to WITH_MAX saved values, ws.With_depth of them in use;
// the current value is ws.With_ctx.  Both are part of the program context:
// a call carries them over and its return gives the caller's back, so what
// a called program left open is dropped with it.
constexpr uint32_t WITH_MAX = 20;
int32_t with_saved[WITH_MAX];

}  // namespace

// WITH n: n (a whole number of 32 bits, else error 41) becomes the current
// WITH value, the previous one is kept (20 at most, then error 27).  END
// WITH takes the previous one back.  Names that begin with "." read the
// current value (variables.cpp).
void d_with() {
  int32_t v = Eval_integer();
  if (ws.With_depth >= WITH_MAX) Rpt_error(err::NOTHING_TO_RETRY);
  with_saved[ws.With_depth++] = ws.With_ctx;
  ws.With_ctx = v;
}

void End_with() {
  if (ws.With_depth == 0 || ws.With_depth > WITH_MAX) Rpt_error(err::NOTHING_TO_RETRY);
  ws.With_ctx = with_saved[--ws.With_depth];
}

void With_clear() {
  ws.With_depth = 0;
  ws.With_ctx = 0;
}
