// Fuzzes the journal reader: any file's bytes must be read without reading
// outside them, and the records found must tile the file up to its next
// address (journal_check.h).
#include <cstdlib>

#include "journal_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!Journal_input_ok(data, size)) std::abort();
  return 0;
}
