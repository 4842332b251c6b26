// String-keyed hash table.
//
// Table: {bucket array (mask + 1 heads), entry count, mask}; the mask starts
// at 63 and becomes 2 * mask + 1 whenever an addition finds the entry count
// above it.  Entry: {next, hash, value, key length} then the key bytes, one
// Mem_blk each.  An entry sits in bucket hash & mask; a bucket's entries are
// linked newest first.  Keys are unique.
#include "core/hash_table.h"

#include <cstring>

#include "core/memory.h"

namespace {

constexpr uint32_t HSH_FIRST_MASK = 63;

size_t key_length(const void* key, int len) {
  return len < 0 ? std::strlen(static_cast<const char*>(key)) : size_t(len);
}

HSH_entry* find_entry(HSH_table* t, const void* key, size_t len, uint32_t hash, HSH_entry*** link_out) {
  HSH_entry** link = &t->buckets[hash & t->mask];
  for (HSH_entry* e = *link; e; link = &e->next, e = e->next) {
    if (e->hash == hash && e->key_len == len && std::memcmp(e->key(), key, len) == 0) {
      if (link_out) *link_out = link;
      return e;
    }
  }
  return nullptr;
}

void HSH_Expand(HSH_table* t) {
  uint32_t mask = t->mask * 2 + 1;
  auto** buckets = static_cast<HSH_entry**>(Get_blk((size_t(mask) + 1) * sizeof(HSH_entry*)));
  if (!buckets) return;  // soft lack of memory: keep the smaller table
  for (uint32_t b = 0; b <= t->mask; b++) {
    HSH_entry* e = t->buckets[b];
    while (e) {
      HSH_entry* next = e->next;
      HSH_entry** head = &buckets[e->hash & mask];
      e->next = *head;
      *head = e;
      e = next;
    }
  }
  Ret_blk(t->buckets);
  t->buckets = buckets;
  t->mask = mask;
}

}  // namespace

uint32_t HSH_GenHash(const void* key, size_t len) {
  const auto* p = static_cast<const uint8_t*>(key);
  uint32_t h = 0;
  for (size_t i = 0; i < len; i++) h = h * 33 + p[i];
  return h;
}

HSH_table* HSH_Create() {
  auto* t = static_cast<HSH_table*>(Get_blk(sizeof(HSH_table)));
  if (!t) return nullptr;
  t->mask = HSH_FIRST_MASK;
  t->count = 0;
  t->buckets = static_cast<HSH_entry**>(Get_blk((HSH_FIRST_MASK + 1) * sizeof(HSH_entry*)));
  if (!t->buckets) {
    Ret_blk(t);
    return nullptr;
  }
  return t;
}

int HSH_Delete(HSH_table* t) {
  if (!t) return 0;
  for (uint32_t b = 0; b <= t->mask; b++) {
    HSH_entry* e = t->buckets[b];
    while (e) {
      HSH_entry* next = e->next;
      Ret_blk(e);
      e = next;
    }
  }
  Ret_blk(t->buckets);
  Ret_blk(t);
  return 0;
}

HSH_entry* HSH_AddKey(HSH_table* t, const void* key, int len, uint32_t value) {
  size_t n = key_length(key, len);
  if (t->count > t->mask) HSH_Expand(t);
  uint32_t hash = HSH_GenHash(key, n);
  if (find_entry(t, key, n, hash, nullptr)) return nullptr;
  auto* e = static_cast<HSH_entry*>(Get_blk_nc(sizeof(HSH_entry) + n));
  if (!e) return nullptr;
  e->hash = hash;
  e->value = value;
  e->key_len = uint32_t(n);
  if (n) std::memcpy(e->key(), key, n);
  HSH_entry** head = &t->buckets[hash & t->mask];
  e->next = *head;
  *head = e;
  t->count++;
  return e;
}

uint32_t HSH_GetKey(HSH_table* t, const void* key, int len) {
  size_t n = key_length(key, len);
  HSH_entry* e = find_entry(t, key, n, HSH_GenHash(key, n), nullptr);
  return e ? e->value : 0;
}

HSH_entry* HSH_FndVal(HSH_table* t, uint32_t value) {
  for (uint32_t b = 0; b <= t->mask; b++)
    for (HSH_entry* e = t->buckets[b]; e; e = e->next)
      if (e->value == value) return e;
  return nullptr;
}

int HSH_DelKey(HSH_table* t, const void* key, int len) {
  size_t n = key_length(key, len);
  HSH_entry** link = nullptr;
  HSH_entry* e = find_entry(t, key, n, HSH_GenHash(key, n), &link);
  if (e) {
    *link = e->next;
    Ret_blk(e);
    t->count--;
  }
  return 0;
}

// The iterator holds the entry it will return next, so the caller may delete
// the entry it was just given.
void HSH_IndexInit(HSH_table* t, HSH_iter* it) {
  it->table = t;
  it->bucket = 0;
  it->next = t->buckets[0];
}

HSH_entry* HSH_IndexNext(HSH_iter* it) {
  HSH_table* t = it->table;
  while (!it->next) {
    if (it->bucket >= t->mask) return nullptr;
    it->bucket++;
    it->next = t->buckets[it->bucket];
  }
  HSH_entry* e = it->next;
  it->next = e->next;
  return e;
}
