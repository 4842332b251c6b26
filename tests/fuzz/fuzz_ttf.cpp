// Fuzzes the TrueType reader of libhzef.so (family, PostScript name and
// style of a font file): any bytes must give a result or an error code,
// never a read outside them, a crash or a hang.
#include <cstdint>
#include <cstdlib>

#include "pdf/hzef/ttf_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  hzef::Ttf_info info;
  if (hzef::Ttf_parse(data, size, &info) == hzef::TTF_OK) {
    // A family is always found and never holds control characters.
    if (info.family.empty()) std::abort();
    for (char c : info.family + info.postscript)
      if (uint8_t(c) < 32) std::abort();
  }
  return 0;
}
