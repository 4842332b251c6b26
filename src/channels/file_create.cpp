// File creation (File_create and its argument readers), SERIAL, DIRECTORY,
// ERASE and RENAME.
#include "channels/file_create.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

bool stmt_end(uint8_t c) { return c == code::STMT_SEP || c == code::EOL || c == code::D_ELSE; }

bool starts_ci(const std::string& s, const char* p) {
  size_t n = std::strlen(p);
  return s.size() >= n && strncasecmp(s.c_str(), p, n) == 0;
}

std::string eval_name() {
  Eval_str();
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
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
  if (err == ENOENT) Rpt_error(12);
  Sys_error();
}

// The OPT= of ERASE and RENAME: options of segmented files, which do not
// exist here; an empty text is no option.
void skip_opt() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 14) {
    ws.Exec_ptr += 2;
    Eval_str();
    if (ws.Str_len > 0) Not_built("OPT= of segmented files");
  }
}

void refuse_client_name(const std::string& name) {
  if (starts_ci(name, "[vrl]")) Rpt_error(10);  // client files need the thin client
}

}  // namespace

int32_t File_create_val(int32_t dflt) {
  if (*ws.Exec_ptr == code::COMMA) ws.Exec_ptr++;
  uint8_t c = *ws.Exec_ptr;
  if (c == code::IOPT_FIRST + 4) {  // ERR=
    Chk_err();
    return dflt;
  }
  if (c == 0x84 || c == 0x85 || c == 0x92 || stmt_end(c)) return dflt;
  return Eval_integer();
}

int32_t File_create_no() { return File_create_val(0); }

int32_t File_create_drive() {
  int32_t d = File_create_val(-1);
  if (d < -1 || d > 36) Rpt_error(41);
  if (!Sw_on(sw::PlusL)) return -1;
  if (d >= 1 && !Pfx_defined(d - 1)) Rpt_error(4);
  return d;
}

void File_create_end(Kdef& kd, Kname_node* names) {
  while (!stmt_end(*ws.Exec_ptr)) {
    uint8_t* p = ws.Exec_ptr;
    if (*p == code::COMMA) ++p;
    if (*p == code::IOPT_FIRST + 4) {  // ERR=
      ws.Exec_ptr = p;
      Chk_err();
      continue;
    }
    // Any other option word (SIZ=, OPT=, SEP= ...) is none of this
    // directive's: File_create_val stops in front of it, so it must end the
    // statement here rather than be read again and again.
    if (*p >= code::IOPT_FIRST && *p <= code::IOPT_LAST) {
      Rpt_error_text(20, "Option not taken by this directive");
    }
    File_create_no();
  }
  File_create(kd, names);
}

void File_create(Kdef& kd, Kname_node* /*names: for the thin client's text*/) {
  if (!Sw_on(sw::PlusL)) kd.drive = -1;
  if (std::strncmp(ws.Lfa_path, "[vrl]", 5) == 0 || Open_name().rfind("[vrl]", 0) == 0) Rpt_error(10);
  bool lib = false;
  Restart_path();
  if (exists_on_path(&lib)) Rpt_error(12);
  if (lib && kd.type == FK_PROGRAM) Not_built("program libraries");

  Restart_path();
  if (kd.drive > 0) Path_drive(kd.drive);
  int fd = -1;
  int err = ENOENT;
  while (Next_path() == 0) {
    if (ws.Path_buf[0] == '[') continue;
    Open_opts ex;
    ex.exclusive = true;
    fd = Open(ws.Path_buf, O_RDWR | O_CREAT | O_EXCL, ex, prmblk.Create_mode);
    if (fd >= 0) break;
    err = errno;
    if (err == ENOENT || err == ENOTDIR) continue;
    Sys_error();
  }
  if (fd < 0) {
    errno = err;
    if (err == ENOENT) Rpt_error(12);
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
  if (kd.type != FK_EFF) Close(fd);
}

void d_seri() {
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  std::string name = eval_name();
  Set_path(name);
  Kdef kd;
  Kdef_reset(kd);
  kd.type = FK_SERIAL;
  kd.records = File_create_no();
  kd.rec_len = uint16_t(File_create_no());
  kd.drive = File_create_drive();
  File_create_end(kd, nullptr);
}

void d_diry() {
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  std::string name = eval_name();
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  refuse_client_name(name);
  Set_path(name);
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) {
    ws.Exec_ptr++;
    Chk_err();
  }
  bool lib = false;
  Restart_path();
  if (exists_on_path(&lib)) Rpt_error(12);
  Restart_path();
  int err = ENOENT;
  while (Next_path() == 0) {
    if (ws.Path_buf[0] == '[') continue;
    if (MakeDir(ws.Path_buf) == 0) return;
    err = errno;
    if (err != ENOENT && err != ENOTDIR) break;
  }
  errno = err;
  if (err == ENOENT) Rpt_error(12);
  Sys_error();
}

void d_eras() {
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  for (;;) {
    std::string name = eval_name();
    skip_opt();
    refuse_client_name(name);
    Set_path(name);
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
      if (Find_fp(65001)) Rpt_error(14);
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
    if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == code::IOPT_FIRST + 4) break;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
}

void d_renm() {
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  uint8_t c = *ws.Exec_ptr;
  if (c == code::PREFIX2 || (c >= code::DIR_FIRST && c <= code::DIR_LAST))
    Not_built("RENAME of an index, class or control");
  std::string old_name = eval_name();
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(20);
  ws.Exec_ptr++;
  std::string new_name = eval_name();
  while (!new_name.empty() && new_name.back() == ' ') new_name.pop_back();
  if (new_name.empty() || new_name.size() > 512) Rpt_error(46);
  skip_opt();
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
  refuse_client_name(old_name);
  refuse_client_name(new_name);

  // The new name must be free on every entry of its own search path.
  Set_path(new_name);
  bool lib = false;
  if (exists_on_path(&lib)) Rpt_error(12);
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
      if (rename(ws.Path_buf, to.c_str()) == 0) return;
      if (errno == ENOENT || errno == ENOTDIR) continue;
      Sys_error();
    }
    Rpt_error(12);
  }
  Set_path(old_name);
  locate_existing();
  std::string from = ws.Path_buf;
  int err = ENOENT;
  for (const std::string& to : targets) {
    if (rename(from.c_str(), to.c_str()) == 0) return;
    err = errno;
  }
  errno = err;
  Sys_error();
}
