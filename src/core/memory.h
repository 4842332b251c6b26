// Memory blocks, string blocks, per-statement temporaries.
//
// Mem_blk: Get_blk returns zero-filled memory with a hidden size word in front
// (requested size + header); Ret_blk frees it.  Every live allocation is
// counted in ws.Mem_used; passing ws.Mem_limit sets run flag 0x200 (the
// executor then trims and refuses statements with error 31).
//
// Str_blk: header {link, capacity, length} then the bytes.  Capacities for a
// request of n bytes: the first of 16, 64, 256, 1024, ... (times 4) that is at
// least n + 8, up to 1 MiB; above, (n / 1 MiB + 2) MiB.  Capacity 0 marks a
// locked block.  One released block of at most 1 MiB is cached for reuse.
#pragma once
#include <cstddef>
#include <cstdint>

struct Str_blk {
  Str_blk* link;
  uint32_t cap;
  uint32_t len;
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
  const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this + 1); }
};

void* Get_memory(size_t size);
void Ret_memory(void* p, size_t size);
void* Get_blk(size_t size);
void* Get_blk_nc(size_t size);
void* Realloc_blk(void* blk, size_t size);
void Ret_blk(void* blk);
size_t Blk_size(const void* blk);  // the size requested for the block

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
struct Tmp_save {
  void* blocks;
  Str_blk* strs;
  uint32_t words[9];
};
void SaveTmpMem(Tmp_save& save);
void ResetTmpMem(Tmp_save& save);

// The work area: scratch space taken by advancing ws.Work_ptr; the executor
// restores the pointer before every statement.  Work_take raises error 19
// when the area is exhausted.
uint8_t* Work_take(size_t n);

// CRC-16/ARC (reflected polynomial 0xA001).
uint16_t crc16(const uint8_t* buf, size_t len, uint16_t start);
// Next blank-trimmed token separated by sep; null at the end of the string.
char* GetToken(char** str, char sep);
