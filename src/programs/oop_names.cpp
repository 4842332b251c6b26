// The object name registry.
//
// Every class, property and method name is registered once: kind (1
// numeric, 2 string, 66 class), length, the text and a terminating zero.
// Entries never move (each is its own block), so an entry's address is the
// name's identity; names compare without regard to case.  A compiled name
// item of a program (inline, or an index into the program's name pool) is
// turned into its id through a per-program cache indexed by the name index,
// so a property access in a loop looks its name up once.
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/workspace.h"
#include "programs/objects.h"
#include "programs/oop_internal.h"

namespace {

// Open addressing over a power-of-two table, at most half full; the hash
// folds case, so "Name" and "NAME" meet at one entry.
std::vector<Oop_name*> table(64, nullptr);
size_t used = 0;

inline uint8_t fold(uint8_t c) { return (c >= 'a' && c <= 'z') ? uint8_t(c - 32) : c; }

uint32_t hash_of(uint8_t kind, int len, const char* text) {
  uint32_t h = 2166136261u ^ kind;
  for (int i = 0; i < len; i++) h = (h ^ fold(uint8_t(text[i]))) * 16777619u;
  return h ^ (h >> 15);
}

bool same(const Oop_name* n, uint8_t kind, int len, const char* text) {
  if (n->kind != kind || n->len != len) return false;
  for (int i = 0; i < len; i++)
    if (fold(uint8_t(n->text[i])) != fold(uint8_t(text[i]))) return false;
  return true;
}

// The table slot of a name: its entry, or the empty slot where it goes.
size_t slot_of(uint8_t kind, int len, const char* text) {
  size_t mask = table.size() - 1;
  size_t i = hash_of(kind, len, text) & mask;
  while (table[i] && !same(table[i], kind, len, text)) i = (i + 1) & mask;
  return i;
}

void grow() {
  std::vector<Oop_name*> old(table.size() * 2, nullptr);
  old.swap(table);
  for (Oop_name* n : old)
    if (n) table[slot_of(n->kind, n->len, n->text)] = n;
}

// The name caches of the last few variable tables (ws.Names_id: one id
// names one table, whose name index i stays the same name): slot i is the
// id of name index i for kind 1 and 2.  Program methods switch between the
// caller's table and the class program's, so more than one is kept.
struct Name_cache {
  uint32_t names_id = 0;
  std::vector<const Oop_name*> ids[2];
};
constexpr int NAME_CACHES = 4;
Name_cache caches[NAME_CACHES];
int cache_next = 0;

Name_cache& cache_for(uint32_t names_id) {
  for (Name_cache& c : caches)
    if (c.names_id == names_id) return c;
  Name_cache& c = caches[cache_next];
  cache_next = (cache_next + 1) % NAME_CACHES;
  c.names_id = names_id;
  c.ids[0].clear();
  c.ids[1].clear();
  return c;
}

// Without a table identity: the cache of the current name pool, each hit
// checked against the pool's text.
const uint8_t* cache_pool = nullptr;
std::vector<const Oop_name*> cache_ids[2];

// The system name a name's text is (any case), or SYS_NONE.
uint8_t sys_of(int len, const char* text) {
  if (len <= 0 || text[0] != '_') return SYS_NONE;
  static const char* const sys_names[] = {"_OBJ", "_CLASS$", "_REFCNT", "_PROPLIST$", "_PROPSEP$", "_PROPVALUES$",
                                          "_TYPE$"};
  for (size_t k = 0; k < sizeof sys_names / sizeof sys_names[0]; k++) {
    const char* sn = sys_names[k];
    if (std::strlen(sn) != size_t(len)) continue;
    int i = 0;
    while (i < len && fold(uint8_t(text[i])) == uint8_t(sn[i])) i++;
    if (i == len) return uint8_t(k + 1);
  }
  return SYS_NONE;
}

}  // namespace

const Oop_name* OopFindName(uint8_t kind, int len, const char* text) {
  if (len <= 0 || len > 255) return nullptr;
  return table[slot_of(kind, len, text)];
}

const Oop_name* OopDefName(uint8_t kind, int len, const char* text) {
  if (len <= 0) Rpt_error(err::STRING_LENGTH);
  if (len > 255) Rpt_error(err::STRING_LENGTH);
  size_t i = slot_of(kind, len, text);
  if (table[i]) return table[i];
  auto* n = static_cast<Oop_name*>(::operator new(sizeof(Oop_name) + size_t(len)));
  n->kind = kind;
  n->len = uint8_t(len);
  std::memcpy(n->text, text, size_t(len));
  n->text[len] = 0;
  n->sys = sys_of(len, text);
  table[i] = n;
  if (++used * 2 > table.size()) grow();
  return n;
}

const Oop_name* Oop_name_to_read(uint8_t kind, int len, const char* text) {
  if (const Oop_name* n = OopFindName(kind, len, text)) return n;
  // A system name is known before it is registered.
  return sys_of(len, text) != SYS_NONE ? OopDefName(kind, len, text) : nullptr;
}

int OopName_count() { return int(used); }

bool Oop_name_is(const Oop_name* n, const char* text) {
  size_t l = std::strlen(text);
  if (!n || n->len != l) return false;
  for (size_t i = 0; i < l; i++) {
    char a = n->text[i], b = text[i];
    if (a >= 'a' && a <= 'z') a = char(a - 32);
    if (b >= 'a' && b <= 'z') b = char(b - 32);
    if (a != b) return false;
  }
  return true;
}

void Oop_names_clear() {
  Oop_shape_changed();
  Oop_sites_clear();
  for (Oop_name*& n : table) {
    ::operator delete(n);
    n = nullptr;
  }
  used = 0;
  cache_pool = nullptr;
  cache_ids[0].clear();
  cache_ids[1].clear();
  for (Name_cache& c : caches) {
    c.names_id = 0;
    c.ids[0].clear();
    c.ids[1].clear();
  }
}

// The name of a compiled name item (code 1 or 2, inline or indexed), its
// kind the item's code; registered when new.  A string name keeps its "$".
const Oop_name* Oop_name_of_item(const uint8_t* p, int* kind_out) {
  uint8_t kind = p[0] == code::STR_VAR ? 2 : 1;
  if (kind_out) *kind_out = kind;
  if (p[1] & 0x80) return Oop_name_quick(kind, p);
  return OopDefName(kind, p[1], reinterpret_cast<const char*>(p + 2));
}

const Oop_name* Oop_name_quick(uint8_t kind, const uint8_t* p) {
  uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  if (ws.Names_id != 0) {
    std::vector<const Oop_name*>& v = cache_for(ws.Names_id).ids[kind - 1];
    if (idx < v.size())
      if (const Oop_name* n = v[idx]) return n;
    const uint8_t* e = Var_name_entry(idx);
    if (!e || e[0] == 255) Rpt_error(err::INTERNAL_CODE);
    const Oop_name* n = OopDefName(kind, e[0], reinterpret_cast<const char*>(e + 1));
    if (idx >= v.size()) v.resize(idx + 1, nullptr);
    v[idx] = n;
    return n;
  }
  if (cache_pool != ws.Name_pool) {
    cache_pool = ws.Name_pool;
    cache_ids[0].clear();
    cache_ids[1].clear();
  }
  std::vector<const Oop_name*>& v = cache_ids[kind - 1];
  if (idx < v.size() && idx < ws.Name_cnt && ws.Name_index) {
    // The common case without a call: the pool holds the name itself.
    if (const Oop_name* n = v[idx]) {
      const uint8_t* e = ws.Name_pool + ws.Name_index[idx];
      if (e[0] == n->len && std::memcmp(n->text, e + 1, n->len) == 0) return n;
    }
  }
  // A name the program holds as a data-dictionary reference comes back as
  // the element's name.
  const uint8_t* e = Var_name_entry(idx);
  if (!e || e[0] == 255) Rpt_error(err::INTERNAL_CODE);
  // A pool freed and another allocated at its address must not hand out the
  // old program's names: the hit is checked against the entry's text.
  if (idx < v.size()) {
    if (const Oop_name* n = v[idx]; n && n->len == e[0]) {
      int i = 0;
      while (i < n->len && n->text[i] == char(e[1 + i])) i++;
      if (i == n->len) return n;
    }
  }
  const Oop_name* n = OopDefName(kind, e[0], reinterpret_cast<const char*>(e + 1));
  if (idx >= v.size()) v.resize(idx + 1, nullptr);
  v[idx] = n;
  return n;
}
