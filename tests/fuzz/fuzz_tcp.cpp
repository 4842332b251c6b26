// Fuzzes what a TCP channel receives (see tcp_bytes.h): any bytes from a
// peer must be read into the I/O list or refused with an error, never crash
// or hang, and CLOSE must release the connection.
#include <cstdint>
#include <cstdlib>

#include "tcp_bytes.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* lib = std::getenv("ORULIB");
  if (!tcp_fuzz::Setup(lib ? lib : "build-fuzz/lib")) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!tcp_fuzz::Walk(data, size)) std::abort();
  return 0;
}
