// Objects kept on the thin client (see oop_client.h; the requests are in
// terminal/tc_objects.h).
#include "programs/oop_client.h"

#include "channels/channel.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/text_case.h"
#include "core/workspace.h"
#include "programs/call_frame.h"
#include "programs/remote_args.h"
#include "terminal/obj_attach.h"
#include "terminal/tc_objects.h"
#include "terminal/tc_protocol.h"

bool Oop_client_name(std::string& name) {
  if (name.size() > 5 && Starts_ci(name, "[lcl]")) {
    if (Tc_attached()) name.replace(0, 5, "[vrl]");
    else name.erase(0, 5);
  }
  if (!Starts_ci(name, "[vrl]")) return false;
  name.erase(0, 5);
  return true;
}

int32_t Oop_client_new(const std::string& cls) {
  if (cls.empty()) Rpt_error_text(err::STRING_LENGTH, "NEW of a client object needs a class name after \"[vrl]\"");
  int32_t h;
  {
    Remote_arrays_freed arrays;
    std::string params = Remote_args_text(arrays.sent);
    h = WttyOopNew(cls, params);
  }
  if (*ws.Exec_ptr == code::D_FOR) {
    // FOR target: the attachment holds the object's reference; a bad
    // target drops the object again.
    ws.Exec_ptr++;
    try {
      Obj4_Attach_client(h, Prog_call_level());
    } catch (...) {
      Catch_region region;
      try {
        WttyDropOcx(h);
      } catch (const Oru_error&) {
      }
      throw;
    }
  }
  return h;
}

int32_t Oop_client_create(const std::string& name, int32_t id, const int32_t geometry[4]) {
  if (name.empty()) {
    const int32_t control[4] = {id, 0, -100, -100};
    return WttyCreateOcx(name, control);
  }
  return WttyCreateOcx(name, geometry);
}

bool Oop_client_handle(int64_t h) { return Tc_attached() && Tc_object_handle(h); }

void Oop_client_drop(int32_t h) {
  Obj4_Detach_client(h);
  WttyDropOcx(h);
}

int32_t Oop_client_ref(int delta, int32_t h) { return WttyOopRefCnt(delta, h); }

void Oop_client_on_event(bool all, const std::string& name, int32_t src, int32_t handler, int32_t preinput) {
  if (!Tc_object_handle(src))
    Rpt_error_text(err::BAD_OBJECT, "no object of the thin client has the handle " + std::to_string(src));
  std::string text;
  if (all) {
    if (handler > 0)
      Rpt_error_text(err::BAD_OBJECT, "the events of a client object are handled by a client object (a negative handle)");
    text = "ON EVENT FROM " + std::to_string(src) + " PROCESS " + std::to_string(handler);
  } else {
    for (char c : name)
      if (c == '"' || uint8_t(c) < 32 || uint8_t(c) == 127)
        Rpt_error_text(err::BAD_FILE_NAME, "an event name for the thin client holds a quote or a control character");
    text = "ON EVENT \"" + name + "\" FROM " + std::to_string(src) + " PREINPUT " + std::to_string(preinput);
  }
  Wtty_exec_wait(text);
}
