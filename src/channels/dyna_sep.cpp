// The separator chosen from the record itself.
#include "channels/dyna_sep.h"

#include <cstring>

#include "core/params.h"

uint8_t Kest_DynaSep(const uint8_t* rec, size_t len) {
  const uint8_t count = prmblk.Sep_str[0] > 20 ? 20 : prmblk.Sep_str[0];
  const uint8_t* cand = prmblk.Sep_str + 1;
  const uint8_t fs = prmblk.FS;
  if (Sw_on(sw::PlusS)) {
    size_t n = len;
    while (n > 0 && rec[n - 1] == 0) --n;
    if (n > 0) {
      uint8_t last = rec[n - 1];
      if (last == fs || last == 0x7F || last < 0x20 || std::memchr(cand, last, count)) return last;
    }
  }
  if (count < 2) return fs;
  for (uint8_t i = 0; i < count; ++i)
    if (len && std::memchr(rec, cand[i], len)) return cand[i];
  return fs;
}
