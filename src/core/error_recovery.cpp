// Recovery from errors: where execution continues after the executor caught
// one, the console report, the ERR= option and the record of the last error.
//
// Recover_error takes, in order: an escape restart (error 127), a busy retry
// (error 0), the statement's ERR= branch, the SETERR line, a nested
// evaluation that wants the error, the error-handler program or the caller of
// a called program (through Recovery_hook), and else stops the program with
// the console report.
//
// The ERR= option: code 136 followed by a line reference.  Err_scan_from
// finds it among the items that follow p at p's own bracket level (a '(' or
// a function code opens a level, ')' closes it); option code 132 carries a
// second byte (HLP= is 132 136), which is never an ERR=.
//
// ErrData (what SaveErrData records; names are what programs ask for):
//   Err, Erx (Err x 10000), Ret (errno + 256), Obj, Stno, EntryPoint (0),
//   Lfa, Lfo (channels of the last file accessed and opened), OSerr (the
//   extended text, at most 255 bytes), Program (path), LastPath, Method,
//   LastKey (KEY= of the statement, error 11 only, at most 127 bytes).
#include "core/hooks.h"
#include "core/error_recovery.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/control_stack.h"
#include "core/editor.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/signal_flags.h"
#include "core/workspace.h"

Recovery_hooks Recovery_hook;
int Busy_wait_hundredths = 100;

namespace {

struct Err_data {
  int32_t err = 0, erx = 0, ret = 0, obj = 0, stno = 0, entry = 0, lfa = 0, lfo = 0;
  std::string oserr, program, last_path, method, last_key;
} err_data;

// The item names in the order "*" lists them.
const char* const ERR_NAMES[] = {"Err", "Erx",  "Ret", "OSerr", "Program", "EntryPoint", "Stno",
                                 "Obj", "Method", "Lfa", "Lfo", "LastPath", "LastKey"};

bool same_name(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  return a.size() == n && memicmp(a.data(), b, n) == 0;
}

// The wait of a busy retry; an escape ends it early.
void busy_wait() {
  Con_flush();
  for (int left = Busy_wait_hundredths; left > 0 && !(Run_flags_now() & RF_ESCAPE); left -= 10) {
    struct timespec t = {0, long(left < 10 ? left : 10) * 10000000L};
    nanosleep(&t, nullptr);
  }
}

// 65002: the failing statement is passed over.  The scan starts at the
// statement's first code, so the cursor lands on the code that ends it.
void skip_statement() {
  uint8_t* p = ws.Stmt_ptr;
  const uint8_t* end = Code_end(p);
  for (;;) {
    uint8_t c = *p;
    if (Cde_tbl[c] & CC_STMT_END) break;
    if (c == code::END_SCAN) break;
    p += Scan_size(p, end);
  }
  if (*p == code::END_SCAN) Rpt_error(err::SYNTAX);
  ws.Exec_ptr = p;
}

std::string program_path() {
  return Recovery_hook.program_path ? Recovery_hook.program_path() : std::string();
}

// The path of the last file accessed: its channel's while that is open,
// else the name the program gave last.
std::string last_path(bool* open = nullptr) {
  std::string path;
  bool is_open = Recovery_hook.channel_path && ws.Lfa_chan != 0 && ws.Lfa_chan < 65001 &&
                 Recovery_hook.channel_path(ws.Lfa_chan, path);
  if (open) *open = is_open;
  if (!is_open) path.assign(ws.Lfa_path, strnlen(ws.Lfa_path, sizeof ws.Lfa_path));
  return path;
}

}  // namespace

// ---- ERR= ----

void Chk_err() {
  if (*ws.Exec_ptr != code::IOPT_FIRST + 4) return;  // 136, ERR=
  ws.Exec_ptr++;
  ws.Err_line = Get_line();
  ws.Stmt_save = nullptr;
}

void Err_scan_from(uint8_t* p) {
  const uint8_t* end = Code_end(p);
  int level = 0;
  for (;;) {
    uint8_t c = *p;
    // The statement's end ends the scan at any level: inside brackets it
    // can only be a bracket the code never closed.
    if (c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END)) return;
    if (c == code::LPAREN || (c >= code::FNC_FIRST && c <= code::FNC_LAST && c != 88) ||
        c == code::XFNC_PREFIX || c == code::ALT_FNC) {
      level++;
    } else if (c == code::RPAREN) {
      if (level == 0) return;  // p's own level has ended
      level--;
    } else if (c == code::IOPT_FIRST + 4 && level == 0) {
      uint8_t* save = ws.Exec_ptr;
      ws.Exec_ptr = p;
      Chk_err();
      ws.Exec_ptr = save;
      return;
    }
    // An extended option word: its second byte is an option, not an item.
    // Damaged code (a tampered image) ends the scan: no ERR= found.
    size_t n = c == code::IOPT_FIRST ? 2 : Item_size(p, end);
    if (n == 0 || n >= size_t(end - p)) return;
    p += n;
  }
}

bool At_err_tail() { return ws.Exec_ptr[0] == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4; }

void Err_tail_run(void (*body)()) {
  ws.Stmt_save = ws.Exec_ptr;
  body();
  if (At_err_tail()) {
    ws.Exec_ptr++;
    Chk_err();
    ws.Err_line = 0;  // the statement is done: nothing is left for the clause to take
  }
  ws.Stmt_save = nullptr;
}

void Err_scan() {
  uint8_t* p = ws.Stmt_save;
  ws.Stmt_save = nullptr;
  if (p) Err_scan_from(p);
}

// ---- the error record ----

void SaveErrData() {
  Err_data& d = err_data;
  d = Err_data{};
  d.err = ws.Err_no;
  d.erx = ws.Err_no * 10000;
  d.ret = err::from_errno(ws.Last_errno);
  d.stno = ws.Err_stno;
  d.oserr = Ext_error_text().substr(0, 255);
  d.program = program_path().substr(0, 511);
  d.lfa = ws.Lfa_chan;
  d.lfo = ws.Lfo_chan == 65001 ? -1 : ws.Lfo_chan;  // (as LFO reads it: -1 before any OPEN)
  d.last_path = last_path().substr(0, 511);
  if (Recovery_hook.object_handle) d.obj = Recovery_hook.object_handle();
  if (Recovery_hook.method_name) d.method = Recovery_hook.method_name().substr(0, 127);
  if (ws.Err_no == err::MISSING_RECORD && ws.Io_key_ptr && ws.Io_key_len > 0)
    d.last_key.assign(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(std::min(ws.Io_key_len, 127)));
}

bool Err_data_item(const std::string& name, int32_t* num, std::string* text) {
  const Err_data& d = err_data;
  text->clear();
  *num = 0;
  if (name == "*") {
    for (const char* n : ERR_NAMES) *text += std::string(n) + ",";
    return false;
  }
  struct Num_item {
    const char* name;
    int32_t value;
  };
  const Num_item nums[] = {{"Err", d.err}, {"Erx", d.erx}, {"Ret", d.ret}, {"Obj", d.obj},
                           {"Stno", d.stno}, {"EntryPoint", d.entry}, {"Lfa", d.lfa}, {"Lfo", d.lfo}};
  for (const Num_item& it : nums)
    if (same_name(name, it.name)) {
      *num = it.value;
      return true;
    }
  if (same_name(name, "OSerr")) *text = d.oserr;
  else if (same_name(name, "Program")) *text = d.program;
  else if (same_name(name, "LastPath")) *text = d.last_path;
  else if (same_name(name, "Method")) *text = d.method;
  else if (same_name(name, "LastKey")) *text = d.last_key;
  return false;
}

void GetErrData() {
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), ws.Str_len > 0 ? size_t(ws.Str_len) : 0);
  int32_t num;
  std::string text;
  if (Err_data_item(name, &num, &text)) {
    Load_Long(ws.Num_acc, num);
    ws.Str_len = -1;
    return;
  }
  uint8_t* p = Work_take(text.size());
  if (!text.empty()) std::memcpy(p, text.data(), text.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(text.size());
}

// ---- the report ----

namespace {
void report(int n, std::string_view before) {
  Set_console();
  if (!before.empty()) Con_write(before.data(), before.size());
  Cmd_window_open();
  if (Con_column() != 0) Con_newline();
  bool prog = ws.Cur_stno != 0;
  if (prog && ws.Cur_stno < LAST_LINE_NO) {
    // A damaged line (a tampered program file) may not list: the report
    // goes on without it.
    uint8_t* work = ws.Work_ptr;
    try {
      if (Find_line(ws.Cur_stno) == ws.Cur_stno) Exec_list();
    } catch (const Oru_error&) {
      if (Con_column() != 0) Con_newline();
      static const char text[] = "(the line cannot be listed)";
      Con_write(text, sizeof text - 1);
      Con_newline();
    }
    ws.Work_ptr = work;
  }
  Disp_error(n);
  // A missing file names the name the program gave last.
  std::string detail;
  if (n == err::FILE_NOT_FOUND) {
    detail = std::string("Last file accessed ") + ws.Lfa_path;
  } else if (ws.Lfa_chan != 0) {
    // The last channel used, unless the console: channels of the internal
    // range show as 0.
    detail = "Last IO to " + last_path() + ", channel " +
             std::to_string(ws.Lfa_chan >= 65001 ? 0 : ws.Lfa_chan);
  }
  if (prog && ws.Cur_stno != LAST_LINE_NO - 1) {
    std::string path = program_path();
    if (!detail.empty()) detail += "\n";
    detail += "Current program is " + (path.empty() ? std::string("<unsaved>") : path) + ", line " +
              std::to_string(ws.Cur_stno);
  }
  if (!detail.empty()) {
    Con_write(detail.data(), detail.size());
    Con_newline();
  }
  uint32_t flags = ws.Err_flags;
  if ((flags & 2) && !Ext_error_text().empty()) {
    Con_write(Ext_error_text().data(), Ext_error_text().size());
    Con_newline();
  }
  if ((flags & 4) && Sw_on(sw::ES)) {
    std::string t = Msg_text(err::from_errno(ws.Last_errno)) + " (" + std::to_string(ws.Last_errno) + ")";
    Con_write(t.data(), t.size());
    Con_newline();
  }
}
}  // namespace

// A report that cannot be written (the console's link is gone) is dropped:
// reporting never raises.
void Report_error(int n, std::string_view before) {
  uint8_t* work = ws.Work_ptr;
  try {
    report(n, before);
  } catch (const Oru_error&) {
    ws.Work_ptr = work;
  }
}

// ---- recovery ----

Program_stop Last_stop;

bool Recover_error(int n) {
  Io_touch();  // (the report and the busy wait use the console; a handler program runs)
  if (n == err::INTERRUPTED && (Run_flags_now() & RF_ESCAPE)) {
    ws.Exec_ptr = ws.Stmt_ptr;  // the escape is served before the statement runs again
    return true;
  }
  if (n == err::RECORD_BUSY && !(ws.Pgm_flags & PGM_NO_BUSY_RETRY) && !Err_busy_final()) {
    int before = ws.Bsy_count++;
    if (before < ws.Io_rty) {
      Set_console();
      busy_wait();
      ws.Exec_ptr = ws.Stmt_ptr;
      return true;
    }
    if (ws.Bsy_line) ws.Err_line = ws.Bsy_line;
  }
  ws.Bsy_count = 0;
  ws.Err_no = n;
  uint32_t flags = ws.Err_flags;
  ws.Err_flags = 0;
  bool prog = ws.Cur_stno != 0;
  if (prog) {
    ws.Err_stno = ws.Cur_stno;
    if (ws.Cmd_flags & CMD_EXIT_ERR) ws.Cmd_flags &= ~uint32_t(CMD_EXIT_ERR);
    else ws.Err_orig_stno = ws.Cur_stno;
    if (ws.Stmt_save) Err_scan();
    if (ws.Err_line) {
      uint32_t target = ws.Err_line;
      ws.Err_line = 0;
      if (target != ws.Cur_stno) {
        ws.Retry_stno = ws.Cur_stno;
        ws.Retry_ptr = ws.Stmt_ptr;
      }
      // An error the statement's own ERR= takes leaves the last-error
      // record alone (only SETERR handling and the report refresh it).
      Exec_go(target);
      return true;
    }
    if (ws.Seterr_line && !(ws.Pgm_flags2 & PGM2_IN_SETERR)) {
      SaveErrData();
      if (ws.Seterr_line == SETERR_SKIP) {
        skip_statement();
      } else if (ws.Seterr_line == SETERR_RETRY) {
        ws.Exec_ptr = ws.Stmt_ptr;
      } else {
        ws.Pgm_flags2 |= PGM2_IN_SETERR;
        ws.Retry_stno = ws.Cur_stno;
        ws.Retry_ptr = ws.Stmt_ptr;
        Exec_go(ws.Seterr_line);
      }
      return true;
    }
  }
  if (ws.Call_status == -1) {
    ws.Call_status = n;
    ws.Cur_stno = 0;
    ws.Run_flags |= RF_STOP;
    return false;
  }
  if (prog) {
    SaveErrData();
    // GOSUB's error clause, when an open GOSUB has one.
    if (OnErrUnstack()) return true;
    // The error-handler program, or the caller of a called program.
    if (Recovery_hook.program_error && Recovery_hook.program_error(n)) return true;
  } else if (ws.Cpl_err == -1) {
    ws.Cpl_err = n;
    ws.Run_flags |= RF_STOP;
    return false;
  }
  if (!(ws.Start_flags & SF_NESTED) && !ws.Prm.XT && prog) ws.Con_flags |= CON_MODE;
  Last_stop.error = n;
  Last_stop.reported = (ws.Con_flags & CON_MODE) != 0;
  Last_stop.on_line = prog && ws.Cur_stno < LAST_LINE_NO;  // (an entry point not found is the RUN's)
  if (ws.Con_flags & CON_MODE) {
    if (!prog) SaveErrData();
    uint32_t now = ws.Err_flags;
    ws.Err_flags = flags;
    Report_error(n);
    ws.Err_flags = now;
  } else {
    ws.Call_err = n;
  }
  if (prog) {
    ws.Exec_ptr = ws.Stmt_ptr;
    ws.Stop_stno = ws.Cur_stno;
  }
  ws.Run_flags |= RF_STOP;
  return false;
}
