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
#include <unordered_map>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/workspace.h"
#include "programs/objects.h"
#include "programs/oop_internal.h"

namespace {

std::unordered_map<std::string, Oop_name*> registry;

std::string key_of(uint8_t kind, int len, const char* text) {
  std::string k(size_t(len) + 1, '\0');
  k[0] = char(kind);
  for (int i = 0; i < len; i++) {
    char c = text[i];
    k[size_t(i) + 1] = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
  }
  return k;
}

// The name cache of the program whose name pool is current: slot i is the
// id of name index i for kind 1 and 2.
const uint8_t* cache_pool = nullptr;
std::vector<const Oop_name*> cache_ids[2];

}  // namespace

const Oop_name* OopFindName(uint8_t kind, int len, const char* text) {
  if (len <= 0) return nullptr;
  auto it = registry.find(key_of(kind, len, text));
  return it == registry.end() ? nullptr : it->second;
}

const Oop_name* OopDefName(uint8_t kind, int len, const char* text) {
  if (len <= 0) Rpt_error(46);
  if (len > 255) Rpt_error(46);
  std::string k = key_of(kind, len, text);
  auto it = registry.find(k);
  if (it != registry.end()) return it->second;
  auto* n = static_cast<Oop_name*>(::operator new(sizeof(Oop_name) + size_t(len)));
  n->kind = kind;
  n->len = uint8_t(len);
  std::memcpy(n->text, text, size_t(len));
  n->text[len] = 0;
  registry.emplace(std::move(k), n);
  return n;
}

int OopName_count() { return int(registry.size()); }

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
  for (auto& e : registry) ::operator delete(e.second);
  registry.clear();
  cache_pool = nullptr;
  cache_ids[0].clear();
  cache_ids[1].clear();
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
  if (cache_pool != ws.Name_pool) {
    cache_pool = ws.Name_pool;
    cache_ids[0].clear();
    cache_ids[1].clear();
  }
  std::vector<const Oop_name*>& v = cache_ids[kind - 1];
  const uint8_t* e = Var_name_entry(idx);
  if (!e) Rpt_error(49);
  // A pool freed and another allocated at its address must not hand out the
  // old program's names: the hit is checked against the entry's text.
  if (idx < v.size() && v[idx] && v[idx]->len == e[0] && std::memcmp(v[idx]->text, e + 1, e[0]) == 0)
    return v[idx];
  if (e[0] == 255) Not_built("data-dictionary names of properties");
  const Oop_name* n = OopDefName(kind, e[0], reinterpret_cast<const char*>(e + 1));
  if (idx >= v.size()) v.resize(idx + 1, nullptr);
  v[idx] = n;
  return n;
}
