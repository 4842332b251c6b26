// Closing channels.  Cls_file is the one place where a channel ends: it
// releases what the channel holds, calls the kind's close slot, closes (or
// parks) the host descriptor and frees the record.  Whatever fails on the
// way, the record is unlinked and freed: a channel is never left half open.
//
// Deferred-close table (system parameter +F): 30 slots {priority stamp,
// descriptor, path record}; a slot with descriptor -1 is free.
#include "channels/close.h"
#include "channels/dupl_write.h"
#include "channels/dictionary.h"
#include "channels/journal.h"
#include "channels/transaction.h"
#include "channels/chan_hooks.h"
#include "channels/file_create.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <string>

#include "channels/channel.h"
#include "channels/io_options.h"
#include "channels/iol_cache.h"
#include "channels/open.h"
#include "channels/record_io.h"
#include "core/text_case.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"

void (*Host_close_hook)(Fcb* f) = nullptr;
void (*Rec_unlock_hook)(Fcb* f) = nullptr;

namespace {

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// ---- deferred close ----

constexpr int CLS_SLOTS = 30;
struct Cls_slot {
  int32_t stamp;
  int32_t fd;
  SavedPath* path;
};
Cls_slot cls_table[CLS_SLOTS];
int cls_count = 0;
int32_t cls_priority = 0;
bool cls_ready = false;

// Whether the parked descriptor fd is still the file at path: a file
// removed or replaced since is opened afresh, never read stale.
bool same_file(int fd, const char* path) {
  struct stat at {}, held {};
  if (stat(path, &at) != 0 || fstat(fd, &held) != 0) return false;
  return at.st_ino == held.st_ino && at.st_dev == held.st_dev;
}

void cls_init() {
  if (cls_ready) return;
  for (auto& s : cls_table) s = Cls_slot{0, -1, nullptr};
  cls_ready = true;
}

// ---- files opened on demand ----

Fcb* dyna_files = nullptr;  // linked through od_next
int32_t dyna_stamp = 0;

void free_chain(void* head) {
  // Chains of blocks whose first word is the link (record formats, key names).
  while (head) {
    void* next = *static_cast<void**>(head);
    KestIolUncache(head);
    Ret_blk(head);
    head = next;
  }
}

void host_close(Fcb* f) {
  if (f->fd <= 1) return;
  if (Host_close_hook)
    Host_close_hook(f);
  else
    Close(f->fd);  // through the open-file table, which other channels may share
  f->fd = -1;
}

// Frees everything the record holds and the record; unlinks it first.
void release_record(Fcb* f) {
  Fcb* saved = ws.Cur_fcb;
  ws.Cur_fcb = f;
  Unlink_fp();
  ws.Cur_fcb = saved == f ? nullptr : saved;
  if (f->out_buf) Ret_blk(f->out_buf);
  if (f->iol) {
    KestIolUncache(f->iol);
    Ret_blk(f->iol);
  }
  if (f->rec_prefix) Ret_blk(f->rec_prefix);
  if (f->tpl_name) Ret_blk(f->tpl_name);
  if (f->out_xlate) Ret_blk(f->out_xlate);
  if (f->opt_text) Ret_blk(f->opt_text);
  if (f->event_pgm) Ret_blk(f->event_pgm);
  free_chain(f->rec_formats);
  free_chain(f->key_names);
  Chan_hook.term_release(f);
  FreePath(f->path);
  Ret_blk(f);
}

// The channels of a range close: 1..n, never the console.
void close_range(uint16_t n) {
  Io_save_guard keep;
  for (;;) {
    Fcb* f = ws.Fcb_list;
    // While a READ's wait serves a debugger's commands, its busy channel
    // stays for that READ.
    while (f && (f == ws.Con_fcb || f->owner != 0 || ((f->st3 & ST3_BUSY) && Wait_serving > 0)) && f->channel <= n)
      f = f->next;
    if (!f || f->channel > n) return;
    ws.Io_stmt = code::D_CLEAR;
    ws.Io_opts = 0;
    Select_channel(f);
    // A range close goes on past a channel whose close failed: the record
    // is gone either way, and END or shut-down must not stop half way.
    try {
      Cls_file();
    } catch (const Oru_error&) {
    }
  }
}

// A transaction is open and some channel holds an update made in it.
bool Transaction_pending() { return IsTransactionUpdatePending(); }

// Whether the statement from p on carries ERR= at bracket level 0.
bool has_err_option(const uint8_t* p) {
  const uint8_t* end = Code_end(p);
  while (!stmt_end(*p) && *p != code::EOL) {
    if (*p == iopt::ERR) return true;
    p += Scan_size(p, end);
  }
  return false;
}

}  // namespace

// ---- watches of records an event program may close ----

namespace {
Close_watch* close_watches = nullptr;
}

Close_watch::Close_watch(Fcb* f) : f_(f), prev_(close_watches) { close_watches = this; }

Close_watch::~Close_watch() {
  // Watches end in the reverse order of their start (they live on the stack).
  close_watches = prev_;
}

void Close_watch::Closing(Fcb* f) {
  for (Close_watch* w = close_watches; w; w = w->prev_)
    if (w->f_ == f) w->closed_ = true;
}

// ---- Cls_file ----

void Cls_file() {
  Fcb* f = ws.Cur_fcb;
  if (!f || f == ws.Con_fcb) return;  // the console's record lives until shut-down
  // The close event runs once; a program that closed the channel itself
  // leaves nothing more to do.
  if (f->event_pgm && !(f->event_mask & EVM_CLOSE_RUN)) {
    f->event_mask |= EVM_CLOSE_RUN;
    Close_watch watch(f);
    Run_io_event(f, "PRE_CLOSE", 0);
    if (watch.closed()) {
      // The record is gone; the nested run put back a current-I/O area
      // that still named it.
      ws.Cur_fcb = nullptr;
      return;
    }
  }
  // The close mnemonic '*X' runs its program once, as an inline call.
  if (f->mnemonics && !(f->st3 & ST3_CLOSE_MNEM_RUN)) {
    f->st3 |= ST3_CLOSE_MNEM_RUN;
    Close_watch watch(f);
    Chan_hook.close_program(f);
    if (watch.closed()) {
      ws.Cur_fcb = nullptr;
      return;
    }
  }
  if (File_event_hook) File_event_hook(2, int(f->channel), nullptr, 0);
  // The last record of the on-demand list has no successor: only the walk
  // tells whether the record is in the list.
  KestDynaClose(f);
  KestDuplClose(f);
  if (f->channel == 65001) ws.Run_flags &= ~RF_SCRATCH_CHAN;

  // From here the record goes whatever fails: the first error is raised
  // after it is freed.
  bool failed = false;
  Oru_error first{0};
  auto step = [&](auto&& fn) {
    try {
      fn();
    } catch (const Oru_error& e) {
      if (!failed) first = e;
      failed = true;
    }
  };
  const bool was_changed = (f->ulog_status & ULOG_CHANGED) != 0;
  if (f->kind != FK_CONSOLE_ALIAS) {
    if (f->lock_len != 0 && Rec_unlock_hook) step([&] { Rec_unlock_hook(f); });
    f->lock_len = 0;
    if (f->journal_id > 0) step([&] { Journal_it('c', nullptr, 0, f); });
    Select_channel(f);
    // An output channel ends with its end mnemonic '*C' (the thin client
    // ends its own way).
    if (f->mnemonics && f->kind != FK_THIN_CLIENT && !(f->st1 & ST1_INPUT_ONLY))
      step([&] { Chan_hook.close_mnemonic(f); });
    step([&] { Fio_call(FIO_CLOSE); });
    ws.Cur_fcb = f;
    if (!(Sw_on(sw::PlusF) && Kest_CloseDefer())) host_close(f);
  }
  Close_watch::Closing(f);
  release_record(f);
  ws.Cur_fcb = nullptr;
  if (was_changed && (ws.Sys_flags7 & ULOG_END_OF_RUN)) {
    // The file was closed cleanly: the per-process log no longer names it.
    ws.Sys_flags7 |= ULOG_PENDING;
    Journal_Flush(false);
  }
  if (failed) Rpt_error(first.no);
}

int CloseFile(Fcb* f) {
  Io_save_guard keep;
  ws.Io_opts = 0;
  ws.Io_stmt = code::D_CLOSE;
  Select_channel(f);
  Cls_file();
  return 0;
}

// ---- range closes ----

void Cls_upto(uint16_t n) { close_range(n); }

// The program's channels, and the console's windows unless switch WK keeps
// them.
void Cls_files() {
  close_range(Sw_on(sw::XF) ? CHAN_PROGRAM_MAX_XF : CHAN_PROGRAM_MAX);
  Kest_CloseClear();  // the program is done with its files: none stays parked
  if (!Sw_on(sw::WK)) Chan_hook.cls_windows();
}

void Cls_global() {
  close_range(CHAN_GLOBAL_MAX);
  Chan_hook.cls_windows();
}

void Cls_all() {
  close_range(CHAN_INTERNAL_MAX);
  Dupl_wrapup();
  cls_init();
  for (int i = 0; i < CLS_SLOTS; i++) Kest_CloseForce(i);
  if (Lib_hooks.close_all) Lib_hooks.close_all();
}

// ---- CLOSE ----

// CLOSE (ch [,ch]... [,ERR=line]), CLOSE (/) all program channels, CLOSE
// alone the same when parameter FF is 1.  Channel 0 (the console) ends the
// list: it and the channels after it stay open.
void d_clos() {
  uint8_t* p = ws.Exec_ptr;
  if (*p == code::D_DICT) {  // CLOSE DICT: the data dictionary
    ws.Exec_ptr++;
    Dict_close();
    return;
  }
  if (stmt_end(*p) || (*p == code::LPAREN && p[1] == code::OP_DIV)) {
    if (*p == code::LPAREN) {
      if (p[2] != code::RPAREN) Rpt_error(err::SYNTAX);
      ws.Exec_ptr = p + 3;
    } else if (prmblk.FF != 1) {
      Rpt_error(err::OUT_OF_RANGE);
    }
    if (Transaction_pending()) Rpt_error(err::CHANNEL_STATE);
    Cls_files();
    return;
  }
  if (*p != code::LPAREN) Rpt_error(err::SYNTAX);
  bool err_given = has_err_option(p);
  // A channel of the list refused before the ERR= item was read still
  // takes its branch.
  auto refuse = [&] {
    if (!ws.Err_line) Err_scan_from(p + 1);
    Rpt_error(err::CHANNEL_STATE);
  };
  Io_SetOptions(code::D_CLOSE);
  bool ended = false;  // channel 0 ends the list: the rest is read, not closed
  for (;;) {
    bool more = Io_close_more();
    ended = ended || ws.Cur_chan == 0;
    if (ended) {
      if (!more) break;
      Io_SetOptions_next(code::D_CLOSE);
      continue;
    }
    // An EFF channel that made updates in the open transaction stays open
    // until COMMIT or ROLLBACK (another channel of the same file may go).
    if (ws.Cur_fcb && ws.Cur_fcb->kind == FK_EFF && Txn_is_open() && Chan_hook.eff_in_txn(ws.Cur_fcb))
      refuse();
    if (ws.Cur_fcb) {
      // A PRE_CLOSE program or a close mnemonic may run I/O statements of
      // its own: the list goes on from where this channel's part ended.
      uint8_t* at = ws.Exec_ptr;
      Io_state io = static_cast<Io_state&>(ws);
      Cls_file();
      Fcb* cur = ws.Cur_fcb;
      auto drv = ws.Cur_drv;
      int32_t fd = ws.Cur_fd, type = ws.Cur_ftype;
      static_cast<Io_state&>(ws) = io;
      ws.Cur_fcb = cur;
      ws.Cur_drv = drv;
      ws.Cur_fd = fd;
      ws.Cur_ftype = type;
      ws.Exec_ptr = at;
    } else if (err_given) {
      refuse();
    }
    if (!more) break;
    Io_SetOptions_next(code::D_CLOSE);
  }
}

// ---- files opened on demand ----

void KestDynaClose(Fcb* f) {
  for (Fcb** link = &dyna_files; *link; link = &(*link)->od_next) {
    if (*link == f) {
      *link = f->od_next;
      f->od_next = nullptr;
      return;
    }
  }
}

uint16_t Highest_free_channel() {
  uint16_t top = Sw_on(sw::XF) ? CHAN_PROGRAM_MAX_XF : CHAN_PROGRAM_MAX;
  // The list is ascending: find the run of open numbers that ends at top.
  uint16_t run_start = 0, prev = 0;
  for (Fcb* f = ws.Fcb_list; f && f->channel <= top; f = f->next) {
    if (f->channel == 0) continue;
    if (f->channel != prev + 1 || run_start == 0) run_start = f->channel;
    prev = f->channel;
  }
  if (prev != top) return top;
  if (run_start <= 1) Rpt_error(err::CHANNEL_STATE);
  return uint16_t(run_start - 1);
}

void Io_internal_open(uint16_t chan, uint16_t opts, std::string_view opt, int32_t siz) {
  Io_reset_statement();
  ws.Io_stmt = code::D_OPEN;
  ws.Io_opts = opts;
  ws.Io_siz = siz;
  ws.Io_rec_prefix = nullptr;
  if (!opt.empty()) {
    uint8_t* p = Work_take(opt.size());
    std::memcpy(p, opt.data(), opt.size());
    ws.Io_opt_ptr = p;
    ws.Io_opt_len = int32_t(opt.size());
  }
  ws.Cur_chan = chan;
  ws.Cur_fcb = nullptr;
}

Fcb* Open_internal(uint16_t chan, const std::string& name, uint16_t opts, std::string_view opt, int32_t siz) {
  Io_internal_open(chan, opts, opt, siz);
  Set_path(name);
  if (int rc = Get_file()) Open_failed(rc);
  Fcb* f = Find_fp(chan);
  if (!f) Rpt_error(err::CHANNEL_STATE);
  f->inherited = uint16_t(ws.Con_fcb ? (ws.Con_fcb->inherited & 7) : 0);
  return f;
}

Fcb* Open_named(uint16_t chan, const uint8_t* name, int32_t len, uint16_t opts) {
  while (len > 0 && name[len - 1] == 0) len--;
  if (len < 1 || len > 512) Rpt_error(err::BAD_FILE_NAME);
  Fcb* f = Open_internal(chan, std::string(reinterpret_cast<const char*>(name), size_t(len)), opts);
  Select_channel(f);
  ws.Io_sep = f->separator;
  ws.Io_rec_prefix = f->rec_prefix;
  ws.Lfo_chan = chan;
  return f;
}

int KestDynaCount() {
  int n = 0;
  for (Fcb* f = dyna_files; f; f = f->od_next) n++;
  return n;
}

uint16_t KestDynaOpen() {
  // The name is the current string; a record opened by the same name (as
  // the program gave it) is reused.
  const uint8_t* name = ws.Str_ptr;
  int32_t len = ws.Str_len;
  while (len > 0 && name[len - 1] == ' ') len--;  // as the path resolution drops them
  for (Fcb* f = dyna_files; f; f = f->od_next) {
    if (f->path && std::strlen(f->path->name) == size_t(len) && std::memcmp(f->path->name, name, size_t(len)) == 0) {
      f->use_stamp = ++dyna_stamp;
      return f->channel;
    }
  }
  uint8_t* copy = Work_take(size_t(len) + 1);
  std::memcpy(copy, name, size_t(len));
  Io_save_guard keep;
  // Beyond the limit the most recently used record makes room.
  while (dyna_files && KestDynaCount() >= int(prmblk.F_plus)) {
    Fcb* newest = dyna_files;
    for (Fcb* f = dyna_files; f; f = f->od_next)
      if (f->use_stamp > newest->use_stamp) newest = f;
    CloseFile(newest);
  }
  uint16_t chan = Highest_free_channel();
  Fcb* f = Open_named(chan, copy, len, 0);
  f->use_stamp = ++dyna_stamp;
  f->od_next = dyna_files;
  dyna_files = f;
  return chan;
}

// ---- REFILE ----

namespace {

constexpr uint16_t SCRATCH_CHANNEL = 65001;

// Empties one file: opened exclusively on the scratch channel, purged as
// PURGE purges, closed whatever happened.
void refile_one(const uint8_t* name, int32_t len, const uint8_t* opt, int32_t opt_len) {
  // OPT= "ALLSEG" or "CISAM" asks for the segment files too; any other
  // text sets nothing.
  bool all_segs = opt_len > 0 && Kest_all_segs_opt(std::string(reinterpret_cast<const char*>(opt), size_t(opt_len)));
  if (Starts_ci(std::string_view(reinterpret_cast<const char*>(name), size_t(len)), "[vrl]")) {
    // A file on the client's machine: the client empties it, running the
    // directive's text.  The name goes between quotes, so it may hold none.
    if (!Client_is_attached()) Rpt_error(err::BAD_FILE_NAME);
    std::string text = "REFILE \"";
    for (int32_t i = 5; i < len; ++i) {
      if (name[i] == '"' || name[i] < 0x20)
        Rpt_error_text(err::BAD_FILE_NAME, "A file name for the client holds a quote or a control character");
      text += char(name[i]);
    }
    text += all_segs ? "\",OPT=\"ALLSEG\"" : "\"";
    Io_save_guard keep;
    Client_requests.statement(text);
    return;
  }
  Io_save_guard keep;
  ws.Io_stmt = code::D_OPEN;
  if (Find_fp(SCRATCH_CHANNEL)) Rpt_error(err::CHANNEL_STATE);
  Fcb* f = Open_named(SCRATCH_CHANNEL, name, len, IO_EXCLUSIVE);
  try {
    if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
    if (f->kind == FK_EFF && (ws.Sys_flags7 & 2)) Rpt_error(err::TRANSACTION_OPEN);
    ws.Io_stmt = code::X_RFLE;
    Purge_channel();
  } catch (...) {
    CloseFile(f);
    throw;
  }
  std::string path = f->path && f->path->path ? f->path->path : "";
  CloseFile(f);
  if (!path.empty()) KestEraseRefileDel(path, false, all_segs);
}

}  // namespace

// REFILE name [,OPT=text] [,ERR=line] [,name ...]
void d_rfle() {
  for (;;) {
    // A table of the data dictionary: TABLE name (or the prefixed form of
    // stored images) stands for the file the dictionary names.  A name that
    // cannot be resolved takes the ERR= that follows it.
    uint8_t* item = ws.Exec_ptr;
    try {
      if (*ws.Exec_ptr == code::PREFIX2 && ws.Exec_ptr[1] == 'C') {
        ws.Exec_ptr += 2;
        Eval_str();
        std::string file = Dict_resolve(std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)));
        uint8_t* p = Work_take(file.size() + 1);
        if (!file.empty()) std::memcpy(p, file.data(), file.size());
        ws.Str_ptr = p;
        ws.Str_len = int32_t(file.size());
      } else if (*ws.Exec_ptr == code::D_TABLE) {
        Dict_table_at_cursor();
      } else {
        Eval_str();
      }
    } catch (const Oru_error&) {
      // The scan for ERR= starts at the name (a TABLE code there would be
      // read as the TABLE statement's own bytes).
      ws.Stmt_save = item + (item[0] == code::D_TABLE ? 1 : item[0] == code::PREFIX2 ? 2 : 0);
      throw;
    }
    int32_t len = ws.Str_len;
    uint8_t* name = Work_take(size_t(len) + 1);
    if (len) std::memcpy(name, ws.Str_ptr, size_t(len));
    const uint8_t* opt = nullptr;
    int32_t opt_len = 0;
    while (*ws.Exec_ptr == code::COMMA && (ws.Exec_ptr[1] == iopt::OPT || ws.Exec_ptr[1] == iopt::ERR)) {
      ws.Exec_ptr++;
      if (*ws.Exec_ptr == iopt::ERR) {
        Chk_err();
        continue;
      }
      ws.Exec_ptr++;
      Eval_str();
      opt_len = ws.Str_len;
      uint8_t* o = Work_take(size_t(opt_len) + 1);
      if (opt_len) std::memcpy(o, ws.Str_ptr, size_t(opt_len));
      opt = o;
    }
    refile_one(name, len, opt, opt_len);
    if (*ws.Exec_ptr == code::COMMA) {
      ws.Exec_ptr++;
      continue;
    }
    if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
    return;
  }
}

// ---- deferred close ----

bool Kest_CloseDefer() {
  cls_init();
  Fcb* f = ws.Cur_fcb;
  int32_t k = f->kind;
  if (!(k == FK_SERIAL || k == FK_KEYED || k == FK_INDEXED || k == FK_EFF)) return false;
  if (f->fd <= 1 || !f->path) return false;
  if ((f->st1 & (ST1_INPUT_ONLY | ST1_WRITE_ONLY | ST1_LOCKED)) || (f->st4 & ST4_EXCLUSIVE)) return false;
  int slot = 0;
  for (int i = 1; i < CLS_SLOTS; i++)
    if (cls_table[i].stamp < cls_table[slot].stamp) slot = i;
  if (cls_table[slot].fd >= 0) Kest_CloseForce(slot);
  cls_table[slot] = Cls_slot{++cls_priority, f->fd, CopyPath(f->path)};
  cls_count++;
  f->fd = -1;
  return true;
}

int Kest_CloseCheck(bool exclusive, bool input_only) {
  cls_init();
  for (int i = 0; i < CLS_SLOTS; i++) {
    Cls_slot& s = cls_table[i];
    if (s.fd < 0 || !s.path || std::strcmp(s.path->path, ws.Path_buf) != 0) continue;
    int fd = 0;
    if (!exclusive && !input_only && same_file(s.fd, ws.Path_buf)) {
      fd = s.fd;
      s.fd = -1;
      cls_count--;
    }
    Kest_CloseForce(i);
    return fd;
  }
  return 0;
}

void Kest_CloseClear() {
  cls_init();
  if (cls_count == 0) return;
  for (int i = 0; i < CLS_SLOTS; i++) Kest_CloseForce(i);
}

void Kest_CloseForce(int slot) {
  cls_init();
  if (slot < 0 || slot >= CLS_SLOTS) return;
  Cls_slot& s = cls_table[slot];
  if (s.fd >= 0) {
    // The parked descriptor is one use of the open-file table's entry:
    // other channels of the process may still read and write through it.
    Close(s.fd);
    cls_count--;
  }
  FreePath(s.path);
  s = Cls_slot{0, -1, nullptr};
}

