// LOAD, RUN with a name, ADDR and DROP, and Exec_load, which makes a
// program current for them and for every call.
#include "programs/program_load.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "channels/channel.h"
#include "core/console_device.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/data_pointer.h"
#include "keyed/index_directives.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "programs/call_frame.h"
#include "terminal/controls.h"
#include "programs/perform_on.h"
#include "programs/program_list.h"
#include "programs/objects.h"
#include "programs/var_data.h"

namespace {

constexpr size_t NAME_KEEP = 511;

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

// Without the blanks at either end (a view into the same bytes: every call
// of a program passes here, so nothing is copied).
std::string_view trim(std::string_view s) {
  size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

// The entry point after the first ";" of a name, compiled into the work
// area as a line reference (7 and the number) or a label reference (10,
// length, label, 255).  Null when there is none.
uint8_t* compile_entry(std::string_view text) {
  std::string_view e = trim(text);
  if (e.empty()) return nullptr;
  // "#" and digits alone name a line; anything else is a label.
  if (e[0] == '#' && e.size() > 1 && e.find_first_not_of("0123456789", 1) == std::string_view::npos) {
    uint32_t n = 0;
    for (size_t i = 1; i < e.size(); i++) {
      n = n * 10 + uint32_t(e[i] - '0');
      if (n >= LAST_LINE_NO) Rpt_error(err::LINE_NUMBER_RANGE);
    }
    if (n == 0) Rpt_error(err::LINE_NUMBER_RANGE);
    uint8_t* p = Work_take(4);
    p[0] = code::LINE_REF;
    put_u16be(p + 1, uint16_t(n));
    p[3] = code::EOL;
    return p;
  }
  char label[128];
  size_t n = 0;
  for (char c : e) {
    if (c == ';') break;
    if (c == ' ') continue;
    if (n == sizeof label) Rpt_error(err::LABEL_NOT_FOUND);
    label[n++] = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
  }
  if (n == 0) return nullptr;
  if (n > 127) Rpt_error(err::LABEL_NOT_FOUND);
  uint8_t* p = Work_take(n + 3);
  p[0] = code::LABEL;
  p[1] = uint8_t(n);
  std::memcpy(p + 2, label, n);
  p[2 + n] = code::EOL;
  return p;
}

struct Text_guard {
  ~Text_guard() { Text_source_close(); }
};

// ", ERR=line" after an operand.
void opt_err() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
}

// The name operand of LOAD, RUN, ADDR and DROP, copied into the work area
// and left in the string accumulator.
void name_operand() {
  ws.Stmt_save = ws.Exec_ptr;  // the statement's ERR= takes the errors of the name too
  Eval_str();
  ws.Stmt_save = nullptr;
  uint8_t* p = Work_take(size_t(ws.Str_len));
  if (ws.Str_len) std::memcpy(p, ws.Str_ptr, size_t(ws.Str_len));
  ws.Str_ptr = p;
  opt_err();
}

void set_accumulator(std::string_view s) {
  uint8_t* p = Work_take(s.size());
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
}

// A call's context has just been cleared (Exec_subprogram): it holds no
// program, lines, names, variables, functions or control frames.
bool fresh_call_context() {
  return !ws.Pgm_image && !ws.Edit_list && !ws.Ctl_stack && !ws.Name_index && !ws.Name_pool && !ws.Var_index &&
         !ws.Cur_pgm && !ws.Pgm_name && !ws.Fnc_ctx && !ws.Pgm_cache_ent;
}

// What Clr_program leaves in such a context, without its releases: the
// cursor on the end line's END, no lines, the line cursors and the AUTO
// state reset.
void enter_fresh_context() {
  if (ws.Cur_stno != 0) {
    ws.Exec_ptr = ws.Stmt_ptr = Last_line()->bytes() + 2;
    ws.Cur_stno = LAST_LINE_NO;
  }
  ws.Edit_list = Last_line();
  ws.Cur_line_no = 65001;
  ws.Go_cache_ref = 0;
  ws.Cmd_flags &= ~uint32_t(CMD_AUTO);
  ws.Auto_line = LAST_LINE_NO;
}

}  // namespace

std::string Current_program_path() { return ws.Cur_pgm ? ws.Cur_pgm->path : ""; }

int Exec_load(int run) {
  Pgm_load_epoch++;  // (whatever follows: the context's program or name may change)
  if (ws.Str_len <= 0) Rpt_error(err::BAD_FILE_NAME);
  // A longer name is kept cut short, but a program name cut short would
  // name another file: it is refused unless its end (';' before an entry
  // point) or only blanks come before the cut.
  if (size_t(ws.Str_len) > NAME_KEEP && !std::memchr(ws.Str_ptr, ';', NAME_KEEP))
    for (size_t i = NAME_KEEP; i < size_t(ws.Str_len); i++)
      if (ws.Str_ptr[i] != ' ') Rpt_error(err::BAD_FILE_NAME);
  // The name as given, kept in the work area for the length of the load
  // (a name there already, as a call's is, stays where it is).
  size_t given_len = size_t(ws.Str_len) > NAME_KEEP ? NAME_KEEP : size_t(ws.Str_len);
  uint8_t* given = ws.Str_ptr;
  auto at = [](const uint8_t* p) { return reinterpret_cast<uintptr_t>(p); };
  if (at(given) < at(ws.Work_base) || at(given) + given_len > at(ws.Work_ptr)) {
    given = Work_take(given_len);
    std::memcpy(given, ws.Str_ptr, given_len);
  }
  uint8_t* entry = nullptr;
  const uint8_t* semi = static_cast<const uint8_t*>(std::memchr(given, ';', given_len));
  if (semi) {
    std::string_view name = trim(std::string_view(reinterpret_cast<const char*>(given), size_t(semi - given)));
    entry = compile_entry(std::string_view(reinterpret_cast<const char*>(semi + 1), given_len - size_t(semi - given) - 1));
    if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
    set_accumulator(name);
  } else {
    ws.Str_ptr = given;
    ws.Str_len = int32_t(given_len);
  }
  Prog_obj* rec = Prog_load();
  Text_guard text_guard;
  // Program text is checked whole before the current program goes: a file
  // that is not a program leaves it untouched.
  if (!rec && Text_source() && Text_source()->kind == FK_SERIAL) Check_program_text(Text_source_path());
  if (rec) rec->uses++;
  bool call = (ws.Pgm_flags & PGM_LOADING) != 0;
  try {
    if (call && fresh_call_context()) enter_fresh_context();
    else if (call) Clr_program();
    else Clr_lines();
  } catch (...) {
    if (rec) Prog_drop(rec);
    throw;
  }
  ws.Pgm_flags &= ~uint32_t(PGM_ENCIPHERED | 4 | PGM_PROTECTED);
  Data_restore(0);  // the program reads its own DATA, from its first line
  if (rec) {
    ws.Pgm_cache_ent = rec;  // the use is the context's from here on
    Prog_take(rec);
  } else {
    int added = Exec_merge();
    if (added == 0 && !Sw_on(sw::ZP)) Rpt_error(err::NO_PROGRAM_LINES);
    ws.Cur_pgm = Path_new(Text_source_path(), Text_source_name());
    ws.Pgm_flags &= ~uint32_t(PGM_CHANGED);
    ws.Prog_loads++;
  }
  if (rec && rec->spare_name && rec->spare_name->len == given_len &&
      std::memcmp(rec->spare_name->bytes(), given, given_len) == 0) {
    // A call of the program by the name its last call gave.
    ws.Pgm_name = rec->spare_name;
    rec->spare_name = nullptr;
  } else {
    ws.Pgm_name = Get_str(given_len);
    if (!ws.Pgm_name) Rpt_error(err::OUT_OF_MEMORY);
    std::memcpy(ws.Pgm_name->bytes(), given, given_len);
    ws.Pgm_name->len = uint32_t(given_len);
  }
  if (entry) {
    ws.Cur_stno = LAST_LINE_NO;
    ws.Exec_ptr = entry;
    Exec_go(Get_line());
    ws.Stmt_ptr = ws.Exec_ptr;
    ws.Stop_stno = ws.Cur_stno;
    ws.Stop_ptr = ws.Exec_ptr;
    return 1;
  }
  if (run) {
    uint16_t n = First_line();
    ws.Cur_stno = n;
    ws.Exec_ptr = ws.Stmt_ptr = ws.Str_ptr + 2;
  }
  if ((run || call) && Perform_on_active) Perform_on_start();
  return 0;
}

// LOAD [name] [, ERR=line] and RUN name [, ERR=line].
void Load_statement(bool run) {
  uint8_t c = *ws.Exec_ptr;
  if (!run && c == code::D_DATA) {
    ws.Exec_ptr++;
    Exec_LoadData();
    return;
  }
  if (!run && c == code::PREFIX2) {
    if (ws.Exec_ptr[1] != 66) Rpt_error(err::SYNTAX);
    ws.Exec_ptr += 2;
    OopLoadClassFromFile();
    return;
  }
  if (run && ws.Call_status == -1) Rpt_error(err::NOT_IN_CALLED);
  bool console = ws.Cur_stno == 0;
  if (console) Prog_drop(nullptr);
  bool show = false;
  if (At_err_tail()) c = *++ws.Exec_ptr;  // LOAD ,ERR=line: the current program
  if (stmt_end(c) || c == code::IOPT_FIRST + 4) {
    Chk_err();
    if (!ws.Cur_pgm) Rpt_error(err::BAD_FILE_NAME);
    set_accumulator(ws.Cur_pgm->path);
    show = console;
  } else {
    name_operand();
  }
  uint8_t* after = ws.Exec_ptr;
  int entry = Exec_load(run ? 1 : 0);
  if (run) {
    ws.Con_flags &= ~uint32_t(CON_MODE);
    if (!entry) {
      ws.Stop_stno = 0;
      ws.Stop_ptr = nullptr;
    }
  } else if (console) {
    // LOAD at the console only loads: the console line goes on (an entry
    // point became the place RUN starts from).
    ws.Exec_ptr = ws.Stmt_ptr = after;
    ws.Cur_stno = 0;
  }
  if (show) Prg_show(false, 0);
}

void d_load() { Load_statement(false); }

// ADDR name: the program stays loaded (resident) until DROP.
void d_addr() {
  name_operand();
  Prog_obj* rec = Prog_load();
  if (!rec) {
    Text_source_close();
    Rpt_error(err::WRONG_FILE_KIND);
  }
  if (!(rec->flags & PO_RESIDENT)) {
    rec->uses++;
    rec->flags |= PO_RESIDENT;
  } else if (Sw_on(sw::BX)) {
    Rpt_error(err::WRONG_FILE_KIND);
  }
}

// DROP name: a resident program becomes ordinary again.
void d_drop() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_DATA) {
    ws.Exec_ptr++;
    Drop_LoadData();
    return;
  }
  if (c == code::EXT_DIR && ws.Exec_ptr[1] == code::X_PROPERTY) {
    ws.Exec_ptr += 2;
    Oop_ClearProp();
    return;
  }
  if (c == code::PREFIX2 && (ws.Exec_ptr[1] == 66 || ws.Exec_ptr[1] == 64)) {
    bool cls = ws.Exec_ptr[1] == 66;
    ws.Exec_ptr += 2;
    if (cls) OopDropClass();
    else OopDropObject();
    return;
  }
  if (c == code::D_ON) {  // DROP ON: drag and drop between controls
    ws.Exec_ptr++;
    OruDragDrop();
    return;
  }
  if (c == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_SERVER) {
    ws.Exec_ptr += 2;
    if (!Client_requests.server_props) Not_built("DROP SERVER (the thin client's property cache)");
    Client_requests.server_props(true);
    return;
  }
  if (c == code::PREFIX2 || c == code::OBJ_REF) Rpt_error(err::SYNTAX);
  if (Index_word_at(ws.Exec_ptr)) {
    Drop_index_directive();
    return;
  }
  Eval_formula();
  if (ws.Str_len < 0) Rpt_error_text(err::TYPE_MISMATCH, "DROP takes a program name (DROP ON for controls)");
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  opt_err();
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
  std::vector<std::string> cand;
  Set_path(name);
  while (Next_path() == 0) cand.push_back(ws.Path_buf);
  for (Prog_obj* r = ws.Prog_head; r; r = r->next) {
    if (!(r->flags & PO_RESIDENT)) continue;
    bool hit = name == r->path->name;
    for (size_t i = 0; i < cand.size() && !hit; i++) hit = cand[i] == r->path->path;
    if (!hit) continue;
    r->flags &= ~uint16_t(PO_RESIDENT);
    Prog_drop(r);
    return;
  }
  Rpt_error(err::WRONG_FILE_KIND);
}

void Prg_show(bool copy_made, int version) {
  std::string s = Current_program_path();
  if (version > 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " v%d.%02d", version / 100, version % 100);
    s += buf;
  }
  if (copy_made) s += " <<+CVS ";
  if (Con_column() != 0) Con_newline();
  Con_write(s.data(), s.size());
  size_t dlen = 0;
  const char* desc = ws.Pgm_texts().desc;
  while (dlen < sizeof Pgm_text::desc && desc[dlen]) dlen++;
  if (version > 0 && dlen) {
    Con_newline();
    Con_write(desc, dlen);
  }
  Con_newline();
}
