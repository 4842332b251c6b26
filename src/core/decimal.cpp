// Decimal arithmetic on the two numeric accumulators.
//
// Value = mant / 10^scale, mant a signed 64-bit integer, scale -127..127.
// Binary operators read the left operand from ws.Num_acc2 and the right one
// from ws.Num_acc and leave the result in ws.Num_acc.  Every operator tries
// its cheap case first (equal scales, no overflow) and leaves the rare work
// (rescaling, 128-bit products, long division) to out-of-line helpers.
//
// Magnitudes are handled as uint64_t so that the most negative mantissa
// (-2^63, magnitude 2^63) needs no special case until a result is stored.
// The spare byte of a value is never read or written by the arithmetic.
#include <cmath>
#include <cstdlib>

#include "core/decimal.h"
#include "core/errors.h"
#include "core/workspace.h"

namespace {

constexpr uint64_t P10[20] = {1ull,
                              10ull,
                              100ull,
                              1000ull,
                              10000ull,
                              100000ull,
                              1000000ull,
                              10000000ull,
                              100000000ull,
                              1000000000ull,
                              10000000000ull,
                              100000000000ull,
                              1000000000000ull,
                              10000000000000ull,
                              100000000000000ull,
                              1000000000000000ull,
                              10000000000000000ull,
                              100000000000000000ull,
                              1000000000000000000ull,
                              10000000000000000000ull};
constexpr double P10D[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr uint64_t MANT_MAX = uint64_t(INT64_MAX);
// (2^63) / 10, rounded: what 2^63 becomes one decimal lower.
constexpr int64_t TOP_DIV10 = 922337203685477581;
constexpr int SCALE_MIN = -127, SCALE_MAX = 127;

// The top 34 bits are all equal: the value fits 31 bits.
inline bool fits31(int64_t x) { return uint64_t((x >> 30) + 1) <= 1; }
inline uint64_t mag(int64_t x) { return x < 0 ? 0 - uint64_t(x) : uint64_t(x); }
// Signed result from a magnitude; m must be at most 2^63 (2^63 only negative).
inline int64_t with_sign(uint64_t m, bool neg) { return neg ? int64_t(0 - m) : int64_t(m); }
inline bool floating_mode() { return (ws.Num_flags & (NF_FLOATING | NF_ROUND | NF_NR)) != 0; }

inline void set_int(Num_val& v, int64_t m, int scale) {
  v.mant = m;
  v.scale = int8_t(scale);
}

// Lowers the scale of magnitude m by d digits, rounding half up on the
// magnitude; for a value beyond 127 places.
uint64_t drop_digits_rounded(uint64_t m, int d) {
  if (d > 19) return 0;  // m < 10^19 / 2 of the unit
  uint64_t p = P10[d], r = m % p;
  m /= p;
  if (r >= p - r) ++m;
  return m;
}

// Stores magnitude m at scale s, bringing a scale above 127 back with
// rounding (the value may vanish) and refusing one below -127.
void store_scaled(Num_val& v, uint64_t m, bool neg, int s) {
  if (s > SCALE_MAX) {
    m = drop_digits_rounded(m, s - SCALE_MAX);
    s = SCALE_MAX;
  }
  if (m == 0) {
    set_int(v, 0, 0);
    return;
  }
  if (s < SCALE_MIN) Rpt_error(err::NUMERIC_OVERFLOW);
  if (m > MANT_MAX && !neg) {  // only 2^63 can get here
    if (s == SCALE_MIN) Rpt_error(err::NUMERIC_OVERFLOW);
    m = uint64_t(TOP_DIV10);
    --s;
  }
  set_int(v, with_sign(m, neg), s);
}

// Brings a and b to a common scale: the lower-scaled value is raised; when it
// cannot reach the other's scale, the other is rounded down to the scale it
// did reach.
void equalise(Num_val& a, Num_val& b) {
  if (a.scale == b.scale) return;
  Num_val& lo = a.scale < b.scale ? a : b;
  Num_val& hi = a.scale < b.scale ? b : a;
  if (hi.mant == 0) {
    hi.scale = lo.scale;
    return;
  }
  Set_scl(lo, hi.scale, 0);
  if (lo.scale != hi.scale) Set_scl(hi, lo.scale, 1);
}

// Exact comparison of two values of any scales.
int exact_cmp(const Num_val& x, const Num_val& y) {
  int sx = (x.mant > 0) - (x.mant < 0), sy = (y.mant > 0) - (y.mant < 0);
  if (sx != sy) return sx < sy ? -1 : 1;
  if (sx == 0) return 0;
  if (x.scale == y.scale) return (x.mant > y.mant) - (x.mant < y.mant);
  bool x_low = x.scale < y.scale;  // x has fewer decimals: x is multiplied up
  int d = x_low ? y.scale - x.scale : x.scale - y.scale;
  __int128 xv = x.mant, yv = y.mant;
  if (d >= 20) {
    // |low| * 10^d >= 10^20 exceeds every mantissa: the low one has the
    // larger magnitude.
    int r = x_low ? 1 : -1;
    return sx > 0 ? r : -r;
  }
  if (x_low)
    xv *= P10[d];
  else
    yv *= P10[d];
  return (xv > yv) - (xv < yv);
}

[[gnu::noinline]] int cmp_slow() {
  Num_val x = ws.Num_acc2, y = ws.Num_acc;
  if (ws.Prm.RN & 0x200) {
    int p = ws.Precision;
    if (x.scale > p) Set_scl(x, p, 1);
    if (y.scale > p) Set_scl(y, p, 1);
  }
  return exact_cmp(x, y);
}

inline int set_truth(bool t) {
  set_int(ws.Num_acc, t, 0);
  return t;
}

[[gnu::noinline]] int add_slow() {
  Num_val& a = ws.Num_acc2;
  Num_val& b = ws.Num_acc;
  equalise(a, b);
  __int128 s = __int128(a.mant) + b.mant;
  int scale = b.scale;
  if (s >= INT64_MIN && s <= INT64_MAX) {
    set_int(b, int64_t(s), scale);
    return 0;
  }
  // 65-bit sum: floor division by 10, a remainder of 5..9 rounds up.
  __int128 q = s / 10, r = s % 10;
  if (r < 0) {
    r += 10;
    q -= 1;
  }
  if (r >= 5) ++q;
  if (scale - 1 < SCALE_MIN) Rpt_error(err::NUMERIC_OVERFLOW);
  set_int(b, int64_t(q), scale - 1);
  return 0;
}

[[gnu::noinline]] int sub_slow() {
  Num_val& a = ws.Num_acc2;
  Num_val& b = ws.Num_acc;
  equalise(a, b);
  for (;;) {
    __int128 d = __int128(a.mant) - b.mant;
    if (d >= INT64_MIN && d <= INT64_MAX) {
      set_int(b, int64_t(d), a.scale);
      return 0;
    }
    // Does not fit: both operands one decimal down, rounded, and again.
    Set_scl(a, a.scale - 1, 1);
    Set_scl(b, b.scale - 1, 1);
  }
}

// Bounds of the product reduction: a product p has passed "bits 80..127 in
// use" after k four-digit steps when p >= 2^80 * 10^(4k); likewise for the
// 2^64 and 2^62 bounds after j digits.  Nested floor divisions compose, so
// the digit count is found by comparisons and one division does the work.
struct Mpy_bounds {
  unsigned __int128 b80[4], b64[20], b62[20];
};
constexpr Mpy_bounds make_mpy_bounds() {
  Mpy_bounds t{};
  for (int k = 0; k < 4; ++k) {
    unsigned __int128 v = (unsigned __int128)1 << 80;
    for (int i = 0; i < 4 * k; ++i) v *= 10;
    t.b80[k] = v;
  }
  for (int j = 0; j < 20; ++j) {
    unsigned __int128 v = (unsigned __int128)1 << 64, w = (unsigned __int128)1 << 62;
    for (int i = 0; i < j; ++i) v *= 10, w *= 10;
    t.b64[j] = v;
    t.b62[j] = w;
  }
  return t;
}
constexpr Mpy_bounds MPY_BOUNDS = make_mpy_bounds();

[[gnu::noinline]] int mpy_slow(uint64_t ma, uint64_t mb, bool neg, int s) {
  unsigned __int128 p = (unsigned __int128)ma * mb;
  if (p == 0) {
    set_int(ws.Num_acc, 0, 0);
    return 0;
  }
  // Too large for a mantissa: drop 4 digits while bits 80..127 are in use,
  // 2 while bits 64..79 are, then 1 while bit 62 or 63 is.  Only the last
  // dropped group decides the rounding, and only when above one half.
  // (p < 2^126, so at most four 4-digit steps, and 20 digits in all.)
  int n4 = 0;
  while (n4 < 4 && p >= MPY_BOUNDS.b80[n4]) ++n4;
  int j = 4 * n4, n2 = 0;
  while (j <= 19 && p >= MPY_BOUNDS.b64[j]) j += 2, ++n2;
  int n1 = (j <= 19 && p >= MPY_BOUNDS.b62[j]) ? 1 : 0;
  int removed = j + n1;
  uint64_t q;
  if (removed == 0) {
    q = uint64_t(p);
  } else {
    int g = n1 ? 1 : n2 ? 2 : 4;  // the last group
    unsigned __int128 v = p / P10[removed - g];
    uint64_t div = P10[g];
    q = uint64_t(v / div);
    uint64_t rem = uint64_t(v % div);
    if (2 * rem > div) ++q;
  }
  store_scaled(ws.Num_acc, q, neg, s - removed);
  return 0;
}

// Dividend magnitude ma at scale *as raised toward target (as far as it fits
// 63 bits), four digits or fewer at a time.
uint64_t raise_toward(uint64_t ma, int* as, int target) {
  int need = target - *as;
  if (need <= 18 && ma <= MANT_MAX / P10[need]) {
    *as = target;
    return ma * P10[need];
  }
  while (need > 0) {
    int k = need < 4 ? need : 4;
    while (k > 0 && ma > MANT_MAX / P10[k]) --k;
    if (k == 0) break;
    ma *= P10[k];
    *as += k;
    need -= k;
  }
  return ma;
}

[[gnu::noinline]] int div_slow() {
  Num_val& a = ws.Num_acc2;
  Num_val& b = ws.Num_acc;
  const bool flt = floating_mode();
  const int prec = ws.Precision;
  bool neg = (a.mant ^ b.mant) < 0;
  uint64_t ma = mag(a.mant), mb = mag(b.mant);
  int as = a.scale;
  int target = flt ? as + 18 : b.scale + prec;
  if (target > SCALE_MAX) target = SCALE_MAX;
  if (target > as) ma = raise_toward(ma, &as, target);
  int rs = as - b.scale;
  if (rs < SCALE_MIN) {
    if (!ws.Prm.D0) Rpt_error(err::NUMERIC_OVERFLOW);
    set_int(b, 0, 0);
    return 0;
  }
  uint64_t q, r;
  if (!flt && rs >= prec && (fits31(b.mant) || !ws.Prm.FP)) {
    // Nothing left to rescale: one division and the rounding.
    q = ma / mb;
    r = ma % mb;
  } else if (ws.Prm.FP) {
    double d = Val_to_dbl(a) / Val_to_dbl(b);
    Dbl_to_val(d, b);
    return 0;
  } else {
    q = ma / mb;
    r = ma % mb;
    // Long division: more digits while a remainder is left, the quotient has
    // room (below 3276 in its top 16 bits) and PRECISION is not yet reached.
    while (r != 0 && (q >> 48) < 3276 && (flt || rs < prec)) {
      uint64_t qt = q >> 48, rt = r >> 48;
      int k = (qt < 32 && rt < 32) ? 3 : (qt < 327 && rt < 327) ? 2 : 1;
      if (!flt && rs + k > prec) k = prec - rs;
      q *= P10[k];
      rs += k;
      if (r < (uint64_t(1) << 59)) {
        r *= P10[k];
        q += r / mb;
        r %= mb;
      } else {
        unsigned __int128 rr = (unsigned __int128)r * P10[k];
        q += uint64_t(rr / mb);
        r = uint64_t(rr % mb);
      }
    }
  }
  if (r >= mb - r) ++q;  // 2 x remainder >= divisor
  store_scaled(b, q, neg, rs);
  return 0;
}

// x times 10^scale, the power applied in as few exact steps as it takes.
double scaled_dbl(double x, int scale) {
  if (scale >= 0) {
    for (; scale > 22; scale -= 22) x *= 1e22;
    return x * P10D[scale];
  }
  int s = -scale;
  for (; s > 22; s -= 22) x /= 1e22;
  return x / P10D[s];
}

bool integer_exponent(const Num_val& e, int64_t* n) {
  Num_val t = e;
  if (t.scale > 0) {
    if (t.scale > 18 || t.mant % int64_t(P10[t.scale]) != 0) return false;
    t.mant /= int64_t(P10[t.scale]);
  } else if (t.scale < 0) {
    // A whole number and a multiple of ten, so even; past 62 bits only its
    // sign, size and parity matter, and 2^62 keeps them.
    uint64_t m = mag(t.mant);
    int d = -t.scale;
    m = (d > 18 || m > (uint64_t(1) << 62) / P10[d]) ? uint64_t(1) << 62 : m * P10[d];
    t.mant = with_sign(m, t.mant < 0);
  }
  *n = t.mant;
  return true;
}

}  // namespace

void Num_store(uint8_t* dst, const Num_val& v) {
  uint64_t m = uint64_t(v.mant);
  for (int i = 0; i < 8; ++i) dst[i] = uint8_t(m >> (8 * i));
  dst[8] = uint8_t(v.scale);
  dst[9] = v.spare;
}

Num_val Num_load(const uint8_t* src) {
  uint64_t m = 0;
  for (int i = 0; i < 8; ++i) m |= uint64_t(src[i]) << (8 * i);
  Num_val v;
  v.mant = int64_t(m);
  v.scale = int8_t(src[8]);
  v.spare = src[9];
  return v;
}

// ---- comparisons ----

int Cmp_val() {
  const Num_val& a = ws.Num_acc2;
  const Num_val& b = ws.Num_acc;
  if (a.scale == b.scale && !((ws.Prm.RN & 0x200) && a.scale > ws.Precision)) [[likely]]
    return (a.mant > b.mant) - (a.mant < b.mant);
  return cmp_slow();
}

int Equ_val() { return set_truth(Cmp_val() == 0); }
int Neq_val() { return set_truth(Cmp_val() != 0); }
int Leq_val() { return set_truth(Cmp_val() <= 0); }
int Geq_val() { return set_truth(Cmp_val() >= 0); }
int Gtr_val() { return set_truth(Cmp_val() > 0); }
int Les_val() { return set_truth(Cmp_val() < 0); }

// ---- arithmetic ----

int Add_val() {
  ws.Math_flags |= 2;
  Num_val& b = ws.Num_acc;
  int64_t s;
  if (ws.Num_acc2.scale == b.scale && !__builtin_add_overflow(ws.Num_acc2.mant, b.mant, &s))
      [[likely]] {
    b.mant = s;
    return 0;
  }
  return add_slow();
}

int Sub_val() {
  ws.Math_flags |= 2;
  Num_val& b = ws.Num_acc;
  int64_t s;
  if (ws.Num_acc2.scale == b.scale && !__builtin_sub_overflow(ws.Num_acc2.mant, b.mant, &s))
      [[likely]] {
    b.mant = s;
    return 0;
  }
  return sub_slow();
}

int Mpy_val() {
  ws.Math_flags |= 4;
  const Num_val& a = ws.Num_acc2;
  Num_val& b = ws.Num_acc;
  uint64_t ma = mag(a.mant), mb = mag(b.mant);
  bool neg = (a.mant ^ b.mant) < 0;
  int s = a.scale + b.scale;
  if (((ma | mb) >> 16) == 0 && s >= SCALE_MIN && s <= SCALE_MAX) [[likely]] {
    int64_t p = int64_t(ma * mb);
    set_int(b, neg ? -p : p, s);
    return 0;
  }
  // A product below 2^62 needs no digits dropped.
  uint64_t p64;
  if (!__builtin_mul_overflow(ma, mb, &p64) && (p64 >> 62) == 0 && p64 != 0 && s >= SCALE_MIN &&
      s <= SCALE_MAX) {
    int64_t p = int64_t(p64);
    set_int(b, neg ? -p : p, s);
    return 0;
  }
  return mpy_slow(ma, mb, neg, s);
}

int Div_val() {
  ws.Math_flags |= 4;
  const Num_val& a = ws.Num_acc2;
  Num_val& b = ws.Num_acc;
  if (b.mant == 0) {
    if (!ws.Prm.D0) Rpt_error(err::NUMERIC_OVERFLOW);
    set_int(b, 0, 0);
    return 0;
  }
  if (a.mant == 0) {
    set_int(b, 0, 0);
    return 0;
  }
  if (a.scale == b.scale && fits31(a.mant) && fits31(b.mant)) {
    int32_t x = int32_t(a.mant), y = int32_t(b.mant);
    if (x % y == 0) {
      set_int(b, x / y, 0);
      return 0;
    }
  }
  return div_slow();
}

int Pwr_val() {
  ws.Math_flags |= 4;
  const Num_val base = ws.Num_acc2;
  const Num_val ex = ws.Num_acc;
  if (ex.mant == 0) {
    set_int(ws.Num_acc, 1, 0);
    return 0;
  }
  if (base.mant == 0) {
    set_int(ws.Num_acc, 0, 0);
    return 0;
  }
  int64_t n = 0;
  bool is_int = integer_exponent(ex, &n);
  if (is_int && n >= 1 && n <= 499) {
    Num_val r;
    set_int(r, 1, 0);
    for (int64_t i = 0; i < n; ++i) {
      ws.Num_acc2 = r;
      ws.Num_acc = base;
      Mpy_val();
      r = ws.Num_acc;
    }
    ws.Num_acc = r;
    ws.Num_acc2 = base;
    return 0;
  }
  // A negative base has a real power only for an integer exponent.
  if (base.mant < 0 && !is_int) Rpt_error(err::NUMERIC_OVERFLOW);
  double x = Val_to_dbl(base), y = is_int ? double(n) : Val_to_dbl(ex);
  double e = std::log10(std::fabs(x)) * y;
  if (e >= 127) Rpt_error(err::NUMERIC_OVERFLOW);
  if (e <= -110) {
    set_int(ws.Num_acc, 0, 0);
    return 0;
  }
  Dbl_to_val(std::pow(x, y), ws.Num_acc);
  return 0;
}

int Mod_val() {
  Num_val& a = ws.Num_acc2;
  Num_val& b = ws.Num_acc;
  if (b.mant == 0) {
    if (!ws.Prm.D0) Rpt_error(err::NUMERIC_OVERFLOW);
    set_int(b, 0, 0);
    return 0;
  }
  ws.Math_flags |= 4;
  equalise(a, b);
  // Scales are equal now, so the mantissas' remainder is exact at any size.
  // A divisor that vanished while being rounded down to the dividend's scale
  // leaves a remainder below the unit of that scale: zero.
  int64_t x = a.mant, y = b.mant;
  int64_t r = (y == 0 || y == -1) ? 0 : x % y;
  if (ws.Prm.MP && r != 0 && (r ^ y) < 0) r += y;
  set_int(b, r, a.scale);
  return 0;
}

const Evl_fn Evl_tbl[12] = {Equ_val, Neq_val, Leq_val, Geq_val, Gtr_val, Les_val,
                            Add_val, Sub_val, Mpy_val, Div_val, Pwr_val, Mod_val};

// ---- rescaling ----

void Equ_scl() { equalise(ws.Num_acc2, ws.Num_acc); }

void Set_scl(Num_val& v, int scale, int mode) {
  if (scale < SCALE_MIN || scale > SCALE_MAX) Rpt_error(err::NUMERIC_OVERFLOW);
  int cur = v.scale;
  if (scale == cur) return;
  if (v.mant == 0) {
    v.scale = int8_t(scale);
    return;
  }
  bool neg = v.mant < 0;
  uint64_t m = mag(v.mant);
  if (scale > cur) {
    // Up in steps of at most four digits; a step that would pass 63 bits is
    // retried smaller, and the value stays at the highest scale reached.
    int need = scale - cur;
    while (need > 0) {
      int k = need < 4 ? need : 4;
      while (k > 0 && m > MANT_MAX / P10[k]) --k;
      if (k == 0) break;
      m *= P10[k];
      cur += k;
      need -= k;
    }
  } else {
    // Down in steps of at most four digits, the lowest digits first; the
    // rounding looks at the last (most significant) dropped group.
    int d = cur - scale;
    if (d > 19) {
      if (mode == -1) Rpt_error(err::OUT_OF_RANGE);
      m = 0;  // below half a unit of the new scale
    } else {
      while (d > 4) {
        if (mode == -1 && m % 10000 != 0) Rpt_error(err::OUT_OF_RANGE);
        m /= 10000;
        d -= 4;
      }
      uint64_t p = P10[d], r = m % p;
      m /= p;
      if (r != 0) {
        if (mode == -1) Rpt_error(err::OUT_OF_RANGE);
        if (mode == 1 && r >= p - r) ++m;
      }
    }
    cur = scale;
  }
  v.mant = with_sign(m, neg);
  v.scale = int8_t(cur);
}

void Neg_val(Num_val& v) {
  if (v.mant == INT64_MIN) {
    // +2^63 does not fit: one decimal less.
    if (v.scale == SCALE_MIN) Rpt_error(err::NUMERIC_OVERFLOW);
    v.mant = TOP_DIV10;
    v.scale = int8_t(v.scale - 1);
    return;
  }
  v.mant = -v.mant;
}

void Increment_val(Num_val& v) {
  if (v.mant == INT64_MAX) {
    if (v.scale == SCALE_MIN) Rpt_error(err::NUMERIC_OVERFLOW);
    v.mant = TOP_DIV10;
    v.scale = int8_t(v.scale - 1);
    return;
  }
  ++v.mant;
}

// ---- conversions ----

double Val_to_dbl(const Num_val& v) {
  double d = double(v.mant);
  int s = v.scale;
  if (s >= 0) {
    for (; s > 22; s -= 22) d /= 1e22;
    return d / P10D[s];
  }
  for (s = -s; s > 22; s -= 22) d *= 1e22;
  return d * P10D[s];
}

void Dbl_to_val(double x, Num_val& v) {
  if (std::isnan(x)) Rpt_error(err::NUMERIC_OVERFLOW);
  bool neg = x < 0;
  if (neg) x = -x;
  if (x < 1e-127) {
    set_int(v, 0, 0);
    return;
  }
  if (x > 1e127) Rpt_error(err::NUMERIC_OVERFLOW);
  int scale;
  if (floating_mode()) {
    if (x < 1e15) {
      int i = int(std::floor(std::log10(x))) + 1;  // integer digits (<= 0 below 1)
      scale = 15 - i;
      if (scale > SCALE_MAX) scale = SCALE_MAX;
    } else {
      scale = 0;
    }
  } else {
    scale = ws.Precision;
  }
  double t = scaled_dbl(x, scale);
  if (t >= 1e16) {
    // Fewer digits: the scale is lowered until the value is below 1e16, and
    // x is scaled to it afresh: one power of ten applied to x, where a
    // rounding division per digit would leave wrong low digits.
    int k = int(std::floor(std::log10(t))) - 15;
    scale -= k > 1 ? k : 1;
    t = scaled_dbl(x, scale);
    while (t >= 1e16) t = scaled_dbl(x, --scale);
    for (double up; (up = scaled_dbl(x, scale + 1)) < 1e16;) {  // log10 rounded up
      t = up;
      ++scale;
    }
  }
  if (!(ws.Num_flags & NF_ROUND)) t += 0.5;
  uint64_t m = uint64_t(t);
  if (m == 0) scale = 0;
  set_int(v, with_sign(m, neg), scale);
}

uint32_t To_pointer(const Num_val& v) {
  Num_val t = v;
  if (t.scale != 0) Set_scl(t, 0, -1);
  if (t.scale != 0) Rpt_error(err::OUT_OF_RANGE);  // could not be raised: far too large
  int64_t hi = t.mant >> 32;
  if (hi != 0 && hi != -1) Rpt_error(err::OUT_OF_RANGE);
  return uint32_t(uint64_t(t.mant));
}

void Load_pointer(Num_val& v, uint32_t u) {
  set_int(v, int64_t(u), 0);
  v.spare = 0;
}

void Load_Long(Num_val& v, int32_t i) {
  set_int(v, i, 0);
  v.spare = 0;
}

// ---- random generator ----

void Oru_srand(uint32_t seed) {
  if (ws.Prm.OwnRandom)
    ws.Rand_seed = seed;
  else
    std::srand(seed);
}

int Oru_rand() {
  if (!ws.Prm.OwnRandom) return std::rand() & 0x7FFF;
  ws.Rand_seed = ws.Rand_seed * 22695477u + 1u;
  return int((ws.Rand_seed >> 16) & 0x7FFF);
}
