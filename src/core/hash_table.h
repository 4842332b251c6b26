// Generic string-keyed hash table: 64 buckets to start, doubling when the
// entry count passes the mask.  Keys are byte strings compared exactly; the
// value is an opaque 32-bit word.
#pragma once
#include <cstddef>
#include <cstdint>

struct HSH_entry {
  HSH_entry* next;
  uint32_t hash;
  uint32_t value;
  uint32_t key_len;
  uint8_t* key() { return reinterpret_cast<uint8_t*>(this + 1); }
};
struct HSH_table {
  HSH_entry** buckets;
  uint32_t count;
  uint32_t mask;
};
struct HSH_iter {
  HSH_table* table;
  HSH_entry* next;
  uint32_t bucket;
};

HSH_table* HSH_Create();
int HSH_Delete(HSH_table* t);
HSH_entry* HSH_AddKey(HSH_table* t, const void* key, int len, uint32_t value);
uint32_t HSH_GetKey(HSH_table* t, const void* key, int len);
HSH_entry* HSH_FndVal(HSH_table* t, uint32_t value);
int HSH_DelKey(HSH_table* t, const void* key, int len);
void HSH_IndexInit(HSH_table* t, HSH_iter* it);
HSH_entry* HSH_IndexNext(HSH_iter* it);
uint32_t HSH_GenHash(const void* key, size_t len);
// HSH_Create and HSH_AddKey return null on a soft lack of memory
// (ws.Nomem_soft); a table that cannot grow keeps working with its buckets.
