// The channel list, the driver table and its fillers, channel numbers and
// path records.
//
// Fio_tbl[kind + 1] holds the dispatcher of every kind code -1..26.  A kind
// that registered its 20-slot table with Fio_register is reached through a
// dispatcher generated for its code (it indexes the registered table); every
// other code keeps Bad_io, which raises error 99 for any slot.
//
// Channel list invariant: ws.Fcb_list is ordered by ascending channel number
// and begins with the console's record (channel 0) once Channels_init ran.
// A one-entry cache remembers the last record Find_fp returned; every change
// to the list drops it.
#include <cstring>
#include <string>
#include <utility>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/chan_hooks.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/workspace.h"

Fio_dispatch Fio_tbl[FK_LAST + 2];
Fcb* Find_fp_cache = nullptr;

namespace {

constexpr int KINDS = FK_LAST + 2;
const Fio_op* kind_tables[KINDS] = {};

// Dispatcher of kind index I (kind code I - 1): calls the registered slot.
template <int I>
int64_t kind_io(int slot) {
  return kind_tables[I][slot]();
}

template <int... I>
constexpr Fio_dispatch dispatcher_of(int i, std::integer_sequence<int, I...>) {
  constexpr Fio_dispatch all[] = {&kind_io<I>...};
  return all[i];
}


const char* const kind_names[KINDS] = {
    "console alias", "device", "serial", "keyed", "indexed", "program", "binary",
    "directory", "auxiliary printer", "pipe", "C-ISAM", "reserved", "reserved",
    "reserved", "thin client", "BBx keyed", "BBx keyed", "TCP", "variable data",
    "memory", "reserved", "reserved", "EFF keyed", "program-library member",
    "PDF", "reserved", "MySQL", "reserved"};

}  // namespace

void Fio_register(int32_t kind, const Fio_op* table) {
  if (kind < -1 || kind > FK_LAST) return;
  int i = kind + 1;
  kind_tables[i] = table;
  Fio_tbl[i] = table ? dispatcher_of(i, std::make_integer_sequence<int, KINDS>{}) : Bad_io;
}

bool Fio_supports(int32_t kind, int slot) {
  if (kind < -1 || kind > FK_LAST) return false;
  const Fio_op* t = kind_tables[kind + 1];
  return t && t[slot] != Io_mode_err;
}

bool Fio_slot_is(int32_t kind, int slot, Fio_op op) {
  if (kind < -1 || kind > FK_LAST) return false;
  const Fio_op* t = kind_tables[kind + 1];
  return t && t[slot] == op;
}

int64_t Bad_io(int) {
  int kind = ws.Cur_ftype;
  std::string what = "the ";
  what += (kind >= -1 && kind <= FK_LAST) ? kind_names[kind + 1] : "unknown";
  what += " file kind";
  Not_built(what.c_str());
}

// ---- fillers ----

int64_t Io_mode_err() { Rpt_error(err::WRONG_MODE); }
int64_t Io_rsz_err() { Rpt_error(err::RECORD_TOO_LONG); }

int64_t Io_wr_mode() {
  Fcb* f = ws.Cur_fcb;
  f->st1 |= ST1_WRITTEN;
  f->buf_count = 0;
  f->high_water = 0;
  f->column = 0;
  return 0;
}

void Io_string_result(const std::string& s) {
  auto* p = static_cast<uint8_t*>(Get_temp(s.size() + 1));
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
}

int64_t Io_wr_rec_start() {
  Fcb* f = ws.Cur_fcb;
  f->buf_count = f->rec_start;
  f->high_water = f->rec_start;
  return 0;
}

int64_t Io_rd_mode() {
  ws.Cur_fcb->st1 |= ST1_READ;
  return 0;
}

int64_t Io_do_nothing() { return 0; }

// End of data: a caller that armed IO_END_JMP wants it back as a value;
// otherwise the END= line (when given) becomes the branch of error 2.
void Io_end_err() {
  if (ws.Io_opts & IO_END_JMP) throw End_of_data{};
  if (ws.End_line) {
    ws.Err_line = ws.End_line;
    ws.Stmt_save = nullptr;
  }
  Rpt_error(err::END_OF_FILE);
}

void Io_dom_err() {
  if (ws.Dom_line) {
    ws.Err_line = ws.Dom_line;
    ws.Stmt_save = nullptr;
  }
  Rpt_error(err::MISSING_RECORD);
}

// ---- the channel list ----

void Link_fp() {
  Fcb* f = ws.Cur_fcb;
  uint16_t n = ws.Cur_chan;
  Fcb** link = &ws.Fcb_list;
  while (*link && (*link)->channel < n) link = &(*link)->next;
  f->next = *link;
  *link = f;
  Find_fp_cache = nullptr;
}

void Unlink_fp() {
  Fcb* f = ws.Cur_fcb;
  for (Fcb** link = &ws.Fcb_list; *link; link = &(*link)->next) {
    if (*link == f) {
      *link = f->next;
      f->next = nullptr;
      break;
    }
  }
  Find_fp_cache = nullptr;
}

Fcb* Find_fp(uint16_t channel) {
  Fcb* f = Find_fp_cache;
  if (!f || f->channel != channel) {
    f = ws.Fcb_list;
    while (f && f->channel < channel) f = f->next;
    if (!f || f->channel != channel) return nullptr;
    Find_fp_cache = f;
  }
  // The console alias stands for the console, except for CLOSE, which must
  // reach the alias record itself to remove it.
  if (f->kind == FK_CONSOLE_ALIAS && ws.Io_stmt != code::D_CLOSE) return ws.Con_fcb;
  return f;
}

void Fcb_list_changed() { Find_fp_cache = nullptr; }

uint16_t Get_fno() {
  // The usual channel part: a small literal (code 11, u16 big-endian) ending
  // the expression; it is an exact integer 0..65535 already.
  const uint8_t* p = ws.Exec_ptr;
  if (p[0] == code::SMALL_INT && (p[3] == code::COMMA || p[3] == code::RPAREN)) {
    uint16_t n = get_u16be(p + 1);
    if (n > 65000) Rpt_error(err::OUT_OF_RANGE);
    ws.Exec_ptr += 3;
    return n;
  }
  Eval_formula();
  if (ws.Str_len >= 0) return KestDynaOpen();
  const Num_val& v = ws.Num_acc;
  // Exact integers only: 1.5 is as much out of range as 70000.
  Num_val t = v;
  if (t.scale > 0) {
    Num_val r = t;
    Set_scl(r, 0, 0);
    Set_scl(r, t.scale, 0);
    if (r.mant != t.mant) Rpt_error(err::OUT_OF_RANGE);
    Set_scl(t, 0, 0);
  } else if (t.scale < 0) {
    // A whole number written with an exponent (1E1 is channel 10).
    for (int s = t.scale; s < 0 && t.mant != 0; s++) {
      if (t.mant < 0 || t.mant > 65000) Rpt_error(err::OUT_OF_RANGE);
      t.mant *= 10;
    }
  }
  if (t.mant < 0 || t.mant > 65000) Rpt_error(err::OUT_OF_RANGE);
  return uint16_t(t.mant);
}

// ---- path records ----
//
// One block: the SavedPath header, then the resolved path and (when it
// differs) the name as given, each ending with a zero byte.

SavedPath* SavePath() {
  size_t lp = std::strlen(ws.Path_buf), ln = std::strlen(ws.Lfa_path);
  bool same = lp == ln && std::memcmp(ws.Path_buf, ws.Lfa_path, lp) == 0;
  size_t size = sizeof(SavedPath) + lp + 1 + (same ? 0 : ln + 1);
  auto* p = static_cast<SavedPath*>(Get_blk(size));
  char* text = reinterpret_cast<char*>(p + 1);
  std::memcpy(text, ws.Path_buf, lp + 1);
  p->refs = 1;
  p->path = text;
  if (same) {
    p->name = text;
  } else {
    p->name = text + lp + 1;
    std::memcpy(p->name, ws.Lfa_path, ln + 1);
  }
  return p;
}

SavedPath* CopyPath(SavedPath* p) {
  if (p) p->refs++;
  return p;
}

void FreePath(SavedPath* p) {
  if (!p) return;
  if (--p->refs == 0) Ret_blk(p);
}

// ---- output buffer ----

void Fcb_set_buffer(Fcb* f, int32_t size) {
  if (f->out_buf) Ret_blk(f->out_buf);
  f->out_buf = size > 0 ? static_cast<uint8_t*>(Get_blk_nc(size_t(size))) : nullptr;
  f->buf_size = size > 0 ? size : 0;
  f->buf_count = 0;
  f->high_water = 0;
}

// ---- start-up ----

void Channels_init() {
  for (int i = 0; i < KINDS; i++)
    if (!kind_tables[i]) Fio_tbl[i] = Bad_io;
  Find_fp_cache = nullptr;
  Chan_hook.console_start();
}
