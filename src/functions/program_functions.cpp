// Functions about the program: STK( (call levels), LNO( (line references),
// CPL( and LST( (compiling and listing statement text), PGM( (program lines
// and paths), PUB( (loaded programs) and CHG( (changed variables).
//
// Call levels are counted from the running program: level 0 is the program
// itself, level 1 its caller and so on up to Call_depth().
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/compiler.h"
#include "core/control_stack.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/variables.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "programs/arguments.h"
#include "programs/program_info.h"
#include "programs/program_list.h"

namespace {

constexpr size_t CPL_TEXT_MAX = 24576;

int32_t call_level() {
  int32_t n = Eval_integer();
  if (n < 0 || n > Call_depth()) Rpt_error(err::OUT_OF_RANGE);
  return n;
}

// A variable name as CHG( accepts it: letters, digits, "_" and "." (not
// first), "%" first (a global) or last (an integer), "$" last (a string).
bool valid_name(const std::string& n) {
  if (n.empty()) return false;
  size_t end = n.size();
  bool str = n.back() == '$';
  if (str) --end;
  if (end == 0) return false;
  for (size_t i = 0; i < end; ++i) {
    char c = n[i];
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
              ((c >= '0' && c <= '9') && i > 0) || (c == '.' && i > 0) || (c == '%' && i == 0) ||
              (c == '%' && i == end - 1 && !str && i > 0);
    if (!ok) return false;
  }
  if (end == 1 && n[0] == '%') return false;
  return true;
}

// One letter per argument the program was called with: 'N' a numeric and
// 'S' a string variable by reference, 'n' a number and 's' a string by
// value, 'a' a numeric and 'A' a string array, 'R' a record.
std::string Enter_letters(const Arg_rec* a) {
  std::string out;
  for (; a; a = a->next) {
    switch (a->kind) {
      case ARG_NUM_REF: out += 'N'; break;
      case ARG_STR_REF: out += 'S'; break;
      case ARG_NUM_VAL: out += 'n'; break;
      case ARG_STR_VAL: out += 's'; break;
      case ARG_ARRAY: out += (a->var && a->var->type == code::STR_VAR) ? 'A' : 'a'; break;
      case ARG_RECORD: out += 'R'; break;
      default: break;
    }
  }
  return out;
}

}  // namespace

// STK(n): call level n as the five-digit line it is at and its program path.
// STK(OBJECT): the properties of the object being entered.
void fnc_stk() {
  if (*ws.Exec_ptr == code::PREFIX2) {
    ws.Exec_ptr += 2;
    Fnc_result_text(Enter_letters(ws.Arg_list));
    return;
  }
  int32_t level = call_level();
  char line[8];
  std::snprintf(line, sizeof line, "%05u", unsigned(Program_line(level)));
  Fnc_result_text(std::string(line) + Program_path(level));
}

// LNO(ref): the line number of a line reference or label.
void fnc_lno() { Fnc_result_int(Get_stno()); }

// CPL(text [, s]): the compiled form of a line of text (line number bytes,
// statements, end of line); a compile error is raised.  s is ignored.
void fnc_cpl() {
  Fnc_str t = Fnc_string();
  if (size_t(t.len) > CPL_TEXT_MAX) Rpt_error(err::LINE_TOO_LONG);
  std::string text(reinterpret_cast<const char*>(t.p), size_t(t.len));
  if (Fnc_more()) Eval_formula();
  std::vector<uint8_t> out;
  int err = Compile_text_fn(text, out);
  if (err) Rpt_error(err);
  Fnc_result_copy(out.data(), out.size());
}

// LST(code): the listing of compiled code as CPL( makes it.  Code that does
// not list is error 43.
void fnc_lst() {
  Fnc_str c = Fnc_string();
  std::vector<uint8_t> line(c.p, c.p + c.len);
  if (line.size() < 3 || line.back() != code::EOL) Rpt_error(err::BAD_FORMAT);
  std::string text;
  try {
    text = Decompile_text(line.data(), line.size());
  } catch (const Oru_error& e) {
    if (e.no == err::INTERNAL_CODE) Rpt_error(err::BAD_FORMAT);
    throw;
  }
  Fnc_result_text(text);
}

// PGM(n [, level]): n > 0 the listing of the first line numbered n or above
// (empty past the last line) of the program at that call level; 0 and -2 the program's path; -1 the path of
// the outermost program; -3 the program's name.  A protected program
// refuses its lines (error 52).
void fnc_pgm() {
  int32_t n = Eval_integer();
  if (n < -3 || n > 65000) Rpt_error(err::LINE_NUMBER_RANGE);
  int32_t level = 0;
  if (Fnc_more()) {
    level = call_level();
    if (n == -1) Rpt_error(err::LINE_NUMBER_RANGE);
  }
  if (n <= 0) {
    int32_t at = n == -1 ? Call_depth() : level;
    std::string path = Program_path(at);
    if (n == -3) path = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    Fnc_result_text(path);
    return;
  }
  std::string text;
  Program_at_level(level, [&] {
    if (ws.Pgm_flags & PGM_PROTECTED) Rpt_error(err::PROTECTED);
    Line_pos pos = Save_line_pos();
    uint8_t* str = ws.Str_ptr;
    int32_t len = ws.Str_len;
    uint16_t found = Find_line(uint32_t(n));
    if (found < LAST_LINE_NO) text = Decompile_text(ws.Str_ptr, size_t(ws.Str_len));
    Restore_line_pos(pos);
    ws.Str_ptr = str;
    ws.Str_len = len;
  });
  Fnc_result_text(text);
}

// PUB(n): entry n of the loaded-program list (0 the most recently used):
// u16 identifier (the record's load serial), a flag byte (1 resident, 2
// stale), u16 use count, u32 image size + 0x10000000, 7 zero bytes, the
// program's path.  Past the end: error 41.
void fnc_pub() {
  int32_t n = Eval_range(0, 30000);
  const Prog_obj* r = ws.Prog_head;
  for (; r && n > 0; r = r->next) --n;
  if (!r) Rpt_error(err::OUT_OF_RANGE);
  std::string rec(16, '\0');
  uint8_t* p = reinterpret_cast<uint8_t*>(rec.data());
  put_u16be(p, uint16_t(r->load_serial));
  p[2] = uint8_t(((r->flags & PO_RESIDENT) ? 1 : 0) | ((r->flags & PO_STALE) ? 2 : 0));
  put_u16be(p + 3, uint16_t(r->uses < 0 ? 0 : r->uses));
  put_u32be(p + 5, r->image_size + 0x10000000u);
  rec += r->path && r->path->path ? r->path->path : "";
  Fnc_result_text(rec);
}

// CHG(names): the listed variables that were assigned since the last look,
// comma-separated in the given order; their changed flags are cleared unless
// READ comes first.  CHG(level): 1 when the program at that call level has
// been changed.
void fnc_fchg() {
  bool keep = *ws.Exec_ptr == code::D_READ;
  if (keep) ++ws.Exec_ptr;
  Eval_formula();
  if (ws.Str_len < 0) {
    if (keep) Rpt_error(err::TYPE_MISMATCH);
    int32_t level = To_integer(ws.Num_acc);
    if (level < 0 || level > Call_depth()) Rpt_error(err::OUT_OF_RANGE);
    Fnc_result_int((ws.Pgm_flags & PGM_CHANGED) ? 1 : 0);
    return;
  }
  std::string list(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  std::vector<std::string> names;
  for (size_t at = 0;;) {
    size_t e = list.find(',', at);
    std::string n = list.substr(at, e == std::string::npos ? std::string::npos : e - at);
    if (!valid_name(n)) Rpt_error(err::TYPE_MISMATCH);
    names.push_back(n);
    if (e == std::string::npos) break;
    at = e + 1;
  }
  std::string out;
  for (const std::string& n : names) {
    uint8_t type = n.back() == '$' ? code::STR_VAR : code::NUM_VAR;
    Var_node* v = Look_var_name(type, reinterpret_cast<const uint8_t*>(n.data()), int(n.size()));
    if (!v || !(v->flags & VF_CHANGED)) continue;
    if (!keep) v->flags &= ~uint32_t(VF_CHANGED);
    if (!out.empty()) out += ',';
    out += n;
  }
  Fnc_result_text(out);
}
