// Raising errors.
//
// Rpt_error runs the exit hook of the operation in progress (each hook once),
// drops the pending ++/-- of the statement and throws Oru_error.  Unwinding
// runs every RAII guard on the way to the recovery point, where
// Recover_error (core/error_recovery.cpp) decides where execution goes on.
// This file depends on the workspace only, so that every layer may raise.
#include "core/errors.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "core/signal_flags.h"
#include "core/workspace.h"

namespace {

std::string ext_error_text;

}  // namespace

// ---- raising ----

void Set_ext_error(const std::string& text) { ext_error_text = text; }

const std::string& Ext_error_text() { return ext_error_text; }

namespace {
bool busy_final = false;  // the last error raised is an error 0 never retried

[[noreturn]] void throw_error(int n, bool final) {
  while (ws.Err_hook) {
    void (*hook)() = ws.Err_hook;
    ws.Err_hook = nullptr;
    ws.Err_code = n;
    hook();
  }
  ws.Incdec_cnt = 0;
  ws.Run_flags &= ~RF_INCDEC;
  ws.Err_code = n;
  busy_final = final;
  throw Oru_error{n};
}
}  // namespace

void Rpt_error(int n) { throw_error(n, false); }

void Rpt_busy_final(const std::string& text) {
  ws.Io_rty = 0;
  Set_ext_error(text);
  ws.Err_flags |= 2;
  throw_error(err::RECORD_BUSY, true);
}

bool Err_busy_final() { return busy_final; }

void Rpt_error_text(int n, const std::string& text) {
  Set_ext_error(text);
  ws.Err_flags |= 2;
  Rpt_error(n);
}

void Not_built(const char* what) {
  Rpt_error_text(err::NOT_BUILT, std::string(what) + " is not available in this build yet");
}

int SetExtendedErrorMessage(const char* text, int ret, int result) {
  if (!text) {
    ext_error_text.clear();
    return result;
  }
  int e = errno;
  char buf[64];
  std::snprintf(buf, sizeof buf, " (err/ret=%d/%d)", e, ret == -1 ? e : ret);
  ext_error_text = std::string(text) + buf;
  return result;
}

int OS_error(const char* text, int ret, int n) {
  SetExtendedErrorMessage(text, ret, n);
  ws.Err_flags |= 2;
  if (n == -1) return -1;
  Rpt_error(n);
}

int Sys_error_no(int e) {
  switch (e) {
    case ENOENT:
    case ESTALE:  // the file looked at is no longer the one at its name
      return err::FILE_NOT_FOUND;
    case EINTR:
      if (Run_flags_now() & RF_ESCAPE) return err::INTERRUPTED;
      if (Run_flags_now() & RF_TIMEOUT) return err::RECORD_BUSY;
      return err::from_errno(EINTR);
    case EAGAIN:
    case EACCES:
    case EBUSY:
    case EDEADLK:
    case ENOLCK:
      return err::RECORD_BUSY;
    default:
      return err::from_errno(e);
  }
}

void Sys_error() {
  int e = errno;
  ws.Last_errno = e;
  ws.Err_flags |= 4;
  Rpt_error(Sys_error_no(e));
}

Err_hook_guard::Err_hook_guard(void (*hook)()) : saved_(ws.Err_hook) { ws.Err_hook = hook; }
Err_hook_guard::~Err_hook_guard() { ws.Err_hook = saved_; }

Catch_region::Catch_region() : saved_(ws.Err_hook) { ws.Err_hook = nullptr; }
Catch_region::~Catch_region() { ws.Err_hook = saved_; }

std::string Peer_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto u = uint8_t(c);
    // C0, DEL, and C1 (0x80-0x9F: peers' texts arrive as Latin-1, where a
    // terminal takes 0x9B as CSI and 0x9D as OSC).
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\%03o", unsigned(u));
      out += esc;
    } else {
      out += c;
    }
  }
  return out;
}
