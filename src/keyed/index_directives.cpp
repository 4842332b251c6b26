// The directives of keyed files of both formats that work on keys and the
// file dictionary: the key rebuild (KEYED LOAD (ch[,KNO=k])), ADD INDEX,
// DROP INDEX, RENAME INDEX and DICT READ/WRITE/REMOVE.  The work is the
// engine's (index_maint.h, key_dict.h); here the operands are read, files
// opened, the progress shown and the key names of open channels kept.
#include "keyed/index_directives.h"
#include "keyed/key_layouts.h"

#include <strings.h>

#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <string>

#include "channels/channel.h"
#include "channels/io_options.h"
#include "channels/print.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"
#include "keyed/index_maint.h"
#include "keyed/key_dict.h"
#include "channels/field_convert.h"
#include "channels/io_list.h"
#include "channels/kdef.h"
#include "channels/open.h"
#include "channels/close.h"
#include "core/evaluator.h"
#include "core/variables.h"
#include "keyed/key_driver.h"
#include "keyed/keyed_file.h"
#include "core/console_device.h"
#include "terminal/terminal.h"

namespace {

std::string rebuild_path;  // the file being rebuilt (trace log lines)

bool at_console() { return ws.Cur_stno == 0; }

// Console output of the rebuild, shown when the statement was typed at the
// console: the percentage is rewritten in place ('CR' ... 'CL'; the line is
// cleared only where the console is a terminal).
void con_text(const std::string& s) { Con_write(s.data(), s.size()); }
void con_mnem(char a, char b) {
  Io_save_guard keep;
  ws.Cur_fcb = ws.Con_fcb;
  Output_mnem(Mnem_code(a, b));
}
void con_clear_line() {
  if (!ws.Con_fcb || !Console_is_terminal()) return;
  con_mnem('C', 'L');
}

void rep_clearing(int kno) {
  if (at_console()) con_text("Clearing existing keys\n");
  std::string t = "Rebuild key index " + std::to_string(kno) + " on " + rebuild_path;
  OruLogError(t.c_str());
}
void rep_percent(int pct) {
  if (!at_console()) return;
  char b[16];
  std::snprintf(b, sizeof b, "\r%02d%% loaded", pct);
  con_text(b);
  con_clear_line();
  Con_flush();
}
void rep_cleared(int pct, int seg) {
  if (!at_console() || !Console_is_terminal()) return;
  std::string t = "\rCleared keys from " + std::to_string(pct) + " percent of " +
                  (seg > 0 ? "segment " + std::to_string(seg) : std::string("file"));
  con_text(t);
  con_clear_line();
  Con_flush();
}
void rep_duplicate(int, int64_t ind) {
  std::string t = "Duplicate key found at index " + std::to_string(ind);
  if (at_console()) {
    con_text("\r");
    con_text(t);
    con_clear_line();
    con_text("\n");
  }
  OruLogError(t.c_str());
}
void rep_done(int kno, int64_t count) {
  std::string t = "Done - loaded key number " + std::to_string(kno) + " with " + std::to_string(count) + " keys";
  if (at_console()) {
    con_text("\r");
    con_text(t + "\n");
  }
  OruLogError(t.c_str());
}

void rep_missing_segment(int seg) {
  // Shown inside a program as well: records of the file are out of reach.
  std::string t = "** Missing SEGMENT " + std::to_string(seg) + " **";
  bool term = ws.Con_fcb && Console_is_terminal();
  if (term) con_mnem('F', '1');
  con_text(t);
  if (term) con_mnem('R', 'M');
  con_clear_line();
  con_text("\n");
  OruLogError(t.c_str());
}

Key_rebuild_report console_report() {
  Key_rebuild_report r;
  r.clearing = rep_clearing;
  r.percent = rep_percent;
  r.duplicate = rep_duplicate;
  r.done = rep_done;
  r.missing_segment = rep_missing_segment;
  r.cleared = rep_cleared;
  return r;
}

std::string path_of(Fcb* f) {
  return f->path && f->path->path ? std::string(f->path->path) : std::string();
}

}  // namespace

int64_t Key_rebuild_channel(Fcb* f, int kno) {
  Key_chan* kc = Key_chan_of(f);
  if (!kc) Rpt_error(err::WRONG_FILE_KIND);
  if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
  rebuild_path = path_of(f);
  if (prmblk.WD) ws.Run_flags |= RF_COMMIT;
  return Key_rebuild(kc, kno, console_report());
}

void Key_load_directive() {
  ws.Exec_ptr++;  // LOAD
  Io_SetOptions(code::D_LOAD);
  Fcb* f = ws.Cur_fcb;
  if (!Key_chan_of(f)) Rpt_error(err::WRONG_FILE_KIND);
  int kno = ws.Io_kno == KNO_PHYSICAL ? -1 : ws.Io_kno;
  Key_rebuild_channel(f, kno < 0 ? -1 : kno);
}

// ---- key names of open channels ----

void Key_refresh_names(Fcb* f) {
  Key_chan* kc = Key_chan_of(f);
  if (!kc) return;
  auto** list = reinterpret_cast<Kname_node**>(&f->key_names);
  std::vector<std::string> names = Kdct_key_names(kc);
  Kname_free(list);
  for (size_t k = 0; k < names.size(); ++k)
    if (!names[k].empty())
      Kname_link(list, int32_t(k), reinterpret_cast<const uint8_t*>(names[k].data()), int32_t(names[k].size()));
  f->high_key = uint8_t(Key_count_keys(kc) - 1);
}

void Key_names_changed(Fcb* changed) {
  Key_chan* kc = Key_chan_of(changed);
  for (Fcb* f = ws.Fcb_list; f; f = f->next) {
    Key_chan* o = Key_chan_of(f);
    if (o && Key_same_file(o, kc)) Key_refresh_names(f);
  }
}

// ---- DICT READ / WRITE / REMOVE ----

namespace {

void dict_read(Key_chan* kc, int pos) {
  std::vector<uint8_t> item;
  try {
    item = Kdct_read(kc, pos);
  } catch (const Oru_error& e) {
    if (e.no == err::MISSING_RECORD) Io_dom_err();
    throw;
  }
  std::vector<std::string> fields = Kdct_fields(item.data(), item.size());
  size_t i = 0;
  for (;;) {
    uint8_t c = Io_next();
    if (c == code::EOL) break;
    if (c != code::STR_VAR && c != code::NUM_VAR && c != code::REC_VAR) Rpt_error(err::BAD_IOLIST_ITEM);
    Get_value();
    Check_assignable(ws.Cur_var);
    Let_target t;
    Let_define(t);
    std::string v = i < fields.size() ? fields[i] : std::string();
    ++i;
    ws.Str_ptr = reinterpret_cast<uint8_t*>(v.data());
    ws.Str_len = int32_t(v.size());
    if (t.str_len < 0) {
      Conv_str();
      Let_store_num(t);
    } else {
      Let_assign(t);
    }
  }
}

void dict_write(Fcb* f, Key_chan* kc, int pos) {
  if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
  std::vector<std::string> fields;
  for (;;) {
    uint8_t c = Io_next();
    if (c == code::EOL) break;
    Eval_formula();
    if (ws.Str_len < 0) Conv_val();
    fields.emplace_back(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    Key_layout_field(fields.back());
    if (fields.back().size() > 32767) Rpt_error(err::RECORD_TOO_LONG);
  }
  std::string d = Kdct_encode(fields);
  Kdct_write(kc, pos, std::vector<uint8_t>(d.begin(), d.end()));
  // A key name: the key's descriptor (EFF) and every open channel follow.
  if (fields.size() >= 2 && fields[0].size() == 6 && strncasecmp(fields[0].c_str(), "KEY", 3) == 0) {
    int k = 0;
    bool digits = true;
    for (int j = 3; j < 6; ++j) {
      char ch = fields[0][size_t(j)];
      digits = digits && ch >= '0' && ch <= '9';
      k = k * 10 + (ch - '0');
    }
    if (digits && k < Key_count_keys(kc) && !fields[1].empty()) Key_rename_index(kc, k, fields[1]);
  }
  Key_names_changed(f);
}

}  // namespace

void d_dict() {
  ws.Stmt_save = ws.Exec_ptr;
  uint8_t sub = *ws.Exec_ptr;
  if (sub == code::D_LOAD) {
    ws.Exec_ptr++;
    Dict_load_directive();
    return;
  }
  if (sub != code::D_READ && sub != code::D_WRITE && sub != code::D_REMOVE) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  Io_SetOptions(code::D_DICT);
  Fcb* f = ws.Cur_fcb;
  Key_chan* kc = Key_chan_of(f);
  if (!kc) Rpt_error(err::WRONG_MODE);
  int pos = (ws.Io_opts & IO_IND) ? ws.Io_ind : 0;
  if (sub == code::D_READ) {
    dict_read(kc, pos);
  } else if (sub == code::D_WRITE) {
    dict_write(f, kc, pos);
  } else {
    if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
    try {
      Kdct_remove(kc, pos);
    } catch (const Oru_error& e) {
      if (e.no == err::MISSING_RECORD) Io_dom_err();
      throw;
    }
    Key_names_changed(f);
  }
}


// ---- ADD INDEX, DROP INDEX, RENAME INDEX ----

namespace {

constexpr uint16_t INDEX_CHANNEL = 65001;

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return s;
}

// The name of a plain numeric variable item at p (inline or by its index
// in the name table), or "".
std::string var_name(const uint8_t* p) {
  if (p[0] != code::NUM_VAR) return "";
  if (p[1] & 0x80) {
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    const uint8_t* nm = Var_name_entry(idx);
    if (!nm) return "";
    return std::string(reinterpret_cast<const char*>(nm + 1), nm[0]);
  }
  return std::string(reinterpret_cast<const char*>(p + 2), p[1]);
}
// Bytes of that item.
int var_size(const uint8_t* p) { return (p[1] & 0x80) ? 3 : 2 + p[1]; }

void expect(uint8_t c) {
  if (*ws.Exec_ptr != c) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
}

std::string eval_text() {
  Eval_str();
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

// ON "file" [,ERR=line] at the end of ADD and DROP INDEX.
std::string file_operand() {
  if (*ws.Exec_ptr == code::D_ON) ws.Exec_ptr++;
  std::string name = eval_text();
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
  return name;
}

// The keyed file named, on an internal channel of its own, held whole (no
// other channel of any process may have it open): the key table changes
// under nobody.  Closed when the statement ends, whatever happens.
class Index_file {
 public:
  explicit Index_file(const std::string& name) {
    Io_save_guard io;
    if (Find_fp(INDEX_CHANNEL)) Rpt_error(err::CHANNEL_STATE);
    f_ = Open_internal(INDEX_CHANNEL, name, IO_EXCLUSIVE);
    if (!Key_chan_of(f_)) {
      close();
      Rpt_error(err::WRONG_FILE_KIND);
    }
    if (f_->st1 & ST1_INPUT_ONLY) {
      close();
      Rpt_error(err::WRONG_MODE);
    }
  }
  ~Index_file() {
    try {
      close();
    } catch (const Oru_error&) {
    }
  }
  Fcb* fcb() const { return f_; }
  Key_chan* kc() const { return Key_chan_of(f_); }
  void close() {
    if (!f_) return;
    Fcb* f = f_;
    f_ = nullptr;
    Io_save_guard io;
    CloseFile(f);
  }
  Index_file(const Index_file&) = delete;
  Index_file& operator=(const Index_file&) = delete;

 private:
  Fcb* f_ = nullptr;
};

// A key number or name on the channel f (names case-blind).
int key_of(Fcb* f, bool numeric, int64_t number, const std::string& name) {
  int k;
  if (numeric) {
    if (number < 0 || number > 254) Rpt_error(err::KEY_DEFINITION);
    k = int(number);
  } else {
    Io_save_guard io;
    ws.Cur_fcb = f;
    k = GetKNOValueFromString(reinterpret_cast<const uint8_t*>(name.data()), int32_t(name.size()));
  }
  if (k < 0 || k > f->high_key) Rpt_error(err::KEY_DEFINITION);
  return k;
}

}  // namespace

bool Index_word_at(const uint8_t* p) {
  std::string n = var_name(p);
  if (upper(n) != "INDEX") return false;
  uint8_t next = p[var_size(p)];
  return next != code::END_SCAN && !(Cde_tbl[next] & CC_STMT_END) && next != code::OP_EQ &&
         next != code::ASSIGN_OP && next != code::COMMA;
}

void Add_index_directive() {
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();
  // [["name":]field:offset:length[:"options"]]+[...]
  std::vector<Key_new_seg> segs;
  std::string key_name;
  expect(code::LBRACKET);
  for (;;) {
    Key_new_seg s;
    if (*ws.Exec_ptr == code::STR_LIT || *ws.Exec_ptr == code::STR_VAR || *ws.Exec_ptr == code::HEX_LIT) {
      std::string n = eval_text();
      if (!n.empty() && n[0] == '#') Rpt_error(err::KEY_DEFINITION);
      if (n.size() > 127) Rpt_error(err::KEY_DEFINITION);
      if (!n.empty()) key_name = n;
      expect(code::COLON);
    }
    if (upper(var_name(ws.Exec_ptr)) == "KEY") {
      ws.Exec_ptr += var_size(ws.Exec_ptr);
      s.field = 255;
    } else {
      s.field = Eval_integer();
      if (s.field < 0 || s.field > 254) Rpt_error(err::KEY_DEFINITION);
    }
    expect(code::COLON);
    s.offset = Eval_integer() - 1;
    expect(code::COLON);
    s.length = Eval_integer();
    if (*ws.Exec_ptr == code::COLON) {
      ws.Exec_ptr++;
      std::string opts = eval_text();
      int32_t pos = 0;
      uint8_t opt_byte = 0;
      uint16_t w = GetKeyedSegOpts(reinterpret_cast<const uint8_t*>(opts.data()), int32_t(opts.size()), &pos,
                                   &opt_byte, 1, s.length, s.field, 80);
      s.descending = (w & KSF_D) != 0;
      s.flags = uint16_t(w & ~KSF_D);
      s.fill = opt_byte;
    }
    expect(code::RBRACKET);
    segs.push_back(s);
    if (segs.size() > 64) Rpt_error(err::KEY_DEFINITION);
    if (ws.Exec_ptr[0] == code::OP_ADD && ws.Exec_ptr[1] == code::LBRACKET) {
      ws.Exec_ptr += 2;
      continue;
    }
    break;
  }
  std::string file = file_operand();
  Index_file ix(file);
  Fcb* f = ix.fcb();
  if (!key_name.empty() && Kname_taken(static_cast<const Kname_node*>(f->key_names), key_name.data(), key_name.size()))
    Rpt_error(err::KEY_DEFINITION);
  int k = Key_add_index(ix.kc(), segs);
  if (!key_name.empty()) {
    Key_rename_index(ix.kc(), k, key_name);
    Kdct_KNODefine(ix.kc(), k, key_name);
  }
  Key_names_changed(f);
  rebuild_path = path_of(f);
  Key_rebuild(ix.kc(), k, console_report());
}

void Drop_index_directive() {
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();
  ws.Exec_ptr += var_size(ws.Exec_ptr);  // INDEX
  Eval_formula();
  bool numeric = ws.Str_len < 0;
  int64_t number = numeric ? To_integer(ws.Num_acc) : 0;
  std::string name = numeric ? std::string() : std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  std::string file = file_operand();
  Index_file ix(file);
  Fcb* f = ix.fcb();
  int k = key_of(f, numeric, number, name);
  if (k == 0) Rpt_error(err::KEY_DEFINITION);
  Key_drop_index(ix.kc(), k);
  Kdct_names_down(ix.kc(), k);
  Key_names_changed(f);
}

void Rename_index_directive() {
  ws.Exec_ptr += var_size(ws.Exec_ptr);  // INDEX
  std::string file = eval_text();
  expect(code::COMMA);
  Eval_formula();
  bool numeric = ws.Str_len < 0;
  int64_t number = numeric ? To_integer(ws.Num_acc) : 0;
  std::string name = numeric ? std::string() : std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  expect(code::COMMA);
  std::string new_name = eval_text();
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
  if (!new_name.empty() && new_name[0] == '#') Rpt_error(err::KEY_DEFINITION);
  if (new_name.size() > 127) Rpt_error(err::KEY_DEFINITION);
  while (!file.empty() && file.back() == ' ') file.pop_back();
  if (file.empty()) Rpt_error(err::BAD_FILE_NAME);
  Index_file ix(file);
  Fcb* f = ix.fcb();
  int k = key_of(f, numeric, number, name);
  auto* names = static_cast<const Kname_node*>(f->key_names);
  if (!new_name.empty() && Kname_taken(names, new_name.data(), new_name.size())) {
    auto* own = Kname_find(names, k);
    if (!own || own->len != new_name.size() || strncasecmp(own->name, new_name.data(), new_name.size()) != 0)
      Rpt_error(err::KEY_DEFINITION);
  }
  Key_rename_index(ix.kc(), k, new_name);
  Kdct_KNODefine(ix.kc(), k, new_name);
  Key_names_changed(f);
}

void Key_name_new_file(const std::string& path, const std::vector<std::pair<int, std::string>>& names) {
  Key_open_opts o;
  o.nolock = true;  // made a moment ago: nobody else has it yet
  Key_chan* kc = nullptr;
  try {
    kc = Key_open(path, o);
    for (const auto& [k, name] : names) {
      Key_rename_index(kc, k, name);
      Kdct_KNODefine(kc, k, name);
    }
    Key_chan* c = kc;
    kc = nullptr;
    Key_close(c);
  } catch (...) {
    if (kc) {
      try {
        Key_close(kc);
      } catch (const Oru_error&) {
      }
    }
    ::unlink(path.c_str());
    throw;
  }
}
