// The I/O-list cache: a channel-owned list walked by one program is copied
// on its third walk with the names the program's variable table knows
// replaced by their slots; a freed list leaves the cache; names written out
// for stored lists.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "channels/iol_cache.h"
#include "core/codes.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "console_env.h"

namespace {

class IolCacheTest : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    Iol_cache_clear();
  }
  void TearDown() override {
    Iol_cache_clear();
    for (void* b : blocks_) Ret_blk(b);
    Console_env::TearDown();
  }
  // A list block as a channel keeps one: items with the names written out
  // (code, length, name) separated by ",", ending with 255.
  const uint8_t* list(std::initializer_list<std::pair<uint8_t, const char*>> items) {
    std::vector<uint8_t> v;
    for (const auto& [c, name] : items) {
      if (!v.empty()) v.push_back(code::COMMA);
      v.push_back(c);
      v.push_back(uint8_t(std::strlen(name)));
      v.insert(v.end(), name, name + std::strlen(name));
    }
    v.push_back(code::EOL);
    auto* b = static_cast<uint8_t*>(Get_blk(v.size()));
    std::memcpy(b, v.data(), v.size());
    blocks_.push_back(b);
    return b;
  }
  static std::vector<uint8_t> bytes(const uint8_t* p) {
    std::vector<uint8_t> v;
    while (*p != code::EOL) v.push_back(*p++);
    return v;
  }
  std::vector<void*> blocks_;
};

TEST_F(IolCacheTest, TheThirdWalkGetsTheProgramsSlots) {
  program({"10 IOLIST A$,B", "20 PRINT C"});  // the table: A$ 0, B 1, C 2
  ASSERT_NE(ws.Names_id, 0u);
  const uint8_t* l = list({{code::STR_VAR, "A$"}, {code::NUM_VAR, "Q"}, {code::NUM_VAR, "B"}});
  bool gen = true;
  EXPECT_EQ(KestIolCache(l), l);
  EXPECT_EQ(KestIolCache(l), l);
  EXPECT_EQ(Iol_cache_uses(l, &gen), 2);
  EXPECT_FALSE(gen);
  const uint8_t* c = KestIolCache(l);
  ASSERT_NE(c, l);
  EXPECT_EQ(Iol_cache_uses(l, &gen), 3);
  EXPECT_TRUE(gen);
  // A$ and B by slot; Q, which the program never names, stays written out.
  EXPECT_EQ(bytes(c), (std::vector<uint8_t>{code::STR_VAR, 0x80, 0, code::COMMA, code::NUM_VAR, 1, 'Q',
                                            code::COMMA, code::NUM_VAR, 0x80, 1}));
  EXPECT_EQ(KestIolCache(l), c);  // later walks: the same copy
}

TEST_F(IolCacheTest, EachProgramHasItsOwnCopyAndAFreedListLeaves) {
  program({"10 PRINT B,A$"});  // B 0, A$ 1
  const uint8_t* l = list({{code::STR_VAR, "A$"}, {code::NUM_VAR, "B"}});
  for (int i = 0; i < 3; ++i) KestIolCache(l);
  const uint8_t* first = KestIolCache(l);
  ASSERT_NE(first, l);
  EXPECT_EQ(first[1], 0x80);
  EXPECT_EQ(first[2], 1);  // A$ is this program's slot 1
  // Another program (NEW gives the table a new identity): counted afresh.
  type("DELETE");
  Clr_program();
  program({"10 PRINT A$"});
  EXPECT_EQ(KestIolCache(l), l);
  EXPECT_EQ(Iol_cache_uses(l, nullptr), 1);
  // The block is about to be freed: its slots go.
  KestIolUncache(l);
  EXPECT_EQ(Iol_cache_uses(l, nullptr), 0);
}

TEST_F(IolCacheTest, ListsWithNothingToReplaceAndProgramsWithoutNames) {
  const uint8_t* l = list({{code::NUM_VAR, "Z"}});
  ws.Names_id = 0;  // no table yet: nothing is cached
  for (int i = 0; i < 4; ++i) EXPECT_EQ(KestIolCache(l), l);
  EXPECT_EQ(Iol_cache_uses(l, nullptr), 0);
  program({"10 PRINT Y"});
  for (int i = 0; i < 5; ++i) EXPECT_EQ(KestIolCache(l), l);  // Z is not the program's
  bool gen = true;
  Iol_cache_uses(l, &gen);
  EXPECT_FALSE(gen);
}

TEST_F(IolCacheTest, MoreListsThanSlotsReplaceTheLeastRecentlyUsed) {
  program({"10 PRINT A"});
  std::vector<const uint8_t*> lists;
  for (int i = 0; i <= IOL_CACHE_SLOTS; ++i) lists.push_back(list({{code::NUM_VAR, "A"}}));
  for (const uint8_t* l : lists) KestIolCache(l);
  EXPECT_EQ(Iol_cache_uses(lists[0], nullptr), 0);  // the oldest went
  EXPECT_EQ(Iol_cache_uses(lists[IOL_CACHE_SLOTS], nullptr), 1);
}

TEST_F(IolCacheTest, StoredListsCarryTheNames) {
  program({"10 IOLIST A$,B,R$.F$"});
  // The compiled items of line 10 hold the program's slots.
  Find_line(10);
  const uint8_t* items = ws.Str_ptr + 3;
  std::vector<uint8_t> v;
  for (const uint8_t* p = items; *p != code::EOL; ++p) v.push_back(*p);
  ASSERT_EQ(v[0], code::STR_VAR);
  ASSERT_TRUE(v[1] & 0x80);
  Iol_names_inline(v);
  std::vector<uint8_t> want{code::STR_VAR, 2, 'A', '$', code::COMMA, code::NUM_VAR, 1, 'B', code::COMMA};
  ASSERT_GE(v.size(), want.size());
  EXPECT_EQ(std::vector<uint8_t>(v.begin(), v.begin() + long(want.size())), want);
  // A record's field was written out already and stays so.
  EXPECT_EQ(v[want.size()], code::REC_VAR);
}

}  // namespace
