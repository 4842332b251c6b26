// Classes: DEF CLASS ... END DEF, class files, LOAD/DROP/RENAME CLASS and
// the cache of classes loaded on demand.
//
// DEF CLASS reads the statements that follow it, up to END DEF (or the end
// of the program), as declarations; they are never executed.  Body forms:
//   PROPERTY name[OBJECT][=expr][GET ERR|GET=expr|GET ref][SET ERR|SET ref], ...
//   LOCAL name, ...             properties private to the object's code
//   LIKE "PARENT", ...          parents, searched in this order
//   PRECISION n
//   STATIC *                    each object keeps its own variables
//   FUNCTION [PERFORM|LOCAL|HIDE] NAME(params)=expr
//   FUNCTION [...] NAME(params) [ref] [FOR EVENT ["name"]]
//   FUNCTION [...] NAME(params)     (alone: the body follows, up to
//   ...                              FUNCTION END)
//   FUNCTION END
// A ref is a label, a line number or a string "program;label".  The
// labels ON_CREATE and ON_DELETE of the class program are the create and
// delete handlers unless the header names others (see read_header).  A program method runs as a CALL of the class program at
// its entry point; the program must therefore be a file.
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "channels/channel.h"
#include "programs/call_frame.h"
#include "programs/load_channel.h"
#include "programs/oop_internal.h"
#include "programs/program_list.h"

namespace {

constexpr uint32_t LAST_LINE = 65000;
// Markers after code 251: OBJECT (an object property), SHARED, DERIVED.
constexpr uint8_t MARK_OBJECT = 64, MARK_DERIVED = 68, MARK_SHARED = 69;

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0; }
bool is_ext(const uint8_t* p, uint8_t b) { return p[0] == code::EXT_DIR && p[1] == b; }

// Where the definition scan stands: the current line's bytes and a cursor.
struct Scan {
  uint8_t* p;
  uint8_t* end;
  uint32_t line;
};

void load_line(Scan& s, uint16_t n) {
  s.line = n;
  s.p = ws.Str_ptr + 2;
  s.end = ws.Str_ptr + ws.Str_len;
}

// To the start of the next statement: after ";" on this line, else the next
// line's first statement.  False at the program's end line.
bool next_statement(Scan& s) {
  while (s.p < s.end && *s.p == code::STMT_SEP) {
    s.p++;
    if (s.p < s.end && *s.p != code::EOL) return true;
  }
  if (s.line >= LAST_LINE) return false;
  load_line(s, Next_line(uint16_t(s.line)));
  return true;
}

void next_line(Scan& s) {
  if (s.line >= LAST_LINE) return;
  load_line(s, Next_line(uint16_t(s.line)));
}

std::string item_name(const uint8_t* p) {
  if (p[1] & 0x80) {
    const uint8_t* e = Var_name_entry((uint32_t(p[1] & 0x7F) << 8) | p[2]);
    if (!e || e[0] == 255) Rpt_error(err::BAD_CLASS);
    return std::string(reinterpret_cast<const char*>(e + 1), e[0]);
  }
  return std::string(reinterpret_cast<const char*>(p + 2), p[1]);
}

size_t item_len(const uint8_t* p, const uint8_t* end) { return Item_size(p, end); }

// A program reference at the cursor: a label, a line number or a string
// "program", "program;label" or ";label".
// A program a class names (its PROGRAM clause, a handler or method kept in
// another program) must open as a program or serial file: error 17
// otherwise, the host's error when it does not open.
void check_program_file(const std::string& name) {
  Scratch_guard chan;
  chan.f = Open_scratch(name, false);
  int32_t k = chan.f->kind;
  if (k != FK_PROGRAM && k != FK_SERIAL && k != FK_LIB_MEMBER)
    Rpt_error_text(err::WRONG_FILE_KIND, name + " is not a program file");
}

Prog_ref read_ref(Scan& s) {
  Prog_ref r;
  r.present = true;
  uint8_t c = *s.p;
  if (c == code::NUM_VAR || c == code::LABEL) {
    r.label = item_name(s.p);
    s.p += item_len(s.p, s.end);
    return r;
  }
  if (c == code::SMALL_INT || c == code::LINE_REF) {
    r.line = get_u16be(s.p + 1);
    s.p += 3;
    return r;
  }
  ws.Exec_ptr = s.p;
  Eval_str();
  s.p = ws.Exec_ptr;
  std::string t(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (t.empty()) Rpt_error(err::STRING_LENGTH);
  if (t == ";") Rpt_error(err::LABEL_NOT_FOUND);
  size_t semi = t.find(';');
  if (semi == std::string::npos) {
    r.program = t;
  } else {
    r.program = t.substr(0, semi);
    r.label = t.substr(semi + 1);
  }
  if (!r.program.empty()) check_program_file(r.program);
  return r;
}

Oop_prop* find_own_prop(Oop_class* c, const Oop_name* id) {
  for (Oop_prop* p : c->props)
    if (p->name == id) return p;
  return nullptr;
}

// PROPERTY / LOCAL declarations (the cursor after the keyword).
void read_properties(Oop_class* c, Scan& s, bool local) {
  uint16_t common = local ? PF_LOCAL : 0;
  if (is_ext(s.p, code::X_HIDE)) {
    common |= PF_HIDDEN;
    s.p += 2;
  }
  for (;;) {
    uint8_t k = *s.p;
    if (k != code::NUM_VAR && k != code::STR_VAR) Rpt_error(err::BAD_CLASS);
    const Oop_name* id = Oop_name_of_item(s.p, nullptr);
    s.p += item_len(s.p, s.end);
    if (find_own_prop(c, id)) Rpt_error(err::NAME_TWICE);
    auto* e = new Oop_prop;
    e->owner = c;
    e->name = id;
    e->flags = common;
    c->props.insert(c->props.begin(), e);
    Oop_shape_changed();
    if (s.p[0] == code::PREFIX2 && s.p[1] == MARK_OBJECT) {  // its values are object handles
      e->flags |= PF_OBJECT;
      s.p += 2;
    }
    if (*s.p == code::OP_EQ) {
      e->flags |= PF_READ_ONLY | PF_GET_EXPR;
      const uint8_t* after;
      e->get_expr = Oop_copy_code(s.p + 1, &after, code::COMMA, 0);
      s.p = const_cast<uint8_t*>(after);
    } else if (is_ext(s.p, code::X_GET)) {
      s.p += 2;
      if (*s.p == code::SV_ERR) {
        e->flags |= PF_NO_GET;
        s.p++;
      } else if (*s.p == code::OP_EQ) {
        e->flags |= PF_GET_EXPR;
        const uint8_t* after;
        e->get_expr = Oop_copy_code(s.p + 1, &after, code::COMMA, 0);
        s.p = const_cast<uint8_t*>(after);
      } else {
        e->get = read_ref(s);
      }
    }
    if (is_ext(s.p, code::X_SET)) {
      s.p += 2;
      if (*s.p == code::SV_ERR) {
        e->flags |= PF_READ_ONLY;
        s.p++;
      } else {
        e->set = read_ref(s);
        e->flags &= ~uint16_t(PF_READ_ONLY);
      }
    }
    if (*s.p != code::COMMA) break;
    s.p++;
  }
  if (!stmt_end(*s.p)) Rpt_error(err::BAD_CLASS);
}

// The lines of an inline method body: up to a line that begins with
// FUNCTION END (consumed), FUNCTION, PROPERTY or END DEF (not consumed: the
// result is true and the scan stands on that line's first statement).
bool skip_body(Scan& s, uint32_t* first) {
  *first = 0;
  for (;;) {
    if (s.line >= LAST_LINE) return true;
    next_line(s);
    if (!*first) *first = s.line;
    if (s.line >= LAST_LINE) return true;
    const uint8_t* p = s.p;
    if (is_ext(p, code::X_FUNCTION)) {
      if (p[2] == code::D_END) {
        s.p = s.end - 1;
        return false;
      }
      return true;
    }
    if (is_ext(p, code::X_PROPERTY) || (p[0] == code::D_END && p[1] == code::D_DEF)) return true;
  }
}

void read_event(Oop_method* m, Scan& s) {
  if (*s.p != code::D_FOR) return;
  s.p++;
  if (s.p[0] != code::PREFIX2 || s.p[1] != 72) Rpt_error(err::INTERNAL_CODE);
  s.p += 2;
  if (stmt_end(*s.p)) {
    m->event.assign(m->name->text, m->name->len);
    return;
  }
  ws.Exec_ptr = s.p;
  Eval_str();
  s.p = ws.Exec_ptr;
  m->event.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

// FUNCTION declarations (the cursor after the keyword).  Returns true when
// the scan already stands on the next statement to read (an inline body
// was skipped and the line that ended it is not consumed).
bool read_method(Oop_class* c, Scan& s) {
  if (*s.p == code::D_END) Rpt_error(err::NOT_IN_CALLED);
  auto* m = new Oop_method;
  m->owner = c;
  c->methods.insert(c->methods.begin(), m);
  Oop_shape_changed();
  for (;;) {
    if (*s.p == code::D_PERFORM) {
      m->modifiers |= MM_PERFORM;
      s.p++;
    } else if (is_ext(s.p, code::X_LOCAL)) {
      m->modifiers |= MM_LOCAL;
      s.p += 2;
    } else if (is_ext(s.p, code::X_HIDE)) {
      m->modifiers |= MM_HIDDEN;
      s.p += 2;
    } else {
      break;
    }
  }
  uint8_t k = *s.p;
  if (k != code::NUM_VAR && k != code::STR_VAR) Rpt_error(err::BAD_CLASS);
  m->name = Oop_name_of_item(s.p, nullptr);
  s.p += item_len(s.p, s.end);
  if (*s.p != code::LPAREN) Rpt_error(err::BAD_CLASS);
  const uint8_t* params = s.p;
  s.p++;
  if (*s.p == code::RPAREN) {
    m->mask = 0;
    s.p++;
  } else if (s.p[0] == code::OP_MUL && s.p[1] == code::RPAREN) {
    m->mask = 1;
    s.p += 2;
  } else {
    m->mask = 1;
    int n = 0;
    for (;;) {
      uint8_t t = *s.p;
      if (t != code::NUM_VAR && t != code::STR_VAR) Rpt_error(err::BAD_CLASS);
      s.p += item_len(s.p, s.end);
      bool obj = false;
      if (*s.p == code::WHOLE_ARRAY) {
        obj = true;
        s.p++;
      }
      if (++n > 30) Rpt_error(err::BAD_CLASS);
      m->mask = (m->mask << 1) | (t == code::NUM_VAR ? 1u : 0u);
      m->obj_mask = (m->obj_mask << 1) | (obj ? 1u : 0u);
      m->param_sig.push_back(std::string(t == code::NUM_VAR ? "N" : "S") + (obj ? "{ALL}" : ""));
      if (*s.p == code::COMMA) {
        s.p++;
        continue;
      }
      if (*s.p != code::RPAREN) Rpt_error(err::BAD_CLASS);
      s.p++;
      break;
    }
  }
  for (Oop_method* o : c->methods)
    if (o != m && o->name == m->name && o->mask == m->mask && o->obj_mask == m->obj_mask) Rpt_error(err::NAME_TWICE);
  read_event(m, s);
  if (*s.p == code::OP_EQ) {
    m->is_expr = true;
    const uint8_t* after;
    m->expr = Oop_copy_code(params, &after, 0, 0);
    s.p = const_cast<uint8_t*>(after);
    return false;
  }
  if (stmt_end(*s.p)) {  // the body follows on the next lines
    m->ref.present = true;
    return skip_body(s, &m->ref.line);
  }
  m->ref = read_ref(s);
  read_event(m, s);
  if (!stmt_end(*s.p)) Rpt_error(err::BAD_CLASS);
  return false;
}

void read_parents(Oop_class* c, Scan& s) {
  for (;;) {
    ws.Exec_ptr = s.p;
    Eval_str();
    s.p = ws.Exec_ptr;
    std::string n(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    Oop_class* p = OopFindClass(n, 2);
    if (!p) Rpt_error(err::CLASS_NOT_FOUND);
    if (p == c || !(p->flags & CF_DEFINED)) Rpt_error(err::PARENT_UNDEFINED);
    p->instances++;
    c->parents.push_back(p);
    Oop_shape_changed();
    if (*s.p != code::COMMA) break;
    s.p++;
  }
}

// A DERIVED marker after CREATE or DELETE (or after its reference).
bool derived_marker(Scan& s) {
  if (s.p[0] != code::PREFIX2 || s.p[1] != MARK_DERIVED) return false;
  s.p += 2;
  return true;
}

// The header clauses after the class name, in any order (commas between
// them allowed):
//   SHARED                     one object serves every NEW
//   CREATE [ref] [DERIVED]     the create handler; DERIVED: it runs for the
//   DELETE [ref] [DERIVED]     objects of derived classes too (likewise delete)
//   STATIC                     properties added at run time are local
//   ACCEPT                     unknown properties may be created by assignment
void read_header(Oop_class* c, Scan& s) {
  while (!stmt_end(*s.p)) {
    uint8_t* p = s.p;
    if (p[0] == code::COMMA) {
      s.p++;
    } else if (p[0] == code::PREFIX2 && p[1] == MARK_SHARED) {
      c->flags |= CF_SHARED;
      s.p += 2;
    } else if (is_ext(p, code::X_CREATE) || p[0] == code::D_DELETE) {
      bool create = p[0] != code::D_DELETE;
      s.p += create ? 2 : 1;
      bool derived = derived_marker(s);
      if (!derived && !stmt_end(*s.p) && *s.p != code::COMMA) {
        (create ? c->create : c->del) = read_ref(s);
        derived = derived_marker(s);
      }
      if (derived) c->flags |= create ? CF_CREATE_DERIVED : CF_DELETE_DERIVED;
    } else if (is_ext(p, code::X_STATIC)) {
      c->flags2 |= CF2_RT_LOCAL;
      s.p += 2;
    } else if (is_ext(p, code::X_ACCEPT)) {
      c->flags2 |= CF2_RT_ANY;
      s.p += 2;
    } else {
      Rpt_error(err::BAD_CLASS);
    }
  }
}

// The body of DEF CLASS, from the statement after it.  Returns with the
// scan on the END DEF statement (or at the program's end).
void read_body(Oop_class* c, Scan& s) {
  bool precision_given = false;
  bool again = false;
  for (;;) {
    if (!again && !next_statement(s)) return;
    again = false;
    uint8_t* p = s.p;
    uint8_t c0 = *p;
    if (c0 == code::LABEL) {  // a label line
      s.p = s.end - 1;
      continue;
    }
    if (c0 == code::EOL || c0 == code::D_REM || c0 == code::D_COMMENT) {
      s.p = s.end - 1;
      continue;
    }
    if (c0 == code::D_END) {
      if (p[1] == code::D_DEF) {
        s.p = p + 2;
        return;
      }
      if (s.line >= LAST_LINE) return;
      Rpt_error(err::BAD_CLASS);
    }
    if (c0 == code::LIKE) {
      s.p = p + 1;
      read_parents(c, s);
    } else if (c0 == code::D_PRECISION) {
      if (precision_given) Rpt_error(err::CLAUSE_TWICE);
      precision_given = true;
      ws.Exec_ptr = p + 1;
      c->precision = Eval_range(-1, 18);
      c->flags |= CF_PRECISION;
      if (At_err_tail()) {  // a clause has no error of its own left to take
        auto keep_line = ws.Err_line;
        uint8_t* keep_save = ws.Stmt_save;
        ws.Exec_ptr++;
        Chk_err();
        ws.Err_line = keep_line;
        ws.Stmt_save = keep_save;
      }
      s.p = ws.Exec_ptr;
    } else if (c0 == code::EXT_DIR) {
      uint8_t b = p[1];
      s.p = p + 2;
      if (b == code::X_PROPERTY) {
        read_properties(c, s, false);
      } else if (b == code::X_LOCAL) {
        read_properties(c, s, true);
      } else if (b == code::X_FUNCTION) {
        again = read_method(c, s);
        continue;
      } else if (b == code::X_STATIC && *s.p == code::OP_MUL) {
        c->flags2 |= CF2_OWN_VARS;
        s.p++;
      } else {
        Rpt_error(err::BAD_CLASS);
      }
    } else if (c0 == code::D_PROGRAM) {
      ws.Exec_ptr = p + 1;
      Eval_str();
      s.p = ws.Exec_ptr;
      c->program_file.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      if (c->program_file.empty()) Rpt_error(err::STRING_LENGTH);
      if (c->program_file.find(';') != std::string::npos) Rpt_error(err::BAD_FILE_NAME);
      check_program_file(c->program_file);
    } else {
      Rpt_error(err::BAD_CLASS);
    }
    if (!stmt_end(*s.p)) Rpt_error(err::BAD_CLASS);
  }
}

void free_class_record(Oop_class* c) {
  Oop_shape_changed();
  if (c->prog_rec) {
    c->prog_rec->flags &= uint16_t(~PO_PINNED);
    Prog_drop(c->prog_rec);
  }
  for (Oop_prop* p : c->props) delete p;
  for (Oop_method* m : c->methods) delete m;
  for (Oop_class* p : c->parents) OopDeRefClass(p);
  delete c;
}

void unlink_class(Oop_class* c) {
  for (size_t i = 0; i < oop.classes.size(); i++)
    if (oop.classes[i] == c) {
      oop.classes.erase(oop.classes.begin() + long(i));
      return;
    }
}

Oop_class* find_loaded(const Oop_name* id) {
  if (!id) return nullptr;
  for (Oop_class* c : oop.classes)
    if (c->name == id) return c;
  return nullptr;
}

// The class a name finds: by its own name, or one a class file loaded for
// the name (with a prefix) defined under the name's last characters.
Oop_class* find_named(const Oop_name* id) {
  if (Oop_class* c = find_loaded(id)) return c;
  if (!id) return nullptr;
  for (Oop_class* c : oop.classes)
    for (const Oop_name* n : c->found_as)
      if (n == id) return c;
  return nullptr;
}

void name_to_accumulator(const std::string& s) {
  uint8_t* p = Work_take(s.size());
  std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
}

// A class file is a program whose first statement after its remarks is
// DEF CLASS: anything else is refused before a line of it runs.
void check_class_file(const std::string& name, const std::string& file) {
  name_to_accumulator(file);
  Prog_obj* rec;
  try {
    rec = Prog_load();
  } catch (const Oru_error& e) {
    if (e.no == err::FILE_NOT_FOUND) Rpt_error_text(err::CLASS_NOT_FOUND, "class file " + file + " not found");
    throw;
  }
  if (!rec) {
    Text_source_close();
    Rpt_error_text(err::CLASS_NOT_FOUND, file + " is not a program: it cannot define class " + name);
  }
  const uint8_t* img = rec->image;
  uint32_t size = rec->lines_end ? rec->lines_end : rec->image_size;
  uint32_t at = 0;
  while (at + 5 <= size) {
    uint32_t len = get_u16be(img + at);
    if (len < 3 || at + 2 + len > size) break;
    const uint8_t* code_at = img + at + 4;
    uint8_t c = code_at[0];
    if (c == code::D_REM || c == code::D_COMMENT) {
      at += 2 + len;
      continue;
    }
    if (len < 8 || c != code::D_DEF || code_at[1] != code::PREFIX2 || code_at[2] != 66 ||
        code_at[3] != code::STR_LIT)
      break;
    // Its literal must be the wanted name, or the end of it (a name given
    // with a prefix).
    uint32_t n = get_u16be(code_at + 4);
    if (6 + n > len - 2) break;
    std::string lit(reinterpret_cast<const char*>(code_at + 6), n);
    auto upper = [](std::string t) {
      for (char& ch : t) ch = (ch >= 'a' && ch <= 'z') ? char(ch - 32) : ch;
      return t;
    };
    std::string w = upper(name), l = upper(lit);
    if (!l.empty() && l.size() <= w.size() && w.compare(w.size() - l.size(), l.size(), l) == 0) return;
    Rpt_error_text(err::CLASS_NOT_FOUND, file + " defines class " + lit + ", not " + name);
  }
  Rpt_error_text(err::CLASS_NOT_FOUND, file + " does not begin with DEF CLASS: it cannot define class " + name);
}

// Loads the class file of a class and returns the class (error 90 when the
// file does not define it).
Oop_class* load_class_file(const std::string& name, const std::string& file, int load_flags) {
  check_class_file(name, file);
  name_to_accumulator(file);
  Oop_class_loading guard(name, Call_depth() + 1);
  bool started = false;
  int rc = Nested_call(FORM_CALL, nullptr, 0, &started);
  if (!started) Rpt_error(rc == 12 ? err::CLASS_NOT_FOUND : rc);
  const Oop_name* wanted = name.size() <= 255 ? OopDefName(66, int(name.size()), name.c_str()) : nullptr;
  Oop_class* c = find_loaded(wanted);
  if (!c && guard.found) {
    c = guard.cls;  // defined under the end of the name
    if (c && wanted && c->name != wanted) c->found_as.push_back(wanted);
  }
  if (!c && rc > 0) Rpt_error(rc);  // the class file stopped with an error (its text is kept)
  if (!c) Rpt_error_text(err::CLASS_NOT_FOUND, "class " + name + " is not defined by " + file);
  c->flags |= uint16_t(load_flags == 2 ? CF_ON_DEMAND : 0);
  return c;
}

}  // namespace

// ---- self-contained code copies ----

std::vector<uint8_t> Oop_copy_code(const uint8_t* p, const uint8_t** end_out, int stop1, int stop2) {
  std::vector<uint8_t> out;
  const uint8_t* limit = Code_end(p);
  int level = 0;
  for (;;) {
    uint8_t c = *p;
    if (level == 0 && (stmt_end(c) || c == stop1 || c == stop2)) break;
    if (c == code::EOL || c == code::END_SCAN) break;
    if (c == code::LPAREN || c == code::LBRACKET || (c >= code::FNC_FIRST && c <= code::FNC_LAST) ||
        c == code::XFNC_PREFIX || c == code::ALT_FNC)
      level++;
    if ((c == code::RPAREN || c == code::RBRACKET) && level > 0) level--;
    size_t n = Scan_size(p, limit);
    bool named = c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR || c == code::OBJ_REF ||
                 c == code::LABEL;
    if (named && (p[1] & 0x80)) {
      std::string nm = item_name(p);
      out.push_back(c);
      out.push_back(uint8_t(nm.size()));
      out.insert(out.end(), nm.begin(), nm.end());
    } else if ((c == code::NUM_LIT || c == code::EXP_LIT) && ws.Lit_pool && (p[1] & 0x80)) {
      const uint8_t* q = ws.Lit_pool + 7 * ((uint32_t(p[1] & 0x7F) << 8) | p[2]);
      out.push_back(c);
      out.insert(out.end(), q, q + 7);
    } else if (c == code::LABEL_IDX || c == code::LABEL_IDX2) {
      Rpt_error(err::BAD_CLASS);  // a line reference cannot leave its program
    } else {
      out.insert(out.end(), p, p + n);
    }
    p += n;
  }
  if (end_out) *end_out = p;
  out.push_back(code::EOL);
  return out;
}

// ---- class-loading guard: a class file must define the wanted class ----

Oop_class_loading* Oop_class_loading::current = nullptr;

bool Oop_class_loading::wants(const Oop_name* id) const {
  if (!id || id->len == 0 || id->len > wanted.size()) return false;
  return Oop_name_is(id, wanted.c_str() + (wanted.size() - id->len));
}

// ---- DEF CLASS ----

void OopLoadClass() {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  Eval_str();
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (name.empty()) Rpt_error(err::CLASS_IN_USE);
  if (name.find(';') != std::string::npos) Rpt_error(err::BAD_CLASS);
  const Oop_name* id = OopDefName(66, int(name.size()), name.c_str());
  if (Oop_class* old = find_loaded(id)) {
    if (old->instances > 0) Rpt_error(err::CLASS_IN_USE);
    OopFreeClass(old, true);
  }
  auto* c = new Oop_class;
  Oop_shape_changed();
  c->name = id;
  if (Oop_name_is(id, "*system")) c->flags |= CF_SYSTEM;
  c->program = ws.Cur_pgm && ws.Cur_pgm->path ? ws.Cur_pgm->path : "";
  oop.classes.insert(oop.classes.begin(), c);
  Scan s;
  uint8_t* after_name = ws.Exec_ptr;
  uint16_t here = Find_line(ws.Cur_stno);
  load_line(s, here);
  s.p = after_name;
  uint32_t err_line = here;
  try {
    read_header(c, s);
    read_body(c, s);
    err_line = s.line;
    c->flags |= CF_DEFINED;
  } catch (const Oru_error& e) {
    err_line = s.line;
    char buf[160];
    std::snprintf(buf, sizeof buf, "[ORU]Class definition error %d in program %s@%u", e.no,
                  ws.Cur_pgm && ws.Cur_pgm->path ? ws.Cur_pgm->path : "<none>", unsigned(err_line));
    unlink_class(c);
    free_class_record(c);
    Rpt_error_text(e.no, buf);
  }
  Oop_class_loading* loading = Oop_class_loading::current;
  if (loading && loading->depth == Call_depth() && loading->wants(id)) {
    // A class file: it has done its work once the class is defined.
    loading->found = true;
    loading->cls = c;
    Exec_pop();
    return;
  }
  // Execution goes on after the definition.
  if (s.line >= LAST_LINE) {
    Find_line(LAST_LINE);
    ws.Exec_ptr = ws.Str_ptr + 2;
  } else {
    Find_line(s.line);
    ws.Exec_ptr = s.p;
  }
  ws.Cur_stno = uint16_t(s.line);
  ws.Stmt_ptr = ws.Exec_ptr;
}

// ---- lookup and loading ----

Oop_class* OopFindClass(const std::string& name, int load_flags) {
  if (name.empty()) {
    if (load_flags == 0) Rpt_error(err::CLASS_IN_USE);
    return nullptr;
  }
  if (name.find(';') != std::string::npos) Rpt_error(err::BAD_CLASS);
  const Oop_name* id = OopFindName(66, int(name.size()), name.c_str());
  if (Oop_class* c = find_named(id)) {
    if (c->stamp && c->instances == 0) c->stamp = 0;  // back out of the cache
    return c;
  }
  if (load_flags == 0) return nullptr;
  // A "LoadClass" handler may define the class (or load it from elsewhere).
  if (Oop_raise_load_class(name))
    if (Oop_class* c = find_loaded(OopFindName(66, int(name.size()), name.c_str()))) {
      if (c->stamp && c->instances == 0) c->stamp = 0;
      return c;
    }
  return load_class_file(name, name + ".orc", load_flags);
}

bool OopSubClass(const Oop_class* c, const Oop_class* anc) {
  if (c == anc) return true;
  for (const Oop_class* p : c->parents)
    if (OopSubClass(p, anc)) return true;
  return false;
}

Oop_prop* Oop_find_prop_entry(Oop_class* c, const Oop_name* id) {
  for (Oop_prop* p : c->props)
    if (p->name == id) return p;
  for (Oop_class* p : c->parents)
    if (Oop_prop* e = Oop_find_prop_entry(p, id)) return e;
  return nullptr;
}

Oop_method* OopFindFunction(Oop_class* c, const Oop_name* id, uint32_t mask, uint32_t obj_mask, bool* by_name) {
  for (Oop_method* m : c->methods) {
    if (m->name != id) continue;
    if (by_name) *by_name = true;
    if (m->mask == 1 || (m->mask == mask && m->obj_mask == obj_mask)) return m;
  }
  for (Oop_class* p : c->parents)
    if (Oop_method* m = OopFindFunction(p, id, mask, obj_mask, by_name)) return m;
  return nullptr;
}

const std::string& Oop_class_program_built(const Oop_class* c, const Prog_ref& r) {
  const std::string& base = !r.program.empty() ? r.program : !c->program_file.empty() ? c->program_file : c->program;
  if (base.empty())
    Rpt_error_text(err::NO_PROGRAM_LINES, "class " + std::string(c->name->text) +
                           " was defined by a program that was never saved: its methods have no program to run");
  if (!r.full_cache.empty() && r.base_cache == base && r.label_cache == r.label && r.line_cache == r.line) {
    r.checked.cls = c;
    r.checked.epoch = oop.class_epoch;
    return r.full_cache;
  }
  std::string prog = base;
  if (!r.label.empty()) prog += ";" + r.label;
  else if (r.line) prog += ";#" + std::to_string(r.line);
  r.base_cache = base;
  r.label_cache = r.label;
  r.line_cache = r.line;
  r.full_cache = std::move(prog);
  return r.full_cache;
}

// ---- freeing and the cache ----

void OopDeRefClass(Oop_class* c) {
  if (c->instances > 0) c->instances--;
  if (c->instances == 0 && (c->flags & CF_ON_DEMAND) && !oop.shutting_down) OopFreeClass(c, false);
}

int KestAdjClassCache(Oop_class* c, bool free_all) {
  if (c) c->stamp = ++oop.cache_counter;
  int count = 0;
  for (;;) {
    count = 0;
    Oop_class* oldest = nullptr;
    for (Oop_class* k : oop.classes) {
      if (k->instances > 0 || !k->stamp) continue;
      count++;
      if (!oldest || k->stamp < oldest->stamp) oldest = k;
    }
    if (!oldest) break;
    if (!free_all && count <= int(prmblk.Plus_J)) break;
    OopFreeClass(oldest, true);
  }
  return count;
}

void OopFreeClass(Oop_class* c, bool force) {
  if (!force && prmblk.Plus_J != 0 && !oop.shutting_down) {
    KestAdjClassCache(c, false);
    return;
  }
  unlink_class(c);
  free_class_record(c);
}

void Oop_classes_clear() {
  // Every class goes: the links between them are dropped first (a parent
  // loaded on demand is newer than its child).
  for (Oop_class* c : oop.classes) c->parents.clear();
  while (!oop.classes.empty()) {
    Oop_class* c = oop.classes.front();
    oop.classes.erase(oop.classes.begin());
    free_class_record(c);
  }
}

// ---- the directives ----

namespace {
std::string string_operand() {
  Eval_str();
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}
void err_option() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
}
}  // namespace

void OopLoadClassFromFile() {
  std::string name = string_operand();
  std::string file;
  bool file_given = false;
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
    ws.Exec_ptr++;
    file = string_operand();
    file_given = true;
  }
  err_option();
  if (name.empty() || name.find(';') != std::string::npos) Rpt_error(err::BAD_CLASS);
  if (find_loaded(OopFindName(66, int(name.size()), name.c_str()))) Rpt_error(err::CLASS_IN_USE);
  if (!file_given) file = name + ".orc";
  if (file.empty() || file.size() > 512) Rpt_error(err::BAD_FILE_NAME);
  load_class_file(name, file, 1);
}

void OopDropClass() {
  std::string name = string_operand();
  err_option();
  Oop_class* c = find_loaded(OopFindName(66, int(name.size()), name.c_str()));
  if (!c) Rpt_error(err::CLASS_NOT_FOUND);
  if (c->instances > 0) Rpt_error(err::CLASS_IN_USE);
  OopFreeClass(c, true);
}

void OopRenameClass() {
  std::string from = string_operand();
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  std::string to = string_operand();
  err_option();
  Oop_class* c = OopFindClass(from, 1);
  if (!c) Rpt_error(err::CLASS_NOT_FOUND);
  if (to.empty()) Rpt_error(err::STRING_LENGTH);
  if (to.find(';') != std::string::npos) Rpt_error(err::BAD_CLASS);
  if (find_loaded(OopFindName(66, int(to.size()), to.c_str()))) Rpt_error(err::CLASS_IN_USE);
  c->name = OopDefName(66, int(to.size()), to.c_str());
}

void Oop_class_statement() { Rpt_error(err::BAD_CLASS); }

int Oop_cached_classes() { return KestAdjClassCache(nullptr, false); }

// The class keeps one use of the program its methods run from, so that a
// method call finds it loaded instead of reading the file again.  A
// program that cannot be loaded is left to the call to report.
void Oop_hold_program(Oop_class* c, const std::string& prog) {
  name_to_accumulator(prog.substr(0, prog.find(';')));
  Prog_obj* r;
  {
    Catch_region region;
    try {
      r = Prog_load();
    } catch (const Oru_error&) {
      return;
    }
  }
  if (!r) {
    Text_source_close();
    return;
  }
  r->uses++;
  r->flags |= PO_PINNED;
  c->prog_rec = r;
}
