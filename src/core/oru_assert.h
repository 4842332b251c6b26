// ORU_ASSERT(cond): an invariant the code itself guarantees, checked in the
// sanitizer build (ORU_ASSERTS defined) and compiled out otherwise (the
// condition is then type-checked but never evaluated, so it may cost what
// it likes).
//
// Only for what the code made true itself: the order of a B-tree node it
// just inserted into, the links of a chain it just wrote, a bound it has
// already validated.  Never for data read from a file or a peer: damaged
// data raises its error number in every build, and the fuzz regressions
// replay damaged files under the sanitizer build.
#pragma once

#ifdef ORU_ASSERTS
#include <cstdio>
#include <cstdlib>

// Writes "oru: invariant violated: cond (file:line)" to stderr and aborts: a
// fault of the code, not of the data, so nothing is recovered (the abort
// gives the sanitizer's stack trace).  Defined here, so that an engine
// library linked without the core (orukeyed) has it too.
[[noreturn]] inline void Oru_assert_failed(const char* cond, const char* file, int line) {
  std::fprintf(stderr, "oru: invariant violated: %s (%s:%d)\n", cond, file, line);
  std::fflush(stderr);
  std::abort();
}
#define ORU_ASSERT(cond) ((cond) ? void(0) : Oru_assert_failed(#cond, __FILE__, __LINE__))
#else
#define ORU_ASSERT(cond) ((void)sizeof(!(cond)))
#endif
