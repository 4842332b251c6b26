// Functions about the process and its environment: ARG( (program
// arguments and fields of a string), ENV( (environment variables), DIR( and
// DSK( (the current directory), PTH( (paths of names and channels), SCLL(
// (shell commands and signals) and TSK( (the task strings SDEV sets).
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "programs/debug_link.h"
#include "channels/dictionary.h"
#include "channels/channel.h"
#include "core/console_device.h"
#include "channels/dyna_sep.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/host.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/utf8.h"
#include "functions/channel_access.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "functions/prefix_lists.h"
#include "functions/task_strings.h"
#include "functions/user_functions.h"

extern char** environ;

namespace {

constexpr size_t SCLL_COMMAND_MAX = 8192;
constexpr int32_t TSK_LAST = 4096;

// The next separator at or after `from` (utf8: never inside a multi-byte
// sequence), or len when there is none.
size_t next_sep(const uint8_t* s, size_t len, size_t from, uint8_t sep) {
  if (from >= len) return len;
  const uint8_t* p = ws.Utf8_mode ? KestUtf8FindSep(s + from, sep, int(len - from))
                                  : static_cast<const uint8_t*>(std::memchr(s + from, sep, len - from));
  return p ? size_t(p - s) : len;
}

// The fields of s: each is ended by the separator; a separator at the very
// end ends the last field (no empty field follows it).
std::vector<std::string> split_fields(const uint8_t* s, size_t len, uint8_t sep, bool* trailing) {
  std::vector<std::string> fields;
  size_t at = 0;
  bool ended = false;
  while (at < len) {
    size_t e = next_sep(s, len, at, sep);
    fields.emplace_back(reinterpret_cast<const char*>(s + at), e - at);
    ended = e < len;
    at = e + 1;
  }
  *trailing = ended;
  return fields;
}

// ARG(s, n [, sep]) and ARG(EDIT s, n, new [, sep]); the cursor is after s.
void arg_field(const uint8_t* s, int32_t len, bool edit) {
  std::string text(reinterpret_cast<const char*>(s), size_t(len));  // s may live in the work area
  Fnc_comma();
  int32_t n = Eval_integer();
  if (n < 1) Rpt_error(err::OUT_OF_RANGE);
  std::string repl;
  if (edit) {
    if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
    ++ws.Exec_ptr;
    Fnc_str r = Fnc_string();
    repl.assign(reinterpret_cast<const char*>(r.p), size_t(r.len));
  }
  const uint8_t* t = reinterpret_cast<const uint8_t*>(text.data());
  uint8_t sep;
  if (Fnc_more()) {
    Fnc_str sp = Fnc_string();
    if (sp.len == 0) Rpt_error(err::STRING_LENGTH);
    sep = sp.p[0];
  } else {
    sep = Kest_DynaSep(t, text.size());
  }
  bool trailing = false;
  std::vector<std::string> fields = split_fields(t, text.size(), sep, &trailing);
  if (!edit) {
    if (size_t(n) > fields.size()) {
      Fnc_result_copy(nullptr, 0);
      return;
    }
    Fnc_result_text(fields[size_t(n) - 1]);
    return;
  }
  if (fields.size() < size_t(n)) fields.resize(size_t(n));
  fields[size_t(n) - 1] = repl;
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += char(sep);
    out += fields[i];
  }
  if (trailing) out += char(sep);
  Fnc_result_text(out);
}

// The start-up values ARG(-4) .. ARG(0).
const std::string& startup_value(int32_t n) {
  static const std::string no_key_directory;
  switch (n) {
    case -4: return szSysCmdLine;
    case -3: return no_key_directory;
    case -2: return szSysLibrary;
    case -1: return szSysIniFile;
    default: return szSysExec;
  }
}

// The working directory as DIR( gives it: with exactly one final "/"; a
// network path "//host/share/rest" loses "//host/share".
std::string dir_text(std::string d) {
  if (d.size() > 2 && d[0] == '/' && d[1] == '/') {
    size_t a = d.find('/', 2);
    size_t b = a == std::string::npos ? a : d.find('/', a + 1);
    d = b == std::string::npos ? std::string("/") : d.substr(b);
  }
  while (d.size() > 1 && d[d.size() - 1] == '/' && d[d.size() - 2] == '/') d.pop_back();
  if (d.empty() || d.back() != '/') d += '/';
  return d;
}

// The optional disk operand of DIR( and DSK(: evaluated, and ignored.
void skip_disk_operand() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::RPAREN || c == FNC_ERR_OPT) return;
  Get_diskno();
}

}  // namespace

// ARG(n): a DEF ARG default, else program argument n (1..count), else the
// start-up value n (-4..0).  ARG(s, n [, sep]): field n of s.
void fnc_arg() {
  bool edit = *ws.Exec_ptr == code::D_EDIT;
  if (edit) ++ws.Exec_ptr;
  Eval_formula();
  if (ws.Str_len >= 0 || edit) {
    if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    arg_field(ws.Str_ptr, ws.Str_len, edit);
    return;
  }
  int32_t n = To_integer(ws.Num_acc);
  if (Kest_GetDefArg(n)) return;
  if (n >= 1 && n <= prmblk.Argc) {
    const char* a = prmblk.Argv[n - 1];
    Fnc_result_copy(a, std::strlen(a));
    return;
  }
  if (n < -4 || n > 0) Rpt_error(err::OUT_OF_RANGE);
  Fnc_result_text(startup_value(n));
}

// ENV(name): the variable's value (empty when unset, error 11 when the call
// has an ERR= clause); ENV(n): entry n of the environment, "name=value".
void fnc_env() {
  Eval_formula();
  if (ws.Str_len < 0) {
    int32_t n = To_integer(ws.Num_acc);
    int32_t count = 0;
    while (environ && environ[count]) ++count;
    if (n < 0 || n >= count) Rpt_error(err::OUT_OF_RANGE);
    Fnc_result_copy(environ[n], std::strlen(environ[n]));
    return;
  }
  if (ws.Str_len == 0) Rpt_error(err::STRING_LENGTH);
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  bool err_clause = *ws.Exec_ptr == FNC_ERR_OPT;
  Chk_err();
  const char* v = name.find('\0') == std::string::npos ? std::getenv(name.c_str()) : nullptr;
  if (!v) {
    if (err_clause) Rpt_error(err::MISSING_RECORD);
    v = "";
  }
  Fnc_result_copy(v, std::strlen(v));
}

void fnc_dir() {
  skip_disk_operand();
  Fnc_result_text(dir_text(szSysCurDir));
}

// Disks have no names of their own on this host.
void fnc_dsk() {
  skip_disk_operand();
  Fnc_result_copy(nullptr, 0);
}

// SCLL(command): runs it through the shell; 0, or the host error number
// (the exit status of a command that failed); a command holding a NUL byte
// is error 10.  SCLL(pid [, signal]): sends
// the signal (default 0) and gives kill's result; -1 with an ERR= clause is
// error 15; a pid below 2 is error 41.
void fnc_scll() {
  Eval_formula();
  if (ws.Str_len >= 0) {
    if (size_t(ws.Str_len) > SCLL_COMMAND_MAX) Rpt_error(err::STRING_LENGTH);
    std::string command(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    // The shell would run it cut at a NUL byte.
    if (command.find('\0') != std::string::npos) Rpt_error_text(err::BAD_FILE_NAME, "Command holds a NUL byte");
    Con_flush();
    bool raw = Line_configured();
    if (raw) Reset_line();
    int r = System(command.c_str());
    int e = errno;
    if (raw) Config_line();
    ws.Last_errno = r == 0 ? 0 : e;
    Fnc_result_int(r == 0 ? 0 : e);
    return;
  }
  int32_t pid = To_integer(ws.Num_acc);
  int32_t sig = 0;
  if (Fnc_more()) sig = Eval_range(-1, 32000);
  bool err_clause = *ws.Exec_ptr == FNC_ERR_OPT;
  Chk_err();
  // 0 and negative ids name process groups or every process of the user,
  // 1 is init: only single processes may be signalled.
  if (pid < 2) Rpt_error(err::OUT_OF_RANGE);
  int r = Signal_task(pid, sig);
  if (r == -1) {
    ws.Last_errno = errno;
    if (err_clause) Rpt_error(err::OPERATION_FAILED);
  }
  Fnc_result_int(r);
}

// TSK(n): task string n (0..4096; past the last one error 41); TSK(-1): the
// file-header mark; TSK(/...): the process debug link.
void fnc_tsk() {
  if (*ws.Exec_ptr == code::OP_DIV) {
    Fnc_result_text(KestDbgTskFnc());
    return;
  }
  int32_t n = Eval_range(-1, TSK_LAST);
  if (n == -1) {
    Fnc_result_copy(Oru_file_id, 4);
    return;
  }
  const std::string* s = Task_string(size_t(n));
  if (!s) Rpt_error(err::OUT_OF_RANGE);
  Fnc_result_text(*s);
}

// PTH(name): the first candidate of the path search that exists (or that
// names no host file: "[" and "*" names); none is the host error of the
// last candidate (EINVAL: error 10).  PTH(channel): the resolved path of an
// open channel; PTH(-1): the path the last name search resolved.
// PTH(/DICT): the path of the open data dictionary, empty when none.
void fnc_pth() {
  if (*ws.Exec_ptr == code::OP_DIV) {
    ++ws.Exec_ptr;
    if (*ws.Exec_ptr != code::D_DICT) Rpt_error(err::SYNTAX);
    ++ws.Exec_ptr;
    std::string d = Dict_path();
    Fnc_result_copy(d.data(), d.size());
    return;
  }
  Eval_formula();
  if (ws.Str_len < 0) {
    int32_t ch = To_integer(ws.Num_acc);
    if (ch == -1) {
      Fnc_result_copy(ws.Path_buf, strnlen(ws.Path_buf, sizeof ws.Path_buf));
      return;
    }
    if (ch < 0 || ch > 65000) Rpt_error(err::OUT_OF_RANGE);
    Fcb* f = Channel_record(uint16_t(ch));
    if (!f) Rpt_error(err::WRONG_MODE);
    const char* p = f->path && f->path->path ? f->path->path : "";
    Fnc_result_copy(p, std::strlen(p));
    return;
  }
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  Set_path(name);
  int last = ENOENT;
  while (Next_path() == 0) {
    const char* p = ws.Path_buf;
    if (p[0] == '[' || p[0] == '*' || access(p, F_OK) == 0) {
      Fnc_result_copy(p, std::strlen(p));
      return;
    }
    last = errno;
  }
  if (last == EINVAL) Rpt_error(err::BAD_FILE_NAME);
  errno = last;
  Sys_error();
}
