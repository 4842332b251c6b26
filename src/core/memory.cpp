// Counted allocation, string blocks with their one-block cache, temporaries,
// the work area, CRC-16 and the token splitter.  Layouts are drawn in memory.h.
#include "core/memory.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/errors.h"
#include "core/sanitizer.h"
#include "core/workspace.h"

#if defined(ORU_ASAN)
#include <sanitizer/asan_interface.h>
#define ORU_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define ORU_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define ORU_POISON(p, n) ((void)(p), (void)(n))
#define ORU_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

void (*Mem_drop_programs)() = nullptr;

namespace {

constexpr size_t BLK_HDR = 16;
// Requests above this are refused without asking the host: no host can
// satisfy them, and some allocators abort instead of returning null.
constexpr size_t MAX_ALLOC = size_t(1) << 40;

Str_blk* Last_string = nullptr;  // the cached released string block

uint8_t* blk_base(const void* blk) {
  return const_cast<uint8_t*>(static_cast<const uint8_t*>(blk)) - BLK_HDR;
}

void* host_alloc(size_t size) { return size <= MAX_ALLOC ? std::malloc(size ? size : 1) : nullptr; }

// Small blocks (variable nodes, argument records, call frames' companions)
// come and go at every CALL; released ones are kept on per-size free lists
// instead of going back to the host.  Class c holds host allocations of
// (c + 1) * 16 + BLK_HDR bytes, for requests of c * 16 + 1 .. (c + 1) * 16
// bytes.  The first word of a kept block (at its base) links to the next.
// Accounting is unchanged: ws.Mem_used counts the requested size plus the
// header while a block is in use, nothing while it is kept.
constexpr size_t POOL_STEP = 16;
constexpr size_t POOL_CLASSES = 16;  // requests up to 256 bytes
constexpr uint32_t POOL_KEEP = 256;  // blocks kept per class at most
struct Blk_pool {
  void* head = nullptr;
  uint32_t count = 0;
};
std::array<Blk_pool, POOL_CLASSES> Pools;

size_t pool_class(size_t size) { return (size - 1) / POOL_STEP; }
size_t pool_bytes(size_t cls) { return (cls + 1) * POOL_STEP + BLK_HDR; }
bool pooled(size_t size) { return size > 0 && size <= POOL_CLASSES * POOL_STEP; }

void release_pools() {
  for (size_t c = 0; c < POOL_CLASSES; c++) {
    Blk_pool& pl = Pools[c];
    while (pl.head) {
      void* b = pl.head;
      ORU_UNPOISON(b, pool_bytes(c));
      pl.head = *static_cast<void**>(b);
      std::free(b);
    }
    pl.count = 0;
  }
}

// The temporary at user address tmp begins BLK_HDR bytes before it; the link
// to the next temporary is its first word.
void*& tmp_link(void* blk) { return *static_cast<void**>(blk); }

void free_array_storage(void* data, uint32_t string_elems) {
  if (!data) return;
  Str_blk** elems = static_cast<Str_blk**>(data);
  for (uint32_t i = 0; i < string_elems; i++) {
    if (elems[i]) Ret_str(elems[i]);
    elems[i] = nullptr;
  }
  Ret_blk(data);
}

void free_tmp_arrays() {
  while (ws.Tmp_arr_cnt > 0) {
    uint32_t i = --ws.Tmp_arr_cnt;
    void* data = ws.Tmp_arr_data[i];
    uint32_t elems = ws.Tmp_arr_elems[i];
    ws.Tmp_arr_data[i] = nullptr;
    ws.Tmp_arr_elems[i] = 0;
    free_array_storage(data, elems);
  }
}

void free_block_chain(void* blk) {
  while (blk) {
    void* next = tmp_link(blk);
    Ret_blk(blk);
    blk = next;
  }
}

void free_string_chain(Str_blk* s) {
  while (s) {
    Str_blk* next = s->link;
    s->link = nullptr;
    Ret_str(s);
    s = next;
  }
}

// ws.Run_flags is volatile (signal handlers set bits), so no compound assignment.
void set_run_flag(uint32_t f) { ws.Run_flags = ws.Run_flags | f; }
void clear_run_flag(uint32_t f) { ws.Run_flags = ws.Run_flags & ~f; }

bool temps_held() { return ws.Tmp_blocks || ws.Tmp_strs || ws.Tmp_arr_cnt; }

}  // namespace

// ---- raw allocation ----

namespace {

// Counts one allocation of `size` bytes and raises the memory-limit flag when
// it goes over the limit.
void charge(size_t size) {
  ws.Tot_allocs++;
  if (!ws.Prm.IZ && (size > MAX_ALLOC || ws.Mem_used + int64_t(size) > ws.Mem_limit))
    set_run_flag(RF_MEM_LIMIT);
}

// Host memory of `bytes`, charged as `size` bytes.
void* host_memory(size_t bytes, size_t size) {
  charge(size);
  void* p = host_alloc(bytes);
  if (!p) {
    release_pools();
    p = host_alloc(bytes);
  }
  if (!p && Mem_drop_programs) {
    Mem_drop_programs();
    p = host_alloc(bytes);
  }
  while (!p && Last_string) {
    Memory_chk();
    p = host_alloc(bytes);
  }
  if (!p) {
    if (ws.Nomem_soft == -1) {
      // The caller tests ws.Nomem_soft; a null result cannot be written into.
      ws.Nomem_soft = 33;
      return nullptr;
    }
    Rpt_error(err::OUT_OF_MEMORY);
  }
  ws.Mem_used += int64_t(size);
  return p;
}

}  // namespace

void* Get_memory(size_t size) { return host_memory(size, size); }

void Ret_memory(void* p, size_t size) {
  if (!p) return;
  std::free(p);
  ws.Mem_used -= int64_t(size);
}

// ---- blocks with a hidden size ----

void* Get_blk_nc(size_t size) {
  uint8_t* p;
  if (pooled(size)) {
    size_t cls = pool_class(size);
    Blk_pool& pl = Pools[cls];
    if (pl.head) {
      charge(size + BLK_HDR);
      p = static_cast<uint8_t*>(pl.head);
      ORU_UNPOISON(p, pool_bytes(cls));
      pl.head = *static_cast<void**>(pl.head);
      pl.count--;
      ws.Mem_used += int64_t(size + BLK_HDR);
    } else {
      // Kept blocks go back to the host at exit, so leak checkers see only
      // real leaks.
      static const bool released_at_exit = std::atexit(release_pools) == 0;
      (void)released_at_exit;
      p = static_cast<uint8_t*>(host_memory(pool_bytes(cls), size + BLK_HDR));
    }
  } else {
    p = static_cast<uint8_t*>(Get_memory(size <= MAX_ALLOC ? size + BLK_HDR : SIZE_MAX));
  }
  if (!p) return nullptr;
  uint64_t sz = size;
  std::memcpy(p, &sz, sizeof sz);
  std::memset(p + sizeof sz, 0, BLK_HDR - sizeof sz);
  return p + BLK_HDR;
}

void* Get_blk(size_t size) {
  void* p = Get_blk_nc(size);
  if (p) std::memset(p, 0, size);
  return p;
}

// The line-aligned block lies inside a Mem_blk of 64 more bytes; the eight
// bytes before it hold that block's address.
void* Get_blk_line(size_t size) {
  auto* b = static_cast<uint8_t*>(Get_blk_nc(size + CACHE_LINE));
  if (!b) return nullptr;
  uint8_t* p = b + (CACHE_LINE - reinterpret_cast<uintptr_t>(b) % CACHE_LINE);  // (8 to 64 bytes in)
  std::memcpy(p - sizeof b, &b, sizeof b);
  std::memset(p, 0, size);
  return p;
}

void Ret_blk_line(void* blk) {
  if (!blk) return;
  void* b;
  std::memcpy(&b, static_cast<uint8_t*>(blk) - sizeof b, sizeof b);
  Ret_blk(b);
}

size_t Blk_size(const void* blk) {
  uint64_t sz;
  std::memcpy(&sz, blk_base(blk), sizeof sz);
  return size_t(sz);
}

void Ret_blk(void* blk) {
  if (!blk) return;
  size_t size = Blk_size(blk);
  if (pooled(size)) {
    size_t cls = pool_class(size);
    Blk_pool& pl = Pools[cls];
    if (pl.count < POOL_KEEP) {
      uint8_t* base = blk_base(blk);
      *reinterpret_cast<void**>(base) = pl.head;
      pl.head = base;
      pl.count++;
      ws.Mem_used -= int64_t(size + BLK_HDR);
      // The link stays readable: the leak checker follows no pointer kept
      // in poisoned memory, and would take the rest of the list for leaks.
      ORU_POISON(base + sizeof(void*), pool_bytes(cls) - sizeof(void*));
      return;
    }
  }
  Ret_memory(blk_base(blk), size + BLK_HDR);
}

void* Realloc_blk(void* blk, size_t size) {
  if (size == 0) {
    Ret_blk(blk);
    return nullptr;
  }
  if (!blk) return Get_blk(size);
  size_t old = Blk_size(blk);
  if (old == size) return blk;
  void* p = Get_blk(size);
  if (!p) return nullptr;  // soft failure: the old block stays
  std::memcpy(p, blk, old < size ? old : size);
  Ret_blk(blk);
  return p;
}

// ---- string blocks ----

uint32_t Str_capacity(size_t n) {
  if (n <= STR_MIB) {
    uint32_t cap = 16;
    while (cap < n + 8) cap *= 4;
    return cap;
  }
  uint64_t cap = (uint64_t(n) / STR_MIB + 2) * STR_MIB;
  if (cap > UINT32_MAX) Rpt_error(err::STRING_LENGTH);
  return uint32_t(cap);
}

Str_blk* Get_str(size_t n) {
  if (n > size_t(ws.Max_strlen < 0 ? 0 : ws.Max_strlen)) Rpt_error(err::STRING_LENGTH);
  uint32_t cap = Str_capacity(n);
  Str_blk* b;
  if (Last_string && Last_string->cap == cap) {
    b = Last_string;
    Last_string = nullptr;
  } else {
    b = static_cast<Str_blk*>(Get_blk_nc(sizeof(Str_blk) + cap));
    if (!b) return nullptr;
    b->cap = cap;
  }
  b->link = nullptr;
  b->len = 0;
  return b;
}

void Ret_str(Str_blk* b) {
  if (!b) {
    Memory_chk();
    return;
  }
  if (b == Last_string) return;  // released twice: it is cached already
  if (b->cap == 0) {
    std::fputs("Locked string release error\r\n", stdout);
    std::fflush(stdout);
    // Its capacity is gone, so it could never serve a request: free it now.
    Ret_blk(b);
    return;
  }
  if (b->cap > STR_MIB) {
    Ret_blk(b);
    return;
  }
  Memory_chk();
  Last_string = b;
}

void Memory_chk() {
  if (!Last_string) return;
  Str_blk* b = Last_string;
  Last_string = nullptr;
  Ret_blk(b);
}

Str_blk* Save_str() {
  size_t n = ws.Str_len > 0 ? size_t(ws.Str_len) : 0;
  Str_blk* b = Get_str(n);
  if (!b) return nullptr;
  if (n) std::memcpy(b->bytes(), ws.Str_ptr, n);
  b->len = uint32_t(n);
  return b;
}

Str_blk* Get_str_temp(size_t n) {
  Str_blk* b = Get_str(n);
  if (b) Set_str_temp(b);
  return b;
}

void Set_str_temp(Str_blk* b) {
  b->link = ws.Tmp_strs;
  ws.Tmp_strs = b;
  set_run_flag(RF_TEMPS);
}

// ---- temporaries ----

void* Get_temp(size_t size) {
  uint8_t* blk = static_cast<uint8_t*>(Get_blk(size <= MAX_ALLOC ? size + BLK_HDR : SIZE_MAX));
  if (!blk) return nullptr;
  tmp_link(blk) = ws.Tmp_blocks;
  ws.Tmp_blocks = blk;
  set_run_flag(RF_TEMPS);
  return blk + BLK_HDR;
}

void Ret_temp_mem(void* tmp) {
  void** prev = &ws.Tmp_blocks;
  for (void* blk = ws.Tmp_blocks; blk; blk = tmp_link(blk)) {
    if (static_cast<uint8_t*>(blk) + BLK_HDR == tmp) {
      *prev = tmp_link(blk);
      Ret_blk(blk);
      if (!temps_held()) clear_run_flag(RF_TEMPS);
      return;
    }
    prev = &tmp_link(blk);
  }
  Rpt_error(err::LIBRARY_MISSING);
}

bool Hold_temp_array(void* data, uint32_t string_elems) {
  if (ws.Tmp_arr_cnt >= TMP_ARRAYS) return false;
  ws.Tmp_arr_data[ws.Tmp_arr_cnt] = data;
  ws.Tmp_arr_elems[ws.Tmp_arr_cnt] = string_elems;
  ws.Tmp_arr_cnt++;
  set_run_flag(RF_TEMPS);
  return true;
}

void Ret_temp() {
  if (ws.Pgm_flags2 & PGM2_TEMPS_PINNED) return;
  free_tmp_arrays();
  if (ws.Call_err == -2) return;  // a nested call is handing its result back
  void* blocks = ws.Tmp_blocks;
  Str_blk* strs = ws.Tmp_strs;
  ws.Tmp_blocks = nullptr;
  ws.Tmp_strs = nullptr;
  free_block_chain(blocks);
  free_string_chain(strs);
  clear_run_flag(RF_TEMPS);
}

void SaveTmpMem(Tmp_save& save) {
  save.blocks = ws.Tmp_blocks;
  save.strs = ws.Tmp_strs;
  save.arr_cnt = ws.Tmp_arr_cnt;
  for (size_t i = 0; i < TMP_ARRAYS; i++) {
    save.arr_elems[i] = ws.Tmp_arr_elems[i];
    save.arr_data[i] = ws.Tmp_arr_data[i];
    ws.Tmp_arr_elems[i] = 0;
    ws.Tmp_arr_data[i] = nullptr;
  }
  ws.Tmp_blocks = nullptr;
  ws.Tmp_strs = nullptr;
  ws.Tmp_arr_cnt = 0;
  clear_run_flag(RF_TEMPS);
}

void ResetTmpMem(Tmp_save& save) {
  if (save.blocks) {
    void** tail = &ws.Tmp_blocks;
    while (*tail) tail = &tmp_link(*tail);
    *tail = save.blocks;
  }
  if (save.strs) {
    Str_blk** tail = &ws.Tmp_strs;
    while (*tail) tail = &(*tail)->link;
    *tail = save.strs;
  }
  uint32_t n = save.arr_cnt < TMP_ARRAYS ? save.arr_cnt : uint32_t(TMP_ARRAYS);
  for (uint32_t i = 0; i < n; i++) {
    if (!Hold_temp_array(save.arr_data[i], save.arr_elems[i]))
      free_array_storage(save.arr_data[i], save.arr_elems[i]);
  }
  save = Tmp_save{};
  if (temps_held()) set_run_flag(RF_TEMPS);
}

// ---- work area ----

uint8_t* Work_take(size_t n) {
  if (!ws.Work_ptr || size_t(ws.Work_end - ws.Work_ptr) < n) Rpt_error(err::LINE_TOO_LONG);
  uint8_t* p = ws.Work_ptr;
  ws.Work_ptr += n;
  return p;
}

// ---- token splitter ----

char* GetToken(char** str, char sep) {
  char* p = *str;
  if (!p) return nullptr;
  while (*p == ' ' || *p == '\t') p++;
  if (*p == '\0') {
    *str = p;
    return nullptr;
  }
  char* tok = p;
  char* s = (sep != '\0') ? std::strchr(p, sep) : nullptr;
  if (s) {
    char* e = s;
    while (e > tok && (e[-1] == ' ' || e[-1] == '\t')) *--e = '\0';
    *s = '\0';
    *str = s + 1;
  } else {
    *str = p + std::strlen(p);
  }
  return tok;
}
