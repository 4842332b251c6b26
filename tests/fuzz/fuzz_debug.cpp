// Fuzzes the command parser of the process debug link: any bytes read from
// the input FIFO must parse into a command or be refused, never read outside
// the message (debug_check.h).
#include <cstdlib>

#include "debug_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!Debug_input_ok(data, size)) std::abort();
  return 0;
}
