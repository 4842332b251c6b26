// Program libraries and the library-member channel (file kind 22); the
// record layout is drawn in libraries.h.
#include "programs/libraries.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "channels/close.h"
#include "channels/file_create.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/text_case.h"
#include "core/workspace.h"
#include "keyed/key_format.h"
#include "keyed/keyed_file.h"
#include "programs/program_file.h"

namespace {

constexpr int32_t READ_SIZE = 512;
constexpr int32_t WORK_READ_MAX = 4096;  // larger reads go to a temporary block
constexpr int32_t GROW = 4096;
constexpr int MIN_KEY = 12;
constexpr uint32_t NEW_LIB_RECLEN = 30000;
// Keyed-engine directive codes.
constexpr int DIR_FIND = 176, DIR_REMOVE = 208, DIR_WRITE = 232;

struct Library {
  std::string name;  // as the program gave it (compared case-sensitively)
  std::string path;  // resolved host path
  Key_chan* kc = nullptr;
  int key_len = 0;
  bool readonly = false;
};

// Newest first.
std::vector<Library*>& chain() {
  static std::vector<Library*> c;
  return c;
}
bool in_lookup = false;

// Member channel record.  The record copy is rec (rec_cap bytes, rec_len in
// use); byte_pos is the position within it.
struct Pgl_fcb : Fcb {
  uint8_t* rec;
  int32_t rec_cap;
  int32_t rec_len;
  int32_t key_len;
  bool write_flag;
  bool readonly;
  char* lib_name;  // the library as the program named it (Get_blk, NUL-ended)
};

Pgl_fcb* cur() { return static_cast<Pgl_fcb*>(ws.Cur_fcb); }

// A member name must not look like a path of its own: no leading '/', '\'
// or '[', no drive (':' second); ']' would make the resolved name ambiguous.
bool bad_member(const std::string& m) {
  if (m.empty()) return true;
  if (m[0] == '/' || m[0] == '\\' || m[0] == '[') return true;
  if (m.size() > 1 && m[1] == ':') return true;
  return m.find(']') != std::string::npos || m.find('\0') != std::string::npos;
}

struct Lib_name {
  std::string library, member;
};

// "[lib:library]member" (error 10 when malformed).
Lib_name split_name(const std::string& full) {
  std::string s = full;
  while (!s.empty() && (s.back() == ' ' || s.back() == 0)) s.pop_back();
  if (!Starts_ci(s, "[lib:")) Rpt_error(err::BAD_FILE_NAME);
  size_t close = s.find(']', 5);
  if (close == std::string::npos) Rpt_error(err::BAD_FILE_NAME);
  Lib_name n;
  n.library = s.substr(5, close - 5);
  n.member = s.substr(close + 1);
  while (!n.library.empty() && n.library.back() == ' ') n.library.pop_back();
  if (n.library.empty() || bad_member(n.member)) Rpt_error(err::BAD_FILE_NAME);
  return n;
}

// The member key: '\' as '/', blank-padded to L; empty when it does not fit.
std::string member_key(const std::string& member, int L) {
  if (int(member.size()) > L) return std::string();
  std::string k = member;
  for (char& c : k)
    if (c == '\\') c = '/';
  k.resize(size_t(L), ' ');
  return k;
}

// The name buffers of the open in progress survive a library being opened
// inside it.
struct Name_bufs_guard {
  char path[sizeof ws.Path_buf];
  char lfa[sizeof ws.Lfa_path];
  char short12[sizeof ws.File_name12];
  Name_bufs_guard() {
    std::memcpy(path, ws.Path_buf, sizeof path);
    std::memcpy(lfa, ws.Lfa_path, sizeof lfa);
    std::memcpy(short12, ws.File_name12, sizeof short12);
  }
  ~Name_bufs_guard() {
    std::memcpy(ws.Path_buf, path, sizeof path);
    std::memcpy(ws.Lfa_path, lfa, sizeof lfa);
    std::memcpy(ws.File_name12, short12, sizeof short12);
  }
};

void close_library(Library* lib) {
  if (lib->kc) {
    try {
      Catch_region region;
      Key_close(lib->kc);
    } catch (const Oru_error&) {
    }
  }
  delete lib;
}

// Key 0 of a usable library: one segment of the whole record at offset 0,
// 12 bytes or more.  0 when the file is none.
int library_key_len(Key_chan* kc) {
  Key_facts facts = Key_facts_of(kc);
  if (facts.segs.size() < 8) return 0;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(facts.segs.data());
  if ((s[0] & 0x0F) != 0 || s[1] != 0 || s[2] != 0 || (s[0] >> 4) != 0) return 0;
  int32_t lens[2];
  if (Key_segment_lengths(kc, 0, lens, 2) != 1) return 0;
  int L = s[3] & 127;
  if (L < MIN_KEY || (s[3] & 128)) return 0;
  if (facts.records < 0 || Key_record_length(kc) <= 0) return 0;
  return L;
}

// A new library file for a member name of n characters.
void create_library(const std::string& path, size_t n) {
  Key_create def;
  def.rec_len = NEW_LIB_RECLEN;
  def.flags1 = kf::F1_VARIABLE;
  def.flags2 = kf::F2_EXTENDED;
  def.pct = 10;
  def.block_kb = 30;
  Key_seg_desc seg;
  seg.key = 0;
  seg.field = 0;
  seg.offset = 0;
  seg.length = n < 32 ? 32 : n < 64 ? 64 : 127;
  seg.flags = kf::SF_UPPER;  // member names match whatever their case
  Key_segments(def, {seg});
  int fd = Open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, Open_opts{}, prmblk.Create_mode);
  if (fd < 0) Sys_error();
  try {
    Key_define_fd(fd, path, def);
  } catch (...) {
    Close(fd);
    unlink(path.c_str());
    throw;
  }
  Close(fd);
}

// Finds (or opens, or with create makes) the library; null when it is not
// available.  member_len is the length of the member name the caller needs.
Library* lookup(const std::string& libname, bool create, size_t member_len) {
  if (in_lookup) return nullptr;
  auto& c = chain();
  // (The chain stays in the order the libraries were opened, newest
  // first: when PL are open, the one opened longest ago is closed.)
  for (Library* l : c)
    if (l->name == libname) return l;
  if (prmblk.PL == 0) return nullptr;
  struct Reentry {
    Reentry() { in_lookup = true; }
    ~Reentry() { in_lookup = false; }
  } reentry;
  Name_bufs_guard names;
  Io_save_guard io;
  while (!c.empty() && c.size() >= prmblk.PL) {
    close_library(c.back());
    c.pop_back();
  }
  // The first candidate of the search path where the file exists; for
  // creation, the first whose directory exists.
  std::string path;
  Set_path(libname);
  while (Next_path() == 0) {
    if (ws.Path_buf[0] == '[') continue;
    struct stat st {};
    if (::stat(ws.Path_buf, &st) == 0) {
      if (!S_ISREG(st.st_mode)) return nullptr;
      path = ws.Path_buf;
      break;
    }
  }
  if (path.empty()) {
    if (!create) return nullptr;
    Restart_path();
    int err = ENOENT;
    while (Next_path() == 0) {
      if (ws.Path_buf[0] == '[') continue;
      std::string cand = ws.Path_buf;
      size_t slash = cand.rfind('/');
      std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : cand.substr(0, slash);
      struct stat st {};
      if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
      errno = 0;
      create_library(cand, member_len);
      path = cand;
      err = 0;
      break;
    }
    if (path.empty()) {
      (void)err;
      return nullptr;
    }
  }
  auto* lib = new Library;
  lib->name = libname;
  lib->path = path;
  {
    Key_open_opts o;
    o.sep = -1;
    try {
      Catch_region region;
      lib->kc = Key_open(path, o);
    } catch (const Oru_error&) {
      try {
        Catch_region region;
        o.readonly = true;
        lib->kc = Key_open(path, o);
        lib->readonly = true;
      } catch (const Oru_error&) {
        delete lib;
        return nullptr;
      }
    }
  }
  int L = 0;
  try {
    Catch_region region;
    L = library_key_len(lib->kc);
  } catch (const Oru_error&) {
    L = 0;
  }
  if (L == 0) {
    close_library(lib);
    return nullptr;
  }
  lib->key_len = L;
  c.insert(c.begin(), lib);
  return lib;
}

// Reads a member record by key: true with the whole record.
bool read_member(Library* lib, const std::string& key, std::string* rec) {
  try {
    Catch_region region;
    *rec = Key_read(lib->kc, Key_by(key, DIR_FIND));
  } catch (const Oru_error& e) {
    if (e.no == err::MISSING_RECORD) return false;
    throw;
  }
  if (int(rec->size()) < lib->key_len || strncasecmp(rec->data(), key.data(), size_t(lib->key_len)) != 0) {
    // A record that does not begin with its own key (in any case: the key
    // may fold it) is no member of ours.
    Rpt_error_text(err::WRONG_FILE_KIND, "Damaged program library member");
  }
  return true;
}

void write_member(Library* lib, const std::string& rec) {
  if (lib->readonly) Rpt_error(err::WRONG_MODE);
  Key_req req;
  req.directive = DIR_WRITE;
  Key_write(lib->kc, req, rec);
}

std::string empty_member(const std::string& key) {
  std::string rec = key;
  uint8_t h[PRG_HDR_SIZE];
  Prg_fresh_header(h, true);
  rec.append(reinterpret_cast<const char*>(h), PRG_HDR_SIZE);
  return rec;
}

// Library and key of a full member name: error 10 for a malformed name; 12
// when the library is not available or the member does not fit its key.
Library* resolve(const std::string& full, bool create, std::string* key, Lib_name* parts = nullptr) {
  Lib_name n = split_name(full);
  Library* lib = lookup(n.library, create, n.member.size());
  if (!lib) Rpt_error(err::FILE_NOT_FOUND);
  *key = member_key(n.member, lib->key_len);
  if (key->empty()) Rpt_error(err::FILE_NOT_FOUND);  // a member that does not fit the key: no library for it
  if (parts) *parts = n;
  return lib;
}

// Room for need bytes of record: a member being written grows by GROW
// bytes more (slack), one only read holds its record exactly.
void grow(Pgl_fcb* f, int64_t need, int32_t slack = GROW) {
  if (need <= f->rec_cap) return;
  if (need > int64_t(INT32_MAX) - GROW) Rpt_error(err::RECORD_TOO_LONG);
  int32_t cap = int32_t(need) + slack;
  auto* b = static_cast<uint8_t*>(Get_blk_nc(size_t(cap)));
  if (!b) Rpt_error(err::OUT_OF_MEMORY);
  if (f->rec_len) std::memcpy(b, f->rec, size_t(f->rec_len));
  if (f->rec) Ret_blk(f->rec);
  f->rec = b;
  f->rec_cap = cap;
  f->buf_size = f->rec_size = cap;
}

// Writes the member record of the channel back to its library.
void update_library(Pgl_fcb* f) {
  std::string key(reinterpret_cast<const char*>(f->rec), size_t(f->key_len));
  std::string full = std::string("[lib:") + f->lib_name + "]" + key;
  Library* lib = lookup(f->lib_name, false, 0);
  if (!lib || lib->key_len != f->key_len) Rpt_error(err::FILE_NOT_FOUND);
  write_member(lib, std::string(reinterpret_cast<const char*>(f->rec), size_t(f->rec_len)));
  f->write_flag = false;
}

// ---- driver ----

int64_t Pgl_define() { Rpt_error(err::NOT_FOR_DEVICE); }

// OPEN of "[lib:library]member": the record is read whole into the channel.
int64_t Pgl_open() {
  std::string full = ws.Path_buf;
  std::string key;
  Lib_name parts;
  Library* lib = resolve(full, false, &key, &parts);
  std::string rec;
  if (!read_member(lib, key, &rec)) Rpt_error(err::FILE_NOT_FOUND);
  int L = lib->key_len;
  if (rec.size() < size_t(L) + PRG_HDR_SIZE) rec.resize(size_t(L) + PRG_HDR_SIZE, '\0');
  if (rec.size() > size_t(INT32_MAX - GROW)) Rpt_error(err::RECORD_TOO_LONG);
  auto* f = Fcb_alloc<Pgl_fcb>();
  struct Undo {
    Pgl_fcb*& f;
    ~Undo() {
      if (!f) return;
      if (f->rec) Ret_blk(f->rec);
      if (f->lib_name) Ret_blk(f->lib_name);
      Ret_blk(f);
    }
  } undo{f};
  f->fd = -1;
  f->kind = FK_LIB_MEMBER;
  f->key_len = L;
  grow(f, int64_t(rec.size()), 0);  // buffer and record size: the record's length
  std::memcpy(f->rec, rec.data(), rec.size());
  f->rec_len = int32_t(rec.size());
  f->byte_pos = L + int64_t(PRG_HDR_SIZE);
  f->readonly = lib->readonly;
  f->lib_name = static_cast<char*>(Get_blk(parts.library.size() + 1));
  std::memcpy(f->lib_name, parts.library.c_str(), parts.library.size() + 1);
  if (f->readonly) f->st1 |= ST1_INPUT_ONLY;
  std::memcpy(ws.File_hdr, f->rec + L, PRG_HDR_SIZE);
  // The resolved name: the library's path and the member as given.
  std::string resolved = "[lib:" + lib->path + "]" + parts.member;
  std::string given = full;
  size_t n = std::min(resolved.size(), sizeof ws.Path_buf - 1);
  std::memcpy(ws.Path_buf, resolved.data(), n);
  ws.Path_buf[n] = 0;
  n = std::min(given.size(), sizeof ws.Lfa_path - 1);
  std::memcpy(ws.Lfa_path, given.data(), n);
  ws.Lfa_path[n] = 0;
  f->path = SavePath();
  ws.Cur_fcb = f;
  f = nullptr;
  return 0;
}

int64_t Pgl_close() {
  Pgl_fcb* f = cur();
  struct Free {
    Pgl_fcb* f;
    ~Free() {
      if (f->rec) Ret_blk(f->rec);
      if (f->lib_name) Ret_blk(f->lib_name);
      f->rec = nullptr;
      f->lib_name = nullptr;
      f->rec_cap = f->rec_len = 0;
    }
  } free_bufs{f};
  if (f->write_flag) update_library(f);
  return 0;
}

int64_t Pgl_read() {
  Pgl_fcb* f = cur();
  int32_t size = ws.Io_siz > 0 ? ws.Io_siz : READ_SIZE;
  if (f->byte_pos >= f->rec_len) Io_end_err();
  int64_t left = f->rec_len - f->byte_pos;
  if (left < size) size = int32_t(left);
  uint8_t* dst = size >= WORK_READ_MAX ? static_cast<uint8_t*>(Get_temp(size_t(size))) : Work_take(size_t(size));
  std::memcpy(dst, f->rec + f->byte_pos, size_t(size));
  f->byte_pos += size;
  f->st1 |= ST1_READ;
  ws.Str_ptr = dst;
  ws.Str_len = size;
  return 0;
}

int64_t Pgl_setind() {
  Pgl_fcb* f = cur();
  if (ws.Io_ind < 0 || ws.Io_ind > f->buf_size) Io_end_err();
  f->byte_pos = ws.Io_ind;
  return 0;
}

int64_t Pgl_getind() { return cur()->byte_pos; }

// The output buffer of a member being written is appended to the record.
int64_t Pgl_flush() {
  Pgl_fcb* f = cur();
  if (!f->write_flag) Io_rsz_err();
  if (f->buf_count > 0 && f->out_buf) {
    grow(f, int64_t(f->rec_len) + f->buf_count);
    std::memcpy(f->rec + f->rec_len, f->out_buf, size_t(f->buf_count));
    f->rec_len += f->buf_count;
    f->buf_count = 0;
  }
  return 0;
}

// Empties the member to its key and a fresh header, ready to be written.
int64_t Pgl_purge() {
  Pgl_fcb* f = cur();
  if (f->readonly) Rpt_error(err::WRONG_MODE);
  int32_t L = f->key_len;
  grow(f, L + int64_t(PRG_HDR_SIZE));
  Prg_fresh_header(f->rec + L, true);
  f->rec_len = L + int32_t(PRG_HDR_SIZE);
  f->byte_pos = f->rec_len;
  f->write_flag = true;
  return 0;
}

// ---- directive hooks ----

void remove_entry(const std::string& name) { RemoveLibEntry(name); }

}  // namespace

const Fio_op Pgl_fotbl[FIO_SLOTS] = {
    Pgl_define,  Pgl_open,    Pgl_close,   Io_mode_err, Pgl_read,    Io_mode_err,   Pgl_setind,
    Pgl_getind,  Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Pgl_flush,     Io_mode_err,
    Pgl_purge,   Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing,
};

bool Lib_is_name(const std::string& name) { return Starts_ci(name, "[lib:"); }

const uint8_t* Pgl_header(Fcb* f) {
  auto* p = static_cast<Pgl_fcb*>(f);
  return p->rec + p->key_len;
}

int64_t Pgl_size(Fcb* f) {
  auto* p = static_cast<Pgl_fcb*>(f);
  return int64_t(p->rec_len) - p->key_len;
}

std::string Pgl_library_path(Fcb* f) { return Lib_path_of(f->path && f->path->path ? f->path->path : ""); }

std::string Lib_path_of(const std::string& resolved) {
  if (!Lib_is_name(resolved)) return std::string();
  size_t close = resolved.rfind(']');
  if (close == std::string::npos || close < 5) return std::string();
  return resolved.substr(5, close - 5);
}

void Pgl_store(Fcb* fcb, const uint8_t* hdr, const uint8_t* image, size_t image_size) {
  auto* f = static_cast<Pgl_fcb*>(fcb);
  if (f->readonly) Rpt_error(err::WRONG_MODE);
  int64_t need = int64_t(f->key_len) + int64_t(PRG_HDR_SIZE) + int64_t(image_size);
  if (need > int64_t(INT32_MAX) - GROW) Rpt_error(err::RECORD_TOO_LONG);
  grow(f, need);
  std::memcpy(f->rec + f->key_len, hdr, PRG_HDR_SIZE);
  if (image_size) std::memcpy(f->rec + f->key_len + PRG_HDR_SIZE, image, image_size);
  f->rec_len = int32_t(need);
  f->write_flag = true;
  update_library(f);
}

void CreateLibEntry(const std::string& name) {
  std::string key;
  Library* lib = resolve(name, true, &key);
  std::string rec;
  if (read_member(lib, key, &rec)) Rpt_error(err::FILE_NOT_FOUND);
  write_member(lib, empty_member(key));
}

void RemoveLibEntry(const std::string& name) {
  std::string key;
  Library* lib = resolve(name, false, &key);
  if (lib->readonly) Rpt_error(err::WRONG_MODE);
  try {
    Catch_region region;
    Key_remove(lib->kc, Key_by(key, DIR_REMOVE));
  } catch (const Oru_error& e) {
    if (e.no == err::MISSING_RECORD) Rpt_error(err::FILE_NOT_FOUND);
    throw;
  }
}

void RenameLibEntry(const std::string& name, const std::string& new_name_in) {
  std::string new_name = new_name_in;
  while (!new_name.empty() && new_name.back() == ' ') new_name.pop_back();
  Lib_name parts;
  std::string old_key;
  Library* lib = resolve(name, false, &old_key, &parts);
  if (Lib_is_name(new_name)) {
    Lib_name to = split_name(new_name);
    if (to.library != parts.library) Rpt_error(err::BAD_FILE_NAME);
    new_name = to.member;
  }
  if (bad_member(new_name)) Rpt_error(err::BAD_FILE_NAME);
  std::string rec;
  if (!read_member(lib, old_key, &rec)) Rpt_error(err::FILE_NOT_FOUND);
  std::string new_key = member_key(new_name, lib->key_len);
  if (new_key.empty()) Rpt_error(err::BAD_FILE_NAME);
  if (new_key == old_key) return;
  std::string other;
  if (read_member(lib, new_key, &other)) {
    // A library whose keys ignore case finds the old member under the new
    // key: renaming then replaces it in place.
    if (other.compare(0, size_t(lib->key_len), old_key) != 0) Rpt_error(err::FILE_NOT_FOUND);
  }
  rec.replace(0, size_t(lib->key_len), new_key);
  write_member(lib, rec);
  std::string again;
  if (read_member(lib, old_key, &again) && again.compare(0, size_t(lib->key_len), new_key) == 0) return;
  Key_remove(lib->kc, Key_by(old_key, DIR_REMOVE));
}

void ClosePrgLibraries() {
  auto& c = chain();
  while (!c.empty()) {
    Library* l = c.back();
    c.pop_back();
    close_library(l);
  }
}

int Lib_open_count() { return int(chain().size()); }

namespace {
void notify_param(uint16_t code, int32_t) {
  if (code == Prm_code('P', 'L')) ClosePrgLibraries();
}
}  // namespace

void Pgl_register() {
  Prm_watch(notify_param);
  Lib_hooks.create = CreateLibEntry;
  Lib_hooks.remove = remove_entry;
  Lib_hooks.rename = RenameLibEntry;
  Lib_hooks.close_all = ClosePrgLibraries;
}
