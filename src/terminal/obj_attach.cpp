// Objects attached to windows, channels, objects and programs.
//
// The queue holds entries {object slot, target kind, target id, client
// handle} in the order they were made.  A local object has its slot and a
// client handle of 0; an object kept on the thin client has slot 0 and its
// client handle.  The id of a window entry is the client handle (0 for a
// local object: nothing to ask the client about); of the other kinds the
// target's own id (channel number, object slot, program level).  An entry holds the reference the object's creator
// had: when its target closes, that reference goes (the object is freed
// when nothing else holds it).  An object freed first takes its entries
// with it (Obj4_Detach_all from the object system), so that no entry names
// a slot that a later object reuses.
#include "terminal/obj_attach.h"

#include <vector>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/workspace.h"
#include "terminal/gui_objctl.h"
#include "terminal/tc_objects.h"
#include "terminal/tc_protocol.h"
#include "terminal/tc_session.h"
#include "terminal/terminal.h"

std::vector<Obj4_entry> Obj4_queue;

namespace {

using Entry = Obj4_entry;
std::vector<Entry>& queue = Obj4_queue;

// Gives back the reference an entry held: a local object's through the
// object system, a client object's on the client.
void give_back(const Entry& e) {
  Catch_region region;
  try {
    if (e.slot) {
      if (Objctl_hook.ref) Objctl_hook.ref(e.slot, -1);
    } else if (e.client && Tc_attached() && !Tc_link_dead()) {
      WttyOopRefCnt(-1, e.client);
    }
  } catch (const Oru_error&) {
    // A failing delete handler, a client that no longer knows the object:
    // the reference is gone all the same.
  }
}

// The entries that match leave the queue before any reference goes, so
// that a release which closes further targets (the object's own channels,
// its delete handler) sees a consistent queue.
void release(int32_t kind, int32_t id) {
  std::vector<Entry> gone;
  for (size_t i = 0; i < queue.size();) {
    const Entry& e = queue[i];
    if (e.kind == kind && (kind >= 0 || id == 0 || e.id == id)) {
      gone.push_back(e);
      queue.erase(queue.begin() + std::ptrdiff_t(i));
    } else {
      ++i;
    }
  }
  for (const Entry& e : gone) give_back(e);
}

// Reads the target at the cursor into e (kind and id).
void read_target(Entry& e, int32_t program_level);

}  // namespace

void Obj4_Attach(int32_t slot, int32_t program_level) {
  Entry e{slot, 0, 0, 0};
  read_target(e, program_level);
  if (e.kind >= 0) e.id = 0;  // a local object: nothing to ask the client about
  queue.push_back(e);
}

void Obj4_Attach_client(int32_t handle, int32_t program_level) {
  Entry e{0, 0, 0, handle};
  read_target(e, program_level);
  if (e.kind >= 0) e.id = handle;
  queue.push_back(e);
}

void Obj4_Detach_client(int32_t handle) {
  for (size_t i = 0; i < queue.size();) {
    if (queue[i].slot == 0 && queue[i].client == handle) queue.erase(queue.begin() + std::ptrdiff_t(i));
    else ++i;
  }
}

void Obj4_MnemDO_Check(int32_t kind) {
  if (queue.empty() || !Tc_attached()) return;
  std::vector<Entry> asked;
  for (const Entry& e : queue)
    if (e.kind == kind && e.id != 0) asked.push_back(e);
  for (const Entry& e : asked) {
    if ((e.id < -32767 || e.id > 32767) && !(ws.Tc_caps & 2)) continue;  // cannot be asked in 2 bytes
    bool gone = false;
    {
      Catch_region region;
      try {
        Wtty_obj_info(e.id);
      } catch (const Oru_error&) {
        gone = true;
      }
    }
    if (!gone) continue;
    // The client no longer knows it: the attachment goes (it may have gone
    // already, released by an earlier one).
    for (size_t i = 0; i < queue.size(); ++i) {
      const Entry& q = queue[i];
      if (q.slot == e.slot && q.kind == e.kind && q.id == e.id && q.client == e.client) {
        queue.erase(queue.begin() + std::ptrdiff_t(i));
        give_back(e);
        break;
      }
    }
  }
}

namespace {

void read_target(Entry& e, int32_t program_level) {
  uint8_t c = *ws.Exec_ptr;
  int32_t slot = e.slot;
  if (c == code::PREFIX2 && ws.Exec_ptr[1] == 64) {  // OBJECT [handle]
    ws.Exec_ptr += 2;
    e.kind = OBJ4_OBJECT;
    if (*ws.Exec_ptr == code::RPAREN) {
      e.id = Objctl_hook.running ? Objctl_hook.running() : 0;
      if (!e.id) Rpt_error_text(err::BAD_OBJECT, "FOR OBJECT without a handle needs a running object");
    } else {
      Eval_val();
      Num_val v = ws.Num_acc;
      int64_t h = To_integer(v);
      if (h < 0 && (ws.Con_flags & 0x800)) h = -h;
      e.id = Objctl_hook.slot_of ? Objctl_hook.slot_of(h) : 0;
      if (!e.id) Rpt_error_text(err::BAD_OBJECT, "the handle " + std::to_string(h) + " names no live object");
    }
    if (e.id == slot) Rpt_error_text(err::BAD_OBJECT, "an object cannot be attached to itself");
  } else if (c == code::D_FILE) {
    ++ws.Exec_ptr;
    int32_t chan = Eval_integer();
    if (chan < 0 || chan > 65535 || !Find_fp(uint16_t(chan))) Rpt_error(err::CHANNEL_STATE);
    e.kind = OBJ4_CHANNEL;
    e.id = chan;
  } else if (c == code::D_PROGRAM) {
    ++ws.Exec_ptr;
    e.kind = OBJ4_PROGRAM;
    e.id = program_level;
  } else {
    Need_operand();
    int32_t n = Eval_integer();
    if (n < 0 || n > 255) Rpt_error(err::OUT_OF_RANGE);
    e.kind = n;
    e.id = n;
  }
}

}  // namespace

void Obj4_Detach(int32_t slot) {
  for (size_t i = 0; i < queue.size(); ++i)
    if (queue[i].slot == slot) {
      queue.erase(queue.begin() + std::ptrdiff_t(i));
      return;
    }
}

void Obj4_Detach_all(int32_t slot) {
  for (size_t i = 0; i < queue.size();) {
    if (queue[i].slot == slot) queue.erase(queue.begin() + std::ptrdiff_t(i));
    else ++i;
  }
}

void Obj4_OnClose(int32_t kind, int32_t id) {
  if (!queue.empty()) {
    Io_touch();  // (a release may reach the client's windows)
    release(kind, id);
  }
}

