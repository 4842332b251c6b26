#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "test_util.h"

namespace {

// Every test must leave the allocator exactly where it found it.
class Mem : public ::testing::Test {
 protected:
  void SetUp() override {
    Ret_temp();
    Memory_chk();
    saved_ = ws;
    base_ = ws.Mem_used;
    ws.Work_base = ws.Work_ptr = work_.data();
    ws.Work_end = work_.data() + work_.size();
  }
  void TearDown() override {
    ws.Pgm_flags2 = 0;
    ws.Call_err = 0;
    Ret_temp();
    Memory_chk();
    EXPECT_EQ(ws.Mem_used, base_);
    EXPECT_EQ(ws.Tmp_blocks, nullptr);
    EXPECT_EQ(ws.Tmp_strs, nullptr);
    EXPECT_EQ(ws.Tmp_arr_cnt, 0u);
    int64_t used = ws.Mem_used;
    uint64_t allocs = ws.Tot_allocs;
    ws = saved_;
    ws.Mem_used = used;
    ws.Tot_allocs = allocs;
  }
  Workspace saved_;
  int64_t base_ = 0;
  std::vector<uint8_t> work_ = std::vector<uint8_t>(WORK_AREA_SIZE);
};

}  // namespace

TEST(StrCapacity, GrowthRule) {
  EXPECT_EQ(Str_capacity(0), 16u);
  EXPECT_EQ(Str_capacity(8), 16u);
  EXPECT_EQ(Str_capacity(9), 64u);
  EXPECT_EQ(Str_capacity(10), 64u);
  EXPECT_EQ(Str_capacity(1000), 1024u);
  EXPECT_EQ(Str_capacity(1017), 4096u);
  EXPECT_EQ(Str_capacity(1000000), 1048576u);
  EXPECT_EQ(Str_capacity(1048568), 1048576u);
  EXPECT_EQ(Str_capacity(1048576), 4194304u);
  EXPECT_EQ(Str_capacity(1048577), 3u * 1048576u);
  EXPECT_EQ(Str_capacity(2000000), 3u * 1048576u);
  EXPECT_EQ(Str_capacity(3u * 1048576u), 5u * 1048576u);
}

TEST_F(Mem, BlocksAreCountedExactlyAndZeroed) {
  uint64_t calls = ws.Tot_allocs;
  auto* a = static_cast<uint8_t*>(Get_blk(100));
  EXPECT_GT(ws.Mem_used, base_ + 99);
  EXPECT_EQ(Blk_size(a), 100u);
  for (int i = 0; i < 100; i++) ASSERT_EQ(a[i], 0);
  void* b = Get_blk_nc(0);
  EXPECT_EQ(Blk_size(b), 0u);
  EXPECT_EQ(ws.Tot_allocs, calls + 2);
  Ret_blk(b);
  Ret_blk(a);
  Ret_blk(nullptr);
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, ReusedSmallBlocksAreSizedZeroedAndCountedAsNew) {
  // A released 32-byte block serves a 17-byte request of the same size class:
  // it reports its new size, comes back zeroed and is counted as requested.
  auto* a = static_cast<uint8_t*>(Get_blk(32));
  std::memset(a, 0xAB, 32);
  Ret_blk(a);
  EXPECT_EQ(ws.Mem_used, base_);
  uint64_t calls = ws.Tot_allocs;
  auto* b = static_cast<uint8_t*>(Get_blk(17));
  EXPECT_EQ(b, a);
  EXPECT_EQ(ws.Tot_allocs, calls + 1);
  EXPECT_EQ(Blk_size(b), 17u);
  for (int i = 0; i < 17; i++) ASSERT_EQ(b[i], 0);
  int64_t one = ws.Mem_used - base_;
  // A 33-byte request is one class up: a different block, and the largest
  // size of the 17..32 class fits the reused block entirely.
  auto* c = static_cast<uint8_t*>(Get_blk(33));
  EXPECT_NE(c, b);
  Ret_blk(b);
  auto* d = static_cast<uint8_t*>(Get_blk(32));
  std::memset(d, 0x5A, 32);
  int64_t hdr = one - 17;
  EXPECT_EQ(ws.Mem_used - base_, 33 + 32 + 2 * hdr);
  Ret_blk(c);
  Ret_blk(d);
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, LineBlocksStartOnACacheLineZeroedAndGoBackWhole) {
  // Blocks whose host block falls at every offset within a line (a run of
  // sizes moves the pool's next block along), each filled dirty and given
  // back, then taken again: aligned, zeroed, counted and returned exactly.
  std::vector<uint8_t*> held;
  for (size_t size : {1u, 8u, 40u, 63u, 64u, 65u, 296u, 320u, 504u, 700u, 5000u}) {
    for (int round = 0; round < 2; round++) {
      auto* p = static_cast<uint8_t*>(Get_blk_line(size));
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % CACHE_LINE, 0u) << size;
      for (size_t i = 0; i < size; i++) ASSERT_EQ(p[i], 0) << size << " at " << i;
      std::memset(p, 0xC3, size);
      if (round == 0) Ret_blk_line(p);
      else held.push_back(p);
    }
  }
  EXPECT_GT(ws.Mem_used, base_);
  for (uint8_t* p : held) Ret_blk_line(p);
  Ret_blk_line(nullptr);
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST(ProgContext, MovesAsWholeCacheLines) {
  // The workspace's context and one made on its own start on a line; the
  // workspace's own fields lie after the context's last line.
  EXPECT_EQ(reinterpret_cast<uintptr_t>(static_cast<Prog_context*>(&ws)) % CACHE_LINE, 0u);
  static Prog_context lone;
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&lone) % CACHE_LINE, 0u);
  const auto* ctx_end = reinterpret_cast<const uint8_t*>(static_cast<Prog_context*>(&ws)) + sizeof(Prog_context);
  EXPECT_GE(reinterpret_cast<const uint8_t*>(&ws.Exec_ptr), ctx_end);
}

TEST_F(Mem, LimitIsCheckedOnReusedBlocks) {
  Ret_blk(Get_blk(40));
  ws.Mem_limit = ws.Mem_used + 10;
  void* a = Get_blk(40);
  EXPECT_TRUE(ws.Run_flags & RF_MEM_LIMIT);
  ws.Run_flags = ws.Run_flags & ~uint32_t(RF_MEM_LIMIT);
  Ret_blk(a);
}

TEST_F(Mem, ReallocKeepsContents) {
  auto* a = static_cast<uint8_t*>(Get_blk(8));
  std::memcpy(a, "ABCDEFGH", 8);
  EXPECT_EQ(Realloc_blk(a, 8), a);
  auto* b = static_cast<uint8_t*>(Realloc_blk(a, 20));
  EXPECT_EQ(std::memcmp(b, "ABCDEFGH", 8), 0);
  for (int i = 8; i < 20; i++) EXPECT_EQ(b[i], 0);
  auto* c = static_cast<uint8_t*>(Realloc_blk(b, 3));
  EXPECT_EQ(Blk_size(c), 3u);
  EXPECT_EQ(std::memcmp(c, "ABC", 3), 0);
  EXPECT_EQ(Realloc_blk(c, 0), nullptr);
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, LimitSetsFlagUnlessIZ) {
  ws.Run_flags = 0;
  ws.Mem_limit = ws.Mem_used + 1000;
  void* a = Get_blk(100);
  EXPECT_FALSE(ws.Run_flags & RF_MEM_LIMIT);
  void* b = Get_blk(2000);  // passing the limit is not an error
  EXPECT_TRUE(ws.Run_flags & RF_MEM_LIMIT);
  ws.Run_flags = 0;
  ws.Prm.IZ = true;
  void* c = Get_blk(2000);
  EXPECT_FALSE(ws.Run_flags & RF_MEM_LIMIT);
  Ret_blk(a);
  Ret_blk(b);
  Ret_blk(c);
}

namespace {
int drops = 0;
void count_drop() { drops++; }
}  // namespace

TEST_F(Mem, OutOfMemoryFreesCacheThenRaises33) {
  Ret_str(Get_str(100));  // now cached
  int64_t with_cache = ws.Mem_used;
  EXPECT_GT(with_cache, base_);
  drops = 0;
  Mem_drop_programs = count_drop;
  EXPECT_EQ(error_no([] { Get_blk(size_t(1) << 42); }), 33);
  Mem_drop_programs = nullptr;
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(ws.Mem_used, base_);  // the cached block went first
}

TEST_F(Mem, SoftOutOfMemoryReportsThroughNomemSoft) {
  ws.Nomem_soft = -1;
  EXPECT_EQ(Get_blk(size_t(1) << 42), nullptr);
  EXPECT_EQ(ws.Nomem_soft, 33);
  ws.Nomem_soft = -1;
  EXPECT_EQ(Get_temp(size_t(1) << 42), nullptr);
  EXPECT_EQ(ws.Tmp_blocks, nullptr);
  ws.Nomem_soft = 0;
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, StringOverMaximumIs46) {
  ws.Max_strlen = 100;
  Str_blk* s = Get_str(100);
  EXPECT_EQ(s->len, 0u);
  EXPECT_EQ(s->link, nullptr);
  EXPECT_EQ(s->cap, 256u);
  Ret_str(s);
  EXPECT_EQ(error_no([] { Get_str(101); }), 46);
}

TEST_F(Mem, ReleasedStringIsReusedForSameCapacity) {
  Str_blk* a = Get_str(10);
  a->len = 5;
  a->link = a;
  Ret_str(a);
  Str_blk* b = Get_str(40);  // same capacity 64
  EXPECT_EQ(b, a);
  EXPECT_EQ(b->len, 0u);
  EXPECT_EQ(b->link, nullptr);
  Ret_str(b);
  Str_blk* c = Get_str(100);  // other capacity: a new block; the cache stays
  EXPECT_NE(c, b);
  int64_t both = ws.Mem_used;
  Ret_str(c);  // frees the cached one, keeps c
  EXPECT_LT(ws.Mem_used, both);
  EXPECT_EQ(Get_str(100), c);
  Ret_str(c);
  Ret_str(c);  // a second release of the cached block changes nothing
  Ret_str(nullptr);
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, LargeStringsAreNotCached) {
  Str_blk* a = Get_str(1048576);
  EXPECT_EQ(a->cap, 4194304u);
  std::memset(a->bytes(), 'x', a->cap);  // the whole capacity is writable
  Ret_str(a);
  EXPECT_EQ(ws.Mem_used, base_);
  Str_blk* b = Get_str(1000000);  // 1 MiB capacity is still cached
  Ret_str(b);
  EXPECT_GT(ws.Mem_used, base_);
}

TEST_F(Mem, LockedStringReleaseReportsAndFrees) {
  Str_blk* a = Get_str(10);
  a->cap = 0;
  testing::internal::CaptureStdout();
  Ret_str(a);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Locked string release error\r\n");
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, SaveStrCopiesAccumulator) {
  static uint8_t text[] = "hello";
  ws.Str_ptr = text;
  ws.Str_len = 5;
  Str_blk* s = Save_str();
  EXPECT_EQ(s->len, 5u);
  EXPECT_EQ(std::memcmp(s->bytes(), "hello", 5), 0);
  EXPECT_NE(s->bytes(), text);
  Ret_str(s);
}

TEST_F(Mem, RetTempFreesEverything) {
  ws.Run_flags = 0;
  auto* t = static_cast<uint8_t*>(Get_temp(50));
  for (int i = 0; i < 50; i++) ASSERT_EQ(t[i], 0);
  std::memset(t, 0xFF, 50);
  Get_temp(0);
  Get_str_temp(2000);
  Set_str_temp(Get_str(5));
  EXPECT_TRUE(ws.Run_flags & RF_TEMPS);
  Ret_temp();
  EXPECT_FALSE(ws.Run_flags & RF_TEMPS);
  Memory_chk();
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, RetTempMemReleasesOneOr120) {
  void* a = Get_temp(10);
  void* b = Get_temp(20);
  void* c = Get_temp(30);
  Ret_temp_mem(b);
  EXPECT_EQ(error_no([&] { Ret_temp_mem(b); }), 120);
  int local = 0;
  EXPECT_EQ(error_no([&] { Ret_temp_mem(&local); }), 120);
  EXPECT_EQ(error_no([] { Ret_temp_mem(nullptr); }), 120);
  Ret_temp_mem(a);  // the oldest, at the end of the chain
  Ret_temp_mem(c);
  EXPECT_EQ(ws.Tmp_blocks, nullptr);
  EXPECT_FALSE(ws.Run_flags & RF_TEMPS);
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, PinnedTemporariesSurviveRetTemp) {
  void* a = Get_temp(10);
  ws.Pgm_flags2 |= PGM2_TEMPS_PINNED;
  Ret_temp();
  EXPECT_EQ(ws.Tmp_blocks, static_cast<uint8_t*>(a) - 16);
  EXPECT_TRUE(ws.Run_flags & RF_TEMPS);
  ws.Pgm_flags2 = 0;
  Ret_temp();
  EXPECT_EQ(ws.Tmp_blocks, nullptr);
}

namespace {
// Storage of a string array of n elements, each holding a string.
void* string_array(uint32_t n) {
  auto** el = static_cast<Str_blk**>(Get_blk(n * sizeof(Str_blk*)));
  for (uint32_t i = 0; i < n; i++) el[i] = i % 2 ? Get_str(i * 10) : nullptr;
  return el;
}
}  // namespace

TEST_F(Mem, TemporaryArraysAndTheSixth) {
  for (int i = 0; i < 5; i++) ASSERT_TRUE(Hold_temp_array(string_array(3 + i), 3 + i));
  void* sixth = Get_blk(40);
  EXPECT_FALSE(Hold_temp_array(sixth, 0));  // the caller clears it at once
  Ret_blk(sixth);
  EXPECT_EQ(ws.Tmp_arr_cnt, 5u);
  ws.Call_err = -2;  // a nested call hands its result back: chains stay
  void* t = Get_temp(8);
  Ret_temp();
  EXPECT_EQ(ws.Tmp_arr_cnt, 0u);
  EXPECT_EQ(ws.Tmp_blocks, static_cast<uint8_t*>(t) - 16);
  ws.Call_err = 0;
  Ret_temp();
  Memory_chk();
  EXPECT_EQ(ws.Mem_used, base_);
}

TEST_F(Mem, SaveAndResetAroundNestedExecution) {
  void* outer = Get_temp(10);
  Str_blk* outer_s = Get_str_temp(10);
  ASSERT_TRUE(Hold_temp_array(string_array(4), 4));
  Tmp_save save;
  SaveTmpMem(save);
  EXPECT_EQ(ws.Tmp_blocks, nullptr);
  EXPECT_EQ(ws.Tmp_strs, nullptr);
  EXPECT_EQ(ws.Tmp_arr_cnt, 0u);
  EXPECT_FALSE(ws.Run_flags & RF_TEMPS);

  void* inner = Get_temp(10);
  Str_blk* inner_s = Get_str_temp(10);
  for (int i = 0; i < 5; i++) ASSERT_TRUE(Hold_temp_array(Get_blk(30), 0));
  ResetTmpMem(save);  // no free slot: the saved array is freed
  EXPECT_TRUE(ws.Run_flags & RF_TEMPS);
  EXPECT_EQ(ws.Tmp_arr_cnt, 5u);
  // saved chains go behind the current ones
  EXPECT_EQ(ws.Tmp_blocks, static_cast<uint8_t*>(inner) - 16);
  EXPECT_EQ(*static_cast<void**>(ws.Tmp_blocks), static_cast<uint8_t*>(outer) - 16);
  EXPECT_EQ(ws.Tmp_strs, inner_s);
  EXPECT_EQ(inner_s->link, outer_s);
  Ret_temp_mem(outer);
}

TEST_F(Mem, ResetPutsSavedArraysInFreeSlots) {
  ASSERT_TRUE(Hold_temp_array(string_array(2), 2));
  Tmp_save save;
  SaveTmpMem(save);
  ResetTmpMem(save);
  EXPECT_EQ(ws.Tmp_arr_cnt, 1u);
  EXPECT_TRUE(ws.Run_flags & RF_TEMPS);
}

TEST_F(Mem, WorkTakeStopsAtTheEnd) {
  uint8_t* a = Work_take(100);
  EXPECT_EQ(a, work_.data());
  EXPECT_EQ(ws.Work_ptr, work_.data() + 100);
  Work_take(WORK_AREA_SIZE - 100);  // exactly full is allowed
  EXPECT_EQ(error_no([] { Work_take(1); }), 19);
  EXPECT_EQ(ws.Work_ptr, ws.Work_end);
  ws.Work_ptr = work_.data();
  EXPECT_EQ(error_no([] { Work_take(SIZE_MAX); }), 19);
}

TEST(Crc16, CheckValueAndChaining) {
  const uint8_t* s = reinterpret_cast<const uint8_t*>("123456789");
  EXPECT_EQ(crc16(s, 9, 0), 0xBB3D);
  EXPECT_EQ(crc16(s + 4, 5, crc16(s, 4, 0)), 0xBB3D);
  EXPECT_EQ(crc16(s, 0, 0x1234), 0x1234);
  const uint8_t ff[] = {0xFF};
  EXPECT_EQ(crc16(ff, 1, 0), 0x4040);
}

TEST(GetToken, SplitsAndTrims) {
  char text[] = "  alpha , beta,gamma  ,, last ";
  char* p = text;
  std::vector<std::string> toks;
  while (char* t = GetToken(&p, ',')) toks.push_back(t);
  ASSERT_EQ(toks.size(), 5u);
  EXPECT_EQ(toks[0], "alpha");
  EXPECT_EQ(toks[1], "beta");
  EXPECT_EQ(toks[2], "gamma");
  EXPECT_EQ(toks[3], "");
  EXPECT_EQ(toks[4], "last ");  // the last token ends at the end of the text
  char blank[] = "   ";
  p = blank;
  EXPECT_EQ(GetToken(&p, ','), nullptr);
}
