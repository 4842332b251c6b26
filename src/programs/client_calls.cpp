// Requests to an attached thin client from the program layer: statements
// and commands the client runs, the message box with an OK button, the trace
// window, and the property reads and prints of breakpoints and watches.
#include "programs/client_calls.h"

#include "channels/channel.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/workspace.h"
#include "programs/breakpoints.h"
#include "terminal/console_switch.h"
#include "terminal/tc_propcache.h"
#include "terminal/tc_protocol.h"
#include "terminal/tc_session.h"

namespace {

// The accumulators a request's reply replaces, kept around it.
struct Acc_keep {
  uint8_t* p = ws.Str_ptr;
  int32_t n = ws.Str_len;
  uint8_t* work = ws.Work_ptr;
  ~Acc_keep() {
    ws.Str_ptr = p;
    ws.Str_len = n;
    ws.Work_ptr = work;
  }
};

void trace_line(const std::string& text) {
  if (ws.Tc_level < 9) return;  // older clients have no trace window
  Wtty_SetTracePrt(reinterpret_cast<const uint8_t*>(text.data()), int32_t(text.size()));
}

bool get_property(const char* name, std::string* value) {
  Acc_keep keep;
  Wtty_iop_guard io;
  Wtty_get_fin_value(name);
  if (ws.Str_len > 0) value->assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  else value->clear();
  return true;
}

void send_watch(const std::string& bytes) {
  Wtty_iop_guard io;
  Wtty_RmtPrint(reinterpret_cast<const uint8_t*>(bytes.data()), int32_t(bytes.size()));
}

// RUN on a thin-client console: the client's breakpoint and watch lists are
// read before the program goes on (the user changes them while it stops).
void on_run() {
  if (!Client_attached()) return;
  Break_list_changed();
  Watch_list_changed();
}

}  // namespace

bool Client_attached() { return Tc_attached(); }

void Client_statement(const std::string& text) {
  Wtty_init('$', 'E');
  Wtty_str(text);
  Wtty_xmit(1);
}

void Client_invoke(const std::string& command, bool wait, bool second, bool third) {
  Wtty_init(36, 73);
  Wtty_str(command);
  Wtty_int(wait ? 1 : 0);
  Wtty_int(second ? 1 : 0);
  Wtty_int(third ? 1 : 0);
  Wtty_xmit(wait ? 1 : 0);
}

int OruMessageBoxOK(const std::string& title, const std::string& text) {
  if (!Client_attached()) return 0;
  Acc_keep keep;
  Wtty_iop_guard io;
  static const std::string buttons = "!,OK";
  Wtty_init('?', ' ');
  Wtty_str(title);
  Wtty_str(text);
  Wtty_str(buttons);
  Wtty_xmit(1);
  return 1;
}

void Client_rename_controls(const std::string& entries, bool hide, bool show, bool restore) {
  Wtty_init('n', 'C');
  Wtty_str(entries);
  Wtty_int(hide ? 1 : 0);
  Wtty_int(show ? 1 : 0);
  Wtty_int(restore ? 1 : 0);
  Wtty_xmit(0);
}

void Client_calls_init() {
  Client_requests.attached = Client_attached;
  Client_requests.invoke = Client_invoke;
  Client_requests.statement = Client_statement;
  Client_requests.trace = trace_line;
  Client_requests.run = on_run;
  Client_requests.check_live = ZefVrl_CheckLive;
  Console_unlink_hook = Tc_console_unlink;
  Client_requests.server_props = Tc_server_props;
  Client_requests.rename_controls = Client_rename_controls;
  Client_debug.get_property = get_property;
  Client_debug.send = send_watch;
}
