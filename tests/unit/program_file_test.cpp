// The compiled program file: header decoding, the image check that keeps
// damaged files from running, format-0 conversion, and the protection
// cipher.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "programs/program_crypt.h"
#include "programs/program_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A header for an image of the given layout (16-bit form unless wide).
Bytes header(uint32_t size, uint32_t name_tbl, uint32_t name_area, uint32_t names, bool wide = false,
             uint32_t stmt = 0) {
  Bytes h(PRG_HDR_SIZE, 0);
  Image_layout l;
  l.size = size;
  l.name_tbl = name_tbl;
  l.name_area = name_area;
  l.name_cnt = names;
  l.wide = wide;
  l.stmt_tbl = stmt;
  Prg_fresh_header(h.data());
  Prg_put_layout(h.data(), l, 1);
  return h;
}

void add_record(Bytes& img, uint16_t no, Bytes code) {
  code.push_back(code::EOL);
  uint16_t len = uint16_t(code.size() + 2);
  img.push_back(uint8_t(len >> 8));
  img.push_back(uint8_t(len));
  img.push_back(uint8_t(no >> 8));
  img.push_back(uint8_t(no));
  img.insert(img.end(), code.begin(), code.end());
}

void add_end(Bytes& img) { img.insert(img.end(), {0, 4, 0xFD, 0xE8, 0xA6, 0xFF}); }

// Line 10 "X=1; GOTO 20" (X indexed, GOTO resolved), line 20 a label and
// "GOTO L" resolved, the end record, one name "X".
struct Sample {
  Bytes img;
  Prg_header h;
  Sample() {
    add_record(img, 10, {code::NUM_VAR, 0x80, 0, code::OP_EQ, code::SMALL_INT, 0, 1, code::STMT_SEP,
                         code::D_GOTO, code::LABEL_IDX, 0, 0});
    uint16_t at20 = uint16_t(img.size());
    add_record(img, 20, {code::LABEL, 1, 'L', code::LABEL_END, code::D_GOTO, code::LABEL_IDX2, 0, 0});
    // patch the references to line 20's record
    img[14] = uint8_t(at20 >> 8);
    img[15] = uint8_t(at20);
    img[at20 + 10] = uint8_t(at20 >> 8);
    img[at20 + 11] = uint8_t(at20);
    add_end(img);
    uint32_t area = uint32_t(img.size());
    img.insert(img.end(), {1, 'X'});
    uint32_t tbl = uint32_t(img.size());
    img.insert(img.end(), {0, 0});
    Bytes hd = header(uint32_t(img.size()), tbl, area, 1);
    Prg_decode(hd.data(), h);
  }
  int check() {
    h.image_size = uint32_t(img.size());
    Image_info info;
    return Check_image(img.data(), h, info);
  }
};

TEST(ProgramHeader, SixteenAndThirtyTwoBitForms) {
  Prg_header h;
  Bytes narrow = header(300, 200, 180, 3);
  ASSERT_EQ(Prg_decode(narrow.data(), h), 0);
  EXPECT_FALSE(h.wide);
  EXPECT_EQ(h.image_size, 300u);
  EXPECT_EQ(h.name_tbl, 200u);
  EXPECT_EQ(h.name_area, 180u);
  EXPECT_EQ(h.name_cnt, 3u);
  EXPECT_EQ(Prg_image_size(narrow.data()), 300u);
  Bytes wide = header(70000, 69000, 68000, 3, true, 69500);
  ASSERT_EQ(Prg_decode(wide.data(), h), 0);
  EXPECT_TRUE(h.wide);
  EXPECT_EQ(get_u16be(wide.data() + PH_SIZE16), 0);
  EXPECT_EQ(h.image_size, 70000u);
  EXPECT_EQ(h.stmt_tbl, 69500u);
  EXPECT_TRUE(Prg_is_header(wide.data()));
  Bytes empty(PRG_HDR_SIZE, 0);
  Prg_fresh_header(empty.data());
  EXPECT_EQ(Prg_decode(empty.data(), h), 2);  // no image at all
  std::memcpy(empty.data(), "[Yod", 4);
  EXPECT_TRUE(Prg_is_header(empty.data()));
  std::memcpy(empty.data() + 4, "key]", 4);
  EXPECT_FALSE(Prg_is_header(empty.data()));
}

TEST(ProgramImage, AValidImagePasses) {
  Sample s;
  EXPECT_EQ(s.check(), 0);
}

TEST(ProgramImage, DamageAnywhereIsError17) {
  {
    Sample s;  // a record length that runs past the line area
    s.img[1] = 0x60;
    EXPECT_EQ(s.check(), 17);
  }
  {
    Sample s;  // a name index past the name table
    s.img[5] = 0x81;
    EXPECT_EQ(s.check(), 17);
  }
  {
    Sample s;  // a line reference into the middle of a record
    s.img[15] += 1;
    EXPECT_EQ(s.check(), 17);
  }
  {
    Sample s;  // a label reference to a line that defines no label
    size_t at20 = get_u16be(s.img.data() + 14);
    s.img[at20 + 10] = 0;
    s.img[at20 + 11] = 0;
    EXPECT_EQ(s.check(), 17);
  }
  {
    Sample s;  // line numbers out of order
    s.img[3] = 30;
    EXPECT_EQ(s.check(), 17);
  }
  {
    Sample s;  // no end record where the line area ends
    s.img[s.h.name_area - 2] = 0;
    EXPECT_EQ(s.check(), 17);
  }
  {
    Sample s;  // a name entry that runs past the name area
    s.img[s.h.name_area] = 5;
    EXPECT_EQ(s.check(), 17);
  }
  {
    Sample s;  // offsets past the image
    s.h.name_tbl = 5000;
    EXPECT_EQ(s.check(), 17);
  }
  {
    Sample s;  // an item that swallows the line's final 255
    size_t at20 = get_u16be(s.img.data() + 14);
    s.img[at20 + 4] = code::STR_LIT;
    s.img[at20 + 5] = 0;
    s.img[at20 + 6] = 7;
    EXPECT_EQ(s.check(), 17);
  }
}

TEST(ProgramImage, NoNamesMeansAnEmptyUsedArea) {
  Bytes img;
  add_record(img, 10, {code::D_END});
  add_end(img);
  Bytes hd = header(uint32_t(img.size()), uint32_t(img.size()), uint32_t(img.size()), 0);
  Prg_header h;
  Prg_decode(hd.data(), h);
  Image_info info;
  ASSERT_EQ(Check_image(img.data(), h, info), 0);
  EXPECT_EQ(info.name_end, 0u);
  EXPECT_EQ(info.line_cnt, 1u);
}

TEST(ProgramImage, WideFormReferencesGoThroughTheStatementTable) {
  Bytes img;
  add_record(img, 10, {code::D_GOTO, code::LABEL_IDX, 0, 0});  // entry 0
  uint32_t at20 = uint32_t(img.size());
  add_record(img, 20, {code::D_END});
  add_end(img);
  uint32_t stmt = uint32_t(img.size());
  img.insert(img.end(), {0, 0, 0, uint8_t(at20)});
  Bytes hd = header(uint32_t(img.size()), stmt, stmt, 0, true, stmt);
  Prg_header h;
  Prg_decode(hd.data(), h);
  Image_info info;
  EXPECT_EQ(Check_image(img.data(), h, info), 0);
  img[5] = 1;  // entry 1 is past the table
  EXPECT_EQ(Check_image(img.data(), h, info), 17);
  // The 32-bit form without a statement table keeps record offsets.
  img[5] = uint8_t(at20);
  Bytes no_tbl = header(uint32_t(img.size()), stmt, stmt, 0, true, 0);
  Prg_decode(no_tbl.data(), h);
  EXPECT_EQ(Check_image(img.data(), h, info), 0);
}

TEST(ProgramImage, FormatZeroBecomesFormatOne) {
  // Format 0: line 10 "GOTO 20" as 7 with bit 15 and the record offset,
  // line 20 "L: X=<pooled 2.5>; GOTO L" (label by offset), the end record
  // 32000, a literal pool, the name table and the name area.
  Bytes img;
  add_record(img, 10, {code::D_GOTO, code::LINE_REF, 0x80, 0});
  uint16_t at20 = uint16_t(img.size());
  img[7] = uint8_t(at20);
  add_record(img, 20, {code::LABEL, 1, 'L', code::LABEL_END, code::NUM_VAR, 0x80, 0, code::OP_EQ, code::NUM_LIT,
                       0x80, 0, code::STMT_SEP, code::D_GOTO, code::LABEL, 0x80, uint8_t(at20)});
  add_record(img, 32000, {code::D_END});
  uint32_t pool = uint32_t(img.size());
  img.insert(img.end(), {1, 0, 0, 0, 0, 0, 25});  // scale 1, mantissa 25
  uint32_t tbl = uint32_t(img.size());
  img.insert(img.end(), {0, 0});
  uint32_t area = uint32_t(img.size());
  img.insert(img.end(), {1, 'X'});
  Bytes hd = header(uint32_t(img.size()), tbl, area, 1);
  put_u16be(hd.data() + PH_LITPOOL, uint16_t(pool));
  hd[PH_VERSION] = 0;
  Prg_header h;
  ASSERT_EQ(Prg_decode(hd.data(), h), 0);
  ASSERT_EQ(Convert_version_0(img, h), 0);
  Image_info info;
  ASSERT_EQ(Check_image(img.data(), h, info), 0);
  EXPECT_EQ(info.line_cnt, 2u);
  // GOTO 20 with the plain line number; the pooled literal inline; the
  // label reference by name.
  Bytes line10(img.begin() + 4, img.begin() + 8);
  EXPECT_EQ(line10, (Bytes{code::D_GOTO, code::LINE_REF, 0, 20}));
  size_t r20 = 2 + get_u16be(img.data());
  const uint8_t* c = img.data() + r20 + 4;
  EXPECT_EQ(c[8], code::NUM_LIT);
  EXPECT_EQ(c[9], 1);
  EXPECT_EQ(get_u48be(c + 10), 25u);
  EXPECT_EQ(c[18], code::LABEL);
  EXPECT_EQ(c[20], 'L');
}

TEST(ProgramCrypt, CipherChunksMatchTheWholeAndKeyBlocksRoundTrip) {
  if (!Prg_crypt_available()) GTEST_SKIP() << "libcrypto not available";
  uint8_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  Prg_seed seed{123456, 77, 1};
  Bytes plain(1000);
  for (size_t i = 0; i < plain.size(); i++) plain[i] = uint8_t(i * 7);
  Bytes whole = plain;
  Prg_cipher(key, seed, 0, whole.data(), whole.size());
  EXPECT_NE(whole, plain);
  Bytes parts = plain;
  size_t cuts[] = {0, 3, 17, 18, 500, 999, 1000};
  for (size_t i = 0; i + 1 < sizeof cuts / sizeof cuts[0]; i++)
    Prg_cipher(key, seed, cuts[i], parts.data() + cuts[i], cuts[i + 1] - cuts[i]);
  EXPECT_EQ(parts, whole);
  Prg_cipher(key, seed, 0, whole.data(), whole.size());
  EXPECT_EQ(whole, plain);
  Prg_seed other{123457, 77, 1};
  Bytes diff = plain;
  Prg_cipher(key, other, 0, diff.data(), diff.size());
  Prg_cipher(key, seed, 0, plain.data(), plain.size());
  EXPECT_NE(diff, plain);  // every save enciphers differently
  uint8_t block[8], back[8];
  Prg_key_block(key, seed, block);
  EXPECT_NE(std::memcmp(block, key, 8), 0);
  Prg_key_block(block, seed, back);
  EXPECT_EQ(std::memcmp(back, key, 8), 0);
}

TEST(ProgramCrypt, PasswordLines) {
  uint8_t key[8] = {0x00, 0x11, 0x22, 0x33, 0xAA, 0xBB, 0xCC, 0xDD};
  std::string line = Prg_password_line(key);
  EXPECT_EQ(line, "**Password**:00112233AABBCCDD");
  uint8_t back[8];
  ASSERT_TRUE(Prg_password_key(line.data(), line.size(), back));
  EXPECT_EQ(std::memcmp(back, key, 8), 0);
  std::string bad = "**Password**:00112233AABBCCDX";
  EXPECT_FALSE(Prg_password_key(bad.data(), bad.size(), back));
  EXPECT_FALSE(Prg_password_key(line.data(), line.size() - 1, back));
}

}  // namespace
