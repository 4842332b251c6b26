// OPEN: the directive, the opening of one candidate path, file-kind
// detection and link files.
//
// File header (the first 256 bytes of every file of the system's own kinds):
//   0-3    "[Oru" (Oru_file_id: ORU__ID may replace the three letters);
//          "[Yod" and "[Kiv" are read as "[Oru"
//   4-7    kind tag: "dev]" 0, "lnk]" -1, "key]" 2, "ind]" 3, "prg]" 4,
//          "apr]" 7, "vdf]" 17, "ky2]" 21
// Link files (tags "dev]", "apr]", "lnk]"):
//   8-67   target name, blank-padded
//   68-79  device-driver id, blank-padded (blank: none)
// Other recognised files: a C-ISAM index (0xFE 0x53, name ending ".idx") is
// kind 9; "<<bbx>>" with byte 7 of 6 or 2 is kind 14.  Anything else, and a
// file shorter than the header, is serial (binary with the minus modifier).
#include "channels/dictionary.h"
#include "channels/open.h"
#include "channels/printer_init.h"
#include "channels/record_formats.h"
#include "channels/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/io_list.h"
#include "channels/rec_formats.h"
#include "channels/record_locks.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/file_trust.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/text_case.h"
#include "core/workspace.h"
#include "channels/chan_hooks.h"

namespace {

struct Kind_tag {
  int32_t kind;
  char tag[5];
};
const Kind_tag Oru_type_tbl[] = {
    {FK_DEVICE, "dev]"}, {FK_CONSOLE_ALIAS, "lnk]"}, {FK_KEYED, "key]"}, {FK_INDEXED, "ind]"},
    {FK_PROGRAM, "prg]"}, {FK_AUX_PRINTER, "apr]"}, {FK_VARDATA, "vdf]"}, {FK_EFF, "ky2]"},
    {999, ""}};

constexpr int LINK_HOPS = 10;

constexpr int NO_KIND = -99;

// Whether the opened descriptor holds the file its name showed when it was
// looked at: another user who can write the folder may swap a link to
// another file (or to a device) in between.
bool same_as_looked(int fd, const struct stat& looked) {
  struct stat st {};
  return fstat(fd, &st) == 0 && st.st_dev == looked.st_dev && st.st_ino == looked.st_ino &&
         (st.st_mode & S_IFMT) == (looked.st_mode & S_IFMT) && st.st_rdev == looked.st_rdev;
}

bool ends_ci(const std::string& s, const char* p) {
  size_t n = std::strlen(p);
  return s.size() >= n && Starts_ci(std::string_view(s).substr(s.size() - n), p);
}

// The kind a name prefix decides at once (NO_KIND: none).
int prefix_kind(const char* p) {
  if (Starts_ci(p, "[vrl]") || Starts_ci(p, "[rpc:")) return FK_THIN_CLIENT;
  if (Starts_ci(p, "[mysql]")) return FK_MYSQL;
  if (Starts_ci(p, "[tcp]")) return FK_TCP;
  if (Starts_ci(p, "[lib:")) return FK_LIB_MEMBER;
  if (Starts_ci(p, "*memory*")) return FK_MEMORY;
  if (Starts_ci(p, "*pdf*")) return FK_PDF;
  if (p[0] == '>' || p[0] == '<' || p[0] == '|') return FK_PIPE;
  return NO_KIND;
}

// The kind named by the header in ws.File_hdr (NO_KIND: none of ours).
int header_kind(const std::string& path) {
  uint8_t* h = ws.File_hdr;
  if (std::memcmp(h, "[Yod", 4) == 0 || std::memcmp(h, "[Kiv", 4) == 0) std::memcpy(h, Oru_file_id, 4);
  if (std::memcmp(h, Oru_file_id, 4) == 0) {
    for (const Kind_tag* t = Oru_type_tbl; t->kind != 999; ++t)
      if (std::memcmp(h + 4, t->tag, 4) == 0) return t->kind;
    return NO_KIND;
  }
  if (h[0] == 0xFE && h[1] == 0x53 && ends_ci(path, ".idx")) return FK_CISAM;
  if (std::memcmp(h, "<<bbx>>", 7) == 0 && (h[7] == 6 || h[7] == 2)) return FK_BBX_KEYED;
  return NO_KIND;
}

bool is_link_kind(int k) { return k == FK_DEVICE || k == FK_AUX_PRINTER || k == FK_CONSOLE_ALIAS; }

// A link file's driver id (12 bytes, blank-padded): letters, digits, '_',
// '-' and '.', not beginning with '.'.
bool plain_driver_id(const char* id) {
  size_t n = 0;
  while (n < 12 && id[n] != ' ' && id[n] != 0) {
    char c = id[n];
    if (!std::isalnum(uint8_t(c)) && c != '_' && c != '-' && c != '.') return false;
    ++n;
  }
  return n > 0 && id[0] != '.';
}

bool can(const char* path, int how) { return faccessat(AT_FDCWD, path, how, AT_EACCESS) == 0; }

[[noreturn]] void access_refused() {
  ws.Last_errno = EACCES;
  ws.Err_flags |= 4;
  Set_ext_error(std::strerror(EACCES));
  // A refused permission is no lock conflict: no busy retries.
  Rpt_error(256 + EACCES);
}

// The host refused the open mode (EACCES or EROFS, not because this process
// holds the file).  Falls back to the access the file allows, exactly one of:
//  - not writable: PURGE and an exclusive open (OPEN LOCK) are error 13,
//    unreadable the host error, else read only (the channel becomes input
//    only);
//  - writable but not readable: an input-only open is error 13, else write
//    only;
//  - readable and writable, yet refused: the host error.
int open_refused(const char* path, int err, const Open_opts& oo, bool* input_only, bool* write_only) {
  bool w = err != EROFS && can(path, W_OK);
  bool r = can(path, R_OK);
  int fd;
  if (!w) {
    // An exclusive open must keep writers out, which takes write access.
    if (oo.exclusive || (ws.Io_opts & IO_PURGE)) Rpt_error(err::WRONG_MODE);
    if (!r) access_refused();
    fd = Open(path, O_RDONLY, oo);
    if (fd >= 0) *input_only = true;
  } else if (!r) {
    if (*input_only) Rpt_error(err::WRONG_MODE);
    fd = Open(path, O_WRONLY, oo);
    if (fd >= 0) *write_only = true;
  } else {
    access_refused();
  }
  return fd;
}

void close_fd(int fd) {
  if (fd > 1) Close(fd);
}

void blank12(char* dst, const char* src, size_t n) {
  std::memset(dst, ' ', 12);
  std::memcpy(dst, src, std::min<size_t>(n, 12));
}

// A console alias: a bare record of kind -1 that stands for the console.
void open_alias() {
  Fcb* f = Fcb_alloc<Fcb>();
  f->channel = ws.Cur_chan;
  f->kind = FK_CONSOLE_ALIAS;
  f->fd = -1;
  f->separator = ws.Io_sep;
  std::memcpy(f->short_name, ws.Con_fcb->short_name, 12);
  ws.Cur_fcb = f;
  Link_fp();
}

// Creates a missing file for the create modifier on the first candidate of
// the search whose directory exists, then opens it: the file the channel
// opens by name must be the one made (error 12 when another user swapped
// another in between).
void open_create() {
  Chan_hook.prog_files_changed();  // a loaded program of the name is read again
  Restart_path();
  int err = ENOENT;
  while (Next_path() == 0) {
    if (ws.Path_buf[0] == '[') continue;
    int fd = open(ws.Path_buf, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, prmblk.Create_mode);
    if (fd < 0) {
      err = errno;
      if (err == ENOENT || err == ENOTDIR) continue;
      Sys_error();
    }
    struct stat made {};
    bool known = fstat(fd, &made) == 0;
    close(fd);
    int rc = Open_file();
    if (rc != 0) Open_failed(rc);
    Fcb* f = ws.Cur_fcb;
    if (known && f->fd >= 0 && same_as_looked(f->fd, made)) return;
    CloseFile(f);
    Open_failed(ESTALE);
  }
  errno = err;
  if (err == ENOENT) Rpt_error(err::FILE_NOT_FOUND);
  Sys_error();
}

// The statement's REC= becomes the channel's record prefix.
void store_prefix(Fcb* f) {
  if (ws.Io_rec_prefix && !f->rec_prefix) {
    uint8_t n = ws.Io_rec_prefix[0];
    f->rec_prefix = static_cast<uint8_t*>(Get_blk(size_t(n) + 1));
    std::memcpy(f->rec_prefix, ws.Io_rec_prefix, size_t(n) + 1);
  }
}

// The statement's IOL= becomes the channel's own list.
void store_iol(Fcb* f) {
  if (ws.Io_iol_len > 0) {
    Iol_set_slot(f, 0, ws.Io_iol_ptr, size_t(ws.Io_iol_len));
  } else if (ws.Io_iol_len == -1 || ws.Io_iol_len == -2) {
    // IOL=* and IOL=*1 take a list stored with the file (the kinds that
    // store one put it in its slot at open) as the channel's own.
    bool main_list = ws.Io_iol_len == -1;
    const uint8_t* b = Iol_slot(f, -ws.Io_iol_len);
    if (!b && main_list && !Pfx_default_iol().empty()) {
      // The prefix record's list stands in for the file's own.
      std::vector<uint8_t> items = Pfx_default_iol();
      Iol_set_slot(f, 0, items.data(), items.size());
      ws.Io_iol_ptr = nullptr;
      ws.Io_iol_len = 0;
      return store_prefix(f);
    }
    if (!b) Rpt_error(err::NO_IOLIST);
    std::vector<uint8_t> items(b + 3, b + get_u16be(b));
    Iol_set_slot(f, 0, items.data(), items.size());
    ws.Io_iol_ptr = nullptr;
    ws.Io_iol_len = 0;
    // A file with named formats stores the first one as its main list:
    // that format is the channel's record template.
    std::vector<std::string> names = Fcb_format_names(f);
    if (main_list && !names.empty()) Fcb_set_template(f, names[0]);
  } else if (ws.Io_iol_len == -3) {
    // IOL="name": the channel's record format of that name becomes its list.
    const uint8_t* b = FindFileFormat(f, Iol_pending_format());
    if (!b) Rpt_error(err::BAD_IOLIST_ITEM);
    std::vector<uint8_t> items(b + 3, b + get_u16be(b));
    Iol_set_slot(f, 0, items.data(), items.size());
    Fcb_set_template(f, Fcb_format_name(f, Iol_pending_format()));
  }
  store_prefix(f);
}

}  // namespace

void KestOpenOpts(const uint8_t* text, int32_t len) {
  std::string word;
  auto take = [&] {
    if (word == "O_RDONLY") ws.Io_opts |= IO_INPUT_ONLY;
    else if (word == "O_EXCL") ws.Io_opts |= IO_EXCLUSIVE;
    else if (word == "O_APPEND") ws.Io_open_mods |= OM_APPEND;
    else if (word == "O_TRUNC") ws.Io_open_mods |= OM_TRUNCATE;
    else if (word == "O_CREATE") ws.Io_open_mods |= OM_CREATE;
    word.clear();
  };
  for (int32_t i = 0; i < len; ++i) {
    char c = char(text[i]);
    if (c == ',' || c == ';') {
      take();
      continue;
    }
    if (c == '\\' && i + 1 < len) c = char(text[++i]);
    if (word.size() < 255) word.push_back(char(std::toupper(uint8_t(c))));
  }
  take();
}

int Open_file() {
  bool binary = ws.Io_bin_rsz > 0;
  bool minus = ws.Io_open_mods & OM_MINUS;
  bool input_only = ws.Io_opts & IO_INPUT_ONLY;
  bool exclusive = ws.Io_opts & IO_EXCLUSIVE;
  bool write_only = false, fifo = false, via_link = false;
  int link_kind = NO_KIND;
  char driver_id[12];
  std::memset(driver_id, ' ', 12);
  int fd = -1;
  int kind = NO_KIND;

  for (int hops = 0;; ++hops) {
    std::string path = ws.Path_buf;
    kind = prefix_kind(path.c_str());
    fd = -1;
    if (kind != NO_KIND) {
      if (binary && (kind == FK_MYSQL || kind == FK_TCP || kind == FK_MEMORY)) Rpt_error(err::WRONG_FILE_KIND);
      break;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
      int e = errno;
      return (e == ENOENT || e == ENOTDIR) ? ENOENT : e;
    }
    // Any file is opened only through symbolic links of this user's or
    // root's: another user's link put at a shared file's name would send
    // this user's reads and writes into a file of their choosing (the
    // kernel follows it in a folder that is only group-writable).  A
    // device says so in its own words.
    if (!S_ISCHR(st.st_mode) && !S_ISBLK(st.st_mode)) Refuse_foreign_symlink(path.c_str());
    if (S_ISDIR(st.st_mode)) {
      // A directory is read as a listing; as a byte stream it is no file.
      if (binary || minus) {
        errno = EISDIR;
        Sys_error();
      }
      kind = FK_DIRECTORY;
      input_only = true;
      break;
    }
    if (S_ISFIFO(st.st_mode)) {
      // Opened for reading only, so that a READ sees the end once no
      // writer is left (this channel would be one itself); the first
      // output opens it for writing (Fifo_for_output).
      fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) {
        if (errno == ENXIO) Rpt_error(err::RECORD_BUSY);
        return errno;
      }
      if (!same_as_looked(fd, st) || !Opened_as_named(fd, path.c_str())) {
        close(fd);
        Refuse_foreign_symlink(path.c_str());
        return ESTALE;
      }
      fifo = true;
      kind = binary ? FK_BINARY : FK_SERIAL;
      break;
    }
    // A device is opened only through symbolic links of this user's or
    // root's: another user's link put at a shared file's name would send
    // writes to a device of their choosing, or hold a READ on one that never
    // ends a line (/dev/zero).
    if ((S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) && Foreign_symlink(path.c_str())) {
      Set_ext_error("Device named through another user's symbolic link");
      Rpt_error(err::BAD_FILE_NAME);
    }
    Open_opts oo;
    oo.exclusive = exclusive;
    oo.aux_printer = link_kind == FK_AUX_PRINTER;
    // A descriptor parked by the deferred close (+F) for this very path is
    // taken over; an exclusive or input-only open has the parked one closed
    // first (through the open-file table) and opens afresh.
    int parked = Kest_CloseCheck(exclusive, input_only);
    // OPEN INPUT LOCK opens for writing too: only a write mark keeps the
    // writers out (the channel itself stays input only).
    fd = parked > 0 ? parked : Open(path.c_str(), input_only && !exclusive ? O_RDONLY : O_RDWR, oo);
    if (fd < 0) {
      int e = errno;
      if ((e != EACCES && e != EROFS) || Open_held_here()) return e;
      fd = open_refused(path.c_str(), e, oo, &input_only, &write_only);
      if (fd < 0) return errno;
    }
    // The kind and the device check above were decided on what the name
    // showed; the descriptor must hold that very file.
    if (!same_as_looked(fd, st)) {
      close_fd(fd);
      return ESTALE;
    }
    if (binary) {
      kind = FK_BINARY;
      break;
    }
    if (S_ISCHR(st.st_mode)) {
      kind = link_kind == FK_AUX_PRINTER ? FK_AUX_PRINTER : FK_DEVICE;
      break;
    }
    ssize_t n = write_only ? -1 : pread(fd, ws.File_hdr, sizeof ws.File_hdr, 0);
    if (n < ssize_t(sizeof ws.File_hdr)) {
      if (n < 0) std::memset(ws.File_hdr, 0, sizeof ws.File_hdr);
      else std::memset(ws.File_hdr + n, 0, sizeof ws.File_hdr - size_t(n));
      kind = minus ? FK_BINARY : FK_SERIAL;
      break;
    }
    kind = header_kind(path);
    if (kind == NO_KIND) {
      kind = minus ? FK_BINARY : FK_SERIAL;
      break;
    }
    if (!is_link_kind(kind)) break;

    // A link file: open its target instead, when it is this user's or
    // root's (or the library's, trusted as a whole).  Whoever may put a
    // file into a shared directory could otherwise send this user's writes
    // into any file the user may write (even where the kernel refuses to
    // follow their symbolic links).
    struct stat lst {};
    const std::string& lib = Lib_dir_path();
    bool in_library = !lib.empty() && path.size() > lib.size() && path.compare(0, lib.size(), lib) == 0 &&
                      path[lib.size()] == '/';
    bool owned = fstat(fd, &lst) == 0 && (Owned_by_user_or_root(lst) || in_library);
    close_fd(fd);
    fd = -1;
    if (!owned) {
      Set_ext_error("Link file not owned by you or root");
      Rpt_error(err::BAD_FILE_NAME);
    }
    if (hops + 1 > LINK_HOPS) Rpt_error(err::BAD_FILE_NAME);
    if (ws.File_hdr[68] != ' ') {
      std::memcpy(driver_id, ws.File_hdr + 68, 12);
      // The driver id names a program of the library's driver folder: a
      // plain name, nothing that could reach another folder.
      if (!plain_driver_id(driver_id)) {
        Set_ext_error("Link file driver id is not a plain name");
        Rpt_error(err::BAD_FILE_NAME);
      }
    }
    std::string target(reinterpret_cast<const char*>(ws.File_hdr + 8), 60);
    size_t end = target.find_last_not_of(" \0", std::string::npos, 2);
    target = end == std::string::npos ? std::string() : target.substr(0, end + 1);
    if (target.empty()) Rpt_error(err::BAD_FILE_NAME);
    // Whoever can write a shared data file can make it a link file: its
    // target must name a file, never a command ("|", "<", ">"), a
    // bracketed device or connection, or a memory or PDF channel.
    Check_name_from_file(target, "Link file target");
    if (target == "*") {
      target = ws.Con_fcb && ws.Con_fcb->path ? ws.Con_fcb->path->path : "/dev/tty";
    } else if (target[0] == '*') {
      // As every "*" name: the library's file, or none.
      target = Lib_dir_path() + "/_" + target.substr(1);
    }
    via_link = true;
    link_kind = kind;
    std::string next = target;
    if (prefix_kind(target.c_str()) == NO_KIND) next = Path_convert(target);
    if (next.size() >= sizeof ws.Path_buf) {
      Set_ext_error("Path too long");
      Rpt_error(err::BAD_FILE_NAME);
    }
    std::memcpy(ws.Path_buf, next.c_str(), next.size() + 1);
  }

  // The kind's driver builds the record.
  ws.Cur_ftype = kind;
  ws.Cur_drv = Fio_tbl[kind + 1];
  ws.Cur_fd = fd;
  ws.Cur_fcb = nullptr;
  // A driver that builds no record leaves its reason in ws.Call_err.  The
  // word is lent for the open only: inside a nested run it carries the
  // error the run hands back to its caller (-1: none), which an OPEN in
  // the nested program must not change.
  int lent = ws.Call_err;
  ws.Call_err = 0;
  try {
    Fio_call(FIO_OPEN);
  } catch (...) {
    ws.Call_err = lent;
    close_fd(ws.Cur_fd >= 0 ? ws.Cur_fd : fd);
    throw;
  }
  int reason = ws.Call_err;
  ws.Call_err = lent;
  Fcb* f = ws.Cur_fcb;
  if (!f) {
    close_fd(fd);
    Rpt_error(reason ? reason : err::CHANNEL_STATE);
  }
  f->channel = ws.Cur_chan;
  f->kind = ws.Cur_ftype;
  f->separator = ws.Io_sep;
  f->dup_to = f->dup_from = -1;
  if (!f->path) f->path = SavePath();
  std::memcpy(f->short_name, ws.File_name12, 12);
  std::memcpy(f->driver_id, driver_id, 12);
  if (fifo) f->st2 |= ST2_FIFO;
  if (via_link) f->st2 |= ST2_VIA_LINK;
  if (Sw_on(sw::SP)) f->st2 |= ST2_SP_ON;
  if (ws.Io_opts & IO_LOAD) f->st2 |= ST2_LOAD;
  if (input_only) {
    f->st1 |= ST1_INPUT_ONLY;
    f->journal_id = 0;
  }
  if (write_only) f->st1 |= ST1_WRITE_ONLY;
  if (exclusive && kind != FK_DIRECTORY && kind != FK_PIPE) {
    f->st1 |= ST1_LOCKED;
    f->st4 |= ST4_EXCLUSIVE;
  }
  if (minus) f->st4 |= ST4_MINUS;
  if (ws.Io_opt_len > 0 && !f->opt_text) {
    f->opt_text = static_cast<uint8_t*>(Get_blk(size_t(ws.Io_opt_len) + 2));
    f->opt_text[0] = uint8_t(ws.Io_opt_len >> 8);
    f->opt_text[1] = uint8_t(ws.Io_opt_len);
    std::memcpy(f->opt_text + 2, ws.Io_opt_ptr, size_t(ws.Io_opt_len));
  }
  Link_fp();
  if (Journal_open_refused(f)) {
    CloseFile(f);
    Rpt_error_text(err::DIRECTORY_UNREADABLE, "the file is journaled and no system journal is open");
  }
  if (driver_id[0] != ' ') {
    // The link names the device's terminal driver: it runs on the new
    // channel (which it closes, with error 100, when it fails).
    std::memcpy(f->term_id, driver_id, 12);
    Chan_hook.dev_init(driver_id);
  }
  return 0;
}

void d_open() {
  // The modifiers stand before the first channel and hold for every channel
  // the statement opens: OPEN INPUT (7)"a",(8)"b" opens both for input.
  uint16_t opts = 0, mods = 0;
  for (;;) {
    for (bool more = true; more;) {
      switch (*ws.Exec_ptr) {
        case code::OP_SUB: mods |= OM_MINUS; ws.Exec_ptr++; break;
        case code::EXT_DIR: mods |= OM_CREATE; ws.Exec_ptr += 2; break;
        case code::D_END: mods |= OM_APPEND; ws.Exec_ptr++; break;
        case code::D_INPUT: opts |= IO_INPUT_ONLY; ws.Exec_ptr++; break;
        case code::D_LOAD: opts |= IO_LOAD | IO_INPUT_ONLY; ws.Exec_ptr++; break;
        case code::D_LOCK: opts |= IO_EXCLUSIVE; ws.Exec_ptr++; break;
        case code::D_PURGE: opts |= IO_PURGE | IO_EXCLUSIVE; ws.Exec_ptr++; break;
        case code::PREFIX2: Rpt_error(err::BAD_OBJECT);  // attaching to an object needs a running object
        case code::D_DICT: {
          // OPEN DICT [name] [,ERR=line]
          ws.Exec_ptr++;
          ws.Stmt_save = ws.Exec_ptr;
          Err_scan();
          std::string name;
          uint8_t c = *ws.Exec_ptr;
          if (!(c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END) || c == code::COMMA)) {
            Eval_str();
            name.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
            if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
          }
          if (*ws.Exec_ptr == code::COMMA) {
            ws.Exec_ptr++;
            Chk_err();
          }
          Dict_open(name);
          return;
        }
        default: more = false;
      }
    }
    if (Sw_on(sw::OC)) Do_commit();
    Io_SetOptions(code::D_OPEN);
    ws.Io_opts |= opts;
    ws.Io_open_mods |= mods;
    // OPEN LOCK INPUT is exclusive read-only; LOAD never locks.
    if (*ws.Exec_ptr == code::D_TABLE)
      Dict_table_at_cursor();  // a table of the data dictionary
    else
      Eval_str();
    int32_t len = ws.Str_len;
    while (len > 0 && ws.Str_ptr[len - 1] == 0) --len;
    if (len < 1 || len > 512) Rpt_error(err::BAD_FILE_NAME);
    std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(len));
    if ((ws.Io_open_mods & OM_MINUS) && ws.Io_opt_len > 0) KestOpenOpts(ws.Io_opt_ptr, ws.Io_opt_len);

    char padded[12];
    blank12(padded, name.data(), name.size());
    if (name.size() <= 12 && ws.Con_fcb && std::memcmp(padded, ws.Con_fcb->short_name, 12) == 0) {
      open_alias();
    } else {
      Set_path(name);
      int rc = Get_file();
      if (rc != 0) {
        if (rc == ENOENT && (ws.Io_open_mods & OM_CREATE)) {
          open_create();
        } else {
          Open_failed(rc);
        }
      }
    }
    Fcb* f = ws.Cur_fcb;
    f->inherited = uint16_t(ws.Con_fcb ? (ws.Con_fcb->inherited & 7) : 0);
    try {
      store_iol(f);
      if (ws.Io_opts & IO_PURGE) {
        f->st3 |= ST3_PURGED;
        Fio_call(FIO_PURGE);
      } else if (ws.Io_open_mods & OM_TRUNCATE) {
        Fio_call(FIO_PURGE);
      }
      KestPrinterInit();
    } catch (...) {
      CloseFile(f);
      throw;
    }
    ws.Lfo_chan = f->channel;
    if (File_event_hook && f->path && f->path->name)
      File_event_hook(1, int(f->channel), f->path->name, std::strlen(f->path->name));
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
}
