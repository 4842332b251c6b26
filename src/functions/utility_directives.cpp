// Small directives that change the interpreter's environment: CWD, LFRM and
// SFRM, ALCK, RNDZ, ERRH, SNBF and SDRV.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/program_list.h"
#include "programs/error_handler.h"
#include "functions/prefix_lists.h"

namespace {

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

}  // namespace

// CWD dir: one trailing "/" is dropped from a name longer than one byte; a
// directory that cannot be entered is error 12 and nothing changes.
void d_cwd() {
  Eval_str();
  std::string dir(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (*ws.Exec_ptr == code::COMMA) {
    ++ws.Exec_ptr;
    Chk_err();
  }
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  int r = dir.find('\0') == std::string::npos ? chdir(dir.c_str()) : (errno = ENOENT, -1);
  Prog_cache_forget();  // relative names may resolve to other files now
  ws.Last_errno = r == 0 ? 0 : errno;
  if (r != 0) {
    // The report names the directory as the last file accessed.
    size_t n = std::min(dir.size(), sizeof ws.Lfa_path - 1);
    std::memcpy(ws.Lfa_path, dir.data(), n);
    ws.Lfa_path[n] = 0;
    Rpt_error(err::FILE_NOT_FOUND);
  }
  szSysCurDir = Getcwd();
}

// LFRM and SFRM clear and set parameter SF (single-letter names).
void d_lfrm() { ws.Prm.SF = false; }
void d_sfrm() { ws.Prm.SF = true; }

// ALCK ON clears parameter XI; ALCK OFF sets it.
void d_alck() {
  uint8_t c = *ws.Exec_ptr;
  if (!stmt_end(c)) ++ws.Exec_ptr;
  Sw_set(sw::XI, c != code::D_ON);
}

// RNDZ n: seeds the random generator with the exclusive or of the three
// low 16-bit words of n's mantissa.
void d_rndz() {
  Eval_val();
  uint64_t m = uint64_t(ws.Num_acc.mant);
  Oru_srand(uint32_t((m ^ (m >> 16) ^ (m >> 32)) & 0xFFFF));
}

// ERRH READ target: the name of the error-handler program (empty when none)
// is assigned.  ERRH [name]: the name is set, or cleared when empty or
// missing.  SETERR "name" comes here too.
void d_errh() {
  if (*ws.Exec_ptr == code::D_READ) {
    ++ws.Exec_ptr;
    Get_value();
  Check_assignable(ws.Cur_var);
    Let_target t;
    Let_define(t);
    if (t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    const std::string& name = Err_pgm_name();
    ws.Str_ptr = reinterpret_cast<uint8_t*>(const_cast<char*>(name.data()));
    ws.Str_len = int32_t(name.size());
    Let_assign(t);
    return;
  }
  std::string name;
  if (!stmt_end(*ws.Exec_ptr)) {
    Eval_str();
    name.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  Err_pgm_set(name);
}

// SNBF n [,ERR=line]: the keyed-file buffer count, parameter BF (0..100,
// not 1 or 2).
void d_snbf() {
  Err_tail_run([] {
    int32_t n = Eval_integer();
    if (n < 0 || n > 100 || n == 1 || n == 2) Rpt_error(err::OUT_OF_RANGE);
    if (int e = Exec_param(Prm_code('B', 'F'), n)) Rpt_error(e);
  });
}

// SDRV disk [, ERR=line]: not supported on this host.
void d_sdrv() {
  ws.Stmt_save = ws.Stmt_ptr;
  Get_diskno();
  if (*ws.Exec_ptr == code::COMMA) {
    ++ws.Exec_ptr;
    Chk_err();
  }
  Rpt_error_text(err::NOT_BUILT, "SDRV is not supported");
}
