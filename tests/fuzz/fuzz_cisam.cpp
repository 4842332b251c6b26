// Fuzzes C-ISAM pairs: any index and data bytes must open, read, write and
// remove, or fail with an error number; never crash or hang.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "cisam_bytes.h"

namespace {
std::string dir;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/oru_fuzz_cisam_XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  dir = tmpl;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 262144) return 0;
  Exercise_cisam(dir, data, size);
  return 0;
}
