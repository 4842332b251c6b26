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
