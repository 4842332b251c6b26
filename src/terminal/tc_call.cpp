// CALL of a program on the thin client (see tc_call.h).
#include "terminal/tc_call.h"

#include <cctype>
#include <cstring>
#include <exception>

#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/text_case.h"
#include "core/workspace.h"
#include "terminal/tc_channel.h"
#include "terminal/tc_files.h"
#include "terminal/tc_protocol.h"

namespace {

constexpr int CAN_UPLOAD = 201;


// Starts '$' 'C' for name on its carrier; the name as the client knows it.
std::string start(const std::string& name) {
  std::string n = name;
  if (!WttyCheck(n, '$', 'C')) {
    if (Starts_ci(name, "[rpc:")) Rpt_error(err::BAD_SERVER_NAME);
    Rpt_error(err::FILE_NOT_FOUND);
  }
  return n;
}

}  // namespace

bool Tc_call_reply(const uint8_t* p, int32_t n, std::vector<Tc_call_arg>& args) {
  if (n <= 0) return true;
  std::vector<std::pair<size_t, std::string>> got;
  int32_t at = 0;
  while (at < n) {
    if (got.size() >= args.size()) return false;
    if (n - at < 3) return false;
    char kind = char(p[at]);
    int32_t len = get_u16be(p + at + 1);
    at += 3;
    if (len > n - at) return false;
    const Tc_call_arg& a = args[got.size()];
    if (kind != (a.is_string ? 'S' : 'N')) return false;
    got.emplace_back(got.size(), std::string(reinterpret_cast<const char*>(p + at), size_t(len)));
    at += len;
  }
  for (auto& g : got) {
    args[g.first].value = std::move(g.second);
    args[g.first].returned = true;
  }
  return true;
}

void Wtty_call(const std::string& name, std::vector<Tc_call_arg>& args) {
  if (args.size() > TC_CALL_MAX_ARGS) Rpt_error(err::NESTING_TOO_DEEP);
  Wtty_iop_guard io;
  std::string called = start(name);
  // A host program the client may fetch goes through the client's utility.
  std::string host_path, fetched = called;
  int64_t version = 0;
  if (!called.empty() && called[0] == '*') {
    version = ZefVrlGetVersion(called, &host_path);
    if (version > 0) called = "*kest\\vrl\\util;call;#" + std::to_string(version) + "#" + host_path;
    else host_path.clear();
  }
  for (int attempt = 0;; ++attempt) {
    if (attempt > 0) start(name);
    Wtty_str(called);
    for (const Tc_call_arg& a : args) {
      Wtty_chr(a.is_string ? 'S' : 'N');
      Wtty_str(a.value);
    }
    Wtty_xmit(1);
    if (ws.Str_len == -1 && ws.Err_code == CAN_UPLOAD) {
      // The client asks for the host file: sent once, then the call again.
      if (host_path.empty() || attempt > 0) Rpt_error(CAN_UPLOAD);
      ZefVrlUpload(fetched, host_path, version);
      continue;
    }
    break;
  }
  if (!Tc_call_reply(ws.Str_ptr, ws.Str_len, args))
    Rpt_error_text(err::CONNECTION_LOST, "The client's answer to a call is malformed");
}
