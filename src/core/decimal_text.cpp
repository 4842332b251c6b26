// Decimal values as text: the digit string of a value and its normal form.
//
// Normal form, fixed layout (|scale| <= 18, not floating mode):
//   [-] integer digits [ . fraction digits without trailing zeros ]
//   a value below 1 starts "0." ("." alone with parameter LZ); zero is "0".
// Exponent layout (floating mode, or a scale beyond 18 either way):
//   [-] d [ . more digits without trailing zeros ] E sign exponent
//   the exponent has two digits, three from 100 on.
// The longest fixed form is a sign, 19 digits and 18 zeros: 38 bytes.
#include <cstring>

#include "core/decimal.h"
#include "core/workspace.h"

int Cnv_val(const Num_val& v, char* digits, bool* neg) {
  *neg = v.mant < 0;
  uint64_t m = v.mant < 0 ? 0 - uint64_t(v.mant) : uint64_t(v.mant);
  char tmp[20];
  int n = 0;
  do {
    tmp[n++] = char('0' + m % 10);
    m /= 10;
  } while (m != 0);
  for (int i = 0; i < n; ++i) digits[i] = tmp[n - 1 - i];
  return n;
}

int Conv_normal(const Num_val& v, char* out) {
  char dg[20];
  bool neg;
  int n = Cnv_val(v, dg, &neg);
  char* p = out;
  if (v.mant == 0) {
    *p = '0';
    return 1;
  }
  if (neg) *p++ = '-';
  int s = v.scale;
  // (ROUND and NR choose how results are rounded and how division and
  // conversion from floating point work, not how numbers are written.)
  bool flt = (ws.Num_flags & NF_FLOATING) != 0;
  if (!flt && s <= 18 && s >= -18) {
    if (s <= 0) {
      std::memcpy(p, dg, size_t(n));
      p += n;
      for (int i = 0; i < -s; ++i) *p++ = '0';
      return int(p - out);
    }
    int frac = s;  // fraction digits before trailing zeros are dropped
    int nd = n;
    while (frac > 0 && dg[nd - 1] == '0') {
      --nd;
      --frac;
    }
    int int_digits = n - s;  // may be <= 0
    if (int_digits > 0) {
      std::memcpy(p, dg, size_t(int_digits));
      p += int_digits;
    } else if (!ws.Prm.LZ || frac == 0) {
      *p++ = '0';
    }
    if (frac > 0) {
      *p++ = '.';
      for (int i = int_digits; i < 0; ++i) *p++ = '0';
      int first = int_digits > 0 ? int_digits : 0;
      std::memcpy(p, dg + first, size_t(nd - first));
      p += nd - first;
    }
    return int(p - out);
  }
  int nd = n;
  while (nd > 1 && dg[nd - 1] == '0') --nd;
  *p++ = dg[0];
  if (nd > 1) {
    *p++ = '.';
    std::memcpy(p, dg + 1, size_t(nd - 1));
    p += nd - 1;
  }
  int e = n - 1 - s;
  *p++ = 'E';
  *p++ = e < 0 ? '-' : '+';
  if (e < 0) e = -e;
  if (e >= 100) *p++ = char('0' + e / 100);
  *p++ = char('0' + e / 10 % 10);
  *p++ = char('0' + e % 10);
  return int(p - out);
}
