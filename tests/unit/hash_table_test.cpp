#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "core/hash_table.h"
#include "core/memory.h"
#include "core/workspace.h"

namespace {

class Hash : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = ws.Mem_used;
    t_ = HSH_Create();
  }
  void TearDown() override {
    EXPECT_EQ(HSH_Delete(t_), 0);
    EXPECT_EQ(ws.Mem_used, base_);
  }
  HSH_entry* add(const std::string& k, uint32_t v) { return HSH_AddKey(t_, k.data(), int(k.size()), v); }
  uint32_t get(const std::string& k) { return HSH_GetKey(t_, k.data(), int(k.size())); }
  int64_t base_ = 0;
  HSH_table* t_ = nullptr;
};

std::string key(int i) { return "key" + std::to_string(i); }

}  // namespace

TEST(HashGen, TimesThirtyThreePlusByte) {
  EXPECT_EQ(HSH_GenHash("", 0), 0u);
  EXPECT_EQ(HSH_GenHash("a", 1), 97u);
  EXPECT_EQ(HSH_GenHash("ab", 2), 97u * 33 + 98);
  // 32-bit wrap-around
  uint32_t h = 0;
  for (int i = 0; i < 20; i++) h = h * 33 + 0xFF;
  std::string ff(20, '\xFF');
  EXPECT_EQ(HSH_GenHash(ff.data(), ff.size()), h);
}

TEST_F(Hash, AddGetAndDuplicateKeepsFirst) {
  HSH_entry* e = add("alpha", 7);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->key_len, 5u);
  EXPECT_EQ(std::memcmp(e->key(), "alpha", 5), 0);
  EXPECT_EQ(add("alpha", 9), nullptr);
  EXPECT_EQ(get("alpha"), 7u);
  EXPECT_EQ(t_->count, 1u);
  EXPECT_EQ(get("Alpha"), 0u);  // exact comparison
  EXPECT_EQ(get("alph"), 0u);
  EXPECT_EQ(HSH_GetKey(t_, "alpha", -1), 7u);
  EXPECT_NE(HSH_AddKey(t_, "beta", -1, 3), nullptr);
  EXPECT_EQ(get("beta"), 3u);
}

TEST_F(Hash, BinaryAndEmptyKeys) {
  std::string a("a\0b", 3), b("a\0c", 3);
  EXPECT_NE(add(a, 1), nullptr);
  EXPECT_NE(add(b, 2), nullptr);
  EXPECT_NE(add("", 3), nullptr);
  EXPECT_EQ(get(a), 1u);
  EXPECT_EQ(get(b), 2u);
  EXPECT_EQ(get(""), 3u);
  EXPECT_EQ(get("a"), 0u);
}

TEST_F(Hash, GrowsOnTheSixtyFifthEntry) {
  EXPECT_EQ(t_->mask, 63u);
  for (int i = 0; i < 64; i++) ASSERT_NE(add(key(i), uint32_t(i + 1)), nullptr);
  EXPECT_EQ(t_->mask, 63u);
  EXPECT_EQ(t_->count, 64u);
  ASSERT_NE(add(key(64), 65), nullptr);
  EXPECT_EQ(t_->mask, 127u);
  EXPECT_EQ(t_->count, 65u);
  for (int i = 0; i <= 64; i++) EXPECT_EQ(get(key(i)), uint32_t(i + 1)) << key(i);
  for (uint32_t b = 0; b <= t_->mask; b++)
    for (HSH_entry* e = t_->buckets[b]; e; e = e->next) EXPECT_EQ(e->hash & t_->mask, b);
  for (int i = 65; i < 1000; i++) ASSERT_NE(add(key(i), uint32_t(i + 1)), nullptr);
  EXPECT_EQ(t_->mask, 1023u);
  EXPECT_EQ(get(key(999)), 1000u);
}

TEST_F(Hash, NewestFirstInABucket) {
  // "b" and the two-byte key {1, 65} both hash to 98 and share bucket 34.
  const char two[] = {1, 65};
  ASSERT_EQ(HSH_GenHash(two, 2), 98u);
  add("b", 1);
  HSH_AddKey(t_, two, 2, 2);
  HSH_entry* head = t_->buckets[98 & 63];
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->value, 2u);
  ASSERT_NE(head->next, nullptr);
  EXPECT_EQ(head->next->value, 1u);
  EXPECT_EQ(HSH_GetKey(t_, two, 2), 2u);
  EXPECT_EQ(get("b"), 1u);
}

TEST_F(Hash, DeleteKey) {
  for (int i = 0; i < 10; i++) add(key(i), uint32_t(i + 1));
  EXPECT_EQ(HSH_DelKey(t_, "key3", -1), 0);
  EXPECT_EQ(get("key3"), 0u);
  EXPECT_EQ(t_->count, 9u);
  EXPECT_EQ(HSH_DelKey(t_, "absent", -1), 0);
  EXPECT_EQ(t_->count, 9u);
  EXPECT_EQ(get("key4"), 5u);
  EXPECT_NE(add("key3", 33), nullptr);  // the key is free again
  EXPECT_EQ(get("key3"), 33u);
}

TEST_F(Hash, FindByValue) {
  add("one", 1);
  add("two", 2);
  HSH_entry* e = HSH_FndVal(t_, 2);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(e->key()), e->key_len), "two");
  EXPECT_EQ(HSH_FndVal(t_, 3), nullptr);
}

TEST_F(Hash, IteratorVisitsEachEntryOnceAndAllowsDeletion) {
  HSH_iter it;
  HSH_IndexInit(t_, &it);
  EXPECT_EQ(HSH_IndexNext(&it), nullptr);  // empty table
  for (int i = 0; i < 200; i++) add(key(i), uint32_t(i));
  std::set<uint32_t> seen;
  HSH_IndexInit(t_, &it);
  while (HSH_entry* e = HSH_IndexNext(&it)) {
    EXPECT_TRUE(seen.insert(e->value).second);
    if (e->value % 2) HSH_DelKey(t_, e->key(), int(e->key_len));
  }
  EXPECT_EQ(seen.size(), 200u);
  EXPECT_EQ(t_->count, 100u);
  EXPECT_EQ(HSH_IndexNext(&it), nullptr);  // stays at the end
}
