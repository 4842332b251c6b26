// The failure of an ORU_ASSERT (sanitizer build): a fault of the code, not
// of the data, so nothing is recovered; the abort gives the sanitizer's
// stack trace.
#include "core/oru_assert.h"

#include <cstdio>
#include <cstdlib>

#ifdef ORU_ASSERTS
void Oru_assert_failed(const char* cond, const char* file, int line) {
  std::fprintf(stderr, "oru: invariant violated: %s (%s:%d)\n", cond, file, line);
  std::fflush(stderr);
  std::abort();
}
#endif
