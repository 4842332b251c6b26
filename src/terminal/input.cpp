#include "terminal/input.h"

#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/io_list.h"
#include "core/console_device.h"
#include "channels/print.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/masks.h"
#include "terminal/editor_keys.h"
#include "terminal/terminal.h"

namespace {

constexpr int32_t CONSOLE_ANSWER_MAX = 1920;  // longest answer without SIZ=

inline bool ends_statement(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }
inline bool item_ends(uint8_t c) { return c == code::COMMA || ends_statement(c); }

bool input_is_terminal() {
  static const bool tty = isatty(0) == 1;
  return tty;
}

// The answer as the program sees it: a copy in the work area (the driver's
// buffer is reused by the next read).
void keep_answer(const uint8_t* p, int32_t n) {
  uint8_t* out = Work_take(size_t(n) + 1);
  if (n > 0) std::memcpy(out, p, size_t(n));
  ws.Str_ptr = out;
  ws.Str_len = n;
}

// Whether the answer being read ends a line of the transcript (an item
// followed by a final ',' keeps it open).
bool answer_keeps_line = false;

// INPUT EDIT: each variable's present value is the default of its field.
bool edit_mode = false;
// The HLP= text of the last INPUT (VHLP) and the answer counters (LIP).
std::string help_text;
uint32_t answers_input = 0, answers_obtain = 0;

// The edit default: the value as text, typed into the field ahead of the
// user (PREINPUT entry with the CTL value 64519, at the front of the queue).
Preinput_entry* queue_edit_default(const uint8_t* p, int32_t n) {
  auto* e = static_cast<Preinput_entry*>(Get_blk(sizeof(Preinput_entry) + size_t(n)));
  if (!e) Rpt_error(err::OUT_OF_MEMORY);
  e->ctl = 64519 - 65536;
  e->len = n;
  e->slash = 0;
  if (n > 0) std::memcpy(e->text, p, size_t(n));
  e->next = static_cast<Preinput_entry*>(ws.Preinput);
  ws.Preinput = e;
  return e;
}

// Whether a read of f goes through the line editor, the only reader that
// offers an edit default: a read without it would take the default as the
// whole answer.
bool line_editor_reads(Fcb* f) {
  if (!f || Prt_is_console(f) || (f == ws.Con_fcb && !Console_raw_keys())) return false;
  return f->kind == FK_DEVICE && Is_screen(f);
}

// A default the read did not take (a channel without the line editor) is
// dropped, so that it never reaches a later input.
void drop_edit_default(Preinput_entry* e) {
  if (e && ws.Preinput == e) Ret_blk(Preinput_take());
}

// The line end after an answer: a terminal in line mode echoed the typed
// line itself; input from a file or pipe is shown as if typed (not for
// OBTAIN), before it is checked.
void echo_answer(const uint8_t* p, int32_t n) {
  if (input_is_terminal() || (ws.Io_opts & IO_NOECHO)) return;
  Con_write(p, size_t(n));
  if (!answer_keeps_line) Con_newline();
}

void read_console() {
  if (ws.Io_tim >= 0 && !Con_wait_input(ws.Io_tim)) {
    ws.Io_rty = 0;  // a time-out is final: no busy retries
    Rpt_error(err::RECORD_BUSY);
  }
  // A read-back answers from the screen: nothing was typed to show.
  Fcb* f = ws.Cur_fcb;
  bool read_back = f && Is_screen(f) && (f->in_status & IN_READBACK);
  Fio_call(FIO_READ);
  int32_t n = ws.Str_len;
  const uint8_t* p = ws.Str_ptr;
  while (n > 0 && (p[n - 1] == '\n' || p[n - 1] == '\r')) --n;
  if (!read_back) echo_answer(p, n);
  else if (!answer_keeps_line && !(ws.Io_opts & IO_NOECHO)) Prt_mnem(Mnem_code('L', 'F'));
  int32_t limit = ws.Io_siz > 0 ? ws.Io_siz : CONSOLE_ANSWER_MAX;
  if (n > limit) {
    Rpt_error_text(err::STRING_LENGTH, "the answer is longer than " + std::to_string(limit) + " characters");
  }
  keep_answer(p, n);
}

// A number from an answer: blanks, a sign, one point, an exponent; with a
// mask the grouping and currency characters the mask shows are dropped.
Num_val answer_number(const std::string& mask, bool masked) {
  std::string text(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (masked) {
    std::string kept;
    for (char c : text) {
      bool digitlike = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == ' ';
      if (digitlike || mask.find(c) == std::string::npos) kept.push_back(c);
    }
    text.swap(kept);
  }
  Num_val v{};
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return v;  // an empty answer is 0
  // Not a number: the conversion's own error (43, or 46), which ERR= takes;
  // 26 is for the length and numeric-limit items.
  if (int e = Conv_str_chk(reinterpret_cast<const uint8_t*>(text.data()), text.size(), v)) {
    Rpt_error_text(e, "the answer is not a number");
  }
  return v;
}

// A variable's validation list, compiled after ":[" (or after its mask and
// ":["): items separated by ",", closed by "]".
//   value ':' line   a label item: the answer equal to value goes to line
//   '>' min [TO max] the answer's length
//   number           the answer's limit
struct Valid_list {
  struct Label {
    std::string value;
    uint32_t line;
  };
  std::vector<Label> labels;
  bool has_length = false;
  int32_t min_len = 0, max_len = INT32_MAX;
  std::vector<Num_val> limits;
};

// Reads the list at the cursor (just after "["); the cursor ends after "]".
void read_valid_list(Valid_list& v) {
  for (;;) {
    if (*ws.Exec_ptr == code::OP_GT) {
      ws.Exec_ptr++;
      v.has_length = true;
      v.min_len = Eval_integer();
      if (*ws.Exec_ptr == code::TO) {
        ws.Exec_ptr++;
        v.max_len = Eval_integer();
      }
    } else {
      Eval_formula();
      if (*ws.Exec_ptr == code::LABEL_END) {
        if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
        std::string value(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        ws.Exec_ptr++;
        v.labels.push_back({value, Get_line()});
      } else {
        if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
        v.limits.push_back(ws.Num_acc);
      }
    }
    if (*ws.Exec_ptr == code::COMMA) {
      ws.Exec_ptr++;
      continue;
    }
    if (*ws.Exec_ptr != code::RBRACKET) Rpt_error(err::SYNTAX);
    ws.Exec_ptr++;
    return;
  }
}

// Decimal places of a value as written (trailing zeros do not count).
int decimals_of(Num_val v) {
  if (v.scale <= 0 || v.mant == 0) return 0;
  int d = v.scale;
  while (d > 0 && v.mant % 10 == 0) {
    v.mant /= 10;
    --d;
  }
  return d;
}

// Checks the answer against the list.  A label item whose value the answer
// equals (in edit mode trailing blanks may follow) sends the program to its
// line: true, the statement is abandoned.  No label matching: a string
// variable is error 48 (a numeric one takes the answer on); a length
// outside the length item, or a number that is beyond every limit or has
// more decimal places than it, is error 26.
bool check_answer(const Valid_list& v, const std::string& answer, bool string_var) {
  if (!v.labels.empty()) {
    for (const auto& l : v.labels) {
      bool same = answer.compare(0, l.value.size(), l.value) == 0 && answer.size() >= l.value.size();
      if (same && answer.size() > l.value.size())
        same = edit_mode && answer.find_first_not_of(' ', l.value.size()) == std::string::npos;
      if (same) {
        Exec_go(l.line);
        return true;
      }
    }
    if (string_var) Rpt_error_text(err::NOT_IN_LIST, "the answer is none of the values listed");
  }
  if (v.has_length && (int64_t(answer.size()) < v.min_len || int64_t(answer.size()) > v.max_len))
    Rpt_error_text(err::TYPE_MISMATCH, "the answer's length is outside the range");
  if (!v.limits.empty()) {
    Num_val x{};
    if (Conv_str_chk(reinterpret_cast<const uint8_t*>(answer.data()), answer.size(), x))
      Rpt_error_text(err::TYPE_MISMATCH, "the answer is not a number");
    bool ok = false;
    for (const Num_val& lim : v.limits) {
      if (decimals_of(x) > decimals_of(lim)) continue;
      Num_val low = lim, high = lim;
      if (lim.mant < 0) {
        high.mant = -lim.mant;
      } else {
        low = Num_val{};
      }
      ws.Num_acc2 = x;
      ws.Num_acc = low;
      bool above_low = Cmp_val() >= 0;
      ws.Num_acc2 = x;
      ws.Num_acc = high;
      bool below_high = Cmp_val() <= 0;
      if (above_low && below_high) {
        ok = true;
        break;
      }
    }
    if (!ok) Rpt_error_text(err::TYPE_MISMATCH, "the answer is outside the limit");
  }
  return false;
}

// A variable item: the target is captured, the answer read and assigned.
// Returns true when a validation list sent the program elsewhere.
bool input_variable() {
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  std::string present;  // the edit default of INPUT EDIT
  if (edit_mode) {
    if (t.str_len < 0) {
      char buf[CONV_NORMAL_MAX + 1];
      int n = Conv_normal(*static_cast<Num_val*>(Let_slot(t)), buf);
      present.assign(buf, size_t(n));
    } else if (ws.Str_len > 0) {
      present.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    }
  }
  std::string mask;
  bool masked = false;
  if (*ws.Exec_ptr == code::LABEL_END && ws.Exec_ptr[1] != code::LBRACKET) {
    ws.Exec_ptr++;
    Eval_str();
    mask.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    masked = true;
    ws.Io_opts |= IO_EDITING;
  }
  Valid_list valid;
  bool validated = false;
  if (*ws.Exec_ptr == code::LABEL_END && ws.Exec_ptr[1] == code::LBRACKET) {
    ws.Exec_ptr += 2;
    read_valid_list(valid);
    validated = true;
  }
  answer_keeps_line = ws.Exec_ptr[0] == code::COMMA && ends_statement(ws.Exec_ptr[1]);
  struct Mask_guard {
    ~Mask_guard() { Dev_edit_req = Edit_request{}; }
  } mask_guard;
  if (masked) {
    Dev_edit_req.mask = reinterpret_cast<const uint8_t*>(mask.data());
    Dev_edit_req.mask_len = int32_t(mask.size());
  }
  Dev_edit_req.numeric = t.str_len < 0;
  if (edit_mode) {
    Dev_edit_req.preset = reinterpret_cast<const uint8_t*>(present.data());
    Dev_edit_req.preset_len = int32_t(present.size());
  }
  Preinput_entry* dflt = nullptr;
  if (edit_mode && line_editor_reads(ws.Cur_fcb))
    dflt = queue_edit_default(reinterpret_cast<const uint8_t*>(present.data()), int32_t(present.size()));
  Dev_edit_req.preset_entry = dflt;
  try {
    Inp_read();
  } catch (...) {
    drop_edit_default(dflt);
    throw;
  }
  drop_edit_default(dflt);
  if (t.str_len >= 0) {
    // A string variable takes the answer; its list is checked after.
    std::string answer;
    if (validated) answer.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    Let_assign(t);
    return validated && check_answer(valid, answer, true);
  }
  if (validated) {
    std::string answer(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    uint8_t* keep_ptr = ws.Str_ptr;
    int32_t keep_len = ws.Str_len;
    if (check_answer(valid, answer, false)) return true;
    ws.Str_ptr = keep_ptr;
    ws.Str_len = keep_len;
  }
  Num_val v = answer_number(mask, masked);
  ws.Num_acc = v;
  ws.Str_len = -1;
  Let_assign(t);
  return false;
}

// A[ALL]: every element is read in turn, in element order, each as an item
// of its own (with the item's mask).
void input_array() {
  Io_each_element([] { input_variable(); });
}

void prompt_item() {
  Eval_formula();
  Prt_begin_output();
  if (ws.Str_len < 0) {
    char buf[CONV_NORMAL_MAX + 1];
    int n = Conv_normal(ws.Num_acc, buf);
    keep_answer(reinterpret_cast<const uint8_t*>(buf), n);
  }
  Prt_fld();
}

void Inp_fields(bool obtain) {
  edit_mode = *ws.Exec_ptr == code::D_EDIT;
  if (edit_mode) ws.Exec_ptr++;
  help_text.clear();
  Io_SetOptions(0);
  if (ws.Io_hlp_ptr && ws.Io_hlp_len > 0)
    help_text.assign(reinterpret_cast<const char*>(ws.Io_hlp_ptr), size_t(ws.Io_hlp_len));
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::WRONG_MODE);
  if (obtain) ws.Io_opts |= IO_NOECHO;
  bool console = Prt_is_console(f);
  if (ends_statement(*ws.Exec_ptr)) {
    answer_keeps_line = false;
    if (console && Sw_on(sw::BangX)) Inp_read();
    return;
  }
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (ends_statement(c)) break;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
      continue;
    }
    if (c == code::MNEM_LIT && item_ends(ws.Exec_ptr[3])) {
      Prt_begin_output();
      uint16_t m = Mnem_code(char(ws.Exec_ptr[1]), char(ws.Exec_ptr[2]));
      ws.Exec_ptr += 3;
      Prt_mnem(m);
    } else if (c == AT_ITEM_CODE) {
      Prt_begin_output();
      ws.Exec_ptr++;
      Prt_at_item();
    } else if (c == code::OP_DIV && item_ends(ws.Exec_ptr[1])) {
      ws.Exec_ptr++;
      answer_keeps_line = false;
      Inp_read();
    } else if (Io_array_item_at_cursor()) {
      input_array();
    } else if (c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR) {
      if (input_variable()) return;  // a validation list chose the next line
    } else {
      prompt_item();
    }
    c = *ws.Exec_ptr;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
    } else if (!ends_statement(c)) {
      Rpt_error(err::SYNTAX);
    }
  }
}

}  // namespace

void Inp_read() {
  Fcb* f = ws.Cur_fcb;
  ++((ws.Io_opts & IO_NOECHO) ? answers_obtain : answers_input);
  // A user's answer may take long: files parked by the deferred close are
  // not kept from other processes meanwhile.
  Kest_CloseClear();
  if (Prt_is_console(f) || (f == ws.Con_fcb && !Console_raw_keys())) {
    read_console();
    return;
  }
  Fio_call(FIO_READ);
  keep_answer(ws.Str_ptr, ws.Str_len < 0 ? 0 : ws.Str_len);
  // The editor leaves the cursor in the field; a line end follows unless
  // the INPUT keeps the line open.
  if (Is_screen(f) && !answer_keeps_line && !(ws.Io_opts & IO_NOECHO)) Prt_mnem(Mnem_code('L', 'F'));
}

const std::string& Input_help_text() { return help_text; }

void Input_answer_counts(uint32_t* input, uint32_t* obtain) {
  *input = answers_input;
  *obtain = answers_obtain;
}

void d_inpu() { Inp_fields(false); }
void d_obtn() { Inp_fields(true); }
