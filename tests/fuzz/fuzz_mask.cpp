// Fuzzes the MSK( pattern compiler and matcher and the LIKE rewriting: any
// pattern must compile or fail with error 43, and a match must lie inside
// the subject (mask_check.h).
#include <cstdlib>

#include "mask_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!Mask_input_ok(data, size)) std::abort();
  return 0;
}
