// Fuzzes the own PDF writer's picture readers and the parameters of long
// graphic mnemonics (pdf_input.h).
#include <cstdlib>

#include "pdf_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  if (!Pdf_input_ok(data, size)) std::abort();
  return 0;
}
