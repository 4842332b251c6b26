// Memory blocks, string blocks, per-statement temporaries.
//
// Every allocation of the interpreter goes through Get_memory, which counts
// the live bytes in ws.Mem_used.  Passing ws.Mem_limit sets run flag 0x200
// (the executor then trims and refuses statements with error 31) unless
// system parameter IZ is set.  Running out of host memory is error 33, or,
// with ws.Nomem_soft at -1, a null result and 33 stored in ws.Nomem_soft.
//
// Mem_blk (Get_blk, Get_blk_nc):
//   [-16] u64 requested size, then 8 spare bytes (keeps the block 16-aligned)
//   [0]   the caller's bytes; zero-filled by Get_blk, left as found by Get_blk_nc
// The allocation counted is the requested size + 16.
//
// Str_blk: header {link, capacity, length} then capacity bytes.  It lives in
// a Mem_blk, so its true size is always known, even for a locked block.
// Capacities for a request of n bytes: the first of 16, 64, 256, 1024, ...
// (times 4) that is at least n + 8, while n is at most 1 MiB; above that
// (n / 1 MiB + 2) MiB.  Capacity 0 marks a locked block.  One released block
// of at most 1 MiB is cached and handed to the next request of that capacity.
//
// Temporaries live until the executor calls Ret_temp after the statement:
//   ws.Tmp_blocks  chain of Get_temp blocks; the first 16 bytes of each hold
//                  the link to the next, the caller gets the bytes after them
//   ws.Tmp_strs    chain of string blocks through their link word
//   ws.Tmp_arr_*   up to 5 array storages: a Mem_blk holding either numeric
//                  elements (element count 0) or one Str_blk* per element
// Run flag 0x100 is set while anything is held.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/crc16.h"  // crc16, kept here for its users

struct Str_blk {
  Str_blk* link;
  uint32_t cap;
  uint32_t len;
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
  const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this + 1); }
};

// A whole new value of n bytes (n > 0) is copied over the old one in its
// own block when the block holds it with fewer than 64 bytes to spare (a
// block much larger than its value is given back instead); a locked block
// has capacity 0.
inline bool Str_fits_in_place(const Str_blk* b, size_t n) {
  return b && n > 0 && n < 10000 && b->cap >= n && b->cap - n < 64;
}

constexpr uint32_t STR_MIB = 1048576;
constexpr size_t TMP_ARRAYS = 5;
constexpr uint32_t PGM2_TEMPS_PINNED = 0x400;  // ws.Pgm_flags2: Ret_temp keeps everything

void* Get_memory(size_t size);
void Ret_memory(void* p, size_t size);
void* Get_blk(size_t size);
void* Get_blk_nc(size_t size);
void* Realloc_blk(void* blk, size_t size);
void Ret_blk(void* blk);
// A zero-filled block whose bytes start on a cache line (64 bytes), for
// the blocks that are moved whole in 32-byte pieces (program contexts):
// a move that straddles two lines costs twice.  Null when there is no
// memory (as Get_blk_nc); given back by Ret_blk_line only.
constexpr size_t CACHE_LINE = 64;
void* Get_blk_line(size_t size);
void Ret_blk_line(void* blk);
size_t Blk_size(const void* blk);  // the size requested for the block

// Called once when the host allocator first fails, to drop cached programs;
// null while there is no program cache.
extern void (*Mem_drop_programs)();

uint32_t Str_capacity(size_t n);
Str_blk* Get_str(size_t n);
Str_blk* Get_str_temp(size_t n);
void Set_str_temp(Str_blk* b);
void Ret_str(Str_blk* b);
Str_blk* Save_str();  // copy of the string accumulator
void Memory_chk();

void* Get_temp(size_t size);
void Ret_temp();
void Ret_temp_mem(void* tmp);
// Hands an array's storage (a Mem_blk; string_elems Str_blk* in it, 0 for a
// numeric array) to the temporaries.  False when all 5 slots are taken: the
// caller keeps the storage and clears the array at once.
bool Hold_temp_array(void* data, uint32_t string_elems);
struct Tmp_save {
  void* blocks;
  Str_blk* strs;
  uint32_t arr_cnt;
  uint32_t arr_elems[TMP_ARRAYS];
  void* arr_data[TMP_ARRAYS];
};
void SaveTmpMem(Tmp_save& save);
void ResetTmpMem(Tmp_save& save);

// The work area: scratch space taken by advancing ws.Work_ptr; the executor
// restores the pointer before every statement.  Work_take raises error 19
// when the area is exhausted.
uint8_t* Work_take(size_t n);

// Next token separated by sep, leading blanks skipped and the blanks before
// the separator cut off; null at the end of the string.  Writes NULs into
// the string and moves *str past the token.
char* GetToken(char** str, char sep);
