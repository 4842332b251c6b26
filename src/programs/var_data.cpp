// Variable-data files (format in var_data.h) and the loaded data sets.
//
// A loaded data set owns one balanced name tree per type of ordinary
// variable nodes.  The sets form a list of links, newest first; loading a
// file that is loaded already pushes another link to the same trees (one
// reference each), so that each DROP DATA takes back one LOAD DATA.  While
// the list is not empty the variable lookup asks it first (Var_lookup_hook), so a
// loaded variable wins over the program's own and global variables.  Each
// set remembers the call level that loaded it: clearing the variables of a
// level drops the sets of that level and deeper.  Loading or dropping a set
// forgets every compiled reference's cached node, on every call level, so
// no cached pointer outlives its node.
#include "programs/var_data.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/file_create.h"
#include "channels/io_list.h"
#include "channels/io_options.h"
#include "channels/kdef.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/process_config.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/arguments.h"
#include "programs/call_frame.h"
#include "programs/load_channel.h"
#include "programs/objects.h"
#include "programs/program_file.h"

// A link of the list of loaded data sets: the trees are shared by every
// link of the same file (refs counts them).
struct Data_set {
  Data_set* next = nullptr;
  std::string name;  // as the program gave it
  std::string path;  // resolved
  Var_node* num = nullptr;
  Var_node* str = nullptr;
  int* refs = nullptr;  // links to these trees
  int level = 0;  // call depth of the LOAD DATA
};
Data_set* LoadData_sets = nullptr;

namespace {

constexpr size_t VDF_HDR = 256;
constexpr uint32_t VDF_SHORT_LIMIT = 65409;  // from here on offset 8 holds 0
constexpr uint32_t VDF_STR_MAX = 32767;      // read back as a signed 16-bit length
constexpr int VDF_NAME_MAX = 255;           // the record's one-byte name length
constexpr int64_t MANT48_LIMIT = int64_t(1) << 47;

// The list's head is LoadData_sets (read in line by LoadData_any).
Data_set*& sets = LoadData_sets;

// Every compiled reference resolves its variable again.
void forget_all_indexes() {
  auto clear = [](Var_node** idx, uint32_t n) {
    if (idx)
      for (uint32_t i = 0; i < n; i++) idx[i] = nullptr;
  };
  clear(ws.Var_index, ws.Var_index_cnt);
  for (Call_frame* f = ws.Call_link; f; f = f->Call_link) clear(f->Var_index, f->Var_index_cnt);
  ws.Cur_var = nullptr;
  ws.Cur_val = nullptr;
}

// Whether v is a node of the set's trees.
bool in_set(const Var_node* v, const void* ctx) {
  auto* d = static_cast<const Data_set*>(ctx);
  auto* name = reinterpret_cast<const uint8_t*>(v->name);
  return Var_tree_find(d->num, name, v->name_len) == v || Var_tree_find(d->str, name, v->name_len) == v;
}

// The last link's trees go with their variables; an argument passed by
// reference from one of them (a caller's) or to one (a called program's
// ENTER) sends nothing back at its return, and no loop counts in them.
void free_set(Data_set* d) {
  if (--*d->refs == 0) {
    Args_unbind_nodes(in_set, d);
    Ctl_loops_detach(ws.Ctl_stack, in_set, d);
    for (Call_frame* f = ws.Call_link; f; f = f->Call_link) Ctl_loops_detach(f->Ctl_stack, in_set, d);
    Clr_tree(d->num);
    Clr_tree(d->str);
    delete d->refs;
  }
  delete d;
}

// The name operand and ERR=, the name prepared for the search.
std::string name_operand() {
  ws.Stmt_save = ws.Exec_ptr;  // an ERR= after the operands takes their errors too
  Eval_str();
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
  return name;
}

void read_err_option() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ws.Exec_ptr++;
  Chk_err();
}

// False when the file ends first; a failed read is a system error.
bool read_full(int fd, uint8_t* buf, size_t n, off_t at) {
  int64_t got = Pread_all(fd, buf, n, at);
  if (got < 0) Sys_error();
  return got == int64_t(n);
}

void write_full(int fd, const uint8_t* buf, size_t n, off_t at) {
  if (!Pwrite_all(fd, buf, n, at)) Sys_error();
}

// One variable's record.
void put_record(std::vector<uint8_t>& out, const Var_node* n) {
  out.push_back(n->type);
  out.push_back(n->name_len);
  out.insert(out.end(), n->name, n->name + n->name_len);
  if (n->type == code::NUM_VAR) {
    Num_val v = n->num;
    // The mantissa must fit 48 bits: decimal places go, one at a time.
    while (v.mant >= MANT48_LIMIT || v.mant < -MANT48_LIMIT) Set_scl(v, v.scale - 1, 0);
    if (v.mant == 0) v.scale = 0;
    out.push_back(uint8_t(v.scale));
    uint8_t b[6];
    put_u48be(b, uint64_t(v.mant) & 0xFFFFFFFFFFFFull);
    out.insert(out.end(), b, b + 6);
  } else {
    uint32_t len = n->str ? n->str->len : 0;
    out.push_back(uint8_t(len >> 8));
    out.push_back(uint8_t(len));
    if (len) out.insert(out.end(), n->str->bytes(), n->str->bytes() + len);
  }
}

void check_saveable(const Var_node* n) {
  // The record keeps the name's length in one byte: a field variable named
  // after a long record and a long field may pass it.
  if (n->name_len > VDF_NAME_MAX)
    Rpt_error_text(err::STRING_LENGTH, std::string("SAVE DATA: the name ") + std::string(n->name, n->name_len) +
                                           " is longer than 255 bytes");
  if (n->type == code::STR_VAR && n->str && n->str->len > VDF_STR_MAX)
    Rpt_error_text(err::STRING_LENGTH, std::string("SAVE DATA: the value of ") + n->name + " is longer than 32767 bytes");
}

void walk_tree(Var_node* n, std::vector<const Var_node*>& out) {
  while (n) {
    walk_tree(n->left, out);
    if (!Is_array(n) && !(n->flags & VF_RECORD)) out.push_back(n);
    n = n->right;
  }
}

// LOAD DATA's builder: the records of one type in name order.
struct Builder {
  std::vector<Var_node*> num, str;
};

void add_record(const Vdf_record& r, void* ctx) {
  auto* b = static_cast<Builder*>(ctx);
  if (r.kind != code::NUM_VAR && r.kind != code::STR_VAR) return;
  Var_node* n = Var_node_new(r.kind, r.name, r.name_len);
  n->flags |= VF_ASSIGNED;
  if (r.kind == code::NUM_VAR) {
    n->num.mant = r.mant;
    n->num.scale = r.scale;
    b->num.push_back(n);
  } else {
    b->str.push_back(n);  // owned by the list before anything else can fail
    if (r.str_len) {
      n->str = Get_str(r.str_len);
      std::memcpy(n->str->bytes(), r.str, r.str_len);
      n->str->len = r.str_len;
    }
  }
}

bool node_less(const Var_node* a, const Var_node* b) {
  return Var_name_cmp(reinterpret_cast<const uint8_t*>(a->name), a->name_len, b->name, b->name_len) < 0;
}

// A sorted list with a name twice keeps the later record.
Var_node* tree_of_list(std::vector<Var_node*>& v) {
  std::stable_sort(v.begin(), v.end(), node_less);
  std::vector<Var_node*> uniq;
  for (Var_node* n : v) {
    if (!uniq.empty() && !node_less(uniq.back(), n)) {
      Var_node* old = uniq.back();
      uniq.back() = n;
      Clr_tree(old);
      continue;
    }
    uniq.push_back(n);
  }
  for (Var_node* n : uniq) n->left = n->right = nullptr;
  return Var_tree_build(uniq.data(), uniq.size());
}

// The two name trees of a file's records; false (nothing kept) when a
// record is damaged.
bool build_trees(const uint8_t* data, size_t len, Var_node** num, Var_node** str) {
  Builder b;
  bool ok;
  try {
    ok = Vdf_parse(data, len, add_record, &b);
  } catch (...) {
    for (Var_node* n : b.num) Clr_tree(n);
    for (Var_node* n : b.str) Clr_tree(n);
    throw;
  }
  if (!ok) {
    for (Var_node* n : b.num) Clr_tree(n);
    for (Var_node* n : b.str) Clr_tree(n);
    return false;
  }
  *num = tree_of_list(b.num);
  *str = tree_of_list(b.str);
  return true;
}

Var_node* hook(uint8_t type, const uint8_t* name, int len) { return Oop_var_lookup(type, name, len); }

}  // namespace

Var_node* LoadData_find(uint8_t type, const uint8_t* name, int len) {
  for (Data_set* d = sets; d; d = d->next)
    if (Var_node* n = Var_tree_find(type == code::STR_VAR ? d->str : d->num, name, len)) return n;
  return nullptr;
}

int64_t Vdf_data_length(const uint8_t* h) {
  if (std::memcmp(h + 4, "vdf]", 4) != 0) return -1;
  if (std::memcmp(h, "[Oru", 4) != 0 && std::memcmp(h, "[Yod", 4) != 0 && std::memcmp(h, "[Kiv", 4) != 0 &&
      std::memcmp(h, Oru_file_id, 4) != 0)
    return -1;
  uint16_t short_len = get_u16be(h + 8);
  return short_len ? int64_t(short_len) : int64_t(get_u32be(h + 96));
}

bool Vdf_parse(const uint8_t* data, size_t len, void (*add)(const Vdf_record&, void*), void* ctx) {
  size_t p = 0;
  while (p < len) {
    if (len - p < 2) return false;
    Vdf_record r{};
    r.kind = data[p];
    r.name_len = data[p + 1];
    p += 2;
    if (r.name_len < 1 || size_t(r.name_len) > len - p) return false;
    r.name = data + p;
    for (int i = 0; i < r.name_len; i++)
      if (r.name[i] < ' ' || r.name[i] >= 127) return false;
    p += size_t(r.name_len);
    if (r.kind == code::NUM_VAR) {
      if (len - p < 7) return false;
      r.scale = int8_t(data[p]);
      uint64_t m = get_u48be(data + p + 1);
      r.mant = (m & 0x800000000000ull) ? int64_t(m | 0xFFFF000000000000ull) : int64_t(m);
      p += 7;
    } else if (r.kind == code::STR_VAR) {
      if (len - p < 2) return false;
      r.str_len = get_u16be(data + p);
      p += 2;
      if (r.str_len > VDF_STR_MAX || r.str_len > len - p) return false;
      r.str = data + p;
      p += r.str_len;
    } else {
      return false;  // a kind we cannot size: the rest cannot be trusted
    }
    if (add) add(r, ctx);
  }
  return true;
}

// An IOLIST reference in SAVE DATA's list: a line (compiled as a number),
// a label, or a string holding a compiled list.
const uint8_t* list_reference() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::NUM_LIT || c == code::SMALL_INT) {
    int64_t n = Eval_integer();
    if (n < 1 || n >= LAST_LINE_NO) Rpt_error(err::BAD_LINE_REF);
    return Iol_items_at_line(uint16_t(n));
  }
  return Check_iol();
}

// The variables of an IOLIST reference's items (IOL= in the list), nested
// references followed.
void list_items(const uint8_t* items, std::vector<const Var_node*>& list, int depth) {
  if (depth > 16) Rpt_error_text(err::BAD_IOLIST_ITEM, "SAVE DATA: IOLIST references nested too deep");
  Exec_cursor_guard cursor;
  ws.Exec_ptr = const_cast<uint8_t*>(items);
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (Cde_tbl[c] & CC_STMT_END) return;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
      continue;
    }
    if (c == iopt::EXT && ws.Exec_ptr[1] == iopt::X_IOL) {
      ws.Exec_ptr += 2;
      list_items(list_reference(), list, depth + 1);
      continue;
    }
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::BAD_IOLIST_ITEM);
    list.push_back(Find_var());
  }
}

// SAVE DATA "file" [, var | IOL=ref ...] [, ERR=line]
void SaveData() {
  std::string name = name_operand();
  std::vector<const Var_node*> list;
  bool listed = false;
  while (*ws.Exec_ptr == code::COMMA) {
    if (ws.Exec_ptr[1] == code::IOPT_FIRST + 4) {
      read_err_option();
      continue;
    }
    ws.Exec_ptr++;
    uint8_t c = *ws.Exec_ptr;
    listed = true;
    if (c == iopt::EXT && ws.Exec_ptr[1] == iopt::X_IOL) {
      ws.Exec_ptr += 2;
      list_items(list_reference(), list, 0);
      continue;
    }
    if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::BAD_IOLIST_ITEM);
    list.push_back(Find_var());
  }
  if (!listed) {
    walk_tree(ws.Loc_num_tree, list);
    walk_tree(ws.Loc_str_tree, list);
  }
  for (const Var_node* n : list) check_saveable(n);
  std::vector<uint8_t> out;
  for (const Var_node* n : list) put_record(out, n);

  Scratch_guard chan;
  bool made;
  chan.f = Open_scratch_made(name, FK_VARDATA, -1, &made);
  if (chan.f->kind != FK_VARDATA) Rpt_error(err::WRONG_FILE_KIND);
  int fd = chan.f->fd;
  uint8_t h[VDF_HDR];
  Prg_fresh_header(h, false);
  uint32_t len = uint32_t(out.size());
  put_u16be(h + 8, len >= VDF_SHORT_LIMIT ? 0 : uint16_t(len));
  put_u32be(h + 96, len);
  if (ftruncate(fd, off_t(VDF_HDR)) != 0) Sys_error();
  if (!out.empty()) write_full(fd, out.data(), out.size(), off_t(VDF_HDR));
  write_full(fd, h, VDF_HDR, 0);
}

// LOAD DATA "file" [, ERR=line]
void Exec_LoadData() {
  std::string name = name_operand();
  read_err_option();
  int level = Call_depth();
  for (Data_set* d = sets; d; d = d->next) {
    if (d->name != name) continue;
    // Loaded already: another link to the same trees, not read again.
    auto* l = new Data_set(*d);
    ++*l->refs;
    l->level = level;
    l->next = sets;
    sets = l;
    forget_all_indexes();
    return;
  }
  Scratch_guard chan;
  chan.f = Open_scratch(name, false);
  if (chan.f->kind != FK_VARDATA) Rpt_error(err::WRONG_FILE_KIND);
  int fd = chan.f->fd;
  uint8_t h[VDF_HDR];
  if (!read_full(fd, h, VDF_HDR, 0)) Rpt_error(err::WRONG_FILE_KIND);
  int64_t len = Vdf_data_length(h);
  int64_t file_len = filelength(fd);
  if (len < 0 || file_len < 0 || len > file_len - int64_t(VDF_HDR)) Rpt_error(err::WRONG_FILE_KIND);
  std::vector<uint8_t> data;
  data.resize(size_t(len));
  if (len && !read_full(fd, data.data(), size_t(len), off_t(VDF_HDR))) Rpt_error(err::WRONG_FILE_KIND);
  Var_node* num = nullptr;
  Var_node* str = nullptr;
  if (!build_trees(data.data(), data.size(), &num, &str))
    Rpt_error_text(err::WRONG_FILE_KIND, "LOAD DATA: damaged variable record in " + name);
  auto* d = new Data_set;
  d->refs = new int(1);
  d->name = name;
  d->path = chan.f->path && chan.f->path->path ? chan.f->path->path : name;
  d->num = num;
  d->str = str;
  d->level = level;
  d->next = sets;
  sets = d;
  Var_lookup_hook = hook;
  forget_all_indexes();
}

// DROP DATA "file" [, ERR=line]
void Drop_LoadData() {
  std::string name = name_operand();
  read_err_option();
  for (Data_set** link = &sets; *link; link = &(*link)->next) {
    Data_set* d = *link;
    if (d->name != name) continue;
    *link = d->next;
    forget_all_indexes();
    free_set(d);
    Oop_hook_update();
    return;
  }
  Rpt_error(err::WRONG_FILE_KIND);
}

void LoadData_dropall() {
  if (!sets) return;
  int level = Call_depth();
  bool any = false;
  for (Data_set** link = &sets; *link;) {
    Data_set* d = *link;
    if (d->level < level) {
      link = &d->next;
      continue;
    }
    *link = d->next;
    free_set(d);
    any = true;
  }
  if (any) {
    forget_all_indexes();
    Oop_hook_update();
  }
}

void LoadData_clear() {
  while (sets) {
    Data_set* d = sets;
    sets = d->next;
    free_set(d);
  }
  Oop_hook_update();
}

int Vdf_load_bytes(const uint8_t* file, size_t size) {
  if (size < VDF_HDR) return -1;
  int64_t len = Vdf_data_length(file);
  if (len < 0 || uint64_t(len) > size - VDF_HDR) return -1;
  Var_node* num = nullptr;
  Var_node* str = nullptr;
  if (!build_trees(file + VDF_HDR, size_t(len), &num, &str)) return -1;
  int count = 0;
  for (Var_node* t : {num, str}) {
    std::vector<Var_node*> stack;
    for (Var_node* n = t; n || !stack.empty();) {
      if (n) {
        stack.push_back(n);
        n = n->left;
      } else {
        n = stack.back();
        stack.pop_back();
        count++;
        n = n->right;
      }
    }
  }
  Clr_tree(num);
  Clr_tree(str);
  return count;
}

void LoadData_each(void (*fn)(const std::string&, const std::string&, Var_node*, Var_node*, void*), void* ctx) {
  for (Data_set* d = sets; d; d = d->next) fn(d->name, d->path, d->num, d->str, ctx);
}
