// SRT(.  Items that compare equal are identical byte for byte (the same
// content, the same length and the same separator), so any correct sort gives
// the order of the original selection sort; an O(n log n) sort keeps SRT( on
// large strings fast.
#include "functions/sort.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/errors.h"
#include "core/utf8.h"

namespace {

struct Item {
  const uint8_t* p;
  size_t key_len;  // compared bytes (without the separator)
  size_t len;      // bytes copied
};

bool item_less(const Item& a, const Item& b) {
  size_t n = std::min(a.key_len, b.key_len);
  int d = n ? std::memcmp(a.p, b.p, n) : 0;
  if (d != 0) return d < 0;
  return a.key_len < b.key_len;
}

}  // namespace

void Do_sort(const uint8_t* s, size_t len, int64_t item_len, uint8_t sep, bool utf8,
             uint8_t* out) {
  if (item_len < 0) Rpt_error(err::OUT_OF_RANGE);
  if (len == 0) return;
  std::vector<Item> items;
  if (item_len > 0) {
    size_t n = size_t(item_len);
    if (len % n != 0) Rpt_error(err::STRING_LENGTH);
    items.reserve(len / n);
    for (size_t at = 0; at < len; at += n) items.push_back(Item{s + at, n, n});
  } else {
    if (s[len - 1] != sep) Rpt_error(err::TEXT_NOT_FOUND);
    size_t at = 0;
    while (at < len) {
      const uint8_t* end;
      if (utf8)
        end = KestUtf8FindSep(s + at, sep, int(len - at));
      else
        end = static_cast<const uint8_t*>(std::memchr(s + at, sep, len - at));
      if (!end) Rpt_error(err::TEXT_NOT_FOUND);
      size_t k = size_t(end - (s + at));
      items.push_back(Item{s + at, k, k + 1});
      at += k + 1;
    }
  }
  std::sort(items.begin(), items.end(), item_less);
  for (const Item& it : items) {
    std::memcpy(out, it.p, it.len);
    out += it.len;
  }
}
