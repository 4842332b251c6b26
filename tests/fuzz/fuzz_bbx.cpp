// Fuzzes keyed files of the BBx format: any bytes must read or fail with an
// error number; never crash or hang.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "bbx_bytes.h"

namespace {
std::string path;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/oru_fuzz_bbx_XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  path = std::string(tmpl) + "/f";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 262144) return 0;
  Exercise_bbx(path, data, size);
  return 0;
}
