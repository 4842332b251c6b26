// The channel layer as the utility directives see it.
#include "functions/channel_access.h"

#include "channels/channel.h"
#include "channels/io_options.h"
#include "channels/print.h"
#include "channels/record_io.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/workspace.h"

namespace {

// Makes f current (null: the console).
void make_current(Fcb* f) {
  if (f)
    Select_channel(f);
  else
    Select_console();
}

}  // namespace

Fcb* Channel_part() {
  Io_SetOptions(0);
  if (!ws.Cur_fcb) Rpt_error(err::CHANNEL_STATE);
  return ws.Cur_fcb;
}

Fcb* Open_channel_part() {
  try {
    Io_SetOptions(0);
  } catch (const Oru_error& e) {
    if (e.no == err::CHANNEL_STATE) Rpt_error(err::WRONG_MODE);
    throw;
  }
  if (!ws.Cur_fcb) Rpt_error(err::WRONG_MODE);
  return ws.Cur_fcb;
}

Fcb* Channel_record(uint16_t ch) { return ch == 0 ? ws.Con_fcb : Find_fp(ch); }

bool Channel_is_open(uint16_t ch) { return ch == 0 || Find_fp(ch) != nullptr; }

void Channel_write_line(uint16_t ch, const std::string& text, bool lf) {
  Io_save_guard io;
  Fcb* f = Channel_record(ch);
  if (f && f != ws.Con_fcb) {
    // Written as a PRINT of its own: none of the options of the statement
    // being traced apply.
    Io_reset_statement();
    ws.Io_stmt = code::D_PRINT;
    ws.Io_sep = f->separator;
  }
  make_current(f);
  Prt_begin_output();
  ws.Str_ptr = const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(text.data()));
  ws.Str_len = int32_t(text.size());
  Prt_fld();
  if (f && f->kind == FK_MEMORY) {
    // A memory file keeps each line as a record of its own.
    if (lf) Wrt_record();
    return;
  }
  if (lf) Prt_mnem(Mnem_code('L', 'F'));
  Prt_flush();
}

void Channel_write_mode(uint16_t ch) {
  Io_save_guard io;
  Fcb* f = Channel_record(ch);
  make_current(f);
  Prt_begin_output();
}
