// SRT(: sorting the items of a string.
#pragma once
#include <cstddef>
#include <cstdint>

// Sorts the items of s (len bytes) ascending into out (len bytes).  Items are
// item_len bytes each, or, with item_len 0, run up to and including the
// separator sep (under utf8 the search skips continuation bytes).  Items
// compare byte by byte over the shorter length, separators left out, then the
// shorter first.  Errors: 41 (item_len below 0), 46 (len not a multiple of
// item_len), 71 (s does not end with the separator).
void Do_sort(const uint8_t* s, size_t len, int64_t item_len, uint8_t sep, bool utf8,
             uint8_t* out);
