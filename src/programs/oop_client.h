// Objects kept on the thin client, seen from the object system: NEW of a
// "[vrl]" class, DEF OBJECT of a "[vrl]" name or of a control id, DROP
// OBJECT and REF( of a client handle, ON EVENT from a client object.  The
// client keeps the objects; the host holds their handles only (not 0,
// within -99,999..32,767: see terminal/tc_objects.h) and sends requests.
// Their properties and methods go through the remote references of
// oop_access.cpp like those of the client's controls.
#pragma once
#include <cstdint>
#include <string>

// A name beginning "[vrl]" or "[lcl]" (any case): "[lcl]" becomes "[vrl]"
// with a client attached and goes without one (names longer than five
// characters).  Returns true when the name now asks for the client; the
// prefix is then removed.
bool Oop_client_name(std::string& name);
// NEW("[vrl]class"[, args] [FOR target]): the cursor after the class name;
// returns the client's handle.  Errors: 46 no class name, 90 the client
// made no object, the client's refusal, 86 a broken reply.
int32_t Oop_client_new(const std::string& cls);
// DEF OBJECT of a client object (name, geometry in hundredths) or of the
// control the client shows with that id (name empty, id): the handle, 0
// when the client made none.
int32_t Oop_client_create(const std::string& name, int32_t id, const int32_t geometry[4]);
// Whether DROP OBJECT, REF( or ON EVENT of handle h reaches the client:
// a client is attached and h is no handle of a local object (negated local
// handles, under Con_flags 0x800, stay local).
bool Oop_client_handle(int64_t h);
// DROP OBJECT h of a client object.
void Oop_client_drop(int32_t h);
// REF(ADD h) / REF(DROP h) / REF(READ h) of a client object: the count.
int32_t Oop_client_ref(int delta, int32_t h);
// ON EVENT FROM a client object: the statement text the client runs.
// all: every event to the handler object (a client object: a positive
// handle is error 95); otherwise the named event's PREINPUT value (0
// removes it).  An event name holding a double quote or a control
// character is error 10 (it would change the text the client runs).
void Oop_client_on_event(bool all, const std::string& name, int32_t src, int32_t handler, int32_t preinput);
