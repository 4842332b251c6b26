// ACCEPT (channel [, SIZ=n] [, TIM=t] [, EVT=line] [, ERR=line]) A$: reads
// characters without the line editor, from device channels only (error 13
// otherwise).  On the console SIZ= above 0 reads that many bytes of the
// input at once (fewer at its end; none is the end of data, error 2),
// except under a thin client.
// Otherwise one character: it must be there at once, or within TIM=; when
// none comes the EVT= line is the error branch and the busy error 0 is
// raised (never retried).
#include <string>

#include "channels/channel.h"
#include "core/console_device.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "terminal/tc_session.h"
#include "terminal/terminal.h"

namespace {

constexpr int32_t ACCEPT_SIZE_MAX = 32767;

// A byte of the channel: -1 none in time, -3 end of input.
int next_byte(Fcb* f, bool console, int32_t hundredths) {
  if (console && !Console_raw_keys()) {
    int b = Con_read_byte(hundredths);
    // A client's stream that ended leaves the process without its client.
    if (b == -3 && (f->st2 & ST2_THIN_CLIENT) && Con_input_ended()) Tc_stream_gone();
    return b;
  }
  int b = Device_getch(f, hundredths);
  return b == -2 ? -1 : b;
}

}  // namespace

void d_acpt() {
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::WRONG_MODE);
  bool console = f == ws.Con_fcb || f->kind == FK_CONSOLE_ALIAS;
  if (console) f = ws.Con_fcb;
  if (f->kind != FK_DEVICE && !console) Rpt_error(err::WRONG_MODE);
  uint8_t c = *ws.Exec_ptr;
  if (c != code::STR_VAR) Rpt_error(err::SYNTAX);
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  if (t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
  std::string got;
  // Under a thin client the console's input carries the client's protocol:
  // keys come one at a time there, SIZ= or not.
  if (console && ws.Io_siz > 0 && !(f->st2 & ST2_THIN_CLIENT)) {
    if (ws.Io_siz > ACCEPT_SIZE_MAX) Rpt_error(err::OUT_OF_RANGE);
    while (int32_t(got.size()) < ws.Io_siz) {
      int b = next_byte(f, true, -1);
      if (b < 0) break;
      got += char(b);
    }
    if (got.empty()) Io_end_err();
  } else {
    int b = next_byte(f, console, ws.Io_tim >= 0 ? ws.Io_tim : 0);
    if (b < 0) {
      if (ws.Io_evt_line) ws.Err_line = ws.Io_evt_line;
      ws.Io_rty = 0;
      Rpt_error(err::RECORD_BUSY);
    }
    got += char(b);
  }
  ws.Str_ptr = reinterpret_cast<uint8_t*>(got.data());  // Let_assign copies it
  ws.Str_len = int32_t(got.size());
  Let_assign(t);
}
