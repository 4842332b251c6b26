// Decimal numbers.
//
// A value is a signed 64-bit mantissa and a signed decimal scale:
//   value = mant / 10^scale      (scale -127..127; a negative scale multiplies)
// A zero mantissa is zero whatever the scale.
//
// Stored form (records, program files, variable data), 10 bytes:
//   0..7  mantissa, two's complement, little-endian
//   8     scale, i8
//   9     spare byte, carried with the value, no arithmetic meaning
// In memory the value is a plain struct; Num_store/Num_load convert.
#pragma once
#include <cstddef>
#include <cstdint>

struct Num_val {
  int64_t mant = 0;
  int8_t scale = 0;
  uint8_t spare = 0;
};
constexpr size_t NUM_BYTES = 10;

void Num_store(uint8_t* dst, const Num_val& v);
Num_val Num_load(const uint8_t* src);

// Binary operators: left operand in ws.Num_acc2, right in ws.Num_acc, result
// in ws.Num_acc.  Comparisons leave 1 or 0 (scale 0) and return the truth.
int Cmp_val();  // -1, 0, 1 for acc2 compared with acc
int Equ_val();
int Neq_val();
int Leq_val();
int Geq_val();
int Gtr_val();
int Les_val();
int Add_val();
int Sub_val();
int Mpy_val();
int Div_val();
int Pwr_val();
int Mod_val();
using Evl_fn = int (*)();
// Indexed by operator code - 39: = <> <= >= > < + - * / ^ MOD
extern const Evl_fn Evl_tbl[12];

void Equ_scl();
// mode 0 truncates, 1 rounds half away from zero, -1 demands exactness (error 41)
void Set_scl(Num_val& v, int scale, int mode);
void Neg_val(Num_val& v);
void Increment_val(Num_val& v);
double Val_to_dbl(const Num_val& v);
void Dbl_to_val(double d, Num_val& v);
uint32_t To_pointer(const Num_val& v);
void Load_pointer(Num_val& v, uint32_t u);
void Load_Long(Num_val& v, int32_t i);
void Oru_srand(uint32_t seed);
int Oru_rand();

// Digits of a value for text conversion: at most 19 digits (no leading zeros,
// "0" for zero, no terminator) into digits[], returns the digit count; *neg
// set for a negative value.  The value is digits * 10^-scale.
int Cnv_val(const Num_val& v, char* digits, bool* neg);
// Normal text form of a number (as PRINT and STR( write it without a mask):
// "1.5", "0.25", "-3", "1.2345E+20" in floating mode or beyond 18 places.
// Returns the length written to out (at most CONV_NORMAL_MAX bytes, no
// terminator).
constexpr size_t CONV_NORMAL_MAX = 40;
int Conv_normal(const Num_val& v, char* out);
// Conv_normal's text of an integer (scale 0) outside floating-point mode:
// its digits, with '-' ahead when negative.  Writes exactly the count it
// returns (at most INT_TEXT_MAX bytes) at out, nothing past them: a caller
// may write it straight into a record being built.
constexpr size_t INT_TEXT_MAX = 20;
[[gnu::always_inline]] inline int Int_text(int64_t mant, char* out) {
  static constexpr char pairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  static constexpr uint64_t pow10[20] = {1ULL,
                                         10ULL,
                                         100ULL,
                                         1000ULL,
                                         10000ULL,
                                         100000ULL,
                                         1000000ULL,
                                         10000000ULL,
                                         100000000ULL,
                                         1000000000ULL,
                                         10000000000ULL,
                                         100000000000ULL,
                                         1000000000000ULL,
                                         10000000000000ULL,
                                         100000000000000ULL,
                                         1000000000000000ULL,
                                         10000000000000000ULL,
                                         100000000000000000ULL,
                                         1000000000000000000ULL,
                                         10000000000000000000ULL};
  const bool neg = mant < 0;
  uint64_t m = neg ? 0 - uint64_t(mant) : uint64_t(mant);
  // The digit count: floor(log10) from the bit length (1233/4096 is just
  // over log10 2), one less when below that power (m | 1 has m's count and
  // gives zero its one digit).
  const uint64_t m1 = m | 1;
  const int t = ((64 - __builtin_clzll(m1)) * 1233) >> 12;
  const int digits = t - (m1 < pow10[t]) + 1;
  char* p = out;
  if (neg) *p++ = '-';
  char* q = p + digits;
  const int len = int(q - out);
  // From the end: two digits at a time while the value needs 64 bits, then
  // four at a time, then the last two pairs at most.  The divisions of the
  // 32-bit value are multiplications by their reciprocals, exact for every
  // value in range (k / 10000 for any 32-bit k, r / 100 below 43,699).
  auto put2 = [](char* at, uint32_t v) { __builtin_memcpy(at, pairs + 2 * v, 2); };
  while (m > 0xFFFFFFFFu) {
    q -= 2;
    put2(q, uint32_t(m % 100));
    m /= 100;
  }
  uint32_t k = uint32_t(m);
  while (k >= 10000) {
    const uint32_t d = uint32_t((uint64_t(k) * 3518437209u) >> 45);
    const uint32_t r = k - d * 10000;
    k = d;
    const uint32_t hi = (r * 5243) >> 19;
    q -= 4;
    put2(q, hi);
    put2(q + 2, r - hi * 100);
  }
  if (k >= 100) {
    const uint32_t hi = (k * 5243) >> 19;
    q -= 2;
    put2(q, k - hi * 100);
    k = hi;
  }
  if (k >= 10)
    put2(q - 2, k);
  else
    q[-1] = char('0' + k);
  return len;
}
