// Fuzzes the MSK( pattern compiler and matcher and the LIKE rewriting: any
// pattern must compile or fail with error 43, and a match must lie inside
// the subject.  Input: a flags byte (bit 0 parameter OM, bit 1 LIKE), then
// the pattern, a NUL byte and the subject.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/errors.h"
#include "core/params.h"
#include "core/workspace.h"
#include "functions/mask_match.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 20000) return 0;
  uint8_t flags = data[0];
  const uint8_t* rest = data + 1;
  size_t n = size - 1;
  const void* nul = std::memchr(rest, 0, n);
  size_t plen = nul ? size_t(static_cast<const uint8_t*>(nul) - rest) : n;
  const uint8_t* subj = nul ? rest + plen + 1 : rest + n;
  size_t slen = nul ? n - plen - 1 : 0;
  Sw_set(sw::OM, flags & 1);
  try {
    int64_t at = Do_fnc_mask((flags & 2) ? 2 : 1, subj, slen, rest, plen);
    // A LIKE pattern without wildcards compares: two empty strings give 1.
    bool equal_empty = (flags & 2) && slen == 0 && plen == 0 && at == 1;
    if (!equal_empty && (at < 0 || size_t(at) > slen)) std::abort();
    if (!equal_empty && at > 0 && size_t(at - 1) + size_t(ws.Msk_len) > slen) std::abort();
    at = Do_fnc_mask(0, subj, slen, nullptr, 0);
    if (at < 0 || size_t(at) > slen) std::abort();
  } catch (const Oru_error& e) {
    if (e.no != 43) std::abort();
  }
  return 0;
}
