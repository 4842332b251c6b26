// MEM(: byte access to memory, limited to the blocks MEM(s) hands out.
//
// MEM(s) copies the bytes of s into a new block, followed by one zero byte,
// and gives the block's address.  Reads may cover the whole block, the zero
// byte included; writes only the bytes of s, so the zero byte that ends
// MEM(a, 0) always stays.  An address or range outside every handed-out
// block is error 41 and touches nothing.  The blocks live until shut-down
// (or a restart): a program that keeps an address keeps a valid block.
#include "functions/memory_access.h"

#include <cstring>
#include <map>

#include "core/codes.h"
#include "core/memory.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"

namespace {

// Block start -> length of the copied string (the zero byte not counted).
std::map<uintptr_t, size_t> blocks;

// The block holding [a, a + n) when n bytes may be read there (write: the
// closing zero byte excluded); its start in *base and length in *len.
bool in_block(uintptr_t a, size_t n, bool write, uintptr_t* base, size_t* len) {
  auto it = blocks.upper_bound(a);
  if (it == blocks.begin()) return false;
  --it;
  size_t room = it->second + (write ? 0 : 1);
  if (a - it->first > room || n > room - (a - it->first)) return false;
  *base = it->first;
  *len = it->second;
  return true;
}

// An address operand: an exact non-negative integer.
uintptr_t address(const Num_val& v) {
  Num_val x = v;
  Set_scl(x, 0, -1);
  if (x.mant < 0) Rpt_error(err::OUT_OF_RANGE);
  return uintptr_t(x.mant);
}

}  // namespace

void Mem_blocks_release() {
  for (auto& b : blocks) Ret_blk(reinterpret_cast<void*>(b.first));
  blocks.clear();
}

// MEM(s): a new block holding s; its address.  MEM(a): the byte at a, signed.
// MEM(a, n): n bytes from a (n = 0: up to the first zero byte).  MEM(a, s):
// writes s at a and gives s.
void fnc_mem() {
  Eval_formula();
  if (ws.Str_len >= 0) {
    size_t n = size_t(ws.Str_len);
    auto* b = static_cast<uint8_t*>(Get_blk_nc(n + 1));
    if (n) std::memcpy(b, ws.Str_ptr, n);
    b[n] = 0;
    blocks[reinterpret_cast<uintptr_t>(b)] = n;
    Num_val r;
    r.mant = int64_t(reinterpret_cast<uintptr_t>(b));
    Fnc_result(r);
    return;
  }
  uintptr_t a = address(ws.Num_acc);
  uintptr_t base;
  size_t len;
  if (!Fnc_more()) {
    if (!in_block(a, 1, false, &base, &len)) Rpt_error(err::OUT_OF_RANGE);
    Fnc_result_int(int8_t(*reinterpret_cast<const uint8_t*>(a)));
    return;
  }
  Eval_formula();
  if (ws.Str_len >= 0) {
    size_t n = size_t(ws.Str_len);
    if (!in_block(a, n, true, &base, &len)) Rpt_error(err::OUT_OF_RANGE);
    if (n) std::memmove(reinterpret_cast<uint8_t*>(a), ws.Str_ptr, n);
    return;  // the string accumulator still holds s
  }
  int32_t n = To_integer(ws.Num_acc);
  if (n < 0) Rpt_error(err::OUT_OF_RANGE);
  if (!in_block(a, size_t(n), false, &base, &len)) Rpt_error(err::OUT_OF_RANGE);
  const auto* p = reinterpret_cast<const uint8_t*>(a);
  size_t count = size_t(n);
  if (count == 0) {
    size_t room = base + len + 1 - a;
    const void* z = std::memchr(p, 0, room);
    count = z ? size_t(static_cast<const uint8_t*>(z) - p) : room;
  }
  Fnc_result_copy(p, count);
}
