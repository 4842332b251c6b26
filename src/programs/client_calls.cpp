// Requests to an attached thin client from the program layer.
#include "programs/client_calls.h"

#include "channels/channel.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/workspace.h"

bool Client_attached() { return ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT); }

void Client_statement(const std::string&) { Not_built("requests to the thin client"); }

void Client_invoke(const std::string&, bool, bool, bool) { Not_built("requests to the thin client"); }

int OruMessageBoxOK(const std::string&, const std::string&) {
  if (!Client_attached()) return 0;
  Not_built("requests to the thin client");
}

void Client_calls_init() {
  Client_requests.attached = Client_attached;
  Client_requests.invoke = Client_invoke;
  Client_requests.statement = Client_statement;
}
