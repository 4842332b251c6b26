// Objects kept on the thin client: the requests that make, count, describe
// and drop them, and the statement texts that connect their events.
//
// Requests (items in payload order; every reply checked against its length):
//   'Y' 'a'  str class name, str parameter text         reply: 4-byte handle
//   'Y' '$'  str control name, long x4                   reply: 4-byte handle, 0 none made
//   'Y' '-'  long handle                                  no reply
//   'Y' '#'  chr '+' '-' '?', long handle                 reply: 4-byte count
//   'O' ' '  int id                                       reply: the client's description
//   '$' 'E'  str statement text                           reply awaited (its text ignored)
//
// The parameter text of 'Y' 'a' is the remote parameter-list text of a
// property path without its parentheses ("1,\"ab\",$00FF$", empty for no
// arguments).  The four longs of 'Y' '$' are the position and size in
// hundredths of a cell (x, y, width, height) of a named object, or, with an
// empty name, the control id followed by 0, -100, -100 (a control the
// client already shows).  Handles are big-endian signed 32-bit numbers.
//
// A handle the client gives must name a client object: not 0 and within
// -99,999..32,767, so that it never meets a handle of the host's own objects
// (100,001 and up, or their negation); any other reply is error 86, as is a
// reply shorter than its 4 bytes.  Every request keeps the current-I/O area
// (the statement's channel and options) as it was.
#pragma once
#include <cstdint>
#include <string>

constexpr int32_t TC_OBJ_HANDLE_MIN = -99999;
constexpr int32_t TC_OBJ_HANDLE_MAX = 32767;
// Whether a handle may name an object or control of the client.
inline bool Tc_object_handle(int64_t h) { return h != 0 && h >= TC_OBJ_HANDLE_MIN && h <= TC_OBJ_HANDLE_MAX; }

// NEW of a client class: the client's handle.  Error 90 when the client
// makes no object (a handle of 0).
int32_t WttyOopNew(const std::string& cls, const std::string& params);
// DEF OBJECT of a client object or of a control the client shows: the
// handle, 0 when the client made none.
int32_t WttyCreateOcx(const std::string& name, const int32_t geometry[4]);
// DROP OBJECT of a client object (no reply).
void WttyDropOcx(int32_t handle);
// The reference count of a client object: delta +1, -1 or 0 (read); any
// other delta is error 99.  Returns the new count.
int32_t WttyOopRefCnt(int delta, int32_t handle);
// The client's description of a control or object ('O' ' ', the id as a
// 2-byte integer, or the long-integer escape when the client takes it).
std::string Wtty_obj_info(int32_t id);
// A statement text run by the client, its answer awaited ('$' 'E').
void Wtty_exec_wait(const std::string& text);
