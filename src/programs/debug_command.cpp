// Messages of the process debug link: the header, the command payload and
// the operands inside it.  Nothing here touches the interpreter's state, so
// the parser can be fuzzed alone.
//
// Message (both directions):
//   bytes 0-1  payload length, 16 bits, low byte first (at most 21,504)
//   bytes 2-3  message id, 16 bits, low byte first; a reply carries the id
//              of the command it answers
//   bytes 4..  payload
// Command payload: the compiled statement written after "/" in TSK(/...).
// Its first code (two for the prefixes 149 and 251) selects the command:
//   215 RUN  154 CLOSE  202 QUIT  166 END  224 STOP  152 CALL  175 FILE
//   149 206 BREAK (then 189 LIST, or ':' and an operand)
//   171 EXECUTE  190 LOAD  214 RETURN  225 TRACE   (':' and an operand)
//   251 ':' status   251 '?' step (':' and an operand optional)
// A string operand travels as ':' (58), the byte 5, its length (32 bits,
// big-endian) and its bytes.
#include <cstring>

#include "core/codes.h"
#include "programs/debug_link.h"

namespace {

constexpr uint8_t OPERAND = 5;

// The string operand after the command's code bytes at p (n bytes left):
// ':' 5 len32 bytes.  Returns false when the bytes are cut short.
bool operand_at(const uint8_t* p, size_t n, Dbg_command& c) {
  // Codes between the command and its operand (a blank item, a LIST word)
  // are not part of any command: the operand must come first.
  if (n == 0 || p[0] != code::COLON) return true;  // no operand
  if (n < 2) return true;                          // ':' alone
  if (p[1] != OPERAND) return false;
  if (n < 6) return false;
  uint32_t len = (uint32_t(p[2]) << 24) | (uint32_t(p[3]) << 16) | (uint32_t(p[4]) << 8) | p[5];
  if (len > n - 6) return false;
  c.has_operand = true;
  c.operand.assign(reinterpret_cast<const char*>(p + 6), len);
  return true;
}

}  // namespace

void Dbg_put_header(uint8_t* h, size_t len, uint16_t id) {
  h[0] = uint8_t(len);
  h[1] = uint8_t(len >> 8);
  h[2] = uint8_t(id);
  h[3] = uint8_t(id >> 8);
}

bool Dbg_get_header(const uint8_t* h, size_t& len, uint16_t& id) {
  len = size_t(h[0]) | (size_t(h[1]) << 8);
  id = uint16_t(h[2] | (h[3] << 8));
  return len <= DBG_PAYLOAD_MAX;
}

Dbg_command Dbg_parse_command(const uint8_t* p, size_t n) {
  Dbg_command c;
  if (n == 0) return c;
  size_t used = 1;
  int cmd = DBG_NA;
  bool takes_operand = false;
  switch (p[0]) {
    case code::D_RUN: cmd = DBG_RESUME; break;
    case code::D_CLOSE: cmd = DBG_DETACH; break;
    case code::D_QUIT: cmd = DBG_QUIT; break;
    case code::D_END: cmd = DBG_END; break;
    case code::D_STOP: cmd = DBG_STOP; break;
    case code::D_CALL: cmd = DBG_CALLS; break;
    case code::D_FILE: cmd = DBG_FILES; break;
    case code::D_EXECUTE: cmd = DBG_EXECUTE; takes_operand = true; break;
    case code::D_LOAD: cmd = DBG_LOAD; takes_operand = true; break;
    case code::D_RETURN: cmd = DBG_EVAL; takes_operand = true; break;
    case code::D_TRACE: cmd = DBG_TRACE; takes_operand = true; break;
    case code::EXT_DIR:
      if (n < 2 || p[1] != code::X_BREAK) return c;
      used = 2;
      if (n > 2 && p[2] == code::D_LIST) return Dbg_command{DBG_BREAK_LIST, false, {}};
      cmd = DBG_BREAK_SET;
      takes_operand = true;
      break;
    case code::PREFIX2:
      if (n < 2) return c;
      used = 2;
      if (p[1] == code::COLON) return Dbg_command{DBG_STATUS, false, {}};
      if (p[1] != '?') return c;
      cmd = DBG_STEP;
      takes_operand = true;
      break;
    default:
      return c;
  }
  c.cmd = cmd;
  if (takes_operand && !operand_at(p + used, n - used, c)) return Dbg_command{};
  // EXECUTE, LOAD, RETURN and BREAK need their operand.
  if ((cmd == DBG_EXECUTE || cmd == DBG_LOAD || cmd == DBG_EVAL || cmd == DBG_BREAK_SET) && !c.has_operand)
    return Dbg_command{};
  return c;
}

int Dbg_parse_break(const std::string& s, char& sign, uint32_t& line, std::string& prog) {
  if (s.size() < 3) return 46;
  sign = s[0];
  if (sign != '+' && sign != '-') return 13;
  line = 0;
  size_t i = 1;
  for (; i < s.size() && s[i] != ':'; i++)
    if (s[i] >= '0' && s[i] <= '9' && line < 100000) line = line * 10 + uint32_t(s[i] - '0');
  if (line > 64999) return 21;  // no such line can exist
  prog = i < s.size() ? s.substr(i + 1) : std::string();
  return 0;
}

void Dbg_parse_step(const std::string& s, int& type, int32_t& count) {
  type = 0;
  count = 0;
  for (char ch : s) {
    switch (ch) {
      case 'P': case 'p': type = 6; continue;
      case '~': type = 5; continue;
      case '^': type = 4; continue;
      case '<': type = 3; continue;
      case ';': type = 2; continue;
      default: break;
    }
    if (ch >= '0' && ch <= '9') {
      if (count < 1000000) count = count * 10 + (ch - '0');
      continue;
    }
    break;
  }
  if (type == 0) type = 1;
  if (count == 0) count = 1;
}
