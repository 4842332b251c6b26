#include "core/codes.h"

#include <initializer_list>

namespace {
constexpr auto make_cde_tbl() {
  struct T { uint8_t v[256]{}; } t{};
  for (int c = 1; c <= 9; ++c) t.v[c] = CC_OPERAND;
  for (int c = 72; c <= 131; ++c) t.v[c] = CC_FUNCTION;
  t.v[254] = CC_FUNCTION;
  for (int c = 12; c <= 34; ++c) t.v[c] = CC_SYSVAR;
  for (int c = 149; c <= 243; ++c) t.v[c] = CC_DIRECTIVE;
  for (int c : {56, 64, 255}) t.v[c] = CC_STMT_END;
  for (int c : {163, 165, 206, 207}) t.v[c] = CC_STMT_END | CC_DIRECTIVE;
  for (int c = 39; c <= 50; ++c) t.v[c] = CC_BINOP;
  t.v[249] = CC_BINOP;
  t.v[51] = t.v[52] = CC_LOGOP;
  return t;
}
constexpr auto kCde = make_cde_tbl();
}  // namespace

const uint8_t Cde_tbl[256] = {
#define R(i) kCde.v[i]
#define R8(i) R(i), R(i + 1), R(i + 2), R(i + 3), R(i + 4), R(i + 5), R(i + 6), R(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R8
#undef R
};
