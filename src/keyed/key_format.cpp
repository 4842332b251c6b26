// Keyed files, first format: creation of a new file and decoding of the
// key-segment table.  The byte layout is drawn in key_format.h.
#include "keyed/key_format.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "keyed/key_settings.h"

namespace {
uint32_t Kdef_time = 0;  // last creation stamp given in this process

bool owns_fd = false;  // Key_define opened the file itself

// Removes the half-made file and raises n (a system error when n < 0).
[[noreturn]] void fail_create(int fd, const std::string& path, int n) {
  int e = errno;
  if (owns_fd) {
    ::close(fd);
    ::unlink(path.c_str());
  }
  errno = e;
  if (n < 0) Key_sys_error();
  Key_error(n);
}
}  // namespace

// Without segment definitions entry 0 has length 0: one outside key.
Key_create::Key_create() {
  std::memset(segs, 255, sizeof segs);
  std::memset(segs, 0, 4);
}

void Key_segments(Key_create& def, const std::vector<Key_seg_desc>& segs) {
  std::memset(def.segs, 255, sizeof def.segs);
  size_t at = 0;
  int last_key = -1, key0_len = 0;
  bool dups = false;
  auto put = [&](uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    if (at + 4 > sizeof def.segs) Key_error(80);
    def.segs[at] = a; def.segs[at + 1] = b; def.segs[at + 2] = c; def.segs[at + 3] = d;
    at += 4;
  };
  int key_sum = 0;
  for (const Key_seg_desc& s : segs) {
    if (s.key < 0 || s.key > 15 || (s.key != last_key && s.key != last_key + 1)) Key_error(80);
    if (s.key != last_key) key_sum = 0;
    if (s.field < 0 || s.field > 255 || s.offset < 0 || s.offset > 4095 || s.length < 1 || s.length > 127)
      Key_error(80);
    key_sum += s.length;
    if (key_sum > 240) Key_error(80);
    if (s.key == 0) key0_len += s.length;
    if (s.key == 0 && s.key != last_key && (s.flags & kf::SF_DUPS)) dups = true;
    last_key = s.key;
    put(uint8_t(s.key | ((s.offset >> 8) << 4)), uint8_t(s.field), uint8_t(s.offset),
        uint8_t(s.length | (s.descending ? 128 : 0)));
    if (s.flags) put(254, uint8_t(s.flags), uint8_t(s.flags >> 8), s.fill);
  }
  def.key_len = int16_t(key0_len + (dups ? 4 : 0));
  if (at > 128) def.flags1 |= kf::F1_EXT_TABLE;
}

void Key_define(const std::string& path, const Key_create& def) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) Key_sys_error();
  struct Owned {
    Owned() { owns_fd = true; }
    ~Owned() { owns_fd = false; }
  } owned;
  Key_define_fd(fd, path, def);
  ::close(fd);
}

void Key_define_fd(int fd, const std::string& path, const Key_create& def) {
  Key_settings_refresh();
  using namespace kf;
  uint8_t h[HDR_SIZE] = {};
  std::memcpy(h, Key_cfg.file_id, 4);
  std::memcpy(h + 4, "key]", 4);
  put_u16be(h + H_RECLEN, def.rec_len);
  put_u16be(h + H_KEYLEN, uint16_t(def.key_len));
  h[H_PCT] = def.pct;
  h[H_FLAGS1] = def.flags1 | F1_CHECKED;
  h[H_FLAGS2] = def.flags2;
  h[H_SEP] = def.sep;
  uint32_t t = uint32_t(std::time(nullptr));
  if (t <= Kdef_time) t = Kdef_time + 1;
  Kdef_time = t;
  put_u32be(h + H_STAMP, t);
  if (def.limit > 0) put_u32be(h + H_LIMIT, uint32_t(def.limit));
  int64_t expected = def.limit < 0 ? -int64_t(def.limit) : def.limit;
  put_u32be(h + H_EXPECT, uint32_t(expected));
  std::memcpy(h + H_SEGS, def.segs, 128);

  bool variable = def.flags1 & F1_VARIABLE;
  int L = def.rec_len, KL = def.key_len;
  if (KL < 0 || KL > 250) Key_error(46);
  int64_t V = variable ? ((L + 10 + 1023) / 1024) * 1024 : 0;
  int64_t B;
  Key_layout lay = Key_decode_segs(def.segs, true, KL);
  // Each key's entry size: the sum of its segment lengths + 5 for key 0,
  // + 9 for the others (their entries carry the record's address).
  std::vector<int64_t> entry(size_t(lay.nkeys));
  for (int k = 0; k < lay.nkeys; ++k) {
    int64_t sum = lay.keys[k].len - (k > 0 || lay.keys[0].dups ? 4 : 0);
    entry[size_t(k)] = sum + (k == 0 ? 5 : 9);
  }
  if (def.block_kb) {
    B = std::max<int64_t>(int64_t(def.block_kb) * 1024, V);
  } else {
    B = 4096;
    for (int k = 0; k < lay.nkeys; ++k) {
      int64_t c = (entry[size_t(k)] * 255) / 1024 * 1024;
      if (V <= c && c < B) B = c;
    }
  }
  // Every node must hold a handful of entries, whatever the sizes asked.
  while ((B - 6) / (lay.max_len + 5) < 8 && B < 65536) B += 1024;
  if (B > 65536) Key_error(46);
  h[H_BLKSZ] = uint8_t(B / 1024 - 1);

  // One index block a key, and for the expected records the blocks their
  // entries fill and a quarter of that again.
  int64_t n = 0;
  for (int k = 0; k < lay.nkeys; ++k) {
    n += 1;
    int64_t per = std::max<int64_t>(1, (B - 6) / entry[size_t(k)]);
    if (expected > per) n += expected / per + expected / per / 4;
  }
  if (variable) {
    n += 1;
    if (L) {
      int64_t r = std::max<int64_t>(1, (B - 6) / ((KL + 3 + L / 4) + 2));
      n += expected / r + 1;
    }
  }
  int64_t S = B * n + 511;
  if (!variable) S += expected * (KL + 3 + L);

  if (expected) {
    if (S < 0 || S >= int64_t(FILE_LIMIT)) {
      if (!variable) fail_create(fd, path, 16);
      S = 0x70000000;
    }
    uint8_t z = 0;
    if (::pwrite(fd, &z, 1, S) != 1) fail_create(fd, path, 16);
  }
  std::vector<uint8_t> blk(size_t(B), 0);
  if (variable) {
    blk[0] = BT_MAP;
    put_u32be(&blk[1], FIRST_BLOCK);
    blk[BLK_HDR] = BT_MAP;
    if (::pwrite(fd, blk.data(), blk.size(), FIRST_BLOCK) != ssize_t(B)) fail_create(fd, path, 16);
    put_u32be(h + H_EOF, uint32_t(FIRST_BLOCK + B));
  } else {
    for (int64_t i = 0; i < n; ++i) {
      std::fill(blk.begin(), blk.end(), 0);
      uint32_t a = uint32_t(FIRST_BLOCK + i * B);
      blk[0] = 0;
      put_u32be(&blk[1], a);
      put_u32be(&blk[6], i + 1 < n ? uint32_t(a + B) : 0);
      if (::pwrite(fd, blk.data(), blk.size(), a) != ssize_t(B)) fail_create(fd, path, 16);
    }
    put_u32be(h + H_FREE2, FIRST_BLOCK);
    put_u32be(h + H_EOF, uint32_t(FIRST_BLOCK + n * B));
  }
  h[H_CHK1] = h[H_CHANGE] ^ h[H_CHANGE + 2];
  h[H_CHK2] = h[H_CHANGE + 1] ^ h[H_CHANGE + 3];
  if (::pwrite(fd, h, HDR_SIZE, 0) != HDR_SIZE) fail_create(fd, path, -1);
  if (::pwrite(fd, def.segs + 128, 256, HDR_SIZE) != 256) fail_create(fd, path, -1);
}

Key_layout Key_decode_segs(const uint8_t* table, bool ext, int key0_len) {
  Key_layout lay;
  int entries = ext ? 96 : 32;
  int cur = -1;
  for (int i = 0; i < entries; ++i) {
    const uint8_t* e = table + 4 * i;
    if (e[0] == 255 && i > 0) break;
    if (e[0] == 254) {
      if (lay.segs.empty()) continue;
      Key_seg& s = lay.segs.back();
      s.flags = uint16_t(e[1] | (e[2] << 8));
      s.fill = e[3];
      Key_def& kd = lay.keys[cur];
      if (s.flags & kf::SF_UNIQUE) kd.unique = true;
      if (cur == 0 && int(lay.segs.size()) == 1 && (s.flags & kf::SF_DUPS) && !kd.dups) {
        kd.dups = true;
        kd.len += 4;
      }
      if (s.auto_number()) lay.auto_seg = int(lay.segs.size()) - 1;
      continue;
    }
    int k = e[0] & 15;
    if (i == 0 && (e[0] == 255 || (e[3] & 127) == 0)) {
      // A file made without segment definitions: one outside key.
      Key_seg s;
      s.field = 255;
      s.len_byte = uint8_t(std::min(key0_len, 127));
      if (key0_len > 127 || key0_len < 1) Key_error(17);
      lay.segs.push_back(s);
      lay.keys[0].nseg = 1;
      lay.keys[0].len = key0_len;
      lay.nkeys = 1;
      cur = 0;
      break;
    }
    if (k != cur && k != cur + 1) Key_error(17);
    if ((e[3] & 127) == 0) Key_error(17);
    if (k != cur) {
      cur = k;
      lay.keys[k].first = int(lay.segs.size());
      lay.keys[k].len = k == 0 ? 0 : 4;
      lay.nkeys = k + 1;
    }
    Key_seg s;
    s.field = e[1];
    s.offset = uint16_t(((e[0] >> 4) << 8) | e[2]);
    s.len_byte = e[3];
    lay.segs.push_back(s);
    lay.keys[k].nseg++;
    lay.keys[k].len += s.len();
  }
  if (lay.nkeys == 0) Key_error(17);
  for (int k = 0; k < lay.nkeys; ++k) {
    if (lay.keys[k].len > 250) Key_error(17);
    lay.max_len = std::max(lay.max_len, lay.keys[k].len);
  }
  return lay;
}
