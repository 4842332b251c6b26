#include "core/mask_match.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/params.h"
#include "core/workspace.h"
#include "functions/sort.h"
#include "test_util.h"

namespace {


class Mask : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = ws.Sys_flags3; }
  void TearDown() override {
    Mask_release();
    ws.Sys_flags3 = saved_;
    ws.Msk_len = 0;
  }
  // MSK(s, p) with parameter OM as given: position, and the match length.
  int64_t msk(const std::string& s, const std::string& p, bool om = true) {
    Sw_set(sw::OM, om);
    return Do_fnc_mask(1, u(s), s.size(), u(p), p.size());
  }
  int64_t like(const std::string& s, const std::string& p) {
    return Do_fnc_mask(2, u(s), s.size(), u(p), p.size());
  }
  uint16_t saved_ = 0;
};

}  // namespace

TEST_F(Mask, CompiledFormOfSetsGroupsAndModifiers) {
  Mask_buf out;
  std::string p = "[a-c]x+(y)?";
  ASSERT_GT(Mask_cmpl(u(p), p.size(), false, out), 0u);
  const uint8_t want[] = {0, 15, 3, 0, 3, 'a', 'b', 'c', 0x22, 'x', 0x11, 0, 3, 2, 'y', 15, 15};
  ASSERT_EQ(out.size(), sizeof want);
  EXPECT_EQ(0, memcmp(out.data(), want, sizeof want));
}

TEST_F(Mask, SetRangesNegationAndEscapes) {
  EXPECT_EQ(msk("xyz-1", "[-0-9]"), 4);    // a leading "-" is a member
  EXPECT_EQ(msk("abc1", "[^a-c]"), 4);
  EXPECT_EQ(msk("a]b", "[\\]]"), 2);       // an escaped "]" inside a set
  EXPECT_EQ(msk("a-b", "[x-]"), 2);        // "-" before "]" is a member
  EXPECT_EQ(msk("abc", "[c-a]"), 3);       // a falling range adds nothing: only c
  EXPECT_EQ(msk("a.b", "\\."), 2);
}

TEST_F(Mask, RunOfALetterAndItsLength) {
  EXPECT_EQ(msk("aabbbbc", "b+"), 3);
  EXPECT_EQ(ws.Msk_len, 4);
}

TEST_F(Mask, LongestAlternativeWins) {
  EXPECT_EQ(msk("xyz", "x|xy", false), 1);
  EXPECT_EQ(ws.Msk_len, 2);
  EXPECT_EQ(msk("zxyz", "xy|x", false), 2);
  EXPECT_EQ(ws.Msk_len, 2);
  // With OM set "|" applies to the single item before it: a(b|c)d.
  EXPECT_EQ(msk("acd", "ab|cd"), 1);
  EXPECT_EQ(ws.Msk_len, 3);
}

TEST_F(Mask, LongestOverallNotGreedyInsideAGroup) {
  EXPECT_EQ(msk("aaab", "(a*)ab"), 1);
  EXPECT_EQ(ws.Msk_len, 4);
  EXPECT_EQ(msk("abcabc", "(abc)*"), 1);
  EXPECT_EQ(ws.Msk_len, 6);
  EXPECT_EQ(msk("ab", "a?ab"), 1);
}

TEST_F(Mask, AnchorsOnlyAtTheEnds) {
  EXPECT_EQ(msk("ab", "^b"), 0);
  EXPECT_EQ(msk("ba", "^b"), 1);
  EXPECT_EQ(msk("abx", "x$"), 3);
  EXPECT_EQ(msk("axb", "x$"), 0);
  EXPECT_EQ(msk("abc", "$"), 0);  // no search offset is the end of the subject
}

TEST_F(Mask, EmptyPatternsAndSubjects) {
  EXPECT_EQ(error_no([&] { msk("abc", ""); }), 43);  // OM set: no empty pattern
  EXPECT_EQ(msk("abc", "", false), 1);               // wrapped: the empty group
  EXPECT_EQ(ws.Msk_len, 0);
  EXPECT_EQ(msk("", "a*", false), 0);
  EXPECT_EQ(msk("bbb", "a*"), 1);
}

TEST_F(Mask, MalformedPatternsAreError43) {
  for (const char* p : {"a**", "^?", "(a", "a)", "[ab", "+a", "\\", "[a\\", "a|*", "?"})
    EXPECT_EQ(error_no([&] { msk("abc", p); }), 43) << p;
  EXPECT_EQ(error_no([&] { msk("abc", "(a))", false); }), 43);
  EXPECT_EQ(error_no([&] { msk("abc", std::string(8193, 'a')); }), 43);
  EXPECT_EQ(error_no([&] { msk("abc", std::string(300, '(') + std::string(300, ')')); }), 43);
}

TEST_F(Mask, ReuseAfterFailureFindsNothing) {
  EXPECT_EQ(msk("xab", "ab"), 2);
  EXPECT_EQ(Do_fnc_mask(0, u("zzab"), 4, nullptr, 0), 3);
  EXPECT_EQ(error_no([&] { msk("abc", "a**"); }), 43);
  EXPECT_EQ(Do_fnc_mask(0, u("ab"), 2, nullptr, 0), 0);
}

TEST_F(Mask, LongLiteralChainDoesNotOverflowLengths) {
  // 8192 set items of 256 members each: the code would pass 64 KiB.
  std::string p;
  while (p.size() + 9 <= 8192) p += "[\\\x01-\xff]";
  EXPECT_EQ(error_no([&] { msk("abc", p); }), 43);
  std::string q(8192, 'a');
  EXPECT_EQ(msk(std::string(8200, 'a'), q), 1);
  EXPECT_EQ(ws.Msk_len, 8192);
}

TEST_F(Mask, NestedStarsStayLinear) {
  std::string s(20000, 'a');
  EXPECT_EQ(msk(s + "c", "(a*)*b"), 0);
  EXPECT_EQ(msk(s, "((a|aa)*)*"), 1);
  EXPECT_EQ(ws.Msk_len, 20000);
}

TEST_F(Mask, LikeWildcards) {
  EXPECT_EQ(like("hello", "h*o"), 1);
  EXPECT_EQ(like("hello", "h?llo"), 1);
  EXPECT_EQ(like("hello!", "h*o"), 0);  // anchored at both ends
  EXPECT_EQ(like("a.c", "a.c"), 1);     // "." is escaped: it matches only itself
  EXPECT_EQ(like("abc", "a.c"), 0);
  EXPECT_EQ(like("b1", "[abc][0-9]"), 1);
  EXPECT_EQ(like("x(1)", "x(?)"), 1);
  EXPECT_EQ(like("same", "same"), 1);
  EXPECT_EQ(like("same", "sam"), 0);
  EXPECT_EQ(error_no([&] { like("a", "[ab"); }), 43);
}

TEST_F(Mask, LikeRewriting) {
  Mask_buf out;
  std::string p = "a*b?$[x|]";
  EXPECT_TRUE(Like_rewrite(u(p), p.size(), out));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data()), out.size()), "^a.*b.\\$[x|]$");
  std::string plain = "abc\\";
  EXPECT_FALSE(Like_rewrite(u(plain), plain.size(), out));
}

// ---- skipping ahead against the plain search ----

namespace {

struct Rng {
  uint64_t x;
  uint32_t next() {
    x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    return uint32_t(x >> 33);
  }
  size_t below(size_t n) { return next() % n; }
};

// Subjects over a few letters, so that partial matches are frequent.
std::string subject(Rng& r, size_t n, const char* alpha) {
  std::string s;
  size_t a = strlen(alpha);
  for (size_t i = 0; i < n; i++) s.push_back(alpha[r.below(a)]);
  return s;
}

std::string pattern(Rng& r, int depth = 0) {
  static const char* atoms[] = {"a", "b", "c", "x", ".", "[ab]", "[^a]", "[b-c]", "\\.", "ab",
                                "abc", "aab", "ba"};
  std::string p;
  int items = 1 + int(r.below(4));
  for (int i = 0; i < items; i++) {
    size_t k = r.below(20);
    if (k == 0 && i == 0) {
      p += "^";
      continue;
    }
    if (k == 1 && depth < 2) {
      p += "(" + pattern(r, depth + 1) + ")";
    } else {
      p += atoms[r.below(sizeof atoms / sizeof *atoms)];
    }
    switch (r.below(9)) {
      case 0: p += "?"; break;
      case 1: p += "+"; break;
      case 2: p += "*"; break;
      case 3: p += "|"; break;
      default: break;
    }
  }
  if (r.below(8) == 0) p += "$";
  return p;
}

// Both searches of s with p compiled as MSK( compiles it (om: parameter OM).
void same_both_ways(const std::string& s, const std::string& p, bool om) {
  std::string text = om ? p : "(" + p + ")";
  Mask_buf code;
  if (Mask_cmpl(u(text), text.size(), !om, code) == 0) return;
  size_t fast_len = 99, plain_len = 99;
  int64_t fast = Mask_check(code.data(), u(s), s.size(), &fast_len);
  int64_t plain = Mask_check_plain(code.data(), u(s), s.size(), &plain_len);
  ASSERT_EQ(fast, plain) << "pattern " << text << " subject " << s;
  ASSERT_EQ(fast_len, plain_len) << "pattern " << text << " subject " << s;
}

}  // namespace

TEST(MaskSkip, GeneratedPatternsAgreeWithThePlainSearch) {
  Rng r{7};
  for (int t = 0; t < 6000; t++) {
    std::string p = pattern(r);
    std::string s = subject(r, r.below(40), t % 2 ? "abc" : "abcx.");
    same_both_ways(s, p, true);
    same_both_ways(s, p, false);
  }
}

TEST(MaskSkip, LiteralsAndLiteralPrefixesAgreeWithThePlainSearch) {
  Rng r{11};
  const char* tails[] = {"", "$", "+", "*", "?", "[ab]", "(a|b)", "b*c", ".", "|c"};
  for (int t = 0; t < 4000; t++) {
    std::string lit = subject(r, 1 + r.below(5), "ab");
    std::string p = lit + tails[r.below(sizeof tails / sizeof *tails)];
    // Long runs of the first byte make the search give up on memchr.
    std::string s = subject(r, r.below(3) == 0 ? 600 + r.below(400) : r.below(30),
                            t % 3 ? "ab" : "aaaaaaab");
    same_both_ways(s, p, true);
    same_both_ways(s, p, false);
  }
}

TEST(MaskSkip, LiteralFoundAtTheEndOfALongSubject) {
  std::string s(5000, 'q');
  s += "qqqqz";
  Sw_set(sw::OM, true);
  std::string p = "qqqqz";
  EXPECT_EQ(Do_fnc_mask(1, u(s), s.size(), u(p), p.size()), 5001);
  EXPECT_EQ(ws.Msk_len, 5);
  p = "xyzzx|qqqqz";  // alternatives of the whole pattern while OM is clear
  Sw_set(sw::OM, false);
  EXPECT_EQ(Do_fnc_mask(1, u(s), s.size(), u(p), p.size()), 5001);
  EXPECT_EQ(ws.Msk_len, 5);
  Mask_release();
  ws.Msk_len = 0;
}

TEST(ByteSearch, FindBytesIsTheFirstOccurrence) {
  Rng r{3};
  for (int t = 0; t < 5000; t++) {
    std::string h = subject(r, r.below(t % 10 == 0 ? 3000 : 60), t % 2 ? "aab" : "ab");
    std::string n = subject(r, 1 + r.below(6), "ab");
    size_t off = r.below(h.size() + 1);  // searches that start anywhere
    const uint8_t* got = Find_bytes(u(h) + off, h.size() - off, u(n), n.size());
    size_t want = h.find(n, off);
    if (want == std::string::npos) {
      EXPECT_EQ(got, nullptr) << h << " / " << n;
    } else {
      EXPECT_EQ(got, u(h) + want) << h << " / " << n;
    }
  }
}

TEST(ByteSearch, CountByteCountsEveryByte) {
  Rng r{5};
  for (size_t n : {size_t(0), size_t(1), size_t(63), size_t(64), size_t(65), size_t(1000),
                   size_t(64 * 255), size_t(64 * 255 + 1), size_t(64 * 256 + 7), size_t(100003)}) {
    std::string s = subject(r, n, "ab\xff");
    for (int off = 0; off < 3 && size_t(off) <= n; off++)
      for (uint8_t c : {uint8_t('a'), uint8_t(0xFF), uint8_t('z')})
        EXPECT_EQ(Count_byte(u(s) + off, n - size_t(off), c),
                  size_t(std::count(s.begin() + off, s.end(), char(c))));
  }
  std::string all(100000, 'x');  // every byte: the byte-wide lanes must not wrap
  EXPECT_EQ(Count_byte(u(all), all.size(), 'x'), all.size());
}

// ---- SRT( ----

namespace {
std::string sorted(const std::string& s, int64_t n, char sep = ',') {
  std::string out(s.size(), '\0');
  Do_sort(u(s), s.size(), n, uint8_t(sep), false, reinterpret_cast<uint8_t*>(out.data()));
  return out;
}
}  // namespace

TEST(Sort, SeparatedItems) {
  EXPECT_EQ(sorted("b,a,", 0), "a,b,");
  EXPECT_EQ(sorted("ab,a,b,,", 0), ",a,ab,b,");  // shorter first, empty item first
  EXPECT_EQ(sorted("\xff,a,", 0), "a,\xff,");    // bytes compare unsigned
}

TEST(Sort, FixedItems) {
  EXPECT_EQ(sorted("ccbbaa", 2), "aabbcc");
  EXPECT_EQ(error_no([] { sorted("abc", 2); }), 46);
  EXPECT_EQ(error_no([] { sorted("abc", -1); }), 41);
}

TEST(Sort, MissingSeparatorIs71) {
  EXPECT_EQ(error_no([] { sorted("b,a", 0); }), 71);
}

TEST(Sort, Utf8SeparatorSkipsContinuationBytes) {
  // The separator 0xA9 inside the sequence C3 A9 is no separator.
  std::string s = "z\xc3\xa9\xa9" "a\xa9";
  std::string out(s.size(), '\0');
  Do_sort(u(s), s.size(), 0, 0xA9, true, reinterpret_cast<uint8_t*>(out.data()));
  EXPECT_EQ(out, "a\xa9z\xc3\xa9\xa9");
}
