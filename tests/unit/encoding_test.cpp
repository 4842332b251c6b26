#include "functions/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "core/zlib_loader.h"
#include "test_util.h"

namespace {


Num_val num(int64_t m, int scale = 0) {
  Num_val v;
  v.mant = m;
  v.scale = int8_t(scale);
  return v;
}

std::string pack(const Num_val& v, int n, uint8_t fs = 138) {
  std::string out(size_t(n), '\0');
  Pack_number(v, n, fs, reinterpret_cast<uint8_t*>(out.data()));
  return out;
}

}  // namespace

TEST(Checks, Crc16ArcCheckValues) {
  // CRC-16/ARC: poly 0x8005 reflected, start 0, no final XOR.
  EXPECT_EQ(crc16(u("123456789"), 9, 0), 0xBB3D);
  EXPECT_EQ(crc16(u("A"), 1, 0), 0x30C0);
  EXPECT_EQ(crc16(u(""), 0, 0x1234), 0x1234);
}

TEST(Checks, SeedMustBeTwoBytes) {
  EXPECT_EQ(Seed_value(u("\x12\x34"), 2), 0x1234);
  EXPECT_EQ(error_no([] { Seed_value(u("abc"), 3); }), 46);
  EXPECT_EQ(error_no([] { Seed_value(u(""), 0); }), 46);
}

TEST(Checks, NativeHash) {
  EXPECT_EQ(Native_hash(u(""), 0, 0), 0);
  EXPECT_EQ(Native_hash(u(""), 0, 0xBEEF), 0xBEEF);
  // h=0: rotl2(0)^0x41 = 0x41; bit 15 clear: rotl2(0x41)=0x104 ^ 0x42 = 0x146
  EXPECT_EQ(Native_hash(u("AB"), 2, 0), 0x146);
  // bit 15 set rotates by one: 0x8000 -> 0x0001, then ^ 'A'
  EXPECT_EQ(Native_hash(u("A"), 1, 0x8000), 0x0001 ^ 0x41);
}

TEST(Checks, LrcAndParity) {
  EXPECT_EQ(Lrc_value(u(""), 0), 0);
  EXPECT_EQ(Lrc_value(u("\x0f\xf0\x01"), 3), 0xFE);
  uint8_t out[3];
  // 'A' 0x41 has two bits set: even parity keeps bit 7 clear, odd sets it.
  Set_parity(u("A\xc1\x07"), 3, false, out);
  EXPECT_EQ(out[0], 0x41);
  EXPECT_EQ(out[1], 0x41);  // bit 7 of the input is replaced
  EXPECT_EQ(out[2], 0x87);
  Set_parity(u("A\xc1\x07"), 3, true, out);
  EXPECT_EQ(out[0], 0xC1);
  EXPECT_EQ(out[2], 0x07);
}

TEST(Radix, ThreeCharactersPerPair) {
  uint8_t out[6];
  // "AB1": A=13, B=14, 1=2 -> 13*1600 + 14*40 + 2 = 21362 = 0x5372
  Radix_text(u(std::string("\x53\x72\x00\x00", 4)), 4, out);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 6), "AB1   ");
  EXPECT_EQ(error_no([&] { Radix_text(u("abc"), 3, out); }), 46);
  EXPECT_EQ(error_no([&] { Radix_text(u("\xff\xff"), 2, out); }), 41);  // no characters
}

TEST(Packed, NegativeAndRoundTrip) {
  EXPECT_EQ(pack(num(-5), 2), std::string("\x84\x25", 2));
  EXPECT_EQ(Unpack_number(u("\x84\x25"), 2, 138).mant, -5);
  EXPECT_EQ(pack(num(123456), 4), std::string("\x20\x2c\x42\x58", 4));
  for (int64_t v : {0LL, 1LL, 99LL, 100LL, -99999999LL, 9999999999999999LL}) {
    Num_val r = Unpack_number(u(pack(num(v), 8)), 8, 138);
    EXPECT_EQ(r.mant, v);
  }
}

TEST(Packed, DecimalsDroppedAndHighDigitsCut) {
  EXPECT_EQ(pack(num(1299, 2), 1), std::string("\x2c", 1));  // 12.99 -> 12
  EXPECT_EQ(pack(num(12345), 2), std::string("\x37\x4d", 2));  // 1|23|45 -> 23 45
  EXPECT_EQ(pack(num(5, -20), 2), std::string("\x20\x20", 2)); // 5E20: low digits zero
  EXPECT_EQ(error_no([] { pack(num(1), 9); }), 41);
}

TEST(Packed, NeverWritesTheSeparator) {
  for (int64_t v = -9999; v <= 9999; v++) {
    std::string p = pack(num(v), 2, 138);
    EXPECT_EQ(p.find('\x8a'), std::string::npos) << v;
    EXPECT_EQ(Unpack_number(u(p), 2, 138).mant, v);
  }
}

TEST(Packed, BadBytes) {
  EXPECT_EQ(error_no([] { Unpack_number(u("\x1f"), 1, 138); }), 26);
  EXPECT_EQ(error_no([] { Unpack_number(u("\xf0"), 1, 138); }), 26);
  EXPECT_EQ(error_no([] { Unpack_number(u("123456789"), 9, 138); }), 46);
  EXPECT_EQ(Unpack_number(u(""), 0, 138).mant, 0);
}

TEST(Ieee, BigEndianDouble) {
  uint8_t out[8];
  Ieee_bytes(num(1), out);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 8), std::string("\x3f\xf0\0\0\0\0\0\0", 8));
  Num_val v = Ieee_value(u(std::string("\xc0\x04\0\0\0\0\0\0", 8)), 8);  // -2.5
  Num_val want = num(-25, 1);
  ws.Num_acc2 = v;
  ws.Num_acc = want;
  EXPECT_EQ(Cmp_val(), 0);
  EXPECT_EQ(error_no([] { Ieee_value(u("1234567"), 7); }), 46);
  EXPECT_EQ(error_no([] { Ieee_value(u(std::string("\x7f\xf8\0\0\0\0\0\0", 8)), 8); }), 40);  // NaN
}

TEST(Swap, ModesAndLeftovers) {
  std::string s = "abc";
  Swap_it(reinterpret_cast<uint8_t*>(s.data()), 3, 1);
  EXPECT_EQ(s, "bac");
  s = "12345678x";
  Swap_it(reinterpret_cast<uint8_t*>(s.data()), s.size(), 7);
  EXPECT_EQ(s, "87654321x");
  s = "123456";
  Swap_it(reinterpret_cast<uint8_t*>(s.data()), s.size(), 2);
  EXPECT_EQ(s, "341256");
}

// ---- KGN( ----

TEST(KeyBuild, SegmentsOptionsAndDescending) {
  Key_source src;
  std::string rec = "smith,John,42";
  // key 1: field 2, offset 0, length 6, upper case (option entry 254);
  // key 2: whole record offset 0 length 3, descending.
  std::string kdef("\x01\x02\x00\x06" "\xfe\x02\x00\x00" "\x02\x00\x00\x83" "\xff\x00\x00\x00", 16);
  src.rec = u(rec);
  src.rec_len = rec.size();
  src.kdef = u(kdef);
  src.kdef_len = kdef.size();
  src.sep = ',';
  EXPECT_EQ(Key_build(src, 1), "JOHN");  // the padding of the last segment is dropped
  EXPECT_EQ(Key_build(src, 2), std::string("\x8c\x92\x96", 3));
  EXPECT_EQ(Key_build(src, -2), "smi");  // a negative number ignores descending
  EXPECT_EQ(error_no([&] { Key_build(src, 3); }), 41);
  EXPECT_EQ(error_no([&] { Key_build(src, 0); }), 41);
}

TEST(KeyBuild, PaddingBetweenSegmentsAndExternalKey) {
  Key_source src;
  std::string rec = "ab";
  std::string kdef("\x01\x00\x00\x04" "\x01\xff\x00\x02" "\xff\0\0\0", 12);
  src.rec = u(rec);
  src.rec_len = rec.size();
  src.kdef = u(kdef);
  src.kdef_len = kdef.size();
  EXPECT_EQ(error_no([&] { Key_build(src, 1); }), 47);
  std::string ext = "XYZ";
  src.ext = u(ext);
  src.ext_len = ext.size();
  EXPECT_EQ(Key_build(src, 1), std::string("ab\0\0XY", 6));
}

TEST(KeyBuild, HighOffsetBitsAndWideEntries) {
  Key_source src;
  std::string rec(300, '.');
  rec[260] = 'K';
  std::string kdef("\x11\x00\x04\x01" "\xff\0\0\0", 8);  // offset 4 + 256
  src.rec = u(rec);
  src.rec_len = rec.size();
  src.kdef = u(kdef);
  src.kdef_len = kdef.size();
  EXPECT_EQ(Key_build(src, 1), "K");
  std::string wide("\x01\x00\x01\x04\x01\x01\0\0" "\xff\0\0\0\0\0\0\0", 16);
  src.kdef = u(wide);
  src.kdef_len = wide.size();
  src.wide = true;
  EXPECT_EQ(Key_build(src, 1), "K");               // up to 256: no descending
  EXPECT_EQ(Key_build(src, 257), std::string("\xb4", 1));  // 'K' ^ 0xFF
}

// ---- zlib ----

TEST(Zlib, RoundTripThroughTheLibrary) {
  ASSERT_EQ(CheckZlib(), 1);
  std::string s;
  for (int i = 0; i < 5000; i++) s += "line " + std::to_string(i % 17) + "\n";
  Memory_chk();  // a string block cached by an earlier test is not ours to count
  int64_t before = ws.Mem_used;
  Str_blk* z = ZlibCompress(u(s), s.size());
  ASSERT_NE(z, nullptr);
  EXPECT_LT(z->len, s.size() / 4);
  Str_blk* back = ZlibInflate(z->bytes(), z->len, s.size());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back->bytes()), back->len), s);
  int status = 0;
  EXPECT_EQ(ZlibInflate(z->bytes(), z->len, s.size() - 1, &status), nullptr);
  EXPECT_EQ(status, ZLIB_BUF_ERROR);
  EXPECT_EQ(ZlibInflate(u("garbage"), 7, 100, &status), nullptr);
  EXPECT_EQ(status, ZLIB_DATA_ERROR);
  Ret_str(z);
  Ret_str(back);
  Memory_chk();
  EXPECT_EQ(ws.Mem_used, before);
}

TEST(Zlib, EmptyInputAndBufferForms) {
  Str_blk* z = ZlibCompress(u(""), 0);
  ASSERT_NE(z, nullptr);
  EXPECT_LE(z->len, 11u);
  uint8_t out[64];
  EXPECT_EQ(ZlibInflateToBfr(out, sizeof out, z->bytes(), z->len), 0);
  Ret_str(z);
  uint8_t small[4];
  EXPECT_EQ(ZlibCompressToBfr(small, sizeof small, u("abcdef"), 6), -2);
}

TEST(Zlib, MissingLibraryIsTriedOnce) {
  static const char* const none[] = {"liboru-no-such-zlib.so", nullptr};
  Zlib_use_names(none);
  EXPECT_EQ(CheckZlib(), 0);
  EXPECT_EQ(CheckZlib(), 0);
  EXPECT_EQ(Zlib_load_attempts(), 1);
  EXPECT_EQ(ZlibCompress(u("abc"), 3), nullptr);
  EXPECT_EQ(ZlibInflateToBfr(nullptr, 0, u("abc"), 3), -2);
  EXPECT_EQ(error_no([] { OruGetAddr("compress"); }), 120);
  Zlib_use_names(nullptr);
  ASSERT_EQ(CheckZlib(), 1);
  EXPECT_EQ(error_no([] { OruGetAddr("no_such_entry"); }), 120);
}
