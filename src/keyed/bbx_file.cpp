// Keyed files of the foreign BBx format, read only (layout in bbx_file.h),
// and their channel driver Bbx_fotbl (kinds 14 and 15).
#include "keyed/bbx_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

constexpr int HDR = 502;
constexpr int MAX_DEPTH = 32;
constexpr size_t CACHE_BLOCKS = 16;

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t be16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint64_t bew(const uint8_t* p, int w) {
  uint64_t v = 0;
  for (int i = 0; i < w; ++i) v = v << 8 | p[i];
  return v;
}

}  // namespace

void Bbx_file::damaged() { Rpt_error_text(err::KEY_NOT_FOUND, "BBx keyed file damaged"); }

std::string Bbx_file::read_at(uint64_t off, size_t n) {
  if (off > fsize_ || n > fsize_ - off) damaged();
  std::string out(n, '\0');
  size_t got = 0;
  while (got < n) {
    ssize_t k = ::pread(fd_, out.data() + got, n - got, off_t(off + got));
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) Rpt_error_text(err::KEY_NOT_FOUND, "BBx keyed file cut short");
    got += size_t(k);
  }
  return out;
}

std::unique_ptr<Bbx_file> Bbx_file::open(int fd) {
  std::unique_ptr<Bbx_file> f(new Bbx_file);
  f->fd_ = fd;
  struct stat st {};
  if (::fstat(fd, &st) != 0) Sys_error();
  f->fsize_ = uint64_t(st.st_size);
  if (f->fsize_ < uint64_t(HDR)) Rpt_error(err::WRONG_MODE);
  std::string h = f->read_at(0, HDR);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(h.data());
  f->bbxkey_ = p[7] == 2;
  f->ext_key_ = p[8];
  f->reclen_ = int(be16(p + 13));
  if (f->ext_key_) {
    f->klen_.push_back(f->ext_key_);
  } else {
    int last = -1;
    for (int at = 117; at + 8 <= HDR && p[at] != 255; at += 8) {
      Bbx_seg s;
      s.key = p[at];
      s.field = p[at + 1];
      s.off = int(be16(p + at + 2));
      s.len = p[at + 4];
      s.desc = p[at + 5] & 1;
      if (s.len == 0 || (s.key != last && s.key != last + 1) || s.key >= 16) Rpt_error(err::WRONG_FILE_KIND);
      if (s.key != last) f->klen_.push_back(s.key == 0 ? 0 : 4);
      f->klen_.back() += s.len;
      last = s.key;
      f->segs_.push_back(s);
    }
    if (f->klen_.empty()) Rpt_error(err::WRONG_FILE_KIND);
  }
  for (int l : f->klen_)
    if (l > 255) Rpt_error(err::WRONG_FILE_KIND);
  if (f->bbxkey_) {
    f->klen_.resize(1);  // one chain: one key
    f->w_ = int(be16(p + 55));
    if (f->w_ < 1 || f->w_ > 4) Rpt_error(err::WRONG_FILE_KIND);
    f->s_ = f->klen_[0] + 3 * f->w_;
    f->e_ = 512 / f->s_;
    if (f->e_ < 1) Rpt_error(err::WRONG_FILE_KIND);
    f->key_area_ = be32(p + 39);
    f->rec_area_ = be32(p + 43);
  } else {
    f->bsize_ = int(be16(p + 113));
    if (f->bsize_ == 0) f->bsize_ = 512;
    if (f->bsize_ < 512 || f->bsize_ % 512) Rpt_error(err::WRONG_FILE_KIND);
    if (f->keys() > 16) Rpt_error(err::WRONG_FILE_KIND);
    for (int k = 0; k < f->keys(); ++k) {
      f->roots_.push_back(be32(p + 47 + 4 * k));
      int t = f->klen_[size_t(k)] + 4 + (f->reclen_ ? 4 : 0);
      if (1 + t + 4 > f->bsize_) Rpt_error(err::WRONG_FILE_KIND);
    }
  }
  f->reload();
  return f;
}

void Bbx_file::reload() {
  struct stat st {};
  if (::fstat(fd_, &st) == 0) fsize_ = uint64_t(st.st_size);
  cache_.clear();
  std::string h = read_at(0, 64);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(h.data());
  max_recs_ = be32(p + 9);
  nrecs_ = be32(p + 27);
  if (bbxkey_) first_ = be32(p + 23);
  else
    for (int k = 0; k < keys(); ++k) {
      std::string r = read_at(uint64_t(47 + 4 * k), 4);
      roots_[size_t(k)] = be32(reinterpret_cast<const uint8_t*>(r.data()));
    }
}

// ---- keys ----

std::string Bbx_file::make_key(int k, const std::string& rec, uint64_t rec_off) const {
  if (ext_key_) return rec.substr(0, std::min(rec.size(), size_t(ext_key_))) + std::string(size_t(std::max(0, ext_key_ - int(rec.size()))), '\0');
  std::string key;
  for (const Bbx_seg& s : segs_) {
    if (s.key != k) continue;
    // The field: the whole record, or the n-th line-feed-ended field.
    size_t from = 0, to = rec.size();
    if (s.field > 0) {
      from = std::string::npos;
      size_t at = 0;
      for (int n = 1; at <= rec.size(); ++n) {
        size_t lf = rec.find('\n', at);
        size_t end = lf == std::string::npos ? rec.size() : lf;
        if (n == s.field) {
          from = at;
          to = end;
          break;
        }
        if (lf == std::string::npos) break;
        at = lf + 1;
      }
    }
    std::string part(size_t(s.len), '\0');
    if (from != std::string::npos && from + size_t(s.off) < to) {
      size_t n = std::min(size_t(s.len), to - from - size_t(s.off));
      part.replace(0, n, rec, from + size_t(s.off), n);
    }
    if (s.desc)
      for (char& c : part) c = char(~c);
    key += part;
  }
  if (k > 0) {
    for (int i = 3; i >= 0; --i) key.push_back(char(rec_off >> (8 * i)));
  }
  return key;
}

std::string Bbx_file::stored(int k, const std::string& given) const {
  std::string key = given;
  key.resize(size_t(key_len(k)), '\0');
  size_t at = 0;
  for (const Bbx_seg& s : segs_) {
    if (s.key != k) continue;
    if (s.desc)
      for (size_t i = at; i < at + size_t(s.len) && i < key.size(); ++i) key[i] = char(~key[i]);
    at += size_t(s.len);
  }
  return key;
}

std::string Bbx_file::external(int k, const std::string& st, bool with_offset) const {
  std::string key = st.substr(0, size_t(with_offset ? key_len(k) : seg_len(k)));
  size_t at = 0;
  for (const Bbx_seg& s : segs_) {
    if (s.key != k) continue;
    if (s.desc)
      for (size_t i = at; i < at + size_t(s.len) && i < key.size(); ++i) key[i] = char(~key[i]);
    at += size_t(s.len);
  }
  while (!key.empty() && key.back() == '\0') key.pop_back();
  return key;
}

// ---- BBxKey: the linked list ----

bool Bbx_file::list_entry(uint64_t n, Bbx_entry* out, uint64_t* next, uint64_t* prev) {
  if (n == 0) return false;
  if (max_recs_ && n > uint64_t(max_recs_) + 1) damaged();
  uint64_t off = key_area_ + (n - 1) / uint64_t(e_) * 512 + (n - 1) % uint64_t(e_) * uint64_t(s_);
  std::string b = read_at(off, size_t(s_));
  const uint8_t* p = reinterpret_cast<const uint8_t*>(b.data());
  out->addr = n;
  out->key = b.substr(0, size_t(klen_[0]));
  out->rec = n;
  if (next) *next = bew(p + klen_[0], w_);
  if (prev) *prev = bew(p + klen_[0] + w_, w_);
  return true;
}

// ---- BBmkey: trees of blocks ----

const Bbx_file::Block& Bbx_file::block(uint64_t addr) {
  uint64_t off = addr & ~uint64_t(511);
  for (size_t i = 0; i < cache_.size(); ++i)
    if (cache_[i].off == off) return cache_[i];
  if (off < 512) damaged();
  std::string b = read_at(off, size_t(bsize_));
  if (cache_.size() >= CACHE_BLOCKS) cache_.erase(cache_.begin());
  Block blk;
  blk.off = off;
  blk.data.assign(b.begin(), b.end());
  blk.count = blk.data[0];
  cache_.push_back(std::move(blk));
  return cache_.back();
}

// Entry i of the block at block_off (i == count: the closing entry, which has
// only its down pointer).  False for an index past the closing entry.
bool Bbx_file::tree_entry(int k, uint64_t block_off, int i, Bbx_entry* out, uint64_t* down) {
  const Block& b = block(block_off);
  int kl = klen_[size_t(k)];
  int t = kl + 4 + (reclen_ ? 4 : 0);
  if (i > b.count) return false;
  size_t at = 1 + size_t(i) * size_t(t);
  if (at + 4 > b.data.size() || (i < b.count && at + size_t(t) > b.data.size())) damaged();
  *down = be32(b.data.data() + at);
  if (i < b.count && out) {
    out->addr = b.off + uint64_t(i);
    out->key.assign(reinterpret_cast<const char*>(b.data.data() + at + 4), size_t(kl));
    out->rec = reclen_ ? be32(b.data.data() + at + 4 + kl) : 0;
  }
  return true;
}

bool Bbx_file::seek(int k, const std::string& key_in, Mode mode, Bbx_entry* out) {
  const std::string key = key_in;  // out may hold it
  bool found = false;
  if (bbxkey_) {
    // Along the chain from the first key (or back from the last for LT).
    uint64_t n = first_, next = 0, prev = 0;
    Bbx_entry e;
    for (uint64_t steps = 0; n; ++steps) {
      if (steps > uint64_t(nrecs_) + 1 || steps > (fsize_ / uint64_t(s_)) + 1) damaged();
      list_entry(n, &e, &next, &prev);
      int c = std::memcmp(e.key.data(), key.data(), std::min(e.key.size(), key.size()));
      if (mode == LT) {
        if (c >= 0) break;
        *out = e;
        found = true;
      } else if (mode == GE ? c >= 0 : c > 0) {
        *out = e;
        return true;
      }
      n = next;
    }
    return found;
  }
  uint64_t node = roots_[size_t(k)];
  for (int depth = 0; node; ++depth) {
    if (depth > MAX_DEPTH) damaged();
    uint64_t off = node & ~uint64_t(511);
    int count = block(off).count;
    uint64_t down = 0;
    bool went = false;
    for (int i = 0; i <= count; ++i) {
      Bbx_entry e;
      tree_entry(k, off, i, i < count ? &e : nullptr, &down);
      int c = i == count ? 1 : std::memcmp(e.key.data(), key.data(), std::min(e.key.size(), key.size()));
      bool greater = mode == GT ? c > 0 : c >= 0;  // GE and LT: equal counts as not below
      if (greater) {
        if (i < count && mode != LT) {
          *out = e;
          found = true;
          if (mode == GE && c == 0) return true;
        }
        node = down;
        went = true;
        break;
      }
      if (mode == LT) {
        *out = e;
        found = true;
      }
    }
    if (!went) break;
  }
  return found;
}

bool Bbx_file::first(int k, Bbx_entry* out) {
  if (bbxkey_) {
    uint64_t next, prev;
    return first_ && list_entry(first_, out, &next, &prev);
  }
  return seek(k, std::string(size_t(key_len(k)), '\0'), GE, out);
}

bool Bbx_file::last(int k, Bbx_entry* out) {
  return seek(k, std::string(size_t(key_len(k)), '\xFF'), LT, out) ||
         seek(k, std::string(size_t(key_len(k)), '\xFF'), GE, out);
}

bool Bbx_file::by_ind(uint64_t n, Bbx_entry* out) {
  if (!bbxkey_) Rpt_error(err::NOT_FOR_DEVICE);
  if (max_recs_ && n >= max_recs_) return false;
  uint64_t next, prev;
  uint64_t off = key_area_ + n / uint64_t(e_) * 512 + n % uint64_t(e_) * uint64_t(s_);
  if (off + uint64_t(s_) > fsize_) return false;
  return list_entry(n + 1, out, &next, &prev);
}

bool Bbx_file::by_rno(int k, uint64_t n, Bbx_entry* out) {
  if (n == 0) return false;
  Bbx_entry e;
  if (!first(k, &e)) return false;
  for (uint64_t i = 1; i < n; ++i) {
    if (i > uint64_t(nrecs_) + 1) damaged();
    Bbx_entry nx;
    if (!seek(k, e.key, GT, &nx)) return false;
    e = nx;
  }
  *out = e;
  return true;
}

uint64_t Bbx_file::rno_of(int k, const std::string& key) {
  Bbx_entry e;
  uint64_t n = 0;
  if (!first(k, &e)) return 0;
  for (;;) {
    if (++n > uint64_t(nrecs_) + 2) damaged();
    if (std::memcmp(e.key.data(), key.data(), std::min(e.key.size(), key.size())) >= 0) return n;
    Bbx_entry nx;
    if (!seek(k, e.key, GT, &nx)) return n + 1;
    e = nx;
  }
}

std::string Bbx_file::record(int k, const Bbx_entry& e) {
  std::string out;
  if (ext_key_) out = e.key;
  if (reclen_ == 0) return out;
  uint64_t off = bbxkey_ ? rec_area_ + (e.rec - 1) * uint64_t(reclen_) : e.rec;
  if (bbxkey_ && e.rec == 0) damaged();
  (void)k;
  return out + read_at(off, size_t(reclen_));
}

// ---- the channel driver ----

namespace {

struct Bbx_fcb : Fcb {
  Bbx_file* file;
  std::string* pos;       // stored key of the position
  std::string* keys;      // one stored key per key, from the last record read
  Bbx_entry* last;        // the entry of the last record read
  int pos_key;            // the key the position belongs to
  bool have_pos;          // the position holds a key
  bool have_last;
  bool extracted;         // the last READ was an EXTRACT
  bool held;              // LOCK holds the header lock until UNLOCK
};

Bbx_fcb* cur() { return static_cast<Bbx_fcb*>(ws.Cur_fcb); }

// Every operation reads the header again under a shared lock of bytes 16 to
// 255, which writers of the format hold while they change it.
// A channel locked whole holds that lock from LOCK to UNLOCK.
constexpr int64_t HDR_LOCK_OFF = 16, HDR_LOCK_LEN = 240;

struct Header_lock {
  int fd;
  explicit Header_lock(Bbx_fcb* f) : fd(f->held ? -1 : f->fd) {
    if (fd >= 0) Lock_area(fd, HDR_LOCK_OFF, HDR_LOCK_LEN, -1);
    try {
      f->file->reload();
    } catch (...) {
      if (fd >= 0) Unlk_area(fd, HDR_LOCK_OFF, HDR_LOCK_LEN);
      throw;
    }
  }
  ~Header_lock() {
    if (fd >= 0) Unlk_area(fd, HDR_LOCK_OFF, HDR_LOCK_LEN);
  }
};

int key_no(Bbx_fcb* f) {
  if (ws.Io_kno >= 0) {
    if (ws.Io_kno >= f->file->keys()) Rpt_error(err::STRING_LENGTH);
    return ws.Io_kno;
  }
  return f->cur_key;
}

// The position of key k: the key of the position, or (when the position
// belongs to another key) key k's value of the last record read.
bool position(Bbx_fcb* f, int k, std::string* key) {
  if (f->have_pos && f->pos_key == k) {
    *key = *f->pos;
    return true;
  }
  if (f->have_last) {
    *key = f->keys[k];
    return true;
  }
  return false;
}

int64_t Bbx_open() {
  std::unique_ptr<Bbx_file> file = Bbx_file::open(ws.Cur_fd);
  auto* f = Fcb_alloc<Bbx_fcb>();
  f->fd = ws.Cur_fd;
  f->kind = file->kind();
  ws.Cur_ftype = file->kind();
  f->rec_size = file->reclen();
  f->high_key = uint8_t(file->keys() - 1);
  f->st1 |= ST1_INPUT_ONLY;
  f->pos = new std::string;
  f->keys = new std::string[size_t(file->keys())];
  f->last = new Bbx_entry;
  f->file = file.release();
  ws.Io_sep = 10;
  ws.Cur_fcb = f;
  return 0;
}

int64_t Bbx_close() {
  Bbx_fcb* f = cur();
  delete f->file;
  delete f->pos;
  delete[] f->keys;
  delete f->last;
  f->file = nullptr;
  f->pos = nullptr;
  f->keys = nullptr;
  f->last = nullptr;
  return 0;
}

// The entry that KEY=, RNO= or IND= names: NAMED_NONE when the statement
// gives none, NAMED_MISSING when it names no entry (*key then holds the
// stored form of a KEY= value).
enum Named { NAMED_NONE, NAMED_FOUND, NAMED_MISSING };

Named named_entry(Bbx_fcb* f, int k, Bbx_entry* e, std::string* key) {
  Bbx_file* b = f->file;
  if (ws.Io_opts & IO_KEY) {
    if (ws.Io_key_len > b->key_len(k)) Rpt_error(err::STRING_LENGTH);
    std::string given(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len));
    *key = b->stored(k, given);
    if (!b->seek(k, *key, Bbx_file::GE, e)) return NAMED_MISSING;
    // Keys after key 0 end in the record offset: a value no longer than
    // the segments matches over the segments.
    size_t n = k > 0 && int(given.size()) <= b->seg_len(k) ? size_t(b->seg_len(k)) : key->size();
    return e->key.compare(0, n, *key, 0, n) == 0 ? NAMED_FOUND : NAMED_MISSING;
  }
  if (ws.Io_opts & IO_RNO) return ws.Io_ind >= 1 && b->by_rno(k, uint64_t(ws.Io_ind), e) ? NAMED_FOUND : NAMED_MISSING;
  if ((ws.Io_opts & IO_IND) && ws.Io_ind >= 0) return b->by_ind(uint64_t(ws.Io_ind), e) ? NAMED_FOUND : NAMED_MISSING;
  return NAMED_NONE;
}

// The entry a READ of key k without KEY=, IND= or RNO= takes: after an
// EXTRACT the record extracted, else the entry after the position (the
// first one when there is none).  False past the last entry.
bool next_entry(Bbx_fcb* f, int k, Bbx_entry* e) {
  if (f->extracted && f->have_last) {
    *e = *f->last;
    e->key = f->keys[k];  // the record's key in the key asked for
    return true;
  }
  std::string at;
  return position(f, k, &at) ? f->file->seek(k, at, Bbx_file::GT, e) : f->file->first(k, e);
}

// The entry a READ would take now (KEY( and IND( report it): a missing
// named entry is error 11, nothing after the position error 2.
Bbx_entry entry_as_read(Bbx_fcb* f, int k) {
  Bbx_entry e;
  std::string key;
  Named named = named_entry(f, k, &e, &key);
  if (named == NAMED_MISSING) Io_dom_err();
  if (named == NAMED_NONE && !next_entry(f, k, &e)) Io_end_err();
  return e;
}

int64_t Bbx_read() {
  Bbx_fcb* f = cur();
  Bbx_file* b = f->file;
  Header_lock lock(f);
  int k = key_no(f);
  f->cur_key = uint8_t(k);
  Bbx_entry e;
  std::string key;
  Named named = named_entry(f, k, &e, &key);
  bool ok = named == NAMED_FOUND || (named == NAMED_NONE && next_entry(f, k, &e));
  f->extracted = false;
  if (named == NAMED_MISSING) {
    if ((ws.Io_opts & IO_KEY) && ws.Io_stmt != code::D_FIND) {
      // READ goes on from the key asked for.
      *f->pos = key;
      f->pos_key = k;
      f->have_pos = true;
      f->have_last = false;
    }
    Io_dom_err();
  }
  if (!ok) Io_end_err();
  std::string rec = b->record(k, e);
  *f->last = e;
  f->have_last = true;
  *f->pos = e.key;
  f->pos_key = k;
  f->have_pos = true;
  std::string data = b->reclen() ? rec.substr(rec.size() - size_t(b->reclen())) : std::string();
  for (int i = 0; i < b->keys(); ++i) f->keys[i] = i == k ? e.key : b->make_key(i, b->multi() ? data : rec, e.rec);
  f->extracted = ws.Io_stmt == code::D_EXTRACT;
  f->st1 |= ST1_READ;
  Io_string_result(data);  // the record bytes after a single-key file's leading key
  return 0;
}

int64_t Bbx_setind() {
  Bbx_fcb* f = cur();
  if (ws.Io_ind > int64_t(f->file->max_records())) Rpt_error(err::END_OF_FILE);
  return 0;
}

// IND(): the entry a READ would take, less one: the entry number of the
// list kind, the place in key order of the tree kind.
int64_t Bbx_getind() {
  Bbx_fcb* f = cur();
  Header_lock lock(f);
  int k = key_no(f);
  Bbx_entry e = entry_as_read(f, k);
  if (!f->file->multi()) return int64_t(e.addr) - 1;
  return int64_t(f->file->rno_of(k, e.key)) - 1;
}

int64_t Bbx_setkey() { return 0; }

template <int Which>
int64_t key_fn() {
  Bbx_fcb* f = cur();
  Bbx_file* b = f->file;
  Header_lock lock(f);
  int k = key_no(f);
  Bbx_entry e;
  std::string at;
  bool have = position(f, k, &at);
  bool ok;
  switch (Which) {
    case 0:  // KEY: the key of the entry a READ would take
      e = entry_as_read(f, k);
      ok = true;
      break;
    case 1: {  // KEP: the key before the entry of the position
      Bbx_entry named;
      std::string given;
      Named which = named_entry(f, k, &named, &given);
      if (which == NAMED_MISSING) Io_dom_err();
      if (which == NAMED_FOUND) {  // before the entry KEY=, IND= or RNO= names
        at = named.key;
        have = true;
      } else if (f->extracted && f->have_last) {
        at = f->keys[k];  // before the record extracted
      } else if (Sw_on(sw::KR) && f->have_last) {
        // Parameter KR: the key of the last record read itself.
        e.key = f->keys[k];
        ok = true;
        break;
      }
      ok = have && b->seek(k, at, Bbx_file::LT, &e);
      break;
    }
    case 2:  // KEF: the first key above the empty one (a key of zero bytes only)
      ok = b->seek(k, std::string(size_t(b->key_len(k)), '\0'), Bbx_file::GT, &e);
      break;
    case 3: ok = b->last(k, &e); break;                                                // KEL
    case 4: ok = have ? b->seek(k, at, Bbx_file::GT, &e) : b->first(k, &e); break;  // KEN
    default:  // KEC: the key of the last record read
      if (!f->have_last) Io_end_err();
      e.key = f->keys[k];
      ok = true;
  }
  if (!ok) Io_end_err();
  // KEC( keeps the record offset of a key after key 0, so that KEY= with
  // it finds that very record again.
  Io_string_result(b->external(k, e.key, Which == 5));
  return 0;
}

}  // namespace

// LOCK and UNLOCK: the header lock (shared: the channel only reads) is held
// until UNLOCK, without waiting, so that writers of the format wait for the
// UNLOCK; the whole-file lock is LOCK's own.
void Bbx_hold_whole(Fcb* fcb, bool on) {
  auto* f = static_cast<Bbx_fcb*>(fcb);
  if (!f->file || f->held == on) return;
  if (on) {
    Lock_area(f->fd, HDR_LOCK_OFF, HDR_LOCK_LEN, 1);
  } else {
    Unlk_area(f->fd, HDR_LOCK_OFF, HDR_LOCK_LEN);
  }
  f->held = on;
}

int64_t Bbx_getrno() {
  Bbx_fcb* f = cur();
  Header_lock lock(f);
  std::string at;
  if (!position(f, f->cur_key, &at)) Io_end_err();
  return int64_t(f->file->rno_of(f->cur_key, at));
}

const Fio_op Bbx_fotbl[FIO_SLOTS] = {
    Io_mode_err, Bbx_open,    Bbx_close,   Io_mode_err, Bbx_read,    Io_mode_err, Bbx_setind,
    Bbx_getind,  Bbx_setkey,  key_fn<5>,   key_fn<0>,   key_fn<1>,   Io_rsz_err,  Io_mode_err,
    Io_mode_err, key_fn<2>,   key_fn<3>,   key_fn<4>,   Io_do_nothing, Io_do_nothing,
};
