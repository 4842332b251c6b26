// The thin client's host property cache: declarations and their limits,
// effects and function colours dropping cached values, and the inspection
// of outgoing requests kept inside their payload.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "terminal/tc_propcache.h"

namespace {

int error_of(const std::function<void()>& f) {
  try {
    f();
  } catch (const Oru_error& e) {
    return e.no;
  }
  return -1;
}

struct PropCache : ::testing::Test {
  void SetUp() override { ZefVrl_Init(); }
  void TearDown() override { ZefVrl_Init(); }
  std::string get(int32_t control, const std::string& path) {
    std::string v;
    return ZefVrl_GetProperty(control, path, &v) ? v : "<miss>";
  }
};

TEST_F(PropCache, DeclaredPropertiesAreKeptCaseBlindUndeclaredNever) {
  Kest_AddServerProp("Text%Value'Items");
  ZefVrl_StoreProperty(5, "TEXT$", "a");
  ZefVrl_StoreProperty(5, "Width", "9");
  EXPECT_EQ(get(5, "text$"), "a");
  EXPECT_EQ(get(6, "TEXT$"), "<miss>");
  EXPECT_EQ(get(5, "WIDTH"), "<miss>");
  // Chains and arguments are never cached.
  ZefVrl_StoreProperty(5, "ITEMS'COUNT", "3");
  ZefVrl_StoreProperty(5, "ITEMS(1)", "3");
  EXPECT_EQ(ZefVrl_cached_count(), 1u);
  ZefVrl_ClearCache();
  EXPECT_EQ(get(5, "TEXT$"), "<miss>");
}

TEST_F(PropCache, EffectsDropOtherPropertiesOfTheSameControl) {
  Kest_AddServerProp("A%B%C'D");
  Kest_DropServerEffects("a", "B%D");
  Kest_DropServerEffects("C", "/");
  for (int ctl : {1, 2})
    for (const char* p : {"A", "B", "C", "D"}) ZefVrl_StoreProperty(ctl, p, "x");
  ZefVrl_SetProperty(1, "A", "new");
  EXPECT_EQ(get(1, "A"), "new");
  EXPECT_EQ(get(1, "B"), "<miss>");
  // D is in C's group: one entry, the head's, stands for both.
  EXPECT_EQ(get(1, "C"), "<miss>");
  EXPECT_EQ(get(1, "D"), "<miss>");
  EXPECT_EQ(get(2, "B"), "x");  // another control keeps its values
  // D has no effects of its own: its group head C's ("/") hold.
  ZefVrl_SetProperty(2, "D", "d");
  EXPECT_EQ(get(2, "A"), "<miss>");
  EXPECT_EQ(get(2, "D"), "d");
}

TEST_F(PropCache, TheGroupHeadStandsForItsMembers) {
  Kest_AddServerProp("Alpha'Beta'Gamma%Delta");
  ZefVrl_StoreProperty(3, "BETA$", "b");
  EXPECT_EQ(get(3, "ALPHA$"), "b");
  EXPECT_EQ(get(3, "GAMMA"), "b");
  EXPECT_EQ(get(3, "DELTA"), "<miss>");
  ZefVrl_SetProperty(3, "Gamma", "g");
  EXPECT_EQ(get(3, "Beta"), "g");
  EXPECT_EQ(ZefVrl_cached_count(), 1u);
  // An effect naming a member drops the group's entry.
  Kest_DropServerEffects("Delta", "Gamma");
  ZefVrl_SetProperty(3, "Delta", "d");
  EXPECT_EQ(get(3, "ALPHA"), "<miss>");
  EXPECT_EQ(get(3, "DELTA"), "d");
}

TEST_F(PropCache, DeclarationLimitsAndErrors) {
  for (int i = 0; i < 200; ++i) Kest_AddServerProp("P" + std::to_string(i));
  Kest_AddServerProp("P7");  // already declared: no new entry
  EXPECT_EQ(error_of([] { Kest_AddServerProp("ONE_MORE"); }), 42);
  EXPECT_EQ(error_of([] { Kest_DropServerEffects("NOT_THERE", "P1"); }), 23);
  EXPECT_EQ(error_of([] { Kest_DropServerFncClr("%P1"); }), 46);
  std::string many = "ABCDEFGHIJ%P1%P2%P3%P4%P5%P6%P7%P8%P9%P10";  // 100 entries
  Kest_DropServerFncClr(many);
  EXPECT_EQ(error_of([] { Kest_DropServerFncClr("Z%P1"); }), 42);
}

TEST_F(PropCache, FunctionColoursDropByRequestCode) {
  Kest_AddServerProp("A%B");
  Kest_DropServerFncClr("W%A");
  Kest_DropServerFncClr("E%/");
  auto fill = [] {
    for (int ctl : {0x0101, 0x0102})
      for (const char* p : {"A", "B"}) ZefVrl_StoreProperty(ctl, p, "x");
  };
  fill();
  // A list-box write ('L' 'W') of control 0x0101 drops its A only.
  const uint8_t lw[] = {0x01, 0x01, 'x'};
  ZefVrl_WttyPacket('L' | 0x80, 'W', lw, sizeof lw);
  EXPECT_EQ(get(0x0101, "A"), "<miss>");
  EXPECT_EQ(get(0x0101, "B"), "x");
  EXPECT_EQ(get(0x0102, "A"), "x");
  // ENABLE ('<', code E) of both controls: 3-byte entries after a count.
  const uint8_t en[] = {0x00, 0x06, 0x01, 0x01, 0x00, 0x01, 0x02, 0x00};
  ZefVrl_WttyPacket('<', ' ', en, sizeof en);
  EXPECT_EQ(ZefVrl_cached_count(), 0u);
  // A count that claims more than the payload holds reads only what is there.
  fill();
  const uint8_t lie[] = {0xFF, 0xFF, 0x01, 0x02, 0x00, 0x01};
  ZefVrl_WttyPacket('<', ' ', lie, sizeof lie);
  EXPECT_EQ(get(0x0102, "B"), "<miss>");
  EXPECT_EQ(get(0x0101, "B"), "x");
  const uint8_t tiny[] = {0x01};
  ZefVrl_WttyPacket('L', 'W', tiny, sizeof tiny);
  ZefVrl_WttyPacket('<', ' ', tiny, sizeof tiny);
  EXPECT_EQ(get(0x0101, "B"), "x");
}

}  // namespace
