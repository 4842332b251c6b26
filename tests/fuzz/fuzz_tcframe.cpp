// Fuzzes what a thin client sends the host (see tc_bytes.h): replies,
// keystrokes and escapes on the console stream, TCP replies in chunks, the
// handshake reply and request items, never a crash, a hang or a reply
// beyond its bounds.
#include <cstdint>
#include <cstdlib>

#include "tc_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!tc_fuzz::Walk(data, size)) std::abort();
  return 0;
}
