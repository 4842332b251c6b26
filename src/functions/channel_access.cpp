// The channel layer as the utility directives see it.  Until channels other
// than the console exist, channel 0 (the console) is the only open channel.
#include "functions/channel_access.h"

#include "channels/console_device.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/workspace.h"

uint16_t Channel_operand() {
  if (*ws.Exec_ptr != code::LPAREN) Rpt_error(20);
  ++ws.Exec_ptr;
  uint16_t ch = uint16_t(Eval_range(0, 65000));
  if (*ws.Exec_ptr == code::COMMA) {
    ++ws.Exec_ptr;
    if (*ws.Exec_ptr != code::IOPT_FIRST + 4) Rpt_error(20);  // ERR=
    Chk_err();
  }
  if (*ws.Exec_ptr != code::RPAREN) Rpt_error(20);
  ++ws.Exec_ptr;
  return ch;
}

bool Channel_is_open(uint16_t ch) { return ch == 0; }

void Channel_write_line(uint16_t, const std::string& text, bool lf) {
  Con_write(text.data(), text.size());
  if (lf) Con_newline();
  Con_flush();
}

void Channel_write_mode(uint16_t) {}
