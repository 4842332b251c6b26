#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/compiler.h"
#include "core/lexicon.h"
#include "core/lister.h"
#include "expr_builder.h"
#include "functions/function_table.h"
#include "core/masks.h"

namespace {

class FunctionsTest : public Eval_env {};

// FN token bytes: ABS( is one byte (73), MID( is 72 165, and through the
// alternative prefix 254 it is 254 (165 - 60).
TEST_F(FunctionsTest, ThreeTokenFormsReachTheSameHandler) {
  Expr one;
  one.op(73).op(code::OP_SUB).lit(5).op(code::RPAREN);
  one.start();
  EXPECT_EQ(Get_value(), -1);
  EXPECT_EQ(acc_at(0), 5);

  Expr ext;  // 72 then 13 is Fnc_jtbl slot 1 (ABS() as well
  ext.op(72, 13).op(code::OP_SUB).lit(6).op(code::RPAREN);
  ext.start();
  Get_value();
  EXPECT_EQ(acc_at(0), 6);

  Expr mid;
  mid.op(72, 165).str("ABCDE").op(code::COMMA).num(2).op(code::COMMA).num(2).op(code::RPAREN);
  mid.start();
  EXPECT_EQ(Get_value(), 2);
  EXPECT_EQ(acc_string(), "BC");

  Expr alt;
  alt.op(254, 165 - 60).str("ABCDE").op(code::COMMA).num(4).op(code::RPAREN);
  alt.start();
  Get_value();
  EXPECT_EQ(acc_string(), "DE");
}

TEST_F(FunctionsTest, EmptySlotsAndBadSecondBytesAreError49) {
  Expr x;  // slot 0 of the second table
  x.op(72, 72).lit(1).op(code::RPAREN);
  x.start();
  EXPECT_EQ(error_of([] { Get_value(); }), 49);
  Expr z;  // beyond the third table
  z.op(72, 185).lit(1).op(code::RPAREN);
  z.start();
  EXPECT_EQ(error_of([] { Get_value(); }), 49);
  Expr a;
  a.op(254, 0x7D).lit(1).op(code::RPAREN);
  a.start();
  EXPECT_EQ(error_of([] { Get_value(); }), 49);
  Expr sv;  // token 26 has no system variable
  sv.op(26);
  sv.start();
  EXPECT_EQ(error_of([] { Get_value(); }), 49);
}

TEST_F(FunctionsTest, MissingCloseOrArgumentIsAnError) {
  Expr e;  // ABS(1 2): no ")"
  e.op(73).lit(1).lit(2);
  e.start();
  EXPECT_EQ(error_of([] { Get_value(); }), 49);
  Expr m;  // MOD(1) without its second argument
  m.op(105).lit(1).op(code::RPAREN);
  m.start();
  EXPECT_EQ(error_of([] { Get_value(); }), 49);
  Expr t;  // ABS("X")
  t.op(73).str("X").op(code::RPAREN);
  t.start();
  EXPECT_EQ(error_of([] { Get_value(); }), 26);
}

TEST_F(FunctionsTest, StringResultsUpTo200BytesUseTheWorkArea) {
  uint8_t* before = ws.Work_ptr;
  uint8_t* p = Rsv_out(200);
  EXPECT_EQ(p, before);
  EXPECT_EQ(ws.Work_ptr, before + 200);
  EXPECT_EQ(ws.Str_len, 200);
  uint8_t* q = Rsv_out(201);
  EXPECT_EQ(ws.Work_ptr, before + 200);  // a temporary string instead
  EXPECT_NE(ws.Tmp_strs, nullptr);
  EXPECT_EQ(ws.Str_ptr, q);
  EXPECT_EQ(error_of([] { Rsv_out(-1); }), 41);
}

TEST_F(FunctionsTest, ErrorPositionIsRestoredAfterTheCall) {
  uint8_t mark = 0;
  ws.Stmt_save = &mark;
  ws.Err_line = 77;
  Expr e;
  e.op(73).lit(-1).op(code::RPAREN);
  e.start();
  Get_value();
  EXPECT_EQ(ws.Stmt_save, &mark);
  EXPECT_EQ(ws.Err_line, 77u);
  // An error leaving the function keeps the function's context: the error
  // reports the function's position, and the statement's ERR= still applies.
  Expr bad;
  bad.op(73).str("X").op(code::RPAREN);
  uint8_t* code_start = bad.start();
  error_of([] { Get_value(); });
  EXPECT_EQ(ws.Stmt_save, code_start + 1);
  EXPECT_EQ(ws.Err_line, 77u);
}

std::string fmt(int64_t mant, int scale, const std::string& mask) {
  Num_val v;
  v.mant = mant;
  v.scale = int8_t(scale);
  std::string out;
  int e = Conv_val_viafmt(v, reinterpret_cast<const uint8_t*>(mask.data()), mask.size(), out);
  return e ? "E" + std::to_string(e) : out;
}

TEST_F(FunctionsTest, NumericMasks) {
  EXPECT_EQ(fmt(12345, 1, "##,##0.00"), " 1,234.50");
  EXPECT_EQ(fmt(5, 1, "##0.00"), "  0.50");
  EXPECT_EQ(fmt(5, 0, "$###"), "  $5");
  EXPECT_EQ(fmt(-12, 0, "-###"), " -12");
  EXPECT_EQ(fmt(12, 0, "-###"), "  12");
  EXPECT_EQ(fmt(-12, 0, "###-"), " 12-");
  EXPECT_EQ(fmt(-7, 0, "##CR"), " 7CR");
  EXPECT_EQ(fmt(7, 0, "##DR"), " 7DR");
  EXPECT_EQ(fmt(42, 0, "*###"), "**42");
  EXPECT_EQ(fmt(42, 0, "***#"), "4**2");  // only the first "*" is a digit position
  EXPECT_EQ(fmt(0, 0, "!##.##"), "      ");
  EXPECT_EQ(fmt(12345, 0, "##"), "E43");
  EXPECT_EQ(fmt(9995, 3, "#.##"), "E43");  // rounds up to 10.00
  EXPECT_EQ(fmt(1234567, 0, "#,###,###"), "1,234,567");
  EXPECT_EQ(fmt(1234, 0, "#,###,###"), "    1,234");
}

// More decimal places than a mantissa holds, or a value scaled by a power
// of ten: the places beyond its digits are zeros.
TEST_F(FunctionsTest, NumericMasksBeyondTheMantissa) {
  EXPECT_EQ(fmt(15, 1, "#." + std::string(24, '0')), "1.5" + std::string(23, '0'));
  EXPECT_EQ(fmt(-15, 1, "-#." + std::string(30, '#')), "-1.5" + std::string(29, ' '));
  EXPECT_EQ(fmt(1, -20, std::string(21, '#') + ".00"), "100000000000000000000.00");
  EXPECT_EQ(fmt(922337203685477580, -1, std::string(19, '#') + ".00"), "9223372036854775800.00");
  // more places than any scale: zeros, not an overflow
  EXPECT_EQ(fmt(15, 1, "#." + std::string(130, '0')), "1.5" + std::string(129, '0'));
}

std::string smask(const std::string& s, const std::string& mask) {
  std::string out;
  int e = Fmt_str(reinterpret_cast<const uint8_t*>(s.data()), s.size(),
                  reinterpret_cast<const uint8_t*>(mask.data()), mask.size(), out);
  return e ? "E" + std::to_string(e) : out;
}

TEST_F(FunctionsTest, StringMasks) {
  EXPECT_EQ(smask("abc12", "XXX-00"), "ABC-12");
  EXPECT_EQ(smask("ab", "A(3)"), "AB  ");
  EXPECT_EQ(smask("ab", "a\\Aa"), "aAb");
  EXPECT_EQ(smask("a1", "AA"), "E43");
  EXPECT_EQ(smask("abc", "XX"), "E46");
  EXPECT_EQ(smask("", std::string(8193, 'X')), "E46");
  EXPECT_EQ(smask("x", "X(99999999999)"), "E46");
}

TEST_F(FunctionsTest, TextToNumber) {
  auto num = [](const std::string& s, int64_t* mant, int* scale) {
    Num_val v;
    int e = Conv_str_chk(reinterpret_cast<const uint8_t*>(s.data()), s.size(), v);
    *mant = v.mant;
    *scale = v.scale;
    return e;
  };
  int64_t m;
  int sc;
  EXPECT_EQ(num(" -12.50 ", &m, &sc), 0);
  EXPECT_EQ(m, -1250);
  EXPECT_EQ(sc, 2);
  EXPECT_EQ(num("1E3", &m, &sc), 0);
  EXPECT_EQ(m * 1000 / (sc == -3 ? 1 : 1000), 1000);
  EXPECT_EQ(num("", &m, &sc), 43);
  EXPECT_EQ(num("-", &m, &sc), 43);
  EXPECT_EQ(num("1.2.3", &m, &sc), 43);
  EXPECT_EQ(num("1E", &m, &sc), 43);
  EXPECT_EQ(num("1E999", &m, &sc), 43);
  EXPECT_EQ(num("123456789012345678901234", &m, &sc), 0);  // digits past 18 scale up
}

TEST_F(FunctionsTest, BinaryFields) {
  uint8_t b[10];
  Num_val v;
  v.mant = -2;
  Cnv_bin(v, b, 2);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[1], 0xFE);
  Cnv_bin(v, b, 10);
  EXPECT_EQ(b[0], 0xFF);
  EXPECT_EQ(b[9], 0xFE);
  v.mant = 2575;  // 25.75: the integer part
  v.scale = 2;
  Cnv_bin(v, b, 2);
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(b[1], 25);
  // Past the 53 bits of a double the integer part is still exact.
  auto hex = [&](int64_t mant, int scale, size_t w) {
    Num_val x;
    x.mant = mant;
    x.scale = int8_t(scale);
    Cnv_bin(x, b, w);
    std::string h;
    for (size_t i = 0; i < w; ++i) h += "0123456789ABCDEF"[b[i] >> 4], h += "0123456789ABCDEF"[b[i] & 15];
    return h;
  };
  EXPECT_EQ(hex(123456789012345678, 1, 8), "002BDC545D6B4B87");    // 12345678901234567.8
  EXPECT_EQ(hex(-123456789012345678, 1, 8), "FFD423ABA294B479");   // its negative
  EXPECT_EQ(hex(123456789012345678, -2, 10), "0000AB54A98CEB1F0A78");  // times 100
  const uint8_t fe[] = {0xFF, 0xFE};
  EXPECT_EQ(Cnv_dec(fe, 2).mant, -2);
  // Past eight bytes each byte multiplies by 256 and adds itself; past the
  // mantissa the value keeps its leading digits (a negative scale).
  const uint8_t nine[] = {0x01, 0, 0, 0, 0, 0, 0, 0, 0xFF};  // 2^64 + 255
  Num_val v9 = Cnv_dec(nine, 9);
  EXPECT_EQ(v9.mant, 1844674407370955187);
  EXPECT_EQ(v9.scale, -1);
  const uint8_t small[] = {0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x02};
  EXPECT_EQ(Cnv_dec(small, 10).mant, 258);
  EXPECT_EQ(Cnv_dec(small, 10).scale, 0);
  // Past the scale's range: error 40.
  EXPECT_EQ(error_of([] {
              std::vector<uint8_t> huge(130, 0xFF);
              huge[0] = 0x7F;
              Cnv_dec(huge.data(), huge.size());
            }),
            40);
  EXPECT_EQ(Cnv_dec(nullptr, 0).mant, 0);
}

// Function forms compile and list back to text that compiles to the same bytes.
class FunctionGrammarTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ws.Lib_dir = ORU_TEST_LIBDIR;
    ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  }
  void SetUp() override { ws.Con_flags = CON_MODE; }
};

TEST_F(FunctionGrammarTest, FormsRoundTrip) {
  const char* lines[] = {
      "0010 PRINT POS(\"A\"=\"BANANA\",1,0)",
      "0010 PRINT POS(\"AB\":A$),POS(\"X\"^A$,-1)",
      "0010 PRINT STR(X:\"##0.00\"),STR(A$:\"XX-XX\",\"?\")",
      "0010 PRINT STP(A$:\"(000)\")",
      "0010 PRINT MID(A$,2,3),PAD(A$,5,\"C\"),ABS(-1),MAX(1,2,3)",
      "0010 PRINT FN A(3)+FN T$(A$,2)",
      "0010 X=FN B",
      "0010 DEF FN A(X)=X*2",
      "0010 DEF FN T$(A$,N)=A$(1,N)",
      "0010 DEF FN %G(X)=X+1",
      "0010 DEF FN B",
      "0010 DEF FN C(X,Y)",
      "0010 DEF EOM=\"AB\"",
      "0010 PRINT ERR,PRC,RND,F1,SYS",
  };
  for (const char* src : lines) {
    std::vector<uint8_t> a, b;
    ASSERT_EQ(Compile_text(src, a), 0) << src;
    std::string text = Decompile_text(a.data(), a.size());
    ASSERT_EQ(Compile_text(text, b), 0) << text;
    EXPECT_EQ(a, b) << src << " listed as " << text;
  }
}

TEST_F(FunctionGrammarTest, DefDropsTheFnToken) {
  std::vector<uint8_t> a;
  ASSERT_EQ(Compile_text("0010 DEF FNA(X)=X", a), 0);
  ASSERT_GE(a.size(), 5u);
  EXPECT_EQ(a[2], code::D_DEF);
  EXPECT_EQ(a[3], code::NUM_VAR);
  std::vector<uint8_t> bad;
  EXPECT_NE(Compile_text("0010 DEF A(X)=X", bad), 0);
}

}  // namespace

namespace {

// Masks of "0"s with whole numbers take a short way; it gives what the
// general pass gives the same value written with a decimal place.
TEST_F(FunctionsTest, ZeroMasksOfWholeNumbersMatchTheGeneralPass) {
  for (const std::string mask : {"0", "000", "0000000", "0000000000", "000000000000000000"}) {
    for (int64_t v : {int64_t(0), int64_t(7), int64_t(42), int64_t(999), int64_t(1000), int64_t(1234567),
                      int64_t(4000000000), int64_t(99999999999)}) {
      EXPECT_EQ(fmt(v, 0, mask), fmt(v * 10, 1, mask)) << v << " " << mask;
    }
  }
  EXPECT_EQ(fmt(5, 0, "0000000"), "0000005");
  EXPECT_EQ(fmt(0, 0, "000"), "000");
  EXPECT_EQ(fmt(12345, 0, "000"), "E43");
  EXPECT_EQ(fmt(-5, 0, "000"), fmt(-50, 1, "000"));  // negatives keep the general pass
}

}  // namespace
