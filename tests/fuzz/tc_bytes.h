// What a thin client can send the host, walked through every reader: the
// console stream's reply reader byte by byte (keystrokes, escapes, replies
// with any length), the TCP reply reader in chunks cut where the input says,
// the handshake reply, payload items read back, a client-side CALL's
// answer and an I/O list sent with an open.  Walk returns false when
// an invariant breaks (a reply longer than announced or than the host's
// bound, a chunk taken beyond its end); a crash or hang is a failure too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "channels/rec_formats.h"
#include "terminal/tc_call.h"
#include "terminal/tc_frame.h"
#include "terminal/tc_session.h"

namespace tc_fuzz {

inline bool Walk(const uint8_t* data, size_t size) {
  // Console stream.
  Tc_reply_reader rd;
  size_t keys = 0;
  for (size_t i = 0; i < size; ++i) {
    Tc_reply_reader::Step s = rd.feed(data[i]);
    if (s == Tc_reply_reader::KEY || s == Tc_reply_reader::KEY2) ++keys;
    // An event's value is a signed 16-bit number, taken from 4 bytes.
    if (s == Tc_reply_reader::EVENT && (rd.event() < -32768 || rd.event() > 32767 || i < 3)) return false;
    if (s == Tc_reply_reader::REPLY && rd.data().size() > TC_REPLY_MAX) return false;
    if (s == Tc_reply_reader::REPLY && rd.data().size() > i + 1) return false;
  }
  if (keys > size) return false;
  // TCP: the first byte sets the chunk size.
  if (size > 0) {
    size_t chunk = size_t(data[0] % 17) + 1;
    Tc_tcp_reply tr;
    size_t at = 1;
    while (at < size) {
      size_t n = size - at < chunk ? size - at : chunk;
      size_t used = 0;
      Tc_tcp_reply::Step s = tr.feed(data + at, n, &used);
      if (used > n) return false;
      if (s == Tc_tcp_reply::REPLY) {
        if (tr.data().size() > 65535) return false;
        tr.reset();
      } else if (s != Tc_tcp_reply::MORE) {
        tr.reset();
        if (used == 0) used = 1;
      }
      at += used == 0 ? n : used;
    }
  }
  // The handshake reply and items of every kind string.
  Tc_hello h = Tc_parse_hello(data, size);
  if (h.level < 0 || h.level > 254) return false;
  static const char* kinds[] = {"s", "ss", "iccsli", "ciss", "l*", "cil", "sss*"};
  for (const char* k : kinds) {
    std::vector<std::string> out;
    if (Tc_parse_items(data, size, k, true, &out)) {
      // Texts come from the payload; numbers are at most 11 digits.
      for (const std::string& s : out)
        if (s.size() > size && s.size() > 11) return false;
    }
  }
  // A client-side CALL's answer for three arguments: accepted entries keep
  // within the input; a refused answer changes nothing.
  std::vector<Tc_call_arg> args(3);
  args[1].is_string = true;
  args[1].value = "kept";
  bool ok = Tc_call_reply(data, int32_t(size > 0x7FFFFFFF ? 0x7FFFFFFF : size), args);
  size_t total = 0;
  for (const Tc_call_arg& a : args) total += a.returned ? a.value.size() + 3 : 0;
  if (ok ? total > size : (args[1].value != "kept" || args[1].returned)) return false;
  // Compiled items of an I/O list: checking never reads past the input.
  (void)Iol_items_valid(data, size);
  return true;
}

}  // namespace tc_fuzz
