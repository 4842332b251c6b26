// C-ISAM files: the engine over the index and data pair (layout drawn in
// cisam_file.h).  Every operation runs under the statement lock on the
// index file and decodes the nodes it needs into entry lists, changes them
// and encodes them again; node buffers are emptied at every lock (other
// processes may have changed the tree) unless the pair is held exclusively.
#include "channels/cisam_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/errors.h"
#include "core/host.h"

namespace {

// The statement lock: one byte of the index file far beyond its nodes, so
// that it never meets a record or node lock of another program.
constexpr int64_t LOCK_OFF = int64_t(1) << 40;
constexpr int E_CORRUPT = 120;
constexpr int E_NODE_IO = 105;
constexpr int MAX_DEPTH = 16;
constexpr uint8_t FREE_RECORDS = 0xFF, FREE_NODES = 0xFE;
enum : int { D_NKEYS = 8, D_RECLEN = 13, D_KEYDESC = 15, D_FREE_REC = 25, D_FREE_NODE = 29, D_HIGH_REC = 33,
             D_HIGH_NODE = 37 };
enum : uint8_t { F_DUPCOMP = 1, F_LEAD = 2, F_TRAIL = 4 };

[[noreturn]] void corrupt() { Rpt_error_text(E_CORRUPT, "C-ISAM index damaged"); }

bool pread_full(int fd, void* buf, size_t n, int64_t off, size_t* got) {
  int64_t k = Pread_all(fd, buf, n, off);
  *got = k < 0 ? 0 : size_t(k);
  return k >= 0;
}

void pwrite_full(int fd, const void* buf, size_t n, int64_t off) {
  if (!Pwrite_all(fd, buf, n, off)) Rpt_error(E_NODE_IO);
}

int64_t plain_read(int fd, int64_t off, void* buf, int64_t len) {
  size_t got;
  if (!pread_full(fd, buf, size_t(len), off, &got)) Sys_error();
  return int64_t(got);
}

}  // namespace

std::string Ism_data_path(const std::string& idx) {
  std::string d = idx;
  size_t n = d.size();
  if (n < 4) return d + ".dat";
  const char* rep = "dat";
  for (size_t i = 0; i < 3; ++i) {
    char c = d[n - 3 + i];
    d[n - 3 + i] = (c >= 'a' && c <= 'z') ? rep[i] : char(rep[i] - 32);
  }
  return d;
}

// ---- numbers in the file's byte order ----

uint16_t Ism_file::get2(const uint8_t* p) const { return be_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]); }
uint32_t Ism_file::get4(const uint8_t* p) const {
  return be_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
             : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
void Ism_file::put2(uint8_t* p, uint16_t v) const {
  if (be_) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
  else { p[1] = uint8_t(v >> 8); p[0] = uint8_t(v); }
}
void Ism_file::put4(uint8_t* p, uint32_t v) const {
  if (be_) { p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v); }
  else { p[3] = uint8_t(v >> 24); p[2] = uint8_t(v >> 16); p[1] = uint8_t(v >> 8); p[0] = uint8_t(v); }
}

// ---- node buffers ----

int Ism_file::buf_of(uint32_t n) const {
  if (n < DIRECT_NODES) return n < direct_.size() ? int(direct_[n]) - 1 : -1;
  auto hit = bindex_.find(n);
  return hit == bindex_.end() ? -1 : int(hit->second);
}

void Ism_file::index_set(uint32_t n, size_t i) {
  if (n < DIRECT_NODES) {
    if (n >= direct_.size()) direct_.resize(std::min<size_t>(DIRECT_NODES, std::max<size_t>(size_t(n) + 1, direct_.size() * 2)), 0);
    direct_[n] = uint32_t(i + 1);
  } else {
    bindex_[n] = i;
  }
}

void Ism_file::index_erase(uint32_t n) {
  if (n < DIRECT_NODES) {
    if (n < direct_.size()) direct_[n] = 0;
  } else {
    bindex_.erase(n);
  }
}

uint8_t* Ism_file::kread(uint32_t n) {
  if (n == 0 || (n > high_node_ && n != 1)) corrupt();
  int hit = buf_of(n);
  if (hit >= 0) {
    Buf& b = bufs_[size_t(hit)];
    b.ref = true;
    last_ = size_t(hit);
    return b.data.data();
  }
  Buf* victim = free_buffer();
  size_t got;
  if (!pread_full(idx_fd_, victim->data.data(), size_t(nsize_), int64_t(n - 1) * nsize_, &got)) Sys_error();
  if (got < size_t(nsize_)) Rpt_error_text(E_NODE_IO, "C-ISAM index node cut short");
  victim->no = n;
  victim->state = 1;
  index_set(n, size_t(victim - bufs_.data()));
  return victim->data.data();
}

// The buffer the clock hand stops at, written back when dirty and taken out
// of the index; it becomes the last one used.
Ism_file::Buf* Ism_file::free_buffer() {
  Buf* victim = nullptr;
  for (size_t steps = 0; !victim; ++steps) {
    size_t i = hand_;
    hand_ = (hand_ + 1) % bufs_.size();
    Buf& b = bufs_[i];
    if (i == last_ && bufs_.size() > 1) continue;
    if (b.state && b.ref && steps < 2 * bufs_.size()) {
      b.ref = false;
      continue;
    }
    victim = &b;
  }
  if (victim->state == 2) pwrite_full(idx_fd_, victim->data.data(), size_t(nsize_), int64_t(victim->no - 1) * nsize_);
  if (victim->state) index_erase(victim->no);
  victim->state = 0;
  victim->ref = true;
  last_ = size_t(victim - bufs_.data());
  return victim;
}

void Ism_file::kwrite(uint32_t n) {
  if (!dcache_.empty()) dcache_.erase(n);
  int hit = buf_of(n);
  if (hit < 0) corrupt();  // a node is always read before it is written
  bufs_[size_t(hit)].state = 2;
  changed_ = true;
}

void Ism_file::flush_buffers() {
  for (Buf& b : bufs_)
    if (b.state == 2) {
      pwrite_full(idx_fd_, b.data.data(), size_t(nsize_), int64_t(b.no - 1) * nsize_);
      b.state = 1;
    }
  changed_ = false;
}

void Ism_file::drop_buffers() {
  for (Buf& b : bufs_) {
    if (b.state) index_erase(b.no);
    b.state = 0;
  }
  bindex_.clear();
  dcache_.clear();
}

// ---- data records ----

// A record reaches the data file before its statement returns, under the
// record lock of its bytes.
void Ism_file::data_write(int64_t off, const std::string& bytes) {
  if (write_data) write_data(off, bytes.data(), int64_t(bytes.size()));
  else pwrite_full(dat_fd_, bytes.data(), bytes.size(), off);
}

// ---- the statement lock ----

void Ism_file::lock(bool exclusive) {
  if (lock_depth_++ > 0) return;
  if (dcache_.size() > size_t(nbf_) + 64) dcache_.clear();  // decoded nodes: no more than the buffers
  if (!exclusive_) {
    if (!held_) {
      Lock_area(idx_fd_, LOCK_OFF, 1, exclusive ? -2 : -1);
      locked_ = exclusive ? 2 : 1;
    }
    drop_buffers();
  }
  try {
    load_dictionary();
  } catch (...) {
    unlock();
    throw;
  }
}

void Ism_file::unlock() {
  if (lock_depth_ == 0 || --lock_depth_ > 0) return;
  struct Release {
    Ism_file* f;
    ~Release() {
      if (f->locked_) Unlk_area(f->idx_fd_, LOCK_OFF, 1);
      f->locked_ = 0;
    }
  } release{this};
  // Every statement ends with its changed nodes in the file, so that a
  // finished statement survives the end of the process; a pair held whole
  // keeps its buffers for the next statement, a shared one re-reads them.
  if (changed_) flush_buffers();
}

void Ism_file::hold(bool on) {
  if (!on && exclusive_) {
    // UNLOCK of a pair opened exclusively shares it from now on: what it
    // kept goes to the files, and its statements lock and re-read again.
    if (changed_) flush_buffers();
    drop_buffers();
    exclusive_ = false;
    return;
  }
  if (on == held_ || exclusive_) return;  // a pair opened exclusively is no one else's already
  // Without waiting: a pair another process holds so is busy.
  if (on) Lock_area(idx_fd_, LOCK_OFF, 1, readonly_ ? 1 : 2);
  else Unlk_area(idx_fd_, LOCK_OFF, 1);
  held_ = on;
}

void Ism_file::close() {
  if (changed_) flush_buffers();
}

// Node 1's counters and every key's root, read again in each statement.
void Ism_file::load_dictionary() {
  high_node_ = 1;
  uint8_t* d = kread(1);
  high_node_ = get4(d + D_HIGH_NODE);
  if (high_node_ < 1) corrupt();
  for (Ism_keydesc& k : keys_) {
    uint8_t* b = kread(k.desc_node);
    k.root = get4(b + k.desc_off);
    if (k.root > high_node_) corrupt();
  }
}

uint32_t Ism_file::highest_record() {
  Stmt_lock held(this, false);
  return get4(kread(1) + D_HIGH_REC);
}

uint32_t Ism_file::record_count() {
  Stmt_lock held(this, false);
  uint32_t high = get4(kread(1) + D_HIGH_REC);
  const int64_t slot = int64_t(reclen_) + 1;
  constexpr int64_t CHUNK_SLOTS = 256;
  std::string buf(size_t(slot * CHUNK_SLOTS), '\0');
  uint32_t count = 0;
  for (uint32_t n = 0; n < high;) {
    int64_t want = std::min<int64_t>(CHUNK_SLOTS, int64_t(high - n));
    int64_t got = plain_read(dat_fd_, int64_t(n) * slot, buf.data(), want * slot);
    if (got <= 0) break;
    int64_t whole = got / slot;
    for (int64_t i = 0; i < whole; ++i)
      if (buf[size_t(i * slot + reclen_)] == '\n') ++count;
    if (whole < want) break;  // the data file ends early
    n += uint32_t(whole);
  }
  return count;
}

// ---- opening ----

Ism_file::~Ism_file() {
  try {
    if (changed_) flush_buffers();
  } catch (const Oru_error&) {
  }
  if (dat_fd_ >= 0 && own_dat_) Close(dat_fd_);
}

std::unique_ptr<Ism_file> Ism_open_pair(int idx_fd, const std::string& idx_path, bool readonly, bool exclusive,
                                        int nbf) {
  std::unique_ptr<Ism_file> f(new Ism_file);
  f->idx_fd_ = idx_fd;
  f->readonly_ = readonly;
  uint8_t head[64];
  size_t got;
  if (!pread_full(idx_fd, head, sizeof head, 0, &got)) Sys_error();
  if (got < sizeof head) Rpt_error_text(E_NODE_IO, "C-ISAM dictionary cut short");
  f->be_ = head[7] == 0xFF;
  f->nsize_ = int(f->get2(head + 6)) + 1;
  f->reclen_ = f->get2(head + D_RECLEN);
  int nkeys = f->get2(head + D_NKEYS);
  if (f->nsize_ < 128 || f->nsize_ > 32768 || f->reclen_ < 1 || f->reclen_ > 32767 || nkeys < 1 ||
      nkeys > ISM_MAX_KEYS)
    corrupt();
  f->nbf_ = nbf < 3 ? 3 : nbf > 65536 ? 65536 : nbf;
  f->bufs_.resize(size_t(f->nbf_));
  for (size_t i = 0; i < f->bufs_.size(); ++i) {
    f->bufs_[i].data.assign(size_t(f->nsize_), 0);
  }
  // The data file, opened as the index was.  Its first record starts at
  // byte 0 and is locked by its bytes: the open mark lies past every record,
  // so that a record lock and another process's open never meet.
  Open_opts oo;
  oo.exclusive = exclusive;
  oo.mark_past_records = true;
  std::string dat = Ism_data_path(idx_path);
  f->dat_fd_ = Open(dat.c_str(), readonly ? O_RDONLY : O_RDWR, oo);
  if (f->dat_fd_ < 0) Rpt_error(err::FILE_NOT_FOUND);
  // Key descriptions, under the lock.
  Ism_file::Stmt_lock stmt(f.get(), false);
  uint8_t* d = f->kread(1);
  uint32_t desc = f->get4(d + D_KEYDESC);
  for (int hops = 0; int(f->keys_.size()) < nkeys; ++hops) {
    if (hops > 64 || desc < 2) f->corrupt_desc();
    // A description node the file does not hold whole is a short read; one
    // inside the file beyond the highest node in use is damage.
    if (int64_t(desc) * f->nsize_ > filelength(idx_fd)) Rpt_error_text(E_NODE_IO, "C-ISAM index node cut short");
    if (desc > f->high_node_) f->corrupt_desc();
    uint8_t* b = f->kread(desc);
    int used = f->get2(b);
    if (used < 6 || used > f->nsize_) f->corrupt_desc();
    int off = 6;
    while (off + 2 <= used && int(f->keys_.size()) < nkeys) {
      int e = f->get2(b + off);
      if (e < 10 || (e - 5) % 5 != 0 || off + 2 + e > used) f->corrupt_desc();
      Ism_keydesc k;
      k.desc_node = desc;
      k.desc_off = off + 2;
      k.flags = b[off + 6];
      int parts = (e - 5) / 5;
      if (parts > ISM_MAX_PARTS) f->corrupt_desc();
      for (int i = 0; i < parts; ++i) {
        const uint8_t* p = b + off + 7 + 5 * i;
        uint16_t len = f->get2(p);
        if (len & 0x8000) k.dups = true;
        Ism_part part;
        part.len = len & 0x7FFF;
        part.off = f->get2(p + 2);
        part.type = p[4];
        if (part.len == 0 || int(part.off) + part.len > f->reclen_) f->corrupt_desc();
        k.len += part.len;
        k.parts.push_back(part);
      }
      if (k.len > ISM_MAX_KEY) f->corrupt_desc();
      f->keys_.push_back(k);
      off += 2 + e;
    }
    desc = f->get4(b + 2);
  }
  f->load_dictionary();
  f->pos_.resize(f->keys_.size());
  f->exclusive_ = exclusive;
  return f;
}

void Ism_file::corrupt_desc() { Rpt_error_text(E_CORRUPT, "C-ISAM key description damaged"); }

std::string Ism_file::genkey(int k, const std::string& rec) const {
  std::string key;
  for (const Ism_part& p : keys_[size_t(k)].parts) {
    std::string part(p.len, '\0');
    if (p.off < rec.size()) {
      size_t n = std::min<size_t>(p.len, rec.size() - p.off);
      part.replace(0, n, rec, p.off, n);
    }
    key += part;
  }
  return key;
}

// ---- node decoding and encoding ----

const Ism_file::Node& Ism_file::decode(uint32_t n, int k) {
  auto hit = dcache_.find(n);
  if (hit != dcache_.end() && hit->second.key_no == k) return hit->second;
  const Ism_keydesc& kd = keys_[size_t(k)];
  const uint8_t* b = kread(n);
  Node& node = dcache_[n];
  node = Node{};
  node.key_no = k;
  node.no = n;
  node.level = b[nsize_ - 2];
  node.type = b[nsize_ - 3];
  struct Drop_on_error {
    Ism_file* f;
    uint32_t n;
    bool done = false;
    ~Drop_on_error() {
      if (!done) f->dcache_.erase(n);
    }
  } guard{this, n};
  int used = get2(b);
  if (used < 2 || used > nsize_ - 3 || node.level > ISM_MAX_LEVELS) corrupt();
  int kl = kd.len;
  bool lead = kd.flags & F_LEAD, trail = kd.flags & F_TRAIL, dupcomp = (kd.flags & F_DUPCOMP) && kd.dups;
  bool repeat = false;
  int p = 2;
  while (p < used) {
    Ent e;
    if (repeat) {
      if (node.ents.empty()) corrupt();
      const Ent& prev = node.ents.back();
      e.key = prev.key;
      e.high = prev.high;
      e.dup = prev.dup + 1;
    } else {
      int lc = 0, tc = 0;
      if (lead) {
        if (p >= used) corrupt();
        lc = b[p++];
      }
      if (trail) {
        if (p >= used) corrupt();
        tc = b[p++];
      }
      if (lead && lc == kl) {
        e.high = true;
        e.key.assign(size_t(kl), '\xFF');
      } else {
        if (lc + tc > kl) corrupt();
        if (lc > 0 && (node.ents.empty() || node.ents.back().high)) corrupt();
        int nb = kl - lc - tc;
        if (p + nb > used) corrupt();
        if (lc) e.key.assign(node.ents.back().key, 0, size_t(lc));
        e.key.append(reinterpret_cast<const char*>(b + p), size_t(nb));
        e.key.append(size_t(tc), ' ');
        p += nb;
        if (!lead && e.key.find_first_not_of('\xFF') == std::string::npos) e.high = true;
      }
      if (kd.dups) {
        if (p + 4 > used) corrupt();
        e.dup = get4(b + p);
        p += 4;
      }
    }
    if (p + 4 > used) corrupt();
    uint32_t ptr = get4(b + p);
    p += 4;
    repeat = dupcomp && (ptr & 0x80000000u);
    e.ptr = ptr & 0x7FFFFFFFu;
    node.ents.push_back(std::move(e));
  }
  guard.done = true;
  return node;
}

bool Ism_file::encode(const Node& node, int k, std::vector<uint8_t>* out) const {
  const Ism_keydesc& kd = keys_[size_t(k)];
  int kl = kd.len;
  bool lead = kd.flags & F_LEAD, trail = kd.flags & F_TRAIL, dupcomp = (kd.flags & F_DUPCOMP) && kd.dups;
  out->assign(size_t(nsize_), 0);
  uint8_t* b = out->data();
  int limit = nsize_ - 3;
  int p = 2;
  int prev_ptr_at = -1;
  const Ent* prev = nullptr;
  for (const Ent& e : node.ents) {
    if (dupcomp && prev && !prev->high && !e.high && e.key == prev->key && e.dup == prev->dup + 1) {
      if (p + 4 > limit) return false;
      b[prev_ptr_at + (be_ ? 0 : 3)] |= 0x80;
      prev_ptr_at = p;
      put4(b + p, e.ptr & 0x7FFFFFFFu);
      p += 4;
      prev = &e;
      continue;
    }
    int lc = 0, tc = 0;
    std::string body;
    if (e.high) {
      if (lead) lc = kl;
      else body.assign(size_t(kl), '\xFF');
    } else {
      if (lead && prev && !prev->high) {
        while (lc < kl - 1 && e.key[size_t(lc)] == prev->key[size_t(lc)]) ++lc;
      }
      if (trail) {
        while (tc < kl - lc && e.key[size_t(kl - 1 - tc)] == ' ' && tc < 255) ++tc;
      }
      body = e.key.substr(size_t(lc), size_t(kl - lc - tc));
    }
    int need = (lead ? 1 : 0) + (trail ? 1 : 0) + int(body.size()) + (kd.dups ? 4 : 0) + 4;
    if (p + need > limit) return false;
    if (lead) b[p++] = uint8_t(lc);
    if (trail) b[p++] = uint8_t(tc);
    std::memcpy(b + p, body.data(), body.size());
    p += int(body.size());
    if (kd.dups) {
      put4(b + p, e.dup);
      p += 4;
    }
    prev_ptr_at = p;
    put4(b + p, e.ptr & 0x7FFFFFFFu);
    p += 4;
    prev = &e;
  }
  put2(b, uint16_t(p));
  b[nsize_ - 2] = uint8_t(node.level);
  b[nsize_ - 3] = node.type;
  return true;
}

void Ism_file::store(Node node, int k, std::vector<uint8_t>* encoded) {
  if (!encoded) {
    if (!encode(node, k, &scratch_)) corrupt();
    encoded = &scratch_;
  }
  uint8_t* b = kread(node.no);
  (*encoded)[size_t(nsize_ - 1)] = b[nsize_ - 1];  // a byte this driver does not use
  std::memcpy(b, encoded->data(), encoded->size());
  kwrite(node.no);
  node.key_no = k;
  uint32_t no = node.no;
  dcache_[no] = std::move(node);
}

int Ism_file::cmp(int k, const Ent& e, const std::string& key, uint32_t dup) const {
  if (e.high) return 1;
  int c = std::memcmp(e.key.data(), key.data(), std::min(e.key.size(), key.size()));
  if (c) return c;
  if (!keys_[size_t(k)].dups) return 0;
  return e.dup < dup ? -1 : e.dup > dup ? 1 : 0;
}

// ---- entries of one width ----

int Ism_file::entry_width(int k) const {
  const Ism_keydesc& kd = keys_[size_t(k)];
  if (kd.flags & (F_LEAD | F_TRAIL)) return 0;
  if ((kd.flags & F_DUPCOMP) && kd.dups) return 0;
  return kd.len + (kd.dups ? 4 : 0) + 4;
}

namespace {
// Without leading compression the highest key is stored as key-length 0xFF
// bytes.
bool raw_high(const uint8_t* e, int kl) {
  for (int i = 0; i < kl; ++i)
    if (e[i] != 0xFF) return false;
  return true;
}
}  // namespace

int Ism_file::raw_cmp(int k, const uint8_t* e, const std::string& key, uint32_t dup) const {
  const Ism_keydesc& kd = keys_[size_t(k)];
  if (e[0] == 0xFF && raw_high(e, kd.len)) return 1;
  int c = std::memcmp(e, key.data(), std::min(size_t(kd.len), key.size()));
  if (c) return c;
  if (!kd.dups) return 0;
  uint32_t d = get4(e + kd.len);
  return d < dup ? -1 : d > dup ? 1 : 0;
}

// The bytes encode() gives the entry in a node without compression.
void Ism_file::raw_put(int k, uint8_t* e, const Ent& ent) const {
  const Ism_keydesc& kd = keys_[size_t(k)];
  size_t kl = size_t(kd.len);
  if (ent.high) {
    std::memset(e, 0xFF, kl);
  } else {
    size_t n = std::min(kl, ent.key.size());
    std::memcpy(e, ent.key.data(), n);
    std::memset(e + n, 0, kl - n);
  }
  if (kd.dups) put4(e + kl, ent.dup);
  put4(e + kl + (kd.dups ? 4 : 0), ent.ptr & 0x7FFFFFFFu);
}

bool Ism_file::raw_entry(int k, const std::vector<Step>& path, Ent* out) {
  int w = entry_width(k);
  if (!w || path.empty() || path.back().idx < 0) return false;
  const uint8_t* b = kread(path.back().node);
  int used = get2(b);
  if (used < 2 || used > nsize_ - 3 || (used - 2) % w) corrupt();
  size_t i = size_t(path.back().idx);
  if (i >= size_t((used - 2) / w)) return false;
  const uint8_t* e = b + 2 + i * size_t(w);
  const Ism_keydesc& kd = keys_[size_t(k)];
  out->key.assign(reinterpret_cast<const char*>(e), size_t(kd.len));
  out->high = raw_high(e, kd.len);
  out->dup = kd.dups ? get4(e + kd.len) : 0;
  out->ptr = get4(e + w - 4) & 0x7FFFFFFFu;
  return true;
}

bool Ism_file::leaf_holds(int k, const std::vector<Step>& path, const std::string& key, uint32_t* ptr) {
  size_t i = size_t(path.back().idx);
  if (int w = entry_width(k)) {
    const uint8_t* b = kread(path.back().node);
    int used = get2(b);
    if (used < 2 || used > nsize_ - 3 || (used - 2) % w) corrupt();
    if (i >= size_t((used - 2) / w)) return false;
    const uint8_t* e = b + 2 + i * size_t(w);
    int kl = keys_[size_t(k)].len;
    if (raw_high(e, kl) || key.size() != size_t(kl) || std::memcmp(e, key.data(), size_t(kl)) != 0) return false;
    *ptr = get4(e + w - 4) & 0x7FFFFFFFu;
    return true;
  }
  const Node& leaf = decode(path.back().node, k);
  if (i >= leaf.ents.size() || leaf.ents[i].high || leaf.ents[i].key != key) return false;
  *ptr = leaf.ents[i].ptr;
  return true;
}

// ---- searching ----

bool Ism_file::descend(int k, const std::string& key, uint32_t dup, std::vector<Step>* path, bool fix) {
  path->clear();
  uint32_t n = keys_[size_t(k)].root;
  if (n == 0) return false;
  int want_level = -1;
  if (int w = entry_width(k)) {
    int kl = keys_[size_t(k)].len;
    for (int depth = 0;; ++depth) {
      if (depth > MAX_DEPTH) corrupt();
      uint8_t* b = kread(n);
      int used = get2(b);
      int level = b[nsize_ - 2];
      if (used < 2 || used > nsize_ - 3 || level > ISM_MAX_LEVELS || (used - 2) % w) corrupt();
      if (want_level >= 0 && level != want_level) corrupt();
      int count = (used - 2) / w;
      int lo = 0, hi = count;
      while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (raw_cmp(k, b + 2 + mid * w, key, dup) < 0) lo = mid + 1;
        else hi = mid;
      }
      int idx = lo;
      if (level == 0) {
        path->push_back({n, idx});
        return true;
      }
      if (count == 0) corrupt();
      if (idx == count) idx--;
      uint8_t* e = b + 2 + idx * w;
      uint32_t child = get4(e + w - 4) & 0x7FFFFFFFu;
      if (lo == count && fix && !raw_high(e, kl)) {
        // The entry takes the key about to go into its subtree.
        Ent raised;
        raised.key = key;
        raised.dup = dup;
        raised.ptr = child;
        raw_put(k, e, raised);
        kwrite(n);
      }
      path->push_back({n, idx});
      if (child < 2 || child > high_node_ || child == n) corrupt();
      want_level = level - 1;
      n = child;
    }
  }
  for (int depth = 0;; ++depth) {
    if (depth > MAX_DEPTH) corrupt();
    const Node& node = decode(n, k);
    if (want_level >= 0 && node.level != want_level) corrupt();
    // The first entry not below the key (binary search: entries ascend).
    int lo = 0, hi = int(node.ents.size());
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      if (cmp(k, node.ents[size_t(mid)], key, dup) < 0) lo = mid + 1;
      else hi = mid;
    }
    int idx = lo;
    if (node.level == 0) {
      path->push_back({n, idx});
      return true;
    }
    if (node.ents.empty()) corrupt();
    int level = node.level;
    uint32_t child;
    if (idx == int(node.ents.size())) {
      idx--;
      child = node.ents[size_t(idx)].ptr;
      if (fix && !node.ents[size_t(idx)].high) {
        Node copy = node;
        copy.ents[size_t(idx)].key = key;
        copy.ents[size_t(idx)].dup = dup;
        store(copy, k);
      }
    } else {
      child = node.ents[size_t(idx)].ptr;
    }
    path->push_back({n, idx});
    if (child < 2 || child > high_node_ || child == n) corrupt();
    want_level = level - 1;
    n = child;
  }
}

bool Ism_file::outermost(int k, std::vector<Step>* path, uint32_t n, bool last) {
  for (int depth = 0;; ++depth) {
    if (depth > MAX_DEPTH || path->size() > size_t(MAX_DEPTH)) corrupt();
    const Node& node = decode(n, k);
    path->push_back({n, last ? int(node.ents.size()) - 1 : 0});
    if (node.level == 0) return true;
    if (node.ents.empty()) return false;
    n = last ? node.ents.back().ptr : node.ents[0].ptr;
    if (n < 2 || n > high_node_) corrupt();
  }
}

// Moves a leaf index that stands past its node's entries on to the next
// entry in key order; false past the last one.
bool Ism_file::normalize(int k, std::vector<Step>* path) {
  for (int guard = 0; guard < 1000000; ++guard) {
    if (path->empty()) return false;
    const Node& leaf = decode(path->back().node, k);
    if (path->back().idx >= 0 && path->back().idx < int(leaf.ents.size())) return true;
    path->pop_back();
    bool down = false;
    while (!path->empty()) {
      Step& s = path->back();
      const Node& p = decode(s.node, k);
      if (s.idx + 1 < int(p.ents.size())) {
        s.idx++;
        uint32_t child = p.ents[size_t(s.idx)].ptr;
        if (child < 2 || child > high_node_) corrupt();
        leftmost(k, path, child);
        down = true;
        break;
      }
      path->pop_back();
    }
    if (!down) return false;
  }
  corrupt();
}

bool Ism_file::step_next(int k, std::vector<Step>* path) {
  if (path->empty()) return false;
  path->back().idx++;
  return normalize(k, path);
}

bool Ism_file::step_prev(int k, std::vector<Step>* path) {
  if (path->empty()) return false;
  path->back().idx--;
  for (int guard = 0; guard < 1000000; ++guard) {
    const Node& leaf = decode(path->back().node, k);
    if (path->back().idx >= 0 && path->back().idx < int(leaf.ents.size())) return true;
    path->pop_back();
    bool down = false;
    while (!path->empty()) {
      Step& s = path->back();
      if (s.idx > 0) {
        s.idx--;
        const Node& p = decode(s.node, k);
        if (s.idx >= int(p.ents.size())) corrupt();
        uint32_t child = p.ents[size_t(s.idx)].ptr;
        if (child < 2 || child > high_node_) corrupt();
        rightmost(k, path, child);
        down = true;
        break;
      }
      path->pop_back();
    }
    if (!down) return false;
  }
  corrupt();
}

Ism_file::Ent Ism_file::entry_at(int k, const std::vector<Step>& path) {
  const Node& leaf = decode(path.back().node, k);
  return leaf.ents.at(size_t(path.back().idx));
}

// The entry of key value key pointing at record rec (equal keys walked).
bool Ism_file::locate_rec(int k, const std::string& key, uint32_t rec, std::vector<Step>* path) {
  if (!descend(k, key, 0, path, false) || !normalize(k, path)) return false;
  for (;;) {
    Ent e = entry_at(k, *path);
    if (e.high || e.key != key) return false;
    if (e.ptr == rec) return true;
    if (!keys_[size_t(k)].dups) return false;
    if (!step_next(k, path)) return false;
  }
}

// The path to the entry of a position, or (false) to the first entry after
// where it was.  The entry is looked for at its key and duplicate number
// first; only when another record stands there are the equal keys walked.
bool Ism_file::locate(int k, const Ism_pos& p, std::vector<Step>* path) {
  bool dups = keys_[size_t(k)].dups;
  if (descend(k, p.key, dups ? p.dup : 0, path, false) && normalize(k, path)) {
    Ent e = entry_at(k, *path);
    if (!e.high && e.key == p.key && (e.ptr == p.rec || !dups)) return true;
  } else {
    path->clear();
  }
  if (!dups) return false;
  std::vector<Step> walk;
  if (locate_rec(k, p.key, p.rec, &walk)) {
    *path = walk;
    return true;
  }
  return false;
}

// ---- positioned reads ----

bool Ism_file::find(int k, const std::string& key_in, bool keep_pos) {
  std::string key = key_in;
  key.resize(size_t(keys_[size_t(k)].len), '\0');
  Stmt_lock stmt(this, false);
  std::vector<Step> path;
  bool any = descend(k, key, 0, &path, false);
  Ent e;
  if (any && !raw_entry(k, path, &e)) {
    any = normalize(k, &path);
    if (any) e = entry_at(k, path);
  }
  Ism_pos& p = pos_[size_t(k)];
  if (any) {
    if (!e.high && e.key == key) {
      p = Ism_pos{Ism_pos::ON, e.key, e.dup, e.ptr};
      return true;
    }
    if (keep_pos) p = Ism_pos{Ism_pos::BEFORE, e.key, e.dup, e.ptr};
  } else if (keep_pos) {
    p = Ism_pos{Ism_pos::END, key, 0, 0};
  }
  return false;
}

// Every step must move strictly forward (or back) in key order: a damaged
// tree whose leaves lead round in a circle is error 120, not an endless READ.
// When the entry of the position is gone, the entry that the search stopped
// at must not lie below it either: a node out of order sends the search
// back to entries already read.
bool Ism_file::next(int k) {
  Stmt_lock stmt(this, false);
  Ism_pos& p = pos_[size_t(k)];
  std::vector<Step> path;
  bool ok;
  bool check = false, gone = false;
  Ent from;
  switch (p.state) {
    case Ism_pos::NONE: ok = keys_[size_t(k)].root && leftmost(k, &path, keys_[size_t(k)].root) && normalize(k, &path); break;
    case Ism_pos::ON:
      if (locate(k, p, &path)) {
        from = entry_at(k, path);
        check = true;
        ok = step_next(k, &path);
      } else {
        ok = !path.empty();
        gone = true;
      }
      break;
    case Ism_pos::BEFORE: ok = locate(k, p, &path) || !path.empty(); break;
    default: ok = false;
  }
  if (ok) {
    Ent e = entry_at(k, path);
    if (check && !from.high && cmp(k, e, from.key, from.dup) <= 0) corrupt();
    if (gone && !e.high && cmp(k, e, p.key, p.dup) < 0) corrupt();
    if (e.high) ok = false;
    else p = Ism_pos{Ism_pos::ON, e.key, e.dup, e.ptr};
  }
  if (!ok) p.state = Ism_pos::END;
  return ok;
}

bool Ism_file::prev(int k) {
  Stmt_lock stmt(this, false);
  Ism_pos& p = pos_[size_t(k)];
  std::vector<Step> path;
  bool ok;
  bool check = false;
  Ent from;
  auto from_end = [&] {
    return keys_[size_t(k)].root && rightmost(k, &path, keys_[size_t(k)].root) &&
           (path.back().idx >= 0 || step_prev(k, &path));
  };
  switch (p.state) {
    case Ism_pos::END: ok = from_end(); break;
    case Ism_pos::ON:
    case Ism_pos::BEFORE:
      if (locate(k, p, &path) || !path.empty()) {
        from = entry_at(k, path);
        check = true;
        ok = step_prev(k, &path);
      } else {
        ok = from_end();
      }
      break;
    default: ok = false;
  }
  if (ok) {
    Ent e = entry_at(k, path);
    if (check && !e.high && cmp(k, from, e.key, e.dup) <= 0) corrupt();
    if (e.high) {
      // The highest-key entry stands only in inner nodes: a leaf holding one
      // is damaged.
      corrupt();
    }
    p = Ism_pos{Ism_pos::ON, e.key, e.dup, e.ptr};
  } else {
    p.state = Ism_pos::NONE;
  }
  return ok;
}

bool Ism_file::peek(int k, bool (Ism_file::*step)(int), std::string* key) {
  Ism_pos saved = pos_[size_t(k)];
  bool ok = (this->*step)(k);
  if (ok) *key = pos_[size_t(k)].key;
  pos_[size_t(k)] = saved;
  return ok;
}

bool Ism_file::peek_next(int k, std::string* key) { return peek(k, &Ism_file::next, key); }
bool Ism_file::peek_prev(int k, std::string* key) { return peek(k, &Ism_file::prev, key); }

bool Ism_file::read_record(uint32_t n, std::string* rec) {
  if (n == 0 || n > 0x7FFFFFFFu) return false;
  rec->assign(size_t(reclen_) + 1, '\0');
  int64_t off = int64_t(n - 1) * (reclen_ + 1);
  int64_t got = read_data ? read_data(off, rec->data(), reclen_ + 1) : plain_read(dat_fd_, off, rec->data(), reclen_ + 1);
  if (got != reclen_ + 1 || (*rec)[size_t(reclen_)] != '\n') return false;
  rec->resize(size_t(reclen_));
  return true;
}

void Ism_file::set_positions(int k, const std::string& rec, uint32_t n) {
  for (int i = 0; i < keys(); ++i) {
    if (i == k) continue;
    pos_[size_t(i)] = Ism_pos{Ism_pos::ON, genkey(i, rec), 0, n};
  }
}

// ---- allocation ----

uint8_t* Ism_file::free_list_node(uint32_t n, int hops, int* used) {
  if (hops > 100000 || n > high_node_ || n < 2) corrupt();
  uint8_t* b = kread(n);
  *used = get2(b);
  if (*used > nsize_ - 3 || *used < 6) corrupt();
  return b;
}

uint32_t Ism_file::newaddr(int head_off, int high_off, uint8_t type) {
  (void)type;
  uint32_t n = get4(kread(1) + head_off);
  for (int hops = 0; n; ++hops) {
    int used;
    uint8_t* b = free_list_node(n, hops, &used);
    if (used > 6) {
      uint32_t v = get4(b + used - 4);
      put2(b, uint16_t(used - 4));
      kwrite(n);
      return v;
    }
    n = get4(b + 2);
  }
  uint8_t* d = kread(1);
  uint32_t v = get4(d + high_off) + 1;
  if (v == 0 || v > 0x7FFFFFFEu) Rpt_error(err::END_OF_FILE);
  put4(d + high_off, v);
  kwrite(1);
  return v;
}

void Ism_file::freeaddr(uint32_t v, int head_off, int high_off, uint8_t type) {
  uint8_t* d = kread(1);
  if (get4(d + high_off) == v) {
    put4(d + high_off, v - 1);
    kwrite(1);
    return;
  }
  uint32_t n = get4(d + head_off), last = 0;
  for (int hops = 0; n; ++hops) {
    int used;
    uint8_t* b = free_list_node(n, hops, &used);
    if (used + 4 < nsize_ - 3) {
      put4(b + used, v);
      put2(b, uint16_t(used + 4));
      kwrite(n);
      return;
    }
    last = n;
    n = get4(b + 2);
  }
  uint32_t m = newnode();
  uint8_t* b = kread(m);
  std::memset(b, 0, size_t(nsize_));
  put2(b, 10);
  put4(b + 6, v);
  b[nsize_ - 2] = 127;
  b[nsize_ - 3] = type;
  kwrite(m);
  if (last) {
    put4(kread(last) + 2, m);
    kwrite(last);
  } else {
    put4(kread(1) + head_off, m);
    kwrite(1);
  }
}

// A node number for a new node; its buffer is read (a reused node) or
// made empty (a node past the end of the file).
uint32_t Ism_file::newnode() {
  uint32_t n = newaddr(D_FREE_NODE, D_HIGH_NODE, FREE_NODES);
  if (n > high_node_) {
    high_node_ = n;
    Buf* victim = free_buffer();
    std::memset(victim->data.data(), 0, size_t(nsize_));
    victim->no = n;
    victim->state = 2;
    index_set(n, size_t(victim - bufs_.data()));
    changed_ = true;
    dcache_.erase(n);
  }
  return n;
}

void Ism_file::freenode(uint32_t n) {
  freeaddr(n, D_FREE_NODE, D_HIGH_NODE, FREE_NODES);
  if (n == high_node_) high_node_--;
}

void Ism_file::set_root(int k, uint32_t root) {
  Ism_keydesc& kd = keys_[size_t(k)];
  put4(kread(kd.desc_node) + kd.desc_off, root);
  kwrite(kd.desc_node);
  kd.root = root;
}

// ---- insertion and deletion ----

// Stores node (path[level]) or, when it no longer fits, splits it: the
// entries up to half a node go to a new node of the same level and type,
// whose last key enters the parent in front of the old node's entry.
void Ism_file::insert_at(int k, std::vector<Step>& path, size_t level, const Ent& e) {
  // The entry goes into the decoded node itself; when the node still fits
  // its bytes are written over the buffer and the decoded form stays.
  uint32_t no = path[level].node;
  if (int w = entry_width(k)) {
    uint8_t* b = kread(no);
    int used = get2(b);
    if (used < 2 || used > nsize_ - 3 || (used - 2) % w) corrupt();
    if (used + w <= nsize_ - 3) {
      size_t at = 2 + std::min(size_t(std::max(path[level].idx, 0)), size_t((used - 2) / w)) * size_t(w);
      std::memmove(b + at + size_t(w), b + at, size_t(used) - at);
      raw_put(k, b + at, e);
      put2(b, uint16_t(used + w));
      kwrite(no);
      return;
    }
  }
  Node& kept = const_cast<Node&>(decode(no, k));
  size_t idx = size_t(path[level].idx);
  if (idx > kept.ents.size()) idx = kept.ents.size();
  kept.ents.insert(kept.ents.begin() + long(idx), e);
  std::vector<uint8_t>& out = scratch_;
  if (encode(kept, k, &out)) {
    uint8_t* b;
    try {
      b = kread(no);
    } catch (...) {
      dcache_.erase(no);  // the decoded node is no longer what the file holds
      throw;
    }
    out[size_t(nsize_ - 1)] = b[nsize_ - 1];
    std::memcpy(b, out.data(), size_t(nsize_));
    int at = buf_of(no);
    if (at < 0) corrupt();
    bufs_[size_t(at)].state = 2;
    changed_ = true;
    return;
  }
  Node node = std::move(kept);
  dcache_.erase(no);
  // Split: the left part takes entries while it stays within half a node.
  size_t m = 1;
  Node left;
  left.level = node.level;
  left.type = node.type;
  for (; m < node.ents.size(); ++m) {
    left.ents.assign(node.ents.begin(), node.ents.begin() + long(m + 1));
    if (!encode(left, k, &out) || out.size() == 0 || get2(out.data()) > nsize_ / 2) break;
  }
  if (m >= node.ents.size()) m = node.ents.size() - 1;
  left.ents.assign(node.ents.begin(), node.ents.begin() + long(m));
  Node right = node;
  right.ents.erase(right.ents.begin(), right.ents.begin() + long(m));
  if (!encode(right, k, &out) || !encode(left, k, &out)) corrupt();
  left.no = newnode();
  store(left, k);
  store(right, k);
  Ent sep;
  sep.key = left.ents.back().key;
  sep.dup = left.ents.back().dup;
  sep.ptr = left.no;
  if (level == 0) {
    Node root;
    root.no = newnode();
    root.level = node.level + 1;
    root.type = node.type;
    if (root.level > ISM_MAX_LEVELS) corrupt();
    Ent high;
    high.high = true;
    high.key.assign(size_t(keys_[size_t(k)].len), '\xFF');
    high.ptr = node.no;
    root.ents = {sep, high};
    store(root, k);
    set_root(k, root.no);
    return;
  }
  insert_at(k, path, level - 1, sep);
}

void Ism_file::addkey(int k, const std::string& key, uint32_t rec) {
  const Ism_keydesc& kd = keys_[size_t(k)];
  Ent e;
  e.key = key;
  e.ptr = rec;
  std::vector<Step> path;
  if (kd.root == 0) {
    Node root;
    root.no = newnode();
    root.ents = {e};
    store(root, k);
    set_root(k, root.no);
    return;
  }
  if (kd.dups) {
    // One above the highest duplicate number of the key.
    if (descend(k, key, 0xFFFFFFFFu, &path, false)) {
      std::vector<Step> back = path;
      if (step_prev(k, &back)) {
        Ent last = entry_at(k, back);
        if (!last.high && last.key == key) {
          if (last.dup == 0xFFFFFFFFu) corrupt();
          e.dup = last.dup + 1;
        }
      }
    }
  }
  descend(k, key, e.dup, &path, true);
  if (path.empty()) corrupt();
  uint32_t there;
  if (!kd.dups && leaf_holds(k, path, key, &there)) Rpt_error(E_CORRUPT);
  insert_at(k, path, path.size() - 1, e);
}

// Removes the entry at path[level]; a node left empty is freed and its entry
// removed from the parent; an empty root becomes an empty leaf.
void Ism_file::delkey(int k, std::vector<Step>& path, size_t level) {
  Node node = decode(path[level].node, k);
  size_t idx = size_t(path[level].idx);
  if (idx >= node.ents.size()) corrupt();
  bool was_high = node.ents[idx].high;
  node.ents.erase(node.ents.begin() + long(idx));
  if (node.ents.empty()) {
    if (level == 0) {
      node.level = 0;
      store(node, k);
      return;
    }
    freenode(node.no);
    delkey(k, path, level - 1);
    return;
  }
  if (was_high && idx == node.ents.size()) {
    node.ents.back().high = true;
    node.ents.back().key.assign(size_t(keys_[size_t(k)].len), '\xFF');
    node.ents.back().dup = 0;
  }
  std::vector<uint8_t> out;
  if (encode(node, k, &out)) {
    store(std::move(node), k, &out);
    return;
  }
  // Leading compression against a new neighbour can make a node longer:
  // it is split like an insertion (re-entering one entry).
  Ent last = node.ents.back();
  node.ents.pop_back();
  store(node, k);
  path[level].idx = int(node.ents.size());
  insert_at(k, path, level, last);
}

// ---- the record operations ----

int Ism_file::write(const std::string& rec_in, int mode, uint32_t* recno) {
  if (readonly_) Rpt_error(err::WRONG_MODE);
  std::string rec = rec_in;
  rec.resize(size_t(reclen_), '\0');
  Stmt_lock stmt(this, true);
  std::string k0 = genkey(0, rec);
  std::vector<Step> path, k0_path;
  uint32_t old = 0;
  // The search for key 0 raises inner entries below the key on its way (an
  // insertion there follows), so an existing key lies in the leaf reached
  // and a new one goes in at the place found.
  if (!keys_[0].dups && descend(0, k0, 0, &k0_path, true) && !leaf_holds(0, k0_path, k0, &old)) old = 0;
  if (old && mode == 1) return 11;
  if (!old && mode == 2) return 11;
  std::string old_rec;
  if (old && !read_record(old, &old_rec)) Rpt_error(err::RECORD_LENGTH);
  // Every check before anything changes: unique alternate keys are free,
  // and the entries of a replaced record are all there.
  for (int k = 1; k < keys(); ++k) {
    std::string nk = genkey(k, rec);
    if (old) {
      std::string ok = genkey(k, old_rec);
      if (ok == nk) continue;
      if (!locate_rec(k, ok, old, &path)) {
        if (missing_alt) missing_alt();
        Rpt_error_text(E_CORRUPT, "Cannot find alt-key");
      }
    }
    if (!keys_[size_t(k)].dups && descend(k, nk, 0, &path, false) && normalize(k, &path)) {
      Ent e = entry_at(k, path);
      if (!e.high && e.key == nk) return 11;
    }
  }
  uint32_t n = old ? old : newaddr(D_FREE_REC, D_HIGH_REC, FREE_RECORDS);
  std::string image = rec;
  image.push_back('\n');
  data_write(int64_t(n - 1) * (reclen_ + 1), image);
  for (int k = 0; k < keys(); ++k) {
    std::string nk = genkey(k, rec);
    if (old) {
      if (k == 0) continue;
      std::string ok = genkey(k, old_rec);
      if (ok == nk) continue;
      if (!locate_rec(k, ok, old, &path)) corrupt();
      delkey(k, path, path.size() - 1);
    }
    if (k == 0 && !k0_path.empty()) {
      Ent e;
      e.key = nk;
      e.ptr = n;
      insert_at(0, k0_path, k0_path.size() - 1, e);
      continue;
    }
    addkey(k, nk, n);
  }
  for (int k = 0; k < keys(); ++k) pos_[size_t(k)] = Ism_pos{Ism_pos::ON, genkey(k, rec), 0, n};
  if (recno) *recno = n;
  return 0;
}

bool Ism_file::remove(const std::string& key_in) {
  if (readonly_) Rpt_error(err::WRONG_MODE);
  std::string key = key_in;
  key.resize(size_t(keys_[0].len), '\0');
  Stmt_lock stmt(this, true);
  std::vector<Step> path;
  if (!descend(0, key, 0, &path, false) || !normalize(0, &path)) return false;
  Ent e = entry_at(0, path);
  if (e.high || e.key != key) return false;
  uint32_t n = e.ptr;
  std::string rec;
  if (keys() > 1 && !read_record(n, &rec)) Rpt_error(err::RECORD_LENGTH);
  for (int k = 1; k < keys(); ++k)
    if (!locate_rec(k, genkey(k, rec), n, &path)) {
      if (missing_alt) missing_alt();
      Rpt_error_text(E_CORRUPT, "Cannot find alt-key");
    }
  for (int k = 0; k < keys(); ++k) {
    std::string kv = k == 0 ? key : genkey(k, rec);
    if (!locate_rec(k, kv, n, &path)) corrupt();
    delkey(k, path, path.size() - 1);
  }
  data_write(int64_t(n - 1) * (reclen_ + 1), std::string(size_t(reclen_) + 1, '\0'));
  freeaddr(n, D_FREE_REC, D_HIGH_REC, FREE_RECORDS);
  return true;
}

// Both files emptied: node 1 and the key descriptions kept (in one node),
// a new empty root per key.
void Ism_file::purge() {
  if (readonly_) Rpt_error(err::WRONG_MODE);
  Stmt_lock stmt(this, true);
  std::vector<uint8_t> dict(kread(1), kread(1) + nsize_);
  uint32_t desc = get4(dict.data() + D_KEYDESC);
  std::vector<uint8_t> descn(kread(desc), kread(desc) + nsize_);
  if (get4(descn.data() + 2) != 0) Rpt_error(err::WRONG_MODE);
  for (const Ism_keydesc& k : keys_)
    if (k.desc_node != desc) Rpt_error(err::WRONG_MODE);
  drop_buffers();
  changed_ = false;
  if (chsize(idx_fd_, 0) != 0 || chsize(dat_fd_, 0) != 0) Sys_error();
  put4(dict.data() + D_KEYDESC, 2);
  for (int off : {D_FREE_REC, D_FREE_NODE, D_HIGH_REC}) put4(dict.data() + off, 0);
  put4(dict.data() + D_HIGH_NODE, 2);
  put4(dict.data() + 41, 0);
  pwrite_full(idx_fd_, dict.data(), dict.size(), 0);
  pwrite_full(idx_fd_, descn.data(), descn.size(), nsize_);
  high_node_ = 2;
  for (Ism_keydesc& k : keys_) {
    k.desc_node = 2;
    Node root;
    root.no = newnode();
    store(root, int(&k - keys_.data()));
    set_root(int(&k - keys_.data()), root.no);
  }
  for (Ism_pos& p : pos_) p = Ism_pos{};
}

// ---- structural check ----

std::string Ism_file::verify_tree(int k, uint32_t n, int level, std::string* last, uint32_t* count, int depth) {
  if (depth > MAX_DEPTH) return "too deep\n";
  Node node = decode(n, k);  // a copy: the walk below decodes other nodes
  std::string out;
  if (level >= 0 && node.level != level) out += "node " + std::to_string(n) + " at the wrong level\n";
  for (const Ent& e : node.ents) {
    if (node.level == 0) {
      std::string kv = e.key + std::string(4, '\0');
      kv[kv.size() - 4] = char(e.dup >> 24);
      kv[kv.size() - 3] = char(e.dup >> 16);
      kv[kv.size() - 2] = char(e.dup >> 8);
      kv[kv.size() - 1] = char(e.dup);
      if (!last->empty() && kv <= *last) out += "key " + std::to_string(k) + " out of order in node " + std::to_string(n) + "\n";
      *last = kv;
      ++*count;
      std::string rec;
      if (!read_record(e.ptr, &rec)) out += "entry for record " + std::to_string(e.ptr) + " not in use\n";
      else if (genkey(k, rec) != e.key) out += "entry for record " + std::to_string(e.ptr) + " has the wrong key\n";
    } else {
      if (e.ptr < 2 || e.ptr > high_node_) return out + "bad child pointer\n";
      out += verify_tree(k, e.ptr, node.level - 1, last, count, depth + 1);
    }
  }
  return out;
}

std::string Ism_file::verify() {
  Stmt_lock stmt(this, false);
  std::string out;
  uint32_t first = 0;
  for (int k = 0; k < keys(); ++k) {
    if (!keys_[size_t(k)].root) continue;
    std::string last;
    uint32_t count = 0;
    out += verify_tree(k, keys_[size_t(k)].root, -1, &last, &count, 0);
    if (k == 0) first = count;
    else if (count != first) out += "key " + std::to_string(k) + " has " + std::to_string(count) + " entries, key 0 " + std::to_string(first) + "\n";
  }
  return out;
}
