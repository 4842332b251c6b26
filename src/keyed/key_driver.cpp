// Keyed files, first format: the channel driver Key_fotbl (file kind 2).
//
// Each slot turns the current-I/O area (KEY=, IND=, RNO=, KNO=, the
// direction step, the lock option, the directive) into a request to the
// engine (keyed_file.h) and hands the result back the way the channel layer
// expects it: a record or key as the current string, an index as the
// slot's result.  The engine's missing-record and end-of-file errors leave
// through Io_dom_err and Io_end_err, so DOM= and END= branch.
#include "keyed/key_driver.h"
#include "keyed/key_layouts.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/field_convert.h"
#include "channels/transaction.h"
#include "channels/io_options.h"
#include "channels/kdef.h"
#include "channels/record_locks.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "keyed/key_format.h"
#include "keyed/keyed_file.h"
#include "keyed/keyed_internal.h"
#include "keyed/eff_create.h"
#include "keyed/file_password.h"
#include "keyed/index_directives.h"
#include "core/host.h"
#include "core/messages.h"
#include "core/process_config.h"
#include "core/zlib_loader.h"
#include "keyed/eff_store.h"
#include "keyed/key_settings.h"
#include <unistd.h>

namespace {

struct Key_fcb : Fcb {
  Key_chan* kc;
  std::string* pieces;  // extended records: data flushed before the WRITE
};

Key_fcb* cur() { return static_cast<Key_fcb*>(ws.Cur_fcb); }

// A statement that failed after the flush slot saved part of its record as
// pieces takes them back: the buffer gets again the `count` bytes it held
// at the statement's start (saved first by the flush), the pieces saved
// since go (the record would else begin with them at the next WRITE).
bool Key_unflush(Fcb* fcb, int64_t flushed, int32_t count, int32_t) {
  auto* f = static_cast<Key_fcb*>(fcb);
  const int64_t since = f->flushed - flushed;
  const size_t have = f->pieces ? f->pieces->size() : 0;
  if (since <= 0 || size_t(since) > have || count > since || count > f->buf_size) return false;
  const size_t keep = have - size_t(since);
  if (count > 0) std::memcpy(f->out_buf, f->pieces->data() + keep, size_t(count));
  f->pieces->resize(keep);
  if (keep == 0) {
    delete f->pieces;
    f->pieces = nullptr;
  }
  f->flushed = flushed;
  if (count >= 0) f->buf_count = count;
  return true;
}

int directive() {
  switch (ws.Io_stmt) {
    case code::D_EXTRACT: return DIR_EXTRACT;
    case code::D_FIND: return DIR_FIND;
    case code::D_REMOVE: return DIR_REMOVE;
    case code::D_WRITE: return DIR_WRITE;
    case code::X_INSERT: return DIR_INSERT;
    case code::X_UPDATE: return DIR_UPDATE;
    default: return DIR_READ;
  }
}

Key_req request() {
  Key_req r;
  r.directive = directive();
  if (ws.Io_opts & IO_KEY) {
    r.has_key = true;
    r.key.assign(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len));
  }
  if ((ws.Io_opts & IO_IND) && ws.Io_ind >= 0) {
    r.has_ind = true;
    r.ind = ws.Io_ind;
  }
  if ((ws.Io_opts & IO_RNO) && ws.Io_ind >= 0) {
    r.has_rno = true;
    r.rno = ws.Io_ind;
    r.has_ind = false;
  }
  if (ws.Io_kno >= 0 || ws.Io_kno == -2) {
    r.has_kno = true;
    r.kno = ws.Io_kno;
  }
  if (ws.Io_opts & IO_STEP) {
    r.has_dir = true;
    r.dir = ws.Io_dir;
  }
  r.lock = (ws.Io_opts & IO_EXCLUSIVE) != 0;
  r.dom = ws.Dom_line != 0;
  return r;
}

// Runs an engine call; its missing-record and end-of-file errors take the
// statement's DOM= and END= branches.
template <class F>
auto engine(F f) -> decltype(f()) {
  // Write-behind keeps blocks and the header lock past the operation: the
  // end-of-statement commit writes them back.
  if (prmblk.WD) ws.Run_flags |= RF_COMMIT;
  return Io_engine(f);
}

// The keys of a segment table of the channel layer (kdef.h: 4-byte entries,
// key number in the low nibble) as engine key descriptors; ext_len: the
// external key's length when the table names none.
std::vector<Eff_key_desc> Eff_keys_from_kdef(const uint8_t* segs, int cap, int ext_len) {
  std::vector<Eff_key_desc> keys;
  int nib = -1;
  for (int i = 0; i + 3 < cap; i += 4) {
    const uint8_t* e = segs + i;
    if (e[0] == KSEG_END) break;
    if (e[0] == KSEG_FLAGS) {
      if (keys.empty() || keys.back().segs.empty()) Rpt_error(err::KEY_DEFINITION);
      Eff_seg_desc& s = keys.back().segs.back();
      s.flags |= uint32_t(e[1] | (e[2] << 8)) & ~uint32_t(KSF_D);
      s.fill = e[3];
      continue;
    }
    if ((e[0] & 15) != nib) {
      keys.emplace_back();
      nib = e[0] & 15;
    }
    Eff_seg_desc s;
    s.field = e[1] == KFIELD_EXTERNAL ? 0xFFFF : e[1];
    s.offset = ((e[0] >> 4) << 8) | e[2];
    s.length = e[3] & 127;
    if (e[3] & 128) s.flags |= KSF_D;
    keys.back().segs.push_back(s);
  }
  // Key 0 held outside the record: its only segment names the external key.
  if (keys.empty() && ext_len > 0) {
    keys.emplace_back();
    keys.back().segs.push_back(Eff_seg_desc{0xFFFF, 0, ext_len, 0, 0});
  }
  if (!keys.empty() && keys[0].segs.size() == 1 && keys[0].segs[0].field == 0xFFFF) {
    if (keys[0].segs[0].length == 0) keys[0].segs[0].length = ext_len;
    keys[0].external = true;
  }
  return keys;
}

// EFF creation: the definition's keys become key descriptors.  The define
// slot owns the new file: it closes it, and removes it when it fails.
int64_t Eff_define_slot() {
  const Kdef* kd = ws.Create_kdef;
  int fd = ws.Cur_fd;
  std::string path = ws.Path_buf;
  try {
    if (kd->key_len & KLEN_EFF2) Rpt_error_text(err::NOT_BUILT, "EFF files in the large-file format are not used by this system");
    Eff_create_def d;
    d.limit = kd->records > 0 ? kd->records : 0;
    d.expected = kd->records < 0 ? -kd->records : kd->records;
    d.rec_len = kd->rec_len;
    d.block_kb = kd->block_kb;
    if (kd->flags1 & KF1_NK) d.flags_a |= 0x04;
    if (kd->flags1 & KF1_SEP_GIVEN) d.flags_a |= 0x08;
    if (kd->flags1 & KF1_NO_SEP) d.flags_a |= 0x10;
    if (kd->flags2 & KF2_C) d.flags_b |= 0x01;
    if (kd->flags2 & KF2_X) d.flags_b |= 0x08;
    if (kd->flags2 & KF2_Z) d.flags_b |= 0x40;
    d.sep_given = (kd->flags1 & KF1_SEP_GIVEN) != 0;
    d.sep = kd->separator;
    d.keys = Eff_keys_from_kdef(kd->segs ? kd->segs : default_kdef, kd->segs ? kd->seg_cap : 0, kd->key_len & 127);
    Eff_create(fd, d);
  } catch (...) {
    Close(fd);
    ::unlink(path.c_str());
    throw;
  }
  Close(fd);
  return 0;
}

int64_t Key_define_slot() {
  const Kdef* kd = ws.Create_kdef;
  if (!kd) Rpt_error(err::INTERNAL_CODE);
  if (kd->type == FK_EFF) return Eff_define_slot();
  Key_create d;
  d.file_type = kd->type;
  d.limit = kd->records;
  d.rec_len = kd->rec_len;
  std::memset(d.segs, 255, sizeof d.segs);
  if (kd->segs && kd->seg_cap > 0)
    std::memcpy(d.segs, kd->segs, size_t(std::min<int32_t>(kd->seg_cap, kf::SEG_TABLE_BYTES)));
  d.pct = kd->spare_pct;
  d.flags1 = kd->flags1;
  d.block_kb = kd->block_kb;
  d.sep = kd->separator;
  d.flags2 = kd->flags2;
  // The header's key length is key 0's full length (the external length
  // when key 0 is held outside the record).
  int ext = kd->key_len & 127;
  Key_layout lay = Key_decode_segs(d.segs, true, ext ? ext : 1);
  d.key_len = int16_t(std::max(ext, lay.keys[0].len));
  if (lay.segs.empty() || (ext && d.segs[0] != 255 && (d.segs[3] & 127) == 0)) std::memset(d.segs, 0, 4);
  Key_define_fd(ws.Cur_fd, ws.Path_buf, d);
  return 0;
}

int64_t Key_close_slot();

int64_t Key_open_slot() {
  Key_open_opts o;
  o.readonly = (ws.Io_opts & IO_INPUT_ONLY) != 0;
  o.growing = (ws.Io_opts & IO_LOAD) != 0;
  o.nbf = ws.Io_nbf;
  o.sep = ws.Io_sep;
  o.fd = ws.Cur_fd;
  o.nolock = (ws.Io_opts & IO_EXCLUSIVE) != 0;  // the file is held whole
  Key_chan* kc = Key_open(ws.Path_buf, o);
  auto* f = Fcb_alloc<Key_fcb>();
  f->fd = ws.Cur_fd;
  f->kind = ws.Cur_ftype == FK_EFF ? FK_EFF : FK_KEYED;
  f->kc = kc;
  f->unflush = Key_unflush;
  f->rec_size = Key_record_length(kc);
  f->high_key = uint8_t(Key_count_keys(kc) - 1);
  f->cur_key = 0;
  Fcb_set_buffer(f, std::max(f->rec_size, 1));
  // A file without a field separator holds length-prefixed (typed) fields.
  int sep = Key_separator(kc);
  if (sep >= 0) ws.Io_sep = sep;
  else if (sep == -1) ws.Io_sep = SEP_TYPED;
  if (Key_journaled(kc) || (ws.Cmd_flags & CMD_JOURNAL_ALL)) {
    f->journal_id = -1;  // announced in the journal on first use
    Key_chan_journal(kc, true);
  }
  ws.Cur_fcb = f;
  try {
    Key_refresh_names(f);
    f->channel = ws.Cur_chan;
    Key_check_access(f, ws.Path_buf);
    Key_load_layouts(f);
  } catch (...) {
    // The channel never opened: the engine channel and the record go.
    Key_close_slot();
    if (f->out_buf) Ret_blk(f->out_buf);
    if (f->iol) Ret_blk(f->iol);
    if (f->event_pgm) Ret_blk(f->event_pgm);
    for (void* e = f->rec_formats; e;) {
      void* next = *static_cast<void**>(e);
      Ret_blk(e);
      e = next;
    }
    if (f->path) FreePath(f->path);
    Ret_blk(f);
    ws.Cur_fcb = nullptr;
    throw;
  }
  return 0;
}

int64_t Key_close_slot() {
  Key_fcb* f = cur();
  Kname_free(reinterpret_cast<Kname_node**>(&f->key_names));
  delete f->pieces;
  f->pieces = nullptr;
  Key_chan* kc = f->kc;
  f->kc = nullptr;
  if (kc) Key_close(kc);
  return 0;
}

int64_t Key_write_slot() {
  Key_fcb* f = cur();
  std::string data(reinterpret_cast<const char*>(f->out_buf), size_t(f->buf_count));
  if (f->pieces) data = *f->pieces + data;
  Key_req r = request();
  if (f->journal_id) Init_file_jrnl();
  engine([&] { Key_write(f->kc, r, data); return 0; });
  // Written: the pieces go with the buffer (a failed write leaves both to
  // the statement, which takes back its own part).
  delete f->pieces;
  f->pieces = nullptr;
  f->buf_count = 0;
  f->high_water = 0;
  if (Sw_on(sw::FC) || (ws.Sys_flags11 & TXN_STATEMENT)) Mark_commit();
  f->st1 |= ST1_WRITTEN;
  return 0;
}

int64_t Key_read_slot() {
  Key_fcb* f = cur();
  Key_req r = request();
  std::string data = engine([&] { return Key_read(f->kc, r); });
  f->cur_key = uint8_t(Key_current_key(f->kc));
  f->st1 |= ST1_READ;
  Io_string_result(data);
  return 0;
}

int64_t Key_remove_slot() {
  Key_fcb* f = cur();
  Key_req r = request();
  engine([&] { Key_remove(f->kc, r); return 0; });
  if (Sw_on(sw::FC) || (ws.Sys_flags11 & TXN_STATEMENT)) Mark_commit();
  return 0;
}

int64_t Key_setind() {
  if (Key_record_length(cur()->kc) == 0) Rpt_error(err::WRONG_MODE);
  return 0;
}

int64_t Key_getind() {
  Key_req r = request();
  return engine([&] { return Key_getind(cur()->kc, r); });
}

int64_t Key_setkey() {
  if (ws.Io_key_len > 250) Rpt_error(err::STRING_LENGTH);
  return 0;
}

template <std::string (*Fn)(Key_chan*, const Key_req&)>
int64_t key_function() {
  Key_req r = request();
  std::string s = engine([&] { return Fn(cur()->kc, r); });
  Io_string_result(s);
  return 0;
}

int64_t Key_flush() {
  Key_fcb* f = cur();
  if (!Key_extended(f->kc)) Rpt_error(err::RECORD_TOO_LONG);
  if (!f->pieces) f->pieces = new std::string;
  f->pieces->append(reinterpret_cast<const char*>(f->out_buf), size_t(f->buf_count));
  f->flushed += f->buf_count;
  f->buf_count = 0;
  f->high_water = 0;
  return 0;
}

int64_t Key_purge_slot() {
  Key_fcb* f = cur();
  Mark_commit();
  engine([&] { Key_purge(f->kc); return 0; });
  return 0;
}

int64_t Key_save_slot() {
  ws.Drv_save = Key_save();
  return 0;
}

int64_t Key_restore_slot() {
  if (ws.Drv_save) Key_restore(ws.Drv_save);
  ws.Drv_save = nullptr;
  return 0;
}

// KEY= given in parts fills the segments of the key: their widths.
int key_widths(Fcb* f, int32_t key_no, int32_t* widths, int max, bool* padded) {
  if ((f->kind != FK_KEYED && f->kind != FK_EFF) || !static_cast<Key_fcb*>(f)->kc) return 0;
  *padded = Key_pads_segments(static_cast<Key_fcb*>(f)->kc);
  return Key_segment_lengths(static_cast<Key_fcb*>(f)->kc, key_no, widths, max);
}

}  // namespace

int64_t Key_getrno() {
  auto* f = static_cast<Key_fcb*>(ws.Cur_fcb);
  Key_req r = request();
  return engine([&] { return Key_getrno(f->kc, r); });
}

bool Key_same_file(const Key_chan* a, const Key_chan* b) { return a && b && a->f == b->f; }

Key_chan* Key_chan_of(Fcb* f) {
  if (!f || (f->kind != FK_KEYED && f->kind != FK_EFF)) return nullptr;
  return static_cast<Key_fcb*>(f)->kc;
}

bool Key_current_key(Fcb* f, std::string* key, bool* at_start) {
  Key_chan* kc = Key_chan_of(f);
  if (!kc) return false;
  key->clear();
  *at_start = kc->cur_key.empty();
  if (*at_start) return true;
  // The key as a program sees it; the stored bytes when the channel cannot
  // be looked at now (an operation of it under way).
  Catch_region region;
  try {
    *key = Key_current_text(kc);
  } catch (const Oru_error&) {
    key->assign(kc->cur_key.begin() + 1, kc->cur_key.end());
  }
  return true;
}

bool Key_channel_facts(Fcb* f, Key_facts* out) {
  if (!f || (f->kind != FK_KEYED && f->kind != FK_EFF) || !static_cast<Key_fcb*>(f)->kc) return false;
  Io_save_guard keep;
  ws.Cur_fcb = f;
  *out = engine([&] { return Key_facts_of(static_cast<Key_fcb*>(f)->kc); });
  return true;
}

// LOCK and UNLOCK of a whole keyed channel, of either format.  An EFF
// channel held whole ends its update cycle first (pages, flip, header, file
// lock released) and then works as one opened without locks: no file lock,
// no header reload, cycles ended by the write-behind count and at UNLOCK.
static void key_hold_whole(Fcb* f, bool on) {
  if (Key_chan* kc = static_cast<Key_fcb*>(f)->kc) Key_hold_whole(kc, on);
}

// Parameter BF sizes the shared block queue whenever it changes.
static void key_notify(uint16_t code, int32_t value) {
  if (code == Prm_code('B', 'F')) Kbfr_set(value);
  if (code == Prm_code('P', 'Q')) Clr_PwdCache();  // the cache starts afresh at its new size
}

const Fio_op Key_fotbl[FIO_SLOTS] = {
    Key_define_slot, Key_open_slot,    Key_close_slot,     Key_write_slot,    Key_read_slot,
    Key_remove_slot, Key_setind,       Key_getind,         Key_setkey,        key_function<Key_getkec>,
    key_function<Key_getkey>, key_function<Key_getkep>, Key_flush, Io_wr_rec_start, Key_purge_slot,
    key_function<Key_getkef>, key_function<Key_getkel>, key_function<Key_getken>, Key_save_slot,
    Key_restore_slot,
};


// ---- the engine's settings and services (key_settings.h) ----

void EffBeginTransaction() { ws.Sys_flags7 |= TXN_OPEN; }

namespace {

// Parameters and switches as the engine reads them; copied when an
// operation begins, so a change between statements counts from the next one.
void refresh_settings(Key_settings& c) {
  c.write_behind = prmblk.WD;
  c.shared_buffers = prmblk.BF;
  c.file_buffers = prmblk.FB;
  c.open_grow = prmblk.OL;
  c.max_megabytes = prmblk.MB;
  c.field_sep = prmblk.FS;
  c.create_mode = prmblk.Create_mode;
  c.write_locks = Sw_on(sw::WL);
  c.keep_kno = Sw_on(sw::KR);
  c.no_pad = Sw_on(sw::TN);
  c.key_on_write = Sw_on(sw::BX);
  c.no_limit = Sw_on(sw::I2);
  c.search_binary = Sw_on(sw::QK);
  c.big_nodes = Sw_on(sw::GtK);
  c.key0_full = Sw_on(sw::BangK);
  c.free_as_node = Sw_on(sw::StarK);
  c.read_no_lock = Sw_on(sw::XI);
  c.short_slots = Sw_on(sw::SR);
  c.next_after_key = Sw_on(sw::PlusK);
  c.shrink_on_purge = Sw_on(sw::SK);
  c.txn_open = (ws.Sys_flags7 & TXN_OPEN) != 0;
  std::memcpy(c.file_id, Oru_file_id, 4);
}

void (*swap_exit_hook(void (*hook)()))() {
  void (*old)() = ws.Err_hook;
  ws.Err_hook = hook;
  return old;
}

int error_code() { return ws.Err_code; }

void record_busy(int holder) {
  ws.Lock_holder = holder;
  ws.Last_errno = EAGAIN;
  Rpt_error(err::RECORD_BUSY);
}

int open_shared(const char* path, int flags) {
  Open_opts oo;
  return Open(path, flags, oo);
}

bool zlib_ready() { return CheckZlib() != 0; }

void wire_engine() {
  Key_svc.raise = Rpt_error;
  Key_svc.raise_text = Rpt_error_text;
  Key_svc.sys_error = Sys_error;
  Key_svc.swap_exit_hook = swap_exit_hook;
  Key_svc.error_code = error_code;
  Key_svc.open = open_shared;
  Key_svc.close = Close;
  Key_svc.lock = Lock_area;
  Key_svc.unlock = Unlk_area;
  Key_svc.busy = record_busy;
  Key_svc.refresh = refresh_settings;
  Key_cfg.upper = Uppercs;
  Key_cfg.lower = Lowercs;
  Key_cfg.accents = Accents;
  Key_cfg.zlib_ready = zlib_ready;
  Key_cfg.compress = ZlibCompressToBfr;
  Key_cfg.inflate = ZlibInflateToBfr;
}

}  // namespace

void Key_driver_register() {
  wire_engine();
  Register_whole_lock(FK_KEYED, key_hold_whole);
  Register_whole_lock(FK_EFF, key_hold_whole);
  Key_segment_widths = key_widths;  // keyed channels answer the widths of KEY= given in parts
  Prm_watch(key_notify);
}
