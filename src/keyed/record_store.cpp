// Keyed files, first format: record storage.
//
// Record image in memory (K.rec_bfr): key-0 image (length byte + key length
// bytes; bit 7 of the length byte marks an extension record), BE16 data
// length, data.
//
// Fixed-length slot at its address (record address = file offset):
//   key-0 image | BE16 length | data (record length bytes)
//   deleted:     255 | BE32 -(next deleted slot)        chain head: header 24
//
// Data block of variable-length records (record address = block | slot):
//   0    type 128          1..4 own address      5  slot count
//   6..7 BE16 free bytes   6+2s BE16 offset of slot s (from byte 6; 0 empty)
//   bodies packed downward from the end of the block:
//     key-0 image | BE16 stored length (bit 15: extension follows) |
//     stored data (compressed under flags2 bit 0 or 6) | [BE32 extension]
//   free = B - 8 - 2 x slots - sum of bodies; every body lies inside the
//   block (a body that would reach past it is error 113, never read).
//
// Run-length code (flags2 bit 0): BE16 code length, then codes
//   1..127  literal of c bytes     128..239 run: next byte x (c - 128)
//   240 b   b + 111 zero bytes     241 (first code only) plain data follows
//   other codes are invalid (error 118).
#include <algorithm>
#include <cstring>

#include "core/oru_assert.h"
#include "keyed/key_settings.h"
#include "keyed/eff_store.h"
#include "keyed/keyed_internal.h"

int64_t Key_pread(int fd, uint8_t* buf, size_t len, int64_t off);
int64_t Key_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off);

namespace {
bool keeps_lock() {
  int d = K.directive;
  return d == DIR_EXTRACT || d == DIR_WRITE || d == DIR_INSERT || d == DIR_UPDATE || d == DIR_REMOVE || K.lock_opt;
}

// EFF records carry their sequence after the data; data pages hold at most
// 254 records and are known by their logical page number.
bool eff() { return K.f->eff != nullptr; }
int seq_size() { return eff() ? 4 : 0; }
uint32_t page_of(uint32_t addr) { return eff() ? (addr >> 8) & 0x7FFFFFu : addr & ~255u; }
uint32_t addr_of(Kbfr* b, int s) { return eff() ? (b->addr << 8) | uint32_t(s) : b->addr | uint32_t(s); }
int slot_cap() { return eff() ? eff::MAX_DATA_SLOTS : 255; }

int free_of(Kbfr* b) { return get_u16be(b->b() + 6); }
void set_free(Kbfr* b, int v) { put_u16be(b->b() + 6, uint16_t(v)); }
int slots_of(Kbfr* b) { return b->b()[5]; }
int slot_off(Kbfr* b, int s) { return get_u16be(b->b() + 6 + 2 * s); }
void set_slot_off(Kbfr* b, int s, int v) { put_u16be(b->b() + 6 + 2 * s, uint16_t(v)); }

// Size of the body at offset off (from byte 6), or -1 when it does not lie
// inside the block.
int body_size(Kbfr* b, int off) {
  Key_file* f = K.f;
  int64_t start = 6 + int64_t(off);
  int64_t hdr = 1 + f->keylen + 2;
  if (off < 1 || start + hdr > f->blk) return -1;
  int sl = get_u16be(b->b() + start + 1 + f->keylen);
  int64_t size = hdr + Key_data_len(f, unsigned(sl)) + seq_size() + (Key_continued(f, unsigned(sl)) ? 4 : 0);
  if (start + size > f->blk) return -1;
  return int(size);
}

// The stored form of a record image: key image, BE16 stored length, stored
// data, with room for the extension address.
std::vector<uint8_t> stored_body(const uint8_t* image, uint32_t ext) {
  Key_file* f = K.f;
  int kl = 1 + f->keylen;
  int n = Key_data_len(f, get_u16be(image + kl));
  std::vector<uint8_t> out(size_t(kl + 2 + 2 * n + 300));
  std::memcpy(out.data(), image, size_t(kl));
  int stored;
  if (f->flags2 & (kf::F2_RLE | kf::F2_ZLIB)) {
    std::vector<uint8_t> in(size_t(n + 2));
    put_u16be(in.data(), uint16_t(n));
    std::memcpy(in.data() + 2, image + kl + 2, size_t(n));
    stored = compressBuf(out.data() + kl, in.data(), f->flags2);
    if (stored < -1) Key_error(118);
  } else {
    put_u16be(out.data() + kl, uint16_t(n));
    std::memcpy(out.data() + kl + 2, image + kl + 2, size_t(n));
    stored = n;
  }
  size_t size = size_t(kl + 2 + stored);
  if (eff()) {
    int dlen = Key_data_len(f, get_u16be(image + kl));
    std::memcpy(out.data() + size, image + kl + 2 + dlen, 4);
    size += 4;
  }
  if (ext) {
    out[size_t(kl)] |= 0x80;
    put_u32be(out.data() + size, ext);
    size += 4;
  }
  out.resize(size);
  return out;
}

void set_image(const uint8_t* body, int avail, uint32_t addr) {
  Key_file* f = K.f;
  int kl = 1 + f->keylen;
  K.rec_bfr.assign(size_t(Key_image_size(f)), 0);
  std::memcpy(K.rec_bfr.data(), body, size_t(kl));
  if ((body[0] & 127) > f->keylen) Key_error(112);
  int sl = get_u16be(body + kl);
  bool ext = (sl & 0x8000) && (f->flags2 & kf::F2_EXTENDED);
  int n = Key_data_len(f, unsigned(sl));
  if (!(f->flags2 & kf::F2_EXTENDED) && !Key_len16(f) && (sl & 0x8000)) Key_error(108);
  if (kl + 2 + n + seq_size() + (ext ? 4 : 0) > avail) Key_error(113);
  K.rec_ext = ext ? get_u32be(body + kl + 2 + n + seq_size()) : 0;
  K.rec_seq = eff() ? get_u32be(body + kl + 2 + n) : 0;
  int len;
  if (f->flags2 & (kf::F2_RLE | kf::F2_ZLIB)) {
    std::vector<uint8_t> in(size_t(n + 2));
    put_u16be(in.data(), uint16_t(n));
    std::memcpy(in.data() + 2, body + kl + 2, size_t(n));
    len = un_CompressBuf(K.rec_bfr.data() + kl, in.data(), f->reclen, f->flags2);
    if (len == -3) Key_error(108);
    if (len < -1) Key_error(118);
  } else {
    if (n > f->reclen) Key_error(108);
    put_u16be(K.rec_bfr.data() + kl, uint16_t(n));
    std::memcpy(K.rec_bfr.data() + kl + 2, body + kl + 2, size_t(n));
    len = n;
  }
  // Both paths bounded the record by the file's record length, for which
  // the image has room.
  ORU_ASSERT(len >= 0 && size_t(kl + 2 + len + (eff() ? 4 : 0)) <= K.rec_bfr.size());
  K.rec_sz = len;
  K.rec_addr = addr;
  if (eff()) put_u32be(K.rec_bfr.data() + kl + 2 + len, K.rec_seq);
}

// ---- fixed-length slots ----

bool slot_addr_ok(const Key_file* f, uint32_t addr) {
  uint32_t grid0 = kf::FIRST_BLOCK + uint32_t(f->blk);
  return addr >= grid0 && (addr - grid0) % uint32_t(f->slot) == 0 &&
         uint64_t(addr) + uint64_t(f->slot) <= Hdr32(f, kf::H_EOF);
}

// The bytes of a slot its record uses: key image, stored length, data,
// sequence number and extension address.
int64_t slot_used(const Key_file* f, const uint8_t* slot) {
  unsigned sl = get_u16be(slot + 1 + f->keylen);
  return 1 + f->keylen + 2 + Key_data_len(f, sl) + seq_size() + (Key_continued(f, sl) ? 4 : 0);
}

int Kfix_read(uint32_t addr) {
  Key_file* f = K.f;
  if (!slot_addr_ok(f, addr)) return 11;
  Kfix_flush_pending(f);
  const int kl = 1 + f->keylen;
  const int64_t head = std::min<int64_t>(kl + 2, f->slot);
  // With SR the first read asks for 1.25 times the average of the slots
  // read so far (at most the slot); a second read fetches the rest of a
  // longer record.  The bytes after the record stay zero.
  int64_t want = f->slot;
  if (Key_cfg.short_slots && f->slot_reads > 0)
    want = std::clamp<int64_t>(int64_t(f->slot_bytes_read / f->slot_reads) * 5 / 4, head, f->slot);
  Kvar_rlck(addr, uint32_t(f->slot));
  std::vector<uint8_t> slot(size_t(f->slot));
  int64_t r = Key_pread(f->fd, slot.data(), size_t(want), addr);
  int64_t used = 0;
  if (r >= head && slot[0] != 255) {
    used = slot_used(f, slot.data());
    if (used > r && r == want && used <= f->slot) {
      int64_t more = Key_pread(f->fd, slot.data() + r, size_t(used - r), int64_t(addr) + r);
      if (more > 0) r += more;
    }
  }
  if (!keeps_lock()) Rec_unlock(K.ch);
  if (r < 0) Key_sys_error();
  if (r < 1) return 111;
  if (slot[0] == 255) return 11;
  if (r < head) return 111;
  if ((slot[0] & 127) > f->keylen) return 112;
  int n = get_u16be(slot.data() + kl) & ((f->flags2 & kf::F2_EXTENDED) ? 0x7FFF : 0xFFFF);
  if (n > f->reclen) return 108;
  // A slot written as far as its record went (SR) ends the file early.
  if (r < std::min<int64_t>(used, f->slot)) return 111;
  if (Key_cfg.short_slots) {
    if (f->slot_reads == UINT32_MAX || f->slot_bytes_read > UINT64_MAX / 2) f->slot_bytes_read = f->slot_reads = 0;
    f->slot_bytes_read += uint64_t(std::min<int64_t>(used, f->slot));
    ++f->slot_reads;
  }
  set_image(slot.data(), int(slot.size()), addr);
  if (f->sep != -1 && !Key_cfg.no_pad && !(f->flags2 & (kf::F2_RLE | kf::F2_ZLIB))) {
    put_u16be(K.rec_bfr.data() + kl, uint16_t(f->reclen));
    K.rec_sz = f->reclen;
  }
  return 0;
}

// Appended slots of a channel working without locks (the file held whole)
// gather in memory until the statement ends (or 64 KB of them); any other
// write or read of a slot, every block write, the header write, the end of
// the statement and the close write them first, so that no index entry or
// header reaches the file before its record.
constexpr size_t PEND_LIMIT = 65536;

void write_slot(uint32_t addr, const uint8_t* bytes, size_t len, bool append = false) {
  Key_file* f = K.f;
  Key_chan* ch = K.ch;
  if (append && ch->nolock && !ch->readonly && len == size_t(f->slot) &&
      (f->pend.empty() || int64_t(addr) == f->pend_off + int64_t(f->pend.size()))) {
    if (f->pend.empty()) f->pend_off = addr;
    f->pend.insert(f->pend.end(), bytes, bytes + len);
    if (f->pend.size() >= PEND_LIMIT) Kfix_flush_pending(f);
    return;
  }
  Kfix_flush_pending(f);
  bool own = ch->lock_held && ch->lock_addr == addr;
  if (!own) Rec_busy_here(ch, addr);
  if (!own && !ch->nolock) Key_lock_area(f->fd, addr, f->slot, 2);
  int64_t r = Key_pwrite(f->fd, bytes, len, addr);
  if (!own && !ch->nolock) Key_unlock_area(f->fd, addr, f->slot);
  if (r != int64_t(len)) Key_error(2);
}

// The slot of a fixed-length record: its stored body, zero bytes to the
// slot's size, and the data length written when the record was filled out
// to the record length (K.fill_len).
static std::vector<uint8_t> fixed_slot(const uint8_t* image) {
  Key_file* f = K.f;
  std::vector<uint8_t> slot(size_t(f->slot), 0);
  std::vector<uint8_t> body = stored_body(image, 0);
  if (body.size() > slot.size()) Key_error(1);
  std::memcpy(slot.data(), body.data(), body.size());
  if (K.fill_len >= 0 && size_t(1 + f->keylen + 2) <= slot.size()) put_u16be(slot.data() + 1 + f->keylen, uint16_t(K.fill_len));
  return slot;
}

// The bytes of a slot to write: the whole slot, or with SR only as far as
// its record goes.
size_t slot_write_len(const std::vector<uint8_t>& slot) {
  if (!Key_cfg.short_slots || slot.size() < size_t(1 + K.f->keylen + 2)) return slot.size();
  return size_t(std::min<int64_t>(slot_used(K.f, slot.data()), int64_t(slot.size())));
}

uint32_t Kfix_add(const uint8_t* image) {
  Key_file* f = K.f;
  uint32_t head = Hdr32(f, kf::H_FREE1);
  uint32_t addr;
  bool append = !head;
  if (head) {
    Kfix_flush_pending(f);
    uint8_t d[5];
    if (!slot_addr_ok(f, head) || Key_pread(f->fd, d, 5, head) != 5 || d[0] != 255 || get_i32be(d + 1) > 0)
      Key_error(109);
    Hdr32_set(f, kf::H_FREE1, 0u - get_u32be(d + 1));
    addr = head;
  } else {
    if (Hdr32(f, kf::H_COUNT) == 1) Kbfr_free(Kbfr_new(kf::BT_NODE));
    uint32_t end = Hdr32(f, kf::H_EOF);
    uint32_t grid0 = kf::FIRST_BLOCK + uint32_t(f->blk);
    if (end < grid0) end = grid0;
    uint64_t a = uint64_t(end - grid0 + uint32_t(f->slot) - 1) / uint32_t(f->slot) * uint32_t(f->slot) + grid0;
    if (a + uint64_t(f->slot) >= kf::FILE_LIMIT) Key_error(16);
    addr = uint32_t(a);
    Hdr32_set(f, kf::H_EOF, uint32_t(a + uint64_t(f->slot)));
  }
  std::vector<uint8_t> slot = fixed_slot(image);
  write_slot(addr, slot.data(), slot_write_len(slot), append);
  return addr;
}

void Kfix_del(uint32_t addr) {
  Key_file* f = K.f;
  uint8_t d[5];
  d[0] = 255;
  put_u32be(d + 1, 0u - Hdr32(f, kf::H_FREE1));
  write_slot(addr, d, 5);
  Hdr32_set(f, kf::H_FREE1, addr);
}

void Kfix_rwr(uint32_t addr, const uint8_t* image) {
  std::vector<uint8_t> slot = fixed_slot(image);
  write_slot(addr, slot.data(), slot_write_len(slot));
}

// ---- variable-length records ----

Kbfr* data_block(uint32_t addr) {
  if (eff() && Eff_check_address(addr) != 0) return nullptr;
  Kbfr* b = Kbfr_get(page_of(addr), 1);
  if (b->b()[0] != kf::BT_DATA) return nullptr;
  // A slot table that reaches past the free count's room is damage.
  if (8 + 2 * slots_of(b) + free_of(b) > K.f->blk) Key_error(113);
  return b;
}

int Kvar_read(uint32_t addr) {
  Key_file* f = K.f;
  int s = int(addr & 255);
  if (s == 0) return 11;
  Kvar_rlck(addr, 1);
  Kbfr* b = data_block(addr);
  if (!keeps_lock()) Rec_unlock(K.ch);
  if (!b || s > slots_of(b) || slot_off(b, s) == 0) return 11;
  int off = slot_off(b, s);
  if (off < 1 || off > f->blk - 6) return 113;
  int size = body_size(b, off);
  if (size < 0) return 113;
  if (Kvar_has_room(b)) f->data_block = b->addr;
  set_image(b->b() + 6 + off, size, addr);
  return 0;
}

void mark_after_change(Kbfr* b, bool had_room) {
  Key_file* f = K.f;
  bool room = Kvar_has_room(b);
  if (room && !had_room) Kbfr_mark(b, kf::BT_DATA);
  if (!room && had_room) Kbfr_mark(b, kf::BT_FULL);
  if (room) f->data_block = b->addr;
  else if (f->data_block == b->addr) f->data_block = 0;
}

uint32_t Kvar_add_body(const std::vector<uint8_t>& body) {
  Key_file* f = K.f;
  int z = int(body.size());
  if (z + 2 > f->blk - 8) Key_error(1);
  Kbfr* b = nullptr;
  // EFF: a record of 14/16 of a page or more goes to a fresh page.
  const bool fresh = f->eff && (z + 2) * 16 / (f->blk - 6) >= 14;
  Kbfr_any_key any;  // a block taken for data may have been a node of any key
  if (f->data_block && !fresh) {
    Kbfr* c = Kbfr_get(f->data_block, 1);
    if (c->b()[0] == kf::BT_DATA && slots_of(c) < slot_cap() && free_of(c) >= f->threshold && free_of(c) >= z + 2) b = c;
  }
  if (!b && f->eff && !fresh) {
    b = Eff_page_with_space(z + 2);
    if (b) f->data_block = b->addr;
  }
  // A slot table and free count that do not fit the block are damage.
  auto sane = [&](Kbfr* c) {
    if (8 + 2 * slots_of(c) + free_of(c) > f->blk) Key_error(113);
    return c;
  };
  if (b) sane(b);
  if (!b && !f->eff) {
    uint32_t m = Hdr32(f, kf::H_FREE1);
    if (m == 0) m = kf::FIRST_BLOCK;
    int misses = 0;
    int per = f->blk - kf::BLK_HDR;
    int64_t gbytes = int64_t(f->blk) * per;
    uint64_t eof = KeyBlockNo(f, Hdr32(f, kf::H_EOF));
    while (!b && misses < 8 && m && KeyBlockNo(f, m) < eof) {
      Kbfr* map = Kbfr_get(m, kf::BT_MAP);
      std::vector<uint8_t> states(map->b() + kf::BLK_HDR, map->b() + kf::BLK_HDR + per);
      for (int i = 1; i < per && !b && misses < 8; ++i) {
        if (states[size_t(i)] != kf::BT_DATA) continue;
        uint32_t a = m + uint32_t(i) * uint32_t(f->blk);
        if (KeyBlockNo(f, a) >= eof) break;
        if (a == f->data_block) continue;
        Kbfr* c = Kbfr_get(a, 1);
        if (c->b()[0] == kf::BT_DATA && slots_of(c) < 255 && free_of(c) >= z + 2) b = sane(c);
        else ++misses;
      }
      if (b) break;
      int seg = Key_seg_of(f, m);
      int64_t host = Key_host_off(f, m) + gbytes;
      uint32_t nm = host + f->blk > f->seg_limit ? Key_next_segment(f, m) : uint32_t(host + seg * 256);
      if (misses == 0 && nm) Hdr32_set(f, kf::H_FREE1, nm);
      m = nm;
    }
  }
  if (!b) {
    b = Kbfr_new(kf::BT_DATA);
    b->b()[5] = 0;
    set_free(b, f->blk - 8);
    Kbfr_mark(b, kf::BT_DATA);
  }
  bool had_room = true;
  int n = slots_of(b);
  int s = 1;
  while (s <= n && slot_off(b, s) != 0) ++s;
  int fr = free_of(b);
  if (s > n) {
    b->b()[5] = uint8_t(n + 1);
    n = n + 1;
    fr -= 2;
  }
  int off = fr + 2 * n + 2 - z;
  if (off < 2 + 2 * n || off + z > f->blk - 6) Key_error(113);
  std::memcpy(b->b() + 6 + off, body.data(), size_t(z));
  set_slot_off(b, s, off);
  set_free(b, fr - z);
  Kbfr_touch(b);
  mark_after_change(b, had_room);
  return addr_of(b, s);
}

// Removes the body of slot s; returns its size.
int remove_body(Kbfr* b, int s) {
  Key_file* f = K.f;
  int off = slot_off(b, s);
  if (off < 1 || off > f->blk - 6) Key_error(113);
  int size = body_size(b, off);
  if (size < 0) Key_error(113);
  int n = slots_of(b);
  int low = 2 + 2 * n + free_of(b);  // lowest body offset
  if (low > off) Key_error(113);
  uint8_t* base = b->b() + 6;
  std::memmove(base + low + size, base + low, size_t(off - low));
  std::memset(base + low, 0, size_t(size));
  for (int i = 1; i <= n; ++i)
    if (i != s && slot_off(b, i) && slot_off(b, i) < off) set_slot_off(b, i, slot_off(b, i) + size);
  set_slot_off(b, s, 0);
  int fr = free_of(b) + size;
  while (n > 0 && slot_off(b, n) == 0) {
    --n;
    fr += 2;
  }
  b->b()[5] = uint8_t(n);
  set_free(b, fr);
  Kbfr_touch(b);
  return size;
}

void Kvar_del(uint32_t addr) {
  int s = int(addr & 255);
  if (s == 0) Key_error(114);
  Kvar_wlck(addr, 1);
  Kbfr* b = data_block(addr);
  if (!b || s > slots_of(b)) Key_error(114);
  bool had_room = Kvar_has_room(b);
  remove_body(b, s);
  if (slots_of(b) == 0) {
    Kbfr_free(b);
    return;
  }
  mark_after_change(b, had_room);
}

uint32_t Kvar_rwr(uint32_t addr, const uint8_t* image, uint32_t ext) {
  Key_file* f = K.f;
  int s = int(addr & 255);
  if (s == 0) Key_error(114);
  Kbfr* b = data_block(addr);
  if (!b || s > slots_of(b) || slot_off(b, s) == 0) Key_error(114);
  std::vector<uint8_t> body = stored_body(image, ext);
  int off = slot_off(b, s);
  int old = body_size(b, off);
  if (old < 0) Key_error(113);
  int g = int(body.size()) - old;
  if (g <= free_of(b)) {
    bool had_room = Kvar_has_room(b);
    int n = slots_of(b);
    int low = 2 + 2 * n + free_of(b);
    if (low > off) Key_error(113);  // a free count that overlaps the bodies
    uint8_t* base = b->b() + 6;
    if (g != 0) {
      std::memmove(base + low - g, base + low, size_t(off - low));
      if (g < 0) std::memset(base + low, 0, size_t(-g));
      for (int i = 1; i <= n; ++i)
        if (slot_off(b, i) && slot_off(b, i) <= off) set_slot_off(b, i, slot_off(b, i) - g);
    }
    std::memcpy(base + off - g, body.data(), body.size());
    set_free(b, free_of(b) - g);
    Kbfr_touch(b);
    mark_after_change(b, had_room);
    return addr;
  }
  Kvar_del(addr);
  (void)f;
  return Kvar_add_body(body);
}
}  // namespace

bool Kvar_has_room(Kbfr* b) { return free_of(b) >= K.f->threshold && slots_of(b) < slot_cap(); }

int Key_image_size(const Key_file* f) { return f->reclen + f->keylen + 3 + 4 + 1 + 32; }

int Krec_read(uint32_t addr) {
  Key_file* f = K.f;
  if (f->reclen == 0) {
    if (K.directive == DIR_EXTRACT) {
      K.ch->lock_held = true;
    }
    K.rec_bfr.assign(size_t(Key_image_size(f)), 0);
    K.rec_sz = 0;
    return 0;
  }
  // All ones is no record address of either format (both stay below 2^31):
  // the read cache uses it for "nothing read", so a damaged index entry
  // holding it must not be served the image left by an earlier operation,
  // perhaps of another file with a shorter image.
  if (addr == 0xFFFFFFFFu) return 11;
  if (addr == K.rec_addr && K.rec_bfr.size() == size_t(Key_image_size(f)) && !K.rec_ext) return 0;
  int r = f->variable ? Kvar_read(addr) : Kfix_read(addr);
  return r;
}

uint32_t Krec_add(const uint8_t* image, bool count) {
  Key_file* f = K.f;
  if (count) Hdr32_set(f, kf::H_COUNT, Hdr32(f, kf::H_COUNT) + 1);
  if (f->reclen == 0) return 0;
  if (f->variable) {
    uint32_t a = Kvar_add_body(stored_body(image, 0));
    if (K.lock_opt) Kvar_wlck(a, 1);
    return a;
  }
  return Kfix_add(image);
}

uint32_t Krec_add_ext(const uint8_t* image, uint32_t ext) { return Kvar_add_body(stored_body(image, ext)); }

void Krec_del(uint32_t addr, bool count) {
  Key_file* f = K.f;
  if (count) Hdr32_set(f, kf::H_COUNT, Hdr32(f, kf::H_COUNT) - 1);
  if (f->reclen != 0) {
    if (f->variable) {
      uint32_t ext = 0;
      if (f->flags2 & kf::F2_EXTENDED) {
        if (Kvar_read(addr) == 0) ext = K.rec_ext;
      }
      Kvar_del(addr);
      if (ext) Kext_del_chain(ext);
    } else {
      Kfix_del(addr);
    }
  }
  K.rec_addr = 0xFFFFFFFFu;
  K.ch->last_read = 0;
  K.ch->cur_rec = 0;
}

uint32_t Krec_rwr(uint32_t addr, const uint8_t* image) {
  Key_file* f = K.f;
  K.rec_addr = 0xFFFFFFFFu;
  if (f->reclen == 0) return addr;
  if (f->variable) return Kvar_rwr(addr, image, 0);
  Kfix_rwr(addr, image);
  return addr;
}

void Krec_set_seq(uint32_t addr, uint32_t seq) {
  Key_file* f = K.f;
  if (!f->eff || !f->variable) return;
  int s = int(addr & 255);
  Kbfr* b = s ? data_block(addr) : nullptr;
  if (!b || s > slots_of(b) || slot_off(b, s) == 0) Key_error(114);
  int off = slot_off(b, s);
  if (body_size(b, off) < 0) Key_error(113);
  uint8_t* body = b->b() + 6 + off;
  int kl = 1 + f->keylen;
  int stored = Key_data_len(f, get_u16be(body + kl));
  put_u32be(body + kl + 2 + stored, seq);
  Kbfr_touch(b);
  if (K.rec_addr == addr) K.rec_addr = 0xFFFFFFFFu;  // the cached image holds the old one
}

uint32_t Krec_rwr_ext(uint32_t addr, const uint8_t* image, uint32_t ext) {
  K.rec_addr = 0xFFFFFFFFu;
  return Kvar_rwr(addr, image, ext);
}

// ---- extension chains (variable-length files with flags2 bit 3) ----

uint32_t Kext_write_chain(const uint8_t* data, size_t len, uint32_t seq) {
  Key_file* f = K.f;
  size_t piece = size_t(f->reclen);
  size_t pieces = (len + piece - 1) / piece;
  uint32_t next = 0;
  std::vector<uint8_t> image(size_t(Key_image_size(f)), 0);
  for (size_t i = pieces; i-- > 0;) {
    size_t at = i * piece;
    size_t n = std::min(piece, len - at);
    std::fill(image.begin(), image.end(), 0);
    image[0] = 0x80;
    put_u16be(image.data() + 1 + f->keylen, uint16_t(n));
    std::memcpy(image.data() + 1 + f->keylen + 2, data + at, n);
    // EFF: every piece carries its record's sequence after its data.
    if (K.f->eff) put_u32be(image.data() + 1 + f->keylen + 2 + n, seq);
    next = Kvar_add_body(stored_body(image.data(), next));
  }
  return next;
}

void Kext_del_chain(uint32_t addr) {
  Key_chan* ch = K.ch;
  uint32_t keep_addr = ch->lock_addr, keep_len = ch->lock_len;
  bool keep = ch->lock_held, keep_probe = ch->lock_probe;
  ch->lock2_addr = keep_addr;
  ch->lock2_len = keep && !keep_probe ? keep_len : 0;
  ch->lock_held = false;
  // Only continuation pieces are deleted: a damaged chain ends at the first
  // address that holds no readable piece, never taking another record
  // with it (pieces cut off that way stay behind unreachable).
  for (int guard = 0; addr && guard < 65536; ++guard) {
    int r;
    try {
      K.rec_addr = 0xFFFFFFFFu;
      r = Kvar_read(addr);
    } catch (const Oru_error&) {
      r = -1;
    }
    if (r != 0 || !(K.rec_bfr[0] & 0x80)) {
      Rec_unlock(ch);
      break;
    }
    uint32_t next = K.rec_ext;
    Kvar_del(addr);
    Rec_unlock(ch);
    addr = next;
  }
  ch->lock_held = keep;
  ch->lock_probe = keep_probe;
  ch->lock_addr = keep_addr;
  ch->lock_len = keep_len;
  ch->lock2_addr = ch->lock2_len = 0;
  K.rec_addr = 0xFFFFFFFFu;
}

std::string Kext_read_chain(uint32_t addr, size_t limit) {
  std::string out;
  Key_chan* ch = K.ch;
  uint32_t keep_addr = ch->lock_addr, keep_len = ch->lock_len;
  bool keep = ch->lock_held, keep_w = ch->lock_write, keep_probe = ch->lock_probe;
  ch->lock2_addr = keep_addr;
  ch->lock2_len = keep && !keep_probe ? keep_len : 0;
  ch->lock_held = false;
  int directive = K.directive;
  K.directive = DIR_READ;
  for (int guard = 0; addr; ++guard) {
    K.rec_addr = 0xFFFFFFFFu;
    int r = Kvar_read(addr);
    if (r) Key_error(r == 11 ? 108 : r);
    if (!(K.rec_bfr[0] & 0x80)) Key_error(108);
    out.append(reinterpret_cast<const char*>(K.rec_bfr.data() + 1 + K.f->keylen + 2), size_t(K.rec_sz));
    if (out.size() > limit || guard > 65536) Key_error(108);
    addr = K.rec_ext;
  }
  K.directive = directive;
  ch->lock_held = keep;
  ch->lock_probe = keep_probe;
  ch->lock_addr = keep_addr;
  ch->lock_len = keep_len;
  ch->lock_write = keep_w;
  ch->lock2_addr = ch->lock2_len = 0;
  K.rec_addr = 0xFFFFFFFFu;
  return out;
}

bool Kext_first_seq(uint32_t addr, uint32_t* seq) {
  if (!K.f->eff || addr == 0) return false;
  std::vector<uint8_t> image = K.rec_bfr;
  uint32_t keep_addr = K.rec_addr, keep_ext = K.rec_ext, keep_seq = K.rec_seq;
  int keep_sz = K.rec_sz;
  bool ok = false;
  try {
    K.rec_addr = 0xFFFFFFFFu;
    ok = Kvar_read(addr) == 0 && (K.rec_bfr[0] & 0x80) != 0;
    if (ok) *seq = K.rec_seq;
  } catch (const Oru_error&) {
    ok = false;
  }
  K.rec_bfr = image;
  K.rec_addr = keep_addr;
  K.rec_ext = keep_ext;
  K.rec_seq = keep_seq;
  K.rec_sz = keep_sz;
  return ok;
}

// ---- physical order ----

bool Krec_valid(uint32_t addr) {
  int keep = K.directive;
  K.directive = DIR_READ;
  K.rec_addr = 0xFFFFFFFFu;
  int r;
  try {
    r = Krec_read(addr);
  } catch (const Oru_error&) {
    r = -1;
  }
  K.directive = keep;
  if (r == 0 && (K.f->flags2 & kf::F2_EXTENDED) && (K.rec_bfr[0] & 0x80)) return false;
  return r == 0;
}

void Kfix_flush_pending(Key_file* f) {
  if (f->pend.empty()) return;
  int64_t r = Key_pwrite(f->fd, f->pend.data(), f->pend.size(), f->pend_off);
  if (r != int64_t(f->pend.size())) Key_error(2);
  f->pend.clear();
}

uint32_t Kfix_next(uint32_t addr) {
  Key_file* f = K.f;
  Kfix_flush_pending(f);
  uint32_t grid0 = kf::FIRST_BLOCK + uint32_t(f->blk);
  uint64_t a = addr < grid0 ? grid0 : uint64_t(addr) + uint32_t(f->slot);
  uint64_t end = Hdr32(f, kf::H_EOF);
  for (; a + uint64_t(f->slot) <= end; a += uint32_t(f->slot)) {
    // Skip slots that overlap a block (blocks sit on 512 boundaries).
    uint8_t t[6];
    if (Key_pread(f->fd, t, 1, int64_t(a)) != 1) return 0;
    if (t[0] == 255) continue;
    if (Krec_valid(uint32_t(a))) return uint32_t(a);
  }
  return 0;
}

uint32_t Kvar_next(uint32_t addr) {
  Key_file* f = K.f;
  if (f->eff) {
    // Physical order: continuation pieces and unreadable slots are passed.
    for (uint32_t a = Eff_next_record(addr); a; a = Eff_next_record(a))
      if (Krec_valid(a)) return a;
    return 0;
  }
  uint32_t blk = addr ? (addr & ~255u) : kf::FIRST_BLOCK;
  int s = addr ? int(addr & 255) + 1 : 1;
  uint64_t eof = KeyBlockNo(f, Hdr32(f, kf::H_EOF));
  for (int guard = 0; blk && KeyBlockNo(f, blk) < eof && guard < (1 << 26); ++guard) {
    Kbfr* b = nullptr;
    try {
      Kbfr_any_key any;
      b = Kbfr_get(blk, 1);
    } catch (const Oru_error& e) {
      if (Key_past_segment(f, &blk, e, true)) {
        s = 1;
        continue;
      }
      b = nullptr;
    }
    if (b && b->b()[0] == kf::BT_DATA) {
      for (; s <= slots_of(b); ++s) {
        if (slot_off(b, s) == 0) continue;
        if (Krec_valid(blk | uint32_t(s))) return blk | uint32_t(s);
        Kbfr_any_key any;
        b = Kbfr_get(blk, 1);
      }
    }
    s = 1;
    blk = Key_next_block(f, blk);
  }
  return 0;
}

// ---- compression ----

int compressBuf(uint8_t* out, const uint8_t* in, uint8_t flags2) {
  int n = get_u16be(in);
  const uint8_t* d = in + 2;
  if (flags2 & kf::F2_ZLIB) {
    if (!Key_zlib_ready()) Key_not_built("zlib");
    int64_t r = Key_cfg.compress(out + 2, size_t(n + 30), d, size_t(n));
    if (r < 0) return -2;
    put_u16be(out, uint16_t(r));
    return int(r);
  }
  uint8_t* o = out + 2;
  int k = 0;
  int i = 0;
  while (i < n) {
    if (k >= n) break;
    int r = 1;
    while (i + r < n && d[i + r] == d[i]) ++r;
    if (r >= 3) {
      uint8_t c = d[i];
      i += r;
      if (r < 112) {
        o[k++] = uint8_t(128 + r);
        o[k++] = c;
      } else if (c != 0) {
        while (r > 111) {
          o[k++] = 239;
          o[k++] = c;
          r -= 111;
        }
        if (r > 0) {
          o[k++] = uint8_t(128 + r);
          o[k++] = c;
        }
      } else {
        while (r > 111) {
          int b = std::min(r - 111, 255);
          o[k++] = 240;
          o[k++] = uint8_t(b);
          r -= b + 111;
        }
        if (r > 0) {
          o[k++] = uint8_t(128 + r);
          o[k++] = 0;
        }
      }
      continue;
    }
    if (n - i < 3) {
      o[k++] = 1;
      o[k++] = d[i++];
      continue;
    }
    int j = i;
    while (j < n && j - i < 127 && n - j >= 3 && !(d[j] == d[j + 1] && d[j] == d[j + 2])) ++j;
    o[k++] = uint8_t(j - i);
    std::memcpy(o + k, d + i, size_t(j - i));
    k += j - i;
    i = j;
  }
  if (k >= n || i < n) {
    o[0] = 241;
    std::memcpy(o + 1, d, size_t(n));
    k = n + 1;
  }
  put_u16be(out, uint16_t(k));
  return k;
}

int un_CompressBuf(uint8_t* out, const uint8_t* in, int cap, uint8_t flags2) {
  int n = get_u16be(in);
  const uint8_t* c = in + 2;
  uint8_t* o = out + 2;
  if (flags2 & kf::F2_ZLIB) {
    if (!Key_zlib_ready()) Key_not_built("zlib");
    int64_t r = Key_cfg.inflate(o, size_t(cap), c, size_t(n));
    if (r < 0) return -2;
    put_u16be(out, uint16_t(r));
    return int(r);
  }
  int k = 0;
  int i = 0;
  if (n > 0 && c[0] == 241) {
    if (n - 1 > cap) return -3;
    std::memcpy(o, c + 1, size_t(n - 1));
    put_u16be(out, uint16_t(n - 1));
    return n - 1;
  }
  while (i < n) {
    uint8_t code = c[i++];
    if (code >= 1 && code <= 127) {
      if (i + code > n) return -2;
      if (k + code > cap) return -3;
      std::memcpy(o + k, c + i, code);
      k += code;
      i += code;
    } else if (code >= 128 && code <= 239) {
      if (i >= n) return -2;
      int r = code - 128;
      if (k + r > cap) return -3;
      std::memset(o + k, c[i++], size_t(r));
      k += r;
    } else if (code == 240) {
      if (i >= n) return -2;
      int r = c[i++] + 111;
      if (k + r > cap) return -3;
      std::memset(o + k, 0, size_t(r));
      k += r;
    } else {
      return -2;
    }
  }
  put_u16be(out, uint16_t(k));
  return k;
}
