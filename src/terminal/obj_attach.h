// Objects attached to a window, a channel, another object or the running
// program: NEW("class" FOR target) hands the object's reference to the
// target, and the object loses that reference when the target closes.
//
// Targets (compiled after FOR inside NEW():
//   expr               window n of the console (0: the console itself)
//   OBJECT [expr]      the object with that handle, or the running object
//   FILE expr          the channel
//   PROGRAM            the running program (its call level)
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Target kinds: a window number (0 and up), or these.
constexpr int32_t OBJ4_CHANNEL = -1;
constexpr int32_t OBJ4_OBJECT = -2;
constexpr int32_t OBJ4_PROGRAM = -3;

// Reads the target at the cursor (after FOR) and attaches the object in
// slot; program_level is the running program's call level (1 at the top).
// Errors: 95 no such object (or no running object), 14 channel not open,
// 41 a window number outside 0..255.
void Obj4_Attach(int32_t slot, int32_t program_level);
// The same for an object kept on the thin client (NEW("[vrl]class" FOR
// target)): the attachment holds one of its references on the client, given
// back ('Y' '#' '-') when the target closes.  An entry for a window carries
// the client handle as its id, so that the 'DO' check can ask about it.
void Obj4_Attach_client(int32_t handle, int32_t program_level);
// A client object was dropped: its attachments go without a word to the
// client.
void Obj4_Detach_client(int32_t handle);
// Removes the object's first attachment.
void Obj4_Detach(int32_t slot);
// The object is being freed: none of its attachments stays.
void Obj4_Detach_all(int32_t slot);
// The target (kind, id) closes: every object attached to it (for a window
// kind any id; for the other kinds id 0 means every id) loses the
// reference its attachment held.
void Obj4_OnClose(int32_t kind, int32_t id);
// After the mnemonic 'DO' dropped the client's object controls of a
// window: every attachment to that window (kind) with a non-zero id is
// asked about ('O' ' ' with the id, the current-I/O area kept, under a
// catch region); one the client no longer knows (the request fails) is
// released as by Obj4_OnClose.  An id that does not fit the request's
// 2-byte integer (a client without long integers) is not asked about.
void Obj4_MnemDO_Check(int32_t kind);
// The attachments, in the order they were made (the object's slot, the
// target's kind and id, the client handle): terminal/obj_attach.cpp.
struct Obj4_entry {
  int32_t slot, kind, id, client;
};
extern std::vector<Obj4_entry> Obj4_queue;
// Number of attachments (asked at every return of a call).
inline size_t Obj4_count() { return Obj4_queue.size(); }
