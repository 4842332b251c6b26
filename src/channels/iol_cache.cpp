// The I/O-list cache and the stored form of channel lists (iol_cache.h).
#include "channels/iol_cache.h"

#include <cstring>

#include "core/codes.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/workspace.h"

namespace {

struct Slot {
  uint32_t names_id = 0;  // 0: free
  const uint8_t* list = nullptr;
  uint8_t* copy = nullptr;
  uint32_t uses = 0;
  uint64_t stamp = 0;
  bool no_gain = false;  // generated once: no name to replace
};

Slot slots[IOL_CACHE_SLOTS];
uint64_t clock_now = 0;
int last_hit = -1;

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

bool name_code(uint8_t c) { return c == code::NUM_VAR || c == code::STR_VAR || c == code::OBJ_REF; }

void release(Slot& s) {
  if (s.copy) Ret_blk(s.copy);
  s = Slot{};
}

bool same_name(const uint8_t* a, const uint8_t* b, int n) {
  for (int i = 0; i < n; ++i)
    if (Uppercs[a[i]] != Uppercs[b[i]]) return false;
  return true;
}

// The slot of the name (len bytes at name) in the running program's
// variable table, or -1.  Entries that a data dictionary names (255) and
// names the 15-bit references cannot reach are never taken.
int32_t table_slot(const uint8_t* name, int len) {
  if (!ws.Name_index || !ws.Name_pool) return -1;
  uint32_t n = ws.Name_cnt < 0x8000 ? ws.Name_cnt : 0x8000;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t off = ws.Name_index[i];
    if (off >= ws.Name_pool_size) continue;
    const uint8_t* e = ws.Name_pool + off;
    if (e[0] != len || off + 1 + uint32_t(len) > ws.Name_pool_size) continue;
    if (same_name(e + 1, name, len)) return int32_t(i);
  }
  return -1;
}

// The copy of the items with the names the program knows replaced by their
// slots; null when no name was replaced (the list is walked as it stands).
uint8_t* generate(const uint8_t* items) {
  const uint8_t* end = Code_end(items);
  const uint8_t* p = items;
  std::vector<uint8_t> out;
  bool replaced = false;
  while (!stmt_end(*p)) {
    size_t k = Scan_size(p, end);
    uint8_t c = *p;
    if (c == code::REC_VAR) {
      // A record's field is named by the record and the field together:
      // both stay written out, as in a program's own lines.
      out.insert(out.end(), p, p + k);
      p += k;
      if (p < end && (*p == code::NUM_VAR || *p == code::STR_VAR)) {
        k = Scan_size(p, end);
        out.insert(out.end(), p, p + k);
        p += k;
      }
      continue;
    }
    if (name_code(c) && !(p[1] & 0x80) && k == size_t(p[1]) + 2) {
      int32_t idx = table_slot(p + 2, p[1]);
      if (idx >= 0) {
        out.push_back(c);
        out.push_back(uint8_t(0x80 | (idx >> 8)));
        out.push_back(uint8_t(idx));
        replaced = true;
        p += k;
        continue;
      }
    }
    out.insert(out.end(), p, p + k);
    p += k;
  }
  if (!replaced) return nullptr;
  out.push_back(code::EOL);
  auto* copy = static_cast<uint8_t*>(Get_blk(out.size()));
  std::memcpy(copy, out.data(), out.size());
  return copy;
}

Slot* find(const uint8_t* items) {
  uint32_t id = ws.Names_id;
  if (last_hit >= 0 && slots[last_hit].list == items && slots[last_hit].names_id == id) return &slots[last_hit];
  for (int i = 0; i < IOL_CACHE_SLOTS; ++i) {
    if (slots[i].list == items && slots[i].names_id == id) {
      last_hit = i;
      return &slots[i];
    }
  }
  return nullptr;
}

}  // namespace

const uint8_t* KestIolCache(const uint8_t* items) {
  if (!items || ws.Names_id == 0) return items;
  Slot* s = find(items);
  if (s) {
    s->stamp = ++clock_now;
    if (s->copy) return s->copy;
    if (s->no_gain) return items;
    if (++s->uses < IOL_CACHE_GENERATE_AT) return items;
    s->copy = generate(items);
    s->no_gain = s->copy == nullptr;
    return s->copy ? s->copy : items;
  }
  // A new list takes a free slot, else the least recently used one.
  int pick = 0;
  for (int i = 0; i < IOL_CACHE_SLOTS; ++i) {
    if (slots[i].names_id == 0) {
      pick = i;
      break;
    }
    if (slots[i].stamp < slots[pick].stamp) pick = i;
  }
  release(slots[pick]);
  slots[pick].names_id = ws.Names_id;
  slots[pick].list = items;
  slots[pick].uses = 1;
  slots[pick].stamp = ++clock_now;
  last_hit = pick;
  return items;
}

void KestIolUncache(const void* blk) {
  if (!blk) return;
  const auto* lo = static_cast<const uint8_t*>(blk);
  const uint8_t* hi = lo + Blk_size(blk);
  for (Slot& s : slots)
    if (s.names_id && s.list >= lo && s.list < hi) release(s);
}

void Iol_cache_clear() {
  for (Slot& s : slots) release(s);
  last_hit = -1;
}

int Iol_cache_uses(const uint8_t* items, bool* generated) {
  Slot* s = ws.Names_id ? find(items) : nullptr;
  if (generated) *generated = s && s->copy;
  return s ? int(s->uses) : 0;
}

void Iol_names_inline(std::vector<uint8_t>& items) {
  if (items.empty()) return;
  std::vector<uint8_t> src = items;
  src.push_back(code::EOL);
  const uint8_t* p = src.data();
  const uint8_t* end = src.data() + src.size() - 1;
  std::vector<uint8_t> out;
  while (p < end) {
    size_t k = Item_size(p, end);
    if (k == 0 || k > size_t(end - p)) return;  // damaged: left as it was
    uint8_t c = *p;
    if (name_code(c) && (p[1] & 0x80) && k == 3) {
      uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
      const uint8_t* e = idx < ws.Name_cnt ? Var_name_entry(idx) : nullptr;
      if (e && e[0] >= 1 && e[0] <= 127) {
        out.push_back(c);
        out.insert(out.end(), e, e + 1 + e[0]);
        p += k;
        continue;
      }
    }
    out.insert(out.end(), p, p + k);
    p += k;
  }
  items.swap(out);
}
