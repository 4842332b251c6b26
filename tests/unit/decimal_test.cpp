#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/decimal.h"
#include "core/errors.h"
#include "core/workspace.h"

namespace {

Num_val N(int64_t m, int s = 0) {
  Num_val v;
  v.mant = m;
  v.scale = int8_t(s);
  return v;
}

Num_val Op(int (*fn)(), Num_val left, Num_val right) {
  ws.Num_acc2 = left;
  ws.Num_acc = right;
  fn();
  return ws.Num_acc;
}

std::string Txt(const Num_val& v) {
  char buf[CONV_NORMAL_MAX + 8];
  std::memset(buf, '#', sizeof buf);
  int n = Conv_normal(v, buf);
  EXPECT_LE(n, int(CONV_NORMAL_MAX));
  return std::string(buf, size_t(n));
}

int ErrorOf(int (*fn)(), Num_val left, Num_val right) {
  try {
    Op(fn, left, right);
  } catch (const Oru_error& e) {
    return e.no;
  }
  return 0;
}

#define EXPECT_NUM(v, m, s)     \
  do {                          \
    Num_val v_ = (v);           \
    EXPECT_EQ(v_.mant, (m));    \
    EXPECT_EQ(int(v_.scale), (s)); \
  } while (0)

class Decimal : public ::testing::Test {
 protected:
  void SetUp() override {
    ws.Precision = 2;
    ws.Num_flags = 0;
    ws.Math_flags = 0;
    ws.Rand_seed = 1;
    ws.Prm = Params{};
  }
  void TearDown() override { SetUp(); }
};

// ---- division ----

TEST_F(Decimal, DivisionRoundsAtHalfOrMore) {
  EXPECT_EQ(Txt(Op(Div_val, N(1), N(3))), "0.33");
  EXPECT_EQ(Txt(Op(Div_val, N(2), N(3))), "0.67");
  EXPECT_EQ(Txt(Op(Div_val, N(1), N(8))), "0.13");  // 0.125: exactly half goes up
  EXPECT_EQ(Txt(Op(Div_val, N(-2), N(3))), "-0.67");
  EXPECT_EQ(Txt(Op(Div_val, N(2), N(-3))), "-0.67");
  EXPECT_EQ(ws.Math_flags, 4u);
}

TEST_F(Decimal, DivisionScales) {
  EXPECT_NUM(Op(Div_val, N(6), N(3)), 2, 0);             // exact small quotient
  EXPECT_NUM(Op(Div_val, N(123456, 5), N(3)), 41152, 5);  // keeps the dividend's places
  EXPECT_NUM(Op(Div_val, N(1000), N(1, 3)), 100000000, 2);
  ws.Precision = 0;
  EXPECT_NUM(Op(Div_val, N(7), N(2)), 4, 0);
  ws.Precision = 18;
  EXPECT_NUM(Op(Div_val, N(1), N(3)), 333333333333333333, 18);
}

TEST_F(Decimal, DivisionByZero) {
  EXPECT_EQ(ErrorOf(Div_val, N(5), N(0)), 40);
  EXPECT_EQ(ErrorOf(Div_val, N(0), N(0, 4)), 40);
  ws.Prm.D0 = true;
  EXPECT_NUM(Op(Div_val, N(5), N(0)), 0, 0);
  EXPECT_NUM(Op(Div_val, N(0), N(7)), 0, 0);
}

TEST_F(Decimal, DivisionLongAndLarge) {
  // The dividend cannot take more places: the long division adds none
  // because the quotient is already near the top.
  EXPECT_NUM(Op(Div_val, N(9000000000000000000), N(7)), 1285714285714285714, 0);
  // Divisor close to 2^63: remainders need more than 64 bits when scaled.
  EXPECT_NUM(Op(Div_val, N(INT64_MAX - 1), N(INT64_MAX)), 100, 2);
  EXPECT_NUM(Op(Div_val, N(INT64_MIN), N(-1)), 922337203685477581, -1);
  EXPECT_NUM(Op(Div_val, N(INT64_MIN), N(1)), INT64_MIN, 0);
  // Floating mode: as many digits as the quotient has room for.
  ws.Num_flags = NF_FLOATING;
  EXPECT_NUM(Op(Div_val, N(1), N(3)), 3333333333333333333, 19);
  EXPECT_EQ(Txt(Op(Div_val, N(2), N(3))), "6.666666666666666667E-01");
}

TEST_F(Decimal, DivisionThroughDouble) {
  ws.Prm.FP = true;
  // A small divisor with nothing to rescale still divides exactly.
  EXPECT_NUM(Op(Div_val, N(123456789012345, 5), N(7)), 17636684144621, 5);
  // Otherwise the quotient comes from a double, at PRECISION.
  EXPECT_NUM(Op(Div_val, N(1), N(3)), 33, 2);
  EXPECT_NUM(Op(Div_val, N(1), N(8000000000)), 0, 0);
}

// ---- multiplication ----

TEST_F(Decimal, MultiplySmallAndExact) {
  EXPECT_NUM(Op(Mpy_val, N(15, 1), N(2)), 30, 1);
  EXPECT_NUM(Op(Mpy_val, N(-15, 1), N(25, 2)), -375, 3);
  EXPECT_NUM(Op(Mpy_val, N(2000000000), N(-2000000000)), -4000000000000000000, 0);
  // A product with bit 62 set gives up its last digit although it would fit.
  EXPECT_NUM(Op(Mpy_val, N(3000000000), N(-3000000000)), -900000000000000000, -1);
  EXPECT_EQ(ws.Math_flags, 4u);
}

TEST_F(Decimal, MultiplyDropsDigitsInGroups) {
  // 10^36: three groups of 4, three of 2 -> 10^18 with 18 digits removed.
  Num_val r = Op(Mpy_val, N(1000000000000000000), N(1000000000000000000));
  EXPECT_NUM(r, 1000000000000000000, -18);
  EXPECT_EQ(Txt(r), "1" + std::string(36, '0'));
  // One digit dropped: 5 is exactly half and is not rounded, 6 is.
  EXPECT_NUM(Op(Mpy_val, N(5), N(1000000000000000001)), 500000000000000000, -1);
  EXPECT_NUM(Op(Mpy_val, N(2), N(2500000000000000003)), 500000000000000001, -1);
  // 2000000333337000000500001: 4 digits then 2; the last group 50 is exactly
  // half and decides alone, although the dropped digits exceed one half.
  EXPECT_NUM(Op(Mpy_val, N(2000000000003), N(1000000166667)), 2000000333337000000, -6);
  // ...000510000: the last group 51 rounds up.
  EXPECT_NUM(Op(Mpy_val, N(2000000000003), N(-1000000170000)), -2000000340003000001, -6);
}

TEST_F(Decimal, MultiplyScaleLimits) {
  EXPECT_EQ(ErrorOf(Mpy_val, N(INT64_MAX, -120), N(INT64_MAX, -5)), 40);
  // Beyond 127 places the value is rounded to 127 places, or vanishes.
  EXPECT_NUM(Op(Mpy_val, N(123456, 100), N(1000, 30)), 123456, 127);
  EXPECT_NUM(Op(Mpy_val, N(1, 100), N(1, 100)), 0, 0);
  EXPECT_NUM(Op(Mpy_val, N(0, -100), N(5, -100)), 0, 0);
}

// ---- addition and subtraction ----

TEST_F(Decimal, AddSubBasics) {
  EXPECT_EQ(Txt(Op(Add_val, N(15, 1), N(2))), "3.5");
  EXPECT_EQ(Txt(Op(Sub_val, N(15, 1), N(275, 2))), "-1.25");
  EXPECT_EQ(ws.Math_flags, 2u);
  EXPECT_NUM(Op(Add_val, N(1000000000), N(1500000000)), 2500000000, 0);
}

TEST_F(Decimal, AddNearLimitLosesLastDecimal) {
  EXPECT_NUM(Op(Add_val, N(INT64_MAX), N(1)), 922337203685477581, -1);
  EXPECT_NUM(Op(Add_val, N(INT64_MAX, 2), N(INT64_MAX, 2)), 1844674407370955161, 1);
  // Floor division of the 65-bit sum: -9223372036854775809 -> ...581 rem 1.
  EXPECT_NUM(Op(Add_val, N(INT64_MIN), N(-1)), -922337203685477581, -1);
  // -9223372036854775815 = -922337203685477582 * 10 + 5: rounds up.
  EXPECT_NUM(Op(Add_val, N(INT64_MIN), N(-7)), -922337203685477581, -1);
  EXPECT_EQ(ErrorOf(Add_val, N(INT64_MAX, -127), N(INT64_MAX, -127)), 40);
}

TEST_F(Decimal, AddWhenScalesCannotMeet) {
  // 9e18 cannot take a decimal: the other operand is rounded to integers.
  EXPECT_NUM(Op(Add_val, N(9000000000000000000), N(4, 1)), 9000000000000000000, 0);
  EXPECT_NUM(Op(Add_val, N(9000000000000000000), N(5, 1)), 9000000000000000001, 0);
}

TEST_F(Decimal, SubtractOverflowRescales) {
  EXPECT_NUM(Op(Sub_val, N(INT64_MIN), N(1)), -922337203685477581, -1);
  EXPECT_NUM(Op(Sub_val, N(INT64_MAX), N(-6)), 922337203685477582, -1);
}

// ---- comparison ----

TEST_F(Decimal, Comparisons) {
  EXPECT_EQ(Op(Equ_val, N(150, 2), N(15, 1)).mant, 1);
  EXPECT_EQ(ws.Num_acc.scale, 0);
  EXPECT_EQ(Op(Neq_val, N(150, 2), N(15, 1)).mant, 0);
  EXPECT_EQ(Op(Les_val, N(-1), N(5, 1)).mant, 1);
  EXPECT_EQ(Op(Gtr_val, N(1, -20), N(5)).mant, 1);   // 1e20 > 5
  EXPECT_EQ(Op(Gtr_val, N(-1, -20), N(5)).mant, 0);
  EXPECT_EQ(Op(Leq_val, N(5), N(5)).mant, 1);
  EXPECT_EQ(Op(Geq_val, N(4), N(5)).mant, 0);
  ws.Num_acc2 = N(1, 30);
  ws.Num_acc = N(0);
  EXPECT_EQ(Cmp_val(), 1);
}

TEST_F(Decimal, CompareIsExactWhereScalesCannotMeet) {
  // 922337203685477580.7 rounded to an integer would equal the left side.
  EXPECT_EQ(Op(Gtr_val, N(922337203685477581), N(INT64_MAX, 1)).mant, 1);
  EXPECT_EQ(Op(Les_val, N(INT64_MAX, 1), N(922337203685477581)).mant, 1);
}

TEST_F(Decimal, CompareRoundsToPrecisionWithRn) {
  EXPECT_EQ(Op(Equ_val, N(1004, 3), N(100, 2)).mant, 0);
  ws.Prm.RN = 0x201;
  EXPECT_EQ(Op(Equ_val, N(1004, 3), N(100, 2)).mant, 1);
  EXPECT_EQ(Op(Equ_val, N(1004, 3), N(1003, 3)).mant, 1);
  EXPECT_EQ(Op(Les_val, N(1004, 3), N(1005, 3)).mant, 1);  // 1.00 < 1.01
}

TEST_F(Decimal, EvaluatorTableOrder) {
  ws.Num_acc2 = N(7);
  ws.Num_acc = N(3);
  EXPECT_EQ(Evl_tbl[4](), 1);  // >
  ws.Num_acc2 = N(7);
  ws.Num_acc = N(3);
  Evl_tbl[7]();  // -
  EXPECT_NUM(ws.Num_acc, 4, 0);
  ws.Num_acc2 = N(7);
  ws.Num_acc = N(3);
  Evl_tbl[11]();  // MOD
  EXPECT_NUM(ws.Num_acc, 1, 0);
  ws.Num_acc2 = N(2);
  ws.Num_acc = N(3);
  Evl_tbl[10]();  // ^
  EXPECT_NUM(ws.Num_acc, 8, 0);
}

// ---- power ----

TEST_F(Decimal, PowerIntegerExponentIsExact) {
  EXPECT_NUM(Op(Pwr_val, N(2), N(10)), 1024, 0);
  EXPECT_NUM(Op(Pwr_val, N(11, 1), N(2)), 121, 2);
  EXPECT_NUM(Op(Pwr_val, N(-2), N(3)), -8, 0);
  EXPECT_NUM(Op(Pwr_val, N(105, 2), N(20, 1)), 11025, 4);  // 2.0 is an integer too
  EXPECT_NUM(Op(Pwr_val, N(7), N(0)), 1, 0);
  EXPECT_NUM(Op(Pwr_val, N(0), N(5)), 0, 0);
  EXPECT_EQ(ws.Math_flags, 4u);
}

TEST_F(Decimal, PowerThroughFloatingPoint) {
  EXPECT_NUM(Op(Pwr_val, N(2), N(5, 1)), 141, 2);
  EXPECT_NUM(Op(Pwr_val, N(2), N(-1)), 50, 2);
  EXPECT_NUM(Op(Pwr_val, N(-2), N(-1)), -50, 2);
  ws.Num_flags = NF_FLOATING;
  EXPECT_NUM(Op(Pwr_val, N(2), N(5, 1)), 141421356237310, 14);
}

TEST_F(Decimal, PowerLimits) {
  EXPECT_EQ(ErrorOf(Pwr_val, N(-2), N(5, 1)), 40);
  EXPECT_EQ(ErrorOf(Pwr_val, N(10), N(200)), 40);   // repeated products overflow
  EXPECT_EQ(ErrorOf(Pwr_val, N(10), N(1000)), 40);  // log check
  EXPECT_NUM(Op(Pwr_val, N(10), N(-200)), 0, 0);
  // An exponent written with a power of ten (1E4) is a whole, even number.
  EXPECT_NUM(Op(Pwr_val, N(-1), N(1, -4)), 100, 2);
  EXPECT_NUM(Op(Pwr_val, N(-1), N(-1, -100)), 100, 2);
  EXPECT_NUM(Op(Pwr_val, N(-5, 1), N(1, -4)), 0, 0);
  EXPECT_EQ(ErrorOf(Pwr_val, N(-2), N(1, -50)), 40);
}

// ---- MOD ----

TEST_F(Decimal, ModSigns) {
  EXPECT_NUM(Op(Mod_val, N(-7), N(3)), -1, 0);
  EXPECT_NUM(Op(Mod_val, N(7), N(-3)), 1, 0);
  EXPECT_NUM(Op(Mod_val, N(75, 1), N(2)), 15, 1);
  EXPECT_NUM(Op(Mod_val, N(INT64_MIN), N(-1)), 0, 0);
  ws.Prm.MP = true;
  EXPECT_NUM(Op(Mod_val, N(-7), N(3)), 2, 0);
  EXPECT_NUM(Op(Mod_val, N(7), N(-3)), -2, 0);
  EXPECT_NUM(Op(Mod_val, N(-6), N(3)), 0, 0);
  // Beyond 31 bits the same rule, exactly.
  EXPECT_NUM(Op(Mod_val, N(-9000000000000000001), N(10)), 9, 0);
  EXPECT_NUM(Op(Mod_val, N(9000000000000000001), N(-4000000000)), -3999999999, 0);
  EXPECT_EQ(ws.Math_flags, 4u);
}

TEST_F(Decimal, ModByZero) {
  EXPECT_EQ(ErrorOf(Mod_val, N(5), N(0)), 40);
  ws.Prm.D0 = true;
  EXPECT_NUM(Op(Mod_val, N(5), N(0)), 0, 0);
  // A divisor that rounds away at the dividend's scale leaves nothing.
  EXPECT_NUM(Op(Mod_val, N(9000000000000000000), N(1, 3)), 0, 0);
}

// ---- rescaling ----

TEST_F(Decimal, SetScaleRoundsHalfAwayFromZero) {
  Num_val v = N(25, 1);
  Set_scl(v, 0, 1);
  EXPECT_NUM(v, 3, 0);
  v = N(-25, 1);
  Set_scl(v, 0, 1);
  EXPECT_NUM(v, -3, 0);
  v = N(25, 1);
  Set_scl(v, 0, 0);
  EXPECT_NUM(v, 2, 0);
  v = N(-25, 1);
  Set_scl(v, 0, 0);
  EXPECT_NUM(v, -2, 0);
  v = N(149999, 6);  // several steps: the top dropped group decides
  Set_scl(v, 0, 1);
  EXPECT_NUM(v, 0, 0);
  v = N(500000, 6);
  Set_scl(v, 0, 1);
  EXPECT_NUM(v, 1, 0);
  v = N(INT64_MIN, 0);
  Set_scl(v, -1, 1);
  EXPECT_NUM(v, -922337203685477581, -1);
  v = N(INT64_MAX, 0);
  Set_scl(v, -19, 1);
  EXPECT_NUM(v, 1, -19);
  v = N(INT64_MAX, 0);
  Set_scl(v, -25, 1);
  EXPECT_NUM(v, 0, -25);
}

TEST_F(Decimal, SetScaleExactAndRaising) {
  Num_val v = N(250, 2);
  Set_scl(v, 1, -1);
  EXPECT_NUM(v, 25, 1);
  v = N(25, 1);
  EXPECT_THROW(Set_scl(v, 0, -1), Oru_error);
  v = N(100000001, 8);
  EXPECT_THROW(Set_scl(v, 0, -1), Oru_error);  // remainder in an early step
  v = N(-12, 0);
  Set_scl(v, 9, 0);
  EXPECT_NUM(v, -12000000000, 9);
  v = N(900000000000000000, 0);  // only one more place fits
  Set_scl(v, 5, 0);
  EXPECT_NUM(v, 9000000000000000000, 1);
  v = N(1);
  EXPECT_THROW(Set_scl(v, 128, 0), Oru_error);
  ws.Num_acc2 = N(15, 1);
  ws.Num_acc = N(2, -2);
  Equ_scl();
  EXPECT_NUM(ws.Num_acc2, 15, 1);
  EXPECT_NUM(ws.Num_acc, 2000, 1);
}

TEST_F(Decimal, NegateAndIncrement) {
  Num_val v = N(5, 1);
  Neg_val(v);
  EXPECT_NUM(v, -5, 1);
  v = N(INT64_MIN, 3);
  Neg_val(v);
  EXPECT_NUM(v, 922337203685477581, 2);
  v = N(-1);
  Increment_val(v);
  EXPECT_NUM(v, 0, 0);
  v = N(INT64_MAX, 4);
  Increment_val(v);
  EXPECT_NUM(v, 922337203685477581, 3);
  v = N(INT64_MAX, -127);
  EXPECT_THROW(Increment_val(v), Oru_error);
}

// ---- conversions ----

TEST_F(Decimal, DoubleConversions) {
  EXPECT_DOUBLE_EQ(Val_to_dbl(N(15, 1)), 1.5);
  EXPECT_DOUBLE_EQ(Val_to_dbl(N(-3, -2)), -300.0);
  EXPECT_DOUBLE_EQ(Val_to_dbl(N(1, 30)), 1e-30);
  Num_val v;
  Dbl_to_val(0.125, v);
  EXPECT_NUM(v, 13, 2);
  Dbl_to_val(-2.5, v);
  EXPECT_NUM(v, -250, 2);
  Dbl_to_val(1e-128, v);
  EXPECT_NUM(v, 0, 0);
  Dbl_to_val(1e20, v);  // PRECISION 2 would need 23 digits: scale lowered
  EXPECT_NUM(v, 1000000000000000, -5);
  // Large values keep the double's own digits, without low-digit noise.
  Dbl_to_val(std::sqrt(4e50), v);
  EXPECT_NUM(v, 2000000000000000, -10);
  Dbl_to_val(1.23456789e28, v);
  EXPECT_NUM(v, 1234567890000000, -13);
  Dbl_to_val(9.999999999999998e15, v);
  EXPECT_NUM(v, 9999999999999998, 0);
  EXPECT_THROW(Dbl_to_val(1e128, v), Oru_error);
  EXPECT_THROW(Dbl_to_val(std::nan(""), v), Oru_error);
  EXPECT_THROW(Dbl_to_val(-HUGE_VAL, v), Oru_error);
  ws.Num_flags = NF_FLOATING;
  Dbl_to_val(1234.5678, v);
  EXPECT_NUM(v, 123456780000000, 11);
  Dbl_to_val(0.05, v);
  EXPECT_NUM(v, 500000000000000, 16);
  Dbl_to_val(1e-127, v);
  EXPECT_NUM(v, 1, 127);
  ws.Num_flags = NF_ROUND;  // also floating, and truncates
  Dbl_to_val(2.0 / 3.0, v);
  EXPECT_NUM(v, 666666666666666, 15);
}

TEST_F(Decimal, IntegerConversions) {
  EXPECT_EQ(To_pointer(N(5)), 5u);
  EXPECT_EQ(To_pointer(N(-1)), 0xFFFFFFFFu);
  EXPECT_EQ(To_pointer(N(4294967295)), 4294967295u);
  EXPECT_EQ(To_pointer(N(20, 1)), 2u);
  EXPECT_EQ(To_pointer(N(3, -3)), 3000u);
  EXPECT_THROW(To_pointer(N(4294967296)), Oru_error);
  EXPECT_THROW(To_pointer(N(15, 1)), Oru_error);
  EXPECT_THROW(To_pointer(N(1, -100)), Oru_error);
  try {
    To_pointer(N(15, 1));
  } catch (const Oru_error& e) {
    EXPECT_EQ(e.no, 41);
  }
  Num_val v;
  Load_pointer(v, 0xFFFFFFFFu);
  EXPECT_NUM(v, 4294967295, 0);
  Load_Long(v, INT32_MIN);
  EXPECT_NUM(v, INT32_MIN, 0);
}

TEST_F(Decimal, StoredFormIsTenBytesLittleEndian) {
  Num_val v = N(-2, 3);
  v.spare = 0xAB;
  uint8_t b[NUM_BYTES];
  Num_store(b, v);
  const uint8_t want[NUM_BYTES] = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 3, 0xAB};
  EXPECT_EQ(std::memcmp(b, want, NUM_BYTES), 0);
  Num_val w = Num_load(b);
  EXPECT_NUM(w, -2, 3);
  EXPECT_EQ(w.spare, 0xAB);
  Num_store(b, N(0x0102030405060708, -5));
  EXPECT_EQ(b[0], 0x08);
  EXPECT_EQ(b[7], 0x01);
  EXPECT_EQ(int(Num_load(b).scale), -5);
}

TEST_F(Decimal, RandomGenerator) {
  Oru_srand(1);
  EXPECT_EQ(Oru_rand(), 346);
  EXPECT_EQ(ws.Rand_seed, 22695478u);
  Oru_srand(1);
  EXPECT_EQ(Oru_rand(), 346);
  ws.Prm.OwnRandom = false;
  for (int i = 0; i < 100; ++i) {
    int r = Oru_rand();
    EXPECT_GE(r, 0);
    EXPECT_LE(r, 32767);
  }
}

// ---- text ----

TEST_F(Decimal, NormalTextForm) {
  EXPECT_EQ(Txt(N(15, 1)), "1.5");
  EXPECT_EQ(Txt(N(25, 2)), "0.25");
  EXPECT_EQ(Txt(N(-3)), "-3");
  EXPECT_EQ(Txt(N(150, 2)), "1.5");
  EXPECT_EQ(Txt(N(200, 2)), "2");
  EXPECT_EQ(Txt(N(-5, 2)), "-0.05");
  EXPECT_EQ(Txt(N(0, 5)), "0");
  EXPECT_EQ(Txt(N(100, -2)), "10000");
  EXPECT_EQ(Txt(N(1, 18)), "0.000000000000000001");
  EXPECT_EQ(Txt(N(INT64_MIN, -18)), "-9223372036854775808" + std::string(18, '0'));
  ws.Prm.LZ = true;
  EXPECT_EQ(Txt(N(25, 2)), ".25");
  EXPECT_EQ(Txt(N(-5, 2)), "-.05");
  EXPECT_EQ(Txt(N(15, 1)), "1.5");
  EXPECT_EQ(Txt(N(0)), "0");
}

// Int_text is Conv_normal's text of every integer outside floating-point
// mode, written in place: exactly its length, nothing after it.
std::string IntTxt(int64_t m) {
  char buf[INT_TEXT_MAX + 8];
  std::memset(buf, '#', sizeof buf);
  int n = Int_text(m, buf);
  EXPECT_LE(n, int(INT_TEXT_MAX));
  EXPECT_EQ(std::string(buf + n, sizeof buf - size_t(n)), std::string(sizeof buf - size_t(n), '#')) << m;
  return std::string(buf, size_t(n));
}

TEST_F(Decimal, IntegerTextIsNormalText) {
  std::vector<int64_t> values = {0, 1, -1, 9, 10, 99, 100, 9999, 10000, 99999, 4294967295LL, 4294967296LL,
                                 42949672959LL, INT64_MAX, INT64_MIN, INT64_MIN + 1};
  for (int64_t p = 1; p <= INT64_MAX / 10; p *= 10)
    for (int64_t m : {p - 1, p, p + 1, p * 10 - 1}) values.push_back(m);
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; i++) values.push_back(int64_t(rng() >> (rng() % 64)));  // every magnitude
  for (int64_t m : values) {
    EXPECT_EQ(IntTxt(m), Txt(N(m))) << m;
    if (m != INT64_MIN) {
      EXPECT_EQ(IntTxt(-m), Txt(N(-m))) << -m;
    }
  }
  EXPECT_EQ(IntTxt(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntTxt(-4294967296LL), "-4294967296");
}

TEST_F(Decimal, ExponentTextForm) {
  EXPECT_EQ(Txt(N(1, 19)), "1E-19");
  EXPECT_EQ(Txt(N(12345, 20)), "1.2345E-16");
  EXPECT_EQ(Txt(N(-15, -19)), "-1.5E+20");
  EXPECT_EQ(Txt(N(1, 127)), "1E-127");
  EXPECT_EQ(Txt(N(INT64_MIN, -127)), "-9.223372036854775808E+145");
  ws.Num_flags = NF_FLOATING;
  EXPECT_EQ(Txt(N(15, 1)), "1.5E+00");
  EXPECT_EQ(Txt(N(1200, 0)), "1.2E+03");
  EXPECT_EQ(Txt(N(0)), "0");
}

TEST_F(Decimal, DigitString) {
  char d[20];
  bool neg = false;
  int n = Cnv_val(N(-120, 1), d, &neg);
  EXPECT_EQ(std::string(d, size_t(n)), "120");
  EXPECT_TRUE(neg);
  n = Cnv_val(N(0, 3), d, &neg);
  EXPECT_EQ(std::string(d, size_t(n)), "0");
  EXPECT_FALSE(neg);
  n = Cnv_val(N(INT64_MIN), d, &neg);
  EXPECT_EQ(std::string(d, size_t(n)), "9223372036854775808");
}

// ---- property test against an exact reference ----
//
// The reference works on exact integers: __int128 where it suffices, and a
// 256-bit unsigned for the division check.

using i128 = __int128;

struct U256 {
  uint64_t w[4] = {0, 0, 0, 0};
  static U256 of(unsigned __int128 v) {
    U256 r;
    r.w[0] = uint64_t(v);
    r.w[1] = uint64_t(v >> 64);
    return r;
  }
  U256 mul(uint64_t m) const {
    U256 r;
    unsigned __int128 c = 0;
    for (int i = 0; i < 4; ++i) {
      c += (unsigned __int128)w[i] * m;
      r.w[i] = uint64_t(c);
      c >>= 64;
    }
    return r;
  }
  U256 add(const U256& o) const {
    U256 r;
    unsigned __int128 c = 0;
    for (int i = 0; i < 4; ++i) {
      c += (unsigned __int128)w[i] + o.w[i];
      r.w[i] = uint64_t(c);
      c >>= 64;
    }
    return r;
  }
  U256 sub(const U256& o) const {  // requires *this >= o
    U256 r;
    uint64_t borrow = 0;
    for (int i = 0; i < 4; ++i) {
      uint64_t x = w[i] - o.w[i];
      uint64_t b1 = w[i] < o.w[i];
      uint64_t y = x - borrow;
      uint64_t b2 = x < borrow;
      r.w[i] = y;
      borrow = b1 | b2;
    }
    return r;
  }
  int cmp(const U256& o) const {
    for (int i = 3; i >= 0; --i)
      if (w[i] != o.w[i]) return w[i] < o.w[i] ? -1 : 1;
    return 0;
  }
  U256 pow10(int e) const {
    U256 r = *this;
    for (; e > 0; --e) r = r.mul(10);
    return r;
  }
};

uint64_t Mag(int64_t x) { return x < 0 ? 0 - uint64_t(x) : uint64_t(x); }
i128 P10i(int e) {
  i128 r = 1;
  while (e-- > 0) r *= 10;
  return r;
}
bool Fits64(i128 x) { return x >= INT64_MIN && x <= INT64_MAX; }
// x / 10^d rounded half away from zero.
i128 RoundDown(i128 x, int d) {
  i128 p = P10i(d), q = x / p, r = x % p;
  if (r < 0) r = -r;
  if (2 * r >= p) q += x < 0 ? -1 : 1;
  return q;
}

// Both operands brought to a common scale the way the accumulators are.
void RefEqualise(i128& a, int& sa, i128& b, int& sb) {
  if (sa == sb) return;
  bool a_low = sa < sb;
  i128& lo = a_low ? a : b;
  int& slo = a_low ? sa : sb;
  i128& hi = a_low ? b : a;
  int& shi = a_low ? sb : sa;
  if (hi == 0) {
    shi = slo;
    return;
  }
  int k = 0;
  while (slo + k < shi && Fits64(lo * 10)) {
    lo *= 10;
    ++k;
  }
  slo += k;
  if (slo < shi) hi = RoundDown(hi, shi - slo);
  shi = slo;
}

int64_t RandMant(std::mt19937_64& g) {
  int cls = int(g() % 4);
  uint64_t m;
  if (cls == 0)
    m = g() % 65536;
  else if (cls == 1)
    m = g() % (1u << 30);
  else
    m = g() >> (g() % 32);  // 32..64 significant bits
  int64_t v = int64_t(m & uint64_t(INT64_MAX));
  if (g() & 1) v = -v;
  if (g() % 64 == 0) v = (g() & 1) ? INT64_MIN : INT64_MAX;
  return v;
}

TEST_F(Decimal, PropertyAgainstExactReference) {
  std::mt19937_64 g(20240917);
  const int precisions[] = {0, 2, 5, 10};
  for (int iter = 0; iter < 200000; ++iter) {
    ws.Precision = precisions[iter % 4];
    Num_val x = N(RandMant(g), int(g() % 16) - 5);
    Num_val y = N(RandMant(g), int(g() % 16) - 5);
    SCOPED_TRACE(std::to_string(x.mant) + "e-" + std::to_string(int(x.scale)) + " , " +
                 std::to_string(y.mant) + "e-" + std::to_string(int(y.scale)) + " prec " +
                 std::to_string(ws.Precision));

    // Compare: exact.
    {
      int d = x.scale - y.scale;
      i128 l = x.mant, r = y.mant;
      if (d > 0)
        r *= P10i(d);
      else
        l *= P10i(-d);
      int want = (l > r) - (l < r);
      ws.Num_acc2 = x;
      ws.Num_acc = y;
      ASSERT_EQ(Cmp_val(), want);
    }
    // Add and subtract.
    for (int sub = 0; sub < 2; ++sub) {
      i128 a = x.mant, b = y.mant;
      int sa = x.scale, sb = y.scale;
      RefEqualise(a, sa, b, sb);
      i128 s = sub ? a - b : a + b;
      int scale = sa;
      if (!Fits64(s)) {
        if (!sub) {
          i128 q = s / 10, r = s % 10;
          if (r < 0) {
            r += 10;
            q -= 1;
          }
          s = q + (r >= 5);
          scale -= 1;
        } else {
          while (!Fits64(s)) {
            a = RoundDown(a, 1);
            b = RoundDown(b, 1);
            scale -= 1;
            s = a - b;
          }
        }
      }
      Num_val got = Op(sub ? Sub_val : Add_val, x, y);
      ASSERT_EQ(int64_t(s), got.mant) << (sub ? "sub" : "add");
      if (s != 0) {
        ASSERT_EQ(scale, got.scale) << (sub ? "sub" : "add");
      }
    }
    // Multiply: exact product, then groups of 4, 2, 1 digits dropped with
    // rounding decided by the last group alone.
    {
      unsigned __int128 p = (unsigned __int128)Mag(x.mant) * Mag(y.mant);
      int scale = x.scale + y.scale;
      unsigned __int128 lim80 = (unsigned __int128)1 << 80, lim64 = (unsigned __int128)1 << 64,
                        lim62 = (unsigned __int128)1 << 62;
      unsigned __int128 rem = 0, div = 1;
      while (p >= lim80) rem = p % 10000, p /= 10000, scale -= 4, div = 10000;
      while (p >= lim64) rem = p % 100, p /= 100, scale -= 2, div = 100;
      while (p >= lim62) rem = p % 10, p /= 10, scale -= 1, div = 10;
      if (2 * rem > div) ++p;
      i128 want = (x.mant < 0) != (y.mant < 0) ? -i128(p) : i128(p);
      Num_val got = Op(Mpy_val, x, y);
      ASSERT_EQ(int64_t(want), got.mant) << "mpy";
      if (want != 0) {
        ASSERT_EQ(scale, got.scale) << "mpy";
      }
    }
    // Divide: the quotient at whatever scale it has is the exact quotient
    // rounded half up on the magnitude; its scale is the PRECISION (or the
    // operands' own places) whenever the dividend could take the places.
    if (y.mant != 0 && x.mant != 0) {
      for (int flt = 0; flt < 2; ++flt) {
        ws.Num_flags = flt ? uint32_t(NF_FLOATING) : 0u;
        Num_val got = Op(Div_val, x, y);
        ws.Num_flags = 0;
        int s = got.scale;
        int e = s - x.scale + y.scale;
        U256 num = U256::of(Mag(x.mant)), den = U256::of(Mag(y.mant));
        if (e >= 0)
          num = num.pow10(e);
        else
          den = den.pow10(-e);
        uint64_t q = Mag(got.mant);
        bool want_neg = (x.mant < 0) != (y.mant < 0);
        if (q != 0) {
          ASSERT_EQ(got.mant < 0, want_neg) << "div sign";
        }
        // 2q*den - den <= 2num < 2q*den + den
        U256 two_num = num.mul(2), two_qd = den.mul(q).mul(2);
        ASSERT_LT(two_num.cmp(two_qd.add(den)), 0) << "div too small, flt " << flt;
        if (q != 0) {
          ASSERT_GE(two_num.cmp(two_qd.sub(den)), 0) << "div too large, flt " << flt;
        }
        if (!flt) {
          int want_scale = std::max(ws.Precision, x.scale - y.scale);
          int raise = ws.Precision + y.scale - x.scale;
          bool raised = raise <= 0 || (raise <= 18 && i128(Mag(x.mant)) * P10i(raise) <= INT64_MAX);
          bool exact_small = x.scale == y.scale && x.mant >= -(1 << 30) && x.mant < (1 << 30) &&
                             y.mant >= -(1 << 30) && y.mant < (1 << 30) && x.mant % y.mant == 0;
          if (exact_small) {
            ASSERT_EQ(s, 0);
          } else if (raised && q != 0) {
            ASSERT_EQ(s, want_scale) << "div scale";
          } else {
            ASSERT_LE(s, want_scale) << "div scale";
          }
        } else if (q != 0) {
          // Floating mode keeps at least 18 significant digits unless exact.
          bool exact = two_num.cmp(two_qd) == 0;
          if (!exact) {
            ASSERT_GE(q, uint64_t(100000000000000000)) << "div digits";
          }
        }
      }
    }
  }
}

}  // namespace
