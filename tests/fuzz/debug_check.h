// Checks shared by the debug-link command fuzzer and its regression replay:
// any bytes offered as messages must parse or be refused, and nothing parsed
// may reach outside them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "programs/debug_link.h"

// Walks data as a stream of messages (header, payload) as the debugged
// process reads its input FIFO; returns false when a parse broke a rule.
inline bool Debug_input_ok(const uint8_t* data, size_t size) {
  size_t at = 0;
  while (size - at >= DBG_HEADER) {
    size_t len;
    uint16_t id;
    if (!Dbg_get_header(data + at, len, id)) return len > DBG_PAYLOAD_MAX;  // refused: the link ends
    at += DBG_HEADER;
    if (len > size - at) return true;  // cut short: the reader waits, then ends the link
    Dbg_command c = Dbg_parse_command(data + at, len);
    if (c.cmd < DBG_NA || c.cmd > DBG_STEP) return false;
    if (c.operand.size() > len) return false;
    if (!c.has_operand && !c.operand.empty()) return false;
    if (c.cmd == DBG_BREAK_SET) {
      char sign = 0;
      uint32_t line = 0;
      std::string prog;
      int err = Dbg_parse_break(c.operand, sign, line, prog);
      if (err == 0 && ((sign != '+' && sign != '-') || line > 64999 || prog.size() > c.operand.size())) return false;
      if (err != 0 && err != 46 && err != 13 && err != 21) return false;
    }
    if (c.cmd == DBG_STEP) {
      int type = 0;
      int32_t count = 0;
      Dbg_parse_step(c.operand, type, count);
      if (type < 1 || type > 6 || count < 1) return false;
    }
    at += len;
  }
  return true;
}
