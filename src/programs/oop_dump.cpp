// DUMP: the program's state as readable text on the console.
//
//   DUMP          the current call level
//   DUMP -n       n levels below the current one (DUMP 0 the outermost)
//   DUMP /        every level, current first
//   DUMP OBJECT h one object
// Each level: its program, its line, its open control-stack frames, its
// variables (a number that is 0 and an empty string are left out, an array
// shows its DIM line and its elements that are not), the loaded data sets
// and the object running there; then the global variables.  Strings print
// as pieces joined by "+": printable runs in quotes, the FS character as
// SEP, ESC as ESC, other bytes in hexadecimal between "$".
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "channels/console_device.h"
#include "core/codes.h"
#include "core/control_stack.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/lexicon.h"
#include "core/memory.h"
#include "core/switches.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/call_frame.h"
#include "programs/oop_internal.h"
#include "programs/program_list.h"
#include "programs/var_data.h"

namespace {

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

void out_line(const std::string& s) {
  Con_write(s.data(), s.size());
  Con_newline();
}

std::string number_text(const Num_val& v) {
  char buf[CONV_NORMAL_MAX];
  return std::string(buf, size_t(Conv_normal(v, buf)));
}

std::string string_text(const uint8_t* p, size_t n) {
  std::string out, run, hex;
  auto flush_run = [&] {
    if (run.empty()) return;
    if (!out.empty()) out += '+';
    out += '"' + run + '"';
    run.clear();
  };
  auto flush_hex = [&] {
    if (hex.empty()) return;
    if (!out.empty()) out += '+';
    out += '$' + hex + '$';
    hex.clear();
  };
  for (size_t i = 0; i < n; i++) {
    uint8_t c = p[i];
    if (c >= 32 && c < 127) {
      flush_hex();
      if (c == '"') run += '"';
      run += char(c);
      continue;
    }
    flush_run();
    if (c == prmblk.FS || c == 27) {
      flush_hex();
      if (!out.empty()) out += '+';
      out += c == 27 ? "ESC" : "SEP";
      continue;
    }
    char b[3];
    std::snprintf(b, sizeof b, "%02X", c);
    hex += b;
  }
  flush_run();
  flush_hex();
  return out;
}

std::string stno(uint32_t n) {
  char b[8];
  std::snprintf(b, sizeof b, n < 10000 ? "%04u" : "%05u", n);
  return b;
}

std::string subscript(const Var_node* v, uint32_t e) {
  int32_t idx[3];
  uint32_t rest = e;
  uint32_t s1 = uint32_t(v->size[1]), s2 = uint32_t(v->size[2]);
  idx[0] = int32_t(rest / (s1 * s2)) + v->base[0];
  rest %= s1 * s2;
  idx[1] = int32_t(rest / s2) + v->base[1];
  idx[2] = int32_t(rest % s2) + v->base[2];
  std::string s = "[" + std::to_string(idx[0]);
  if (v->dims >= 2 || v->size[1] != 1 || v->base[1] != 0) s += "," + std::to_string(idx[1]);
  if (v->dims >= 3 || v->size[2] != 1 || v->base[2] != 0) s += "," + std::to_string(idx[2]);
  return s + "]";
}

std::string dim_line(const Var_node* v) {
  std::string s = "DIM " + std::string(v->name, v->name_len) + "[";
  for (int d = 0; d < 3; d++) {
    if (d > 0 && v->size[d] == 1 && v->base[d] == 0) continue;
    if (d > 0) s += ",";
    if (v->base[d] != 0) s += std::to_string(v->base[d]) + ":";
    s += std::to_string(v->base[d] + v->size[d] - 1);
  }
  return s + "]";
}

void dump_node(const Var_node* v) {
  std::string name(v->name, v->name_len);
  if (Is_array(v)) {
    if (v->assoc) return;  // indexed by keys: not listed
    out_line(dim_line(v));
    for (uint32_t e = 0; e < Var_count(v); e++) {
      if (v->type == code::NUM_VAR) {
        const Num_val& n = static_cast<const Num_val*>(v->elems)[e];
        if (n.mant != 0) out_line(name + subscript(v, e) + "=" + number_text(n));
      } else {
        const Str_blk* s = static_cast<Str_blk* const*>(v->elems)[e];
        if (s && s->len) out_line(name + subscript(v, e) + "=" + string_text(s->bytes(), s->len));
      }
    }
    return;
  }
  if (v->type == code::NUM_VAR) {
    if (v->num.mant != 0) out_line(name + "=" + number_text(v->num));
  } else if (v->str && v->str->len) {
    out_line(name + "=" + string_text(v->str->bytes(), v->str->len));
  }
}

void dump_tree(const Var_node* n) {
  // In order, without recursion on the right spine.
  while (n) {
    dump_tree(n->left);
    dump_node(n);
    n = n->right;
  }
}

void dump_frames(const Ctl_frame* f) {
  for (; f; f = f->link) {
    std::string dots = "!  ...............";
    bool nothing = false;
    std::string_view kw = f->tag == 171 ? Lex_text(code::EXT_DIR, 171, &nothing) : Lex_text(f->tag, 0, &nothing);
    std::string k(kw);
    for (size_t i = 0; i < k.size() && 3 + i < dots.size(); i++) dots[3 + i] = k[i];
    out_line(dots + stno(f->origin_line));
  }
}

void dump_data_set(const std::string& name, const std::string& path, Var_node* num, Var_node* str, void*) {
  out_line("!  Loaded data...." + name + " (" + path + ")");
  dump_tree(num);
  dump_tree(str);
}

void dump_object(int32_t slot) {
  if (slot < 1 || slot >= int32_t(oop.objs.size()) || !oop.objs[size_t(slot)]) return;
  Oop_object* o = oop.objs[size_t(slot)];
  out_line("! Dump of OBJECT information");
  Num_val h;
  h.mant = Oop_handle_of(slot);
  out_line("! _Obj=" + number_text(h));
  out_line("! _Class$=" + string_text(reinterpret_cast<const uint8_t*>(o->cls->name->text), o->cls->name->len));
  Num_val r;
  r.mant = o->refs;
  out_line("! _Refcnt=" + number_text(r));
  for (int pass = 0; pass < 2; pass++) {
    bool heading = false;
    std::vector<const Prop_inst*> list;
    for (const Prop_inst* pi = o->props; pi; pi = pi->next) list.insert(list.begin(), pi);
    for (const Prop_inst* pi : list) {
      bool local = !pi->entry ? !pi->dynamic : (pi->entry->flags & PF_LOCAL) != 0;
      if (local != (pass == 1)) continue;
      if (!heading) out_line(pass == 0 ? "! External Properties" : "! Local Properties");
      heading = true;
      dump_node(pi->var);
    }
  }
}

struct Level {
  const Prog_context* ctx;
  int number;
};

void dump_level(const Level& l, bool current) {
  const Prog_context* c = l.ctx;
  out_line("! " + std::string(58, '*'));
  out_line("! Level=" + std::to_string(l.number));
  std::string pgn = c->Cur_pgm && c->Cur_pgm->path ? c->Cur_pgm->path : "<Unsaved>";
  out_line("! PGN=\"" + pgn + "\"");
  uint32_t line = current ? (ws.Cur_stno ? ws.Cur_stno : ws.Stop_stno) : c->Stop_stno;
  if (line) out_line("!  Statement......" + stno(line));
  dump_frames(c->Ctl_stack);
  dump_tree(c->Loc_num_tree);
  dump_tree(c->Loc_str_tree);
  if (current) LoadData_each(dump_data_set, nullptr);
  if (current && oop.cur_obj && oop.cur_depth == Call_depth()) dump_object(oop.cur_obj);
}

}  // namespace

void d_dump() {
  uint8_t* p = ws.Exec_ptr;
  if (*p == code::LPAREN) Rpt_error_text(99, "DUMP to a channel: only the console is built");
  if (p[0] == code::PREFIX2 && p[1] == 64) {  // DUMP OBJECT h
    ws.Exec_ptr += 2;
    Eval_val();
    Num_val v = ws.Num_acc;
    Set_scl(v, 0, 0);
    Oop_object* o = Oop_object_of_handle(v.mant);
    if (Con_column() != 0) Con_newline();
    dump_object(o->slot);
    return;
  }
  // The levels, outermost first.
  std::vector<Level> levels;
  std::vector<const Prog_context*> chain;
  chain.push_back(&ws);
  for (Call_frame* f = ws.Call_link; f; f = f->Call_link) chain.push_back(f);
  int base = Sw_on(sw::B_0) ? 0 : 1;
  for (size_t i = 0; i < chain.size(); i++) levels.push_back({chain[i], base + int(chain.size() - 1 - i)});
  bool all = false;
  int wanted = levels.front().number;
  if (*p == code::OP_DIV) {
    all = true;
    ws.Exec_ptr++;
  } else if (!stmt_end(*p)) {
    int32_t n = Eval_integer();
    int current = levels.front().number;
    wanted = n < 0 ? current + n : n;
    if (wanted < base || wanted > current) Rpt_error(41);
  }
  if (Con_column() != 0) Con_newline();
  char head[96];
  std::snprintf(head, sizeof head, "! ERR=%d, CTL=%d, RET=%d", ws.Err_no, int(ws.Ctl_value), int(ws.Last_errno));
  out_line(head);
  for (const Level& l : levels) {
    if (!all && l.number != wanted) continue;
    dump_level(l, l.ctx == &ws);
  }
  out_line("! ----");
  out_line("! Global variables (%...)");
  dump_tree(ws.Glo_num_tree);
  dump_tree(ws.Glo_str_tree);
}
