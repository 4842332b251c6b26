// One mask fuzzer input: a flags byte (bit 0 parameter OM, bit 1 LIKE),
// then the pattern, a NUL byte and the subject.  Shared by the fuzzer and
// the unit test that replays its seeds and regressions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/errors.h"
#include "core/params.h"
#include "core/workspace.h"
#include "core/mask_match.h"

// Whether the pattern compiled or failed with error 43, and every match lay
// inside the subject.
inline bool Mask_input_ok(const uint8_t* data, size_t size) {
  if (size < 1 || size > 20000) return true;
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
    if (!equal_empty && (at < 0 || size_t(at) > slen)) return false;
    if (!equal_empty && at > 0 && size_t(at - 1) + size_t(ws.Msk_len) > slen) return false;
    at = Do_fnc_mask(0, subj, slen, nullptr, 0);
    if (at < 0 || size_t(at) > slen) return false;
  } catch (const Oru_error& e) {
    if (e.no != 43) return false;
  }
  return true;
}
