// Directives on channels: SDEV (device options and the task strings), SFID
// (a channel's file id), DPRT (a device's columns and lines) and LNSW (the
// console switched to another channel).
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "channels/close.h"
#include "channels/kdef.h"
#include "channels/channel.h"
#include "channels/rec_formats.h"
#include "channels/record_formats.h"
#include "channels/io_list.h"
#include "channels/open.h"
#include "terminal/tc_channel.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/messages.h"
#include "core/workspace.h"
#include "functions/channel_access.h"
#include "functions/task_strings.h"
#include "net/tcp_channel.h"
#include "terminal/console_switch.h"
#include "terminal/terminal.h"

namespace {

constexpr uint8_t TOK_TSK = 119;  // TSK(
constexpr uint8_t SV2_SEP = 13;   // SEP after the system-variable prefix 12
constexpr size_t FILINF_WIDTH = 12;

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// A string of 1..width bytes (error 46 otherwise) into a blank-padded field.
void Set_filinf(char* field, size_t width) {
  Eval_str();
  if (ws.Str_len < 1 || size_t(ws.Str_len) > width) Rpt_error(err::STRING_LENGTH);
  std::memset(field, ' ', width);
  std::memcpy(field, ws.Str_ptr, size_t(ws.Str_len));
}

bool same_ci(const uint8_t* p, int32_t len, const char* text) {
  size_t n = std::strlen(text);
  return size_t(len) == n && memicmp(p, text, n) == 0;
}

// SDEV (ch) SEP text: "*BBX*" -2, "*ERR*" -3, one byte that byte, "" none.
void sdev_separator(Fcb* f) {
  Eval_str();
  int32_t sep;
  if (same_ci(ws.Str_ptr, ws.Str_len, "*BBX*")) sep = -2;
  else if (same_ci(ws.Str_ptr, ws.Str_len, "*ERR*")) sep = -3;
  else if (ws.Str_len == 1) sep = ws.Str_ptr[0];
  else if (ws.Str_len == 0) sep = -1;
  else Rpt_error(err::STRING_LENGTH);
  f->separator = sep;
}

// The items of the IOLIST at the cursor and their length (up to the end of
// the IOLIST statement).
std::vector<uint8_t> iolist_items() {
  const uint8_t* items = Check_iol();
  const uint8_t* p = items;
  const uint8_t* end = Code_end(items);
  while (*p != code::END_SCAN && !(Cde_tbl[*p] & CC_STMT_END)) {
    p += Scan_size(p, end);
  }
  return std::vector<uint8_t>(items, p);
}

// SDEV (ch) IOLIST ref: the channel's own I/O list becomes the list of the
// IOLIST statement; the stored lists that may follow it in the channel's
// block are kept.
// Followed by ":" and "G" (or "g"), 1 or "/" the list replaces one of the
// lists kept with the file instead: the first, the second, the backward
// one; any other slot is error 20.
void sdev_iolist(Fcb* f) {
  std::vector<uint8_t> items = iolist_items();
  if (*ws.Exec_ptr != code::LABEL_END) {
    Iol_set_slot(f, 0, items.data(), items.size());
    Fcb_set_template(f, "");  // the channel's list is no longer its template's
    return;
  }
  ++ws.Exec_ptr;
  int slot = 0;
  if (*ws.Exec_ptr == code::OP_DIV) {
    ++ws.Exec_ptr;
    slot = 3;
  } else {
    Eval_formula();
    char which = 0;
    if (ws.Str_len < 0) {
      if (ws.Num_acc.scale == 0 && ws.Num_acc.mant == 1) which = '1';
    } else if (ws.Str_len == 1) {
      which = char(Uppercs[ws.Str_ptr[0]]);
    }
    slot = which == 'G' ? 1 : which == '1' ? 2 : which == '/' ? 3 : 0;
    if (slot == 0) Rpt_error(err::SYNTAX);
  }
  Iol_set_slot(f, slot, items.data(), items.size());
}

// Opens name on the lowest free channel from 1 (host failures raised).
Fcb* open_on_free_channel(const std::string& name) {
  Io_save_guard io;
  uint16_t ch = 1;
  while (Find_fp(ch)) ++ch;
  return Open_internal(ch, name, 0);
}

// SDEV (channel) KNO=key, name: the channel's key number key (0 up to its
// highest key) is known by name from then on (KNO="name"); an empty name
// drops the key's name.  A key number outside the channel's keys (a channel
// without keys has none), a name beginning "#" or longer than 255 bytes, or
// one that another key of the channel already has, is error 80.
void sdev_key_name(Fcb* f) {
  int64_t k = Eval_integer();
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
  Eval_str();
  std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  // (An SQL table has keys only when its open string gave some: then its
  // keys are described.)
  bool keyed = (Keyed_channel_kind(f->kind) && f->kind != FK_MYSQL) || (f->st4 & ST4_KEY_DESC);
  if (!keyed || k < 0 || k > f->high_key) Rpt_error(err::KEY_DEFINITION);
  if (!name.empty() && (name[0] == '#' || name.size() > 255)) Rpt_error(err::KEY_DEFINITION);
  auto** list = reinterpret_cast<Kname_node**>(&f->key_names);
  if (!name.empty() && Kname_taken(*list, name.data(), name.size(), int32_t(k))) Rpt_error(err::KEY_DEFINITION);
  Kname_link(list, int32_t(k), reinterpret_cast<const uint8_t*>(name.data()), int32_t(name.size()));
}

}  // namespace

// SDEV TSK(text, ...): appends the texts to the task strings (all or none).
// SDEV (channel) PROGRAM name | SEP text | KNO=key, name | IOLIST ref |
// terminal id.
void d_sdev() {
  if (*ws.Exec_ptr == TOK_TSK) {
    ++ws.Exec_ptr;
    std::vector<std::string> texts;
    for (;;) {
      Eval_str();
      texts.emplace_back(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      if (*ws.Exec_ptr != code::COMMA) break;
      ++ws.Exec_ptr;
    }
    if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::SYNTAX);
    ++ws.Exec_ptr;
    for (const std::string& t : texts) Task_string_add(t);
    return;
  }
  Fcb* f = Channel_part();
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_PROGRAM) {
    ++ws.Exec_ptr;
    Eval_str();
    if (f->event_pgm) Rpt_error(err::MISSING_RECORD);
    if (ws.Str_len == 0) return;
    f->event_pgm = static_cast<char*>(Get_blk(size_t(ws.Str_len) + 1));
    if (!f->event_pgm) Rpt_error(err::OUT_OF_MEMORY);
    std::memcpy(f->event_pgm, ws.Str_ptr, size_t(ws.Str_len));
    f->event_pgm[ws.Str_len] = 0;
    f->event_mask = 0;
    return;
  }
  if (c == code::EXT_SYSVAR && ws.Exec_ptr[1] == SV2_SEP) {
    ws.Exec_ptr += 2;
    sdev_separator(f);
    return;
  }
  if (c == 148) {  // KNO=
    ++ws.Exec_ptr;
    sdev_key_name(f);
    return;
  }
  if (c == code::D_IOLIST) {
    ++ws.Exec_ptr;
    sdev_iolist(f);
    return;
  }
  Set_filinf(f->driver_id, FILINF_WIDTH);
}

// SFID (channel) id: the file id FID( gives for the channel.
void d_sfid() {
  Fcb* f = Open_channel_part();
  Set_filinf(f->short_name, FILINF_WIDTH);
  f->st2 |= ST2_VIA_LINK;  // FID( gives the name field
}

// DPRT (channel) columns, lines: the page size of a device, serial file,
// printer or pipe.  A non-zero value replaces the channel's columns or
// lines, 0 keeps it; on a channel that is not a screen the columns are also
// the width at which PRINT wraps a line.
void d_dprt() {
  try {
    Io_SetOptions(0);
  } catch (const Oru_error& e) {
    if (e.no == err::CHANNEL_STATE) Rpt_error(err::WRONG_MODE);  // not open: DPRT's own error
    throw;
  }
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::WRONG_MODE);
  switch (f->kind) {
    case FK_DEVICE: case FK_SERIAL: case FK_AUX_PRINTER: case FK_PIPE: case FK_TCP:
      break;
    case FK_THIN_CLIENT:
      Wty_learn_size(f);  // the client knows the size of its channel: asked once
      break;
    default:
      Rpt_error(err::WRONG_MODE);
  }
  int32_t cols = Eval_range(0, 255);
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
  int32_t lines = Eval_range(0, 255);
  if (cols != 0) {
    f->cols = cols;
    if (!Is_screen(f)) f->width = cols;
  }
  if (lines != 0) f->lines = lines;
}

// LNSW: the console goes back to its own channel (nothing to do while no
// switch is in force).  LNSW channel | name: first back, then the console
// moves to that channel: a TCP channel carries the console's stream over
// its connection; any other channel must be a terminal screen on a
// terminal (error 10; a channel LNSW opened itself is closed again).
// The ", ERR=line" clause takes every error, the operand's own among them.
static void lnsw_body() {
  if (stmt_end(*ws.Exec_ptr) || At_err_tail()) {
    Reset_switch();
    return;
  }
  Eval_formula();
  bool by_name = ws.Str_len >= 0;
  std::string name;
  int32_t ch = 0;
  if (by_name) {
    name.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    ch = To_integer(ws.Num_acc);
    if (ch < 0 || ch > 65000) Rpt_error(err::OUT_OF_RANGE);
  }
  Reset_switch();
  if (!by_name && ch == 0) return;
  Fcb* f;
  bool opened = false;
  if (by_name) {
    f = open_on_free_channel(name);
    opened = true;
  } else {
    f = Find_fp(uint16_t(ch));
    if (!f) Rpt_error(err::WRONG_MODE);
  }
  if (f->kind == FK_TCP) {
    try {
      Console_switch_link(f, Tcp_console_link(f), Tcp_console_unlink);
    } catch (const Oru_error&) {
      if (opened) CloseFile(f);
      throw;
    }
    return;
  }
  if (f->kind == FK_DEVICE && f != ws.Con_fcb && f->fd >= 0 && isatty(f->fd) && Is_screen(f)) {
    Console_switch_terminal(f);
    return;
  }
  if (opened) CloseFile(f);
  Rpt_error(err::BAD_FILE_NAME);
}

void d_lnsw() { Err_tail_run(lnsw_body); }
