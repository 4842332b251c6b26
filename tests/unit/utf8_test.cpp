#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "core/memory.h"
#include "core/utf8.h"
#include "core/workspace.h"
#include "test_util.h"

namespace {

int n(const std::string& s) { return int(s.size()); }

class Utf8 : public ::testing::Test {
 protected:
  void SetUp() override {
    Ret_temp();
    Memory_chk();
    saved_ = ws;
    base_ = ws.Mem_used;
    ws.Utf8_mode = 1;
    ws.Work_base = ws.Work_ptr = work_.data();
    ws.Work_end = work_.data() + work_.size();
  }
  void TearDown() override {
    Ret_temp();
    Memory_chk();
    Utf8_release_buffers();
    EXPECT_EQ(ws.Mem_used, base_);
    int64_t used = ws.Mem_used;
    uint64_t allocs = ws.Tot_allocs;
    ws = saved_;
    ws.Mem_used = used;
    ws.Tot_allocs = allocs;
  }
  void strict() { ws.Utf8_mode |= UTF8_STRICT; }
  std::string acc() { return std::string(reinterpret_cast<char*>(ws.Str_ptr), size_t(ws.Str_len)); }
  Workspace saved_;
  int64_t base_ = 0;
  std::vector<uint8_t> work_ = std::vector<uint8_t>(WORK_AREA_SIZE);
};

const std::string e_acute = "\xC3\xA9";        // U+00E9
const std::string euro = "\xE2\x82\xAC";       // U+20AC
const std::string smile = "\xF0\x9F\x98\x80";  // U+1F600

}  // namespace

TEST_F(Utf8, LengthCountsCharacters) {
  EXPECT_EQ(KestUtf8Len(u("abc"), 3), 3);
  std::string s = "a" + e_acute + euro + smile + "z";
  EXPECT_EQ(KestUtf8Len(u(s), n(s)), 5);
  EXPECT_EQ(KestUtf8Len(u(""), 0), 0);
}

TEST_F(Utf8, MalformedSequencesCountByteWiseWhenLenient) {
  EXPECT_EQ(KestUtf8Len(u("\xC3"), 1), 1);          // cut at the end
  EXPECT_EQ(KestUtf8Len(u("ab\xE2\x82"), 4), 4);    // cut 3-byte sequence
  EXPECT_EQ(KestUtf8Len(u("\xC3" "A"), 2), 2);      // continuation missing
  EXPECT_EQ(KestUtf8Len(u("\xA9x"), 2), 2);         // stray continuation
  // a cut sequence must not be read past the given length
  std::string s = e_acute;
  EXPECT_EQ(KestUtf8Len(u(s), 1), 1);
}

TEST_F(Utf8, MalformedSequencesAreError5WhenStrict) {
  strict();
  std::string ok = "a" + e_acute + smile;
  EXPECT_EQ(KestUtf8Len(u(ok), n(ok)), 3);
  EXPECT_EQ(error_no([] { KestUtf8Len(u("\xC3"), 1); }), 5);
  EXPECT_EQ(error_no([] { KestUtf8Len(u("\xC3" "A"), 2); }), 5);
  EXPECT_EQ(error_no([] { KestUtf8Len(u("\xA9"), 1); }), 5);
  EXPECT_EQ(error_no([] { KestUtf8TrueInc(u("a\xF0\x9F"), 3, 0, 3); }), 5);
  EXPECT_EQ(error_no([] { KestUtf8FieldCnt(u("a,\xE2"), ',', 3); }), 5);
}

TEST_F(Utf8, TrueIncWalksCharacters) {
  std::string s = "a" + e_acute + euro + "b";  // 1+2+3+1 bytes
  EXPECT_EQ(KestUtf8TrueInc(u(s), n(s), 0, 2), 3);
  EXPECT_EQ(KestUtf8TrueInc(u(s), n(s), 1, 2), 5);
  EXPECT_EQ(KestUtf8TrueInc(u(s), n(s), 0, 4), 7);
  EXPECT_EQ(KestUtf8TrueInc(u(s), n(s), 0, 6), 9);   // two characters missing
  EXPECT_EQ(KestUtf8TrueInc(u(s), 3, 0, 3), 4);      // bounded by the end index
  EXPECT_EQ(KestUtf8TrueInc(u(s), n(s), 0, 0), 0);
  // a sequence cut by the end index counts its lead byte alone
  EXPECT_EQ(KestUtf8TrueInc(u(s), 2, 0, 2), 2);
  // A count near the largest int (MID(s,p,n) and s(p,n) with any n) stays
  // the largest: beyond the end, not a negative length.
  EXPECT_EQ(KestUtf8TrueInc(u(s), n(s), 0, INT32_MAX), INT32_MAX);
  EXPECT_EQ(KestUtf8TrueInc(u(s), n(s), 1, INT32_MAX - 1), INT32_MAX);
}

TEST_F(Utf8, FindSeparator) {
  std::string s = "ab,cd";
  EXPECT_EQ(KestUtf8FindSep(u(s), ',', n(s)), u(s) + 2);
  EXPECT_EQ(KestUtf8FindSep(u(s), ';', n(s)), nullptr);
  // U+010A is C4 8A: its second byte is not the separator 0x8A
  std::string t = "x\xC4\x8Ay\x8Az";
  EXPECT_EQ(KestUtf8FindSep(u(t), 0x8A, n(t)), u(t) + 4);
  std::string v = "\xC4\x8A";
  EXPECT_EQ(KestUtf8FindSep(u(v), 0x8A, n(v)), nullptr);
  EXPECT_EQ(KestUtf8FindSep(u(v), 0x8A, 0), nullptr);
}

TEST_F(Utf8, FieldsAndTheirCount) {
  std::string s = "A\x8A" "BB\x8A\x8A" "C";
  int st = -1, len = -1;
  EXPECT_EQ(KestUtf8FieldCnt(u(s), 0x8A, n(s)), 4);
  ASSERT_EQ(KestUtf8Field(u(s), 0x8A, n(s), 1, &st, &len), 1);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(len, 1);
  ASSERT_EQ(KestUtf8Field(u(s), 0x8A, n(s), 2, &st, &len), 1);
  EXPECT_EQ(st, 2);
  EXPECT_EQ(len, 2);
  ASSERT_EQ(KestUtf8Field(u(s), 0x8A, n(s), 3, &st, &len), 1);
  EXPECT_EQ(len, 0);
  ASSERT_EQ(KestUtf8Field(u(s), 0x8A, n(s), 4, &st, &len), 1);
  EXPECT_EQ(st, 6);
  EXPECT_EQ(len, 1);
  EXPECT_EQ(KestUtf8Field(u(s), 0x8A, n(s), 5, &st, &len), 0);
  EXPECT_EQ(KestUtf8Field(u(s), 0x8A, n(s), 0, &st, &len), 0);
}

TEST_F(Utf8, FinalSeparatorEndsTheLastField) {
  std::string s = "A,B,";
  int st, len;
  EXPECT_EQ(KestUtf8FieldCnt(u(s), ',', n(s)), 2);
  EXPECT_EQ(KestUtf8Field(u(s), ',', n(s), 2, &st, &len), 1);
  EXPECT_EQ(KestUtf8Field(u(s), ',', n(s), 3, &st, &len), 0);
  EXPECT_EQ(KestUtf8FieldCnt(u(","), ',', 1), 1);
  EXPECT_EQ(KestUtf8FieldCnt(u(""), ',', 0), 1);
  EXPECT_EQ(KestUtf8Field(u(""), ',', 0, 1, &st, &len), 1);
  EXPECT_EQ(len, 0);
}

TEST_F(Utf8, SeparatorInsideSequenceDoesNotSplit) {
  std::string s = "\xC4\x8A\x8A" + e_acute;
  int st, len;
  EXPECT_EQ(KestUtf8FieldCnt(u(s), 0x8A, n(s)), 2);
  ASSERT_EQ(KestUtf8Field(u(s), 0x8A, n(s), 1, &st, &len), 1);
  EXPECT_EQ(len, 2);
  ASSERT_EQ(KestUtf8Field(u(s), 0x8A, n(s), 2, &st, &len), 1);
  EXPECT_EQ(st, 3);
  EXPECT_EQ(len, 2);
}

TEST_F(Utf8, OptionBitComesFromMode) {
  ws.Utf8_mode = UTF8_POS | UTF8_CASE;
  EXPECT_TRUE(KestUtf8Opt(UTF8_POS));
  EXPECT_FALSE(KestUtf8Opt(UTF8_MID));
  EXPECT_TRUE(KestUtf8Opt(UTF8_CASE));
  EXPECT_FALSE(KestUtf8Opt(0));
}

TEST_F(Utf8, CvsEncodesOneCodePoint) {
  auto cvs = [&](int64_t mant, int8_t scale) {
    ws.Num_acc = Num_val{mant, scale, 0};
    KestUtf8CVS();
    return acc();
  };
  EXPECT_EQ(cvs(65, 0), "A");
  EXPECT_EQ(cvs(0, 0), std::string(1, '\0'));
  EXPECT_EQ(cvs(0x7F, 0), "\x7F");
  EXPECT_EQ(cvs(0x80, 0), "\xC2\x80");
  EXPECT_EQ(cvs(0xE9, 0), e_acute);
  EXPECT_EQ(cvs(0x7FF, 0), "\xDF\xBF");
  EXPECT_EQ(cvs(0x800, 0), "\xE0\xA0\x80");
  EXPECT_EQ(cvs(0x20AC, 0), euro);
  EXPECT_EQ(cvs(0x1F600, 0), smile);
  EXPECT_EQ(cvs(0x1FFFFF, 0), "\xF7\xBF\xBF\xBF");
  EXPECT_EQ(cvs(657, 1), "A");      // 65.7 truncates
  EXPECT_EQ(cvs(65, -1), "\xCA\x8A");  // 650 = U+028A
  EXPECT_EQ(error_no([&] { cvs(-1, 0); }), 41);
  EXPECT_EQ(error_no([&] { cvs(0x200000, 0); }), 41);
  EXPECT_EQ(error_no([&] { cvs(1, -100); }), 41);
  // times 100 this passes 2^64 by 84: still out of range, not "T"
  EXPECT_EQ(error_no([&] { cvs(184467440737095517, -2); }), 41);
  EXPECT_EQ(error_no([&] { cvs(-1, -2); }), 41);
}

TEST_F(Utf8, CvsTextMovesIntoTemporaryWhenLong) {
  Utf8_text t;
  Utf8_text_begin(t);
  std::string want;
  for (int i = 0; i < 150; i++) {
    Utf8_text_add(t, 0x20AC);
    want += euro;
  }
  Utf8_text_end(t);
  EXPECT_EQ(acc(), want);
  EXPECT_NE(ws.Tmp_blocks, nullptr);
  EXPECT_GE(t.cap, 450u);
}

TEST_F(Utf8, CvsNeedsWorkArea) {
  ws.Work_ptr = ws.Work_end - 10;
  ws.Num_acc = Num_val{65, 0, 0};
  EXPECT_EQ(error_no([] { KestUtf8CVS(); }), 19);
}

TEST_F(Utf8, ToWide) {
  std::string s = "A\x80" + e_acute + euro + smile + "\xC3" "B";
  int units = KestUtf8ToWide(u(s), n(s));
  const uint16_t* w = Utf8_wide_buf();
  std::vector<uint16_t> got(w, w + units + 1);
  std::vector<uint16_t> want = {0x41, 0x20AC, 0xE9, 0x20AC, 0xF600, 0xC3, 0x42, 0};
  EXPECT_EQ(got, want);
  EXPECT_EQ(KestUtf8ToWide(u("hi"), -1), 2);
  EXPECT_EQ(Utf8_wide_buf()[2], 0);
  // a cut sequence at the end stands for itself and is not read past
  std::string cut = "\xE2\x82";
  EXPECT_EQ(KestUtf8ToWide(u(cut), 2), 2);
  EXPECT_EQ(Utf8_wide_buf()[0], 0xE2);
}

TEST_F(Utf8, FromWide) {
  const uint16_t w[] = {0x41, 0xE9, 0x20AC, 0x7FF, 0x800, 0};
  int bytes = KestUtf8FromWide(w, -1);
  std::string got(reinterpret_cast<const char*>(Utf8_narrow_buf()), size_t(bytes));
  EXPECT_EQ(got, "A" + e_acute + euro + "\xDF\xBF\xE0\xA0\x80");
  EXPECT_EQ(Utf8_narrow_buf()[bytes], 0);
  EXPECT_EQ(KestUtf8FromWide(w, 2), 3);
}

TEST_F(Utf8, LongConversionsUseKeptBlock) {
  std::string s;
  for (int i = 0; i < 600; i++) s += euro;
  EXPECT_EQ(KestUtf8ToWide(u(s), n(s)), 600);
  const uint16_t* w = Utf8_wide_buf();
  EXPECT_EQ(w[599], 0x20AC);
  EXPECT_EQ(w[600], 0);
  std::vector<uint16_t> copy(w, w + 600);
  EXPECT_EQ(KestUtf8FromWide(copy.data(), 600), 1800);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Utf8_narrow_buf()), 1800), s);
  int64_t kept = ws.Mem_used;
  EXPECT_GT(kept, base_);
  KestUtf8ToWide(u(s), 600);  // fits the kept block
  EXPECT_EQ(ws.Mem_used, kept);
  std::string t = s + s;  // replaces it with a larger one
  EXPECT_EQ(KestUtf8ToWide(u(t), n(t)), 1200);
  EXPECT_EQ(Utf8_wide_buf()[1200], 0);
  // short conversions go back to the static buffer
  EXPECT_EQ(KestUtf8ToWide(u("x"), 1), 1);
  EXPECT_EQ(Utf8_wide_buf()[0], 'x');
}
