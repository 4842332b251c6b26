// WITH n and END WITH: a stack of the current WITH value and up to 20 saved
// ones.  RESET and a cleared control stack empty it.
#include "core/with_stack.h"

#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/workspace.h"

namespace {

// WITH stack: the current value and up to WITH_MAX saved ones.
constexpr int WITH_MAX = 20;
Num_val with_saved[WITH_MAX];
int with_count = 0;
Num_val with_value{};

}  // namespace

// WITH n: n becomes the current WITH value, the previous one is kept (20
// at most, then error 27).  END WITH takes the previous one back.
void d_with() {
  Eval_val();
  if (with_count >= WITH_MAX) Rpt_error(27);
  with_saved[with_count++] = with_value;
  with_value = ws.Num_acc;
}

void End_with() {
  if (with_count == 0) Rpt_error(27);
  with_value = with_saved[--with_count];
}

void With_clear() {
  with_count = 0;
  with_value = Num_val{};
}

const Num_val& With_value() { return with_value; }
