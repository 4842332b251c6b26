// The statement trace of SQL channels: while parameter !Q is set, every
// statement run on an SQL channel (and every number field that holds other
// characters than a number's) is shown on the thin client as a message box
// with the text, a title and a CANCEL choice; the client's answer beginning
// with 'C' turns the trace off.  Without a thin client there is nowhere to
// show it: the parameter is turned off at once.
#include <string>

#include "core/hooks.h"
#include "core/params.h"
#include "core/workspace.h"
#include "net/sql_channel.h"
#include "terminal/tc_protocol.h"

namespace {

// The string accumulator and the work area as the operation had them.
class Str_guard {
 public:
  Str_guard() : ptr_(ws.Str_ptr), len_(ws.Str_len), work_(ws.Work_ptr) {}
  ~Str_guard() {
    ws.Str_ptr = ptr_;
    ws.Str_len = len_;
    ws.Work_ptr = work_;
  }
  Str_guard(const Str_guard&) = delete;
  Str_guard& operator=(const Str_guard&) = delete;

 private:
  uint8_t* ptr_;
  int32_t len_;
  uint8_t* work_;
};

}  // namespace

void Dbx_message_trace(const std::string& text, const std::string& title) {
  if (!prmblk.Bang_Q) return;
  if (!ws.Con_fcb || !(ws.Con_fcb->st2 & ST2_THIN_CLIENT)) {
    prmblk.Bang_Q = 0;
    return;
  }
  Str_guard keep;
  Wtty_iop_guard io;
  // The items point at these bytes until the request is sent.
  static const std::string cancel = "CANCEL";
  Wtty_init('?', ' ');
  Wtty_str(text);
  Wtty_str(title);
  Wtty_str(cancel);
  Wtty_xmit(1);
  if (ws.Str_len > 0 && ws.Str_ptr[0] == 'C') prmblk.Bang_Q = 0;
}

std::string Dbx_tagged(Sql_chan* sc, const std::string& text) {
  if (sc->debug_tag.empty()) return text;
  std::string pgm = Core_hook.program_path();
  return text + " " + sc->debug_tag + " " + (pgm.empty() ? "<NoPgm>" : pgm) + "@" + std::to_string(ws.Cur_line_no);
}

void Dbx_keep_text(Sql_chan* sc, const std::string& text, bool extract) {
  sc->last_text = text;
  Dbx_trace_statement(sc, text, extract);
}

void Dbx_trace_statement(Sql_chan* sc, const std::string& text, bool extract) {
  if (!prmblk.Bang_Q) return;
  Dbx_message_trace(text, extract       ? "Executing SQL command (Extract).."
                          : sc->command ? "Executing SQL command (Common).."
                                        : "Executing SQL command (File Specific)..");
}
