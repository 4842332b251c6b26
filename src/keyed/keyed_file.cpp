// Keyed files, first format: the driver operations (open, close, write,
// read, remove, key functions, index and ordinal, purge) over the B-tree,
// the record storage and the operation bracket.
//
// Positions a channel keeps, per key: the saved key value (authoritative)
// with a node and entry index as a hint tested before use; the current
// position (record, node, index, value, key number); the last record read.
// After every read the key used takes the current node, index and value,
// every other key the value built from the record and no node.
#include "keyed/keyed_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "keyed/key_settings.h"
#include "keyed/eff_store.h"
#include "keyed/keyed_internal.h"
#include "keyed/key_dict.h"

extern std::vector<Key_file*> Key_files;
int64_t Key_pread(int fd, uint8_t* buf, size_t len, int64_t off);
uint32_t Krec_rwr_ext(uint32_t addr, const uint8_t* image, uint32_t ext);
uint32_t Krec_add_ext(const uint8_t* image, uint32_t ext);

namespace {
uint64_t next_file_id = 1;

using Buf = std::vector<uint8_t>;

Buf ksz_buf() { return Buf(size_t(K.ksz), 0); }

bool is_end(const Buf& k) {
  for (uint8_t c : k)
    if (c != 255) return false;
  return !k.empty();
}

bool suffixed() { return K.kno > 0 || K.f->lay.keys[0].dups; }

// A program's KEY= value in stored form, ready for a search.
Buf program_key(const std::string& key) {
  int max = K.ksz - 1 - (suffixed() ? 4 : 0);
  if (int(key.size()) > max) Key_error(46);
  Buf k = ksz_buf();
  std::memcpy(k.data() + 1, key.data(), key.size());
  int len = int(key.size());
  if (K.nullkey) len = max;
  k[0] = uint8_t(len);
  Key_adjust(k.data(), 2, len);
  return k;
}

// The program form of a stored key value.
std::string Key_return(const Buf& stored) {
  Buf k = stored;
  k.resize(size_t(K.ksz), 0);
  int len = k[0];
  if (len > K.ksz - 1) len = K.ksz - 1;
  if (suffixed()) {
    len = std::max(0, len - 4);
    // The suffix sits right after the value; drop it before converting.
    std::memmove(k.data() + 1 + len, k.data() + 1 + len + 4, size_t(K.ksz - 1 - len - 4));
    std::memset(k.data() + K.ksz - 4, 0, 4);
  }
  Key_adjust(k.data(), 1, len);
  if (K.nullkey)
    while (len > 0 && k[size_t(len)] == 0) --len;
  return std::string(reinterpret_cast<const char*>(k.data() + 1), size_t(len));
}

uint8_t* rec_data() { return K.rec_bfr.data() + 1 + K.f->keylen + 2; }

// Refreshes the positions of every key after the record at addr was read
// through key kno.
void refresh_positions(uint32_t addr, bool have_node) {
  Key_chan* ch = K.ch;
  int used = K.kno;
  Key_pos& sv = ch->saved[size_t(used)];
  sv.node = have_node ? ch->cur_node : 0;
  sv.idx = ch->cur_idx;
  sv.key = ch->cur_key;
  ch->last_read = addr;
  ch->last_kno = used;
  if (K.f->reclen == 0) return;
  Buf image = K.rec_bfr;
  for (int k = 0; k < K.f->lay.nkeys; ++k) {
    if (k == used) continue;
    Kno_def(k);
    Buf v = ksz_buf();
    Kent_gen(image.data(), v.data(), addr, false);
    ch->saved[size_t(k)] = Key_pos{0, 0, v};
  }
  Kno_def(used);
  K.rec_bfr = image;
}

// The record address of index n.
uint32_t ind_addr(int64_t n) {
  Key_file* f = K.f;
  if (n < 0) Key_error(11);
  if (f->eff) {
    // EFF: the index is the record address (page x 256 + slot).
    if (n > 0x7FFFFFFF) Key_error(105);
    int r = Eff_check_address(uint32_t(n));
    if (r == 105) Key_error(105);
    return uint32_t(n);
  }
  if (f->variable) return uint32_t(n + 512);
  return uint32_t(n * f->slot + f->blk + 512);
}

// Quick check of a KEY= read of a unique key 0 against the current and the
// saved position.
int Kfnd_qik(const Buf& key) {
  Key_chan* ch = K.ch;
  if (K.kno != 0 || K.f->lay.keys[0].dups) return 11;
  auto try_at = [&](uint32_t rec, const Buf& val) {
    if (!rec || val.size() != size_t(K.ksz) || std::memcmp(val.data(), key.data(), size_t(K.ksz)) != 0) return false;
    // (An EFF address kept from an earlier statement may name a page that
    // another process has freed or reused since.)
    if (K.f->eff && Eff_check_address(rec) != 0) return false;
    if (Krec_read(rec) != 0) return false;
    Buf v = ksz_buf();
    Kent_gen(K.rec_bfr.data(), v.data(), rec, false);
    return std::memcmp(v.data(), key.data(), size_t(K.ksz)) == 0;
  };
  if (ch->cur_kno_pos == K.kno && try_at(ch->cur_rec, ch->cur_key)) return 0;
  Key_pos& sv = ch->saved[0];
  if (try_at(ch->last_read, sv.key)) {
    ch->cur_rec = ch->last_read;
    ch->cur_node = sv.node;
    ch->cur_idx = sv.idx;
    ch->cur_key = sv.key;
    ch->cur_kno_pos = 0;
    return 0;
  }
  return 11;
}

int by_key(const Key_req& req, bool extract) {
  Buf k = program_key(req.key);
  if (K.kno == 0 && !K.f->lay.keys[0].dups) {
    if (extract) return Kfnd_key_chk(k.data());
    if (Kfnd_qik(k) == 0) return 0;
    return Kfnd_key(k.data(), 0);
  }
  return Kfnd_key_chk(k.data());
}

// Positioning by IND=: the record there becomes the current one.
int by_ind(int64_t n) {
  Key_chan* ch = K.ch;
  if (K.f->reclen == 0) Key_error(13);
  uint32_t a = ind_addr(n);
  int r = Krec_read(a);
  if (r != 0) return 11;
  if ((K.f->flags2 & kf::F2_EXTENDED) && (K.rec_bfr[0] & 0x80)) return 11;
  Buf v = ksz_buf();
  Kent_gen(K.rec_bfr.data(), v.data(), a, false);
  int found = v[0] ? Kfnd_key(v.data(), 1) : 11;
  ch->cur_rec = a;
  ch->cur_key = v;
  ch->cur_kno_pos = K.kno;
  if (found != 0) ch->cur_node = 0;
  return 0;
}

// A direction step left the index: every key stands before its first
// entry (back) or after its last.
void positions_off_index(bool back) {
  Key_chan* ch = K.ch;
  int keep = K.kno;
  for (int k = 0; k < K.f->lay.nkeys; ++k) {
    Key_pos& p = ch->saved[size_t(k)];
    Kno_def(k);
    p.node = 0;
    if (back) {
      p.key.clear();  // before the first entry
    } else {
      p.key.assign(size_t(K.ksz), 255);
      p.key[0] = uint8_t(K.ksz - 1);
    }
  }
  Kno_def(keep);
}

// EXTRACT with a direction: it extracts the record d entries from the last
// one read.  A step in front of the first record is the END error at once,
// and the end of file stays pending for the next READ.
int by_dir(int d) {
  Key_chan* ch = K.ch;
  Key_pos& sv = ch->saved[size_t(K.kno)];
  int r = Kfnd_advance(sv, d);
  if (r == 2) {
    positions_off_index(d < 0);
    if (d < 0 && K.advance_left != 0) ch->eof_pending = true;
  }
  return r;
}

// After a READ with direction n (not 1) the key's position moves n - 1
// entries from the record read, so that the next READ reads the record n
// entries from it (0 the same record again, -1 the one before).  Leaving
// the index in front of the first entry leaves the end of file pending,
// unless the step stopped exactly one entry short (the next READ reads the
// first record); leaving it behind the last, the next READ is the end.
void dir_step(int n) {
  Key_chan* ch = K.ch;
  Key_pos& sv = ch->saved[size_t(K.kno)];
  K.advance_left = 0;
  int step = int(std::clamp<int64_t>(int64_t(n) - 1, -(int64_t(1) << 30), int64_t(1) << 30));
  if (Kfnd_advance(sv, step) == 2) {
    positions_off_index(n < 1);
    if (n < 1 && K.advance_left != -1) ch->eof_pending = true;
    return;
  }
  // The current key takes the entry reached; the other keys keep the
  // values the READ's record gave them.
  sv = Key_pos{ch->cur_node, ch->cur_idx, ch->cur_key};
}

int next_phys() {
  Key_chan* ch = K.ch;
  uint32_t a = K.f->variable ? Kvar_next(ch->last_read) : Kfix_next(ch->last_read);
  if (!a) return 2;
  Krec_read(a);
  Buf v = ksz_buf();
  Kent_gen(K.rec_bfr.data(), v.data(), a, false);
  ch->cur_rec = a;
  ch->cur_node = 0;
  ch->cur_key = v;
  ch->cur_kno_pos = K.kno;
  return 0;
}

// The direction step of a READ (not EXTRACT) is taken after the read.
bool dir_after(const Key_req& req) { return req.directive != DIR_EXTRACT; }

// Positions for a read by the statement's options: 0, 11 or 2.
int Kfnd_rec(const Key_req& req, bool phys) {
  Key_chan* ch = K.ch;
  if (req.has_key) return by_key(req, req.directive == DIR_EXTRACT);
  if (req.has_ind) return by_ind(req.ind);
  if (req.has_rno) return Kfnd_by_rno(req.rno);
  if (req.has_dir && req.dir != 1 && !dir_after(req)) return by_dir(req.dir);
  if (phys) return next_phys();
  int r = Kfnd_nxt(ch->saved[size_t(K.kno)]);
  if (r == 2) Rec_unlock(ch);
  return r;
}

void select_key(Key_chan* ch, const Key_req& req, bool* phys) {
  *phys = false;
  if (req.has_kno) {
    if (req.kno == -2) {
      *phys = true;
    } else {
      if (req.kno < 0 || req.kno >= ch->f->lay.nkeys) Key_error(13);
      // Parameter KR keeps the channel's current key: KNO= then names the
      // key of this statement only.
      if (!Key_cfg.keep_kno) ch->cur_kno = req.kno;
      Kno_def(req.kno);
      return;
    }
  }
  Kno_def(-1);
}

void check_pending_eof(Key_chan* ch, const Key_req& req) {
  if (ch->eof_pending && !req.has_key && !req.has_ind && !req.has_rno) {
    ch->eof_pending = false;
    Key_error(2);
  }
}

// Extended records: the data of the main record followed by its chain.
std::string record_result() {
  Key_file* f = K.f;
  std::string data(reinterpret_cast<const char*>(rec_data()), size_t(K.rec_sz));
  if ((f->flags2 & kf::F2_EXTENDED) && K.rec_ext) {
    Buf image = K.rec_bfr;
    uint32_t addr = K.rec_addr;
    data += Kext_read_chain(K.rec_ext, size_t(f->reclen) * 65536);
    K.rec_bfr = image;
    K.rec_addr = addr;
  }
  return data;
}

// The image of a record to write: key-0 image, BE16 data length, data,
// zero-filled.  A fixed-length record with a field separator reads back at
// the whole record length (unless TN), so it is keyed at that length too:
// the entries built now are the ones a rewrite or REMOVE builds from the
// record read back.  Its slot stores the data length written (K.fill_len),
// so that a read with TN gets the record as written.
void build_image(Buf& image, const std::string& data) {
  Key_file* f = K.f;
  image.assign(size_t(Key_image_size(f)), 0);
  size_t n = data.size();
  K.fill_len = -1;
  if (!f->variable && f->sep != -1 && !Key_cfg.no_pad && !(f->flags2 & (kf::F2_RLE | kf::F2_ZLIB)) &&
      n < size_t(f->reclen)) {
    K.fill_len = int(n);
    n = size_t(f->reclen);
  }
  put_u16be(image.data() + 1 + f->keylen, uint16_t(n));
  std::memcpy(image.data() + 1 + f->keylen + 2, data.data(), data.size());
  // EFF: the sequence of a new record (replaced by the stored one when the
  // record exists).
  if (f->eff) put_u32be(image.data() + 1 + f->keylen + 2 + n, get_u32be(f->hdr + kf::H_AUTO) + 1);
}

void stamp_seq(Buf& image, uint32_t seq) {
  Key_file* f = K.f;
  if (!f->eff) return;
  int n = Key_data_len(f, get_u16be(image.data() + 1 + f->keylen));
  put_u32be(image.data() + 1 + f->keylen + 2 + n, seq);
}

// EFF: the sequence stamped after the data of an image (0 elsewhere).
uint32_t image_seq(const Buf& image) {
  Key_file* f = K.f;
  if (!f->eff) return 0;
  int n = Key_data_len(f, get_u16be(image.data() + 1 + f->keylen));
  return get_u32be(image.data() + 1 + f->keylen + 2 + n);
}

// Puts the key-0 value into the image's key part (keys built from the
// record; an outside key keeps the program's form there).
void put_key0(Buf& image, const Buf& k0) {
  Key_file* f = K.f;
  if (f->eff) {
    // EFF records hold the external key only; a key built from the record
    // stays in the data.
    return;
  }
  if (f->lay.segs[0].field == 255 && f->lay.keys[0].nseg == 1) {
    if (f->lay.keys[0].dups) {
      // The sequence number is the key's last 4 bytes: a key shorter than
      // that (a null key of a damaged definition) has none.
      if (k0[0] < 4 || f->lay.keys[0].len < 4 || f->lay.keys[0].len > f->keylen) Key_error(17);
      std::memcpy(image.data() + 1 + f->lay.keys[0].len - 4, k0.data() + 1 + k0[0] - 4, 4);
    }
    return;
  }
  int n = std::min<int>(f->keylen, K.ksz - 1);
  image[0] = uint8_t(std::min<int>(k0[0], f->keylen));
  std::memcpy(image.data() + 1, k0.data() + 1, size_t(n));
}

// Fields of a separated record beyond those written are kept ("U" files).
void merge_fields(std::string& data, const Buf& old_image, int old_len) {
  Key_file* f = K.f;
  if (f->sep < 0) Key_error(98);
  const uint8_t* od = old_image.data() + 1 + f->keylen + 2;
  int n = old_len;
  while (n > 0 && od[n - 1] == 0) --n;
  int fields = 0;
  for (char c : data)
    if (uint8_t(c) == f->sep) ++fields;
  int i = 0, seen = 0;
  while (i < n && seen < fields) {
    if (od[i] == f->sep) ++seen;
    ++i;
  }
  if (seen == fields && i < n) {
    data.append(reinterpret_cast<const char*>(od + i), size_t(n - i));
    if (int(data.size()) > f->reclen) Key_error(1);
  }
}

// Where the field a segment reads begins in a record's data (dlen bytes):
// the whole data for field 0, field n of a separated record, null when the
// record has no such field (or the segment reads the external key); *avail
// is the field's length.
const uint8_t* segment_field(const uint8_t* data, int dlen, const Key_seg& sg, int sep, int* avail) {
  *avail = 0;
  if (sg.field == 0) {
    *avail = dlen;
    return data;
  }
  if (sg.field == 255) return nullptr;
  int i = 0, seen = 1;
  while (i < dlen && seen < sg.field) {
    if (data[i] == sep) ++seen;
    ++i;
  }
  if (seen != sg.field) return nullptr;
  int j = i;
  while (j < dlen && data[j] != sep) ++j;
  *avail = j - i;
  return data + i;
}

}  // namespace

bool Key_auto_value(const uint8_t* image, uint32_t* value) {
  Key_file* f = K.f;
  if (f->lay.auto_seg < 0) return false;
  const uint8_t* data = image + 1 + f->keylen + 2;
  int dlen = std::min(Key_data_len(f, get_u16be(image + 1 + f->keylen)), f->reclen);
  bool found = false;
  for (int s = 0; s <= f->lay.auto_seg; ++s) {
    const Key_seg& sg = f->lay.segs[size_t(s)];
    if (!sg.auto_number()) continue;
    bool bin = sg.flags & kf::SF_AUTO_BIN;
    int avail = 0;
    const uint8_t* src = segment_field(data, dlen, sg, f->sep, &avail);
    int w = sg.len();
    if (!src || avail < sg.offset + w) return false;
    const uint8_t* p = src + sg.offset;
    uint64_t v = 0;
    if (bin) {
      if (w != 1 && w != 2 && w != 4) return false;
      for (int i = w - 1; i >= 0; --i) v = (v << 8) | p[i];
    } else {
      for (int i = 0; i < w; ++i) {
        if (p[i] == ' ' || p[i] == 0) continue;
        if (p[i] < '0' || p[i] > '9') return false;
        v = v * 10 + uint64_t(p[i] - '0');
        if (v > 0xFFFFFFFFu) return false;
      }
    }
    if (v == 0) return false;
    *value = uint32_t(v);
    found = true;
  }
  return found;
}

namespace {

// Auto-generated key segments: a zero value takes the counter + 1.
// Returns true when a given value was taken as the counter.
bool auto_segments(Buf& image, bool* used_counter) {
  Key_file* f = K.f;
  *used_counter = false;
  if (f->lay.auto_seg < 0) return false;
  uint32_t counter = get_u32be(f->hdr + kf::H_AUTO);
  bool took_given = false;
  uint8_t* data = image.data() + 1 + f->keylen + 2;
  int dlen = get_u16be(image.data() + 1 + f->keylen);
  for (int s = 0; s <= f->lay.auto_seg; ++s) {
    const Key_seg& sg = f->lay.segs[size_t(s)];
    if (!sg.auto_number()) continue;
    int kind = sg.flags & kf::SF_KIND;
    bool bin = sg.flags & kf::SF_AUTO_BIN;
    int avail = 0;
    const uint8_t* at = segment_field(data, dlen, sg, f->sep, &avail);
    uint8_t* src = at ? data + (at - data) : nullptr;
    if (!src) continue;
    if (avail < sg.offset + sg.len()) {
      // A field shorter than the segment is widened with zero bytes, so
      // that an empty field takes the next number like a zero one.
      int add = sg.offset + sg.len() - avail;
      int end = int(src - data) + avail;
      // EFF images carry the record sequence right after the data: it
      // moves with the data (left behind, the record would get sequence 0
      // and its alternate entries would collide with another's).
      int tail = f->eff ? 4 : 0;
      size_t room = image.size() - size_t(1 + f->keylen + 2);
      if (size_t(dlen + add + tail) > room || (f->reclen > 0 && dlen + add > f->reclen)) Key_error(1);
      std::memmove(data + end + add, data + end, size_t(dlen - end + tail));
      std::memset(data + end, 0, size_t(add));
      dlen += add;
      put_u16be(image.data() + 1 + f->keylen, uint16_t(dlen));
      avail += add;
    }
    uint8_t* p = src + sg.offset;
    int w = sg.len();
    uint64_t v = 0;
    if (bin) {
      if (w != 1 && w != 2 && w != 4) Key_error(46);
      for (int i = w - 1; i >= 0; --i) v = (v << 8) | p[i];
    } else {
      for (int i = 0; i < w; ++i) {
        if (p[i] == ' ' || p[i] == 0) continue;
        if (p[i] < '0' || p[i] > '9') Key_error(26);
        v = v * 10 + uint64_t(p[i] - '0');
      }
    }
    if (v == 0) {
      if (counter == 0xFFFFFFFFu) Key_error(2);
      uint64_t nv = uint64_t(counter) + 1;
      if (bin) {
        if (w < 4 && nv >> (8 * w)) Key_error(2);
        for (int i = 0; i < w; ++i) p[i] = uint8_t(nv >> (8 * i));
      } else {
        std::string t = std::to_string(nv);
        if (int(t.size()) > w) Key_error(2);
        std::memset(p, kind == kf::SF_AUTO_ZERO ? '0' : ' ', size_t(w));
        std::memcpy(p + w - int(t.size()), t.data(), t.size());
      }
      *used_counter = true;
    } else if (v > counter && v <= 0xFFFFFFFFu) {
      put_u32be(K.f->hdr + kf::H_AUTO, uint32_t(v));
      Key_hdr_changed();
      took_given = true;
    }
  }
  return took_given;
}

// An entry that a change must delete is missing: the notice box (unless
// the file asks for none, as a rebuild does), and the change goes on.
void missing_key_notice() {
  Key_file* f = K.f;
  if (!Key_notice_hook || ((f->flags1 | f->hdr[kf::H_FLAGS1]) & kf::F1_NO_NOTICE)) return;
  Key_notice_hook(f->path);
}
}  // namespace


// ---- EFF reads without the file lock ----
namespace {
// A channel's position, kept across the attempts of a read.
struct Chan_pos {
  int cur_kno, last_kno, cur_idx, cur_kno_pos;
  uint32_t cur_rec, cur_node, last_read;
  bool eof_pending;
  std::vector<uint8_t> cur_key;
  std::vector<Key_pos> saved;
  explicit Chan_pos(const Key_chan* ch)
      : cur_kno(ch->cur_kno), last_kno(ch->last_kno), cur_idx(ch->cur_idx), cur_kno_pos(ch->cur_kno_pos),
        cur_rec(ch->cur_rec), cur_node(ch->cur_node), last_read(ch->last_read), eof_pending(ch->eof_pending),
        cur_key(ch->cur_key), saved(ch->saved.begin(), ch->saved.begin() + ch->f->lay.nkeys) {}
  void put(Key_chan* ch) const {
    ch->cur_kno = cur_kno;
    ch->last_kno = last_kno;
    ch->cur_idx = cur_idx;
    ch->cur_kno_pos = cur_kno_pos;
    ch->cur_rec = cur_rec;
    ch->cur_node = cur_node;
    ch->last_read = last_read;
    ch->eof_pending = eof_pending;
    ch->cur_key = cur_key;
    std::copy(saved.begin(), saved.end(), ch->saved.begin());
  }
};

// Runs a read of an EFF file without the file lock: when another process
// committed while it ran (the generation on disk moved), the read is
// repeated from the same position; the third attempt runs under the lock.
template <class R, class Fn>
R eff_retry(Key_chan* ch, Fn body) {
  Key_file* f = ch->f.get();
  if (!f->eff || f->eff->locked || ch->nolock) return body();
  Chan_pos before(ch);
  for (int attempt = 0;; ++attempt) {
    K.eff_lock_first = attempt >= 2;
    bool settled;
    try {
      R r = body();
      K.eff_lock_first = false;
      settled = attempt >= 2 || Eff_disk_generation(f) == f->eff->generation;
      if (settled) return r;
    } catch (const Oru_error&) {
      K.eff_lock_first = false;
      settled = attempt >= 2 || Eff_disk_generation(f) == f->eff->generation;
      if (settled) throw;
    }
    if (ch->lock_held && (ch->lock_addr != ch->last_read || ch->lock_addr != before.last_read)) Rec_unlock(ch);
    before.put(ch);
  }
}
}  // namespace

// ---- open and close ----

Key_chan* Key_open(const std::string& path, const Key_open_opts& opts) {
  Key_settings_refresh();
  int fd = opts.fd >= 0 ? opts.fd : Key_open_fd(path.c_str(), opts.readonly ? O_RDONLY : O_RDWR);
  if (fd < 0) Key_sys_error();
  auto release = [&] {
    if (opts.fd < 0) Key_close_fd(fd);
  };
  std::shared_ptr<Key_file> shared;
  extern std::vector<std::weak_ptr<Key_file>> Key_file_refs;
  for (auto& w : Key_file_refs)
    if (auto s = w.lock(); s && s->fd == fd) shared = s;
  if (!shared) {
    auto f = std::make_shared<Key_file>();
    f->path = path;
    f->fd = fd;
    f->borrowed = opts.fd >= 0;
    f->id = next_file_id++;
    try {
      uint8_t head[512];
      int64_t r = Key_pread(fd, head, 512, 0);
      if (r >= 8 && std::memcmp(head + 4, "ky2]", 4) == 0) {
        Eff_load_file(f.get(), opts.sep == -2 ? Key_cfg.field_sep : opts.sep);
      } else {
      if (r < 256 || std::memcmp(head + 4, "key]", 4) != 0 || std::memcmp(head, Key_cfg.file_id, 4) != 0) Key_error(17);
      std::memcpy(f->hdr, head, 256);
      std::memcpy(f->segtbl, head + kf::H_SEGS, 128);
      bool ext = head[kf::H_FLAGS1] & kf::F1_EXT_TABLE;
      if (ext) {
        if (r < 512) Key_error(3);
        std::memcpy(f->segtbl + 128, head + 256, 256);
      } else {
        std::memset(f->segtbl + 128, 255, 256);
      }
      int16_t reclen = int16_t(get_u16be(head + kf::H_RECLEN));
      int keylen = get_u16be(head + kf::H_KEYLEN);
      int8_t bk = int8_t(head[kf::H_BLKSZ]);
      if (reclen < 0 || keylen < 1 || keylen > 250 || bk < 0 || bk > 63 || head[kf::H_PCT] > 100) Key_error(17);
      f->reclen = reclen;
      f->keylen = keylen;
      f->blk = (bk + 1) * 1024;
      f->flags1 = head[kf::H_FLAGS1];
      f->flags2 = head[kf::H_FLAGS2];
      f->variable = f->flags1 & kf::F1_VARIABLE;
      f->slot = std::max(5, reclen + keylen + 3);
      f->pct = head[kf::H_PCT];
      f->threshold = f->variable ? f->pct * (f->blk - 6) / 100 : 0;
      f->lay = Key_decode_segs(f->segtbl, ext, keylen);
      // The key image inside a record must hold key 0 when the program
      // supplies it (an outside key) or when it carries a sequence number.
      bool outside = f->lay.segs[0].field == 255 && f->lay.keys[0].nseg == 1;
      if ((f->lay.keys[0].dups || outside) && f->lay.keys[0].len > keylen) Key_error(17);
      if ((f->blk - kf::BLK_HDR) / (f->lay.max_len + 5) < 4) Key_error(17);
      if (f->variable && f->reclen + keylen + 3 + 10 > f->blk - 8 && f->reclen) Key_error(17);
      if (f->flags2 & kf::F2_ZLIB) {
        if (!Key_zlib_ready()) Key_error_text(99, "zlib is not available");
      }
      if ((f->flags1 & kf::F1_SEPARATOR)) f->sep = head[kf::H_SEP];
      else if (f->flags1 & kf::F1_NO_SEPARATOR) f->sep = -1;
      else f->sep = opts.sep == -2 ? Key_cfg.field_sep : opts.sep;
      if ((f->flags1 & kf::F1_CHECKED) && (head[kf::H_CHK1] != (head[kf::H_CHANGE] ^ head[kf::H_CHANGE + 2]) ||
                                          head[kf::H_CHK2] != (head[kf::H_CHANGE + 1] ^ head[kf::H_CHANGE + 3])))
        f->flags1 &= uint8_t(~kf::F1_CHECKED);
      f->nseg = head[kf::H_NSEG];
      f->seg_fd.assign(1, fd);
      if (f->nseg > 0) {
        f->seg_limit = Key_filelength(fd);
      } else if (f->variable) {
        int64_t g = int64_t(f->blk) * (f->blk - 6);
        int64_t mb = Key_cfg.max_megabytes ? Key_cfg.max_megabytes : 2000;
        int64_t groups = std::max<int64_t>(1, (mb * 1048576 - 512) / g);
        f->seg_limit = std::min<int64_t>(groups * g + 512, kf::FILE_LIMIT);
      } else {
        f->seg_limit = kf::FILE_LIMIT;
      }
      }
    } catch (...) {
      release();
      throw;
    }
    shared = f;
    Key_file_refs.push_back(shared);
    Key_files.push_back(f.get());
  } else {
    release();  // the shared record keeps the first use
  }
  auto* ch = new Key_chan;
  ch->f = shared;
  shared->chans.push_back(ch);
  ch->nolock = opts.nolock || opts.growing;
  ch->readonly = opts.readonly || opts.growing;
  ch->nbf = opts.nbf;
  if (opts.growing && !shared->priv) {
    shared->priv = std::make_unique<Kbfr_pool>();
    shared->priv->data_size = size_t(shared->blk);
    shared->priv->grow_left = size_t(opts.nbf ? opts.nbf : Key_cfg.open_grow);
  } else if (opts.nbf && !shared->priv) {
    K.ch = ch;
    K.f = shared.get();
    Kbfr_pool_of(shared.get());
  }
  // Every key starts before its first entry (the saved values are empty).
  return ch;
}

void Key_close(Key_chan* ch) {
  std::shared_ptr<Key_file> f = ch->f;
  Rec_unlock(ch);
  std::erase(f->chans, ch);
  if (f->chans.empty()) {
    K.ch = ch;
    K.f = f.get();
    int failure = -1;
    try {
      if (f->eff) Khdr_flush(f.get());  // the cycle's pages, the flip, the header
      Kbfr_flush_file(f.get(), true);
      Khdr_flush(f.get());
    } catch (const Oru_error& e) {
      failure = e.no;
    }
    Kbfr_drop_file(f.get());
    KSeg_close_all(f.get());
    if (!f->borrowed) Key_close_fd(f->fd);
    std::erase(Key_files, f.get());
    extern std::vector<std::weak_ptr<Key_file>> Key_file_refs;
    std::erase_if(Key_file_refs, [&](const std::weak_ptr<Key_file>& w) { return w.expired() || w.lock() == f; });
    K.ch = nullptr;
    K.f = nullptr;
    delete ch;
    if (failure >= 0) Key_error(failure);
    return;
  }
  delete ch;
}

std::vector<std::weak_ptr<Key_file>> Key_file_refs;

// ---- read ----

static std::string key_read_once(Key_chan* ch, const Key_req& req);
std::string Key_read(Key_chan* ch, const Key_req& req) {
  check_pending_eof(ch, req);
  // A read that positions anew (KEY=, IND=, RNO=) ends a pending end of file.
  if (req.has_key || req.has_ind || req.has_rno) ch->eof_pending = false;
  return eff_retry<std::string>(ch, [&] { return key_read_once(ch, req); });
}

static std::string key_read_once(Key_chan* ch, const Key_req& req) {
  Key_bracket op(ch, req.directive, req.lock);
  bool phys;
  select_key(ch, req, &phys);
  Key_Hdr_Lock_N_Load(1);
  int r = Kfnd_rec(req, phys);
  if (r == 11) {
    if (req.directive != DIR_FIND && req.has_key) {
      Key_pos& sv = ch->saved[size_t(K.kno)];
      sv.node = 0;
      sv.key = program_key(req.key);
      ch->last_read = 0;
    }
    Rec_unlock(ch);
    Key_error(11);
  }
  if (r == 2) Key_error(2);
  uint32_t addr = ch->cur_rec;
  // An index entry whose record is gone (a process killed between the
  // record and its entries) or cannot be read (a damaged page): the key's
  // position moves onto the entry, so that the next READ steps past it to
  // the rest of the file, and no lock of it stays held.
  auto past_entry = [&] {
    if (!phys && !is_end(ch->cur_key)) {
      ch->saved[size_t(K.kno)] = Key_pos{0, 0, ch->cur_key};
      ch->last_read = 0;
    }
    Rec_unlock(ch);
  };
  int rr;
  try {
    rr = Krec_read(addr);
  } catch (const Oru_error&) {
    past_entry();
    throw;
  }
  if (rr != 0) {
    past_entry();
    Key_error(rr);
  }
  if (K.f->reclen == 0 && req.directive == DIR_EXTRACT) {
    ch->lock_held = true;
    ch->lock_addr = addr;
  }
  refresh_positions(addr, ch->cur_node != 0 && !phys);
  std::string data = K.f->reclen ? record_result() : std::string();
  if (req.has_dir && req.dir != 1 && dir_after(req) && !phys) dir_step(req.dir);
  op.done();
  return data;
}

void Key_unlock(Key_chan* ch) { Rec_unlock(ch); }

// ---- journal images ----

void (*Key_image_hook)(int type, const uint8_t* image, size_t len) = nullptr;
void (*Key_notice_hook)(const std::string& path) = nullptr;

void Key_chan_journal(Key_chan* ch, bool on) { ch->journal = on; }

// The key area, the length word and the data of a record image (the
// sequence and extension fields stay out).
static void journal_image(int type, const Buf& image) {
  if (!Key_image_hook) return;
  size_t head = size_t(1 + K.f->keylen + 2);
  if (image.size() < head) return;
  size_t len = head + size_t(Key_data_len(K.f, get_u16be(image.data() + head - 2)));
  Key_image_hook(type, image.data(), std::min(len, image.size()));
}

// ---- write ----

void Key_write(Key_chan* ch, const Key_req& req, const std::string& data_in) {
  if (ch->readonly) Key_error(13);
  Key_bracket op(ch, req.directive, req.lock);
  Key_Hdr_Lock_N_Load(2);
  Kno_def(0);
  Key_file* f = K.f;
  std::string data = data_in;
  std::string rest;
  if (int(data.size()) > f->reclen) {
    // A record longer than the record length is refused here: a longer one
    // would be stored but could never be read back.
    if (!(f->flags2 & kf::F2_EXTENDED) || !f->variable || f->reclen == 0) Key_error(1);
    rest = data.substr(size_t(f->reclen));
    data.resize(size_t(f->reclen));
  }
  Buf image;
  build_image(image, data);
  bool outside = f->lay.segs[0].field == 255 && f->lay.keys[0].nseg == 1;
  Buf k0 = ksz_buf();
  uint32_t replace_addr = 0;
  bool replace_known = false;
  if (req.has_ind) {
    int r = by_ind(req.ind);
    if (r != 0) Key_error(11);
    replace_addr = ch->cur_rec;
    replace_known = true;
    std::memcpy(image.data(), K.rec_bfr.data(), size_t(1 + f->keylen));
    Kent_gen(K.rec_bfr.data(), k0.data(), replace_addr, false);
  } else if (req.has_key && outside) {
    int max = std::min(K.ksz - 1 - (f->lay.keys[0].dups ? 4 : 0), f->keylen);
    if (int(req.key.size()) > max) Key_error(46);
    image[0] = uint8_t(K.nullkey ? max : int(req.key.size()));
    std::memcpy(image.data() + 1, req.key.data(), req.key.size());
    Kent_gen(image.data(), k0.data(), 0, true);
  } else if (req.has_key && !Key_cfg.key_on_write) {
    Key_error(13);
  } else if (f->lay.keys[0].dups && ch->lock_held && ch->last_read && ch->lock_addr == ch->last_read) {
    replace_addr = ch->last_read;
    replace_known = true;
    if (Krec_read(replace_addr) != 0) Key_error(11);
    Kent_gen(K.rec_bfr.data(), k0.data(), replace_addr, false);
    if (outside) std::memcpy(image.data(), K.rec_bfr.data(), size_t(1 + f->keylen));
  } else if (outside) {
    if (!ch->lock_held || !ch->last_read) Key_error(13);
    if (Krec_read(ch->last_read) != 0) Key_error(11);
    std::memcpy(image.data(), K.rec_bfr.data(), size_t(1 + f->keylen));
    Kent_gen(image.data(), k0.data(), 0, false);
  } else {
    Kent_gen(image.data(), k0.data(), 0, true);
  }
  bool used_counter = false;
  bool took_given = auto_segments(image, &used_counter);
  if (used_counter || took_given) {
    if (!outside) Kent_gen(image.data(), k0.data(), 0, true);
  }
  put_key0(image, k0);
  // Does the record exist?
  int found;
  bool k0_path = false;  // the path stack still leads to key 0's insert position
  if (replace_known) {
    found = Kfnd_key(k0.data(), 0);
  } else {
    found = Kfnd_qik(k0) == 0 ? 0 : (k0_path = true, Kfnd_key(k0.data(), 0));
  }
  if ((used_counter) && found == 0) Key_error(11);
  uint32_t old_addr = 0;
  Buf old_image;
  if (found == 0) {
    old_addr = ch->cur_rec;
    if (req.directive == DIR_INSERT) Key_error(11);
    // EFF: WRITE with DOM= never overwrites a record.
    if (f->eff && req.dom && req.directive == DIR_WRITE) Key_error(11);
    if (f->reclen) {
      K.rec_addr = 0xFFFFFFFFu;
      int r = Krec_read(old_addr);
      if (r != 0) Key_error(r);
      old_image = K.rec_bfr;
      uint32_t old_seq = K.rec_seq;
      if (ch->journal) journal_image('B', old_image);
      if (f->flags2 & kf::F2_MERGE) {
        merge_fields(data, old_image, K.rec_sz);
        build_image(image, data);
        put_key0(image, k0);
        if (outside) std::memcpy(image.data(), old_image.data(), size_t(1 + f->keylen));
      }
      // An update keeps the record's sequence, so equal alternate values
      // keep their order.
      stamp_seq(image, old_seq);
    }
  } else if (req.directive == DIR_UPDATE) {
    Key_error(11);
  }
  // Unique alternate keys.
  for (int k = 1; k < f->lay.nkeys; ++k) {
    if (!f->lay.keys[k].unique) continue;
    k0_path = false;
    Kno_def(k);
    Buf v = ksz_buf();
    if (Kent_gen(image.data(), v.data(), 0, true) == 0) continue;
    int L = v[0] - 4;
    v[0] = uint8_t(L);
    std::memset(v.data() + 1 + L, 0, 4);
    if (Kfnd_key_chk(v.data()) == 0 && ch->cur_rec != old_addr) Key_error(11);
  }
  Kno_def(0);
  if (!old_addr && !Key_cfg.no_limit) {
    uint32_t limit = Hdr32(f, kf::H_LIMIT);
    if (limit && Hdr32(f, kf::H_COUNT) >= limit) Key_error(2);
  }
  uint32_t addr;
  uint32_t ext = 0;
  if (old_addr && f->reclen) {
    if ((f->flags2 & kf::F2_EXTENDED) && f->variable) {
      K.rec_addr = 0xFFFFFFFFu;
      if (Krec_read(old_addr) == 0 && K.rec_ext) Kext_del_chain(K.rec_ext);
      if (!rest.empty())
        ext = Kext_write_chain(reinterpret_cast<const uint8_t*>(rest.data()), rest.size(), image_seq(image));
      addr = Krec_rwr_ext(old_addr, image.data(), ext);
    } else {
      addr = Krec_rwr(old_addr, image.data());
    }
  } else if (old_addr) {
    addr = old_addr;
  } else {
    if (!rest.empty()) {
      ext = Kext_write_chain(reinterpret_cast<const uint8_t*>(rest.data()), rest.size(), image_seq(image));
      Hdr32_set(f, kf::H_COUNT, Hdr32(f, kf::H_COUNT) + 1);
      addr = Krec_add_ext(image.data(), ext);
    } else {
      addr = Krec_add(image.data(), true);
    }
  }
  ch->cur_rec = addr;
  ch->last_read = addr;
  // The keys.
  for (int k = 0; k < f->lay.nkeys; ++k) {
    Kno_def(k);
    Buf nv = ksz_buf();
    if (k == 0) nv = k0;
    else Kent_gen(image.data(), nv.data(), addr, false);
    if (old_addr) {
      Buf ov = ksz_buf();
      if (k == 0) ov = k0;
      else Kent_gen(old_image.data(), ov.data(), old_addr, false);
      if (k == 0 && addr == old_addr) continue;
      if (ov == nv && addr == old_addr) continue;
      if (ov[0]) {
        if (Kfnd_key(ov.data(), 0) == 0) Kent_del();
        else if (k > 0) missing_key_notice();
      }
    }
    if (nv[0] == 0 && k > 0) continue;
    if (k == 0 && !old_addr && k0_path) {
      Kent_add(nv.data(), -int32_t(addr));  // the lookup above left the path
      continue;
    }
    // EFF: an insert goes to the end of the leaf whose separator covers it
    // (climbing to the next leaf would put it under a separator below it).
    K.no_climb = f->eff != nullptr;
    int at = Kfnd_key(nv.data(), 0);
    K.no_climb = false;
    if (at != 0) Kent_add(nv.data(), -int32_t(addr));
  }
  Kno_def(ch->cur_kno);
  if (!req.lock) Rec_unlock(ch);
  if (!old_addr && !took_given) {
    put_u32be(f->hdr + kf::H_AUTO, get_u32be(f->hdr + kf::H_AUTO) + 1);
    Key_hdr_changed();
  }
  ch->eof_pending = false;
  if (ch->journal) journal_image('A', image);
  op.done();
}

// ---- remove ----

void Key_remove(Key_chan* ch, const Key_req& req) {
  if (ch->readonly) Key_error(13);
  Key_bracket op(ch, DIR_REMOVE, req.lock);
  Key_Hdr_Lock_N_Load(2);
  Kno_def(0);
  Key_file* f = K.f;
  Buf k0;
  uint32_t addr;
  if (f->lay.keys[0].dups) {
    if (req.has_key) Key_error(32);
    if (!ch->last_read) Key_error(11);
    addr = ch->last_read;
    if (Krec_read(addr) != 0) Key_error(11);
    k0 = ksz_buf();
    Kent_gen(K.rec_bfr.data(), k0.data(), addr, false);
    if (Kfnd_key(k0.data(), 0) != 0 || ch->cur_rec != addr) Key_error(11);
  } else {
    if (!req.has_key) Key_error(11);
    k0 = program_key(req.key);
    if (Kfnd_key(k0.data(), 0) != 0) Key_error(11);
    addr = ch->cur_rec;
    if (Krec_read(addr) != 0 && f->reclen) Key_error(11);
  }
  Buf image = K.rec_bfr;
  if (ch->journal) journal_image('D', image);
  Key_pos& sv = ch->saved[0];
  sv.node = 0;
  sv.key = k0;
  ch->last_read = 0;
  Kent_del();
  for (int k = 1; k < f->lay.nkeys && f->reclen; ++k) {
    Kno_def(k);
    Buf v = ksz_buf();
    if (Kent_gen(image.data(), v.data(), addr, false) == 0) continue;
    if (Kfnd_key(v.data(), 0) == 0) Kent_del();
    else missing_key_notice();
  }
  Kno_def(0);
  Krec_del(addr, true);
  Rec_unlock(ch);
  ch->eof_pending = false;
  op.done();
}

// ---- key functions ----

namespace {
// KEN with KEY= under parameter +K: the given key widened with zero bytes to
// the key's full length (less the address or sequence suffix), in stored
// form, raised by one as a big-endian number from its last byte; the first
// entry not below it.  2 when every byte overflows or the key has no bytes.
int key_after(const std::string& given) {
  int max = K.ksz - 1 - (suffixed() ? 4 : 0);
  if (int(given.size()) > max) Key_error(46);
  if (max == 0) return 2;
  std::string wide = given;
  wide.resize(size_t(max), '\0');
  Buf k = program_key(wide);
  k[0] = uint8_t(max);
  int i = max;
  for (; i >= 1; --i)
    if (++k[size_t(i)] != 0) break;
  if (i == 0) return 2;
  Kfnd_key(k.data(), 0);
  Key_chan* ch = K.ch;
  if (ch->cur_rec == 0 || is_end(ch->cur_key)) return 2;
  return 0;
}

// KEY under parameter KR with KNO= naming another key: the record that the
// next READ by the channel's current key would read, and the KNO= key's
// value built from it.
std::string key_by_current(Key_chan* ch, const Key_req& req, bool phys) {
  int want = K.kno;
  Kno_def(ch->cur_kno);
  int r = Kfnd_rec(req, phys);
  if (r == 11) Key_error(11);
  if (r != 0 || is_end(ch->cur_key)) Key_error(2);
  uint32_t addr = ch->cur_rec;
  int rr = Krec_read(addr);
  if (rr != 0) Key_error(rr);
  Kno_def(want);
  Buf v = ksz_buf();
  Kent_gen(K.rec_bfr.data(), v.data(), addr, false);
  return Key_return(v);
}

std::string key_fn(Key_chan* ch, const Key_req& req, int which) {
  // which: 0 KEY, 1 KEF, 2 KEL, 3 KEN, 4 KEP, 5 KEC
  if (which == 0 || which == 3 || which == 4) check_pending_eof(ch, req);
  Key_bracket op(ch, DIR_READ, false);
  bool phys;
  select_key(ch, req, &phys);
  Key_Hdr_Lock_N_Load(1);
  bool opts = req.has_key || req.has_ind || req.has_rno;
  int r = 0;
  switch (which) {
    case 0:
      if (Key_cfg.keep_kno && req.has_kno && !phys && K.kno != ch->cur_kno && K.f->reclen > 0 && !ch->lock_held) {
        std::string s = key_by_current(ch, req, phys);
        op.done();
        return s;
      }
      r = Kfnd_rec(req, phys);
      break;
    case 1: {
      Key_pos p{0, 0, Buf()};  // before the first entry
      r = Kfnd_advance(p, 1);
      break;
    }
    case 2: {
      // The full-length key of bytes 255: itself when it is there, else
      // the entry before the place it would take.
      Buf top(size_t(K.ksz), 255);
      top[0] = uint8_t(K.ksz - 1);
      if (Kfnd_key(top.data(), 0) == 0 && !is_end(ch->cur_key)) {
        r = 0;
      } else {
        Key_pos p{0, 0, top};
        r = Kfnd_advance(p, -1);
      }
      break;
    }
    case 3:
      if (req.has_key && Key_cfg.next_after_key) {
        r = key_after(req.key);
      } else if (opts) {
        // Without +K the given key must exist.
        r = Kfnd_rec(req, false);
        if (r == 0) {
          Key_pos p{0, 0, ch->cur_key};
          r = Kfnd_advance(p, 1);
        }
      } else {
        r = Kfnd_advance(ch->saved[size_t(K.kno)], ch->lock_held ? 1 : 2);
      }
      break;
    case 4:
      if (opts) {
        r = Kfnd_rec(req, false);
        // A missing key is accepted under +K: the entry before the place
        // where it would be.
        if (r == 0 || (r == 11 && Key_cfg.next_after_key)) {
          Key_pos p{0, 0, ch->cur_key};
          if (r == 11 && (ch->cur_key.empty() || ch->cur_key[0] == 0)) {
            p.key.assign(size_t(K.ksz), 255);
            p.key[0] = uint8_t(K.ksz - 1);
          }
          r = Kfnd_advance(p, -1);
        }
      } else {
        Key_pos& sv = ch->saved[size_t(K.kno)];
        // Under KR, without a record lock, a saved value still in the index
        // is its own answer.
        if (Key_cfg.keep_kno && !ch->lock_held && sv.key.size() == size_t(K.ksz) && !is_end(sv.key) &&
            Kfnd_key(sv.key.data(), 0) == 0)
          r = 0;
        else
          r = Kfnd_prv(sv);
      }
      break;
    case 5: {
      const Buf& sv = ch->saved[size_t(K.kno)].key;
      // EFF: the end while it is pending (it stays pending), and a key
      // without a position (before its first entry) is the missing record.
      if (K.f->eff && ch->eof_pending) Key_error(2);
      if (is_end(sv) || (K.f->eff && sv.empty())) Key_error(11);
      std::string s = Key_return(sv);
      op.done();
      return s;
    }
  }
  if (r == 11) Key_error(11);
  if (r != 0 || is_end(ch->cur_key)) Key_error(2);
  std::string s = Key_return(ch->cur_key);
  op.done();
  return s;
}
}  // namespace

static std::string key_fn_retry(Key_chan* ch, const Key_req& req, int which) {
  if (which == 0 || which == 3 || which == 4) check_pending_eof(ch, req);
  return eff_retry<std::string>(ch, [&] { return key_fn(ch, req, which); });
}
std::string Key_getkey(Key_chan* ch, const Key_req& req) { return key_fn_retry(ch, req, 0); }
std::string Key_getkef(Key_chan* ch, const Key_req& req) { return key_fn_retry(ch, req, 1); }
std::string Key_getkel(Key_chan* ch, const Key_req& req) { return key_fn_retry(ch, req, 2); }
std::string Key_getken(Key_chan* ch, const Key_req& req) { return key_fn_retry(ch, req, 3); }
std::string Key_getkep(Key_chan* ch, const Key_req& req) { return key_fn_retry(ch, req, 4); }
std::string Key_getkec(Key_chan* ch, const Key_req& req) { return key_fn_retry(ch, req, 5); }

std::string Key_current_text(Key_chan* ch) {
  if (ch->cur_key.empty()) return {};
  Key_bracket op(ch, DIR_READ, false);
  Kno_def(ch->cur_kno_pos);
  std::string text = Key_return(ch->cur_key);
  op.done();
  return text;
}

namespace {
// A number of the record a request names (IND(), RNO()): the record found
// under a read bracket, error 11 when its key is not there, retried as a
// read is; number(r) takes the search's result and gives the number.
template <class Fn>
int64_t record_number(Key_chan* ch, const Key_req& req, Fn number) {
  check_pending_eof(ch, req);
  return eff_retry<int64_t>(ch, [&] {
    Key_bracket op(ch, DIR_READ, false);
    bool phys;
    select_key(ch, req, &phys);
    Key_Hdr_Lock_N_Load(1);
    int r = Kfnd_rec(req, phys);
    if (r == 11) Key_error(11);
    int64_t n = number(r);
    op.done();
    return n;
  });
}
}  // namespace

int64_t Key_getind(Key_chan* ch, const Key_req& req) {
  if (ch->f->reclen == 0) Key_error(13);
  return record_number(ch, req, [&](int r) {
    if (r != 0) Key_error(2);
    Key_file* f = K.f;
    uint32_t a = ch->cur_rec;
    return f->eff ? int64_t(a) : f->variable ? int64_t(a) - 512 : (int64_t(a) - 512 - f->blk) / f->slot;
  });
}

int64_t Key_getrno(Key_chan* ch, const Key_req& req) {
  return record_number(ch, req, [&](int r) {
    if (r != 0 || is_end(ch->cur_key)) Key_error(2);
    // The path stack must lead to the entry: search it again by value.
    Buf v = ch->cur_key;
    if (Kfnd_key(v.data(), 0) != 0) Key_error(2);
    return Key_ordinal();
  });
}

// ---- purge ----

// A first-format file emptied: its segment files, records and trees gone,
// its dictionary and change counter kept.
static void purge_first_format(Key_file* f) {
  // The dictionary (key names, password, free items) outlives the records.
  auto dict = Kdct_save_in();
  Kbfr_drop_file(f);
  int nseg = f->hdr[kf::H_NSEG];
  KSeg_close_all(f);
  for (int s = 1; s <= nseg; ++s) ::unlink(KSeg_path(f->path, s).c_str());
  // The change counter is kept (and raised at the end of the operation), so
  // that every other process notices the purge.
  put_u32be(f->hdr + kf::H_COUNT, 0);
  put_u32be(f->hdr + kf::H_OLDROOT, 0);
  put_u32be(f->hdr + kf::H_FREE1, 0);
  put_u32be(f->hdr + kf::H_FREE2, 0);
  put_u32be(f->hdr + kf::H_DICT, 0);
  put_u32be(f->hdr + kf::H_AUTO, 0);
  std::memset(f->hdr + kf::H_ROOTS, 0, 64);
  f->hdr[kf::H_NSEG] = 0;
  f->nseg = 0;
  f->hdr[kf::H_FLAGS1] |= kf::F1_CHECKED;
  f->flags1 |= kf::F1_CHECKED;
  f->data_block = 0;
  Key_hdr_changed();
  if (Key_cfg.shrink_on_purge) Key_chsize(f->fd, 512);
  put_u32be(f->hdr + kf::H_EOF, 512);
  if (f->variable) {
    f->seg_limit = [&] {
      int64_t g = int64_t(f->blk) * (f->blk - 6);
      int64_t mb = Key_cfg.max_megabytes ? Key_cfg.max_megabytes : 2000;
      return std::min<int64_t>(std::max<int64_t>(1, (mb * 1048576 - 512) / g) * g + 512, kf::FILE_LIMIT);
    }();
    Kbfr* m = Kbfr_get(512, 0);
    m->b()[0] = kf::BT_MAP;
    m->b()[kf::BLK_HDR] = kf::BT_MAP;
    Kbfr_touch(m);
  }
  Kdct_reset_in(dict);
}

void Key_purge(Key_chan* ch) {
  if (ch->readonly) Key_error(13);
  Key_bracket op(ch, DIR_WRITE, false);
  Key_Hdr_Lock_N_Load(2);
  Key_file* f = K.f;
  if (f->eff) Eff_purge(f);
  else purge_first_format(f);
  ch->cur_rec = ch->last_read = 0;
  ch->cur_node = 0;
  for (int k = 0; k < f->lay.nkeys; ++k) ch->saved[size_t(k)] = Key_pos{};
  ch->eof_pending = false;
  op.done();
}

uint32_t Key_record_count(Key_chan* ch) {
  Key_bracket op(ch, DIR_READ, false);
  Key_Hdr_Lock_N_Load(1);
  uint32_t n = Hdr32(ch->f.get(), kf::H_COUNT);
  op.done();
  return n;
}

Key_facts Key_facts_of(Key_chan* ch) {
  Key_facts r;
  r.records = Key_record_count(ch);
  Key_file* f = ch->f.get();
  r.limit = Hdr32(f, kf::H_LIMIT);
  const Key_def& kd = f->lay.keys[size_t(ch->cur_kno)];
  r.key_size = kd.len - ((ch->cur_kno > 0 || kd.dups) ? 4 : 0);
  extern size_t Kbfr_queue_size();
  r.buffers = f->priv ? int(f->priv->bufs.size()) : int(Kbfr_queue_size());
  r.extracted = ch->lock_held;
  r.block_kb = f->blk / 1024;
  r.pct = f->pct;
  r.flags1 = f->hdr[kf::H_FLAGS1];
  r.flags2 = f->flags2;
  r.sep = f->sep;
  bool ext = f->hdr[kf::H_FLAGS1] & kf::F1_EXT_TABLE;
  r.segs.assign(reinterpret_cast<const char*>(f->segtbl), ext ? kf::SEG_TABLE_BYTES : 128);
  if (f->eff) {
    // EFF: the entries built from the key descriptors; the flags of the
    // header, no free-space percentage, no buffer count of its own.
    r.segs.assign(reinterpret_cast<const char*>(f->segtbl), size_t(f->segtbl_len));
    r.flags1 = uint8_t(f->flags1 & ~kf::F1_VARIABLE);
    r.pct = 0;
    r.buffers = 0;
  }
  return r;
}

int Key_count_keys(Key_chan* ch) { return ch->f->lay.nkeys; }
int Key_record_length(Key_chan* ch) { return ch->f->reclen; }
int Key_segment_lengths(Key_chan* ch, int k, int32_t* lengths, int max) {
  const Key_layout& lay = ch->f->lay;
  if (k < 0 || k >= lay.nkeys) return 0;
  int n = std::min(lay.keys[k].nseg, max);
  for (int i = 0; i < n; ++i) lengths[i] = lay.segs[size_t(lay.keys[k].first + i)].len();
  return n;
}
bool Key_pads_segments(Key_chan* ch) { return (ch->f->flags1 & kf::F1_NULL_KEY) != 0; }
int Key_separator(Key_chan* ch) { return ch->f->sep; }
int Key_current_key(Key_chan* ch) { return ch->cur_kno; }
bool Key_extended(Key_chan* ch) { return (ch->f->flags2 & kf::F2_EXTENDED) && ch->f->variable && ch->f->reclen > 0; }

// ---- nested operations ----

std::unique_ptr<Kbfr_pool> Kbfr_queue_park();
void Kbfr_queue_unpark(std::unique_ptr<Kbfr_pool> parked);

namespace {
// The engine state parked around a nested operation.
struct Key_parked {
  Key_ctx ctx;                        // operation state, key context, path stack, record cache
  std::unique_ptr<Kbfr_pool> queue;  // the outer context's shared queue
  bool in_op = false;                 // parked inside an operation
};
}  // namespace

// The file of an operation parked inside its bracket: busy for the nested
// context (its changed blocks and update cycle belong to the parked one).
Key_file* Key_parked_file = nullptr;

// Outside an operation everything is written back first (pages, EFF update
// cycles, header locks), so the nested context starts from the files as they
// are on disk and the parked queue holds nothing changed.  Inside one the
// operation's changed blocks stay parked with it; the nested context then
// must not use that operation's file.
void* Key_save() {
  auto* s = new Key_parked;
  s->in_op = K.open;
  try {
    if (!K.open) Kbfr_flush_all();
    s->queue = Kbfr_queue_park();
  } catch (...) {
    delete s;
    throw;
  }
  s->ctx = K;
  if (s->in_op) Key_parked_file = K.f;
  K = Key_ctx{};
  K.serial = s->ctx.serial + 1;
  return s;
}

// The nested context's blocks are written back (its update cycles ended,
// its header locks released) before the parked state returns.
void Key_restore(void* saved) {
  auto* s = static_cast<Key_parked*>(saved);
  if (!s) return;
  int failure = -1;
  try {
    if (K.open) Key_exit_hook();
    if (!s->in_op) {
      Kbfr_flush_all();
    } else {
      for (Key_file* g : Key_files) {
        if (g == s->ctx.f) continue;
        K.f = g;
        Kbfr_flush_file(g, false);
        Khdr_flush(g);
      }
    }
  } catch (const Oru_error& e) {
    failure = e.no;
  }
  uint32_t serial = K.serial;
  if (s->in_op) Key_parked_file = nullptr;
  Kbfr_queue_unpark(std::move(s->queue));
  K = s->ctx;
  K.serial = std::max(K.serial, serial) + 1;
  delete s;
  if (failure >= 0) Key_error(failure);
}
