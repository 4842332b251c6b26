// CALL of a program on the thin client ('$' 'C'): a name beginning "[vrl]"
// (a client attached) or "[rpc:server]" (a program server) runs there.
//
// Request items: str the called name (prefix removed), then per argument
// chr 'N' and the number as text, or chr 'S' and the string; at most 98
// items (48 arguments; more is error 30).  A host program the client may
// fetch (a name beginning '*') is called as
// "*kest\vrl\util;call;#<modification time>#<host path>" so that the
// client's utility runs its copy and can ask for a fresh one: it refuses
// with code 201, the host sends the file (ZefVrlUpload, under the name as
// called) and asks again, once; a second refusal is error 201.
//
// Reply: the values handed back, in argument order, each chr 'N' or 'S' (as
// the argument was sent), a 2-byte length and the text; the reply may end
// before the last argument (those keep their values).  An entry of the
// other kind, a length past the reply's end, more entries than arguments
// or a number that does not convert is error 86: nothing is assigned.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Tc_call_arg {
  bool is_string = false;
  std::string value;      // the number as text for a number
  bool returned = false;  // the client handed a value back
};

void Wtty_call(const std::string& name, std::vector<Tc_call_arg>& args);

// The largest argument count of a client-side call.
constexpr size_t TC_CALL_MAX_ARGS = 48;

// Parses a reply of the layout above into args (every entry checked
// against the reply first; false and nothing changed when malformed).
bool Tc_call_reply(const uint8_t* p, int32_t n, std::vector<Tc_call_arg>& args);
