// File creation (File_create and its argument readers), SERIAL, DIRECTORY,
// ERASE and RENAME.
#include "channels/dictionary.h"
#include "channels/file_create.h"
#include "channels/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/kdef.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/params.h"
#include "core/text_case.h"
#include "core/workspace.h"
#include "channels/chan_hooks.h"

namespace {

// Codes that can begin an operand of an expression.
bool starts_value(uint8_t c) {
  switch (c) {
    case code::NUM_VAR:
    case code::STR_VAR:
    case code::NUM_LIT:
    case code::EXP_LIT:
    case code::STR_LIT:
    case code::HEX_LIT:
    case code::MNEM_LIT:
    case code::SMALL_INT:
    case code::INC_DEC:
    case code::LPAREN:
    case code::OP_ADD:
    case code::OP_SUB:
    case code::REC_VAR:
    case code::OBJ_REF:
      return true;
    default:
      return (Cde_tbl[c] & (CC_FUNCTION | CC_SYSVAR)) != 0;
  }
}

// A function code carries its "(": its arguments follow and ")" ends them.
// FN is followed by a name and a "(" of its own.
constexpr uint8_t FNC_USER = 88;

bool opens_arguments(uint8_t c) {
  return c == code::XFNC_PREFIX || c == code::ALT_FNC ||
         (c >= code::FNC_FIRST && c <= code::FNC_LAST && c != FNC_USER);
}

// Whether the name of the last Set_path exists on any entry of the search
// path.  A failure of the test other than "no such file" counts as existing:
// a file that may be there must not be created twice.
bool exists_on_path(bool* lib_entry) {
  *lib_entry = false;
  while (Next_path() == 0) {
    if (std::strncmp(ws.Path_buf, "[lib:", 5) == 0) {
      *lib_entry = true;
      continue;
    }
    if (ws.Path_buf[0] == '[') continue;
    struct stat st {};
    if (stat(ws.Path_buf, &st) == 0) return true;
    if (errno != ENOENT && errno != ENOTDIR) return true;
  }
  return false;
}

// Finds the first candidate of the last Set_path that exists (into
// ws.Path_buf); raises 12 (or the host error) when there is none.
void locate_existing() {
  int err = ENOENT;
  while (Next_path() == 0) {
    if (std::strncmp(ws.Path_buf, "[lib:", 5) == 0) Not_built("program libraries");
    if (ws.Path_buf[0] == '[') continue;
    struct stat st {};
    if (lstat(ws.Path_buf, &st) == 0) return;
    if (errno != ENOENT && errno != ENOTDIR) err = errno;
  }
  errno = err;
  if (err == ENOENT) Rpt_error(err::FILE_NOT_FOUND);
  Sys_error();
}

// The OPT= of ERASE and RENAME: "ALLSEG" or "CISAM" (any case) sets the
// all-segments bit; any other text sets nothing.
bool skip_opt() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == COPT_OPT) {
    ws.Exec_ptr += 2;
    return Kest_all_segs_opt(Create_text());
  }
  return false;
}

// ",ERR=line" where the operands of ERASE, RENAME and DIRECTORY end, and
// nothing after it.
void err_option_last() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == COPT_ERR) {
    ws.Exec_ptr++;
    Chk_err();
  }
  if (!Create_stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
}

void refuse_client_name(const std::string& name) {
  if (Starts_ci(name, "[vrl]")) Rpt_error(err::BAD_FILE_NAME);  // client files need the thin client
}

// Files on the thin client's machine ("[vrl]" names) are created, erased
// and emptied by the client: it runs the directive's text ('$' 'E'), so the
// name goes between double quotes and must not hold one (nor a control
// character), or it would end the text early.  Without a client: error 10.
bool client_name(const std::string& name) {
  if (!Starts_ci(name, "[vrl]")) return false;
  if (!Client_is_attached()) Rpt_error(err::BAD_FILE_NAME);
  return true;
}

std::string client_quoted(const std::string& name) {
  std::string n = Starts_ci(name, "[vrl]") ? name.substr(5) : name;
  for (char c : n)
    if (c == '"' || uint8_t(c) < 0x20)
      Rpt_error_text(err::BAD_FILE_NAME, "A file name for the client holds a quote or a control character");
  return "\"" + n + "\"";
}

void client_statement(const std::string& text) {
  Io_save_guard io;
  Client_requests.statement(text);
}

// The directive that creates the file of kd on the client.
std::string client_create_text(const Kdef& kd, const std::string& quoted, const Kname_node* names) {
  char num[96];
  std::string t;
  int type = kd.type;
  switch (type) {
    case FK_SERIAL: return "SERIAL " + quoted;
    case FK_PROGRAM: return "PROGRAM " + quoted;
    case FK_DIRECTORY: return "DIRECTORY " + quoted;
    case FK_INDEXED:
      std::snprintf(num, sizeof num, ",%d,%d", int(kd.records), int(kd.rec_len));
      return "INDEXED " + quoted + num;
    case FK_KEYED:
    case FK_EFF:
      break;
    default:
      Rpt_error(err::WRONG_FILE_KIND);
  }
  if (type == FK_KEYED && kd.rec_len == 0) {
    std::snprintf(num, sizeof num, ",%d", int(kd.key_len & 0x7F));
    return "SORT " + quoted + num;
  }
  int32_t rec = kd.rec_len == 256 ? 0 : int32_t(kd.rec_len);
  if (kd.flags1 & KF1_VARIABLE) rec = -rec;
  std::snprintf(num, sizeof num, ",%d,%d,%d", int(kd.records), int(rec), int(kd.spare_pct));
  t = "KEYED " + quoted + "," + Describe_keys(kd.segs, type == FK_KEYED ? 96 : 0, names) + num;
  std::string opt;
  if (kd.flags2 & KF2_C) opt += 'C';
  if (kd.flags2 & KF2_X) opt += 'X';
  if (kd.flags2 & KF2_U) opt += 'U';
  if (kd.flags2 & KF2_Z) opt += 'Z';
  if (type == FK_EFF) opt += (kd.key_len & KLEN_EFF2) ? '2' : '1';
  if (type == FK_EFF || (kd.flags2 & (KF2_C | KF2_X | KF2_Z))) t += ",OPT=\"" + opt + "\"";
  if ((kd.flags1 & KF1_SEP_GIVEN) && (kd.flags1 & KF1_NO_SEP)) {
    t += ",SEP=\"*BBX*\"";
  } else if (kd.flags1 & KF1_SEP_GIVEN) {
    std::snprintf(num, sizeof num, ",SEP=$%2.2X$", unsigned(kd.separator));
    t += num;
  } else if (kd.flags1 & KF1_NO_SEP) {
    t += ",SEP=*";
  }
  return t;
}

// The name of segment n of the file at base: the base with ".nnn" added.
std::string seg_name(const std::string& base, int n) {
  char sfx[16];
  std::snprintf(sfx, sizeof sfx, ".%03d", n);
  return base + sfx;
}

}  // namespace

Lib_entry_hooks Lib_hooks;

static bool is_segment(const std::string& path, bool raise);

bool Kest_all_segs_opt(const std::string& text) {
  std::string t;
  for (char c : text) t.push_back(char(std::toupper(uint8_t(c))));
  return t == "ALLSEG" || t == "CISAM";
}

void KestEraseRefileDel(const std::string& path, bool erase, bool all_segs) {
  if (!all_segs && !Sw_on(sw::PlusE)) return;
  size_t n = path.size();
  if (erase && n > 4 && strcasecmp(path.c_str() + n - 4, ".idx") == 0) {
    // The C-ISAM data file, its extension in the case of the index's.
    std::string d = path;
    const char* rep = "dat";
    for (size_t i = 0; i < 3; ++i) {
      char c = d[n - 3 + i];
      d[n - 3 + i] = (c >= 'a' && c <= 'z') ? rep[i] : char(rep[i] - 32);
    }
    ::remove(d.c_str());
    return;
  }
  // Only segment files go: a plain "name.001" that is no segment of the
  // file (no segment tag) is another file and stays, as do those after it.
  for (int i = 1; i <= 999; ++i) {
    std::string seg = seg_name(path, i);
    if (!is_segment(seg, false) || ::remove(seg.c_str()) != 0) break;
  }
}

// Whether path is a segment file (or a segment link) by its header tag.
// raise: a file that cannot be read is the host error, else no segment.
// Opened without waiting: a FIFO at a segment's name is no segment, and
// must not hold the process in open.
static bool is_segment(const std::string& path, bool raise) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (!raise || errno == ENOENT || errno == ENOTDIR) return false;
    Sys_error();
  }
  uint8_t head[8] = {};
  ssize_t n = pread(fd, head, sizeof head, 0);
  ::close(fd);
  return n == ssize_t(sizeof head) && (std::memcmp(head + 4, "seg]", 4) == 0 || std::memcmp(head + 4, "lnk]", 4) == 0);
}

void KestRenameSeg(const std::string& from, const std::string& to, bool rename) {
  int n = 1;
  for (; n <= 999 && is_segment(seg_name(from, n), true); ++n) {
    if (rename) {
      if (::rename(seg_name(from, n).c_str(), seg_name(to, n).c_str()) == 0) continue;
      int e = errno;
      while (--n >= 1) ::rename(seg_name(to, n).c_str(), seg_name(from, n).c_str());
      errno = e;
      Sys_error();
    }
    struct stat st {};
    if (lstat(seg_name(to, n).c_str(), &st) == 0) Rpt_error(err::FILE_NOT_FOUND);
  }
}

bool Is_lib_name(const std::string& name) { return name.size() >= 5 && strncasecmp(name.c_str(), "[lib:", 5) == 0; }

bool Create_stmt_end(uint8_t c) {
  return c == code::STMT_SEP || c == code::EOL || c == code::D_ELSE;
}

// Walks the expression at the cursor the way the evaluator will take it,
// without evaluating.  At the top level, inside "(" and in subscripts and
// substrings a value must begin where one is due (at the start, after an
// operator, after an opener or a separating ","); the arguments of a
// function are left to the function, except that they must be closed.  The
// expression ends, at the top level, at the first code that neither
// continues nor opens it; the caller checks that code.
void Create_check_value() {
  // Open groups, innermost last: 'g' a "(" around an expression, 's' the "("
  // of a substring, ']' and '}' subscripts, 'f' the arguments of a function.
  std::string open;
  const uint8_t* p = ws.Exec_ptr;
  const uint8_t* end = Code_end(p);  // a compiled line is shorter
  bool want = true;    // a value must begin here
  bool named = false;  // after a name or a closer: subscripts or a substring may follow
  for (;;) {
    uint8_t c = *p;
    char group = open.empty() ? 0 : open.back();
    if (Create_stmt_end(c) || c == code::END_SCAN) {
      if (want || group) Rpt_error(err::SYNTAX);
      return;
    }
    if (want || (group == 'f' && starts_value(c))) {
      if (!starts_value(c)) Rpt_error(err::SYNTAX);
      p += Scan_size(p, end);
      named = false;
      if (c == code::LPAREN) {
        open.push_back('g');
      } else if (opens_arguments(c)) {
        open.push_back('f');
        want = false;
      } else if (c != code::OP_ADD && c != code::OP_SUB && c != code::INC_DEC && c != FNC_USER) {
        want = false;
        named = c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR || c == code::OBJ_REF;
      } else {
        want = true;
      }
      continue;
    }
    if (c == code::INC_DEC && named) {  // A++ / A-- after a variable
      p += Scan_size(p, end);
      named = false;
      continue;
    }
    if (Cde_tbl[c] & (CC_BINOP | CC_LOGOP)) {
      p++;
      want = true;
      continue;
    }
    if (named && (c == code::LBRACKET || c == code::BLOCK_OPEN || c == code::LPAREN)) {
      open.push_back(c == code::LBRACKET ? ']' : c == code::BLOCK_OPEN ? '}' : 's');
      p++;
      want = true;
      named = false;
      continue;
    }
    named = false;
    if (c == code::RPAREN || c == code::RBRACKET || c == code::BLOCK_CLOSE) {
      if (!group) return;  // the caller's closer
      char closer = group == ']' || group == '}' ? group : ')';
      if (closer != (c == code::RPAREN ? ')' : c == code::RBRACKET ? ']' : '}')) Rpt_error(err::SYNTAX);
      open.pop_back();
      p++;
      named = c != code::RPAREN;  // a substring may follow subscripts
      continue;
    }
    if (!group) return;  // the code after the expression
    if (group == 'f') {
      p += Scan_size(p, end);  // a function's own argument forms (",", ERR= ...)
      continue;
    }
    if (c != code::COMMA || group == 'g') Rpt_error(err::SYNTAX);
    p++;
    want = true;
  }
}

void Create_formula() {
  Create_check_value();
  Eval_formula();
}

std::string Create_text() {
  if (*ws.Exec_ptr == code::D_TABLE) {  // a table of the data dictionary
    Dict_table_at_cursor();
    return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  Create_check_value();
  Eval_str();
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

int32_t Create_integer() {
  Create_check_value();
  return Eval_integer();
}

int32_t Create_range(int32_t lo, int32_t hi) {
  Create_check_value();
  return Eval_range(lo, hi);
}

void Create_expect(uint8_t c) {
  if (*ws.Exec_ptr != c) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
}

int32_t File_create_val(int32_t dflt) {
  uint8_t c = *ws.Exec_ptr;
  if (Create_stmt_end(c)) return dflt;
  if (c != code::COMMA) Rpt_error(err::SYNTAX);
  c = ws.Exec_ptr[1];
  if (c == COPT_ERR) {
    ws.Exec_ptr++;
    Chk_err();
    return dflt;
  }
  if (c >= code::IOPT_FIRST && c <= code::IOPT_LAST) return dflt;  // the option's reader
  ws.Exec_ptr++;
  return Create_integer();
}

int32_t File_create_no() { return File_create_val(0); }

int32_t File_create_drive() { return File_create_drive_value(File_create_val(-1)); }

int32_t File_create_drive_value(int32_t d) {
  if (d < -1 || d > 36) Rpt_error(err::OUT_OF_RANGE);
  if (!Sw_on(sw::PlusL)) return -1;
  if (d >= 1 && !Pfx_defined(d - 1)) Rpt_error(err::WRITE_FAILED);
  return d;
}

void File_create_end(Kdef& kd, Kname_node* names) {
  while (!Create_stmt_end(*ws.Exec_ptr)) {
    // An option word other than ERR= (SIZ=, OPT=, SEP= ...) is none of this
    // directive's: File_create_val stops in front of it, so it must end the
    // statement here rather than be read again and again.
    const uint8_t* p = ws.Exec_ptr;
    if (p[0] == code::COMMA && p[1] != COPT_ERR && p[1] >= code::IOPT_FIRST && p[1] <= code::IOPT_LAST)
      Rpt_error_text(err::SYNTAX, "Option not taken by this directive");
    File_create_no();
  }
  File_create(kd, names);
}

Made_file::~Made_file() { close(); }

void Made_file::close() {
  if (fd >= 0) Close(fd);
  fd = -1;
}

void File_create(Kdef& kd, Kname_node* names, Made_file* keep) {
  if (!Sw_on(sw::PlusL)) kd.drive = -1;
  std::string given = std::strncmp(ws.Lfa_path, "[vrl]", 5) == 0 ? std::string(ws.Lfa_path) : Open_name();
  if (client_name(given)) {
    if (kd.type == FK_EFF) kd.flags1 |= KF1_VARIABLE;
    client_statement(client_create_text(kd, client_quoted(given), names));
    return;
  }
  Chan_hook.prog_files_changed();  // a loaded program of the name is read again
  bool lib = false;
  Restart_path();
  if (exists_on_path(&lib)) Rpt_error(err::FILE_NOT_FOUND);
  if (lib && kd.type == FK_PROGRAM) {
    if (!Lib_hooks.create) Not_built("program libraries");
    Lib_hooks.create(Open_name());
    return;
  }

  Restart_path();
  if (kd.drive > 0) Path_drive(kd.drive);
  int fd = -1;
  int err = ENOENT;
  while (Next_path() == 0) {
    if (ws.Path_buf[0] == '[') continue;
    Open_opts ex;
    ex.exclusive = true;
    fd = Open(ws.Path_buf, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, ex, prmblk.Create_mode);
    if (fd >= 0) break;
    err = errno;
    if (err == ENOENT || err == ENOTDIR) continue;
    Sys_error();
  }
  if (fd < 0) {
    errno = err;
    if (err == ENOENT) Rpt_error(err::FILE_NOT_FOUND);
    Sys_error();
  }
  std::string created = ws.Path_buf;
  Io_save_guard io;
  Kdef* outer = ws.Create_kdef;
  ws.Cur_fd = fd;
  ws.Cur_ftype = kd.type;
  ws.Cur_drv = Fio_tbl[kd.type + 1];
  ws.Cur_fcb = nullptr;
  ws.Io_stmt = 0;
  ws.Create_kdef = &kd;
  try {
    Fio_call(FIO_DEFINE);
  } catch (...) {
    ws.Create_kdef = outer;
    // The file was made here, exclusively: a failed definition leaves
    // nothing behind (EFF's define slot closes and removes it itself).
    if (kd.type != FK_EFF) {
      Close(fd);
      unlink(created.c_str());
    }
    throw;
  }
  ws.Create_kdef = outer;
  if (kd.type == FK_EFF) return;
  if (keep) {
    keep->close();
    keep->fd = fd;
    keep->path = created;
  } else {
    Close(fd);
  }
}

void d_seri() {
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  std::string name = Create_text();
  Set_path(name);
  Kdef kd;
  Kdef_reset(kd);
  kd.type = FK_SERIAL;
  kd.records = File_create_no();
  kd.rec_len = uint16_t(File_create_no());
  kd.drive = File_create_drive();
  File_create_end(kd, nullptr);
}

namespace {
void make_dir(const std::string& name);
}

void d_diry() {
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  std::string name = Create_text();
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  err_option_last();
  make_dir(name);
}

void File_create_dir(const std::string& name) {
  while (!Create_stmt_end(*ws.Exec_ptr)) {
    const uint8_t* p = ws.Exec_ptr;
    if (p[0] == code::COMMA && p[1] != COPT_ERR && p[1] >= code::IOPT_FIRST && p[1] <= code::IOPT_LAST)
      Rpt_error_text(err::SYNTAX, "Option not taken by this directive");
    File_create_no();
  }
  make_dir(name);
}

namespace {

void make_dir(const std::string& name) {
  if (client_name(name)) {
    client_statement("DIRECTORY " + client_quoted(name));
    return;
  }
  Set_path(name);
  bool lib = false;
  Restart_path();
  if (exists_on_path(&lib)) Rpt_error(err::FILE_NOT_FOUND);
  Restart_path();
  int err = ENOENT;
  while (Next_path() == 0) {
    if (ws.Path_buf[0] == '[') continue;
    if (MakeDir(ws.Path_buf) == 0) return;
    err = errno;
    if (err != ENOENT && err != ENOTDIR) break;
  }
  errno = err;
  if (err == ENOENT) Rpt_error(err::FILE_NOT_FOUND);
  Sys_error();
}

}  // namespace

void d_eras() {
  Chan_hook.prog_files_changed();  // loaded programs are read again
  // An error before ERR= is reached still takes it (the search for it
  // starts past the TABLE code).
  ws.Stmt_save = ws.Exec_ptr + (*ws.Exec_ptr == code::D_TABLE ? 1 : 0);
  // Every name is read before any file goes: a statement that does not
  // read to its end removes nothing.
  std::vector<std::string> names;
  std::vector<bool> all_segs;
  for (;;) {
    names.push_back(Create_text());
    all_segs.push_back(skip_opt());
    if (client_name(names.back())) client_quoted(names.back());  // refused before anything goes
    if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == COPT_ERR) break;
    ws.Exec_ptr++;
  }
  err_option_last();
  Kest_CloseClear();  // no parked descriptor outlives its file
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    if (Starts_ci(name, "[vrl]")) {
      client_statement("ERASE " + client_quoted(name) + (all_segs[i] ? ",OPT=\"ALLSEG\"" : ""));
      continue;
    }
    if (Starts_ci(name, "[mysql]")) {
      // An SQL table is dropped through a channel opened on it, whose lock
      // marks tell whether another process has the table open (busy).
      Io_save_guard io;
      ws.Cur_chan = 65001;
      if (Find_fp(65001)) Rpt_error(err::CHANNEL_STATE);
      Set_path(name);
      ws.Io_opts = 0;
      ws.Io_open_mods = 0;
      ws.Io_siz = 0;
      ws.Io_opt_len = 0;
      ws.Io_iol_len = 0;
      ws.Io_rty = 0;
      int rc = Get_file();
      if (rc != 0) Open_failed(rc);
      Fcb* held = ws.Cur_fcb;
      try {
        Chan_hook.sql_drop(held);
      } catch (...) {
        Io_save_guard keep;
        CloseFile(held);
        throw;
      }
      CloseFile(held);
      continue;
    }
    Set_path(name);
    if (Is_lib_name(Open_name())) {
      if (!Lib_hooks.remove) Not_built("program libraries");
      Lib_hooks.remove(Open_name());
      continue;
    }
    locate_existing();
    std::string path = ws.Path_buf;
    struct stat st {};
    lstat(path.c_str(), &st);
    Fcb* held = nullptr;
    if (!S_ISDIR(st.st_mode)) {
      // Opened first as a channel, so that a file in use elsewhere fails
      // with its open error instead of vanishing under its users.
      Io_save_guard io;
      ws.Cur_chan = 65001;
      if (Find_fp(65001)) Rpt_error(err::CHANNEL_STATE);
      ws.Io_opts = IO_EXCLUSIVE;
      ws.Io_open_mods = 0;
      ws.Io_bin_rsz = 1;
      ws.Io_siz = 0;
      ws.Io_opt_len = 0;
      ws.Io_iol_len = 0;
      ws.Io_rty = 0;
      int rc = S_ISLNK(st.st_mode) ? 0 : Open_file();
      if (rc != 0) {
        errno = rc;
        Sys_error();
      }
      if (!S_ISLNK(st.st_mode)) held = ws.Cur_fcb;
    }
    int r = remove(path.c_str());
    int e = errno;
    if (held) {
      Io_save_guard io;
      CloseFile(held);
    }
    if (r != 0) {
      errno = e;
      Sys_error();
    }
    KestEraseRefileDel(path, true, all_segs[i]);
    Journal_it('E', path.data(), path.size(), nullptr);
  }
}

// RENAME CONTROL old,new | RENAME CONTROL entries$ [, RESTORE | SHOW | HIDE]:
// the thin client renames its controls ('n' 'C', no reply).
void rename_controls() {
  Err_scan();
  std::string entries;
  Eval_formula();
  // A second id follows a number only, never a string of entries: the
  // statement's compiled form cannot tell them apart.
  bool second_id = *ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::EXT_DIR &&
                   ws.Exec_ptr[1] != code::IOPT_FIRST + 4;
  if ((ws.Str_len >= 0) == second_id)
    Rpt_error_text(err::TYPE_MISMATCH, "RENAME CONTROL takes two ids or one string of entries");
  if (ws.Str_len >= 0) {
    if (ws.Str_len % 4 != 0) Rpt_error(err::STRING_LENGTH);
    entries.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    int64_t ids[2];
    for (int i = 0; i < 2; ++i) {
      if (i == 1) {
        Create_expect(code::COMMA);
        ids[1] = Eval_integer();
      } else {
        Num_val v = ws.Num_acc;
        Set_scl(v, 0, 0);
        ids[0] = v.mant;
      }
      if (ids[i] < CONTROL_ID_MIN || ids[i] > CONTROL_ID_MAX) Rpt_error(err::OUT_OF_RANGE);
      entries += char(uint8_t(uint32_t(ids[i]) >> 8));
      entries += char(uint8_t(ids[i]));
    }
  }
  bool hide = false, show = false, restore = false;
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::EXT_DIR) ++ws.Exec_ptr;
  if (*ws.Exec_ptr == code::EXT_DIR) {
    uint8_t k = ws.Exec_ptr[1];
    if (k == code::X_RESTORE) restore = true;
    else if (k == code::X_SHOW) show = true;
    else if (k == code::X_HIDE) hide = true;
    else Rpt_error(err::SYNTAX);
    ws.Exec_ptr += 2;
  }
  err_option_last();
  if (!Client_is_attached() || !Client_requests.rename_controls)
    Rpt_error_text(err::NOT_BUILT, "RENAME CONTROL needs an attached thin client (DEFTTY F)");
  Client_requests.rename_controls(entries, hide, show, restore);
}

namespace {

// The segments of a file just renamed from from to to follow it; when one
// cannot, the file goes back to its old name with them and the error is
// raised.
void move_segments(const std::string& from, const std::string& to) {
  try {
    KestRenameSeg(from, to, true);
  } catch (...) {
    ::rename(to.c_str(), from.c_str());
    throw;
  }
}

}  // namespace

void d_renm() {
  Chan_hook.prog_files_changed();  // loaded programs are read again
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  uint8_t c = *ws.Exec_ptr;
  if (c == code::PREFIX2 && ws.Exec_ptr[1] == 66 && Rename_class_hook) {  // RENAME CLASS
    ws.Exec_ptr += 2;
    Rename_class_hook();
    return;
  }
  if (Chan_hook.rename_index()) return;
  if (c == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_CONTROL) {
    ws.Exec_ptr += 2;
    As_token_form(rename_controls);
    return;
  }
  if (c == code::PREFIX2 || (c >= code::DIR_FIRST && c <= code::DIR_LAST)) Rpt_error(err::SYNTAX);
  std::string old_name = Create_text();
  Create_expect(code::COMMA);
  std::string new_name = Create_text();
  while (!new_name.empty() && new_name.back() == ' ') new_name.pop_back();
  if (new_name.size() > 512) Rpt_error(err::STRING_LENGTH);
  skip_opt();  // segments follow a renamed file whatever OPT= says
  err_option_last();
  refuse_client_name(old_name);
  refuse_client_name(new_name);
  // A parked descriptor would follow the file to its new name, and the next
  // OPEN of the old name would take it.
  Kest_CloseClear();
  Set_path(old_name);
  if (Is_lib_name(Open_name())) {
    if (!Lib_hooks.rename) Not_built("program libraries");
    Lib_hooks.rename(Open_name(), new_name);  // (an empty member name is a bad name: 10)
    return;
  }
  if (new_name.empty()) Rpt_error(err::STRING_LENGTH);

  // The new name must be free on every entry of its own search path.
  Set_path(new_name);
  bool lib = false;
  if (exists_on_path(&lib)) Rpt_error(err::FILE_NOT_FOUND);
  std::vector<std::string> targets;
  Restart_path();
  while (Next_path() == 0)
    if (ws.Path_buf[0] != '[') targets.push_back(ws.Path_buf);

  if (Sw_on(sw::OR)) {
    // Each entry of the old name's path, renamed to the new name as given.
    Set_path(old_name);
    std::string to = Path_convert(new_name);
    while (Next_path() == 0) {
      if (ws.Path_buf[0] == '[') continue;
      std::string from = ws.Path_buf;
      KestRenameSeg(from, to, false);
      if (rename(from.c_str(), to.c_str()) == 0) {
        move_segments(from, to);
        return;
      }
      if (errno == ENOENT || errno == ENOTDIR) continue;
      Sys_error();
    }
    Rpt_error(err::FILE_NOT_FOUND);
  }
  Set_path(old_name);
  locate_existing();
  std::string from = ws.Path_buf;
  int err = ENOENT;
  for (const std::string& to : targets) {
    KestRenameSeg(from, to, false);
    if (rename(from.c_str(), to.c_str()) == 0) {
      move_segments(from, to);
      return;
    }
    err = errno;
  }
  errno = err;
  Sys_error();
}
