// Name resolution: the search path (prefix lists), the library directory,
// virtual directories, the "[lcl]" prefix, the file-name map and the prefix
// file.
//
// State of one search (set by Set_path, consumed by Next_path):
//   open_name  the name after rewriting; candidates are built from it
//   mode       PM_* bits (open.h)
//   list_cnt   prefix lists done so far (0..36), counted from the start index
//   list_pos   byte position inside the current list
//   drive      -1 all lists, else the one list a creation is restricted to
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>
#include <string>

#include "channels/close.h"
#include "channels/channel.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/line_store.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/text_case.h"
#include "core/workspace.h"
#include "channels/chan_hooks.h"

namespace {

std::string pfx_lists[PFX_LISTS];
int pfx_start = 0;

std::string open_name;
uint16_t mode = 0;
int list_cnt = 0;
size_t list_pos = 0;
int drive = -1;
bool as_is_done = false;
uint16_t start_mode = 0;  // mode as Set_path left it, for Restart_path

struct Vdir {
  std::string name;    // upper case, '\' turned into '/'
  std::string target;
  bool made = false;   // target directory created (or not to be made)
  bool suffix = false; // matches at the end of a directory part
};
std::vector<Vdir> vdirs;  // newest first

Fcb* pfx_fcb = nullptr;  // the open prefix file (channel 65002)
int pfx_lock_fd = -1;     // its descriptor, read-write, for the SQL lock areas (-1 none)
int64_t pfx_entry = -1;  // record index of the entry that resolved the last name

bool thin_client() { return ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT); }

std::string upper_slash(const std::string& s) {
  std::string r = s;
  for (char& c : r) {
    if (c == '\\') c = '/';
    c = char(Uppercs[uint8_t(c)] ? Uppercs[uint8_t(c)] : uint8_t(c));
  }
  return r;
}

void set_short_name(const std::string& s) {
  std::memset(ws.File_name12, ' ', sizeof ws.File_name12);
  std::memcpy(ws.File_name12, s.data(), std::min<size_t>(s.size(), 12));
}

// A path that does not fit is error 10: a shorter one could name another
// file.
void put_path(const std::string& p) {
  if (p.size() >= sizeof ws.Path_buf) {
    Set_ext_error("Path too long");
    Rpt_error(err::BAD_FILE_NAME);
  }
  std::memcpy(ws.Path_buf, p.c_str(), p.size() + 1);
}

// A candidate: "[" names raw, others as absolute host paths.
void put_candidate(const std::string& p) {
  if (!p.empty() && p[0] == '[') put_path(p);
  else put_path(Path_convert(p));
}

// The next entry of list l from list_pos into *entry; false at the end.
// Returns in *whole whether the entry used '*' (the whole name).
bool next_entry(const std::string& l, std::string* entry, bool* whole, bool* skip) {
  *skip = false;
  *whole = false;
  entry->clear();
  size_t n = l.size();
  while (list_pos < n && (l[list_pos] == ' ' || l[list_pos] == '\t')) ++list_pos;
  if (list_pos >= n) return false;
  size_t name_pos = 0;
  bool quoted = false;
  for (; list_pos < n; ++list_pos) {
    char c = l[list_pos];
    if (quoted) {
      if (c == '"') {
        if (list_pos + 1 < n && l[list_pos + 1] == '"') {
          entry->push_back('"');
          ++list_pos;
        } else {
          quoted = false;
        }
        continue;
      }
    } else {
      if (c == ' ' || c == '\t') break;
      if (c == '"') {
        quoted = true;
        continue;
      }
    }
    if (c == '*') {
      if (list_pos + 1 < n && l[list_pos + 1] == '*') {
        entry->push_back('*');
        ++list_pos;
        continue;
      }
      *whole = true;
      if (mode & PM_DOT_SLASH) *skip = true;
      *entry += open_name;
      continue;
    }
    if (c == '=') {
      if (name_pos >= open_name.size()) *skip = true;
      else entry->push_back(open_name[name_pos++]);
      continue;
    }
    entry->push_back(c);
  }
  return true;
}

std::string library_candidate() {
  std::string n = open_name;
  for (char& c : n) c = char(std::tolower(uint8_t(c)));
  return Lib_dir_path() + "/" + n;
}

// The default I/O list the last lookup found: its text as the record gives
// it, and, once an OPEN asked for it, its items compiled (the items of its
// IOLIST, without the directive code; empty when the record gave none).
std::string pfx_iol_text;
std::vector<uint8_t> pfx_iol;

// "IOLIST " and the prefix record's list compiled as a program line would
// be; the names stay in the code (a compiled function's text), so the list
// outlives the program that opened the file.  A list that does not compile
// is error 45, as a bad IOL= text.
std::vector<uint8_t> compile_default_list(const std::string& list) {
  std::vector<uint8_t> out;
  int err = Compile_text_fn("IOLIST " + list, out);
  if (err || out.size() < 4 || out[2] != code::D_IOLIST) Rpt_error(err::BAD_LINE_REF);
  const uint8_t* items = out.data() + 3;
  const uint8_t* end = out.data() + out.size();
  const uint8_t* p = items;
  while (p < end && *p != code::END_SCAN && !(Cde_tbl[*p] & CC_STMT_END)) p += Scan_size(p, end);
  return std::vector<uint8_t>(items, p);
}

// A "*" name that names a channel device rather than a library file.
bool device_name(const std::string& name) {
  for (const char* dev : {"*pdf*", "*memory*", "*windev*", "*bitmap*", "*winprt*"})
    if (Starts_ci(name, dev)) return true;
  return false;
}

// The options of a prefix-file record that name a program, a host, a port
// or an output file are held to what the channel's own open string must
// be: no NUL byte anywhere, and a program or output file named there is
// never a command ("|", "<", ">": error 10).
void check_pfx_options(const std::string& opt) {
  Check_name_nul(opt);
  size_t at = 0;
  while (at <= opt.size()) {
    size_t end = opt.find(';', at);
    if (end == std::string::npos) end = opt.size();
    std::string item = opt.substr(at, end - at);
    at = end + 1;
    size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    std::string key = item.substr(0, eq);
    while (!key.empty() && key.front() == ' ') key.erase(0, 1);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    std::string value = item.substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    for (char& c : key) c = char(std::toupper(uint8_t(c)));
    if ((key == "FILE" || key == "IOPROG") && !value.empty() &&
        (value[0] == '|' || value[0] == '<' || value[0] == '>')) {
      Set_ext_error("Prefix file option " + key + "= names a command: " + value);
      Rpt_error(err::BAD_FILE_NAME);
    }
  }
}

// The prefix file's record for name, fields split at its separator:
// 1 the new name, 2 an OPT= text, 3 a default I/O list.  A missing record
// leaves the name as it is.  The record index of the entry found is kept
// for the SQL table locks.
void pfx_lookup(std::string& name) {
  if (!pfx_fcb) return;
  std::string key = name;
  if (Sw_on(sw::PU) && !key.empty() && key.size() <= 255)
    for (char& c : key) c = char(Uppercs[uint8_t(c)]);
  std::string rec;
  {
    Io_save_guard io;
    Catch_region region;
    try {
      Select_channel(pfx_fcb);
      ws.Io_opts = IO_KEY;
      ws.Io_stmt = code::D_READ;
      ws.Io_key_ptr = reinterpret_cast<const uint8_t*>(key.data());
      ws.Io_key_len = int32_t(key.size());
      ws.Io_tim = -1;
      ws.Io_siz = 0;
      ws.Io_ind = -1;
      ws.Io_kno = -1;
      ws.Str_ptr = const_cast<uint8_t*>(ws.Io_key_ptr);
      ws.Str_len = ws.Io_key_len;
      Fio_call(FIO_SETKEY);
      Fio_call(FIO_READ);
      if (ws.Str_len > 0) rec.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    } catch (const Oru_error&) {
      return;
    }
    try {
      ws.Io_stmt = code::D_READ;
      ws.Io_opts = IO_KEY;
      int64_t n = Fio_call(FIO_GETIND);
      if (n >= 0) pfx_entry = n;
    } catch (const Oru_error&) {
    }
  }
  char sep = char(pfx_fcb->separator);
  size_t f1 = rec.find(sep);
  std::string nm = rec.substr(0, f1);
  while (!nm.empty() && (nm.back() == ' ' || nm.back() == sep)) nm.pop_back();
  Check_name_from_file(nm, "Prefix file name");
  if (!nm.empty()) name = nm;
  if (f1 == std::string::npos) return;
  size_t f2 = rec.find(sep, f1 + 1);
  std::string opt = rec.substr(f1 + 1, f2 == std::string::npos ? std::string::npos : f2 - f1 - 1);
  if (!opt.empty()) {
    check_pfx_options(opt);
    if (ws.Io_opt_len > 0)
      opt += ";" + std::string(reinterpret_cast<const char*>(ws.Io_opt_ptr), size_t(ws.Io_opt_len));
    auto* t = static_cast<uint8_t*>(Get_temp(opt.size()));
    std::memcpy(t, opt.data(), opt.size());
    ws.Io_opt_ptr = t;
    ws.Io_opt_len = int32_t(opt.size());
  }
  if (f2 == std::string::npos) return;
  size_t f3 = rec.find(sep, f2 + 1);
  std::string list = rec.substr(f2 + 1, f3 == std::string::npos ? std::string::npos : f3 - f2 - 1);
  while (!list.empty() && list.back() == ' ') list.pop_back();
  pfx_iol_text = list;  // compiled only when an OPEN asks for it
}

}  // namespace

// The list is compiled when asked for, so that a record whose list does not
// compile (error 45) still lets its name open without IOL=*.
const std::vector<uint8_t>& Pfx_default_iol() {
  if (pfx_iol.empty() && !pfx_iol_text.empty()) {
    std::string text;
    text.swap(pfx_iol_text);
    pfx_iol = compile_default_list(text);
  }
  return pfx_iol;
}

// ---- prefix lists ----

void Pfx_set(int index, const std::string& list) {
  if (index < 0 || index >= PFX_LISTS) Rpt_error(err::OUT_OF_RANGE);
  pfx_lists[index] = list;
  Chan_hook.prog_cache_forget();  // names may resolve to other files now
}
const std::string& Pfx_get(int index) {
  static const std::string none;
  if (index < 0 || index >= PFX_LISTS) return none;
  return pfx_lists[index];
}
void Pfx_set_start(int index) {
  if (index < 0 || index >= PFX_LISTS) Rpt_error(err::OUT_OF_RANGE);
  pfx_start = index;
  Chan_hook.prog_cache_forget();
}
int Pfx_start() { return pfx_start; }
bool Pfx_defined(int index) {
  if (index < 0 || index >= PFX_LISTS) return false;
  const std::string& l = pfx_lists[index];
  return l.find_first_not_of(" \t") != std::string::npos;
}

// ---- virtual directories ----

void Kest_AddVdir(const std::string& name, const std::string& target) {
  if (name.empty() || name.size() > 255 || target.size() > 255) Rpt_error(err::STRING_LENGTH);
  Vdir v;
  std::string n = name;
  if (n.size() > 2 && n[0] == '*' && n[1] == '/') {
    v.suffix = true;
    v.made = true;
    n = n.substr(2);
  }
  v.name = upper_slash(n);
  v.target = target;
  for (auto it = vdirs.begin(); it != vdirs.end(); ++it)
    if (it->name == v.name && it->suffix == v.suffix) {
      vdirs.erase(it);
      break;
    }
  if (target.empty()) return;
  vdirs.insert(vdirs.begin(), v);
}

std::string Kest_GetVdir(const std::string& name) {
  if (name.empty()) Rpt_error(err::STRING_LENGTH);
  std::string n = upper_slash(name);
  for (const Vdir& v : vdirs)
    if (v.name == n) return v.target;
  return std::string();
}

bool Kest_ChkVdir(std::string& name) {
  if (vdirs.empty()) return false;
  size_t semi = name.find(';');
  std::string head = upper_slash(name.substr(0, semi));
  for (Vdir& v : vdirs) {
    size_t k = v.name.size();
    if (v.suffix) {
      if (head.size() < k || head.compare(head.size() - k, k, v.name) != 0) continue;
      if (head.size() > k) {
        char before = head[head.size() - k - 1];
        if (before != '/' && before != ':') continue;
      }
      name = v.target + (semi == std::string::npos ? "" : name.substr(semi));
      return true;
    }
    if (head.size() < k || head.compare(0, k, v.name) != 0) continue;
    char after = k < name.size() ? name[k] : 0;
    if (after != 0 && after != '/' && after != '\\' && after != ';') continue;
    if (!v.made && (after == '/' || after == '\\')) {
      v.made = true;
      MakeDir(v.target.c_str());
    }
    name = v.target + name.substr(k);
    return true;
  }
  return false;
}

void Kest_ChkLclPfx(std::string& name) {
  while (Starts_ci(name, "[lcl]")) {
    if (thin_client()) {
      name = "[vrl]" + name.substr(5);
      return;
    }
    if (name.size() <= 5) Rpt_error(err::BAD_FILE_NAME);
    name = name.substr(5);
  }
}

// ---- the prefix file ----

bool Pfx_file_open() { return pfx_fcb != nullptr; }
int Pfx_lock_fd() { return pfx_fcb ? pfx_lock_fd : -1; }
int64_t Pfx_entry_index() { return pfx_entry; }
void (*Pfx_release_hook)() = nullptr;

void ClrPfxFile() {
  if (!pfx_fcb) return;
  if (Pfx_release_hook) Pfx_release_hook();
  Fcb* f = pfx_fcb;
  pfx_fcb = nullptr;
  if (pfx_lock_fd >= 0) Close(pfx_lock_fd);
  pfx_lock_fd = -1;
  Io_save_guard io;
  CloseFile(f);
}

void SetPfxFile(const std::string& name) {
  ClrPfxFile();
  if (name.empty()) return;
  Io_save_guard io;
  if (Find_fp(PFX_FILE_CHANNEL)) Rpt_error(err::CHANNEL_STATE);
  Fcb* f = Open_internal(PFX_FILE_CHANNEL, name, IO_INPUT_ONLY);
  if (f->kind != FK_KEYED && f->kind != FK_EFF) {
    CloseFile(f);
    Rpt_error(err::WRONG_FILE_KIND);
  }
  // Its records choose which program a name runs and which file, host or
  // program a channel's options name: whoever may write it could make this
  // user run their program or send a password elsewhere.  It is used only
  // when it is this user's or root's and no one else may write it, checked
  // on the descriptor that is kept (the ini file's rule).
  struct stat st {};
  if (fstat(f->fd, &st) != 0 || !Owner_only_writes(st)) {
    CloseFile(f);
    Set_ext_error("The prefix file \"" + name + "\" is not used: it is not owned by you or root, or others may write it");
    return;
  }
  pfx_fcb = f;
  // Lock areas of SQL tables are written locks: the file's one descriptor
  // is made read-write when this user may write it (else no area is held).
  if (f->path && f->path->path) {
    Open_opts oo;
    pfx_lock_fd = Open(f->path->path, O_RDWR, oo);
  }
}

// ---- the search ----

const std::string& Open_name() { return open_name; }
uint16_t Path_mode() { return mode; }
void Set_path_mode(uint16_t m) { mode = m; }

void Set_path() {
  if (ws.Str_len < 0) Rpt_error(err::BAD_FILE_NAME);
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  Set_path(name);
}

namespace {
void set_path(const std::string& given);
}

void Set_path(const std::string& given) {
  set_path(given);
  start_mode = mode;
}

namespace {
void set_path(const std::string& given) {
  std::string name = given;
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty() || name.size() > 511) Rpt_error(err::BAD_FILE_NAME);
  Check_name_nul(name);
  std::memcpy(ws.Lfa_path, name.data(), name.size());
  ws.Lfa_path[name.size()] = 0;
  pfx_entry = -1;
  pfx_iol.clear();
  pfx_iol_text.clear();
  // A "*" name of a program or driver is the library's own: no prefix-file
  // record maps it (the channel devices "*pdf*", "*memory*" ... are looked
  // up as before).
  if (pfx_fcb && (name[0] != '*' || device_name(name))) pfx_lookup(name);
  Kest_ChkVdir(name);
  if (name.empty() || name.size() > 511) Rpt_error(err::BAD_FILE_NAME);

  mode = 0;
  list_cnt = 0;
  list_pos = 0;
  drive = -1;
  as_is_done = false;

  if (name[0] == '[' && name.find(']') != std::string::npos) {
    Kest_ChkLclPfx(name);
    if (Starts_ci(name, "[dde]") && thin_client()) name = "[vrl]" + name.substr(5);
    open_name = name;
    mode = PM_AS_IS;
    size_t close = name.find(']');
    set_short_name(name.substr(0, close == std::string::npos ? 12 : close + 1));
    return;
  }
  if (Starts_ci(name, "*memory*") || Starts_ci(name, "*pdf*")) {
    open_name = name;
    mode = PM_AS_IS;
    set_short_name(Starts_ci(name, "*memory*") ? "*memory*" : "*pdf*");
    return;
  }
  if (thin_client()) {
    for (const char* dev : {"*windev*", "*bitmap*", "*winprt*"}) {
      if (Starts_ci(name, dev)) {
        open_name = "[vrl]" + name;
        mode = PM_AS_IS;
        set_short_name(dev);
        return;
      }
    }
  }
  if (name[0] == '>' || name[0] == '<' || name[0] == '|') {
    open_name = name;
    mode = PM_AS_IS;
    set_short_name(name);
    return;
  }

  set_short_name(name);
  bool lib_mode = name[0] == '*';
  bool plain = name[0] == '/';
  if (lib_mode) {
    // A "*" name (a utility, a terminal driver) is the library's file and
    // no other: a program planted in a PREFIX directory or beside the data
    // under that name must not run in its place.
    mode = PM_LIB_PENDING | PM_LIB_ONLY;
  } else {
    mode = PM_GIVEN_AFTER;
    if (Sw_on(sw::CD)) mode |= PM_GIVEN_FIRST;
  }
  if (plain) list_cnt = PFX_LISTS;  // no prefix lists
  const std::string& map = szSysFlMap;
  open_name.clear();
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == ';' && lib_mode) break;
    if (c == '*') c = '_';
    if (c == '.' || c == '/') mode |= PM_DOT_SLASH;
    for (size_t m = 0; m + 1 < map.size(); m += 2)
      if (map[m] == c) {
        c = map[m + 1];
        break;
      }
    if (!plain) {
      if (Sw_on(sw::FL)) c = char(std::tolower(uint8_t(c)));
      else if (Sw_on(sw::FU)) c = char(std::toupper(uint8_t(c)));
    }
    open_name.push_back(c);
  }
  if (open_name.size() >= 5 && Starts_ci(open_name, "LPT")) {
    size_t p = open_name.find(";NOBIOSTEST", 4);
    if (p != std::string::npos && p >= 4) open_name.resize(p);
  }
}
}  // namespace

void Restart_path() {
  mode = start_mode;
  list_cnt = (!open_name.empty() && open_name[0] == '/') ? PFX_LISTS : 0;
  list_pos = 0;
  as_is_done = false;
}

void Path_drive(int d) {
  drive = d;
  list_cnt = 0;
  list_pos = 0;
}

int Next_path() {
  if (mode & PM_AS_IS) {
    if (as_is_done) return 1;
    as_is_done = true;
    put_path(open_name);
    return 0;
  }
  if (mode & PM_GIVEN_FIRST) {
    mode &= uint16_t(~(PM_GIVEN_FIRST | PM_GIVEN_AFTER));
    put_candidate(open_name);
    return 0;
  }
  if (mode & PM_LIB_ONLY) {
    if (!(mode & PM_LIB_PENDING)) return 1;
    mode &= uint16_t(~PM_LIB_PENDING);
    put_path(library_candidate());
    return 0;
  }
  int lists = drive > 0 ? 1 : PFX_LISTS;
  while (list_cnt < lists) {
    int l = drive > 0 ? drive - 1 : (pfx_start + list_cnt) % PFX_LISTS;
    const std::string& list = pfx_lists[l];
    std::string entry;
    bool whole = false, skip = false;
    if (list.empty() || uint8_t(list[0]) > 127 || !next_entry(list, &entry, &whole, &skip)) {
      ++list_cnt;
      list_pos = 0;
      continue;
    }
    if (skip) continue;
    if (whole) mode |= PM_WHOLE_NAME;
    else mode &= uint16_t(~PM_WHOLE_NAME);
    put_candidate(whole ? entry : entry + open_name);
    return 0;
  }
  if (drive > 0) return 1;
  if (mode & PM_LIB_PENDING) {
    mode &= uint16_t(~PM_LIB_PENDING);
    put_path(library_candidate());
    return 0;
  }
  if (mode & PM_GIVEN_AFTER) {
    mode &= uint16_t(~PM_GIVEN_AFTER);
    put_candidate(open_name);
    return 0;
  }
  return 1;
}

void Check_name_nul(const std::string& name) {
  size_t nul = name.find('\0');
  if (nul != std::string::npos && name.find_first_not_of('\0', nul) != std::string::npos)
    Rpt_error_text(err::BAD_FILE_NAME, "File name holds a NUL byte");
}

void Check_name_from_file(const std::string& name, const char* what) {
  if (name.empty()) return;
  char c = name[0];
  if (c != '|' && c != '<' && c != '>' && c != '[' && !Starts_ci(name, "*pdf*") && !Starts_ci(name, "*memory*"))
    return;
  Set_ext_error(std::string(what) + " is not a file: " + name);
  Rpt_error(err::BAD_FILE_NAME);
}

std::string Find_host_file(const std::string& name) {
  struct Search_kept {
    std::string name = open_name;
    uint16_t mode_ = mode, start = start_mode;
    int cnt = list_cnt, drv = drive;
    size_t pos = list_pos;
    bool done = as_is_done;
    std::string path = ws.Path_buf, lfa = ws.Lfa_path;
    char name12[sizeof ws.File_name12];
    Search_kept() { std::memcpy(name12, ws.File_name12, sizeof name12); }
    ~Search_kept() {
      open_name = name;
      mode = mode_;
      start_mode = start;
      list_cnt = cnt;
      drive = drv;
      list_pos = pos;
      as_is_done = done;
      std::memcpy(ws.Path_buf, path.c_str(), path.size() + 1);
      std::memcpy(ws.Lfa_path, lfa.c_str(), lfa.size() + 1);
      std::memcpy(ws.File_name12, name12, sizeof name12);
    }
  } kept;
  try {
    Set_path(name);
    if (mode & PM_AS_IS) return "";
    while (Next_path() == 0) {
      if (ws.Path_buf[0] == '[') continue;
      struct stat st {};
      if (stat(ws.Path_buf, &st) == 0) return ws.Path_buf;
    }
  } catch (const Oru_error&) {
  }
  return "";
}

int Get_file() {
  int last = ENOENT;
  while (Next_path() == 0) {
    int rc = Open_file();
    // A file swapped at the name while it was opened ends the search: a
    // later candidate is no answer to that.
    if (rc == 0 || rc == ESTALE) return rc;
    // A file that exists but cannot be opened (busy, refused) is the answer;
    // a later candidate where it is missing must not hide that.
    if (last == ENOENT || rc != ENOENT) last = rc;
  }
  return last;
}

void Open_failed(int rc) {
  if (rc == ENOENT) {
    ws.Last_errno = ENOENT;
    Rpt_error(err::FILE_NOT_FOUND);
  }
  if (rc == ESTALE) {
    ws.Last_errno = ESTALE;
    Rpt_error_text(err::FILE_NOT_FOUND, "The file changed while it was opened");
  }
  errno = rc;
  Sys_error();
}
