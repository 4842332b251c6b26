// Program line store: finding, storing and deleting lines, the variable table
// of stored lines, and line references.
//
// Edit list (ws.Pgm_image null):
//   ws.Edit_list -> Str_blk -> Str_blk -> ... -> end line
//   each block's bytes: u16 BE line number, compiled statements, 255;
//   block->len is the line length.  Numbers strictly ascend; the list always
//   ends with the static end line (65000, END, 255), which is never freed.
//   ws.Cur_edit_blk / ws.Cur_line_no cache the last line found; null means
//   "search from the head".
// Image (ws.Pgm_image set, read only here): consecutive records of u16 BE
//   length L and L line bytes, the last one numbered 65000; ws.Label_tbl
//   holds a u32 BE record offset per label.
//
// A line unlinked while the program cursor is inside it (a running program
// that deletes or replaces its own line) is not freed at once: it waits on a
// private list until the cursor has left it, so the statement in progress
// never reads freed memory.
#include "core/hooks.h"
#include "core/line_store.h"

#include <cctype>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/codes.h"
#include "core/exec_command.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

struct End_line_store {
  Str_blk hdr;
  uint8_t bytes[4];
};
// Capacity 0 marks the block as locked: it is never released.
End_line_store end_line = {{nullptr, 0, 4}, {0xFD, 0xE8, code::D_END, code::EOL}};

// Unlinked lines still under the program cursor.  A retired line's link is
// null, so a cursor left on it (the statement that deleted or replaced its
// own line runs on) steps to the following line by number, never into the
// retired line itself.
std::vector<Str_blk*> retired;

bool holds(Str_blk* b, const uint8_t* p) {
  return p && p >= b->bytes() && p <= b->bytes() + b->len;
}

// A line is kept while the cursor is in it, and while a nested run (EXECUTE
// and the like) is in progress: the position that run puts back may lie in
// it.
bool cursor_in(Str_blk* b) {
  return Nested_run_depth > 0 || holds(b, ws.Exec_ptr) || holds(b, ws.Stmt_ptr);
}

void free_retired() {
  if (Nested_run_depth > 0) return;
  size_t kept = 0;
  for (Str_blk* b : retired) {
    if (cursor_in(b)) retired[kept++] = b;
    else Ret_str(b);
  }
  retired.resize(kept);
}

void release_line(Str_blk* b) {
  if (cursor_in(b)) {
    b->link = nullptr;
    retired.push_back(b);
  } else {
    Ret_str(b);
  }
}

inline uint16_t line_no(const Str_blk* b) { return get_u16be(b->bytes()); }

void invalidate_cursor() {
  ws.Cur_edit_blk = nullptr;
  ws.Cur_line_rec = nullptr;
  ws.Cur_line_no = 0;
}

void set_current(Str_blk* b) {
  ws.Cur_edit_blk = b;
  ws.Cur_line_rec = b->bytes();
  ws.Cur_line_no = line_no(b);
  ws.Str_ptr = b->bytes();
  ws.Str_len = int32_t(b->len);
}

// ---- image form ----
uint8_t* image_first() { return ws.Pgm_image; }
uint8_t* image_next(uint8_t* rec) { return rec + 2 + get_u16be(rec); }
uint16_t image_no(const uint8_t* rec) { return get_u16be(rec + 2); }
uint8_t* image_label(uint32_t idx) {
  uint32_t off = ws.Label_tbl ? get_u32be(ws.Label_tbl + 4 * size_t(idx)) : idx;
  return ws.Pgm_image + off;
}
void image_set_current(uint8_t* rec) {
  ws.Cur_edit_blk = nullptr;
  ws.Cur_line_rec = rec;
  ws.Cur_line_no = image_no(rec);
  ws.Str_ptr = rec + 2;
  ws.Str_len = get_u16be(rec);
}

// A loaded image is never written: a change first gives the program lines
// of its own.
void refuse_image() { Core_hook.image_own_lines(); }

void mark_changed() {
  ws.Pgm_flags |= PGM_CHANGED;
  ws.Pgm_flags &= ~4u;
}

// The stop point moves to the line that follows a deleted one.
void move_stop_point(Str_blk* next) {
  ws.Stop_stno = line_no(next);
  ws.Stop_ptr = next->bytes() + 2;
}

bool name_eq(const uint8_t* a, const uint8_t* b, int n) {
  for (int i = 0; i < n; i++)
    if (std::toupper(a[i]) != std::toupper(b[i])) return false;
  return true;
}

template <class T>
void grow_table(T*& tab, uint32_t used, uint32_t& cap, uint32_t by) {
  T* n = static_cast<T*>(Get_blk(sizeof(T) * (size_t(cap) + by)));
  if (!n) Rpt_error(err::MEMORY_LIMIT);
  if (tab) {
    std::memcpy(n, tab, sizeof(T) * used);
    Ret_blk(tab);
  }
  tab = n;
  cap += by;
}

constexpr uint32_t MAX_VAR_INDEX = 0x8000;  // 15-bit references

// Index of the variable (type, name) in the program's variable table,
// appending it when new.
uint32_t var_slot(uint8_t type, const uint8_t* name, int len) {
  if (ws.Names_id == 0) ws.Names_id = New_names_id();
  struct Mask_guard {
    uint32_t saved = ws.Var_mask;
    ~Mask_guard() { ws.Var_mask = saved; }
  } guard;
  ws.Var_mask = 0xFFFFFFFF;
  Var_bind_refused = Var_bind_shadow = false;
  Var_node* node = Find_var_name(type, name, len);
  if (Var_bind_shadow) node->flags |= VF_SHADOW;
  if ((node->flags & VF_WITH) || Var_bind_refused) node = nullptr;  // looked up at every use
  for (uint32_t i = 0; i < ws.Var_index_cnt; i++) {
    if (node && ws.Var_index[i] == node) return i;
    if (ws.Var_index[i] && ws.Var_index[i]->type != type) continue;
    const uint8_t* e = ws.Name_pool + ws.Name_index[i];
    if (e[0] == len && name_eq(e + 1, name, len)) {
      ws.Var_index[i] = node;
      Var_note_bind(ws.Var_index, i);
      return i;
    }
  }
  uint32_t idx = ws.Var_index_cnt;
  uint32_t off = ws.Name_pool_size;
  if (idx >= MAX_VAR_INDEX || off + 1 + uint32_t(len) > 0x10000) Rpt_error(err::MEMORY_LIMIT);
  if (ws.Name_cnt >= ws.Name_cap) grow_table(ws.Name_index, ws.Name_cnt, ws.Name_cap, 100);
  if (ws.Var_index_cnt >= ws.Var_index_cap)
    grow_table(ws.Var_index, ws.Var_index_cnt, ws.Var_index_cap, 100);
  while (off + 1 + uint32_t(len) > ws.Name_pool_cap)
    grow_table(ws.Name_pool, ws.Name_pool_size, ws.Name_pool_cap, 2000);
  ws.Name_pool[off] = uint8_t(len);
  std::memcpy(ws.Name_pool + off + 1, name, size_t(len));
  ws.Name_pool_size = off + 1 + uint32_t(len);
  ws.Name_index[idx] = uint16_t(off);
  ws.Var_index[idx] = node;
  Var_note_bind(ws.Var_index, idx);
  ws.Name_cnt = idx + 1;
  ws.Var_index_cnt = idx + 1;
  return idx;
}

// Inline label (code 10, length, name) at p matches the label at the start
// of line bytes l?
bool line_has_label(const uint8_t* l, size_t len, const uint8_t* label) {
  int n = label[1];
  return len >= size_t(n) + 4 && l[2] == code::LABEL && l[3] == n && name_eq(l + 4, label + 2, n);
}

uint16_t find_label_line(const uint8_t* label) {
  uint16_t from = ws.Cur_stno;
  if (ws.Pgm_image) {
    uint8_t* start = image_first();
    while (image_no(start) < from && image_no(start) < LAST_LINE_NO) start = image_next(start);
    for (int pass = 0; pass < 2; pass++) {
      uint8_t* r = pass == 0 ? start : image_first();
      for (; image_no(r) < LAST_LINE_NO; r = image_next(r)) {
        if (pass == 1 && r == start) break;
        if (line_has_label(r + 2, get_u16be(r), label)) return image_no(r);
      }
    }
  } else {
    Str_blk* start = Edit_head();
    while (line_no(start) < from && start->link) start = start->link;
    for (int pass = 0; pass < 2; pass++) {
      Str_blk* b = pass == 0 ? start : Edit_head();
      for (; b->link; b = b->link) {
        if (pass == 1 && b == start) break;
        if (line_has_label(b->bytes(), b->len, label)) return line_no(b);
      }
    }
  }
  Rpt_error(err::LABEL_NOT_FOUND);
}

}  // namespace

Str_blk* const End_line_blk = &end_line.hdr;

Pgm_text& Pgm_text_own() {
  if (!ws.Pgm_text_blk) {
    ws.Pgm_text_blk = static_cast<Pgm_text*>(Get_blk(sizeof(Pgm_text)));  // zero-filled
    if (!ws.Pgm_text_blk) Rpt_error(err::OUT_OF_MEMORY);
  }
  return *ws.Pgm_text_blk;
}

void Pgm_text_release() {
  if (ws.Pgm_text_blk) Ret_blk(ws.Pgm_text_blk);
  ws.Pgm_text_blk = nullptr;
}

uint32_t New_names_id() {
  static uint32_t serial = 0;
  serial = (serial + 1) & 0x7FFFFFFF;
  if (serial == 0) serial = 1;
  return 0x80000000u | serial;
}

Str_blk* Edit_head() {
  if (!ws.Edit_list) ws.Edit_list = Last_line();
  return ws.Edit_list;
}

std::string (*Dict_ref_name_hook)(uint32_t ref) = nullptr;

namespace {
// Names of data-dictionary references, length-prefixed, by reference.  The
// map's nodes never move, so the entries handed out stay valid until the
// dictionary changes.
std::unordered_map<uint32_t, std::string> dict_names;
}  // namespace

void Var_dict_names_changed() { dict_names.clear(); }

const uint8_t* Var_name_entry(uint32_t idx) {
  if (idx >= ws.Name_cnt || !ws.Name_index || !ws.Name_pool) return nullptr;
  const uint8_t* e = ws.Name_pool + ws.Name_index[idx];
  if (e[0] != 255 || !Dict_ref_name_hook) return e;
  // The name of an element of the data dictionary (255, 4-byte reference).
  uint32_t ref = get_u32be(e + 1);
  auto it = dict_names.find(ref);
  if (it == dict_names.end()) {
    std::string n = Dict_ref_name_hook(ref);
    if (n.empty() || n.size() > 127) Rpt_error_text(err::INTERNAL_CODE, "a data-dictionary name of this program is not a variable name");
    it = dict_names.emplace(ref, std::string(1, char(n.size())) + n).first;
  }
  return reinterpret_cast<const uint8_t*>(it->second.data());
}

const uint8_t* Code_end(const uint8_t* p) {
  if (ws.Pgm_image) {
    const uint8_t* r = ws.Cur_line_rec;
    if (r && p >= r + 2 && p < r + 2 + get_u16be(r)) return r + 2 + get_u16be(r);
    const uint8_t* image_end = ws.Pgm_image + ws.Pgm_size;
    if (p >= ws.Pgm_image && p < image_end) return image_end;
  } else if (const Str_blk* b = ws.Cur_edit_blk) {
    // A line of the edit list: lines converted from an image carry the
    // image's bytes.
    if (p >= b->bytes() && p < b->bytes() + b->len) return b->bytes() + b->len;
  }
  return p + 0x10000;
}

uint16_t Find_line(uint32_t n) {
  if (n & LINE_STMT_BIT) Rpt_error(err::BAD_LINE_REF);
  if (ws.Pgm_image) {
    uint8_t* r;
    if (n & LINE_LABEL_BIT) {
      r = image_label(n & 0xFFFF);
    } else {
      r = (ws.Cur_line_rec && n >= ws.Cur_line_no) ? ws.Cur_line_rec : image_first();
      while (image_no(r) < n && image_no(r) < LAST_LINE_NO) r = image_next(r);
    }
    image_set_current(r);
    return ws.Cur_line_no;
  }
  if (n & LINE_LABEL_BIT) Rpt_error(err::BAD_LINE_REF);  // an edit list has no label table
  // The cached line is a start only while it is still linked (a retired
  // line has no link; the end line has none either and is always linked).
  Str_blk* c = ws.Cur_edit_blk;
  Str_blk* b = (c && n >= ws.Cur_line_no && (c->link || c == End_line_blk)) ? c : Edit_head();
  while (line_no(b) < n && b->link) b = b->link;
  set_current(b);
  return ws.Cur_line_no;
}

uint16_t Next_line(uint16_t n) {
  if (n == ws.Cur_line_no && n < LAST_LINE_NO) {
    if (ws.Pgm_image && ws.Cur_line_rec) {
      image_set_current(image_next(ws.Cur_line_rec));
      return ws.Cur_line_no;
    }
    if (!ws.Pgm_image && ws.Cur_edit_blk && ws.Cur_edit_blk->link) {
      set_current(ws.Cur_edit_blk->link);
      return ws.Cur_line_no;
    }
  }
  return Find_line(uint32_t(n) + 1);
}

bool Line_stored(uint16_t n) {
  if (ws.Pgm_image) {
    uint8_t* r = image_first();
    while (image_no(r) < n && image_no(r) < LAST_LINE_NO) r = image_next(r);
    return image_no(r) == n;
  }
  Str_blk* b = Edit_head();
  while (line_no(b) < n && b->link) b = b->link;
  return line_no(b) == n;
}

uint16_t First_line() {
  if (ws.Pgm_image) {
    image_set_current(image_first());
  } else {
    set_current(Edit_head());
  }
  return ws.Cur_line_no;
}

void Convert_variables() {
  uint8_t* line = ws.Str_ptr;
  if (!line || ws.Str_len < 3) return;
  uint8_t* p = line + 2;
  uint8_t* end = line + ws.Str_len;
  while (p < end) {
    uint8_t c = *p;
    if (c == code::END_SCAN || c == code::EOL || c == code::D_REM || c == code::D_COMMENT ||
        c == code::D_TABLE)
      break;
    if (c == code::REC_VAR) {
      // A record's field keeps its name inline: its variable is named by
      // the record and the field together, not by the field's name alone.
      p += Item_size(p, end);
      if (p < end && (*p == code::NUM_VAR || *p == code::STR_VAR)) p += Item_size(p, end);
      continue;
    }
    if ((c == code::NUM_VAR || c == code::STR_VAR || c == code::OBJ_REF) && p + 1 < end && !(p[1] & 0x80)) {
      // An object reference names its handle, a numeric variable.
      int n = p[1];
      if (n < 1 || p + 2 + n > end) Rpt_error(err::INTERNAL_CODE);
      uint32_t idx = var_slot(c == code::OBJ_REF ? uint8_t(code::NUM_VAR) : c, p + 2, n);
      uint8_t* rest = p + 2 + n;
      p[1] = uint8_t(0x80 | (idx >> 8));
      p[2] = uint8_t(idx);
      std::memmove(p + 3, rest, size_t(end - rest));
      end -= n - 1;
      p += 3;
      continue;
    }
    p += Item_size(p, end);
  }
  ws.Str_len = int32_t(end - line);
}

int Add_line() {
  uint8_t* src = ws.Str_ptr;
  if (!src || ws.Str_len < 3 || src[ws.Str_len - 1] != code::EOL) Rpt_error(err::INTERNAL_CODE);
  uint16_t n = get_u16be(src);
  if (n == 0 || n >= LAST_LINE_NO) Rpt_error(err::LINE_NUMBER_RANGE);
  if (ws.Cur_stno == 0 && (ws.Pgm_flags & PGM_PROTECTED)) Rpt_error(err::PROTECTED);
  if (Ctl_line_in_use(n)) Rpt_error(err::LINE_IN_USE);  // a frame points into the line
  refuse_image();
  bool bare = ws.Str_len == 3;
  mark_changed();
  if (ws.Cmd_flags & CMD_AUTO) {
    if (bare && n == ws.Auto_line) {
      ws.Cmd_flags &= ~CMD_AUTO;
      ws.Auto_line = LAST_LINE_NO;
      return 1;
    }
    uint32_t next = uint32_t(n) + ws.Auto_step;
    ws.Auto_line = uint16_t(next > LAST_LINE_NO ? LAST_LINE_NO : next);
  }
  free_retired();
  invalidate_cursor();

  // Everything that can fail happens before the list is touched, so a
  // failing store never loses the line it would have replaced.
  Str_blk* fresh = nullptr;
  if (!bare) {
    Convert_variables();
    fresh = Get_str(size_t(ws.Str_len));
    if (!fresh) Rpt_error(err::MEMORY_LIMIT);
    std::memcpy(fresh->bytes(), ws.Str_ptr, size_t(ws.Str_len));
    fresh->len = uint32_t(ws.Str_len);
  }

  Str_blk** pp = &ws.Edit_list;
  Edit_head();
  while (line_no(*pp) < n) pp = &(*pp)->link;
  Str_blk* old = nullptr;
  if (line_no(*pp) == n) {
    old = *pp;
    *pp = old->link;
    ws.Pgm_size -= old->len + 4;
  }
  if (bare) {
    if (!old) return 0;
    if (ws.Stop_stno == n) move_stop_point(*pp);
    release_line(old);
    return 1;
  }
  fresh->link = *pp;
  *pp = fresh;
  ws.Pgm_size += fresh->len + 4;
  if (ws.Stop_stno == n) ws.Stop_ptr = fresh->bytes() + 2;
  ws.Last_entered = n;
  if (old) release_line(old);
  return 1;
}

int Delete_lines(uint16_t first, uint16_t last) {
  if (ws.Cur_stno == 0 && (ws.Pgm_flags & PGM_PROTECTED)) Rpt_error(err::PROTECTED);
  for (const Ctl_frame* f = ws.Ctl_stack; f; f = f->link)
    if ((f->resume.no >= first && f->resume.no <= last) || (f->origin_line >= first && f->origin_line <= last))
      Rpt_error(err::LINE_IN_USE);
  refuse_image();
  free_retired();
  invalidate_cursor();
  Str_blk** pp = &ws.Edit_list;
  Edit_head();
  while (line_no(*pp) < first) pp = &(*pp)->link;
  int count = 0;
  bool stop_gone = false;
  while (line_no(*pp) <= last && (*pp)->link) {
    Str_blk* b = *pp;
    *pp = b->link;
    if (ws.Stop_stno == line_no(b)) stop_gone = true;
    ws.Pgm_size -= b->len + 4;
    release_line(b);
    count++;
  }
  if (stop_gone) move_stop_point(*pp);
  if (count) mark_changed();
  return count;
}

void Clr_program() {
  // The frames go; the cache of spare frames stays for the next program.
  while (ws.Ctl_stack) Exec_unstack();
  ws.Ctl_depth = 0;
  if (ws.Pgm_image) {
    // The names belong to the loaded-program record; the variable table is
    // the context's own.
    if (ws.Var_index) Ret_blk(ws.Var_index);
    Prog_obj* rec = ws.Pgm_cache_ent;
    ws.Pgm_image = nullptr;
    ws.Label_tbl = nullptr;
    ws.Pgm_cache_ent = nullptr;
    if (rec) Core_hook.program_drop(rec);
  } else {
    if (ws.Name_index) Ret_blk(ws.Name_index);
    if (ws.Name_pool) Ret_blk(ws.Name_pool);
    if (ws.Var_index) Ret_blk(ws.Var_index);
  }
  ws.Name_index = nullptr;
  ws.Name_pool = nullptr;
  ws.Var_index = nullptr;
  ws.Names_id = 0;
  ws.Lit_pool = nullptr;
  ws.Name_cnt = ws.Name_cap = 0;
  ws.Var_index_cnt = ws.Var_index_cap = 0;
  ws.Name_pool_size = ws.Name_pool_cap = 0;
  ws.Pgm_size = 0;
  ws.Pgm_flags &= ~uint32_t(PGM_PROTECTED | PGM_CHANGED | PGM_ENCIPHERED);
  ws.Pgm_flags2 &= ~uint32_t(PGM2_NO_NUMBERS);
  Core_hook.path_unref(ws.Cur_pgm);
  ws.Cur_pgm = nullptr;
  ws.Pgm_attr = 0;
  ws.Var_mask_pgm = 0;
  if (ws.Pgm_name) Ret_str(ws.Pgm_name);
  ws.Pgm_name = nullptr;
  Pgm_text_release();
  Core_hook.functions_clear();

  // On a program line the cursor moves to the END of the end line, so no
  // line is under it any more and every line can go.
  if (ws.Cur_stno != 0) {
    ws.Exec_ptr = Last_line()->bytes() + 2;
    ws.Stmt_ptr = ws.Exec_ptr;
    ws.Cur_stno = LAST_LINE_NO;
  }
  Str_blk* b = Edit_head();
  while (b != Last_line()) {
    Str_blk* next = b->link;
    release_line(b);
    b = next;
  }
  ws.Edit_list = Last_line();
  free_retired();
  ws.Cur_edit_blk = nullptr;
  ws.Cur_line_rec = nullptr;
  ws.Cur_line_no = 65001;  // above every line: the next search starts at the head
  ws.Go_cache_ref = 0;
  ws.Stop_stno = 0;
  ws.Stop_ptr = nullptr;
  ws.Stop_stmt = nullptr;
  ws.Cmd_flags &= ~uint32_t(CMD_AUTO);
  ws.Auto_line = LAST_LINE_NO;
  ws.Last_entered = 0;
}

void Clr_lines() {
  if (ws.Call_link == Clr_watch_link) ++Programs_cleared;
  Console_breaks_clear();  // they name lines of the program that goes
  Clr_program();
  Clr_stack();
  Clr_variables();
}

uint32_t Get_line() {
  uint8_t* p = ws.Exec_ptr;
  switch (p[0]) {
    case code::LABEL_IDX:
    case code::LABEL_IDX2:
      ws.Exec_ptr = p + 3;
      return LINE_LABEL_BIT | get_u16be(p + 1);
    case code::LINE_REF:
      ws.Exec_ptr = p + 3;
      return get_u16be(p + 1);
    case code::OP_MUL:
      if (p[1] == code::EXT_DIR || p[1] == code::PREFIX2) {
        ws.Exec_ptr = p + 3;
        return LINE_STMT_BIT | (uint32_t(p[1]) << 8) | p[2];
      }
      ws.Exec_ptr = p + 2;
      return LINE_STMT_BIT | p[1];
    case code::LABEL: {
      if (p[1] & 0x80 || p[1] == 0) Rpt_error(err::LABEL_NOT_FOUND);
      uint16_t n = find_label_line(p);
      ws.Exec_ptr = p + 2 + p[1];
      return n;
    }
    default:
      Rpt_error(err::INTERNAL_CODE);
  }
}

uint16_t Get_stno() {
  uint32_t r = Get_line();
  if (r & LINE_STMT_BIT) Rpt_error(err::BAD_LINE_REF);
  if (r & LINE_LABEL_BIT) {
    if (!ws.Pgm_image) Rpt_error(err::BAD_LINE_REF);
    return image_no(image_label(r & 0xFFFF));
  }
  return uint16_t(r);
}

void Get_range(uint16_t& first, uint16_t& last) {
  first = 1;
  last = LAST_LINE_NO - 1;
  uint8_t c = *ws.Exec_ptr;
  if (Cde_tbl[c] & CC_STMT_END) return;
  if (Is_line_ref(c)) {
    first = Get_stno();
    last = first;
    c = *ws.Exec_ptr;
  }
  if (c == code::COMMA) {
    ws.Exec_ptr++;
    last = LAST_LINE_NO - 1;
    if (Is_line_ref(*ws.Exec_ptr)) last = Get_stno();
    if (last >= LAST_LINE_NO) last = LAST_LINE_NO - 1;
  }
  if (last < first) Rpt_error(err::BAD_LINE_RANGE);
}
