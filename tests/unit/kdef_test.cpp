// Key definitions: the KEYDEF text compiler, its limits, the text written
// back from a segment table, and the binary numeric key segments.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "channels/kdef.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "test_util.h"

namespace {

class Kdef_test : public ::testing::Test {
 protected:
  static inline uint8_t work[WORK_AREA_SIZE];
  void SetUp() override {
    ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
    ws.Work_end = work + sizeof work;
    Kdef_reset(kd);
    names = nullptr;
  }
  void TearDown() override {
    Ret_temp();
    ws.Work_base = ws.Work_ptr = ws.Work_mark = ws.Work_end = nullptr;
    Sw_set(sw::Bang9, false);
  }
  // Compiles text; returns the error number (0 when it compiled).
  int parse(const std::string& text) {
    Kdef_reset(kd);
    names = nullptr;
    ws.Work_ptr = work;
    return error_no([&] {
      Key_builder b(kd, &names);
      Kdef_parse_text(b, u(text), int32_t(text.size()));
      max_end = b.Max_end();
    });
  }
  std::vector<uint8_t> table() const {
    std::vector<uint8_t> t;
    for (int i = 0;; i += 4) {
      t.push_back(kd.segs[i]);
      if (kd.segs[i] == KSEG_END) break;
      t.insert(t.end(), kd.segs + i + 1, kd.segs + i + 4);
    }
    return t;
  }
  std::string back() const { return Describe_keys(kd.segs, 0, names); }
  // Round trip: the text compiles and is written back unchanged.
  void round_trip(const std::string& text) {
    ASSERT_EQ(parse(text), 0) << text;
    EXPECT_EQ(back(), text);
  }

  Kdef kd;
  Kname_node* names = nullptr;
  int32_t max_end = 0;
};

TEST_F(Kdef_test, BareExternalKey) {
  ASSERT_EQ(parse("10"), 0);
  EXPECT_EQ(table(), (std::vector<uint8_t>{0, 255, 0, 10, 255}));
  EXPECT_EQ(kd.key_len, 10);
  EXPECT_EQ(back(), "10");
}

TEST_F(Kdef_test, TwoKeysWithDescendingSegment) {
  ASSERT_EQ(parse("[1:1:10]+[2:5:4:\"D\"],[0:1:20]"), 0);
  EXPECT_EQ(table(), (std::vector<uint8_t>{0, 1, 0, 10, 0, 2, 4, 0x84, 1, 0, 0, 20, 255}));
  EXPECT_EQ(back(), "[1:1:10]+[2:5:4:\"D\"],[0:1:20]");
  EXPECT_EQ(max_end, 20);
}

TEST_F(Kdef_test, RoundTrips) {
  round_trip("8,[KEY:3:4]+[1:1:2:\"DU\"]");
  round_trip("[\"cust\":0:1:6],[\"name\":0:7:30:\"CT\"]");
  round_trip("[0:1:8:\"B.2\"]");
  round_trip("[0:1:4:\"I\"]");
  round_trip("[0:1:5:\"#\"]");
  round_trip("[0:10:5:\"N:2A\"],[3:2:1:\"K:00\"]");
  round_trip("[0:3839:1]");
}

TEST_F(Kdef_test, FlagEntryCarriesOptionByte) {
  ASSERT_EQ(parse("[0:1:6:\"B.3\"]"), 0);
  EXPECT_EQ(table(), (std::vector<uint8_t>{0, 0, 0, 6, 254, 0x00, 0x38, 3, 255}));
  ASSERT_EQ(parse("[0:1:6:N:7f]"), 0);
  EXPECT_EQ(table(), (std::vector<uint8_t>{0, 0, 0, 6, 254, 0x40, 0, 0x7F, 255}));
}

TEST_F(Kdef_test, LargeOffsetUsesHighNibble) {
  ASSERT_EQ(parse("[0:3000:2]"), 0);
  int off = 2999;
  EXPECT_EQ(table(), (std::vector<uint8_t>{uint8_t((off >> 8) << 4), 0, uint8_t(off & 255), 2, 255}));
  EXPECT_EQ(parse("[0:3840:1]"), 41);
  EXPECT_EQ(parse("[0:0:1]"), 41);
}

TEST_F(Kdef_test, KeyBudgetOf240Bytes) {
  std::string eight;
  for (int i = 0; i < 8; i++) eight += (i ? "+" : "") + std::string("[0:") + std::to_string(1 + i * 27) + ":27]";
  EXPECT_EQ(parse(eight + "+[0:217:24]"), 0);
  EXPECT_EQ(parse(eight + "+[0:217:25]"), 41);
  EXPECT_EQ(parse(eight + "+[0:217:24]+[0:300:1]"), 46);
  // The budget starts again with the next key.
  EXPECT_EQ(parse(eight + "+[0:217:24],[0:1:127]"), 0);
}

TEST_F(Kdef_test, GrammarErrors) {
  EXPECT_EQ(parse("[1:1:10"), 46);      // ends early
  EXPECT_EQ(parse("[1:1:10]x"), 20);
  EXPECT_EQ(parse("1:1:10]"), 20);      // digit first: external key, then "," expected
  EXPECT_EQ(parse("(1:1:10)"), 20);
  EXPECT_EQ(parse("[1;1:10]"), 20);
  EXPECT_EQ(parse("[255:1:10]"), 41);
  EXPECT_EQ(parse("[1:1:128]"), 41);
  EXPECT_EQ(parse("[1:1:0]"), 41);
  EXPECT_EQ(parse("0"), 41);
  EXPECT_EQ(parse("128"), 41);
  EXPECT_EQ(parse("[0:1:4:Q]"), 20);
  EXPECT_EQ(parse("[0:1:4:N:G0]"), 75);
  EXPECT_EQ(parse(""), 46);
}

TEST_F(Kdef_test, KeyFieldNeedsExternalKey) {
  EXPECT_EQ(parse("[KEY:1:4]"), 80);
  EXPECT_EQ(parse("6,[KEY:1:6]"), 0);
  EXPECT_EQ(parse("6,[KEY:2:6]"), 41);  // offset + length past the external key
  EXPECT_EQ(parse("6,[KEY:7:1]"), 41);
}

TEST_F(Kdef_test, OptionConflicts) {
  EXPECT_EQ(parse("[0:1:4:NK]"), 80);
  EXPECT_EQ(parse("[0:1:4:N:20B]"), 80);
  EXPECT_EQ(parse("[0:1:4:BC]"), 80);
  EXPECT_EQ(parse("[0:1:4:BZ]"), 80);
  EXPECT_EQ(parse("[0:1:4:I#]"), 80);
  EXPECT_EQ(parse("[0:1:3:I]"), 80);   // integer segments are 1, 2 or 4 bytes
  EXPECT_EQ(parse("[1:1:4:I]"), 80);   // and only over the whole record
  // M is written back only: refused as a key-definition fault in a key that
  // has a name, else as the text's syntax error.
  EXPECT_EQ(parse("[0:1:4:M]"), 20);
  EXPECT_EQ(parse("[\"k\":0:1:4:M]"), 80);
  EXPECT_EQ(parse("[\"k\":0:1:4]+[0:5:1:M]"), 80);
  EXPECT_EQ(parse("[\"k\":0:1:4],[1:5:1:M]"), 20);
  EXPECT_EQ(parse("[0:1:4:#],[0:5:4:+]"), 80);  // one typed segment per definition
  EXPECT_EQ(parse("[0:1:4:B],[0:5:4:B]"), 0);   // B is not such a type
  ASSERT_EQ(parse("[0:1:4:CL]"), 0);           // L clears C
  EXPECT_EQ(back(), "[0:1:4:\"L\"]");
  ASSERT_EQ(parse("[0:1:4:DA]"), 0);           // A clears D
  EXPECT_EQ(back(), "[0:1:4]");
}

TEST_F(Kdef_test, KeyNames) {
  EXPECT_EQ(parse("[\"#1\":0:1:4]"), 80);
  EXPECT_EQ(parse("[\"a\":0:1:4],[\"A\":0:5:4]"), 80);  // one name, two keys
  ASSERT_EQ(parse("[\"\":0:1:4]"), 0);                  // empty names are ignored
  EXPECT_EQ(names, nullptr);
  ASSERT_EQ(parse("[\"k\":0:1:4]+[0:5:1]"), 0);
  Sw_set(sw::Bang9, true);
  EXPECT_EQ(back(), "[\"k\":0:1:4]+[\"k\":0:5:1]");
  Sw_set(sw::Bang9, false);
  EXPECT_EQ(back(), "[\"k\":0:1:4]+[0:5:1]");
}

TEST_F(Kdef_test, SegmentAndKeyLimits) {
  // 256 entries in one key (each segment with its flag entry), not 257.
  std::string many;
  for (int i = 0; i < 128; i++) many += (i ? "+" : "") + std::string("[0:") + std::to_string(i + 1) + ":1:U]";
  EXPECT_EQ(parse(many), 0);
  EXPECT_EQ(parse(many + "+[0:200:1]"), 80);
  std::string keys;
  for (int i = 0; i < 255; i++) keys += (i ? "," : "") + std::string("[0:1:1]");
  EXPECT_EQ(parse(keys), 0);
  EXPECT_EQ(kd.flags1 & KF1_MANY_SEGS, KF1_MANY_SEGS);
  EXPECT_EQ(parse(keys + ",[0:1:1]"), 80);
  // The table outgrew default_kdef and still ends with its end byte.
  ASSERT_EQ(parse(keys), 0);
  EXPECT_NE(kd.segs, default_kdef);
  EXPECT_EQ(kd.segs[255 * 4], KSEG_END);
  EXPECT_EQ(Describe_keys(kd.segs, 0, nullptr), keys);
}

TEST_F(Kdef_test, DescribeJoinsSkippedKeyNumbersWithOneComma) {
  const uint8_t t[] = {0, 1, 0, 4, 3, 2, 0, 2, 255};
  EXPECT_EQ(Describe_keys(t, 0, nullptr), "[1:1:4],[2:1:2]");
  EXPECT_EQ(Describe_keys(t, 1, nullptr), "[1:1:4]");
}

TEST_F(Kdef_test, DescribeNamesKeysAboveFifteen) {
  std::string keys;
  for (int i = 0; i < 18; i++) keys += (i ? "," : "") + std::string("[0:1:1]");
  ASSERT_EQ(parse(keys), 0);
  Kname_node* list = nullptr;
  Kname_link(&list, 17, u("last"), 4);
  EXPECT_EQ(Describe_keys(kd.segs, 0, list).substr(keys.size() - 7), "[\"last\":0:1:1]");
  Kname_free(&list);
}

TEST_F(Kdef_test, KnameLinkReplacesAndOrders) {
  Kname_node* list = nullptr;
  Kname_link(&list, 3, u("c"), 1);
  Kname_link(&list, 1, u("a"), 1);
  Kname_link(&list, 3, u("cc"), 2);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->key, 1);
  EXPECT_EQ(std::string(list->next->name, list->next->len), "cc");
  Kname_link(&list, 1, u(""), 0);
  EXPECT_EQ(list->key, 3);
  Kname_free(&list);
  EXPECT_EQ(list, nullptr);
}

// ---- binary numeric segments ----

std::string enc(const std::string& text, int seg, int dec, int* result = nullptr) {
  std::string out(size_t(seg), '?');
  int r = EncodeBinNumSeg(u(text), int32_t(text.size()), reinterpret_cast<uint8_t*>(out.data()), seg, dec);
  if (result) *result = r;
  return out;
}
std::string x3f(std::string s) {
  for (auto& c : s) c = char(c ^ 0x3F);
  return s;
}
std::string dec(std::string s) {
  EXPECT_TRUE(DecodeBinNumSeg(reinterpret_cast<uint8_t*>(s.data()), int32_t(s.size())));
  return s;
}

TEST(Bin_num_seg, Encodes) {
  int r = -1;
  EXPECT_EQ(enc("12.3", 8, 2, &r), "00012.30");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(enc("-12.3", 8, 2), x3f("00012.30"));
  EXPECT_EQ(enc("  ", 8, 2, &r), std::string(8, '\0'));
  EXPECT_EQ(r, 1);
  EXPECT_EQ(enc("0.00", 6, 2, &r), "000.00");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(enc("-0", 4, 0, &r), "0000");  // negative zero is zero
  EXPECT_EQ(r, 1);
  EXPECT_EQ(enc(" +007.129x", 6, 2), "007.12");  // extra decimals are cut
  EXPECT_EQ(enc("42.9", 4, 0), "0042");
}

TEST(Bin_num_seg, OrderIsNumericOrder) {
  const char* values[] = {"-100", "-12.5", "-1", "-0.25", "0", "0.25", "1", "12.5", "100"};
  std::string prev;
  for (const char* v : values) {
    std::string e = enc(v, 8, 2);
    if (!prev.empty()) {
      EXPECT_LT(prev, e) << v;
    }
    prev = e;
  }
}

TEST(Bin_num_seg, RefusesWhatDoesNotFit) {
  std::string out(4, 'x');
  EXPECT_EQ(error_no([&] { EncodeBinNumSeg(u("12345"), 5, reinterpret_cast<uint8_t*>(out.data()), 4, 0); }), 46);
  EXPECT_EQ(out, "xxxx");  // nothing written
  EXPECT_EQ(enc("1234", 4, 0), "1234");
  // A negative number needs one byte for its sign, and "-0" before a point.
  EXPECT_EQ(error_no([] { enc("-1234", 4, 0); }), 46);
  EXPECT_EQ(enc("-123", 4, 0), x3f("0123"));
  EXPECT_EQ(error_no([] { enc("-0.5", 4, 2); }), 46);
  EXPECT_EQ(enc("-0.5", 5, 2), x3f("00.50"));
  EXPECT_EQ(enc("0.5", 3, 2), ".50");
}

TEST(Bin_num_seg, Decodes) {
  EXPECT_EQ(dec("00012.30"), "   12.30");
  EXPECT_EQ(dec("000.50"), "  0.50");
  EXPECT_EQ(dec("00000000"), "       0");
  EXPECT_EQ(dec(x3f("00012.30")), "  -12.30");
  EXPECT_EQ(dec(x3f("000.50")), " -0.50");
  EXPECT_EQ(dec(x3f("00.50")), "-0.50");
  EXPECT_EQ(dec(x3f("0123")), "-123");
  EXPECT_EQ(dec(".50"), ".50");
  EXPECT_EQ(dec(std::string(5, '\0')), "     ");  // an empty value
  std::string full = x3f("1234");
  EXPECT_FALSE(DecodeBinNumSeg(reinterpret_cast<uint8_t*>(full.data()), 4));
  EXPECT_EQ(full, x3f("1234"));
}

TEST(Bin_num_seg, RoundTrip) {
  for (const char* v : {"7", "-7", "123.45", "-123.45", "0.01", "-0.01"}) {
    std::string e = enc(v, 9, 2);
    std::string d = dec(e);
    size_t p = d.find_first_not_of(' ');
    EXPECT_EQ(std::stod(d.substr(p)), std::stod(v)) << v;
  }
}

}  // namespace
