// Keyed files, second format (EFF): creation and opening.  The creation
// writes (layout in eff_format.h):
//
//   page 0   header: fixed part, roots 0, update area (generation 0, count
//            0, inserts 0, high-water page = last page written, G = 1),
//            flip byte 0x40
//   page 1,2 the two copies of map group 0: entries 0 and 1 the copies
//            themselves (252), then one entry (253, its own page) for each
//            key-descriptor page
//   page 3.. key-descriptor items, one a key, chained in key order from
//            header bytes 20-23 (3 x 256 + 1 for the first)
//
// Opening reads the fixed part, the header run, the key-descriptor chain
// (into the engine's key layout) and walks the dictionary chain.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <strings.h>

#include "keyed/key_settings.h"
#include "keyed/eff_create.h"
#include "keyed/eff_store.h"

int64_t Eff_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off);
int64_t Eff_pread(int fd, uint8_t* buf, size_t len, int64_t off);

namespace {
uint32_t Eff_Kdef_time = 0;  // last creation stamp given in this process

// Places an item at the top of an item page's free space; the slot number.
int put_item(std::vector<uint8_t>& pg, int B, const std::vector<uint8_t>& item) {
  int n = pg[5];
  int fr = get_u16be(&pg[6]);
  if (n >= 255 || fr < int(item.size()) + 2) return 0;
  int lowest = 8 + 2 * n + fr;  // absolute offset of the lowest item
  ++n;
  fr -= 2;
  int at = lowest - int(item.size());
  std::memcpy(&pg[size_t(at)], item.data(), item.size());
  put_u16be(&pg[size_t(6 + 2 * n)], uint16_t(at - 6));
  pg[5] = uint8_t(n);
  put_u16be(&pg[6], uint16_t(fr - int(item.size())));
  (void)B;
  return n;
}
}  // namespace

void Eff_create(int fd, const Eff_create_def& def) {
  Key_settings_refresh();
  if (def.keys.empty() || def.keys[0].segs.empty()) Key_error(32);
  if (def.keys.size() > 255) Key_error(80);
  int kb = def.block_kb;
  if (kb < eff::MIN_KB) kb = eff::MIN_KB;
  if (def.rec_len > kb * 1000) kb = (def.rec_len + 999) / 1000;
  if (kb > eff::MAX_KB) kb = eff::MAX_KB;
  int B = kb * 1024;
  int ext = def.keys[0].external ? def.keys[0].segs[0].length : 0;
  if (ext > 127) Key_error(80);
  int longest = 0, nsegs = 0;
  for (size_t k = 0; k < def.keys.size(); ++k) {
    const Eff_key_desc& kd = def.keys[k];
    if (kd.segs.empty() || kd.segs.size() > 255) Key_error(80);
    int sum = 0;
    for (const Eff_seg_desc& s : kd.segs) {
      if (s.length < 1 || s.length > 127 || (s.field != 0xFFFF && s.field > 254) || s.offset > 3839) Key_error(80);
      if (s.field == 0xFFFF && !ext) Key_error(80);
      sum += s.length;
    }
    if (sum > 240) Key_error(80);
    longest = std::max(longest, sum);
    nsegs += int(kd.segs.size());
  }
  if (def.rec_len > 64000) Key_error(41);
  std::vector<uint8_t> h(size_t(B), 0);
  std::memcpy(h.data(), Key_cfg.file_id, 4);
  std::memcpy(h.data() + 4, "ky2]", 4);
  put_u16be(&h[eff::H_RECLEN], uint16_t(def.rec_len));
  put_u32be(&h[eff::H_LIMIT], uint32_t(std::max(0, def.limit)));
  put_u16be(&h[eff::H_EXTKEY], uint16_t(ext));
  uint32_t t = uint32_t(std::time(nullptr));
  if (t <= Eff_Kdef_time) t = Eff_Kdef_time + 1;
  Eff_Kdef_time = t;
  put_u32be(&h[eff::H_STAMP], t);
  put_u32be(&h[eff::H_EXPECT], uint32_t(def.expected < 0 ? -int64_t(def.expected) : def.expected));
  h[eff::H_BLKSZ] = uint8_t(kb - 1);
  uint8_t fa = def.flags_a & uint8_t(eff::FA_NULL_KEY | eff::FA_SEPARATOR | eff::FA_NO_SEPARATOR | eff::FA_JOURNAL);
  // Exactly one of the two: none given is the system's separator, both
  // (the BBx mode of SEP="*BBX*") fields without a separator.
  if (!(fa & (eff::FA_SEPARATOR | eff::FA_NO_SEPARATOR))) fa |= eff::FA_SEPARATOR;
  if (fa & eff::FA_NO_SEPARATOR) fa &= uint8_t(~eff::FA_SEPARATOR);
  h[eff::H_FLAGS_A] = fa;
  h[eff::H_FLAGS_B] = def.flags_b;
  h[eff::H_SEP] = (fa & eff::FA_SEPARATOR) ? (def.sep_given ? def.sep : uint8_t(Key_cfg.field_sep)) : 0;
  h[eff::H_KEYBUF] = uint8_t(longest + 4);
  h[eff::H_NKEYS] = uint8_t(def.keys.size());
  put_u16be(&h[eff::H_NSEGS], uint16_t(nsegs));
  h[eff::H_FORMAT] = 1;

  // Key descriptors on pages 3 and up.
  std::vector<std::vector<uint8_t>> pages;
  std::vector<uint32_t> addr(def.keys.size(), 0);
  for (size_t k = 0; k < def.keys.size(); ++k) {
    const Eff_key_desc& kd = def.keys[k];
    std::vector<uint8_t> item(size_t(eff::ITEM_HDR + eff::KEYD_FIXED + eff::KEYD_SEG * kd.segs.size()), 0);
    uint8_t* d = item.data() + eff::ITEM_HDR;
    put_u16be(item.data() + 8, uint16_t(item.size()));
    d[0] = uint8_t(k);
    d[1] = uint8_t(kd.segs.size());
    std::memcpy(d + 2, kd.name.data(), std::min<size_t>(kd.name.size(), 24));
    uint16_t kflags = 0;
    for (size_t i = 0; i < kd.segs.size(); ++i) {
      const Eff_seg_desc& s = kd.segs[i];
      uint8_t* g = d + eff::KEYD_FIXED + eff::KEYD_SEG * i;
      g[0] = uint8_t(s.length);
      g[1] = s.fill;
      put_u32be(g + 2, s.flags);
      put_u16be(g + 6, uint16_t(s.field));
      put_u16be(g + 8, uint16_t(s.offset));
      if (s.flags & kf::SF_UNIQUE) kflags |= 1;
    }
    put_u16be(d + 26, kflags);
    int slot = pages.empty() ? 0 : put_item(pages.back(), B, item);
    if (slot == 0) {
      pages.emplace_back(size_t(B), 0);
      std::vector<uint8_t>& pg = pages.back();
      pg[0] = eff::PT_KEYD;
      put_u32be(&pg[1], uint32_t(2 + pages.size()));
      put_u16be(&pg[6], uint16_t(B - 8));
      slot = put_item(pg, B, item);
      if (slot == 0) Key_error(80);
    }
    addr[k] = uint32_t(2 + pages.size()) * 256 + uint32_t(slot);
  }
  int E = (B - 6) / 4;
  if (int(pages.size()) + 2 >= E) Key_error(80);
  // Links: next and previous in key order.
  for (size_t k = 0; k < def.keys.size(); ++k) {
    uint32_t a = addr[k];
    std::vector<uint8_t>& pg = pages[(a >> 8) - 3];
    int off = 6 + get_u16be(&pg[6 + 2 * (a & 255)]);
    put_u32be(&pg[size_t(off)], k + 1 < addr.size() ? addr[k + 1] : 0);
    put_u32be(&pg[size_t(off + 4)], k > 0 ? addr[k - 1] : 0);
  }
  put_u32be(&h[eff::H_KEYD], addr[0]);
  uint32_t high = uint32_t(2 + pages.size());
  uint8_t* u = &h[eff::UPDATE];
  put_u32be(u + eff::U_HIGH, high);
  put_u16be(u + eff::U_GROUPS, 1);
  h[eff::FLIPS] = eff::FLIP_FREE;
  auto write = [&](const std::vector<uint8_t>& pg, uint32_t p) {
    int64_t r = Eff_pwrite(fd, pg.data(), pg.size(), int64_t(p) * B);
    if (r < 0) Key_sys_error();
    if (r != B) Key_error(16);
  };
  for (size_t i = 0; i < pages.size(); ++i) write(pages[i], uint32_t(3 + i));
  std::vector<uint8_t> map(size_t(B), 0);
  map[0] = eff::PT_MAP;
  put_u32be(&map[6], (uint32_t(eff::PT_MAP) << 24) | 1);
  put_u32be(&map[10], (uint32_t(eff::PT_MAP) << 24) | 2);
  for (size_t i = 0; i < pages.size(); ++i) put_u32be(&map[14 + 4 * i], (uint32_t(eff::PT_KEYD) << 24) | uint32_t(3 + i));
  for (uint32_t c = 1; c <= 2; ++c) {
    put_u32be(&map[1], c);
    write(map, c);
  }
  write(h, 0);
}

// ---- opening ----

namespace {
// Reads logical page p straight from the file (opening: no cache yet).
std::vector<uint8_t> read_page(Key_file* f, uint32_t p, uint8_t type) {
  Eff_store* e = Eff_of(f);
  std::vector<uint8_t> pg(size_t(e->B));
  uint32_t phys = p;
  if (p < 1 || p > e->max_page) Key_error(17);
  if (!Eff_is_map_page(e, p)) {
    uint32_t g = (p - 1) / uint32_t(e->E), i = (p - 1) % uint32_t(e->E);
    if (g >= e->flips.size()) Key_error(17);
    uint32_t copy = g * uint32_t(e->E) + 1 + ((e->flips[g] & eff::FLIP_SECOND) ? 1 : 0);
    std::vector<uint8_t> map = read_page(f, copy, eff::PT_MAP);
    const uint8_t* en = map.data() + 6 + 4 * i;
    phys = (uint32_t(en[1]) << 16) | (uint32_t(en[2]) << 8) | en[3];
    if (!phys) phys = p;
  }
  if (Eff_pread(f->fd, pg.data(), pg.size(), int64_t(phys) * e->B) != e->B) Key_error(17);
  if (pg[0] != type || get_u32be(pg.data() + 1) != p) Key_error(17);
  return pg;
}

// The data of the item at address a (type 253 or 251).
std::vector<uint8_t> read_item(Key_file* f, uint32_t a, uint8_t type, uint32_t* next) {
  Eff_store* e = Eff_of(f);
  std::vector<uint8_t> pg = read_page(f, (a >> 8) & 0x7FFFFFu, type);
  int s = int(a & 255);
  if (s == 0 || s > pg[5]) Key_error(17);
  int off = get_u16be(pg.data() + 6 + 2 * s);
  if (off == 0 || 6 + off + eff::ITEM_HDR > e->B) Key_error(17);
  const uint8_t* it = pg.data() + 6 + off;
  int len = get_u16be(it + 8);
  if (len < eff::ITEM_HDR || 6 + off + len > e->B) Key_error(17);
  *next = get_u32be(it);
  return std::vector<uint8_t>(it + eff::ITEM_HDR, it + len);
}
}  // namespace

// The key-segment entries the channel layer shows (FIN "KEY_DEFINITION",
// FILE_CREATE): key number in the low nibble, as far as 384 bytes go.
void Eff_segtbl_from_layout(Key_file* f) {
  const Key_layout& lay = f->lay;
  std::memset(f->segtbl, 255, sizeof f->segtbl);
  size_t at = 0;
  for (int k = 0; k < lay.nkeys; ++k) {
    for (int i = 0; i < lay.keys[k].nseg; ++i) {
      const Key_seg& sg = lay.segs[size_t(lay.keys[k].first + i)];
      bool flagged = sg.flags != 0;
      if (at + (flagged ? 8 : 4) + 4 > sizeof f->segtbl) break;
      uint8_t* en = f->segtbl + at;
      en[0] = uint8_t((k & 15) | ((sg.offset >> 8) << 4));
      en[1] = sg.field;
      en[2] = uint8_t(sg.offset);
      en[3] = sg.len_byte;
      at += 4;
      if (flagged) {
        en[4] = 254;  // the flag entry of the segment before
        en[5] = uint8_t(sg.flags);
        en[6] = uint8_t(sg.flags >> 8);
        en[7] = sg.fill;
        at += 4;
      }
    }
  }
  f->segtbl_len = int(at);
}

void Eff_load_file(Key_file* f, int sep_default) {
  auto e = std::make_shared<Eff_store>();
  f->eff = e;
  uint8_t* h = e->fixed;
  if (Eff_pread(f->fd, h, eff::FIXED, 0) != eff::FIXED) Key_error(17);
  if (std::memcmp(h + 4, "ky2]", 4) != 0) Key_error(17);
  if (h[eff::H_BLKSZ] < 3 || h[eff::H_BLKSZ] > 62) Key_error(17);
  if (h[eff::H_KEYBUF] + 5 >= 256) Key_error(17);
  e->B = (h[eff::H_BLKSZ] + 1) * 1024;
  e->E = (e->B - 6) / 4;
  e->nkeys = h[eff::H_NKEYS];
  if (e->nkeys < 1) Key_error(17);
  e->max_page = uint32_t(std::min<int64_t>(int64_t(0x7FFFFFFF) / e->B, int64_t(e->B - eff::FLIPS) * e->E));
  if (h[eff::H_FLAGS_C] & eff::FC_LARGE) Key_error_text(99, "EFF files in the large-file format are not used by this system");
  uint8_t fb = h[eff::H_FLAGS_B];
  if ((fb & eff::FB_ZLIB) && !Key_zlib_ready()) Key_error_text(99, "zlib is not available");
  int W = get_u16be(h + eff::H_EXTKEY);
  if (W > 127) Key_error(17);
  f->blk = e->B;
  f->reclen = get_u16be(h + eff::H_RECLEN);
  if (f->reclen > 64000) Key_error(17);
  f->keylen = W;
  f->slot = 0;
  f->pct = 0;
  f->threshold = 0;
  f->variable = true;
  uint8_t fa = h[eff::H_FLAGS_A];
  f->flags1 = uint8_t((fa & (eff::FA_NULL_KEY | eff::FA_SEPARATOR | eff::FA_NO_SEPARATOR | eff::FA_JOURNAL)) | kf::F1_VARIABLE);
  f->flags2 = fb & uint8_t(eff::FB_RLE | eff::FB_PIECES | eff::FB_ZLIB);
  if ((fa & eff::FA_SEPARATOR) && !(fa & eff::FA_NO_SEPARATOR)) f->sep = h[eff::H_SEP];
  else if (fa & eff::FA_NO_SEPARATOR) f->sep = -1;
  else f->sep = sep_default;
  f->seg_fd.assign(1, f->fd);
  f->nseg = 0;
  f->seg_limit = int64_t(0x7FFFFFFF);
  e->locked = false;
  Eff_load_header(f);
  // Key descriptors.
  Key_layout& lay = f->lay;
  lay = Key_layout();
  lay.nkeys = e->nkeys;
  uint32_t a = get_u32be(h + eff::H_KEYD);
  int total = 0;
  for (int k = 0; k < e->nkeys; ++k) {
    if (a == 0) Key_error(17);
    uint32_t next = 0;
    std::vector<uint8_t> d = read_item(f, a, eff::PT_KEYD, &next);
    if (d.size() < size_t(eff::KEYD_FIXED) || d[0] != k) Key_error(17);
    int s = d[1];
    if (s < 1 || d.size() < size_t(eff::KEYD_FIXED + eff::KEYD_SEG * s)) Key_error(17);
    Key_def& kd = lay.keys[k];
    kd.nseg = s;
    kd.first = int(lay.segs.size());
    int sum = 0;
    for (int i = 0; i < s; ++i) {
      const uint8_t* g = d.data() + eff::KEYD_FIXED + eff::KEYD_SEG * i;
      uint32_t fl = get_u32be(g + 2);
      int field = get_u16be(g + 6);
      int off = get_u16be(g + 8);
      Key_seg sg;
      if (g[0] < 1 || g[0] > 127 || off > 3839 || (field != 0xFFFF && field > 254)) Key_error(17);
      if (field == 0xFFFF && W == 0) Key_error(17);
      sg.field = field == 0xFFFF ? uint8_t(255) : uint8_t(field);
      sg.offset = uint16_t(off);
      sg.len_byte = uint8_t(g[0] | ((fl & eff::SEG_DESCENDING) ? 128 : 0));
      sg.flags = uint16_t(fl & 0xFFFF & ~uint32_t(eff::SEG_DESCENDING));
      sg.fill = g[1];
      if (sg.flags & kf::SF_UNIQUE) kd.unique = true;
      if (k == 0 && (sg.flags & kf::SF_DUPS)) kd.dups = true;
      if (sg.auto_number()) lay.auto_seg = int(lay.segs.size());
      sum += g[0];
      lay.segs.push_back(sg);
    }
    if (sum > 240) Key_error(17);
    kd.len = sum + ((k > 0 || kd.dups) ? 4 : 0);
    lay.max_len = std::max(lay.max_len, kd.len);
    total += s;
    a = next;
  }
  if (total > 65535) Key_error(17);
  // Key 0 from outside the record must be exactly the external key.
  const Key_seg& s0 = lay.segs[0];
  if (s0.field == 255 && (lay.keys[0].nseg != 1 || s0.len() != W)) Key_error(17);
  if (W && !(s0.field == 255 && lay.keys[0].nseg == 1)) Key_error(17);
  if (lay.keys[0].dups && s0.field == 255) Key_error(17);
  if (lay.max_len + 5 >= 256) Key_error(17);
  Eff_segtbl_from_layout(f);
  e->dict_head = get_u32be(h + eff::H_DICT);
}

