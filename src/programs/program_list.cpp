// The loaded-program list, the loader of program files and the record a
// program becomes current from.
#include "programs/program_list.h"
#include "programs/program_protect.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "core/block_copy.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/file_trust.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/control_stack.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "channels/channel.h"
#include "programs/arguments.h"
#include "programs/call_frame.h"
#include "programs/libraries.h"
#include "programs/objects.h"
#include "programs/load_channel.h"
#include "programs/program_crypt.h"
#include "programs/program_file.h"
#include "programs/program_load.h"
#include "programs/program_watch.h"
#include "programs/var_keep.h"

namespace {

constexpr size_t NAME_MAX_LEN = 511;

// The own cache: records the list has let go, most recently kept first.
constexpr int OWN_MAX = 16;
constexpr uint64_t OWN_BYTES = 8u << 20;
Prog_obj* own_head = nullptr;
int own_count = 0;
uint64_t own_bytes = 0;

Prog_obj* own_first() { return own_head; }

void own_unlink(Prog_obj* r) {
  if (r->prev) r->prev->next = r->next;
  else own_head = r->next;
  if (r->next) r->next->prev = r->prev;
  r->next = r->prev = nullptr;
  own_count--;
  own_bytes -= r->image_size;
}

// Prog_own_keeps, in line for retire.
[[gnu::always_inline]] inline bool own_keeps(const Prog_obj* r) {
  // Names in brackets (library members, client names) resolve through
  // more than the search path: they are always looked up again.
  return r->path && r->image && (r->dev || r->ino) && !(r->flags & PO_CHANGED) &&
         !(r->state & PO_STATE_DATA_SET) && r->image_size <= OWN_BYTES / 4 && r->path->name[0] != '[';
}

// Frees rec, or keeps it in the own cache when it came from a file that is
// still the program it holds.
void retire(Prog_obj* r) {
  if (!own_keeps(r)) {
    Prog_free(r);
    return;
  }
  r->flags &= uint16_t(~(PO_STALE | PO_RESIDENT));
  r->uses = 0;
  r->prev = nullptr;
  r->next = own_head;
  if (own_head) own_head->prev = r;
  own_head = r;
  own_count++;
  own_bytes += r->image_size;
  while (own_count > OWN_MAX || own_bytes > OWN_BYTES) {
    Prog_obj* last = own_head;
    while (last->next) last = last->next;
    own_unlink(last);
    Prog_free(last);
  }
}

}  // namespace

bool Prog_own_keeps(const Prog_obj* r) { return own_keeps(r); }

namespace {

// The text source: its channel (65001) is Text_source_fcb.
struct Text_src {
  std::string path, name;
} text_src;

char* copy_text(const std::string& s) {
  char* p = static_cast<char*>(Get_blk(s.size() + 1));
  if (!p) Rpt_error(err::OUT_OF_MEMORY);
  std::memcpy(p, s.data(), s.size());
  p[s.size()] = 0;
  return p;
}

void unlink_rec(Prog_obj* r) {
  if (r->prev) r->prev->next = r->next;
  else ws.Prog_head = r->next;
  if (r->next) r->next->prev = r->prev;
  else ws.Prog_tail = r->prev;
  r->next = r->prev = nullptr;
}

void link_front(Prog_obj* r) {
  r->prev = nullptr;
  r->next = ws.Prog_head;
  if (ws.Prog_head) ws.Prog_head->prev = r;
  ws.Prog_head = r;
  if (!ws.Prog_tail) ws.Prog_tail = r;
}

bool same_stat(const Prog_obj* r, const struct stat& st) {
  return uint64_t(st.st_dev) == r->dev && uint64_t(st.st_ino) == r->ino && int64_t(st.st_size) == r->size &&
         int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec == r->mtime_ns;
}

void keep_stat(Prog_obj* r, const struct stat& st) {
  r->dev = uint64_t(st.st_dev);
  r->ino = uint64_t(st.st_ino);
  r->size = int64_t(st.st_size);
  r->mtime_ns = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// The file behind a record is not the one it was loaded from any more.
// A library member stands for its library file: a save of any member
// reloads the members of that library.
bool file_changed(const Prog_obj* r) {
  struct stat st;
  const char* p = r->path->path;
  if ((p[0] == '[') && Lib_is_name(p)) {
    if (::stat(Lib_path_of(p).c_str(), &st) != 0) return true;
    return !same_stat(r, st);
  }
  if (::stat(p, &st) != 0) return true;
  return !same_stat(r, st);
}

Prog_obj* own_first();

// Calls fn for every record, in the list and in the own cache.
template <class Fn>
void each_record(Fn fn) {
  for (Prog_obj* r = ws.Prog_head; r; r = r->next) fn(r);
  for (Prog_obj* r = own_first(); r; r = r->next) fn(r);
}

bool wd_shared(int32_t wd, const Prog_obj* except) {
  bool used = false;
  each_record([&](Prog_obj* r) {
    if (r == except) return;
    for (int32_t i = 0; i < r->wd_count; i++)
      if (r->wds[i] == wd) used = true;
  });
  return used;
}

void release_watches(Prog_obj* r, const int32_t* wds, int32_t n) {
  for (int32_t i = 0; i < n; i++)
    if (!wd_shared(wds[i], r)) Watch_remove(wds[i]);
}

void mark_changed(int32_t wd) {
  each_record([wd](Prog_obj* r) {
    for (int32_t i = 0; i < r->wd_count; i++)
      if (wd < 0 || r->wds[i] == wd) r->watch_changed = true;
  });
}

// The file behind a record changed: by its change notices when it is
// watched (no system call while none is pending), else by stat.  The first
// check of a record starts watching its file (and still uses stat, which
// covers changes between the load and the watch); a change stat finds is
// remembered as a notice would be, so that a later check, which trusts the
// watch alone, finds it too.
[[gnu::noinline]] bool rec_changed_checked(Prog_obj* r) {
  if (Watch_pending()) Watch_drain(mark_changed);
  if (r->watch_changed) return true;
  if (r->wd_count > 0) return false;
  if (!r->watch_tried && r->path && (r->dev || r->ino)) {
    r->watch_tried = true;
    int32_t wds[WATCH_MAX];
    // A library member is watched through its library file.
    const char* p = r->path->path;
    std::string lib = p[0] == '[' && Lib_is_name(p) ? Lib_path_of(p) : std::string();
    int n = Watch_add(lib.empty() ? p : lib.c_str(), wds);
    if (n < 0) {
      release_watches(r, wds, -n);
    } else {
      std::memcpy(r->wds, wds, sizeof(int32_t) * size_t(n));
      r->wd_count = n;
    }
  }
  if (!file_changed(r)) return false;
  r->watch_changed = true;
  return true;
}

// rec_changed_checked with its usual case in line: a watched file, no
// notice for it, none pending.
[[gnu::always_inline]] inline bool rec_changed(Prog_obj* r) {
  if (r->wd_count > 0 && !r->watch_changed && !Watch_pending()) return false;
  return rec_changed_checked(r);
}

bool read_at(int fd, uint8_t* buf, size_t n, off_t at, size_t* got) {
  *got = 0;
  while (*got < n) {
    ssize_t k = ::pread(fd, buf + *got, n - *got, at + off_t(*got));
    if (k < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (k == 0) break;
    *got += size_t(k);
  }
  return true;
}

// Fills a record from an open program file whose header is hdr: the image
// read, deciphered, converted from format 0, checked.  0, an error number,
// or -1 for a host error left in errno.
// Where an image comes from: an open file, or bytes in memory.
struct Image_source {
  int fd = -1;
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  // Reads n bytes at file offset at; false with errno on a host failure.
  bool read(uint8_t* dst, size_t n, off_t at, size_t* got) const {
    if (fd >= 0) return read_at(fd, dst, n, at, got);
    size_t from = size_t(at) < size ? size_t(at) : size;
    *got = n < size - from ? n : size - from;
    if (*got) std::memcpy(dst, bytes + from, *got);
    return true;
  }
};

int obj_load(Prog_obj* rec, const Image_source& src, const uint8_t* hdr, int64_t file_size) {
  Prg_header h;
  if (Prg_decode(hdr, h) != 0) return 2;
  rec->state = h.state_flags & PO_STATE_MASK;
  rec->var_mask = h.var_mask;
  if (int64_t(h.image_size) > file_size - int64_t(PRG_HDR_SIZE)) return 2;  // short image
  std::vector<uint8_t> v0;
  uint8_t* image = static_cast<uint8_t*>(Get_blk_nc(h.image_size));
  if (!image) return 33;
  struct Image_guard {
    uint8_t*& p;
    ~Image_guard() {
      if (p) Ret_blk(p);
    }
  } guard{image};
  size_t got;
  if (!src.read(image, h.image_size, off_t(PRG_HDR_SIZE), &got)) return -1;
  if (got < h.image_size) return 2;
  if (h.enciphered) {
    Prg_seed seed{h.save_time, h.random, h.el};
    Prg_key_block(h.key_block, seed, rec->key);
    Prg_cipher(rec->key, seed, 0, image, h.image_size);
    rec->flags |= PO_ENCIPHERED;
  }
  std::memcpy(rec->desc, hdr + PH_DESC, PRG_DESC_LEN);
  rec->has_desc = false;
  for (char c : rec->desc) rec->has_desc |= c != 0;
  rec->from_v0 = h.version == 0;
  if (h.version == 0) {
    v0.assign(image, image + h.image_size);
    int e = Convert_version_0(v0, h);
    if (e) return e;
    Ret_blk(image);
    image = static_cast<uint8_t*>(Get_blk_nc(v0.size()));
    if (!image) return 33;
    std::memcpy(image, v0.data(), v0.size());
  }
  Image_info info;
  if (Check_image(image, h, info) != 0) return 17;
  rec->image_size = h.image_size;
  rec->lit_pool = 0;
  rec->name_cnt = rec->var_cnt = rec->image_name_cnt = h.name_cnt;
  rec->name_end = rec->image_name_end = info.name_end;
  rec->name_tbl_off = h.name_tbl;
  rec->name_area_off = h.name_area;
  rec->lines_end = info.lines_end;
  rec->name_area = image + h.name_area;
  rec->stmt_tbl = h.stmt_tbl ? image + h.stmt_tbl : nullptr;
  if (h.name_cnt) {
    rec->name_index = static_cast<uint16_t*>(Get_blk(sizeof(uint16_t) * h.name_cnt));
    if (!rec->name_index) return 33;
    for (uint32_t i = 0; i < h.name_cnt; i++) rec->name_index[i] = get_u16be(image + h.name_tbl + 2 * i);
  }
  rec->attr = PA_RIGHTS;
  rec->image = image;
  image = nullptr;  // the record owns it now
  rec->load_serial = ++ws.Load_serial;
  return 0;
}

Prog_obj* new_rec() {
  void* b = Get_blk(sizeof(Prog_obj));
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  return new (b) Prog_obj();
}

// Loads the program file open on fd (header already read into hdr) into a
// new record.
Prog_obj* load_open(int fd, const uint8_t* hdr, const std::string& path, const std::string& name) {
  struct stat st;
  if (::fstat(fd, &st) != 0) Sys_error();
  Prog_obj* rec = new_rec();
  int e;
  try {
    Image_source src;
    src.fd = fd;
    e = obj_load(rec, src, hdr, int64_t(st.st_size));
  } catch (...) {
    Prog_free(rec);
    throw;
  }
  if (e != 0) {
    int saved = errno;
    Prog_free(rec);
    if (e < 0) {
      errno = saved;
      Sys_error();
    }
    Rpt_error(e);
  }
  keep_stat(rec, st);
  rec->path = Path_new(path, name);
  ws.Prog_loads++;
  std::string lib = Lib_dir_path();
  if (!lib.empty() && path.size() >= lib.size() && memicmp(path.data(), lib.data(), lib.size()) == 0)
    rec->origin |= PO_ORIGIN_LIBRARY;
  return rec;
}

void drop_programs_on_low_memory() {
  Prog_cache_forget();
  Prog_drop(nullptr);
}

void notify_param(uint16_t code, int32_t value) {
  (void)value;
  Prog_cache_forget();  // a parameter may change how names resolve
  if (code == Prm_code('P', 'C')) Prog_drop(nullptr);
}

}  // namespace

void Prog_list_register() {
  Mem_drop_programs = drop_programs_on_low_memory;
  Prm_watch(notify_param);
}

// ---- paths ----

Pgm_path* Path_new(const std::string& path, const std::string& name) {
  auto* p = static_cast<Pgm_path*>(Get_blk(sizeof(Pgm_path)));
  if (!p) Rpt_error(err::OUT_OF_MEMORY);
  p->refs = 1;
  p->path = copy_text(path);
  p->name = copy_text(name);
  p->name_len = uint32_t(std::strlen(p->name));
  return p;
}

void Path_unref(Pgm_path* p) {
  if (!p || --p->refs > 0) return;
  Ret_blk(p->path);
  Ret_blk(p->name);
  Ret_blk(p);
}

// ---- the list ----

void Cache_to_front(Prog_obj* rec) {
  unlink_rec(rec);
  link_front(rec);
}

namespace {

// A record of the own cache back in the list.  To the program it is a load
// as any other: a new serial, counted.
void own_to_list(Prog_obj* r) {
  r->load_serial = ++ws.Load_serial;
  ws.Prog_loads++;
  link_front(r);
}

}  // namespace

namespace {

// The records the search by name passes by without looking at their name:
// data sets, changed programs, stale ones that nobody runs.
[[gnu::always_inline]] inline bool passed_by(const Prog_obj* r) {
  return (r->state & PO_STATE_DATA_SET) || (r->flags & PO_CHANGED) ||
         ((r->flags & PO_STALE) && (r->uses == 0 || (r == ws.Pgm_cache_ent && r->uses == 1)));
}

}  // namespace

Prog_obj* Prog_list_find(const uint8_t* name, uint32_t len) {
  while (len > 0 && name[len - 1] == ' ') len--;
  if (len == 0) return nullptr;
  for (Prog_obj* r = ws.Prog_head; r; r = r->next) {
    if (passed_by(r)) continue;
    if (r->path && r->path->name_len == len && Block_equal(r->path->name, name, len)) return r;
  }
  return nullptr;
}

Prog_obj* Prog_own_find(const uint8_t* name, uint32_t len) {
  for (Prog_obj* r = ws.Prog_head; r; r = r->next)
    if (r->path && r->path->name_len == len && Block_equal(r->path->name, name, len)) return nullptr;
  for (Prog_obj* r = own_head; r; r = r->next)
    if (r->path->name_len == len && Block_equal(r->path->name, name, len)) return r;
  return nullptr;
}

bool Prog_own_take(Prog_obj* rec) {
  // Checked while still in the own cache: change notices read now mark the
  // records they find there (one taken out first would miss its notice and
  // run a program that changed).
  bool changed = rec_changed(rec);
  own_unlink(rec);
  if (changed) {
    Prog_free(rec);
    return false;
  }
  own_to_list(rec);
  return true;
}

namespace {

bool trusted_only = false;  // Prog_load_trusted_only

[[noreturn]] void untrusted_program() {
  Rpt_error_text(err::WRONG_MODE, "The I/O program is not owned by you or root, or others may write it");
}

void check_trusted(const struct stat& st) {
  if (!S_ISREG(st.st_mode) || !Owner_only_writes(st)) untrusted_program();
}

// A kept image counts as its file's when that file is still the one it was
// read from, and trusted.
void check_trusted(const Prog_obj* r) {
  if (r->flags & (PO_RESIDENT | PO_PINNED)) return;  // made resident by the user
  const char* p = r->path->path;
  std::string lib = p[0] == '[' && Lib_is_name(p) ? Lib_path_of(p) : std::string();
  struct stat st {};
  if (::stat(lib.empty() ? p : lib.c_str(), &st) != 0 || !same_stat(r, st)) untrusted_program();
  check_trusted(st);
}

// A program is read from a regular file (or a library member, a memory
// file): a FIFO or device put at its name would hold the load for ever.
void refuse_unless_regular(const Fcb* f) {
  if (f->kind != FK_PROGRAM && f->kind != FK_SERIAL && f->kind != FK_INDEXED && f->kind != FK_BINARY) return;
  struct stat st {};
  if ((f->st2 & ST2_FIFO) || f->fd < 0 || ::fstat(f->fd, &st) != 0 || !S_ISREG(st.st_mode))
    Rpt_error_text(err::WRONG_FILE_KIND, "A program is read from a regular file only");
}

}  // namespace

void Prog_load_trusted_only() { trusted_only = true; }
void Prog_load_any() { trusted_only = false; }

Prog_obj* Prog_load() {
  bool trusted = trusted_only;
  trusted_only = false;
  // The name without trailing blanks, looked up in place.
  const char* given = reinterpret_cast<const char*>(ws.Str_ptr);
  size_t len = ws.Str_len > 0 ? size_t(ws.Str_len) : 0;
  while (len > 0 && given[len - 1] == ' ') len--;
  if (len == 0 || len > NAME_MAX_LEN) Rpt_error(err::BAD_FILE_NAME);
  // The first record of the name as given wins, whatever became of its
  // file since: what this process does to files drops the records.
  for (Prog_obj* r = ws.Prog_head; r; r = r->next) {
    if (passed_by(r)) continue;
    if (r->path->name_len != len || !Block_equal(r->path->name, given, len)) continue;
    if (trusted) check_trusted(r);
    return CacheLoad(r);
  }
  // The own cache, matched by name as the list is; a record whose file
  // changed (identity, size, time) or went is freed, and the file read.
  for (Prog_obj* r = own_head; r; r = r->next) {
    if (r->path->name_len != len || !Block_equal(r->path->name, given, len)) continue;
    if (Prog_own_take(r)) {
      if (trusted) check_trusted(r);
      return r;
    }
    break;
  }
  std::string name(given, len);
  Scratch_guard chan;
  chan.f = Open_scratch(name, false);
  Fcb* f = chan.f;
  std::string path = f->path && f->path->path ? f->path->path : name;
  refuse_unless_regular(f);
  if (trusted) {
    // Checked on what is read: the descriptor, or a member's library file.
    struct stat st {};
    if (f->kind == FK_LIB_MEMBER ? ::stat(Pgl_library_path(f).c_str(), &st) != 0 : ::fstat(f->fd, &st) != 0)
      untrusted_program();
    check_trusted(st);
  }
  if (f->kind == FK_PROGRAM) {
    uint8_t hdr[PRG_HDR_SIZE];
    std::memcpy(hdr, ws.File_hdr, PRG_HDR_SIZE);
    Prog_obj* rec = load_open(f->fd, hdr, path, name);
    link_front(rec);
    return rec;
  }
  if (f->kind == FK_LIB_MEMBER) {
    // The member's record is in the channel: header and image from memory,
    // the library file's state kept for the cache.
    struct stat st;
    if (::stat(Pgl_library_path(f).c_str(), &st) != 0) Sys_error();
    if (Pgl_size(f) < int64_t(PRG_HDR_SIZE) || !Prg_is_header(Pgl_header(f))) Rpt_error(err::WRONG_FILE_KIND);
    Prog_obj* rec = new_rec();
    int e;
    try {
      Image_source src;
      src.bytes = Pgl_header(f);
      src.size = size_t(Pgl_size(f));
      e = obj_load(rec, src, src.bytes, int64_t(src.size));
    } catch (...) {
      Prog_free(rec);
      throw;
    }
    if (e != 0) {
      Prog_free(rec);
      Rpt_error(e < 0 ? err::END_OF_FILE : e);
    }
    keep_stat(rec, st);
    rec->path = Path_new(path, name);
    ws.Prog_loads++;
    link_front(rec);
    return rec;
  }
  if (f->kind != FK_SERIAL && f->kind != FK_INDEXED && f->kind != FK_MEMORY) Rpt_error(err::WRONG_FILE_KIND);
  // Program text: the channel stays open as the text source.
  Text_source_close();
  Text_source_fcb = chan.release();
  text_src.path = path;
  text_src.name = name;
  return nullptr;
}

Prog_obj* Prog_load_file(const std::string& path, const std::string& name) {
  Refuse_unless_regular(path);
  int fd = Open(path.c_str(), O_RDONLY, Open_opts{});
  if (fd < 0) Sys_error();
  uint8_t hdr[PRG_HDR_SIZE] = {};
  size_t got;
  if (!read_at(fd, hdr, PRG_HDR_SIZE, 0, &got)) {
    int e = errno;
    Close(fd);
    errno = e;
    Sys_error();
  }
  struct Fd_guard {
    int fd;
    ~Fd_guard() { Close(fd); }
  } guard{fd};
  if (got < PRG_HDR_SIZE || !Prg_is_header(hdr)) Rpt_error(err::WRONG_FILE_KIND);
  return load_open(fd, hdr, path, name);
}

Prog_obj* Prog_load_bytes(const uint8_t* data, size_t size, const std::string& name) {
  if (size < PRG_HDR_SIZE || !Prg_is_header(data)) Rpt_error(err::WRONG_FILE_KIND);
  Prog_obj* rec = new_rec();
  Image_source src;
  src.bytes = data;
  src.size = size;
  int e;
  try {
    e = obj_load(rec, src, data, int64_t(size));
  } catch (...) {
    Prog_free(rec);
    throw;
  }
  if (e != 0) {
    Prog_free(rec);
    Rpt_error(e < 0 ? err::END_OF_FILE : e);
  }
  rec->path = Path_new(name, name);
  link_front(rec);
  return rec;
}

void Prog_free(Prog_obj* r) {
  if (r->parked) Prog_unpark(r);
  release_watches(r, r->wds, r->wd_count);
  Clr_tree(r->spare_num);
  Clr_tree(r->spare_str);
  if (r->spare_index) Ret_blk(r->spare_index);
  if (r->enter_plan) Ret_blk(r->enter_plan);
  if (r->spare_name) Ret_str(r->spare_name);
  if (r->warm_start) Ret_blk_line(r->warm_start);
  if (r->image) Ret_blk(r->image);
  if (r->name_index) Ret_blk(r->name_index);
  if (r->name_numbers) Ret_blk(r->name_numbers);
  Path_unref(r->path);
  r->~Prog_obj();
  Ret_blk(r);
}

void Prog_drop(Prog_obj* rec) {
  int keep;
  if (rec) {
    if (rec->uses > 0) {
      int was = rec->uses--;
      if (was > 1) return;
    }
    keep = prmblk.PC;
  } else {
    keep = 0;
  }
  for (Prog_obj* r = ws.Prog_head; r;) {
    Prog_obj* next = r->next;
    if (!rec && !(r->flags & PO_RESIDENT)) r->flags |= PO_STALE;
    if (r->uses <= 0) {
      if (!(r->flags & PO_STALE) && keep >= 1) {
        keep--;
      } else {
        unlink_rec(r);
        retire(r);
      }
    }
    r = next;
  }
}

void Clr_progs() {
  Prog_cache_forget();
  uint16_t pc = prmblk.PC;
  prmblk.PC = 0;
  while (Prog_obj* r = ws.Prog_head) {
    r->uses = 1;
    r->flags = 0;
    Prog_drop(r);
  }
  prmblk.PC = pc;
  Prog_cache_forget();
}

void Prog_cache_forget() {
  while (Prog_obj* r = own_head) {
    own_unlink(r);
    Prog_free(r);
  }
}

int Prog_cache_count() { return own_count; }

void Prog_files_changed() {
  Prog_cache_forget();
  Prog_drop(nullptr);
}

bool Prog_file_changed(Prog_obj* rec) { return rec_changed(rec); }

namespace var_keep {

[[gnu::noinline]] bool clear_tree(Var_node* n) { return clear_chain(n); }

void learn_global_names(Prog_obj* rec) {
  rec->global_names = 0;
  for (uint32_t i = 0; i < ws.Name_cnt && ws.Name_index && ws.Name_pool; i++) {
    const uint8_t* nm = Var_name_entry(i);
    if (nm[0] > 0 && nm[1] == '%') rec->global_names = 1;
  }
}

void forget_global_slots() {
  for (uint32_t i = 0; i < ws.Var_index_cnt; i++)
    if (Var_node* v = ws.Var_index[i]; v && v->name[0] == '%') ws.Var_index[i] = nullptr;
}

}  // namespace var_keep

bool Prog_keep_vars() { return var_keep::keep_vars(); }

bool Prog_keep_plain_vars(Prog_obj* rec) { return var_keep::keep_plain_vars(rec); }

int Prog_count() {
  int n = 0;
  for (Prog_obj* r = ws.Prog_head; r; r = r->next) n++;
  return n;
}

void Prog_take(Prog_obj* rec, int method_vars) {
  if (rec->parked) Prog_unpark(rec);
  ws.Pgm_size = rec->image_size;
  ws.Cur_pgm = Path_ref(rec->path);
  ws.Pgm_image = rec->image;
  ws.Name_index = rec->name_index;
  ws.Name_pool = rec->name_area;
  ws.Label_tbl = rec->stmt_tbl;
  ws.Name_cnt = rec->name_cnt;
  ws.Name_cap = 0;  // the record's: never grown or freed by the context
  ws.Name_pool_size = rec->name_end;
  ws.Name_pool_cap = 0;
  ws.Lit_pool = nullptr;
  ws.Var_index_cnt = rec->var_cnt;
  ws.Var_index_cap = rec->var_cnt;
  ws.Var_index = nullptr;
  if (rec->spare_index && (method_vars || !Var_lookup_hook) && (ws.Pgm_flags & PGM_LOADING) && ws.Call_link &&
      !(ws.Call_link->Pgm_flags & PGM_SHARES_VARS) && !ws.Loc_num_tree && !ws.Loc_str_tree) {
    // The variables the last call left, cleared, with their slots bound.
    Prog_take_spare_vars(rec, method_vars == 2);
  } else if (rec->var_cnt) {
    ws.Var_index = static_cast<Var_node**>(Get_blk(sizeof(Var_node*) * rec->var_cnt));
    if (!ws.Var_index) Rpt_error(err::OUT_OF_MEMORY);
  }
  ws.Pgm_attr = rec->attr;
  ws.Var_mask_pgm = rec->var_mask;
  ws.Pgm_flags2 = rec->state;
  ws.Pgm_cache_ent = rec;
  ws.Names_id = rec->load_serial & 0x7FFFFFFF;
  if (ws.Pgm_text_blk || rec->has_desc) std::memcpy(Pgm_text_own().desc, rec->desc, sizeof rec->desc);
  ws.Cur_line_rec = nullptr;
  ws.Cur_edit_blk = nullptr;
  ws.Cur_line_no = 65001;
  ws.Go_cache_ref = 0;
  ws.Var_mask = ws.Var_mask_pgm | ws.Var_mask_glob;
  if (ws.Var_mask_pgm & ~ws.Var_mask_glob) {
    ws.Pgm_attr &= ~PA_RIGHTS;
    ws.Pgm_attr |= PA_MASK_LIMITED;
  }
  if ((rec->flags & PO_ENCIPHERED) == PO_ENCIPHERED) {
    std::memcpy(Pgm_text_own().key, rec->key, 8);
    ws.Pgm_flags |= PGM_ENCIPHERED | PGM_PROTECTED;
    if (Prg_key_given(rec->key)) ws.Pgm_flags &= ~uint32_t(PGM_PROTECTED);  // PASSWORD gave its key
  }
}

// ---- the text source ----

const std::string& Text_source_path() { return text_src.path; }
const std::string& Text_source_name() { return text_src.name; }
void Text_source_close() {
  if (Text_source_fcb) Close_scratch(Text_source_fcb);
  Text_source_fcb = nullptr;
}
