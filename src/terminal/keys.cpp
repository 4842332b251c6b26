// Function-key tables, pre-input, SETCTL and DEFCTL.
//
// 'FL' and 'EL' install Mnem_FL_fnc as the channel's output hook: what the
// program prints next is an operation digit and its operands (bytes), which
// the hook takes one by one:
//   '0' n            delete key n's records
//   '1'              delete every record of the kind
//   '2' n len bytes  define key n
//   '3' count, then count times: n len bytes (a count of 0 ends at once)
//   '4' n            queue as pre-input key n's length byte and bytes
//   '5'              queue the number of keys, then each n, len, bytes
//   '6' n            queue the length and bytes of key n in the channel's
//                    'FL'/'EL' definition (records n len bytes after its
//                    first byte); a single 0 when absent
//   '7'              queue the bytes of that definition
//   '8' n            as '4' without the length byte
//   '9' len bytes    queue the bytes
// The hook is removed when the operation is complete.
#include <cstring>
#include <string>
#include <vector>

#include "channels/print.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "terminal/command_window.h"
#include "terminal/tc_channel.h"
#include "terminal/tc_objects.h"
#include "terminal/gui_objctl.h"
#include "terminal/editor_keys.h"
#include "terminal/terminal.h"

namespace {

inline bool ends_statement(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

int16_t key_ctl(uint8_t kind, uint8_t num) {
  static const int16_t e_codes[10] = {-1004, -1005, -1011, -1012, -1010, -1018, -1013, -1014, -1009, -1007};
  if (kind == 'F') return int16_t(num + 1);
  if (num <= 9) return e_codes[num];
  return int16_t(-int32_t(num) - 3000);
}

void drop_keys(Dev_fcb* d, uint8_t kind, int num) {
  Key_rec** at = &d->win.keys;
  while (*at) {
    Key_rec* k = *at;
    if (k->kind == kind && (num < 0 || k->num == num)) {
      *at = k->next;
      Ret_blk(k);
    } else {
      at = &k->next;
    }
  }
}

void add_key(Dev_fcb* d, uint8_t kind, uint8_t num, const uint8_t* p, uint8_t len) {
  if (len == 0) return;
  Key_rec* k = static_cast<Key_rec*>(Get_blk(sizeof(Key_rec) + len));
  k->kind = kind;
  k->num = num;
  k->len = len;
  k->ctl = key_ctl(kind, num);
  std::memcpy(k->bytes, p, len);
  k->next = d->win.keys;
  d->win.keys = k;
}

const Key_rec* find_key(Dev_fcb* d, uint8_t kind, uint8_t num) {
  for (const Key_rec* k = d->win.keys; k; k = k->next)
    if (k->kind == kind && k->num == num) return k;
  return nullptr;
}

void queue(Dev_fcb* d, const std::vector<uint8_t>& v) { Dev_add_prei(d, v.data(), uint32_t(v.size())); }

void fl_done(Dev_fcb* d) {
  d->fl_kind = 0;
  d->fl_op = 0;
  d->fl_state = 0;
  d->out_hook = nullptr;
}

// The channel's 'FL' or 'EL' definition read as records after its first byte.
const MnemDef* fl_definition(Dev_fcb* d) {
  return Find_mnem_in(d, d->fl_kind == 'F' ? Mnem_code('F', 'L') : Mnem_code('E', 'L'));
}

}  // namespace

void Key_free_list(Key_rec*& head) {
  while (head) {
    Key_rec* n = head->next;
    Ret_blk(head);
    head = n;
  }
}

void Mnem_FL_fnc(uint8_t c) {
  Dev_fcb* d = Dev(ws.Cur_fcb);
  uint8_t kind = d->fl_kind;
  if (!d->fl_op) {
    d->fl_op = c;
    d->fl_state = 0;
    switch (c) {
      case '1':
        drop_keys(d, kind, -1);
        fl_done(d);
        return;
      case '5': {
        std::vector<uint8_t> v;
        uint8_t n = 0;
        for (const Key_rec* k = d->win.keys; k; k = k->next)
          if (k->kind == kind) ++n;
        v.push_back(n);
        for (const Key_rec* k = d->win.keys; k; k = k->next) {
          if (k->kind != kind) continue;
          v.push_back(k->num);
          v.push_back(k->len);
          v.insert(v.end(), k->bytes, k->bytes + k->len);
        }
        queue(d, v);
        fl_done(d);
        return;
      }
      case '7': {
        const MnemDef* def = fl_definition(d);
        if (def) queue(d, std::vector<uint8_t>(def->bytes, def->bytes + def->len));
        fl_done(d);
        return;
      }
      case '0': case '2': case '3': case '4': case '6': case '8': case '9':
        return;
      default:
        fl_done(d);
        Err_mnemonic();
        return;
    }
  }
  switch (d->fl_op) {
    case '0':
      drop_keys(d, kind, c);
      fl_done(d);
      return;
    case '4':
    case '8': {
      const Key_rec* k = find_key(d, kind, c);
      std::vector<uint8_t> v;
      if (k) {
        if (d->fl_op == '4') v.push_back(k->len);
        v.insert(v.end(), k->bytes, k->bytes + k->len);
      } else {
        v.push_back(0);
      }
      queue(d, v);
      fl_done(d);
      return;
    }
    case '6': {
      const MnemDef* def = fl_definition(d);
      std::vector<uint8_t> v{0};
      if (def) {
        size_t i = 1;
        while (i + 2 <= def->len) {
          uint8_t num = def->bytes[i], len = def->bytes[i + 1];
          if (i + 2 + len > def->len) break;
          if (num == c) {
            v.assign(1, len);
            v.insert(v.end(), def->bytes + i + 2, def->bytes + i + 2 + len);
            break;
          }
          i += 2 + len;
        }
      }
      queue(d, v);
      fl_done(d);
      return;
    }
    case '9':
      if (d->fl_state == 0) {
        d->fl_len = c;
        d->fl_state = 1;
        if (c == 0) fl_done(d);
        return;
      }
      d->fl_buf[d->fl_state - 1] = c;
      if (d->fl_state++ == d->fl_len) {
        queue(d, std::vector<uint8_t>(d->fl_buf, d->fl_buf + d->fl_len));
        fl_done(d);
      }
      return;
    case '2':
    case '3': {
      // State 0 (for '3'): the count; then per key: 1 number, 2 length,
      // 3.. bytes.
      if (d->fl_op == '3' && d->fl_state == 0) {
        d->fl_count = c;
        if (c == 0) {
          fl_done(d);
          return;
        }
        d->fl_state = 1;
        return;
      }
      if (d->fl_state == 0) d->fl_state = 1;
      if (d->fl_state == 1) {
        d->fl_num = c;
        d->fl_state = 2;
        return;
      }
      if (d->fl_state == 2) {
        d->fl_len = c;
        d->fl_state = 3;
        if (c != 0) return;
      } else {
        d->fl_buf[d->fl_state - 3] = c;
        ++d->fl_state;
        if (d->fl_state - 3 < d->fl_len) return;
      }
      add_key(d, kind, d->fl_num, d->fl_buf, d->fl_len);
      if (d->fl_op == '3' && --d->fl_count > 0) {
        d->fl_state = 1;
        return;
      }
      fl_done(d);
      return;
    }
    default:
      fl_done(d);
      return;
  }
}

// 'TW': the window stack as pre-input: the count of windows (the current
// one included), then each window's number, the current first and window 0
// last.  A number above parameter OW is given less OW, as the program
// numbered it; the others as they are.
void Mnem_TW() {
  Dev_fcb* d = Dev(ws.Cur_fcb);
  std::vector<uint8_t> v{0};
  for (const Window_rec* w = &d->win; w && v.size() < 256; w = w->saved) {
    int32_t n = w->number;
    if (n > int32_t(prmblk.OW)) n -= prmblk.OW;
    v.push_back(uint8_t(n));
  }
  v[0] = uint8_t(v.size() - 1);
  queue(d, v);
}

void Clr_setctl() {
  Setctl_entry* e = static_cast<Setctl_entry*>(ws.Setctl_list);
  while (e) {
    Setctl_entry* n = e->next;
    Ret_blk(e);
    e = n;
  }
  ws.Setctl_list = nullptr;
}

namespace {

// A statement reference: a line reference or label, or a number.
uint32_t statement_ref() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::LINE_REF || c == code::LABEL) return Get_line();
  int32_t n = Eval_integer();
  if (n < 0 || n > 64999) Rpt_error(err::OUT_OF_RANGE);
  return uint32_t(n);
}

}  // namespace

// SETCTL ctl,statement[,ctl,statement]... [,ERR=line]: statement 0 deletes
// the entry.
static void d_sctl_body() {
  for (;;) {
    if (ends_statement(*ws.Exec_ptr) || At_err_tail()) break;
    Need_operand();
    int32_t ctl = Eval_integer();
    if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
    ws.Exec_ptr++;
    Need_operand();
    uint32_t stno = statement_ref();
    Setctl_entry** at = reinterpret_cast<Setctl_entry**>(&ws.Setctl_list);
    while (*at && (*at)->ctl != ctl) at = &(*at)->next;
    if (*at) {
      if (stno == 0) {
        Setctl_entry* e = *at;
        *at = e->next;
        Ret_blk(e);
      } else {
        (*at)->stno = stno;
      }
    } else if (stno != 0) {
      Setctl_entry* e = static_cast<Setctl_entry*>(Get_blk(sizeof(Setctl_entry)));
      e->ctl = ctl;
      e->stno = stno;
      e->next = static_cast<Setctl_entry*>(ws.Setctl_list);
      ws.Setctl_list = e;
    }
    if (*ws.Exec_ptr != code::COMMA || At_err_tail()) break;
    ws.Exec_ptr++;
  }
  if (!ends_statement(*ws.Exec_ptr) && !At_err_tail()) Rpt_error(err::SYNTAX);
}
void d_sctl() {
  Err_tail_run([] { As_token_form(d_sctl_body); });
}

void Need_operand() {
  uint8_t c = *ws.Exec_ptr;
  if (ends_statement(c) || c == code::COMMA || c == code::RPAREN) Rpt_error(err::SYNTAX);
}

bool Take_f_form() {
  uint8_t* at = ws.Exec_ptr;
  if (*at != code::NUM_VAR) return false;
  Var_node* v = Find_var();
  if (v->name_len == 1 && (v->name[0] == 'F' || v->name[0] == 'f') && *ws.Exec_ptr != code::COMMA) return true;
  ws.Exec_ptr = at;
  return false;
}

// The end of a DEFCTL: an optional ",ERR=line", then the statement's end.
static void defctl_end() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) {
    ws.Exec_ptr++;
    Chk_err();
  }
  if (!ends_statement(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
}

// DEFCTL (client channel) key,ctl | key,/ : the definition lives on the
// client; an editing code travels as its decimal text.
static void client_defctl(Fcb* f) {
  Need_operand();
  Eval_formula();
  std::string key;
  if (ws.Str_len >= 0) {
    if (ws.Str_len > 10 || ws.Str_len == 0) Rpt_error(err::STRING_LENGTH);
    key.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    int32_t code = To_integer(ws.Num_acc);
    if (code >= 0) Rpt_error(err::OUT_OF_RANGE);
    key = std::to_string(code);
  }
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  if (*ws.Exec_ptr == code::OP_DIV) {
    ws.Exec_ptr++;
    defctl_end();
    Wtty_defctl(f, key, true, 0);
    return;
  }
  Need_operand();
  int32_t ctl = Eval_integer();
  if (ctl < -32000 || ctl > 32767) Rpt_error(err::OUT_OF_RANGE);
  defctl_end();
  Wtty_defctl(f, key, false, ctl);
}

// DEFCTL [F[-]] [(channel)] key,ctl | key,/ : a key string of at most 10
// bytes or a negative editing code, with its CTL value, or '/' to delete
// it.  The F form keeps the definition with the current window (marked
// when '-' follows F), the plain form with the channel.
static void d_dctl_body() {
  DropComndWdw();
  if (ws.Exec_ptr[0] == code::PREFIX2 && ws.Exec_ptr[1] == 64) {  // DEFCTL OBJECT ...
    ws.Exec_ptr += 2;
    KestDEFCTLObjCtl();
    return;
  }
  // A trailing ERR= takes the errors of every operand.
  if (!ws.Err_line) Err_scan_from(ws.Exec_ptr);
  bool f_form = Take_f_form();
  bool minus = false;
  uint8_t* minus_at = nullptr;
  if (f_form && *ws.Exec_ptr == code::OP_SUB) {
    minus = true;
    minus_at = ws.Exec_ptr;
    ws.Exec_ptr++;
  }
  Io_SetOptions(0);
  // "F -1004,5" reads as the F form with the key -1004 (a key that is a
  // number is never 0 or above): the '-' is the key's sign when no channel
  // stands between it and the key and the key without it is a number of 0
  // or above ("F--1004,5" is the '-' form of the key -1004).
  if (minus && ws.Exec_ptr == minus_at + 1) {
    uint8_t* at = ws.Exec_ptr;
    Need_operand();
    Eval_formula();
    bool number = ws.Str_len < 0 && To_integer(ws.Num_acc) >= 0;
    ws.Exec_ptr = number ? minus_at : at;
    if (number) minus = false;
  }
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::WRONG_MODE);
  if (f->kind == FK_THIN_CLIENT) {
    if (f_form) Rpt_error_text(err::NOT_BUILT, "DEFCTL F names a window's list, which a client channel has not");
    client_defctl(f);
    return;
  }
  if (!Is_screen(f)) Rpt_error(err::WRONG_FILE_KIND);
  Dev_fcb* d = Dev(f);
  Ctl_def*& head = f_form ? d->win.ctl_defs : d->ctl_defs;
  Need_operand();
  Eval_formula();
  Ctl_def key{};
  if (ws.Str_len >= 0) {
    if (ws.Str_len > 10 || ws.Str_len == 0) Rpt_error(err::STRING_LENGTH);
    key.key_len = int16_t(ws.Str_len);
    std::memcpy(key.key, ws.Str_ptr, size_t(ws.Str_len));
  } else {
    int32_t code = To_integer(ws.Num_acc);
    if (code >= 0) Rpt_error(err::OUT_OF_RANGE);
    key.key_len = 0;
    key.ecode = code;
  }
  key.minus = minus ? 1 : 0;
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  // The F form of an editing code on a thin-client console: the client's
  // window takes the definition too ("DEFCTL WINDOW" on the client).
  bool tell_client = f_form && key.key_len == 0 && Thin_console(f);
  auto tell = [&](bool drop, int32_t ctl) {
    if (!tell_client) return;
    std::string text = "DEFCTL WINDOW";
    text += minus ? '-' : ' ';
    text += ' ' + std::to_string(key.ecode) + '=' + (drop ? std::string("*") : std::to_string(ctl));
    Wtty_exec_wait(text);
  };
  Ctl_def** at = &head;
  auto same = [&](const Ctl_def* c) {
    if (c->key_len != key.key_len) return false;
    if (key.key_len == 0) return c->ecode == key.ecode;
    return std::memcmp(c->key, key.key, size_t(key.key_len)) == 0;
  };
  while (*at && !same(*at)) at = &(*at)->next;
  if (*ws.Exec_ptr == code::OP_DIV) {
    ws.Exec_ptr++;
    defctl_end();
    tell(true, 0);
    if (*at) {
      Ctl_def* c = *at;
      *at = c->next;
      Ret_blk(c);
    }
    return;
  }
  Need_operand();
  int32_t ctl = Eval_integer();
  if (ctl < -32000 || ctl > 32767) Rpt_error(err::OUT_OF_RANGE);
  defctl_end();
  tell(false, ctl);
  if (*at) {
    (*at)->ctl = int16_t(ctl);
    return;
  }
  Ctl_def* c = static_cast<Ctl_def*>(Get_blk(sizeof(Ctl_def)));
  *c = key;
  c->ctl = int16_t(ctl);
  c->next = head;
  head = c;
}
void d_dctl() { As_token_form(d_dctl_body); }
