// The argument counts of the built-in functions.
//
// Each row gives a function's code (the one-byte code, or the prefix 72 and
// its second byte), whether it takes no argument at all, and two masks of
// the counts it takes (bit k: k arguments): one for a numeric first
// argument, one for a string.  A mask with every bit from 5 up set takes
// any larger count as well (MAX(, MIN(, the drawing functions).  A row
// with both masks 0xFFFE only refuses the empty call.  The channel
// functions (IND( KEY( RCD( KEF( KEL( RNO( KEN(), REF( and LNO( have forms
// of their own and no row.
//
// A call is counted only when its first argument is an ordinary expression:
// a call that begins with a keyword (XML(ADD ..., STK(OBJECT), or whose
// arguments end in an option word other than ERR= (KGN(..., SEP=c),
// TBL(s, TBL=line)) keeps the checks of its own grammar and handler.  The
// kind of the first argument is known when it is a literal or a plain
// variable (a string compared with "=" and the like is a number); otherwise
// either mask may hold.  A format after ":" in an I/O list (A$:CHR(10),
// N:NUM(6,2)) and DEF's table forms (DEF MSG(key, text)) are no calls.
#include "core/fn_arg_check.h"

#include <vector>

#include "core/codes.h"

namespace {

struct Fn_args {
  uint8_t code;    // one-byte code, or 72 for the two-byte forms
  uint8_t second;  // second byte after 72, 0 for one-byte codes
  bool none;       // F() is a call
  uint16_t num;    // counts taken with a numeric first argument
  uint16_t str;    // counts taken with a string first argument
};

constexpr uint8_t FNC_USER = 88;       // FN name(...): a user-defined function
constexpr uint8_t FNC_ERR_WORD = 136;  // ERR=

constexpr Fn_args FN_ARGS[] = {
    {72, 73, false, 0x0002, 0x0002},  // I3E(
    {72, 74, false, 0x0000, 0x000E},  // STP(
    {72, 75, false, 0xFFFE, 0xFFFE},  // KEC( (no empty call)
    {72, 76, false, 0xFFFE, 0xFFFE},  // KEP( (no empty call)
    {72, 77, false, 0x0002, 0x0000},  // STK(
    {72, 78, false, 0x0000, 0x0002},  // TRX(
    {72, 79, false, 0x0002, 0x0002},  // ENV(
    {72, 80, false, 0x0002, 0x0000},  // SIN(
    {72, 81, false, 0x0002, 0x0000},  // COS(
    {72, 82, false, 0x0002, 0x0000},  // TAN(
    {72, 83, false, 0x0002, 0x0000},  // ASN(
    {72, 84, false, 0x0002, 0x0000},  // ACS(
    {72, 85, false, 0x0002, 0x0000},  // ATN(
    {72, 86, false, 0x0000, 0x001C},  // PAD(
    {72, 88, false, 0xFFF0, 0xFFFE},  // BOX(
    {72, 89, false, 0xFFF0, 0xFFFE},  // WDW(
    {72, 90, false, 0x0002, 0x0000},  // DRP(
    {72, 91, false, 0x0002, 0x0000},  // GTO(
    {72, 92, false, 0xFFF0, 0xFFFE},  // BOX2(
    {72, 93, false, 0xFFF0, 0xFFFE},  // NWA(
    {72, 94, false, 0x0002, 0x0000},  // DRP2(
    {72, 95, false, 0x0002, 0x0000},  // GTO2(
    {72, 97, false, 0x0004, 0x0004},  // CTL(
    {72, 98, false, 0x0004, 0x0000},  // MVE(
    {72, 99, false, 0x001E, 0x001E},  // SCR(
    {72, 100, false, 0x0006, 0x0002},  // SCLL(
    {72, 101, false, 0x0006, 0x0006},  // FIN(
    {72, 102, false, 0xFFFC, 0x000C},  // TBL(
    {72, 103, false, 0x0008, 0x0002},  // JUL(
    {72, 104, true, 0x0006, 0x0006},  // DTE(
    {72, 108, false, 0xFFFE, 0xFFFC},  // CVS( (one or more code points)
    {72, 109, false, 0x0000, 0x000E},  // FFN(
    {72, 110, false, 0x0000, 0x0006},  // MSK(
    {72, 111, false, 0x0002, 0xFFFE},  // CUR(
    {72, 112, false, 0x0000, 0x0006},  // SRT(
    {72, 113, false, 0x0000, 0x0006},  // SWP(
    {72, 114, false, 0x0000, 0x0006},  // GBL(
    {72, 116, false, 0x0006, 0x0006},  // REC(
    {72, 117, false, 0x0002, 0x0002},  // MDE(
    {72, 118, false, 0x0000, 0x0002},  // PRM(
    {72, 120, false, 0x0004, 0x0004},  // VIN(
    {72, 121, false, 0x0004, 0x0004},  // VIS(
    {72, 122, false, 0xFFFE, 0xFFFE},  // WRP( (no empty call)
    {72, 123, false, 0x0002, 0x0002},  // OPT(
    {72, 124, false, 0x0002, 0x0002},  // PFX(
    {72, 125, false, 0x0002, 0x0000},  // RND(
    {72, 126, true, 0x0002, 0x0002},  // DIR(
    {72, 127, true, 0x0002, 0x0002},  // DSK(
    {72, 128, false, 0x0000, 0x0018},  // KGN(
    {72, 129, false, 0x0006, 0x0000},  // PRC(
    {72, 130, false, 0x0006, 0x0000},  // PCK(
    {72, 131, false, 0x0000, 0x0002},  // UPK(
    {72, 144, false, 0xFFFE, 0xFFFE},  // TXT( (no empty call)
    {72, 145, false, 0xFFFE, 0xFFFE},  // @X( (no empty call)
    {72, 146, false, 0xFFFE, 0xFFFE},  // @Y( (no empty call)
    {72, 147, false, 0xFFF0, 0xFFFE},  // DLG(
    {72, 148, false, 0xFFFE, 0xFFFE},  // XEQ( (no empty call)
    {72, 150, false, 0xFFFC, 0xFFFE},  // SHW(
    {72, 151, false, 0x000E, 0x0006},  // FMSG(
    {72, 152, false, 0xFFFE, 0xFFFE},  // IMG( (no empty call)
    {72, 154, false, 0x0002, 0x0002},  // CHG(
    {72, 158, false, 0x0006, 0x0000},  // OBJ(
    {72, 160, false, 0x0000, 0x0002},  // NUL(
    {72, 161, false, 0xFFFC, 0xFFFC},  // CSE(
    {72, 162, false, 0xFFFE, 0xFFFE},  // TXW( (no empty call)
    {72, 163, false, 0xFFFE, 0xFFFE},  // TXH( (no empty call)
    {72, 164, false, 0x0000, 0x000C},  // XFA(
    {72, 165, false, 0x0000, 0x000C},  // MID(
    {72, 166, false, 0x0002, 0x0002},  // SEP(
    {72, 167, false, 0x0004, 0x0000},  // SIZ(
    {72, 168, false, 0x0002, 0x0000},  // LPI(
    {72, 169, false, 0x0002, 0x0000},  // CPI(
    {72, 170, false, 0x0004, 0x0000},  // MXZ(
    {72, 171, false, 0x0004, 0x0000},  // MNZ(
    {72, 172, false, 0x0004, 0x0000},  // OFS(
    {72, 173, false, 0x0002, 0x0000},  // TMR(
    {72, 174, false, 0x0000, 0x0018},  // SUB(
    {72, 180, false, 0x0002, 0x0002},  // FCLR(
    {72, 181, false, 0x0002, 0x0002},  // BCLR(
    {72, 182, false, 0x0000, 0x0002},  // CMP(
    {72, 183, false, 0x0000, 0x0002},  // UCP(
    {72, 184, false, 0x0000, 0x001C},  // JST(
    {73, 0, false, 0x0002, 0x0000},  // ABS(
    {74, 0, false, 0x0004, 0x0004},  // AND(
    {75, 0, false, 0x0002, 0x000C},  // ARG(
    {76, 0, false, 0x0000, 0x0002},  // ASC(
    {77, 0, false, 0x0000, 0x0002},  // ATH(
    {78, 0, false, 0x0004, 0x0000},  // BIN(
    {79, 0, false, 0x0002, 0x0002},  // BSZ(
    {80, 0, false, 0x0002, 0x0000},  // CHR(
    {82, 0, false, 0x0000, 0x0006},  // CRC(
    {83, 0, false, 0x0000, 0x0002},  // DEC(
    {84, 0, false, 0x0002, 0x0000},  // EPT(
    {85, 0, false, 0xFFFE, 0x0002},  // ERR(
    {86, 0, false, 0x0002, 0x0000},  // EXP(
    {87, 0, false, 0x0002, 0x0002},  // FID(
    {89, 0, false, 0x0002, 0x0000},  // FPT(
    {90, 0, false, 0x0000, 0x0002},  // GAP(
    {91, 0, false, 0x0000, 0x0002},  // GEP(
    {92, 0, false, 0x0002, 0x0002},  // HSA(
    {93, 0, false, 0x0000, 0x001E},  // HSH(
    {94, 0, false, 0x0000, 0x0002},  // HTA(
    {96, 0, false, 0x0002, 0x0000},  // INT(
    {97, 0, false, 0x0004, 0x0004},  // IOR(
    {99, 0, false, 0x0000, 0x0002},  // LCS(
    {100, 0, false, 0x0000, 0x0002},  // LEN(
    {101, 0, false, 0x0002, 0x0000},  // LOG(
    {102, 0, false, 0x0000, 0x0002},  // LRC(
    {103, 0, false, 0x0000, 0x0002},  // LST(
    {104, 0, false, 0x0006, 0x0002},  // MEM(
    {105, 0, false, 0x0004, 0x0000},  // MOD(
    {106, 0, false, 0x0002, 0xFFFE},  // MSG(
    {107, 0, false, 0x0002, 0x0002},  // NOT(
    {108, 0, false, 0x0000, 0x0006},  // NUM(
    {109, 0, false, 0x0006, 0x0000},  // PGM(
    {111, 0, false, 0x0002, 0x0002},  // PTH(
    {112, 0, false, 0x0002, 0x0000},  // PUB(
    {113, 0, false, 0x0000, 0x0002},  // RDX(
    {114, 0, false, 0x0002, 0x0000},  // SGN(
    {115, 0, false, 0x0002, 0x0000},  // SQR(
    {116, 0, false, 0x0002, 0x0002},  // SSZ(
    {117, 0, false, 0x0006, 0x0006},  // STR(
    {118, 0, false, 0x0006, 0x0000},  // TCB(
    {120, 0, false, 0x0000, 0x0002},  // UCS(
    {121, 0, false, 0x0004, 0x0004},  // XOR(
    {122, 0, false, 0x0006, 0x0000},  // @(
    {123, 0, false, 0xFFFC, 0xFFFC},  // MAX(
    {124, 0, false, 0xFFFC, 0xFFFC},  // MIN(
    {126, 0, false, 0x0002, 0x0002},  // FIB(
    {131, 0, false, 0x0000, 0x0004},  // XML(
    {72, 87, false, 0x0006, 0x0000},  // DIM( (the array forms begin with a marker)
    {72, 107, false, 0xFFFE, 0xFFFE},  // MNM( (no empty call)
    {72, 119, false, 0x0006, 0x0006},  // IOL(
    {72, 155, false, 0x0000, 0x0006},  // EVS(
    {72, 156, false, 0x0000, 0x0006},  // EVN(
    {72, 175, false, 0xFFFE, 0xFFFE},  // NEW( (no empty call)
    {81, 0, false, 0x0000, 0x0006},  // CPL( (text [, s])
    {110, 0, false, 0x000E, 0x000E},  // POS(
    {119, 0, false, 0x0002, 0x0000},  // TSK(
};

const Fn_args* find_fn(uint8_t c, uint8_t second) {
  for (const Fn_args& f : FN_ARGS)
    if (f.code == c && f.second == second) return &f;
  return nullptr;
}

enum Kind : uint8_t { K_UNKNOWN, K_NUM, K_STR, K_SKIP };

struct Group {
  const Fn_args* fn;  // null: brackets, a subscript or a function not counted
  bool call = false;    // a function's own brackets
  bool opaque = false;  // a form of the function's own: no call inside is counted
  int count = 0;      // arguments seen (0 until the first item)
  Kind kind = K_UNKNOWN;  // of the first argument
  Kind kinds[8] = {};  // of the first eight (K_UNKNOWN)
  bool at_start = false;  // the next item begins an argument after the first
  bool ended = false;    // an option word ended the arguments
  bool options = false;  // ... other than ERR=
};

// The kind of a first argument from its first item.
Kind first_kind(uint8_t c) {
  switch (c) {
    case code::NUM_LIT:
    case code::EXP_LIT:
    case code::SMALL_INT:
    case code::NUM_VAR:
    case code::OP_ADD:
    case code::OP_SUB:
      return K_NUM;
    case code::STR_LIT:
    case code::HEX_LIT:
    case code::STR_VAR:
      return K_STR;
    case code::LPAREN:
    case code::REC_VAR:
    case code::OBJ_REF:
    case code::EXT_SYSVAR:
    case code::INC_DEC:
    case code::COLON:
    case code::XFNC_PREFIX:
    case code::ALT_FNC:
      return K_UNKNOWN;
    default:
      if (c >= code::SYSVAR_FIRST && c <= code::SYSVAR_LAST) return K_UNKNOWN;
      if (c >= code::FNC_FIRST && c <= code::FNC_LAST) return K_UNKNOWN;
      return K_SKIP;  // a keyword: a form of the function's own
  }
}

// Where the kind of a later argument chooses the form: KGN(rec, kdef, k)
// against KGN(extkey, rec, kdef, k); HSH(s, key, alg, mode) with a string
// key; TXT(x, y ..., text ...) with a text somewhere.
bool later_kinds_fit(const Group& g) {
  if (g.fn->code == code::XFNC_PREFIX && g.fn->second == 128)  // KGN(
    return !(g.count == 3 && g.kinds[2] == K_STR);
  if (g.fn->code == 93)  // HSH(
    return !(g.count == 4 && g.kinds[1] == K_NUM);
  if (g.fn->code == code::XFNC_PREFIX && g.fn->second == 144 && g.kind == K_NUM && g.count <= 8) {  // TXT(
    for (int i = 1; i < g.count; ++i)
      if (g.kinds[i] != K_NUM) return true;
    return false;
  }
  return true;
}

bool takes(const Group& g) {
  if (g.count == 0) return g.fn->none;
  if (!later_kinds_fit(g)) return false;
  const unsigned bit = g.count < 15 ? 1u << g.count : 0x8000u;
  switch (g.kind) {
    case K_NUM:
      return (g.fn->num & bit) != 0;
    case K_STR:
      return (g.fn->str & bit) != 0;
    default:
      return ((g.fn->num | g.fn->str) & bit) != 0;
  }
}

}  // namespace

int Check_fn_args(const uint8_t* p, const uint8_t* end) {
  std::vector<Group> open;
  uint8_t prev = 0;
  // DEF's tables (DEF MSG(key, text)), SETMSE's regions (SETMSE @(c,l,c2,l2))
  // and SDEV's task strings (SDEV TSK("a","b")) are forms of their own, not
  // calls
  auto own_forms = [end](const uint8_t* s) {
    return s < end && (*s == code::D_DEF || (*s == code::EXT_DIR && s + 1 < end &&
                                             (s[1] == code::X_SETMSE || s[1] == code::X_SDEV)));
  };
  bool def = own_forms(p);
  while (p < end) {
    const uint8_t c = *p;
    if (c == code::EOL || c == code::END_SCAN || c == code::D_REM || c == code::D_COMMENT ||
        c == code::D_TABLE)
      break;
    const size_t n = Item_size(p, false);  // literals are inline while compiling
    if (size_t(end - p) < n) break;
    Group* top = open.empty() ? nullptr : &open.back();
    if (top && top->call && top->count == 0 && c != code::RPAREN) {
      top->count = 1;
      top->kind = first_kind(c);
      top->kinds[0] = top->kind;
      if (top->kind == K_SKIP) {
        top->fn = nullptr;
        top->opaque = true;  // DIM(READ NUM(A)): NUM( is a selector there
      }
    } else if (top && top->fn && top->at_start) {
      top->at_start = false;
      const Kind k = first_kind(c);
      if (top->count <= 8) top->kinds[top->count - 1] = k == K_SKIP ? K_UNKNOWN : k;
    } else if (top && top->fn && top->count >= 1 && top->count <= 8 && top->kinds[top->count - 1] == K_STR &&
               ((c >= code::OP_EQ && c <= code::OP_LT) || c == code::OP_AND || c == code::OP_OR ||
                c == code::LIKE)) {
      top->kinds[top->count - 1] = K_NUM;  // a comparison of strings is a number
      if (top->count == 1) top->kind = K_NUM;
    }
    if (c == code::STMT_SEP) {
      open.clear();
      def = own_forms(p + 1);
    } else if (c == code::COMMA && top && top->fn && !top->ended) {
      const uint8_t next = p + 1 < end ? p[1] : uint8_t(code::EOL);
      if (next >= code::IOPT_FIRST && next <= code::IOPT_LAST) {
        top->ended = true;
        top->options |= next != FNC_ERR_WORD;
      } else {
        ++top->count;
        top->at_start = true;
      }
    } else if (c >= code::IOPT_FIRST && c <= code::IOPT_LAST && top && top->fn && prev != code::COMMA) {
      top->ended = true;  // ERR=line before ")" is compiled without its ","
      top->options |= c != FNC_ERR_WORD;
    } else if (c == code::RPAREN || c == code::RBRACKET || c == code::BLOCK_CLOSE) {
      if (!open.empty()) {
        Group g = open.back();
        open.pop_back();
        if (g.fn && !g.options && !takes(g)) return 20;
      }
    } else if (c == code::LPAREN || c == code::LBRACKET || c == code::BLOCK_OPEN) {
      Group g{nullptr};
      for (const Group& o : open) g.opaque |= o.opaque;
      open.push_back(g);
    } else if ((c >= code::FNC_FIRST && c <= code::FNC_LAST && c != FNC_USER) || c == code::XFNC_PREFIX ||
               c == code::ALT_FNC) {
      uint8_t one = c, second = 0;
      if (c == code::XFNC_PREFIX) {
        if (p[1] < 0x48) one = uint8_t(p[1] + 0x3C);
        else second = p[1];
      } else if (c == code::ALT_FNC) {
        one = code::XFNC_PREFIX;
        second = uint8_t(p[1] + 0x3C);
      }
      bool inside_form = false;
      for (const Group& g : open) inside_form |= g.opaque;
      Group g{def || inside_form || prev == code::COLON ? nullptr : find_fn(one, second)};
      g.call = true;
      g.opaque = inside_form;
      open.push_back(g);
    }
    prev = c;
    p += n;
  }
  return 0;
}
