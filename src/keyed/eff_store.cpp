// Keyed files, second format (EFF): the page store.  It owns the map pages
// and the header's variable part (layout in eff_format.h):
//
//   header run, file offset 2048 - 4K, 4K + 36 + G bytes
//     roots (key K-1 first) | update area | G flip bytes
//   update area: BE64 generation, BE64 record count, BE64 insert counter,
//     BE32 high-water physical page, BE16 G, 6 reserved bytes
//   map page of group g at logical = physical g*E+1 (copy 1) and g*E+2
//     (copy 2); entries of 4 bytes from byte 6: type, BE24 physical page
//
// Translation, free-page and free-space search, copy-on-write write-back,
// the flip, the update cycle, the file lock, PURGE, the physical scan, the
// map check and the transaction ends.  See eff_store.h for the design.
#include "keyed/eff_store.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>

#include "core/oru_assert.h"
#include "keyed/key_settings.h"

extern std::vector<Key_file*> Key_files;
int64_t Eff_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off);
int64_t Eff_pread(int fd, uint8_t* buf, size_t len, int64_t off);
void Kbfr_forget_file(Key_file* f);
void Kbfr_forget_nonmap(Key_file* f);
void Kbfr_relabel(Kbfr* b, uint32_t page);
void Kbfr_eff_install(uint32_t page, const uint8_t* bytes);
std::vector<Kbfr*> Kbfr_changed_pages(Key_file* f);

void (*Eff_test_hook)(int stage) = nullptr;

namespace {
uint64_t get_u64be(const uint8_t* p) { return (uint64_t(get_u32be(p)) << 32) | get_u32be(p + 4); }
void put_u64be(uint8_t* p, uint64_t v) {
  put_u32be(p, uint32_t(v >> 32));
  put_u32be(p + 4, uint32_t(v));
}

int64_t run_off(const Eff_store* e) { return eff::UPDATE - 4 * e->nkeys; }
size_t run_len(const Eff_store* e, size_t groups) { return size_t(4 * e->nkeys + eff::U_SIZE) + groups; }

void encode_run(const Eff_store* e, std::vector<uint8_t>& run) {
  run.assign(run_len(e, e->flips.size()), 0);
  int K = e->nkeys;
  for (int k = 0; k < K; ++k) put_u32be(run.data() + 4 * (K - 1 - k), e->roots[size_t(k)]);
  uint8_t* u = run.data() + 4 * K;
  put_u64be(u + eff::U_GEN, e->generation);
  put_u64be(u + eff::U_COUNT, e->count);
  put_u64be(u + eff::U_INSERTS, e->inserts);
  put_u32be(u + eff::U_HIGH, e->high);
  put_u16be(u + eff::U_GROUPS, uint16_t(e->flips.size()));
  for (size_t g = 0; g < e->flips.size(); ++g) u[eff::U_SIZE + g] = e->flips[g] & uint8_t(~eff::FLIP_CHANGED);
}

// Reads the run while the group count it holds keeps changing (at most
// three reads).  Unlocked, the run is read twice and must read the same, so
// that a read crossing another process's header write is not used.
std::vector<uint8_t> read_run(Key_file* f, bool twice) {
  Eff_store* e = Eff_of(f);
  size_t G = e->flips.empty() ? 1 : e->flips.size();
  for (int tries = 0; tries < 8; ++tries) {
    std::vector<uint8_t> run(run_len(e, G));
    int64_t r = Eff_read(f, run.data(), run.size(), run_off(e));
    if (r < 0) Key_sys_error();
    if (r != int64_t(run.size())) Key_error(3);
    size_t g2 = get_u16be(run.data() + 4 * e->nkeys + eff::U_GROUPS);
    if (g2 < 1 || g2 > size_t(e->B - eff::FLIPS)) Key_error(17);
    if (g2 != G) {
      G = g2;
      continue;
    }
    if (twice) {
      std::vector<uint8_t> again(run.size());
      if (Eff_read(f, again.data(), again.size(), run_off(e)) != int64_t(again.size()) || again != run) continue;
    }
    return run;
  }
  Key_error(3);
}

void decode_run(Eff_store* e, const std::vector<uint8_t>& run) {
  int K = e->nkeys;
  e->roots.assign(size_t(K), 0);
  for (int k = 0; k < K; ++k) e->roots[size_t(k)] = get_u32be(run.data() + 4 * (K - 1 - k));
  const uint8_t* u = run.data() + 4 * K;
  e->generation = get_u64be(u + eff::U_GEN);
  e->count = get_u64be(u + eff::U_COUNT);
  e->inserts = get_u64be(u + eff::U_INSERTS);
  e->high = get_u32be(u + eff::U_HIGH);
  size_t G = get_u16be(u + eff::U_GROUPS);
  e->flips.assign(u + eff::U_SIZE, u + eff::U_SIZE + G);
  for (uint8_t& b : e->flips) b &= uint8_t(~eff::FLIP_CHANGED);
  if (e->high < 2) Key_error(17);
}

void clear_hints(Eff_store* e) {
  e->empty_g = e->empty_i = e->space_g = e->space_i = 0;
  e->fresh.clear();
  e->rescan.clear();
}

// An entry of group g changes from type old to type now: when the group's
// flip bits could fall by it (a free entry taken, or an entry of the
// group's highest class lowered), the flip scans the group whole.
void note_change(Eff_store* e, size_t g, uint8_t old, uint8_t now) {
  uint8_t flip = e->flips[g];
  bool lowers = (old == eff::PT_FREE && now != eff::PT_FREE);
  if (uint8_t(old - (eff::PT_DATA + 1)) < 15 && (old & 15) == (flip & eff::FLIP_CLASS)) {
    bool still = uint8_t(now - (eff::PT_DATA + 1)) < 15 && (now & 15) >= (old & 15);
    lowers = lowers || !still;
  }
  if (!lowers) return;
  if (e->rescan.size() < e->flips.size()) e->rescan.resize(e->flips.size(), false);
  e->rescan[g] = true;
}

void unlock(Key_file* f) {
  Eff_store* e = Eff_of(f);
  if (e->lock_real) Key_unlock_area(f->fd, e->B, 1);
  e->lock_real = false;
  e->locked = false;
  e->ops = 0;
  f->lock_level = 0;
}

// Writes a map entry: logical page p gets physical phys (-1: keep the
// physical page and free the entry) and a type.
void inv_set(uint32_t p, int64_t phys, uint8_t type) {
  Key_file* f = K.f;
  Eff_store* e = Eff_of(f);
  uint32_t g = (p - 1) / uint32_t(e->E), i = (p - 1) % uint32_t(e->E);
  if (g >= e->flips.size()) Key_error(114);
  uint8_t& flip = e->flips[g];
  flip |= eff::FLIP_CHANGED;
  if (phys < 0) {
    // A freed entry lies at or before the free-page hint, so its physical
    // page (still used by the file on disk) is not handed out in this cycle.
    if (int(g) > e->empty_g || (int(g) == e->empty_g && int(i) >= e->empty_i)) {
      e->empty_g = int(g);
      e->empty_i = int(i);
    }
  }
  Kbfr* m = Eff_map_page(int(g));
  uint8_t* en = m->b() + 6 + 4 * i;
  note_change(e, g, en[0], type);
  if (phys < 0) {
    en[0] = type;
  } else {
    en[0] = type;
    en[1] = uint8_t(phys >> 16);
    en[2] = uint8_t(phys >> 8);
    en[3] = uint8_t(phys);
  }
  if ((type & 0xF0) == eff::PT_DATA && (type & eff::FLIP_CLASS) > (flip & eff::FLIP_CLASS))
    flip = uint8_t((flip & 0xF0) | (type & eff::FLIP_CLASS));
  if (type == eff::PT_FREE) flip |= eff::FLIP_FREE;
  Kbfr_touch(m);
  e->dirty = true;
}

uint32_t entry_phys(const uint8_t* en) { return (uint32_t(en[1]) << 16) | (uint32_t(en[2]) << 8) | en[3]; }

// Appends a map group: its two map copies are written at once, past every
// page in use.
void add_group() {
  Key_file* f = K.f;
  Eff_store* e = Eff_of(f);
  uint32_t n = uint32_t(e->flips.size());
  uint64_t first = uint64_t(n) * uint64_t(e->E) + 1;
  if (n >= uint32_t(e->B - eff::FLIPS) || first + uint64_t(e->E) - 1 > e->max_page) Key_error(16);
  std::vector<uint8_t> pg(size_t(e->B), 0);
  for (uint32_t c = 0; c < 2; ++c) {
    std::fill(pg.begin(), pg.end(), 0);
    pg[0] = eff::PT_MAP;
    put_u32be(pg.data() + 1, uint32_t(first + c));
    pg[6] = eff::PT_MAP;
    put_u32be(pg.data() + 6, (uint32_t(eff::PT_MAP) << 24) | uint32_t(first));
    put_u32be(pg.data() + 10, (uint32_t(eff::PT_MAP) << 24) | uint32_t(first + 1));
    int64_t r = Eff_pwrite(f->fd, pg.data(), pg.size(), int64_t(first + c) * e->B);
    if (r < 0) Key_sys_error();
    if (r != e->B) Key_error(8);
  }
  e->flips.push_back(eff::FLIP_FREE);
  e->high = std::max<uint32_t>(e->high, uint32_t(first + 1));
  e->dirty = true;
  Key_hdr_changed();
}

// Recomputes a group's flip bits from its map page: 0x40 with a free entry,
// the highest class of its data pages.
uint8_t group_bits(const Eff_store* e, int g, const uint8_t* map) {
  // Entries 2.. of the group whose pages are usable (logical page at most
  // max_page), read without a test per entry beyond the type's own.
  uint64_t first = uint64_t(g) * uint64_t(e->E) + 1;  // logical page of entry 0
  int64_t end = e->max_page >= first ? int64_t(e->max_page - first) + 1 : 0;
  if (end > e->E) end = e->E;
  bool any_free = false;
  int cls = 0;
  const uint8_t* t = map + 6 + 4 * 2;
  for (int64_t i = 2; i < end; ++i, t += 4) {
    uint8_t v = *t;
    any_free |= v == eff::PT_FREE;
    if (uint8_t(v - (eff::PT_DATA + 1)) < 15) cls = std::max(cls, v & 0x0F);
  }
  return uint8_t((any_free ? eff::FLIP_FREE : 0) | cls);
}

#ifdef ORU_ASSERTS
// The model check of the sanitizer build: every physical page serves one
// logical page at most (the map pages their own).  False too when a map
// page cannot be read or names a page past the groups.
bool owners_unique(Key_file* f) {
  Eff_store* e = Eff_of(f);
  uint64_t pages = uint64_t(e->flips.size()) * uint64_t(e->E);
  std::vector<bool> seen(size_t(pages) + 1, false);
  try {
    for (size_t g = 0; g < e->flips.size(); ++g) {
      const uint8_t* map = Eff_map_page(int(g))->b();
      for (int i = 0; i < e->E; ++i) {
        uint64_t p = uint64_t(g) * uint64_t(e->E) + uint64_t(i) + 1;
        if (p > e->max_page) break;
        uint32_t phys = i < 2 ? uint32_t(p) : entry_phys(map + 6 + 4 * i);
        if (!phys) phys = uint32_t(p);
        if (phys > pages || seen[phys]) return false;
        seen[phys] = true;
      }
    }
  } catch (const Oru_error&) {
    return false;
  }
  return true;
}
#endif

// Writes every changed page, flips the changed groups and writes the
// header with a new generation.  The caller holds the lock.
void commit_cycle(Key_file* f) {
  Eff_store* e = Eff_of(f);
  bool changed = e->dirty || f->hdr_changed;
  for (int round = 0; round < 4; ++round) {
    std::vector<Kbfr*> pages = Kbfr_changed_pages(f);
    if (pages.empty()) break;
    for (Kbfr* b : pages)
      if (b->file == f && b->changed && b->b()[0] != kf::BT_MAP) Kbfr_wrt(b, true);
    changed = true;
  }
  if (Eff_test_hook) Eff_test_hook(0);  // data and index pages written, no map yet
  for (size_t g = 0; g < e->flips.size(); ++g) {
    if (!(e->flips[g] & eff::FLIP_CHANGED)) continue;
    Kbfr* m = Eff_map_page(int(g));
    bool whole = g < e->rescan.size() && e->rescan[g];
    uint8_t r = whole ? group_bits(e, int(g), m->b()) : uint8_t(e->flips[g] & (eff::FLIP_FREE | eff::FLIP_CLASS));
    uint32_t first = uint32_t(g) * uint32_t(e->E) + 1;
    uint32_t other = first + ((e->flips[g] & eff::FLIP_SECOND) ? 0 : 1);
    Kbfr_relabel(m, other);
    int64_t w = Eff_write_page(f, m->b(), size_t(e->B), int64_t(other) * e->B);
    ++Key_io_stats.writes;
    if (w < 0) Key_sys_error();
    if (w != e->B) Key_error(8);
    m->changed = false;
    e->flips[g] = uint8_t(r | ((e->flips[g] ^ eff::FLIP_SECOND) & eff::FLIP_SECOND));
    changed = true;
  }
  if (Eff_test_hook) Eff_test_hook(1);  // every page written, the header not yet
  if (changed) {
    Eff_from_mirror(f);
    if (e->fixed_dirty) {  // key count, key descriptors or dictionary changed
      int64_t w = Eff_pwrite(f->fd, e->fixed, eff::FIXED, 0);
      if (w != eff::FIXED) Key_error(8);
      e->fixed_dirty = false;
    }
    ++e->generation;
    std::vector<uint8_t> run;
    encode_run(e, run);
    int64_t w = Eff_pwrite(f->fd, run.data(), run.size(), run_off(e));
    if (w < 0) Key_sys_error();
    if (w != int64_t(run.size())) Key_error(8);
    e->seen_gen = e->generation;
  }
  e->dirty = false;
  f->hdr_changed = false;
  f->touched.clear();
  clear_hints(e);
#ifdef ORU_ASSERTS
  // A file whose pages had one owner each keeps them so through every
  // commit (a damaged file seen first is not checked).
  if (changed && e->owners != 0) {
    bool ok = owners_unique(f);
    ORU_ASSERT(ok || e->owners < 0);
    e->owners = ok ? 1 : 0;
  }
#endif
}

// Runs fn with f as the engine's current file.
template <class Fn>
void with_file(Key_file* f, Fn fn) {
  Key_file* keep = K.f;
  K.f = f;
  try {
    fn();
  } catch (...) {
    K.f = keep;
    throw;
  }
  K.f = keep;
}
}  // namespace

bool Eff_is_map_page(const Eff_store* e, uint32_t p) { return p >= 1 && (p - 1) % uint32_t(e->E) < 2; }

void Eff_to_mirror(Key_file* f) {
  Eff_store* e = Eff_of(f);
  put_u32be(f->hdr + kf::H_COUNT, uint32_t(e->count));
  put_u32be(f->hdr + kf::H_AUTO, uint32_t(e->inserts));
  put_u32be(f->hdr + kf::H_LIMIT, get_u32be(e->fixed + eff::H_LIMIT));
}

void Eff_from_mirror(Key_file* f) {
  Eff_store* e = Eff_of(f);
  uint32_t c = Hdr32(f, kf::H_COUNT);
  e->count = (e->count & 0xFFFFFFFF00000000ull) | c;
  uint32_t n = Hdr32(f, kf::H_AUTO);
  if (n < uint32_t(e->inserts) && uint32_t(e->inserts) == 0xFFFFFFFFu) e->inserts += 0x100000000ull;
  e->inserts = (e->inserts & 0xFFFFFFFF00000000ull) | n;
}

// Under the lock, when other processes commit between this process's
// operations, the header run and both copies of map group 0 (pages 1 and 2,
// which follow the header page) are read in one transfer: a changed
// generation drops every cached page, and group 0's current copy would be
// read again at once.  Empty when the run does not lie in the header page
// or its group count is not the one expected.
static std::vector<uint8_t> read_run_and_maps(Key_file* f, std::vector<uint8_t>* maps) {
  Eff_store* e = Eff_of(f);
  size_t G = e->flips.empty() ? 1 : e->flips.size();
  int64_t off = run_off(e);
  size_t len = run_len(e, G);
  // Larger pages would cost more in copying than the call saved.
  if (e->B > 4096 || off < 0 || off + int64_t(len) > e->B) return {};
  size_t total = size_t(3 * int64_t(e->B) - off);
  maps->resize(total);
  int64_t r = Eff_read(f, maps->data(), total, off);
  if (r < 0) Key_sys_error();
  if (r != int64_t(total)) return {};
  if (get_u16be(maps->data() + 4 * e->nkeys + eff::U_GROUPS) != G) return {};
  return std::vector<uint8_t>(maps->begin(), maps->begin() + int64_t(len));
}

void Eff_load_header(Key_file* f) {
  Eff_store* e = Eff_of(f);
  std::vector<uint8_t> maps;
  std::vector<uint8_t> run;
  if (e->locked && e->contended && e->gen_known) run = read_run_and_maps(f, &maps);
  if (run.empty()) {
    maps.clear();
    run = read_run(f, !e->locked);
  }
  decode_run(e, run);
  Eff_to_mirror(f);
  e->dirty = false;
  f->hdr_changed = false;
  bool foreign = e->gen_known && e->seen_gen != e->generation;
  if (!e->gen_known || e->seen_gen != e->generation) {
    if (e->gen_known) {
      Kbfr_forget_file(f);
      f->data_block = 0;
      if (!e->in_txn) clear_hints(e);
    }
    e->seen_gen = e->generation;
    e->gen_known = true;
  }
  if (e->locked) e->contended = foreign;
  if (foreign && !maps.empty() && !e->flips.empty()) {
    // Group 0's current copy, read with the run.
    uint32_t copy = (e->flips[0] & eff::FLIP_SECOND) ? 2 : 1;
    with_file(f, [&] { Kbfr_eff_install(copy, maps.data() + (int64_t(copy) * e->B - run_off(e))); });
  }
}

uint64_t Eff_disk_generation(Key_file* f) {
  uint8_t g[8];
  if (Eff_read(f, g, 8, eff::UPDATE + eff::U_GEN) != 8) Key_error(3);
  return get_u64be(g);
}

void Eff_lock(Key_file* f, bool nolock) {
  Eff_store* e = Eff_of(f);
  if (e->locked) return;
  if (!nolock) {
    Key_lock_area(f->fd, e->B, 1, K.ch && K.ch->readonly ? -1 : -2);
    e->lock_real = true;
  }
  e->locked = true;
  e->ops = 0;
  try {
    Eff_load_header(f);
  } catch (...) {
    unlock(f);
    throw;
  }
}

void Eff_end_cycle(Key_file* f) {
  Eff_store* e = Eff_of(f);
  if (!e->locked || e->in_txn) return;
  try {
    with_file(f, [&] { commit_cycle(f); });
  } catch (...) {
    Eff_abort_cycle(f);
    throw;
  }
  unlock(f);
}

void Eff_abort_cycle(Key_file* f) {
  Eff_store* e = Eff_of(f);
  Kbfr_forget_file(f);
  f->data_block = 0;
  e->in_txn = false;
  if (e->fixed_dirty) {
    e->fixed_dirty = false;
    if (Eff_read(f, e->fixed, eff::FIXED, 0) == eff::FIXED) e->dict_head = get_u32be(e->fixed + eff::H_DICT);
  }
  if (e->locked) {
    try {
      Eff_load_header(f);
    } catch (...) {
    }
  }
  e->dirty = false;
  f->hdr_changed = false;
  clear_hints(e);
  if (e->locked) unlock(f);
}

Kbfr* Eff_map_page(int g) {
  Eff_store* e = Eff_of(K.f);
  if (g < 0 || size_t(g) >= e->flips.size()) Key_error(114);
  uint32_t copy = uint32_t(g) * uint32_t(e->E) + 1 + ((e->flips[size_t(g)] & eff::FLIP_SECOND) ? 1 : 0);
  Kbfr* m = Kbfr_get(copy, kf::BT_MAP);
  return m;
}

bool Eff_page_is_node(Key_file* f, uint32_t p) {
  Eff_store* e = Eff_of(f);
  if (p < 1 || p > e->max_page || Eff_is_map_page(e, p)) return false;
  uint32_t g = (p - 1) / uint32_t(e->E), i = (p - 1) % uint32_t(e->E);
  if (g >= e->flips.size()) return false;
  uint8_t t = 0;
  with_file(f, [&] { t = Eff_map_page(int(g))->b()[6 + 4 * i]; });
  return t == eff::PT_NODE;
}

uint32_t Eff_log2ps(Key_file* f, uint32_t p) {
  Eff_store* e = Eff_of(f);
  if (p < 1) Key_error(114);
  if (Eff_is_map_page(e, p)) return p;
  uint32_t g = (p - 1) / uint32_t(e->E), i = (p - 1) % uint32_t(e->E);
  if (g >= e->flips.size()) Key_error(114);
  uint32_t phys = 0;
  with_file(f, [&] { phys = entry_phys(Eff_map_page(int(g))->b() + 6 + 4 * i); });
  return phys ? phys : p;
}

uint8_t Eff_data_type(const Eff_store* e, const uint8_t* page) {
  int slots = page[5];
  int free = get_u16be(page + 6);
  int c = slots >= eff::MAX_DATA_SLOTS ? 0 : std::min(15, free * 16 / (e->B - 6));
  return uint8_t(eff::PT_DATA + std::max(0, c));
}

uint32_t Eff_get_empty_page() {
  Key_file* f = K.f;
  Eff_store* e = Eff_of(f);
  for (int rounds = 0; rounds < 3; ++rounds) {
    for (int g = e->empty_g; g < int(e->flips.size()); ++g) {
      if (g != e->empty_g) {
        e->empty_g = g;
        e->empty_i = 0;
      }
      if (!(e->flips[size_t(g)] & eff::FLIP_FREE)) continue;
      int hint_i = e->empty_i;
      Kbfr* m = Eff_map_page(g);
      if (e->empty_g != g || e->empty_i != hint_i) {
        // Reading the map page wrote another page back (copy on write),
        // which took free pages: the search goes on after them.
        g = e->empty_g - 1;
        continue;
      }
      bool whole = e->empty_i < 2;
      int start = whole ? 2 : e->empty_i + 1;
      for (int i = start; i < e->E; ++i) {
        uint64_t p = uint64_t(g) * uint64_t(e->E) + uint64_t(i) + 1;
        if (p > e->max_page) break;
        if (m->b()[6 + 4 * i] == eff::PT_FREE) {
          e->empty_g = g;
          e->empty_i = i;
          return uint32_t(p);
        }
      }
      if (whole) {
        e->flips[size_t(g)] &= uint8_t(~eff::FLIP_FREE);
        e->dirty = true;
      }
    }
    e->empty_g = int(e->flips.size());
    e->empty_i = 0;
    add_group();
  }
  Key_error(16);
}

Kbfr* Eff_page_with_space(int size) {
  Key_file* f = K.f;
  Eff_store* e = Eff_of(f);
  int c = size * 16 / (e->B - 6);
  if (c >= 14) return nullptr;
  int want = c + 2;
  int keep_g = e->space_g, keep_i = e->space_i;
  for (int g = e->space_g; g < int(e->flips.size()); ++g) {
    bool whole = !(g == e->space_g && e->space_i >= 2);
    int start = whole ? 2 : e->space_i;
    if ((e->flips[size_t(g)] & eff::FLIP_CLASS) < want) continue;
    int low = 0;
    // The map page's bytes; taken again after every call that may reuse
    // its buffer (Kbfr_get of a data page).
    const uint8_t* map = Eff_map_page(g)->b();
    for (int i = start; i < e->E; ++i) {
      uint8_t t = map[6 + 4 * i];
      if (t <= eff::PT_DATA || t > eff::PT_DATA + 15) continue;
      if ((t & 15) < want) {
        low = std::max(low, t & 15);
        continue;
      }
      uint32_t p = uint32_t(g) * uint32_t(e->E) + uint32_t(i) + 1;
      Kbfr* b = Kbfr_get(p, kf::BT_DATA);
      if (b->b()[5] < eff::MAX_DATA_SLOTS && get_u16be(b->b() + 6) >= size + 2 &&
          8 + 2 * b->b()[5] + get_u16be(b->b() + 6) <= e->B) {
        e->space_g = g;
        e->space_i = i;
        return b;
      }
      // The map's class was out of date (the page filled in this cycle):
      // it takes the page's own class now.
      uint8_t now = Eff_data_type(e, b->b());
      Kbfr* m = Eff_map_page(g);
      if (m->b()[6 + 4 * i] != now) {
        note_change(e, size_t(g), m->b()[6 + 4 * i], now);
        m->b()[6 + 4 * i] = now;
        e->flips[size_t(g)] |= eff::FLIP_CHANGED;
        Kbfr_touch(m);
        e->dirty = true;
      }
      map = Eff_map_page(g)->b();
      low = std::max(low, now & 15);
    }
    if (whole) {
      e->flips[size_t(g)] = uint8_t((e->flips[size_t(g)] & 0xF0) | low);
      e->dirty = true;
    }
    e->space_g = g + 1;
    e->space_i = 0;
  }
  e->space_g = keep_g;
  e->space_i = keep_i;
  return nullptr;
}

void Eff_page_write(Kbfr* b) {
  Key_file* f = K.f;
  Eff_store* e = Eff_of(f);
  uint32_t L = b->addr;
  uint8_t* d = b->b();
  if (get_u32be(d + 1) != L || Eff_is_map_page(e, L)) Key_error(8);
  if (!e->locked) Key_error(8);  // a page changed without the file lock
  if (d[0] == kf::BT_NODE) {
    if (b->count > 255) Key_error(106);
    d[5] = uint8_t(b->count);
  }
  b->serial = K.serial;
  uint8_t type = d[0] == eff::PT_DATA ? Eff_data_type(e, d) : d[0];
  uint32_t PF;
  if (e->fresh.count(L)) {
    // Its physical page is this cycle's own: written again in place.
    PF = Eff_log2ps(f, L);
    inv_set(L, PF, type);
  } else {
    uint32_t F = Eff_get_empty_page();
    PF = Eff_log2ps(f, F);
    uint32_t Pold = Eff_log2ps(f, L);
    inv_set(F, Pold, eff::PT_FREE);
    inv_set(L, PF, type);
    e->fresh.insert(L);
  }
  int64_t off = int64_t(PF) * e->B;
  if (off >= 0x80000000ll) Key_error(16);
  int64_t w = Eff_write_page(f, Kcrypt_out(f, d), size_t(e->B), off);
  ++Key_io_stats.writes;
  if (w < 0) Key_sys_error();
  if (w != e->B) Key_error(8);
  e->high = std::max(e->high, PF);
  b->host_off = off;
  b->changed = false;
}

void Eff_page_new(uint32_t p, uint8_t type) {
  // The entry takes the page's type at once (its physical page stays), so
  // that the page is known for what it is before its first write-back.
  Eff_store* e = Eff_of(K.f);
  uint8_t t = type == eff::PT_DATA ? uint8_t(eff::PT_DATA + 15) : type;
  e->fresh.insert(p);  // a free entry's physical page: unused by the file on disk
  uint32_t g = (p - 1) / uint32_t(e->E), i = (p - 1) % uint32_t(e->E);
  Kbfr* m = Eff_map_page(int(g));
  note_change(e, g, m->b()[6 + 4 * i], t);
  m->b()[6 + 4 * i] = t;
  e->flips[g] |= eff::FLIP_CHANGED;
  if ((t & 0xF0) == eff::PT_DATA && (t & eff::FLIP_CLASS) > (e->flips[g] & eff::FLIP_CLASS))
    e->flips[g] = uint8_t((e->flips[g] & 0xF0) | (t & eff::FLIP_CLASS));
  Kbfr_touch(m);
  e->dirty = true;
}

void Eff_page_free(Kbfr* b) {
  uint32_t L = b->addr;
  Eff_of(K.f)->fresh.erase(L);
  inv_set(L, -1, eff::PT_FREE);
  b->changed = false;
}

int Eff_check_address(uint32_t addr) {
  Eff_store* e = Eff_of(K.f);
  uint32_t p = (addr >> 8) & 0x7FFFFFu;
  if ((addr & 255) == 0 || (addr & 0x80000000u)) return 11;
  if (p < 3 || uint64_t(p) > uint64_t(e->flips.size()) * uint64_t(e->E) || p > e->max_page) return 105;
  if (Eff_is_map_page(e, p)) return 11;
  uint32_t g = (p - 1) / uint32_t(e->E), i = (p - 1) % uint32_t(e->E);
  uint8_t t = Eff_map_page(int(g))->b()[6 + 4 * i];
  if ((t & 0xF0) != eff::PT_DATA) return 11;
  return 0;
}

uint32_t Eff_next_record(uint32_t addr) {
  Eff_store* e = Eff_of(K.f);
  uint32_t p = addr ? (addr >> 8) & 0x7FFFFFu : 1;
  int s = addr ? int(addr & 255) + 1 : 1;
  uint64_t last = std::min<uint64_t>(uint64_t(e->flips.size()) * uint64_t(e->E), e->max_page);
  for (; p <= last; ++p, s = 1) {
    if (Eff_is_map_page(e, p)) continue;
    uint32_t g = (p - 1) / uint32_t(e->E), i = (p - 1) % uint32_t(e->E);
    uint8_t t = Eff_map_page(int(g))->b()[6 + 4 * i];
    if ((t & 0xF0) != eff::PT_DATA) continue;
    Kbfr* b = Kbfr_get(p, kf::BT_DATA);
    int n = std::min<int>(b->b()[5], eff::MAX_DATA_SLOTS);
    for (; s <= n; ++s)
      if (get_u16be(b->b() + 6 + 2 * s) != 0) return (p << 8) | uint32_t(s);
  }
  return 0;
}

void Eff_purge(Key_file* f) {
  Eff_store* e = Eff_of(f);
  // Pages of the cycle so far are written first; every data page and index
  // node is then freed in the map, so that the purge commits as one cycle.
  Kbfr_forget_nonmap(f);
  for (size_t g = 0; g < e->flips.size(); ++g) {
    for (int i = 2; i < e->E; ++i) {
      uint64_t p = uint64_t(g) * uint64_t(e->E) + uint64_t(i) + 1;
      if (p > e->max_page) break;
      uint8_t t = Eff_map_page(int(g))->b()[6 + 4 * i];
      if ((t & 0xF0) == eff::PT_DATA || t == eff::PT_NODE) inv_set(uint32_t(p), -1, eff::PT_FREE);
    }
  }
  std::fill(e->roots.begin(), e->roots.end(), 0);
  e->count = 0;
  e->inserts = 0;
  Eff_to_mirror(f);
  f->data_block = 0;
  e->dirty = true;
  Key_hdr_changed();
}

std::string Eff_verify_map(Key_file* f, const std::vector<uint32_t>& nodes) {
  Eff_store* e = Eff_of(f);
  std::ostringstream out;
  int problems = 0;
  auto bad = [&](const std::string& s) {
    if (++problems <= 50) out << s << "\n";
  };
  std::set<uint32_t> node_set(nodes.begin(), nodes.end());
  std::set<uint32_t> phys_used;
  std::set<uint32_t> mapped_nodes;
  uint64_t records = 0;
  for (size_t g = 0; g < e->flips.size(); ++g) {
    uint32_t first = uint32_t(g) * uint32_t(e->E) + 1;
    phys_used.insert(first);
    phys_used.insert(first + 1);
    Kbfr* m;
    try {
      m = Eff_map_page(int(g));
    } catch (const Oru_error& x) {
      bad("map group " + std::to_string(g) + ": error " + std::to_string(x.no));
      continue;
    }
    std::vector<uint8_t> map(m->b(), m->b() + e->B);
    if (get_u32be(map.data() + 6) != ((uint32_t(eff::PT_MAP) << 24) | first) ||
        get_u32be(map.data() + 10) != ((uint32_t(eff::PT_MAP) << 24) | (first + 1)))
      bad("map group " + std::to_string(g) + " does not name its own copies");
    bool any_free = false;
    int top = 0;
    for (int i = 2; i < e->E; ++i) {
      uint64_t p = uint64_t(first) + uint64_t(i);
      if (p > e->max_page) break;
      const uint8_t* en = map.data() + 6 + 4 * i;
      uint32_t phys = entry_phys(en);
      if (!phys) phys = uint32_t(p);
      if (!phys_used.insert(phys).second) bad("physical page " + std::to_string(phys) + " used twice (logical " + std::to_string(p) + ")");
      uint8_t t = en[0];
      if (t == eff::PT_FREE) {
        any_free = true;
        continue;
      }
      if ((t & 0xF0) == eff::PT_DATA) top = std::max(top, t & 15);
      if (phys > e->high) bad("logical page " + std::to_string(p) + " beyond the high-water page");
      Kbfr* b;
      int keep_kent = K.kent_sz;
      K.kent_sz = 0;  // a node of any key: its entry count is not checked here
      try {
        b = Kbfr_get(uint32_t(p), 1);
      } catch (const Oru_error& x) {
        K.kent_sz = keep_kent;
        bad("page " + std::to_string(p) + ": error " + std::to_string(x.no));
        continue;
      }
      K.kent_sz = keep_kent;
      const uint8_t* d = b->b();
      uint8_t want = (t & 0xF0) == eff::PT_DATA ? uint8_t(eff::PT_DATA) : t;
      if (d[0] != want) bad("map says " + std::to_string(t) + " for page " + std::to_string(p) + " of type " + std::to_string(d[0]));
      if (d[0] == eff::PT_NODE) {
        mapped_nodes.insert(uint32_t(p));
        if (!node_set.count(uint32_t(p))) bad("index page " + std::to_string(p) + " in no tree");
      }
      if (d[0] == eff::PT_DATA) {
        int n = d[5], fr = get_u16be(d + 6);
        if (n > eff::MAX_DATA_SLOTS || 8 + 2 * n + fr > e->B) {
          bad("data page " + std::to_string(p) + " slot table damaged");
          continue;
        }
        int used = 0;
        int lowest = e->B;
        for (int s = 1; s <= n; ++s) {
          int off = get_u16be(d + 6 + 2 * s);
          if (!off) continue;
          int at = 6 + off;
          int W = f->keylen;
          if (at + 1 + W + 2 > e->B) {
            bad("record " + std::to_string(p) + ":" + std::to_string(s) + " outside its page");
            continue;
          }
          int sl = get_u16be(d + at + 1 + W);
          int size = 1 + W + 2 + Key_data_len(f, unsigned(sl)) + 4 + (Key_continued(f, unsigned(sl)) ? 4 : 0);
          if (at + size > e->B) bad("record " + std::to_string(p) + ":" + std::to_string(s) + " outside its page");
          used += size;
          lowest = std::min(lowest, at);
          if (!(d[at] & 0x80)) ++records;
        }
        if (8 + 2 * n + fr + used != e->B) bad("data page " + std::to_string(p) + " free count " + std::to_string(fr) + " disagrees with its records");
        if (n > 0 && get_u16be(d + 6 + 2 * n) == 0) bad("data page " + std::to_string(p) + " ends in an empty slot");
        if (n == 0) bad("data page " + std::to_string(p) + " without records");
      }
    }
    uint8_t fl = e->flips[g];
    if (any_free && !(fl & eff::FLIP_FREE)) bad("map group " + std::to_string(g) + " has free pages but says none");
    if (top > (fl & eff::FLIP_CLASS)) bad("map group " + std::to_string(g) + " class below its pages'");
  }
  for (uint32_t n : node_set)
    if (!mapped_nodes.count(n)) bad("index page " + std::to_string(n) + " not mapped as an index page");
  uint32_t count = Hdr32(f, kf::H_COUNT);  // the cycle's count (the store's is written at its end)
  if (f->reclen > 0 && records != count) bad("record count " + std::to_string(count) + " but the data pages hold " + std::to_string(records));
  return out.str();
}

// ---- transactions ----

bool Eff_transaction_open() { return Key_cfg.txn_open; }

static void commit_or_rollback(bool rollback) {
  int failure = -1;
  for (Key_file* f : std::vector<Key_file*>(Key_files)) {
    Eff_store* e = Eff_of(f);
    if (!e || !e->in_txn) continue;
    e->in_txn = false;
    if (rollback || failure >= 0) {
      Eff_abort_cycle(f);
      continue;
    }
    try {
      Eff_end_cycle(f);
    } catch (const Oru_error& x) {
      failure = x.no;
    }
  }
  if (failure >= 0) Key_error(failure);
}

void EffCommit() { commit_or_rollback(false); }
void EffRollback() { commit_or_rollback(true); }
