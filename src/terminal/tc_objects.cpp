// Objects kept on the thin client (see tc_objects.h for the requests).
#include "terminal/tc_objects.h"

#include "core/codes.h"
#include "core/errors.h"
#include "core/nested_run.h"
#include "core/workspace.h"
#include "terminal/tc_frame.h"
#include "terminal/tc_protocol.h"

namespace {

// The 4-byte number at the start of the reply.
int32_t reply_number(const char* what) {
  if (ws.Str_len < 4 || !ws.Str_ptr)
    Rpt_error_text(err::CONNECTION_LOST, std::string("the client's reply to ") + what + " is shorter than 4 bytes");
  return int32_t(get_u32be(ws.Str_ptr));
}

int32_t reply_handle(const char* what) {
  int32_t h = reply_number(what);
  if (h != 0 && !Tc_object_handle(h))
    Rpt_error_text(err::CONNECTION_LOST, "the client gave " + std::to_string(h) + " as the handle of " + what +
                                             ": no handle of a client object");
  return h;
}

}  // namespace

int32_t WttyOopNew(const std::string& cls, const std::string& params) {
  Io_save_guard io;
  Wtty_init('Y', 'a');
  Wtty_str(cls);
  Wtty_str(params);
  Wtty_xmit(1);
  int32_t h = reply_handle("a new object");
  if (h == 0) Rpt_error_text(err::CLASS_NOT_FOUND, "the thin client made no object of class " + cls);
  return h;
}

int32_t WttyCreateOcx(const std::string& name, const int32_t geometry[4]) {
  Io_save_guard io;
  Wtty_init('Y', '$');
  Wtty_str(name);
  for (int i = 0; i < 4; i++) Wtty_long(geometry[i]);
  Wtty_xmit(1);
  return reply_handle("DEF OBJECT");
}

void WttyDropOcx(int32_t handle) {
  Io_save_guard io;
  Wtty_init('Y', '-');
  Wtty_long(handle);
  Wtty_xmit(0);
}

int32_t WttyOopRefCnt(int delta, int32_t handle) {
  if (delta < -1 || delta > 1)
    Rpt_error_text(err::NOT_BUILT, "the reference count of a client object moves by one at a time");
  Io_save_guard io;
  Wtty_init('Y', '#');
  Wtty_chr(delta > 0 ? '+' : delta < 0 ? '-' : '?');
  Wtty_long(handle);
  Wtty_xmit(1);
  return reply_number("a reference count");
}

std::string Wtty_obj_info(int32_t id) {
  Io_save_guard io;
  Wtty_init('O', ' ');
  Wtty_int(id);
  Wtty_xmit(1);
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), ws.Str_len > 0 ? size_t(ws.Str_len) : 0);
}

void Wtty_exec_wait(const std::string& text) {
  Io_save_guard io;
  Wtty_init('$', 'E');
  Wtty_str(text);
  Wtty_xmit(1);
}
