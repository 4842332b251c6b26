// I/O event programs: the program a channel names runs for the events of
// its I/O statements (PRE_READ, POST_WRITE, ...), entered at the label of
// the event, as a PERFORM run to completion.
//
// Arguments the program's ENTER reads, in this order:
//   1 number  positioning of the statement: 1 KEY=, 2 IND=, 3 RNO=, 0 none
//   2 string  the KEY= value, or empty
//   3 number  KNO= with KEY=, else the IND= or RNO= value, else 0
//   4 string  the open event: the channel's path; otherwise the statement's
//             record (empty when its result is a number).  Passed by
//             reference: a PRE_READ or PRE_EXTRACT program that answers -2
//             (EXIT -2) supplies the record as this argument's new value.
//   5 number  options of the statement: 1 DOM=, 2 END=, 4 EVT=, 8 BSY=,
//             16 FIND, 32 EXTRACT
//   6 number  KNO=
// The exit code decides: none (-1) the statement goes on; -2 the program
// did the work; 11 and 2 take the DOM= and END= exits; any other number is
// raised as the statement's error (0 without a busy retry).
#include "programs/io_events.h"

#include <sys/stat.h>

#include <cstring>
#include <new>
#include <string>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/record_io.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/arguments.h"
#include "keyed/file_password.h"
#include "programs/call_frame.h"
#include "programs/program_list.h"
#include "programs/program_load.h"

namespace {

constexpr uint32_t EV_OPEN = 0x4000;
constexpr uint32_t EV_PRE_CLOSE = 0x10000000;

void number_arg(Arg_rec**& tail, int64_t v) {
  Num_val n;
  n.mant = v;
  Arg_rec* a = Arg_number(tail, n);
  tail = &a->next;
}

void string_arg(Arg_rec**& tail, const uint8_t* s, size_t len) {
  Arg_rec* a = Arg_string(tail, s, len);
  tail = &a->next;
}

// The utility run for the open event of a channel without a program of its
// own ("get_pswd" of the library's "_cmd" directory), or "" when missing.
std::string open_utility() {
  std::string lib = Lib_dir_path();
  struct stat st;
  if (stat((lib + "/_cmd/get_pswd").c_str(), &st) == 0) return "*cmd/get_pswd";
  if (stat((lib + "/_cmd/system/get_pswd").c_str(), &st) == 0) return "*cmd/system/get_pswd";
  return "";
}

}  // namespace

int Exec_do_fio(Fcb* f, const char* event, uint32_t bit) {
  if (f->event_mask & EVM_RUNNING) return -1;
  std::string name;
  bool has_program = f->event_pgm && *f->event_pgm;
  bool channel_program = false;  // the channel's program, not the library's open utility
  if (bit == EV_OPEN && (!has_program || (f->event_mask & bit))) {
    name = open_utility();
    if (name.empty()) {
      ws.Str_ptr = Work_take(0);
      ws.Str_len = 0;
      return -2;
    }
  } else {
    if (!has_program || (f->event_mask & bit)) return -1;
    name = f->event_pgm;
    channel_program = true;
  }
  if (event && *event) name += std::string(";") + event;

  // The statement's results are put back afterwards.
  Num_val num = ws.Num_acc;
  int32_t str_len = ws.Str_len;
  std::string str;
  if (str_len > 0) str.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(str_len));

  Arg_rec* list = nullptr;
  Var_node* record = nullptr;  // the fourth argument, lent to the program
  if (bit && bit != EV_PRE_CLOSE) {
    Arg_rec** tail = &list;
    try {
      uint16_t o = ws.Io_opts;
      int pos = (o & IO_KEY) ? 1 : (o & IO_RNO) ? 3 : (o & IO_IND) ? 2 : 0;
      number_arg(tail, pos);
      if (o & IO_KEY) string_arg(tail, ws.Io_key_ptr, size_t(ws.Io_key_len));
      else string_arg(tail, nullptr, 0);
      number_arg(tail, (o & IO_KEY) ? ws.Io_kno : (o & (IO_IND | IO_RNO)) ? ws.Io_ind : 0);
      record = new (Get_blk(sizeof(Var_node))) Var_node;
      record->type = code::STR_VAR;
      std::string text = bit == EV_OPEN && f->path && f->path->path ? std::string(f->path->path) : str;
      Str_blk* b = Get_str(text.size());
      if (!b) Rpt_error(err::OUT_OF_MEMORY);
      if (!text.empty()) std::memcpy(b->bytes(), text.data(), text.size());
      b->len = uint32_t(text.size());
      record->str = b;
      Arg_rec* a = Arg_string_ref(tail, record);
      tail = &a->next;
      int opts = (ws.Dom_line ? 1 : 0) | (ws.End_line ? 2 : 0) | (ws.Io_evt_line ? 4 : 0) | (ws.Bsy_line ? 8 : 0) |
                 (ws.Io_stmt == code::D_FIND ? 16 : 0) | (ws.Io_stmt == code::D_EXTRACT ? 32 : 0);
      number_arg(tail, opts);
      number_arg(tail, ws.Io_kno);
    } catch (...) {
      FreeArgList(list);
      if (record) {
        Clr_tree(record);
      }
      throw;
    }
  }
  struct Record_guard {
    Var_node* v;
    ~Record_guard() {
      if (v) Clr_tree(v);
    }
  } record_guard{record};

  uint8_t* name_at = Work_take(name.size());
  std::memcpy(name_at, name.data(), name.size());
  ws.Str_ptr = name_at;
  ws.Str_len = int32_t(name.size());
  uint16_t lfa = ws.Lfa_chan;
  ws.Lfa_chan = f->channel;
  f->event_mask |= EVM_RUNNING;
  int rc;
  bool started = false;
  // The program may close the channel: its record is not touched then.
  Close_watch watch(f);
  // A program the file's dictionary named is checked where it is loaded,
  // at every event: one swapped in after OPEN does not run.
  struct Trust_guard {
    ~Trust_guard() { Prog_load_any(); }
  } trust_guard;
  if ((f->event_mask & EVM_TRUSTED_ONLY) && channel_program) Prog_load_trusted_only();
  try {
    rc = Nested_call(FORM_PERFORM, list, PGM2_FILE_EVENT | PGM2_NESTED_CALL, &started);
  } catch (...) {
    if (!watch.closed()) f->event_mask &= ~EVM_RUNNING;
    ws.Lfa_chan = lfa;
    throw;
  }
  if (!watch.closed()) f->event_mask &= ~EVM_RUNNING;
  ws.Lfa_chan = lfa;
  if (!started) {
    // Not tried again for this event; a missing program of the open event
    // is error 121.
    if (bit) {
      f->event_mask |= bit;
      rc = (bit == EV_OPEN && has_program && rc == 12) ? 121 : -1;
    } else if (event) {
      // A program that cannot start for an event without a bit (PRE_CLOSE)
      // does not handle it: the CLOSE goes on.
      rc = -1;
    }
    ws.Num_acc = num;
    ws.Str_len = str_len;
    if (str_len >= 0) {
      uint8_t* p = Work_take(str.size());
      if (!str.empty()) std::memcpy(p, str.data(), str.size());
      ws.Str_ptr = p;
    }
    return rc;
  }
  if (rc == -2) {
    // The program did the work; its record is the statement's result.
    Str_blk* b = record ? record->str : nullptr;
    uint8_t* p = Work_take(b ? b->len : 0);
    if (b && b->len) std::memcpy(p, b->bytes(), b->len);
    ws.Str_ptr = p;
    ws.Str_len = int32_t(b ? b->len : 0);
    return -2;
  }
  ws.Num_acc = num;
  if (str_len >= 0) {
    uint8_t* p = Work_take(str.size());
    if (!str.empty()) std::memcpy(p, str.data(), str.size());
    ws.Str_ptr = p;
  }
  ws.Str_len = str_len;
  return rc;
}

int Run_event_program(Fcb* f, const char* event, uint32_t bit) {
  Close_watch watch(f);
  int rc = Exec_do_fio(f, event, bit);
  if (rc == -1 || rc == -2 || !event) return rc;
  if (watch.closed()) {
    // The program closed the channel: its error still counts for a CLOSE.
    if (ws.Io_stmt != code::D_CLOSE && std::strcmp(event, "PRE_CLOSE") == 0) return -1;
  } else if (f->event_mask & EVM_CLOSE_RUN) {
    if (ws.Io_stmt != code::D_CLOSE) return -1;
    f->event_mask &= ~EVM_CLOSE_RUN;
  }
  if (rc == 11) Io_dom_err();
  if (rc == 2) Io_end_err();
  if (rc == 0) ws.Io_rty = 0;
  Rpt_error(rc);
}

// The GET_PASSWORD event of keyed files, and whether a library program runs.
static const char* running_program_path() { return ws.Cur_pgm ? ws.Cur_pgm->path : nullptr; }
void Io_events_register() {
  Key_pwd_hooks.io_event = Exec_do_fio;
  Key_pwd_hooks.program_path = running_program_path;
}
