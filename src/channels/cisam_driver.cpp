// C-ISAM channels (file kind 9): the driver table over the engine of
// cisam_btree.cpp.  The channel's common descriptor is the data file, so
// that the record locks of EXTRACT and WRITE fall on the record's bytes
// there; the index file is the engine's, locked per statement.
#include <unistd.h>

#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/cisam_file.h"
#include "channels/record_locks.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "core/console_device.h"

namespace {

constexpr int DEFAULT_NBF = 8;
constexpr int EXCLUSIVE_NBF = 64;  // a pair held whole keeps its nodes between statements

struct Ism_fcb : Fcb {
  Ism_file* eng;
  int32_t idx_fd;
};

Ism_fcb* cur() { return static_cast<Ism_fcb*>(ws.Cur_fcb); }

// The notice of an alternate-key entry that is missing (the statement then
// fails): a line on the console titled as the file format.
void missing_alt_notice() {
  Con_newline();
  Con_puts("C-ISAM: Cannot find alt-key...");
  Con_newline();
}

// KNO= of the statement (range checked), else the channel's current key.
int key_no(Ism_fcb* f) {
  if (ws.Io_kno >= 0) {
    if (ws.Io_kno >= f->eng->keys()) Rpt_error(err::STRING_LENGTH);
    return ws.Io_kno;
  }
  return f->cur_key;
}

std::string given_key(Ism_fcb* f, int k) {
  if (ws.Io_key_len > f->eng->key_len(k)) Rpt_error(err::STRING_LENGTH);
  return std::string(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len));
}

int64_t Ism_open() {
  bool exclusive = (ws.Io_opts & IO_EXCLUSIVE) != 0;
  bool readonly = (ws.Io_opts & IO_INPUT_ONLY) != 0;
  int nbf = ws.Io_nbf > 0 ? ws.Io_nbf : exclusive ? EXCLUSIVE_NBF : DEFAULT_NBF;
  std::unique_ptr<Ism_file> eng = Ism_open_pair(ws.Cur_fd, ws.Path_buf, readonly, exclusive, nbf);
  auto* f = Fcb_alloc<Ism_fcb>();
  f->kind = FK_CISAM;
  f->idx_fd = ws.Cur_fd;
  f->fd = eng->data_fd();
  eng->own_data_fd(false);
  eng->read_data = Read_and_lock;
  eng->write_data = Write_and_lock;
  eng->missing_alt = missing_alt_notice;
  f->rec_size = eng->reclen();
  f->high_key = uint8_t(eng->keys() - 1);
  f->cur_key = 0;
  f->eng = eng.release();
  Fcb_set_buffer(f, f->rec_size);
  ws.Cur_fd = f->fd;
  ws.Cur_fcb = f;
  return 0;
}

}  // namespace

bool Ism_channel_facts(Fcb* fcb, Ism_facts* out) {
  if (fcb->kind != FK_CISAM) return false;
  auto* f = static_cast<Ism_fcb*>(fcb);
  if (!f->eng) return false;
  out->records = f->eng->record_count();
  out->key_size = f->cur_key < f->eng->keys() ? f->eng->key_len(f->cur_key) : 0;
  out->segs.clear();
  for (int k = 0; k < f->eng->keys(); ++k) {
    for (const Ism_part& p : f->eng->key_desc(k).parts) {
      // Key number (low nibble) and offset bits 8-11, field 0 (the whole
      // record), offset bits 0-7, length.
      out->segs += char((k & 15) | (((p.off >> 8) & 15) << 4));
      out->segs += char(0);
      out->segs += char(p.off & 255);
      out->segs += char(p.len & 127);
    }
  }
  return true;
}

// LOCK and UNLOCK: the index file is locked whole beside the data file (the
// channel's descriptor, which LOCK takes itself), and the statement lock is
// held until UNLOCK, so that other processes' statements wait for it.
void Ism_hold_whole(Fcb* fcb, bool on) {
  auto* f = static_cast<Ism_fcb*>(fcb);
  if (!f->eng) return;
  if (!on) {
    struct Mark {
      int fd;
      ~Mark() { Unlock_whole_file(fd); }
    } mark{f->idx_fd};
    f->eng->hold(false);
    return;
  }
  Lock_whole_file(f->idx_fd);
  try {
    f->eng->hold(true);
  } catch (...) {
    Unlock_whole_file(f->idx_fd);
    throw;
  }
}

namespace {

int64_t Ism_close() {
  Ism_fcb* f = cur();
  struct Free {
    Ism_fcb* f;
    ~Free() {
      delete f->eng;
      f->eng = nullptr;
      if (f->idx_fd > 1) Close(f->idx_fd);
      f->idx_fd = -1;
    }
  } free_eng{f};
  if (f->eng) f->eng->close();
  return 0;
}

int64_t Ism_write() {
  Ism_fcb* f = cur();
  std::string rec(reinterpret_cast<const char*>(f->out_buf), size_t(f->buf_count));
  f->buf_count = 0;
  f->high_water = 0;
  if (int(rec.size()) > f->eng->reclen()) Rpt_error(err::RECORD_TOO_LONG);
  rec.resize(size_t(f->eng->reclen()), '\0');
  if (ws.Io_opts & IO_KEY) {
    // KEY= must be the key 0 the record makes.
    std::string k = given_key(f, 0);
    k.resize(size_t(f->eng->key_len(0)), '\0');
    if (k != f->eng->genkey(0, rec)) Rpt_error(err::KEY_DEFINITION);
  }
  int mode = ws.Io_stmt == code::X_INSERT ? 1 : ws.Io_stmt == code::X_UPDATE ? 2 : ws.Dom_line ? 1 : 0;
  int r = Io_engine([&] { return f->eng->write(rec, mode, nullptr); });
  if (r == 11) Io_dom_err();
  f->st1 |= ST1_WRITTEN;
  return 0;
}

int64_t Ism_read() {
  Ism_fcb* f = cur();
  int k = key_no(f);
  f->cur_key = uint8_t(k);
  Ism_file* e = f->eng;
  bool found;
  if (ws.Io_opts & IO_KEY) {
    std::string key = given_key(f, k);
    found = Io_engine([&] { return e->find(k, key, ws.Io_stmt != code::D_FIND); });
    if (!found) Io_dom_err();
  } else if ((ws.Io_opts & IO_STEP) && ws.Io_dir < 0) {
    if (!Io_engine([&] { return e->prev(k); })) Io_end_err();
  } else {
    if (!Io_engine([&] { return e->next(k); })) Io_end_err();
  }
  uint32_t n = e->pos(k).rec;
  std::string rec;
  if (!e->read_record(n, &rec)) Rpt_error_text(err::RECORD_LENGTH, "C-ISAM data record missing or cut short");
  e->set_positions(k, rec, n);
  f->st1 |= ST1_READ;
  Io_string_result(rec);
  return 0;
}

int64_t Ism_remove() {
  Ism_fcb* f = cur();
  if (!(ws.Io_opts & IO_KEY)) Rpt_error(err::WRONG_MODE);
  std::string key = given_key(f, 0);
  if (!Io_engine([&] { return f->eng->remove(key); })) Io_dom_err();
  return 0;
}

int64_t Ism_getind() {
  Ism_fcb* f = cur();
  const Ism_pos& p = f->eng->pos(key_no(f));
  if (p.state != Ism_pos::ON) Io_end_err();
  return int64_t(p.rec);
}

int64_t Ism_setkey() { return 0; }

int64_t Ism_getkec() {
  Ism_fcb* f = cur();
  const Ism_pos& p = f->eng->pos(key_no(f));
  if (p.state != Ism_pos::ON) Io_end_err();
  Io_string_result(p.key);
  return 0;
}

// KEY() and KEP(): the key after / before the position, which stays.
template <bool (Ism_file::*Peek)(int, std::string*)>
int64_t Ism_peek_key() {
  Ism_fcb* f = cur();
  int k = key_no(f);
  std::string key;
  if (!Io_engine([&] { return (f->eng->*Peek)(k, &key); })) Io_end_err();
  Io_string_result(key);
  return 0;
}

int64_t Ism_purge() {
  Ism_fcb* f = cur();
  if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
  Io_engine([&] { f->eng->purge(); return 0; });
  return 0;
}

}  // namespace

const Fio_op Ism_fotbl[FIO_SLOTS] = {
    Io_mode_err, Ism_open,    Ism_close,   Ism_write,   Ism_read,    Ism_remove,  Io_mode_err,
    Ism_getind,  Ism_setkey,  Ism_getkec,  Ism_peek_key<&Ism_file::peek_next>, Ism_peek_key<&Ism_file::peek_prev>,
    Io_rsz_err,  Io_wr_rec_start, Ism_purge, Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing,
};
