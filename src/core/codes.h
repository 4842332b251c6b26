// Code bytes of the compiled statement form.
//
// A compiled line is: u16 big-endian line number (0 for a console line), one or
// more statements separated by code 64, and code 255 at the end.  Every item is
// one code byte followed by its inline operand:
//
//   1, 2, 10, 247, 250  variable / label / record / object name:
//                       inline: length n (1..127), n name bytes
//                       indexed: 0x80|high, low  (15-bit index into the
//                       program's variable table)
//   3, 4                numeric literal: i8 scale, 48-bit mantissa big-endian
//   5, 6, 9             string / hex string / bracketed text: u16 BE length, bytes
//   7                   line number reference: u16 BE
//   8                   mnemonic literal: two upper-cased characters
//   11                  small integer: u16 BE
//   12                  extended system variable: one byte (13..56)
//   35                  ++/-- marker: one kind byte (70 increment, 71 decrement)
//   65                  compound assignment "+=" ... "%=": the operator code
//                       (45..50) follows: X+=1 is 1 X 65 45 11 0 1
//   66                  THEN followed by a block: one byte (55)
//   72, 149, 251, 254   prefixes: one further code byte
//   206, 207, 227       remark, comment and TABLE data: the rest of the line raw
//   252, 253            label reference by index: u16 BE
//   47 and a keyword    a starred jump target where a line reference stands:
//                       *BREAK 149 206, *CONTINUE 149 207, *RETURN 214,
//                       *RETRY 211, *STOP 224, *SAME 251 120, *NEXT 194,
//                       *NEXTLINE 251 121, *END 166 (47 is the "*" operator)
// All 16-bit numbers inside compiled code are big-endian.
#pragma once
#include <cstddef>
#include <cstdint>

namespace code {
enum : uint8_t {
  END_SCAN = 0,
  NUM_VAR = 1,
  STR_VAR = 2,
  NUM_LIT = 3,
  EXP_LIT = 4,
  STR_LIT = 5,
  HEX_LIT = 6,
  LINE_REF = 7,
  MNEM_LIT = 8,
  BRACKET_TEXT = 9,
  LABEL = 10,
  SMALL_INT = 11,
  EXT_SYSVAR = 12,
  SYSVAR_FIRST = 13,
  SV_ERR = 19,  // the system variable ERR
  SYSVAR_LAST = 34,
  INC_DEC = 35,
  LPAREN = 36,
  COMMA = 37,
  RPAREN = 38,
  OP_EQ = 39,
  OP_NE = 40,
  OP_LE = 41,
  OP_GE = 42,
  OP_GT = 43,
  OP_LT = 44,
  OP_ADD = 45,
  OP_SUB = 46,
  OP_MUL = 47,
  OP_DIV = 48,
  OP_POW = 49,
  OP_MOD = 50,
  OP_AND = 51,
  OP_OR = 52,
  LBRACKET = 53,
  RBRACKET = 54,
  BLOCK_OPEN = 55,
  BLOCK_CLOSE = 56,
  WHOLE_ARRAY = 57,  // "[ALL]" after an array name: every element in turn
  LABEL_END = 58,
  COLON = 58,  // ":" between two expressions of one argument
  TO = 59,     // "TO": FOR's limit, an INPUT validation list's longest length
  EXCEPT = 62,  // CLEAR EXCEPT
  STMT_SEP = 64,
  ASSIGN_OP = 65,  // compound assignment: one operator byte (45..50) follows
  THEN_BLOCK = 66,
  INC_KIND = 70,
  DEC_KIND = 71,
  XFNC_PREFIX = 72,
  FNC_FIRST = 73,
  FNC_LAST = 131,
  IOPT_FIRST = 132,
  IOPT_LAST = 148,
  EXT_DIR = 149,
  DIR_FIRST = 150,
  DIR_LAST = 243,
  REC_VAR = 247,
  OBJ_CHAIN = 248,  // H'A'B: the property's value is the next object's handle
  LIKE = 249,
  OBJ_REF = 250,
  PREFIX2 = 251,
  LABEL_IDX = 252,
  LABEL_IDX2 = 253,
  ALT_FNC = 254,
  EOL = 255,
};

// Directives, one code byte each (dispatched through dir_jmp[code - 149]).
enum : uint8_t {
  D_ADDR = 150,
  D_BEGIN = 151,
  D_CALL = 152,
  D_CLEAR = 153,
  D_CLOSE = 154,
  D_CWD = 155,
  D_DEF = 156,
  D_DEFCTL = 157,
  D_DELETE = 158,
  D_DIM = 159,
  D_DIRECT = 160,
  D_DIRECTORY = 161,
  D_DROP = 162,
  D_END_IF = 163,
  D_EDIT = 164,
  D_ELSE = 165,
  D_END = 166,
  D_ENDT = 167,
  D_ENTER = 168,
  D_ERASE = 169,
  D_ESCAPE = 170,
  D_EXECUTE = 171,
  D_EXIT = 172,
  D_EXITTO = 173,
  D_EXTRACT = 174,
  D_FILE = 175,
  D_FIND = 176,
  D_FLOATING_POINT = 177,
  D_FOR = 178,
  D_GOSUB = 179,
  D_GOTO = 180,
  D_IF = 181,
  D_INDEXED = 182,
  D_INPUT = 183,
  D_INVOKE = 184,
  D_IOLIST = 185,
  D_KEYED = 186,
  D_LET = 187,
  D_LFRM = 188,
  D_LIST = 189,
  D_LOAD = 190,
  D_LOCK = 191,
  D_MERGE = 192,
  D_MNEMONIC = 193,
  D_NEXT = 194,
  D_ON = 195,
  D_OPEN = 196,
  D_PERFORM = 197,
  D_PRECISION = 198,
  D_PRINT = 199,
  D_PROGRAM = 200,
  D_PURGE = 201,
  D_QUIT = 202,
  D_RANDOM = 203,
  D_READ = 204,
  D_RELEASE = 205,
  D_REM = 206,
  D_COMMENT = 207,
  D_REMOVE = 208,
  D_RENAME = 209,
  D_RENUMBER = 210,
  D_RETRY = 211,
  D_ROUND = 212,
  D_RESET = 213,
  D_RETURN = 214,
  D_RUN = 215,
  D_SAVE = 216,
  D_VIA = 217,
  D_SERIAL = 218,
  D_SETERR = 219,
  D_SETESC = 220,
  D_SFRM = 221,
  D_SORT = 222,
  D_START = 223,
  D_STOP = 224,
  D_TRACE = 225,
  D_SWAP = 226,
  D_TABLE = 227,
  D_UNLOCK = 228,
  D_WAIT = 229,
  D_WEND = 230,
  D_WHILE = 231,
  D_WRITE = 232,
  D_DICT = 233,
  D_PREFIX = 234,
  D_LNSW = 235,
  D_DFMT = 236,
  D_OBTAIN = 237,
  D_PASSWORD = 238,
  D_PREINPUT = 239,
  D_SNBF = 240,
  D_DATA = 241,
  D_SWITCH = 242,
  D_END_SWITCH = 243,
};

// Extended directives: code 149 followed by this second byte (ext_jmp[b - 150]).
enum : uint8_t {
  X_ADD = 150,
  X_SETDAY = 151,
  X_SETTIME = 152,
  X_ACCEPT = 153,
  X_RFLE = 154,
  X_ALCK = 155,
  X_RNDZ = 156,
  X_TRANSLATE = 157,
  X_XFNC = 158,
  X_SET_PARAM = 159,
  X_ERRH = 160,
  X_AUTO = 161,
  X_DEFTTY = 162,
  X_SETMSE = 163,
  X_SFID = 164,
  X_DUMP = 165,
  X_ULEX = 166,
  X_DREAD = 167,
  X_RESTORE = 168,
  X_DISABLE = 169,
  X_ENABLE = 170,
  X_REPEAT = 171,
  X_UNTIL = 172,
  X_SDEV = 173,
  X_SDRV = 174,
  X_DPRT = 175,
  X_SETCTL = 176,
  X_MSGBOX = 177,
  X_BUTTON = 178,
  X_V_SCROLLBAR = 179,
  X_H_SCROLLBAR = 180,
  X_VIDEO_PALETTE = 181,
  X_MENU_BAR = 182,
  X_CHECK_BOX = 183,
  X_TRISTATE_BOX = 184,
  X_LIST_BOX = 185,
  X_VARLIST_BOX = 186,
  X_DROP_BOX = 187,
  X_VARDROP_BOX = 188,
  X_MULTI_LINE = 189,
  X_CLIPBOARD = 190,
  X_SYSTEM_HELP = 191,
  X_GET_FILE = 192,
  X_RADIO_BUTTON = 193,
  X_FOCUS = 194,
  X_MULTI_MEDIA = 195,
  X_SET_MASK = 196,
  X_PROCESS = 197,
  X_SELECT = 198,
  X_MESSAGE_LIB = 199,
  X_VBX = 200,
  X_SET_JOURNAL = 201,
  X_SHOW = 202,
  X_HIDE = 203,
  X_WINPRT = 204,
  X_CASE = 205,
  X_BREAK = 206,
  X_CONTINUE = 207,
  X_DEFAULT = 208,
  X_LOCAL = 209,
  X_POP = 210,
  X_GRID = 211,
  X_CHART = 212,
  X_POPUP_MENU = 213,
  X_CREATE = 214,
  X_PROPERTY = 215,
  X_FUNCTION = 216,
  X_GET = 217,
  X_SET = 218,
  X_INSERT = 219,
  X_UPDATE = 220,
  X_STATIC = 221,
  X_REDIM = 222,
  X_WITH = 223,
};

// Second bytes after PREFIX2 (251).
enum : uint8_t {
  P2_FROM = 57,
  P2_ASSOC = 65,      // DIM(ASSOC A$, key)
  P2_TABLE = 67,
  P2_CONTROL = 59,    // ENABLE, DISABLE, SAVE, REMOVE, RENAME CONTROL
  P2_SERVER = 74,     // ADD SERVER, DROP SERVER, PROCESS SERVER
  P2_SAME = 120,      // the jump target *SAME
  P2_NEXTLINE = 121,  // the jump target *NEXTLINE
  P2_WHERE = 122,     // SELECT ... WHERE
  P2_DECRYPT = 174,   // HSH(DECRYPT ...)
  P2_ENCRYPT = 238,   // HSH(ENCRYPT ...)
};
}  // namespace code

// Whether the code byte c begins a line reference: a line number, or a label
// inline or by index.
inline bool Is_line_ref(uint8_t c) {
  return c == code::LINE_REF || c == code::LABEL || c == code::LABEL_IDX || c == code::LABEL_IDX2;
}

// Code classes (bit masks of Cde_tbl).
enum : uint8_t {
  CC_OPERAND = 0x01,
  CC_FUNCTION = 0x02,
  CC_SYSVAR = 0x04,
  CC_DIRECTIVE = 0x08,
  CC_STMT_END = 0x10,
  CC_BINOP = 0x20,
  CC_LOGOP = 0x40,
};
extern const uint8_t Cde_tbl[256];

// Big-endian helpers for compiled code and file formats.
inline uint16_t get_u16be(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline void put_u16be(uint8_t* p, uint16_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
inline uint32_t get_u32be(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline void put_u32be(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}
inline uint64_t get_u48be(const uint8_t* p) {
  return (uint64_t(get_u16be(p)) << 32) | get_u32be(p + 2);
}
inline void put_u48be(uint8_t* p, uint64_t v) {
  put_u16be(p, uint16_t(v >> 32)); put_u32be(p + 2, uint32_t(v));
}

// The size of the item at p as Skip_code steps over it (the operands drawn
// at the head of this file): 0 for the codes that end a scan (0, 255, the
// remarks and TABLE data), 2 for 149 and its second byte, 1 for any other
// code without an operand.  A numeric literal is 8 bytes inline and 3 as an
// index into the program's literal pool: pooled says that the code at p is
// a loaded program's that has one (a line being compiled never has).
inline size_t Code_size(const uint8_t* p, bool pooled) {
  switch (p[0]) {
    case code::END_SCAN:
    case code::EOL:
    case code::D_REM:
    case code::D_COMMENT:
    case code::D_TABLE:
      return 0;
    case code::NUM_VAR:
    case code::STR_VAR:
    case code::LABEL:
    case code::REC_VAR:
    case code::OBJ_REF:
      return (p[1] & 0x80) ? 3 : size_t(p[1]) + 2;
    case code::NUM_LIT:
    case code::EXP_LIT:
      return (pooled && (p[1] & 0x80)) ? 3 : 8;
    case code::STR_LIT:
    case code::HEX_LIT:
    case code::BRACKET_TEXT:
      return size_t(get_u16be(p + 1)) + 3;
    case code::LINE_REF:
    case code::MNEM_LIT:
    case code::SMALL_INT:
    case code::LABEL_IDX:
    case code::LABEL_IDX2:
      return 3;
    case code::EXT_DIR:
      return 2;
    default:
      return 1;
  }
}

// Code_size with the operand byte of the other one-byte prefixes and
// markers (12, 35, 66, 72, 251, 254) counted too: the size a scan over
// values steps by.  A function code is followed directly by its arguments.
inline size_t Item_size(const uint8_t* p, bool pooled) {
  switch (p[0]) {
    case code::EXT_SYSVAR:
    case code::INC_DEC:
    case code::THEN_BLOCK:
    case code::PREFIX2:
    case code::ALT_FNC:
    case code::XFNC_PREFIX:
      return 2;
    default:
      return Code_size(p, pooled);
  }
}
