// The syntax program interpreter, shared by the compiler (tokens read from
// source text) and the lister (items read from a compiled line).
//
// Program words (16 bits): bit 15 set: 0x8000|target is JUMP, 0xC000|target
// is CALL (target = word & 0x3FFF, at most 250 nested calls).  Otherwise the
// high byte is the operation and the low byte r a relative skip: a mismatch
// continues at the operation's own index + r.  Operands follow.
//
// The mode M supplies what differs between compiling and listing:
//   bool try_token(int t)          next token equals t: consume it (true), else leave it
//   void expect(int t)             next token must equal t (else fails)
//   int  switch_token(int lo, hi)  next token if in lo..hi (consumed), else -1 (left)
//   void dropped(int t, bool must) EXPECT_DROP (must) and OPTIONAL
//   void emit(int b), unemit(), putback()
//   void mark(const Syntax_flags&), restore(Syntax_flags&)
//   [[noreturn]] void fail(int n)
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/compiler.h"

struct Syntax_flags {
  uint32_t stmt = 0;  // statement flags (SETF, CLRF, IFF)
  uint32_t acc = 0;   // accessory flags (SETA, CLRA, IFA, PUSHA, POPA)
};

constexpr size_t SYNTAX_MAX_DEPTH = 250;

template <class M>
void Run_syntax(M& m, Syntax_flags& f) {
  std::vector<uint16_t> stack;
  std::vector<uint32_t> astack;
  stack.reserve(32);
  size_t pc = 0;
  for (;;) {
    if (pc >= sn_tax_len) m.fail(49);
    uint16_t w = sn_tax[pc];
    if (w & 0x8000) {
      if (w & 0x4000) {
        if (stack.size() >= SYNTAX_MAX_DEPTH) m.fail(30);
        stack.push_back(uint16_t(pc + 1));
      }
      pc = w & 0x3FFF;
      continue;
    }
    const size_t r = w & 0xFF;
    auto word = [&](size_t i) -> uint16_t {
      if (i >= sn_tax_len) m.fail(49);
      return sn_tax[i];
    };
    const uint16_t a = pc + 1 < sn_tax_len ? sn_tax[pc + 1] : 0;
    switch (w >> 8) {
      case 0x00:  // RET: an empty stack ends the program
        if (stack.empty()) return;
        pc = stack.back();
        stack.pop_back();
        break;
      case 0x01:  // TRY
        pc += m.try_token(a) ? 2 : r;
        break;
      case 0x02:  // EXPECT
        m.expect(a);
        pc += 2;
        break;
      case 0x03: {  // SWITCH lo, hi, targets
        uint16_t hi = word(pc + 2);
        int t = m.switch_token(a, hi);
        if (t >= 0) {
          pc = word(pc + 3 + size_t(t - a));
        } else {
          if (r == 0) m.fail(49);
          pc += r;
        }
        break;
      }
      case 0x04:  // EXPECT_DROP
        m.dropped(a, true);
        pc += 2;
        break;
      case 0x05:  // PUTBACK
        m.putback();
        pc += 1;
        break;
      case 0x06:  // POP
        if (stack.empty()) m.fail(49);
        stack.pop_back();
        pc += 1;
        break;
      case 0x07:  // MARK
        m.mark(f);
        pc += 1;
        break;
      case 0x08:  // RESTORE
        m.restore(f);
        pc += 1;
        break;
      case 0x09:  // ERROR r
        m.fail(int(r));
      case 0x0A:  // SETF
        f.stmt |= a;
        pc += 2;
        break;
      case 0x0B:  // CLRF
        f.stmt &= ~uint32_t(a);
        pc += 2;
        break;
      case 0x0C:  // IFF
        pc += (f.stmt & a) ? 2 : r;
        break;
      case 0x0D:  // OPTIONAL
        m.dropped(a, false);
        pc += 2;
        break;
      case 0x0E:  // EMIT
        m.emit(a);
        pc += 2;
        break;
      case 0x0F:  // SETA
        f.acc |= a;
        pc += 2;
        break;
      case 0x10:  // CLRA
        f.acc &= ~uint32_t(a);
        pc += 2;
        break;
      case 0x11:  // IFA
        pc += (f.acc & a) ? 2 : r;
        break;
      case 0x12:  // PUSHA
        if (astack.size() >= SYNTAX_MAX_DEPTH) m.fail(30);
        astack.push_back(f.acc);
        pc += 1;
        break;
      case 0x13:  // POPA
        if (astack.empty()) m.fail(49);
        f.acc = astack.back();
        astack.pop_back();
        pc += 1;
        break;
      case 0x14:  // UNEMIT
        m.unemit();
        pc += 1;
        break;
      case 0x15: {  // RANGE lo, hi
        uint16_t hi = word(pc + 2);
        pc += m.switch_token(a, hi) >= 0 ? 3 : r;
        break;
      }
      default:
        m.fail(49);
    }
  }
}
