// Keyed files, first format: the block cache, block allocation (free chain
// and space maps) and segment files.
//
// Buffers live in the process-wide queue (4096 data bytes each, parameter BF
// of them) or in a file's private chain (block-size buffers; when BF is 0,
// when the open asked for a buffer count or when blocks exceed 4096 bytes).
// Each pool keeps its buffers in least-recently-used order and an index by
// (file, block address).  Invariants:
//   - a buffer used by the running operation is never chosen as the victim:
//     the pool grows instead, so a node held by a split or merge can never
//     be replaced under it;
//   - cached blocks are trusted only while the header is loaded in the
//     running operation (or the channel works without locks); the header
//     load drops every cached block of a file whose change counter moved.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "keyed/key_settings.h"
#include "keyed/eff_store.h"
#include "keyed/file_crypt.h"
#include "keyed/keyed_internal.h"

namespace {
Kbfr_pool Kbfr_q;         // the process-wide queue
bool queue_sized = false;
uint64_t Kbfr_quepos = 0;  // use stamps

uint64_t ix(const Key_file* f, uint32_t addr) { return (f->id << 32) | addr; }

void ensure_queue() {
  if (queue_sized) return;
  queue_sized = true;
  Key_settings_refresh();
  Kbfr_set(Key_cfg.shared_buffers);
}

void unlink_lru(Kbfr_pool& p, Kbfr* b) {
  if (b->prev) b->prev->next = b->next; else p.mru = b->next;
  if (b->next) b->next->prev = b->prev; else p.lru = b->prev;
  b->prev = b->next = nullptr;
}
void push_mru(Kbfr_pool& p, Kbfr* b) {
  b->next = p.mru;
  b->prev = nullptr;
  if (p.mru) p.mru->prev = b; else p.lru = b;
  p.mru = b;
}
void push_lru(Kbfr_pool& p, Kbfr* b) {
  b->prev = p.lru;
  b->next = nullptr;
  if (p.lru) p.lru->next = b; else p.mru = b;
  p.lru = b;
}
void use(Kbfr_pool& p, Kbfr* b) {
  if (p.mru == b) return;
  unlink_lru(p, b);
  push_mru(p, b);
}

Kbfr* add_buffer(Kbfr_pool& p) {
  auto u = std::make_unique<Kbfr>();
  u->data.assign(p.data_size, 0);
  Kbfr* b = u.get();
  p.bufs.push_back(std::move(u));
  push_lru(p, b);
  return b;
}

// The victim of a miss: a free buffer, else the least recently used buffer
// not used in this operation; a new buffer when there is none (or a growing
// private pool may still grow).
// A file held whole (its channel works without locks) keeps what it reads:
// no other process can change its blocks, so its private chain grows up to
// this many bytes instead of reading the same blocks again.
constexpr size_t HELD_WHOLE_BYTES = size_t(32) << 20;

Kbfr* victim(Kbfr_pool& p) {
  if (p.grow_left > 0) {
    --p.grow_left;
    return add_buffer(p);
  }
  if (p.lru && !p.lru->file) return p.lru;
  if (K.ch && K.ch->nolock && !K.ch->readonly && K.f && K.f->priv.get() == &p &&
      (p.bufs.size() + 1) * p.data_size <= HELD_WHOLE_BYTES)
    return add_buffer(p);
  // A buffer passed over goes to the most recently used end: it is in use
  // (or must stay), so the next search does not walk over it again.  Each
  // buffer is looked at once at most.
  if (p.busy_file && p.busy_file == K.f && p.busy_serial == K.serial) return add_buffer(p);
  Kbfr* b = p.lru;
  for (size_t left = p.bufs.size(); b && left > 0; --left) {
    if (!b->file) return b;
    Kbfr* up = b->prev;
    // A changed EFF map page is written only by the flip at the end of its
    // cycle, so it stays cached until then.
    if ((b->serial == K.serial && b->file == K.f) ||
        (b->changed && b->file->eff && b->b()[0] == kf::BT_MAP)) {
      use(p, b);
      b = up;
      continue;
    }
    return b;
  }
  p.busy_file = K.f;
  p.busy_serial = K.serial;
  return add_buffer(p);
}

void forget(Kbfr_pool& p, Kbfr* b) {
  if (b->file) p.index.erase(ix(b->file, b->addr));
  b->file = nullptr;
  b->changed = false;
  unlink_lru(p, b);
  push_lru(p, b);
}

int64_t read_full(int fd, uint8_t* buf, size_t len, int64_t off) {
  size_t got = 0;
  while (got < len) {
    ssize_t r = ::pread(fd, buf + got, len - got, off + int64_t(got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    got += size_t(r);
  }
  return int64_t(got);
}

int64_t write_full(int fd, const uint8_t* buf, size_t len, int64_t off) {
  size_t put = 0;
  while (put < len) {
    ssize_t r = ::pwrite(fd, buf + put, len - put, off + int64_t(put));
    if (r < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (r == 0) break;
    put += size_t(r);
  }
  return int64_t(put);
}

// Blocks per group of the space maps, and a group's bytes.
int64_t group_bytes(const Key_file* f) { return int64_t(f->blk) * (f->blk - kf::BLK_HDR); }

uint8_t free_mark() { return Key_cfg.free_as_node ? kf::BT_NODE : kf::BT_FREE; }
}  // namespace

// Plain positioned transfers for the rest of the engine.
int64_t Key_pread(int fd, uint8_t* buf, size_t len, int64_t off) { return read_full(fd, buf, len, off); }
int64_t Key_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off) { return write_full(fd, buf, len, off); }

int Key_seg_of(const Key_file* f, uint32_t addr) {
  if (!f->variable || addr < kf::FIRST_BLOCK) return 0;
  return int(((addr - kf::FIRST_BLOCK) & ~255u) % uint32_t(f->blk) / 256);
}

int64_t Key_host_off(const Key_file* f, uint32_t addr) { return int64_t(addr) - int64_t(Key_seg_of(f, addr)) * 256; }

uint64_t KeyBlockNo(const Key_file* f, uint32_t addr) {
  return (uint64_t(Key_seg_of(f, addr)) << 32) | uint64_t(Key_host_off(f, addr));
}

uint32_t Key_next_segment(const Key_file* f, uint32_t addr) {
  int seg = Key_seg_of(f, addr) + 1;
  if (seg * 256 >= f->blk) return 0;  // the address cannot name it
  return uint32_t(kf::FIRST_BLOCK + seg * 256);
}

uint32_t Key_next_block(const Key_file* f, uint32_t addr) {
  int seg = Key_seg_of(f, addr);
  int64_t host = Key_host_off(f, addr) + f->blk;
  if (host + f->blk > f->seg_limit) return Key_next_segment(f, addr);
  return uint32_t(host + seg * 256);
}

bool Key_past_segment(const Key_file* f, uint32_t* blk, const Oru_error& e, bool tell) {
  if (e.no != err::INDEX_BLOCK_DAMAGED && e.no != err::SEGMENT_DAMAGED) return false;
  if (tell && e.no == err::SEGMENT_DAMAGED && K.missing_segment) K.missing_segment(Key_seg_of(f, *blk));
  *blk = Key_next_segment(f, *blk);
  return true;
}

std::string KSeg_path(const std::string& main, int seg) {
  char sfx[8];
  std::snprintf(sfx, sizeof sfx, ".%03d", seg);
  return main + sfx;
}

// Opens segment file seg (creating it when create is set), following links.
static int open_segment(Key_file* f, int seg, bool create) {
  std::string path = KSeg_path(f->path, seg);
  for (int links = 0; links <= 10; ++links) {
    // Through symbolic links of this user's or root's only (checked again
    // on what was opened), as every data file.
    if (Key_foreign_symlink(path.c_str())) Key_error_text(10, "Symbolic link not owned by you or root");
    int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      struct stat got {};
      if (!Key_opened_as_named(fd, path.c_str()) || ::fstat(fd, &got) != 0 || !S_ISREG(got.st_mode)) {
        ::close(fd);
        if (Key_foreign_symlink(path.c_str())) Key_error_text(10, "Symbolic link not owned by you or root");
        Key_error(117);
      }
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    if (fd < 0 && errno == ENOENT && create) {
      fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, Key_cfg.create_mode);
      if (fd < 0) Key_sys_error();
      uint8_t head[512];
      if (read_full(f->fd, head, 512, 0) != 512) {
        ::close(fd);
        Key_error(117);
      }
      std::memcpy(head + 4, "seg", 3);
      std::memcpy(head + 8, f->hdr + 8, 248);
      if (write_full(fd, head, 512, 0) != 512) {
        ::close(fd);
        Key_error(16);
      }
      return fd;
    }
    if (fd < 0) Key_error(117);
    uint8_t head[72] = {};
    if (read_full(fd, head, sizeof head, 0) < 8) {
      ::close(fd);
      Key_error(117);
    }
    if (std::memcmp(head + 4, "seg]", 4) == 0) return fd;
    // A segment link is followed only when it is this user's or root's:
    // whoever may put a file beside a shared keyed file could otherwise send
    // this user's writes into another file of theirs.
    struct stat st {};
    bool owned = ::fstat(fd, &st) == 0 && (st.st_uid == ::geteuid() || st.st_uid == 0);
    ::close(fd);
    if (std::memcmp(head + 4, "lnk]", 4) != 0) Key_error(117);
    if (!owned) Key_error_text(10, "Segment link file not owned by you or root");
    size_t n = 0;
    while (n < 60 && head[8 + n] && head[8 + n] != '\n' && head[8 + n] != '\r') ++n;
    if (n == 0) Key_error(117);
    path.assign(reinterpret_cast<const char*>(head + 8), n);
  }
  Key_error(117);
}

int KSeg_fd(Key_file* f, int seg) {
  if (seg == 0) return f->fd;
  if (seg > kf::MAX_SEGMENT_FILES || seg * 256 >= f->blk) Key_error(16);
  if (f->seg_fd.size() <= size_t(seg)) f->seg_fd.resize(size_t(seg) + 1, -1);
  if (f->seg_fd[size_t(seg)] >= 0) return f->seg_fd[size_t(seg)];
  if (seg > f->hdr[kf::H_NSEG]) Key_error(117);
  f->seg_fd[size_t(seg)] = open_segment(f, seg, false);
  return f->seg_fd[size_t(seg)];
}

static int create_segment(Key_file* f, int seg) {
  if (seg > kf::MAX_SEGMENT_FILES || seg * 256 >= f->blk) Key_error(16);
  if (f->seg_fd.size() <= size_t(seg)) f->seg_fd.resize(size_t(seg) + 1, -1);
  if (f->seg_fd[size_t(seg)] < 0) f->seg_fd[size_t(seg)] = open_segment(f, seg, true);
  return f->seg_fd[size_t(seg)];
}

void KSeg_close_all(Key_file* f) {
  for (size_t s = 1; s < f->seg_fd.size(); ++s)
    if (f->seg_fd[s] >= 0) ::close(f->seg_fd[s]);
  f->seg_fd.assign(1, f->fd);
}

Kbfr_pool& Kbfr_pool_of(Key_file* f) {
  if (f->priv) return *f->priv;
  ensure_queue();
  if (Kbfr_q.bufs.empty() || f->blk > 4096 || (K.ch && K.ch->nbf)) {
    // A private chain: the count asked at open, else FB (+2 for variable
    // files), at least 3.
    f->priv = std::make_unique<Kbfr_pool>();
    f->priv->data_size = size_t(f->blk);
    int n = K.ch && K.ch->nbf ? K.ch->nbf : Key_cfg.file_buffers + (f->variable ? 2 : 0);
    n = std::max(n, 3);
    for (int i = 0; i < n; ++i) add_buffer(*f->priv);
    return *f->priv;
  }
  return Kbfr_q;
}

// Buffers in the shared queue (made on first use).
size_t Kbfr_queue_size() {
  ensure_queue();
  return Kbfr_q.bufs.size();
}

void Kbfr_set(int count) {
  queue_sized = true;
  for (auto& b : Kbfr_q.bufs)
    if (b->file && b->changed) Kbfr_wrt(b.get(), false);
  if (count < 0) count = 0;
  while (Kbfr_q.bufs.size() > size_t(count)) {
    Kbfr* b = Kbfr_q.bufs.back().get();
    forget(Kbfr_q, b);
    unlink_lru(Kbfr_q, b);
    Kbfr_q.bufs.pop_back();
  }
  while (Kbfr_q.bufs.size() < size_t(count)) add_buffer(Kbfr_q);
  Kbfr_quepos = 0;
  for (auto& b : Kbfr_q.bufs) b->stamp = 0;
}

// Nested operations (driver save and restore): the queue is parked aside
// and a fresh one of the same size serves the nested context.  A fresh
// queue rather than none: without one every file would make a private
// chain that outlived the nested context beside the parked queue's copies.
std::unique_ptr<Kbfr_pool> Kbfr_queue_park() {
  ensure_queue();
  auto parked = std::make_unique<Kbfr_pool>();
  std::swap(*parked, Kbfr_q);
  Kbfr_q.mru = Kbfr_q.lru = nullptr;
  Kbfr_q.data_size = parked->data_size;
  for (size_t i = 0; i < parked->bufs.size(); ++i) add_buffer(Kbfr_q);
  return parked;
}

// Puts a parked queue back; the nested queue's buffers must be written back
// already.  Clean parked buffers are forgotten, as the nested context may
// have changed their blocks; changed ones belong to the parked operation.
void Kbfr_queue_unpark(std::unique_ptr<Kbfr_pool> parked) {
  std::swap(*parked, Kbfr_q);
  for (auto& u : Kbfr_q.bufs)
    if (u->file && !u->changed) forget(Kbfr_q, u.get());
  Kbfr_quepos = 0;
  for (auto& b : Kbfr_q.bufs) b->stamp = 0;
}

void Kbfr_wrt(Kbfr* b, bool own) {
  Key_file* f = b->file;
  if (f->eff) {
    if (b->b()[0] == kf::BT_MAP) return;  // written by the flip
    // The page's own file must be current while the map changes.
    Key_file* keep = K.f;
    K.f = f;
    try {
      Eff_page_write(b);
    } catch (...) {
      K.f = keep;
      if (own) throw;
      return;
    }
    K.f = keep;
    return;
  }
  if (!f->pend.empty()) {
    try {
      Kfix_flush_pending(f);
    } catch (...) {
      if (own) throw;
      return;
    }
  }
  uint8_t* d = b->b();
  bool node = d[0] == kf::BT_NODE;
  if (node) {
    d[4] = uint8_t(b->count >> 8);
    d[5] = uint8_t(b->count);
  }
  int64_t r = write_full(b->fd, Kcrypt_out(f, d), size_t(f->blk), b->host_off);
  if (node) d[4] = 0;
  ++Key_io_stats.writes;
  if (r != f->blk) {
    if (own) Key_error(8);
    return;  // another channel's block: dropped
  }
  b->changed = false;
}

void Kbfr_flush_file(Key_file* f, bool drop) {
  if (f) {
    Kfix_flush_pending(f);
  } else {
    extern std::vector<Key_file*> Key_files;
    for (Key_file* g : Key_files) Kfix_flush_pending(g);
  }
  auto one = [&](Kbfr_pool& p) {
    for (auto& u : p.bufs) {
      Kbfr* b = u.get();
      if (!b->file || (f && b->file != f)) continue;
      if (b->changed && !(b->file->eff && b->b()[0] == kf::BT_MAP)) Kbfr_wrt(b, b->file == K.f);
      if (drop) forget(p, b);
    }
  };
  one(Kbfr_q);
  extern std::vector<Key_file*> Key_files;
  if (f) {
    if (f->priv) one(*f->priv);
    if (!f->eff) f->touched.clear();  // all written
  } else {
    for (Key_file* g : Key_files) {
      if (g->priv) one(*g->priv);
      if (!g->eff) g->touched.clear();
    }
  }
}

void Kbfr_write_touched(Key_file* f) {
  std::vector<uint32_t> pages;
  pages.swap(f->touched);
  Kbfr_pool& p = Kbfr_pool_of(f);
  for (uint32_t a : pages) {
    auto it = p.index.find(ix(f, a));
    if (it == p.index.end()) continue;  // evicted: written then
    Kbfr* b = it->second;
    if (b->changed && !(f->eff && b->b()[0] == kf::BT_MAP)) Kbfr_wrt(b, true);
  }
}

void Kbfr_drop_file(Key_file* f) {
  f->touched.clear();
  f->pend.clear();  // gathered slots go with the blocks (PURGE)
  for (auto& u : Kbfr_q.bufs)
    if (u->file == f) forget(Kbfr_q, u.get());
  if (f->priv)
    for (auto& u : f->priv->bufs)
      if (u->file == f) forget(*f->priv, u.get());
}

static void init_block(Key_file* f, Kbfr* b, uint32_t addr) {
  std::fill(b->data.begin(), b->data.begin() + f->blk, 0);
  put_u32be(b->b() + 1, addr);
  b->count = 0;
}

static Kbfr* eff_get(uint32_t page, int type);

Kbfr* Kbfr_get(uint32_t addr, int type) {
  Key_file* f = K.f;
  if (f->eff) return eff_get(addr, type);
  Kbfr_pool& p = Kbfr_pool_of(f);
  if (addr < kf::FIRST_BLOCK || (addr & 255) != 0) Key_error(107);
  int seg = Key_seg_of(f, addr);
  int64_t host = Key_host_off(f, addr);
  if (seg > f->hdr[kf::H_NSEG] && type != 0) Key_Hdr_Lock_N_Load(1);
  int fd = KSeg_fd(f, seg);
  auto it = p.index.find(ix(f, addr));
  Kbfr* b = nullptr;
  if (it != p.index.end()) {
    b = it->second;
    if (type == 0) Key_error(106);
    if (f->lock_level > 0 || (K.ch && K.ch->nolock)) {
      b->stamp = ++Kbfr_quepos;
      b->serial = K.serial;
      use(p, b);
    } else {
      // Without the header lock a cached block is not trusted.
      if (b->changed) Kbfr_wrt(b, true);
      forget(p, b);
      b = nullptr;
    }
  }
  if (!b) {
    b = victim(p);
    if (b->file) {
      b->serial = K.serial;  // not chosen again while it is written
      if (b->changed) Kbfr_wrt(b, b->file == f);
      forget(p, b);
    }
    Key_Hdr_Lock_N_Load(1);
    b->addr = addr;
    b->host_off = host;
    b->fd = fd;
    b->changed = false;
    if (type == 0) {
      init_block(f, b, addr);
      if (write_full(fd, b->b(), size_t(f->blk), host) != f->blk) {
        if (errno && errno != ENOSPC) Key_sys_error();
        Key_error(16);
      }
      uint32_t end = addr + uint32_t(f->blk);
      if (KeyBlockNo(f, end) > KeyBlockNo(f, Hdr32(f, kf::H_EOF))) Hdr32_set(f, kf::H_EOF, end);
    } else {
      errno = 0;
      int64_t r = read_full(fd, b->b(), size_t(f->blk), host);
      if (r < 0) Key_sys_error();
      ++Key_io_stats.reads;
      uint8_t* d = b->b();
      if (r == f->blk) Kcrypt_in(f, d);
      bool bad_type = d[0] != 0 && d[0] != 128 && d[0] != 251 && d[0] != 252 && d[0] != 253 && d[0] != 254;
      if (r != f->blk) {
        if (type != 2) Key_error(105);
        std::fill(b->data.begin() + std::max<int64_t>(r, 0), b->data.begin() + f->blk, 0);
      }
      if (d[0] == kf::BT_NODE) {
        b->count = uint16_t(d[5] + 256 * d[4]);
        if (d[4]) f->cap_lifted = true;
        d[4] = 0;
      } else {
        b->count = 0;
      }
      if (type == 2 && (bad_type || get_u32be(d + 1) != addr || r != f->blk)) {
        init_block(f, b, addr);
        if (f->variable) {
          int64_t g = (host - kf::FIRST_BLOCK) % group_bytes(f);
          d[0] = g == 0 ? kf::BT_MAP : kf::BT_FREE;
          if (g == 0) d[kf::BLK_HDR] = kf::BT_MAP;
        }
        if (K.ch && K.ch->nolock) f->touched.push_back(addr);
        b->changed = true;
      }
      if (get_u32be(d + 1) != addr) Key_error(107);
    }
    b->file = f;
    b->stamp = ++Kbfr_quepos;
    b->serial = K.serial;
    p.index[ix(f, addr)] = b;
    use(p, b);
  }
  if (type >= 3 && b->b()[0] != type) Key_error(106);
  if (b->b()[0] == kf::BT_NODE && K.kent_sz) {
    int cap = (f->blk - kf::BLK_HDR) / K.kent_sz;
    if (b->count > cap) Key_error(106);
  }
  return b;
}

// ---- allocation ----

static Kbfr* new_fixed(int type) {
  Key_file* f = K.f;
  uint32_t head = Hdr32(f, kf::H_FREE2);
  if (head) {
    Kbfr* b = Kbfr_get(head, 1);
    uint8_t* d = b->b();
    if (d[0] != kf::BT_FREE && !(d[0] == kf::BT_NODE && Key_cfg.free_as_node)) Key_error(106);
    Hdr32_set(f, kf::H_FREE2, get_u32be(d + 6));
    init_block(f, b, head);
    d[0] = uint8_t(type);
    Kbfr_touch(b);
    return b;
  }
  // Round the end of file up to 512; the gap becomes deleted record slots.
  uint32_t end = Hdr32(f, kf::H_EOF);
  uint64_t round = (uint64_t(end) + 511) / 512 * 512;
  if (round + uint64_t(f->blk) >= kf::FILE_LIMIT) Key_error(16);
  uint32_t grid0 = kf::FIRST_BLOCK + uint32_t(f->blk);
  if (end >= grid0 && f->slot > 0) {
    uint64_t s = uint64_t(end - grid0 + uint32_t(f->slot) - 1) / uint32_t(f->slot) * uint32_t(f->slot) + grid0;
    for (; s + uint64_t(f->slot) <= round; s += uint64_t(f->slot)) {
      uint8_t del[5];
      del[0] = 255;
      put_u32be(del + 1, 0u - Hdr32(f, kf::H_FREE1));
      if (write_full(f->fd, del, 5, int64_t(s)) != 5) Key_error(16);
      Hdr32_set(f, kf::H_FREE1, uint32_t(s));
    }
  }
  Hdr32_set(f, kf::H_EOF, uint32_t(round));
  Kbfr* b = Kbfr_get(uint32_t(round), 0);
  b->b()[0] = uint8_t(type);
  Kbfr_touch(b);
  return b;
}

// The map address of the group holding addr, and the block's index in it.
static uint32_t map_of(const Key_file* f, uint32_t addr, int* index) {
  int seg = Key_seg_of(f, addr);
  int64_t host = Key_host_off(f, addr);
  int64_t g = (host - kf::FIRST_BLOCK) / group_bytes(f);
  int64_t map_host = kf::FIRST_BLOCK + g * group_bytes(f);
  if (index) *index = int((host - map_host) / f->blk);
  return uint32_t(map_host + seg * 256);
}

// The map after map m: the next group, or the first group of the next
// segment at the segment limit (0 when that segment does not exist yet).
static uint32_t next_map(const Key_file* f, uint32_t m, bool* new_segment) {
  int seg = Key_seg_of(f, m);
  int64_t host = Key_host_off(f, m) + group_bytes(f);
  *new_segment = false;
  if (host + f->blk > f->seg_limit) {
    *new_segment = true;
    return uint32_t(kf::FIRST_BLOCK + (seg + 1) * 256);
  }
  return uint32_t(host + seg * 256);
}

static bool at_or_past_eof(const Key_file* f, uint32_t a) {
  return KeyBlockNo(f, a) >= KeyBlockNo(f, Hdr32(f, kf::H_EOF));
}

static Kbfr* new_variable(int type) {
  Key_file* f = K.f;
  uint32_t m = Hdr32(f, kf::H_FREE2);
  if (m == 0) m = kf::FIRST_BLOCK;
  for (int guard = 0; guard < 1 << 20; ++guard) {
    Kbfr* map;
    if (at_or_past_eof(f, m)) {
      map = Kbfr_get(m, 0);
      map->b()[0] = kf::BT_MAP;
      map->b()[kf::BLK_HDR] = kf::BT_MAP;
      Kbfr_touch(map);
    } else {
      try {
        map = Kbfr_get(m, kf::BT_MAP);
      } catch (const Oru_error& e) {
        // A segment file that is missing lends no space: the search goes
        // on in the next segment when there is one.
        int seg = Key_seg_of(f, m);
        if (e.no != err::SEGMENT_DAMAGED || seg == 0 || seg + 1 > f->hdr[kf::H_NSEG]) throw;
        m = Key_next_segment(f, m);
        continue;
      }
    }
    int per = f->blk - kf::BLK_HDR;
    for (int i = 1; i < per; ++i) {
      if (map->b()[kf::BLK_HDR + i] != 0) continue;
      int64_t host = Key_host_off(f, m) + int64_t(i) * f->blk;
      if (host + f->blk > f->seg_limit) break;
      uint32_t a = uint32_t(host + Key_seg_of(f, m) * 256);
      if (Hdr32(f, kf::H_FREE2) != m) Hdr32_set(f, kf::H_FREE2, m);
      Kbfr* b;
      if (at_or_past_eof(f, a)) {
        b = Kbfr_get(a, 0);
      } else {
        b = Kbfr_get(a, 2);
        init_block(f, b, a);
      }
      b->b()[0] = uint8_t(type);
      Kbfr_touch(b);
      map = Kbfr_get(m, kf::BT_MAP);
      map->b()[kf::BLK_HDR + i] = uint8_t(type);
      Kbfr_touch(map);
      return b;
    }
    bool new_seg;
    uint32_t nm = next_map(f, m, &new_seg);
    if (new_seg) {
      int seg = Key_seg_of(f, m) + 1;
      if (f->hdr[kf::H_NSEG] < seg) {
        if (f->hdr[kf::H_NSEG] == 0 && Key_cfg.max_megabytes == 0) Key_error(16);
        create_segment(f, seg);
        f->hdr[kf::H_NSEG] = uint8_t(seg);
        Key_hdr_changed();
      }
      if (at_or_past_eof(f, nm) || KeyBlockNo(f, Hdr32(f, kf::H_EOF)) < KeyBlockNo(f, nm))
        Hdr32_set(f, kf::H_EOF, nm);
    }
    m = nm;
  }
  Key_error(16);
}

Kbfr* Kbfr_new(int type) {
  if (K.f->eff) {
    uint32_t page = Eff_get_empty_page();
    Eff_page_new(page, uint8_t(type));
    Kbfr* b = eff_get(page, 0);
    b->b()[0] = uint8_t(type);
    b->count = 0;
    Kbfr_touch(b);
    return b;
  }
  Kbfr* b = K.f->variable ? new_variable(type) : new_fixed(type);
  b->count = 0;
  return b;
}

int Kbfr_map_state(Kbfr* b) {
  int i;
  uint32_t m = map_of(K.f, b->addr, &i);
  return i > 0 ? int(Kbfr_get(m, kf::BT_MAP)->b()[kf::BLK_HDR + i]) : int(kf::BT_MAP);
}

void Kbfr_mark(Kbfr* b, int state) {
  Key_file* f = K.f;
  if (!f->variable || f->eff) return;  // EFF map types follow the write-back
  uint32_t addr = b->addr;
  int i;
  uint32_t m = map_of(f, addr, &i);
  Kbfr* map = Kbfr_get(m, kf::BT_MAP);
  map->b()[kf::BLK_HDR + i] = uint8_t(state);
  Kbfr_touch(map);
  auto before = [&](int off) {
    uint32_t h = Hdr32(f, off);
    if (h == 0) h = kf::FIRST_BLOCK;
    if (KeyBlockNo(f, m) < KeyBlockNo(f, h)) Hdr32_set(f, off, m);
  };
  if (state == 0) before(kf::H_FREE2);
  if (state == 0 || state == kf::BT_DATA) before(kf::H_FREE1);
}

void Kbfr_free(Kbfr* b) {
  Key_file* f = K.f;
  uint8_t* d = b->b();
  if (f->eff) {
    if (f->data_block == b->addr) f->data_block = 0;
    Eff_page_free(b);
    forget(Kbfr_pool_of(f), b);
    return;
  }
  if (f->variable) {
    init_block(f, b, b->addr);
    d[0] = kf::BT_FREE;
    Kbfr_touch(b);
    if (f->data_block == b->addr) f->data_block = 0;
    Kbfr_mark(b, 0);
    return;
  }
  init_block(f, b, b->addr);
  d[0] = free_mark();
  put_u32be(d + 6, Hdr32(f, kf::H_FREE2));
  Hdr32_set(f, kf::H_FREE2, b->addr);
  Kbfr_touch(b);
}

void Kbfr_swap_addr(Kbfr* a, Kbfr* b) {
  Kbfr_pool& p = Kbfr_pool_of(K.f);
  p.index.erase(ix(a->file, a->addr));
  p.index.erase(ix(b->file, b->addr));
  std::swap(a->addr, b->addr);
  std::swap(a->host_off, b->host_off);
  std::swap(a->fd, b->fd);
  put_u32be(a->b() + 1, a->addr);
  put_u32be(b->b() + 1, b->addr);
  p.index[ix(a->file, a->addr)] = a;
  p.index[ix(b->file, b->addr)] = b;
  Kbfr_touch(a);
  Kbfr_touch(b);
}

// ---- EFF pages ----
// A page of an EFF file by its logical number.  type 0: a page just taken
// from the map, made empty here (it reaches the disk only by copy-on-write
// write-back).  Cached pages are trusted while the operation has loaded the
// header (the load drops them when another process committed).
static Kbfr* eff_get(uint32_t page, int type) {
  Key_file* f = K.f;
  Eff_store* e = Eff_of(f);
  Kbfr_pool& p = Kbfr_pool_of(f);
  if (page < 1 || page > e->max_page) Key_error(114);
  Key_Hdr_Lock_N_Load(1);
  auto it = p.index.find(ix(f, page));
  // A cached page is used as it is (a new page must not be one).
  auto reuse = [&](Kbfr* c) {
    if (type == 0) Key_error(106);
    c->stamp = ++Kbfr_quepos;
    c->serial = K.serial;
    use(p, c);
    return c;
  };
  Kbfr* b = nullptr;
  if (it != p.index.end()) {
    b = reuse(it->second);
  } else {
    // The map is read before a buffer is chosen, so that the map page's own
    // reading cannot take that buffer.
    uint32_t phys = 0;
    if (type != 0) {
      bool map = Eff_is_map_page(e, page);
      phys = map ? page : Eff_log2ps(f, page);
      if (!map && phys > e->high) Key_error(11);
    }
    b = victim(p);
    if (b->file) {
      b->serial = K.serial;  // not chosen again while it is written
      if (b->changed) Kbfr_wrt(b, b->file == f);
      forget(p, b);
    }
    // The write-back of the buffer taken (copy on write) may have read this
    // very page, a map page, and changed it: that copy is the page, and a
    // second one read from the file would lose those changes (its entries
    // would hand out a page already taken).
    auto again = p.index.find(ix(f, page));
    if (again != p.index.end()) {
      b = reuse(again->second);
    } else {
      b->serial = K.serial;
      b->addr = page;
      b->fd = f->fd;
      b->changed = false;
      if (type == 0) {
        init_block(f, b, page);
        b->host_off = 0;
      } else {
        b->host_off = int64_t(phys) * e->B;
        errno = 0;
        int64_t r = Eff_read(f, b->b(), size_t(f->blk), b->host_off);
        if (r < 0) Key_sys_error();
        ++Key_io_stats.reads;
        if (r != f->blk) Key_error(105);
        uint8_t* d = b->b();
        Kcrypt_in(f, d);
        if (get_u32be(d + 1) != page) Key_error(107);
        b->count = d[0] == kf::BT_NODE ? d[5] : 0;
      }
      b->file = f;
      b->stamp = ++Kbfr_quepos;
      p.index[ix(f, page)] = b;
      use(p, b);
    }
  }
  uint8_t t = b->b()[0];
  if (type >= 3 && t != type) Key_error(106);
  if (t == kf::BT_NODE && K.kent_sz && b->count > std::min(255, (f->blk - kf::BLK_HDR) / K.kent_sz)) Key_error(106);
  return b;
}

// Caches the bytes of page `page` of the current EFF file, read by the page
// store together with the header (map pages, whose logical and physical
// numbers agree); nothing when the page is cached already or the bytes do
// not name it.
void Kbfr_eff_install(uint32_t page, const uint8_t* bytes) {
  Key_file* f = K.f;
  Eff_store* e = Eff_of(f);
  Kbfr_pool& p = Kbfr_pool_of(f);
  if (page < 1 || page > e->max_page || !Eff_is_map_page(e, page)) return;
  if (p.index.count(ix(f, page))) return;
  Kbfr* b = victim(p);
  if (b->file) {
    b->serial = K.serial;
    if (b->changed) Kbfr_wrt(b, b->file == f);
    forget(p, b);
  }
  if (p.index.count(ix(f, page))) return;  // read (and perhaps changed) by that write-back
  b->serial = K.serial;
  std::memcpy(b->b(), bytes, size_t(f->blk));
  uint8_t* d = b->b();
  Kcrypt_in(f, d);
  if (get_u32be(d + 1) != page) return;  // the buffer stays free
  b->addr = page;
  b->fd = f->fd;
  b->changed = false;
  b->host_off = int64_t(page) * e->B;
  b->count = 0;
  b->file = f;
  b->stamp = ++Kbfr_quepos;
  p.index[ix(f, page)] = b;
  use(p, b);
}

// Forgets every cached page of f without writing (EFF: a rollback, or the
// pages of another generation).
void Kbfr_forget_file(Key_file* f) { Kbfr_drop_file(f); }

// Forgets the cached data pages and index nodes of f (EFF PURGE).
void Kbfr_forget_nonmap(Key_file* f) {
  auto one = [&](Kbfr_pool& p) {
    for (auto& u : p.bufs) {
      uint8_t t = u->b()[0];
      if (u->file == f && t != kf::BT_MAP && t != 253 && t != kf::BT_DICT) forget(p, u.get());
    }
  };
  one(Kbfr_q);
  if (f->priv) one(*f->priv);
}

// Relabels a cached map page as its other copy (the flip) and writes it.
void Kbfr_relabel(Kbfr* b, uint32_t page) {
  Kbfr_pool& p = Kbfr_pool_of(b->file);
  p.index.erase(ix(b->file, b->addr));
  auto it = p.index.find(ix(b->file, page));
  if (it != p.index.end()) forget(p, it->second);
  b->addr = page;
  put_u32be(b->b() + 1, page);
  p.index[ix(b->file, page)] = b;
}

// The changed pages of f other than map pages.
std::vector<Kbfr*> Kbfr_changed_pages(Key_file* f) {
  std::vector<Kbfr*> out;
  auto one = [&](Kbfr_pool& p) {
    for (auto& u : p.bufs)
      if (u->file == f && u->changed && u->b()[0] != kf::BT_MAP) out.push_back(u.get());
  };
  one(Kbfr_q);
  if (f->priv) one(*f->priv);
  return out;
}

// Positioned transfers of whole pages (EFF maps and header).
int64_t Eff_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off) { return write_full(fd, buf, len, off); }
int64_t Eff_pread(int fd, uint8_t* buf, size_t len, int64_t off) { return read_full(fd, buf, len, off); }

// ---- reads through the file's mapping (eff_view.h) ----

// A file shortened by another program while it is mapped here: touching a
// mapped page past its new end raises SIGBUS.  During each copy to or from
// a mapping, view_copy names the range; the handler puts a page of zeros
// over a lost page in that range (so the copy can finish), notes the fault
// and returns, and the copy is then done again with pread or pwrite, which
// see the file as it now is (a short read: a damaged file, not a crash).
// Any other SIGBUS gets the disposition that was there before.
namespace {
volatile sig_atomic_t view_fault = 0;
const uint8_t* volatile view_lo = nullptr;
const uint8_t* volatile view_hi = nullptr;
struct sigaction prior_bus {};

void on_bus(int sig, siginfo_t* si, void* ctx) {
  const uint8_t* a = static_cast<const uint8_t*>(si->si_addr);
  if (a && view_lo && a >= view_lo && a < view_hi) {
    uintptr_t size = uintptr_t(sysconf(_SC_PAGESIZE));
    void* page = reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(a) & ~(size - 1));
    if (::mmap(page, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
      view_fault = 1;
      return;
    }
  }
  if (prior_bus.sa_flags & SA_SIGINFO) {
    if (prior_bus.sa_sigaction) {
      prior_bus.sa_sigaction(sig, si, ctx);
      return;
    }
  } else if (prior_bus.sa_handler != SIG_DFL && prior_bus.sa_handler != SIG_IGN) {
    prior_bus.sa_handler(sig);
    return;
  }
  // Default: the fault happens again on return and ends the process.
  signal(SIGBUS, SIG_DFL);
}

void arm_bus_guard() {
  static bool armed = false;
  if (armed) return;
  armed = true;
  struct sigaction sa {};
  sa.sa_sigaction = on_bus;
  sa.sa_flags = SA_SIGINFO;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGBUS, &sa, &prior_bus);
}

// Copies n bytes between the mapping and a buffer; false when part of the
// mapped range was lost under it (the view is then given up).
bool view_copy(Eff_view& v, void* to, const void* from, size_t n) {
  view_lo = v.base;
  view_hi = v.base + v.len;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(to, from, n);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  view_lo = nullptr;
  view_hi = nullptr;
  if (!view_fault) return true;
  view_fault = 0;
  v.release();
  return false;
}
}  // namespace

// Maps the file again when it now covers `need` bytes and has grown by a
// step since the last mapping (or none is there).
static bool view_remap(Eff_view& v, int fd, uint64_t need) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_size <= 0) return false;
  uint64_t size = uint64_t(st.st_size);
  if (size < need) return false;
  if (v.base && size < v.len + Eff_view::REMAP_STEP) return false;
  v.release();
  int mode = fcntl(fd, F_GETFL);
  bool rw = mode >= 0 && (mode & O_ACCMODE) == O_RDWR;
  arm_bus_guard();
  void* p = ::mmap(nullptr, size_t(size), rw ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, fd, 0);
  if (p == MAP_FAILED) {
    v.refused = true;
    return false;
  }
  v.base = static_cast<const uint8_t*>(p);
  v.len = size_t(size);
  v.writable = rw;
  return true;
}

void Eff_view::release() {
  if (base) ::munmap(const_cast<uint8_t*>(base), len);
  base = nullptr;
  len = 0;
  writable = false;
}

int64_t Eff_view_read(Eff_view& v, int fd, uint8_t* buf, size_t len, int64_t off) {
  bool mapped = off >= 0 && uint64_t(off) + len <= v.len;
  if (!mapped && off >= 0 && !v.refused) mapped = view_remap(v, fd, uint64_t(off) + len);
  if (mapped && view_copy(v, buf, v.base + off, len)) return int64_t(len);
  return read_full(fd, buf, len, off);
}

int64_t Eff_view_write_page(Eff_view& v, int fd, const uint8_t* buf, size_t len, int64_t off) {
  if (v.writable && off >= 0 && uint64_t(off) + len <= v.len &&
      view_copy(v, const_cast<uint8_t*>(v.base) + off, buf, len))
    return int64_t(len);
  return write_full(fd, buf, len, off);
}

// ---- enciphered pages ----

void Kcrypt_in(const Key_file* f, uint8_t* page) {
  if (f->crypt && f->crypt->active() && Crypt_page_type(page[0])) Decrypt_file_bfr(*f->crypt, page, f->blk);
}

const uint8_t* Kcrypt_out(const Key_file* f, const uint8_t* page) {
  if (!f->crypt || !f->crypt->active() || !Crypt_page_type(page[0])) return page;
  static std::vector<uint8_t> out;
  out.resize(size_t(f->blk));
  Encrypt_file_bfr(*f->crypt, page, out.data(), f->blk);
  return out.data();
}
