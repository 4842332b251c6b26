// The console's channel record and the device driver behind it.
//
// The record is channel 0, kind 0 (device), descriptor 0, field separator a
// line feed: WRITE (0)A$,B$ shows each field on its own line, READ (0)A$
// takes one typed line.  Output goes through console_device, so PRINT, the
// prompt and channel output share one buffer and one output column.
#include "channels/console_channel.h"

#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/console_device.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/workspace.h"

namespace {

constexpr int32_t CON_BUF_SIZE = 8192;
std::string line_in;  // the last line read; the current string points into it
Fcb con_record;
uint8_t con_buffer[CON_BUF_SIZE];

int64_t dev_write() {
  Fcb* f = ws.Cur_fcb;
  if (f->buf_count > 0) Con_write(f->out_buf, size_t(f->buf_count));
  f->buf_count = 0;
  f->high_water = 0;
  return 0;
}

int64_t dev_flush() { return dev_write(); }

// One line; the line feed that ended it is part of the record, so that a
// list of fields ends at it.
int64_t dev_read() {
  if (!Con_read_line(line_in)) Io_end_err();
  line_in.push_back('\n');
  ws.Cur_fcb->st1 |= ST1_READ;
  ws.Str_ptr = reinterpret_cast<uint8_t*>(line_in.data());
  ws.Str_len = int32_t(line_in.size());
  return 0;
}

const Fio_op dev_fotbl[FIO_SLOTS] = {
    Io_mode_err,    // define
    Io_mode_err,    // open: the console's record is made at start-up
    Io_do_nothing,  // close
    dev_write,      // write
    dev_read,       // read
    Io_mode_err,    // remove
    Io_mode_err,    // setind
    Io_mode_err,    // getind
    Io_mode_err,    // setkey
    Io_mode_err,    // getkec
    Io_mode_err,    // getkey
    Io_mode_err,    // getkep
    dev_flush,      // flush
    Io_wr_mode,     // wr_mode
    Io_mode_err,    // purge
    Io_mode_err,    // getkef
    Io_mode_err,    // getkel
    Io_mode_err,    // getken
    Io_do_nothing,  // save
    Io_do_nothing,  // restore
};

}  // namespace

void Console_register() {
  Fio_register(FK_DEVICE, dev_fotbl);
  Fio_register(FK_CONSOLE_ALIAS, dev_fotbl);
}

void Console_open() {
  if (ws.Con_fcb) return;
  // The record and its buffer are static: the console lives as long as the
  // process, and a workspace reset that forgets the pointer loses nothing.
  Fcb* f = &con_record;
  *f = Fcb{};
  f->dup_to = f->dup_from = -1;
  f->channel = 0;
  f->fd = 0;
  f->kind = FK_DEVICE;
  f->separator = '\n';
  std::memset(f->short_name, ' ', sizeof f->short_name);
  std::memset(f->driver_id, ' ', sizeof f->driver_id);
  f->out_buf = con_buffer;
  f->buf_size = CON_BUF_SIZE;
  ws.Con_fcb = f;
  Fcb* saved = ws.Cur_fcb;
  uint16_t saved_chan = ws.Cur_chan;
  ws.Cur_fcb = f;
  ws.Cur_chan = 0;
  Link_fp();
  ws.Cur_fcb = saved ? saved : f;
  ws.Cur_chan = saved_chan;
  ws.Cur_drv = Fio_tbl[FK_DEVICE + 1];
  ws.Cur_fd = 0;
  ws.Cur_ftype = FK_DEVICE;
}

void Console_close() {
  Fcb* f = ws.Con_fcb;
  if (!f) return;
  Fcb* saved = ws.Cur_fcb;
  ws.Cur_fcb = f;
  Unlink_fp();
  ws.Cur_fcb = saved == f ? nullptr : saved;
  FreePath(f->path);
  f->path = nullptr;
  ws.Con_fcb = nullptr;
  line_in.clear();
  line_in.shrink_to_fit();
}
