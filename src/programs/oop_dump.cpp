// DUMP: the program's state as readable text on a channel.
//
//   DUMP [(chan)]          the current call level
//   DUMP [(chan)] -n       n levels below the current one (DUMP 0 the outermost)
//   DUMP [(chan)] /        every level, current first
//   DUMP [(chan)] OBJECT h one object
// Each level: its program, its line, its open control-stack frames, its
// variables (a number that is 0 and an empty string are left out, an array
// shows its DIM line and its elements that are not), the loaded data sets
// and the object running there; then the global variables.  Strings print
// as pieces joined by "+": printable runs in quotes, the FS character as
// SEP, ESC as ESC, other bytes in hexadecimal between "$".
//
// The same walk serves the IDE debug link in two compact modes: names only
// (every line end becomes '|', values are left out) and one variable (the
// line end becomes a TAB).  Output goes to a sink: the console, a channel
// through PRINT's character machine, or a string for the IDE.
#include "programs/dump.h"

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "core/console_device.h"
#include "channels/print.h"
#include "core/codes.h"
#include "core/control_stack.h"
#include "core/decimal.h"
#include "core/editor.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/hash_table.h"
#include "core/lexicon.h"
#include "core/memory.h"
#include "core/switches.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "net/ide_link.h"
#include "programs/call_frame.h"
#include "programs/oop_internal.h"
#include "programs/program_list.h"
#include "programs/var_data.h"

namespace {

enum Mode { FULL = 0, NAMES = 64, ONEVAR = 128 };

// Where the dump goes.  Text is gathered per line and handed on at each
// line end; the stop mark ends all further output.
struct Sink {
  enum Kind { CONSOLE, CHANNEL, TEXT } kind = CONSOLE;
  int mode = FULL;
  int width = 0;      // line width for continuation lines (0: none)
  bool stop = false;  // the stop mark: the user ended a page
  size_t column = 0;  // characters since the last line end
  std::string text;   // TEXT: everything; otherwise the pending piece

  void put(const std::string& s) {
    if (stop) return;
    column += s.size();
    if (kind == TEXT) {
      text += s;
    } else if (kind == CONSOLE) {
      Con_write(s.data(), s.size());
    } else {
      Prt_bytes(reinterpret_cast<const uint8_t*>(s.data()), int32_t(s.size()));
    }
  }
  // The line end of the mode: a line feed, '|' or a TAB.
  void eol() {
    if (stop) return;
    if (mode == NAMES) {
      put("|");
      return;
    }
    if (mode == ONEVAR) {
      put("\t");
      return;
    }
    hard_eol();
  }
  void hard_eol() {
    if (stop) return;
    column = 0;
    if (kind == TEXT) {
      text += '\n';
    } else if (kind == CONSOLE) {
      Con_newline();
      if (List_Continue()) stop = true;
    } else {
      Prt_slew(1);
    }
  }
  void line(const std::string& s) {
    put(s);
    eol();
  }
};

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }

std::string number_text(const Num_val& v) {
  char buf[CONV_NORMAL_MAX];
  return std::string(buf, size_t(Conv_normal(v, buf)));
}

// The pieces of a string value (see Dump_string_text).
std::vector<std::string> string_pieces(const uint8_t* p, size_t n, bool esc_by_name) {
  std::vector<std::string> out;
  std::string run, hex;
  auto flush_run = [&] {
    if (run.empty()) return;
    out.push_back('"' + run + '"');
    run.clear();
  };
  auto flush_hex = [&] {
    if (hex.empty()) return;
    out.push_back('$' + hex + '$');
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
    if (c == prmblk.FS || (c == 27 && esc_by_name)) {
      flush_hex();
      out.push_back(c == prmblk.FS ? "SEP" : "ESC");
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
  if (v->assoc) {
    // An array indexed by keys: the element's key in quotes.
    if (HSH_entry* k = HSH_FndVal(v->assoc, e + 1))
      return "[\"" + std::string(reinterpret_cast<const char*>(k->key()), k->key_len) + "\"]";
    return "[" + std::to_string(e + 1) + "]";
  }
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

std::string dim_line(const Var_node* v, const Var_node* named) {
  std::string s = "DIM " + std::string(named->name, named->name_len) + "[";
  for (int d = 0; d < 3; d++) {
    if (d > 0 && v->size[d] == 1 && v->base[d] == 0) continue;
    if (d > 0) s += ",";
    if (v->base[d] != 0) s += std::to_string(v->base[d]) + ":";
    s += std::to_string(v->base[d] + v->size[d] - 1);
  }
  return s + "]";
}

// The first part of a quoted or hexadecimal piece that takes at most room
// columns, closed, with *rest the remainder reopened; false when no part of
// at least one character or byte fits (or the piece cannot be cut).
bool cut_piece(const std::string& piece, size_t room, std::string* part, std::string* rest) {
  if (piece.size() < 3 || room < 3) return false;
  const char mark = piece[0];
  if (mark != '"' && mark != '$') return false;
  const std::string body = piece.substr(1, piece.size() - 2);
  size_t take = 0;
  if (mark == '$') {
    take = (room - 2) & ~size_t(1);  // whole bytes
  } else {
    // Characters up to room - 2, a doubled quote kept whole.
    for (size_t i = 0; i < body.size();) {
      size_t unit = body[i] == '"' ? 2 : 1;
      if (i + unit > room - 2) break;
      i += unit;
      take = i;
    }
  }
  if (take == 0 || take >= body.size()) return false;
  *part = mark + body.substr(0, take) + mark;
  *rest = mark + body.substr(take) + mark;
  return true;
}

// One value: the name with its subscript, '=', the value, the line end.  A
// string longer than 20 characters that reaches within 10 columns of the
// line width goes on on a new line that begins with the name and "+=";
// a piece that would run past the width is cut there.
void dump_val(Sink& o, const std::string& name, const std::string& sub, const Num_val* num, const uint8_t* str,
              size_t len) {
  o.put(name + sub);
  if (o.mode == NAMES) {
    o.put("|");
    return;
  }
  o.put("=");
  if (num) {
    o.put(number_text(*num));
    o.eol();
    return;
  }
  if (len == 0) {
    o.put("\"\"");
    o.eol();
    return;
  }
  std::vector<std::string> pieces = string_pieces(str, len, true);
  // (The last column stays free: a screen would wrap a full line itself.)
  const size_t width = o.width > 1 ? size_t(o.width) - 1 : 0;
  const std::string lead = name + sub + "+=";
  size_t produced = 0;
  bool line_start = true;  // right after "=" or "+="
  auto next_line = [&] {
    o.hard_eol();
    o.put(lead);
    line_start = true;
  };
  for (size_t i = 0; i < pieces.size(); i++) {
    std::string piece = pieces[i];
    for (;;) {
      if (width && produced > 20 && !line_start && o.column + 10 >= width) next_line();
      std::string sep = line_start ? "" : "+";
      std::string part, rest;
      if (width && o.column + sep.size() + piece.size() > width &&
          cut_piece(piece, width > o.column + sep.size() ? width - o.column - sep.size() : 0, &part, &rest)) {
        o.put(sep + part);
        produced += sep.size() + part.size();
        piece = rest;
        next_line();
        continue;
      }
      if (width && !line_start && o.column + sep.size() + piece.size() > width && o.column > lead.size()) {
        next_line();  // not even a part of it fits here
        continue;
      }
      o.put(sep + piece);
      produced += sep.size() + piece.size();
      line_start = false;
      break;
    }
  }
  o.eol();
}

// A record variable's definition as DIM writes it: an I/O list of plain
// fields ("IOLIST A,B$"), else a template ("A:C(3),B:N(4)").
std::string record_definition(const Var_node* v) {
  const std::vector<Record_field> fields = Record_fields(v);
  bool plain = true;
  for (const Record_field& f : fields) plain &= f.form == 'P';
  std::string out;
  if (plain) {
    for (const Record_field& f : fields) out += (out.empty() ? "" : ",") + (f.type == '*' ? std::string("*") : f.name);
    return "IOLIST " + out;
  }
  for (const Record_field& f : fields) {
    if (!out.empty()) out += ',';
    std::string name = f.type == '*' ? "*" : f.name;
    const bool text = f.type == code::STR_VAR;
    if (text && !name.empty() && name.back() == '$') name.pop_back();
    if (f.count) name += "[" + std::to_string(f.count) + "]";
    out += name + ":";
    auto order = [&] { return f.delim == 1 ? "/L" : f.delim == 2 ? "/W" : ""; };
    switch (f.form) {
      case 'X': case 'F': case 'B': case 'Y': out += char(f.form) + std::string(order()); break;
      case 'E': out += "D" + std::string(order()); break;
      case 'I': case 'U': out += char(f.form) + std::string(order()) + "(" + std::to_string(f.width) + ")"; break;
      case 'D':
        out += text || f.type == '*' ? "C(*" : "N(*";
        if (f.delim == DELIM_NONE) out += "=";
        else if (f.delim != DELIM_DEFAULT) out += "=" + std::to_string(f.delim);
        out += ")";
        break;
      default: out += char(f.form == 'P' ? (text ? 'C' : 'N') : f.form) + ("(" + std::to_string(f.width) + ")"); break;
    }
    if (!f.desc.empty()) out += ":" + f.desc + ":";
  }
  return "\"" + out + "\"";
}

// The argument lists of the calls made from the level being shown, from
// its own call outward to the current level's (empty for the current
// level): a variable of the level passed by reference is shown as the
// callee holds it meanwhile.
std::vector<const Arg_rec*> lent_to;

// The variable whose value stands for v: v itself, or the callee's
// variable its value went to with a call by reference (followed through
// further calls).
const Var_node* lent_value(const Var_node* v) {
  for (const Arg_rec* list : lent_to) {
    const Var_node* to = nullptr;
    for (const Arg_rec* a = list; a && !to; a = a->next)
      if (a->var == v && a->bound && (a->kind == ARG_STR_REF || a->kind == ARG_ARRAY)) to = a->bound;
    if (!to) break;
    v = to;
  }
  return v;
}

// Sets lent_to for the level of context c (chain: current level first).
struct Lent_guard {
  Lent_guard(const std::vector<const Prog_context*>& chain, const Prog_context* c) {
    lent_to.clear();
    size_t i = 0;
    while (i < chain.size() && chain[i] != c) i++;
    for (size_t j = i; j-- > 0;) lent_to.push_back(chain[j]->Arg_list);
  }
  ~Lent_guard() { lent_to.clear(); }
};

void dump_node(Sink& o, const Var_node* named) {
  if (o.stop) return;
  const Var_node* v = lent_to.empty() ? named : lent_value(named);
  std::string name(named->name, named->name_len);
  if (Is_array(v)) {
    // An array indexed by keys has no DIM line: its elements show their keys.
    if (o.mode != ONEVAR && !v->assoc) o.line(dim_line(v, named));
    if (o.mode == NAMES) return;
    for (uint32_t e = 0; e < Var_count(v) && !o.stop; e++) {
      if (v->type == code::NUM_VAR) {
        const Num_val& n = static_cast<const Num_val*>(v->elems)[e];
        if (n.mant != 0) dump_val(o, name, subscript(v, e), &n, nullptr, 0);
      } else {
        const Str_blk* s = static_cast<Str_blk* const*>(v->elems)[e];
        if (s && s->len) dump_val(o, name, subscript(v, e), nullptr, s->bytes(), s->len);
      }
    }
    return;
  }
  if (o.mode == FULL && (v->flags & VF_RECORD) && v->rec_list) {
    o.line("DIM " + name + ":" + record_definition(v));
    return;
  }
  if (v->type == code::NUM_VAR) {
    // Asked for by name, a 0 is shown too: the IDE asked for its value.
    if (v->num.mant != 0 || o.mode != FULL) dump_val(o, name, "", &v->num, nullptr, 0);
  } else if ((v->str && v->str->len) || o.mode != FULL) {
    dump_val(o, name, "", nullptr, v->str ? v->str->bytes() : nullptr, v->str ? v->str->len : 0);
  }
}

void dump_tree(Sink& o, const Var_node* n) {
  // In order, without recursion on the right spine.
  while (n && !o.stop) {
    dump_tree(o, n->left);
    dump_node(o, n);
    n = n->right;
  }
}

void dump_frames(Sink& o, const Ctl_frame* f) {
  for (; f && !o.stop; f = f->link) {
    std::string dots = "!  ...............";
    bool nothing = false;
    std::string_view kw = f->tag == 171 ? Lex_text(code::EXT_DIR, 171, &nothing) : Lex_text(f->tag, 0, &nothing);
    std::string k(kw);
    for (size_t i = 0; i < k.size() && 3 + i < dots.size(); i++) dots[3 + i] = k[i];
    o.line(dots + stno(f->origin_line));
  }
}

void dump_data_set(const std::string& name, const std::string& path, Var_node* num, Var_node* str, void* ctx) {
  Sink& o = *static_cast<Sink*>(ctx);
  o.line("!  Loaded data...." + name + " (" + path + ")");
  dump_tree(o, num);
  dump_tree(o, str);
}

void dump_object(Sink& o, int32_t slot) {
  if (slot < 1 || slot >= int32_t(oop.objs.size()) || !oop.objs[size_t(slot)]) return;
  Oop_object* ob = oop.objs[size_t(slot)];
  o.line("! Dump of OBJECT information");
  Num_val h;
  h.mant = Oop_handle_of(slot);
  dump_val(o, "! _Obj", "", &h, nullptr, 0);
  dump_val(o, "! _Class$", "", nullptr, reinterpret_cast<const uint8_t*>(ob->cls->name->text), ob->cls->name->len);
  Num_val r;
  r.mant = ob->refs;
  dump_val(o, "! _Refcnt", "", &r, nullptr, 0);
  for (int pass = 0; pass < 2 && !o.stop; pass++) {
    bool heading = false;
    std::vector<const Prop_inst*> list;
    for (const Prop_inst* pi = ob->props; pi; pi = pi->next) list.insert(list.begin(), pi);
    for (const Prop_inst* pi : list) {
      bool local = !pi->entry ? !pi->dynamic : (pi->entry->flags & PF_LOCAL) != 0;
      if (local != (pass == 1)) continue;
      if (!heading) o.line(pass == 0 ? "! External Properties" : "! Local Properties");
      heading = true;
      dump_node(o, pi->var);
    }
  }
}

struct Level {
  const Prog_context* ctx;
  int number;
  int depth;  // its call depth (the current level's is Call_depth())
};

// The call levels, current first; numbered from the outermost (1, or 0
// with parameter B0).
std::vector<Level> call_levels() {
  std::vector<const Prog_context*> chain;
  chain.push_back(&ws);
  for (Call_frame* f = ws.Call_link; f; f = f->Call_link) chain.push_back(f);
  int base = Sw_on(sw::B_0) ? 0 : 1;
  std::vector<Level> levels;
  for (size_t i = 0; i < chain.size(); i++)
    levels.push_back({chain[i], base + int(chain.size() - 1 - i), int(chain.size() - 1 - i)});
  return levels;
}

std::vector<const Prog_context*> level_chain() {
  std::vector<const Prog_context*> chain;
  for (const Level& l : call_levels()) chain.push_back(l.ctx);
  return chain;
}

uint32_t level_line(const Level& l) {
  if (l.ctx == &ws) return ws.Cur_stno ? ws.Cur_stno : ws.Stop_stno;
  return l.ctx->Stop_stno;
}

// The object whose code runs at a level (0 none): the running one, or the
// one a method call made there left running.
int32_t level_object(const Level& l) {
  if (oop.cur_obj && oop.cur_depth == l.depth) return oop.cur_obj;
  for (const Oop_run_guard* g = oop.run_guards; g; g = g->outer)
    if (g->depth == l.depth) return g->obj;
  return 0;
}

std::string level_path(const Prog_context* c) {
  return c->Cur_pgm && c->Cur_pgm->path ? c->Cur_pgm->path : "<Unsaved>";
}

// The program of a level, its line, frames, variables, data sets and object.
void dump_pgm(Sink& o, const Level& l) {
  const Prog_context* c = l.ctx;
  bool current = c == &ws;
  uint32_t line = level_line(l);
  if (o.mode == NAMES) {
    o.line(level_path(c));
    o.line(std::to_string(line));
  } else {
    o.line("! PGN=\"" + level_path(c) + "\"");
    if (line) o.line("!  Statement......" + stno(line));
    dump_frames(o, c->Ctl_stack);
  }
  {
    Lent_guard lent(level_chain(), c);
    dump_tree(o, c->Loc_num_tree);
    dump_tree(o, c->Loc_str_tree);
  }
  if (current) LoadData_each(dump_data_set, &o);
  if (int32_t slot = level_object(l)) dump_object(o, slot);
}

// A variable of a tree by name, compared without regard to case.
const Var_node* find_in(const Var_node* n, const std::string& name) {
  for (; n; n = n->right)
    if (const Var_node* l = find_in(n->left, name)) return l;
    else if (n->name_len == name.size() && strncasecmp(n->name, name.data(), name.size()) == 0) return n;
  return nullptr;
}

}  // namespace

std::string Dump_string_text(const unsigned char* p, size_t n, size_t max, bool esc_by_name) {
  if (n == 0) return "\"\"";
  std::string out;
  for (const std::string& piece : string_pieces(p, n, esc_by_name)) {
    if (!max) {
      if (!out.empty()) out += '+';
      out += piece;
      continue;
    }
    // Built while fewer than max bytes have been produced: a piece that
    // does not fit is cut where the limit falls and left open.
    for (size_t i = out.empty() ? 1 : 0; i <= piece.size(); i++) {
      if (out.size() >= max) return out + "...";
      out += i == 0 ? '+' : piece[i - 1];
    }
  }
  return out;
}

std::string Dump_EclipseStack() {
  Sink o;
  o.kind = Sink::TEXT;
  o.mode = NAMES;
  std::vector<Level> levels = call_levels();
  for (size_t i = 0; i < levels.size(); i++) {
    const Level& l = levels[i];
    if (i) o.put("#");
    const Prog_context* c = l.ctx;
    std::string given = c->Pgm_name && c->Pgm_name->len
                            ? std::string(reinterpret_cast<const char*>(c->Pgm_name->bytes()), c->Pgm_name->len)
                            : "";
    given = given.substr(0, given.find(';'));  // (a method's entry point is no part of the name)
    if (!given.empty())
      o.put(given + ";" + std::to_string(level_line(l)) + "|");
    else
      o.put("Level " + std::to_string(l.number) + ";" + std::to_string(level_line(l)) + "|");
    dump_pgm(o, l);
  }
  dump_tree(o, ws.Glo_num_tree);
  dump_tree(o, ws.Glo_str_tree);
  o.put("#");
  o.hard_eol();
  return o.text;
}

std::string Dump_EclipseVar(int level, const char* name, size_t len) {
  Sink o;
  o.kind = Sink::TEXT;
  o.mode = ONEVAR;
  std::string n(name, len);
  bool is_str = !n.empty() && n.back() == '$';
  bool global = !n.empty() && n[0] == '%';
  const Var_node* v = nullptr;
  std::vector<Level> levels = call_levels();
  int outermost = levels.back().number, current = levels.front().number;
  level += outermost;  // the IDE counts from 0
  const Prog_context* c = nullptr;
  if (!global && level >= outermost && level <= current) {
    c = levels[size_t(current - level)].ctx;
    v = find_in(is_str ? c->Loc_str_tree : c->Loc_num_tree, n);
  }
  if (!v && (global || level <= outermost || level > current)) {
    c = nullptr;
    v = find_in(is_str ? ws.Glo_str_tree : ws.Glo_num_tree, n);
  }
  if (v && c) {
    Lent_guard lent(level_chain(), c);
    dump_node(o, v);
  } else if (v) {
    dump_node(o, v);
  } else
    o.put(n + "=<?>\t");
  o.hard_eol();
  return o.text;
}

static void dump_body() {
  Sink o;
  uint8_t* p = ws.Exec_ptr;
  if (*p == code::LPAREN) {
    Io_SetOptions(0);
    p = ws.Exec_ptr;
    Fcb* f = ws.Cur_fcb;
    if (!Prt_is_console(f)) {
      if (f->kind == FK_KEYED || f->kind == FK_EFF) Rpt_error(err::WRONG_MODE);
      Prt_begin_output();
      o.kind = Sink::CHANNEL;
      o.width = f->width;
    }
  } else {
    ws.Cur_fcb = ws.Con_fcb;
  }
  if (o.kind == Sink::CONSOLE) {
    List_page_start();
    // The console's line width: its own, else the screen's columns.
    if (const Fcb* c = ws.Con_fcb) o.width = c->width > 0 ? c->width : c->cols;
  }
  if (p[0] == code::PREFIX2 && p[1] == 64) {  // DUMP OBJECT h
    ws.Exec_ptr = p + 2;
    Eval_val();
    Num_val v = ws.Num_acc;
    Set_scl(v, 0, 0);
    // A handle of no live object dumps nothing.
    const int32_t slot = Oop_slot_of_handle(v.mant);
    if (slot && !(oop.objs[size_t(slot)]->state & OS_FREEING)) {
      if (o.kind == Sink::CONSOLE && Con_column() != 0) Con_newline();
      dump_object(o, slot);
    }
    if (o.kind == Sink::CHANNEL) Prt_flush();
    return;
  }
  std::vector<Level> levels = call_levels();
  bool all = false;
  int wanted = levels.front().number;
  if (*p == code::OP_DIV) {
    all = true;
    ws.Exec_ptr = p + 1;
  } else if (!stmt_end(*p) && !At_err_tail()) {
    ws.Exec_ptr = p;
    int32_t n = Eval_integer();
    int current = levels.front().number;
    wanted = n < 0 ? current + n : n;
    if (wanted < levels.back().number || wanted > current) Rpt_error(err::OUT_OF_RANGE);
  }
  if (o.kind == Sink::CONSOLE && Con_column() != 0) Con_newline();
  char head[96];
  std::snprintf(head, sizeof head, "! ERR=%d, CTL=%d, RET=%d", ws.Err_no, int(ws.Ctl_value), int(ws.Last_errno));
  o.line(head);
  for (const Level& l : levels) {
    if (o.stop) break;
    if (!all && l.number != wanted) continue;
    o.line("! " + std::string(58, '*'));
    o.line("! Level=" + std::to_string(l.number));
    dump_pgm(o, l);
  }
  o.line("! ----");
  o.line("! Global variables (%...)");
  dump_tree(o, ws.Glo_num_tree);
  dump_tree(o, ws.Glo_str_tree);
  if (o.kind == Sink::CHANNEL) Prt_flush();
}

// DUMP [(channel)] [-n | / | OBJECT handle] [, ERR=line]
void d_dump() { Err_tail_run(dump_body); }

// The IDE debug link answers "var" and "stack" with these dumps.

