// Objects attached to windows, channels, objects and programs.
//
// The queue holds entries {object slot, target kind, target id} in the
// order they were made.  An entry holds the reference the object's creator
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
#include "terminal/terminal.h"

namespace {

struct Entry {
  int32_t slot, kind, id;
};
std::vector<Entry> queue;

// The entries that match leave the queue before any reference goes, so
// that a release which closes further targets (the object's own channels,
// its delete handler) sees a consistent queue.
void release(int32_t kind, int32_t id) {
  std::vector<int32_t> slots;
  for (size_t i = 0; i < queue.size();) {
    const Entry& e = queue[i];
    if (e.kind == kind && (kind >= 0 || id == 0 || e.id == id)) {
      slots.push_back(e.slot);
      queue.erase(queue.begin() + std::ptrdiff_t(i));
    } else {
      ++i;
    }
  }
  for (int32_t s : slots) {
    if (!Objctl_hook.ref) continue;
    Catch_region region;
    try {
      Objctl_hook.ref(s, -1);
    } catch (const Oru_error&) {
      // A failing delete handler: the reference is gone all the same.
    }
  }
}

}  // namespace

void Obj4_Attach(int32_t slot, int32_t program_level) {
  uint8_t c = *ws.Exec_ptr;
  Entry e{slot, 0, 0};
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
  queue.push_back(e);
}

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
  if (!queue.empty()) release(kind, id);
}

size_t Obj4_count() { return queue.size(); }
