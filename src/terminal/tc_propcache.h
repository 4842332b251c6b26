// The host property cache of the thin client: properties of client controls
// that the program declares (ADD SERVER) are read from the client once and
// then answered here, per window, until a set of the property, a set of a
// property that affects it (DROP SERVER name, effects) or a request whose
// function colour names it (DROP SERVER ON codes, names) drops them.  Works
// only with parameter +H on a thin-client console.
//
// Declarations:
//   ADD SERVER "a%b'c"   a and the group b'c (c follows its head b)
//   DROP SERVER "a","b%c"  a set of a drops b and c of the same control
//   DROP SERVER "a","/"    a set of a drops every cached property of the control
//   DROP SERVER ON "WR","a%/"  a request with function code W or R about a
//                          control drops its a ('/': its whole cache)
// Limits: 200 properties (error 42), 200 effect names (42), 100 function
// colours (42); an empty code string is error 46; effects of an undeclared
// property error 23.
#pragma once
#include <cstdint>
#include <string>

// Empties declarations and cached values (every interpreter reset).
void ZefVrl_Init();
// Drops every cached value (declarations stay).
void ZefVrl_ClearCache();
// A window of the console was dropped: its cached values go.
void ZefVrl_DropWindow(int32_t window);

void Kest_AddServerProp(const std::string& list);
void Kest_DropServerFncClr(const std::string& codes_and_names);
void Kest_DropServerEffects(const std::string& name, const std::string& effects);
// ADD SERVER / DROP SERVER at the cursor (after the word SERVER).
void Tc_server_props(bool drop);

// The cache is in use: +H and an attached client.
bool ZefVrl_active();
// A read of control's property path: true with *value when cached.
bool ZefVrl_GetProperty(int32_t control, const std::string& path, std::string* value);
// The client's answer to a read that missed (kept when the property is declared).
void ZefVrl_StoreProperty(int32_t control, const std::string& path, const std::string& value);
// A set of control's property: its effects are dropped, the value cached.
void ZefVrl_SetProperty(int32_t control, const std::string& path, const std::string& value);
// Every outgoing request (with +H): function colours drop cached values.
void ZefVrl_WttyPacket(uint8_t major, uint8_t minor, const uint8_t* payload, uint32_t len);
// Entries cached now (for tests).
size_t ZefVrl_cached_count();
