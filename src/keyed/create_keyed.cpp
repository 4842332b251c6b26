// The creation directives of keyed and indexed files: KEYED, DIRECT,
// CREATE, SORT, FILE and INDEXED.  Each turns its operands into one Kdef
// (kdef.h) and hands it to File_create, which runs the kind's define slot.
//
// Operand forms (the statement is a plain token sequence after the code):
//   KEYED  name, keydef, records, reclen [, further numbers and options]
//   DIRECT and CREATE as KEYED (CREATE may carry a keyword code first)
//   SORT   name, keylen, records, drive
//   FILE   information string [, segment string]
//   INDEXED name, records, reclen, drive [, SEP=]
// keydef: KEYDEF text, a bare external-key length, or a list of bracketed
// segments written in the statement: [field:offset:length:"options"],
// "+" joining segments of a key and "," starting the next key; the field
// may be preceded by a key-name string and may be KEY (the external key).
// A bare external-key length may be followed by such a list (keys 1 up).
// Operands are separated by commas; their shape is checked before they are
// evaluated (Create_check_value), so a form out of shape is error 20.
// Options of KEYED, DIRECT and CREATE: SIZ= block size in KB (0-63), OPT=
// letters, SEP= separator; the first further number is the spare
// percentage (or the drive when drive letters are on).
#include <cstring>
#include <string>
#include <vector>
#include <strings.h>

#include "channels/channel.h"
#include "channels/file_create.h"
#include "channels/indexed_file.h"
#include "channels/kdef.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/zlib_loader.h"
#include "keyed/index_directives.h"

namespace {

constexpr int CREATE_LEVEL = 1;          // highest EFF format CREATE and OPT= may ask for
constexpr int32_t MAX_REC_LEN = 64000;
constexpr int32_t AUTO_BLOCK_MAX = 4000; // largest variable record automatic blocks hold

// A kind whose driver is not in this build stops here with error 99, after
// its operands were checked and before any file is made.
void require_driver(int kind) {
  if (Fio_tbl[kind + 1] != Bad_io) return;
  Not_built(kind == FK_EFF ? "EFF keyed files" : kind == FK_KEYED ? "keyed files of the first format"
                                                                   : "files of this kind");
}

// SEP= after its option code: "*" or "/" alone or an empty string: no
// separator; "*BBX*": BBx-style separators; else the first character.
void sep_option(Kdef& kd, bool bbx_allowed) {
  uint8_t c = *ws.Exec_ptr;
  if ((c == code::OP_MUL || c == code::OP_DIV) &&
      (Create_stmt_end(ws.Exec_ptr[1]) || ws.Exec_ptr[1] == code::COMMA)) {
    ws.Exec_ptr++;
    kd.flags1 = uint8_t((kd.flags1 & ~KF1_SEP_GIVEN) | KF1_NO_SEP);
    return;
  }
  std::string s = Create_text();
  kd.flags1 &= uint8_t(~(KF1_SEP_GIVEN | KF1_NO_SEP));
  if (s.empty()) {
    kd.flags1 |= KF1_NO_SEP;
  } else if (bbx_allowed && s.size() == 5 && strcasecmp(s.c_str(), "*BBX*") == 0) {
    kd.flags1 |= KF1_SEP_GIVEN | KF1_NO_SEP;
  } else {
    kd.flags1 |= KF1_SEP_GIVEN;
    kd.separator = uint8_t(s[0]);
  }
}

// Whether the item at the cursor is the word KEY (a numeric name).
bool at_key_word() {
  const uint8_t* p = ws.Exec_ptr;
  if (*p != code::NUM_VAR) return false;
  if (p[1] & 0x80) {  // indexed name: look at the node it resolves to
    uint8_t* save = ws.Exec_ptr;
    Var_node* n = Find_var();
    ws.Exec_ptr = save;
    return n->name_len == 3 && strncasecmp(n->name, "KEY", 3) == 0;
  }
  return p[1] == 3 && strncasecmp(reinterpret_cast<const char*>(p + 2), "KEY", 3) == 0;
}

// One bracketed segment of a key definition in the statement (cursor on
// "[").  Numbers out of range are error 41, other letters in the options 32.
void list_segment(Key_builder& b) {
  Create_expect(code::LBRACKET);
  int32_t field;
  if (at_key_word()) {
    Find_var();
    field = KFIELD_EXTERNAL;
  } else {
    Create_formula();
    if (ws.Str_len >= 0) {  // the key name
      std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      b.Name(reinterpret_cast<const uint8_t*>(name.data()), int32_t(name.size()));
      if (*ws.Exec_ptr == code::LABEL_END) ws.Exec_ptr++;
      if (at_key_word()) {
        Find_var();
        field = KFIELD_EXTERNAL;
      } else {
        field = Create_integer();
      }
    } else {
      field = To_integer(ws.Num_acc);
    }
  }
  if (field < 0 || field > KFIELD_EXTERNAL) Rpt_error(err::OUT_OF_RANGE);
  Create_expect(code::LABEL_END);
  int32_t max_off = field == KFIELD_EXTERNAL ? b.External_len() : KSEG_MAX_OFFSET;
  if (field == KFIELD_EXTERNAL && max_off == 0) Rpt_error(err::KEY_DEFINITION);
  int32_t offset = Create_range(1, max_off);
  Create_expect(code::LABEL_END);
  int32_t room = b.Room(field, offset);
  int32_t range = KSEG_MAX_OFFSET - offset + 1;
  if (range < room) room = range;
  if (room <= 0) Rpt_error(err::STRING_LENGTH);
  int32_t len = Create_range(1, room);
  uint16_t opts = 0;
  uint8_t opt_byte = 0;
  if (*ws.Exec_ptr == code::LABEL_END) {
    ws.Exec_ptr++;
    std::string o = Create_text();
    int32_t pos = 0;
    opts = GetKeyedSegOpts(reinterpret_cast<const uint8_t*>(o.data()), int32_t(o.size()), &pos,
                           &opt_byte, b.Named_key(), len, field, 32);
    if (pos < int32_t(o.size())) Rpt_error(err::MISSING_KEY_DESC);
  }
  Create_expect(code::RBRACKET);
  b.Segment(field, offset, len, opts, opt_byte);
}

// The key-definition operand: KEYDEF text, a bracketed list, or a bare
// external-key length, which a bracketed list of keys 1 up may follow (its
// segments may then lie in the external key: KEY).
void key_definition(Key_builder& b) {
  if (*ws.Exec_ptr != code::LBRACKET) {
    Create_formula();
    if (ws.Str_len >= 0) {
      std::string t(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      Kdef_parse_text(b, reinterpret_cast<const uint8_t*>(t.data()), int32_t(t.size()));
      return;
    }
    int32_t n = To_integer(ws.Num_acc);
    if (n < 1 || n > 127) Rpt_error(err::OUT_OF_RANGE);
    b.External(n);
    if (ws.Exec_ptr[0] != code::COMMA || ws.Exec_ptr[1] != code::LBRACKET) {
      b.Finish();
      return;
    }
    ws.Exec_ptr++;
    b.Next_key();
  }
  for (;;) {
    list_segment(b);
    uint8_t c = *ws.Exec_ptr;
    if (c == code::OP_ADD && ws.Exec_ptr[1] == code::LBRACKET) {
      ws.Exec_ptr++;
    } else if (c == code::COMMA && ws.Exec_ptr[1] == code::LBRACKET) {
      ws.Exec_ptr++;
      b.Next_key();
    } else {
      break;
    }
  }
  b.Finish();
}

// OPT= letters of KEYED, DIRECT and CREATE.
void opt_letters(Kdef& kd, const std::string& s) {
  for (char ch : s) {
    switch (ch) {
      case 'Z': case 'z': kd.flags2 |= KF2_Z; break;
      case 'C': case 'c': kd.flags2 |= KF2_C; break;
      case 'X': case 'x': kd.flags2 |= KF2_X; break;
      case 'U': kd.flags2 |= KF2_U; break;
      case '0':
        kd.type = FK_KEYED;
        kd.key_len &= uint16_t(~KLEN_EFF2);
        break;
      case '1':
        if (CREATE_LEVEL < 1) Rpt_error(err::NOT_BUILT);
        kd.type = FK_EFF;
        kd.key_len &= uint16_t(~KLEN_EFF2);
        break;
      case '2':
        if (CREATE_LEVEL < 2) Rpt_error(err::NOT_BUILT);
        kd.type = FK_EFF;
        kd.key_len |= KLEN_EFF2;
        break;
      default: Rpt_error(err::MISSING_KEY_DESC);
    }
  }
  if ((kd.flags2 & KF2_Z) && (kd.flags2 & KF2_C)) Rpt_error(err::MISSING_KEY_DESC);
}

// Number of keys and entries of a segment table.
void count_table(const uint8_t* t, int32_t* keys, int32_t* entries) {
  *keys = *entries = 0;
  int last = -1;
  for (int32_t i = 0; t[i * 4] != KSEG_END; i++) {
    (*entries)++;
    if (t[i * 4] == KSEG_FLAGS) continue;
    int nib = t[i * 4] & 15;
    if (nib != last) (*keys)++;
    last = nib;
  }
}

// Which options a creation directive takes after its fixed operands.
enum class Extras { numbers, sep, keyed };

struct Extras_seen {
  bool block = false;   // SIZ= was given
  bool number = false;  // the first further number was read
};

// What follows the fixed operands, each item after a ",": ERR=; SEP= (sep
// and keyed; BBx-style separators for keyed files only); SIZ= and OPT=
// (keyed); numbers: for keyed files the first is the spare percentage, or
// the drive when drive letters are on; any other number is read and ignored.
Extras_seen trailing_args(Kdef& kd, Extras extras) {
  Extras_seen seen;
  bool keyed = extras == Extras::keyed;
  while (!Create_stmt_end(*ws.Exec_ptr)) {
    Create_expect(code::COMMA);
    uint8_t c = *ws.Exec_ptr;
    if (c == COPT_ERR) {
      Chk_err();
    } else if (keyed && c == COPT_SIZ) {
      ws.Exec_ptr++;
      kd.block_kb = uint8_t(Create_range(0, 63));
      seen.block = true;
    } else if (keyed && c == COPT_OPT) {
      ws.Exec_ptr++;
      opt_letters(kd, Create_text());
    } else if (extras != Extras::numbers && c == COPT_EXT && ws.Exec_ptr[1] == COPT_EXT_SEP) {
      ws.Exec_ptr += 2;
      sep_option(kd, keyed);
    } else if (c == COPT_EXT || (c >= code::IOPT_FIRST && c <= code::IOPT_LAST)) {
      Rpt_error(err::SYNTAX);
    } else if (keyed && !seen.number) {
      seen.number = true;
      if (Sw_on(sw::PlusL))
        kd.drive = File_create_drive_value(Create_integer());
      else
        kd.spare_pct = uint8_t(Create_range(0, 99));
    } else {
      Create_integer();
    }
  }
  return seen;
}

// KEYED, DIRECT and CREATE.  level: the EFF format the directive asks for
// by itself (0 none).
void d_direExt(int level) {
  ws.Stmt_save = ws.Exec_ptr;  // an error before ERR= is reached still takes it
  Kdef kd;
  Kdef_reset(kd);
  Kname_node* names = nullptr;
  kd.type = FK_KEYED;
  if (Sw_on(sw::NK)) kd.flags1 |= KF1_NK;
  int kf = prmblk.KF > CREATE_LEVEL ? CREATE_LEVEL : prmblk.KF;
  if (kf > 0 || level > 0) {
    kd.type = FK_EFF;
    if ((kf > level ? kf : level) >= 2) kd.key_len |= KLEN_EFF2;
  }
  Set_path(Create_text());
  Create_expect(code::COMMA);
  Key_builder b(kd, &names);
  key_definition(b);
  kd.records = File_create_no();
  int32_t rl = File_create_no();
  if (rl > MAX_REC_LEN || rl < -MAX_REC_LEN) Rpt_error(err::OUT_OF_RANGE);
  Extras_seen seen = trailing_args(kd, Extras::keyed);
  // Variable-length records: the block must hold the largest record.
  if (rl <= 0) {
    int32_t max = -rl;
    int32_t limit;
    if (seen.block) {
      limit = ((kd.block_kb * 1024) / 1000) * 1024;
    } else if (max > AUTO_BLOCK_MAX) {
      int32_t kb = (max + 999) / 1000;
      kd.block_kb = uint8_t(kb > 63 ? 63 : kb);
      limit = ((kd.block_kb * 1024) / 1000) * 1024;
    } else {
      limit = AUTO_BLOCK_MAX;
    }
    if (max <= limit) {
      kd.flags1 |= KF1_VARIABLE;
      if (max == 0) max = 256;
      if (!seen.number) kd.spare_pct = 10;
    }
    rl = max;
  }
  kd.rec_len = uint16_t(rl);
  bool variable = kd.flags1 & KF1_VARIABLE;
  // 1. Every segment lies inside the record, and below offset 3839.
  if (b.Max_end() > rl) Rpt_error(err::KEY_DEFINITION);
  if (b.Max_end() > KSEG_MAX_OFFSET) Rpt_error(err::OUT_OF_RANGE);
  int32_t ext = kd.key_len & 127;
  if (kd.type == FK_KEYED) {
    // 2. Options beyond U, C, L, T and D need variable records.
    for (int32_t i = 0; kd.segs[i * 4] != KSEG_END; i++) {
      const uint8_t* e = kd.segs + i * 4;
      uint16_t fw = uint16_t(e[1] | (e[2] << 8));
      if (e[0] == KSEG_FLAGS && !variable && (fw & ~(KSF_U | KSF_C | KSF_L | KSF_T))) Rpt_error(err::KEY_DEFINITION);
    }
    // 4. The first format's limits.
    if (variable && rl >= 31001) {
      kd.flags1 &= uint8_t(~KF1_VARIABLE);
      variable = false;
    }
    if (variable) {
      if (kd.block_kb > 31) Rpt_error(err::MISSING_KEY_DESC);
    } else {
      if (rl > 32764 - ext) Rpt_error(err::OUT_OF_RANGE);
      if (kd.block_kb > 32) Rpt_error(err::MISSING_KEY_DESC);
      if (kd.flags2 & (KF2_C | KF2_X | KF2_Z)) Rpt_error(err::MISSING_KEY_DESC);
    }
    int32_t keys, entries;
    count_table(kd.segs, &keys, &entries);
    if (keys > 16 || entries > 96) Rpt_error(err::KEY_DEFINITION);
  } else {
    // 3. EFF.
    if (rl > MAX_REC_LEN || ((kd.flags2 & KF2_X) && rl > 32000)) Rpt_error(err::OUT_OF_RANGE);
  }
  // 5. Compressed records need the compression library.
  if ((kd.flags2 & KF2_Z) && !CheckZlib()) Not_built("compressed records (zlib cannot be loaded)");
  require_driver(kd.type);
  // The named keys go into the new file's dictionary.
  std::vector<std::pair<int, std::string>> named;
  for (Kname_node* n = names; n; n = n->next) named.push_back({n->key, std::string(n->name, n->len)});
  File_create_end(kd, names);
  if (!named.empty()) Key_name_new_file(ws.Path_buf, named);
}

}  // namespace

void d_keyd() {
  if (*ws.Exec_ptr == code::D_LOAD) {
    Key_load_directive();
    return;
  }
  d_direExt(0);
}

void d_dire() { d_direExt(0); }

void d_crea() {
  if (*ws.Exec_ptr == code::PREFIX2) ws.Exec_ptr += 2;
  d_direExt(CREATE_LEVEL);
}

void d_sort() {
  ws.Stmt_save = ws.Exec_ptr;
  Kdef kd;
  Kdef_reset(kd);
  kd.type = FK_KEYED;
  if (Sw_on(sw::NK)) kd.flags1 |= KF1_NK;
  Set_path(Create_text());
  Create_expect(code::COMMA);
  int32_t kl = Create_integer();
  if (kl < 1 || kl > 127) Rpt_error(err::OUT_OF_RANGE);
  Key_builder b(kd);
  b.External(kl);
  b.Finish();
  kd.records = File_create_no();
  kd.drive = File_create_drive();
  if (prmblk.KF >= 1) {
    kd.type = FK_EFF;
    if (prmblk.KF >= 2) kd.key_len |= KLEN_EFF2;
  }
  trailing_args(kd, Extras::numbers);
  require_driver(kd.type);
  File_create(kd, nullptr);
}

void d_inde() {
  ws.Stmt_save = ws.Exec_ptr;
  Kdef kd;
  Kdef_reset(kd);
  kd.type = FK_INDEXED;
  Set_path(Create_text());
  kd.records = File_create_no();
  if (kd.records < 0) Rpt_error(err::OUT_OF_RANGE);
  int32_t rl = File_create_no();
  if (rl < 1 || rl > 32767) Rpt_error(err::OUT_OF_RANGE);
  kd.rec_len = uint16_t(rl);
  kd.drive = File_create_drive();
  trailing_args(kd, Extras::sep);
  File_create(kd, nullptr);
}

// ---- FILE ----

namespace {

uint32_t be(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; i++) v = (v << 8) | p[i];
  return v;
}

std::string trimmed(const uint8_t* p, size_t n) {
  std::string s(reinterpret_cast<const char*>(p), n);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

}  // namespace

void d_file() {
  ws.Stmt_save = ws.Exec_ptr;
  std::string info = Create_text();
  std::string segs;
  bool has_segs = false;
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != COPT_ERR) {
    ws.Exec_ptr++;
    segs = Create_text();
    has_segs = true;
  }
  Kdef kd;
  Kdef_reset(kd);
  auto* s = reinterpret_cast<const uint8_t*>(info.data());
  size_t n = info.size();
  int layout = n > 212 ? 0 : prmblk.FF;
  std::string name;
  int kind = 0;
  bool table_given = false;
  switch (layout) {
    case 0:
      if (n < 212) Rpt_error(err::STRING_LENGTH);
      kind = s[9];
      kd.key_len = s[10];
      kd.records = int32_t(be(s + 11, 3));
      kd.rec_len = uint16_t(be(s + 14, 2));
      kd.flags1 = s[16];
      kd.spare_pct = s[17];
      if (s[18] == '2') kind = FK_EFF;
      if (kd.flags1 & KF1_SEP_GIVEN) kd.separator = s[20];
      kd.block_kb = s[23];
      name = trimmed(s + 24, 60);
      if (n > 84) {
        // The table as it stands, always ended by its end byte.
        size_t len = n - 84;
        if (int32_t(len + 1) > kd.seg_cap) {
          kd.segs = static_cast<uint8_t*>(Get_temp(len + 1));
          kd.seg_cap = int32_t(len + 1);
        }
        std::memcpy(kd.segs, s + 84, len);
        kd.segs[len] = KSEG_END;
        for (size_t i = 0; i < len; i += 4) {
          if (kd.segs[i] == KSEG_END) break;
          if (i + 4 > len) kd.segs[i] = KSEG_END;  // a partial entry ends the table
        }
        table_given = true;
      }
      break;
    case 1:
      if (n != 22) Rpt_error(err::STRING_LENGTH);
      name = trimmed(s + 3, 6) + trimmed(s + 20, 2);
      kind = s[9];
      kd.key_len = s[10];
      kd.records = int32_t(be(s + 11, 3));
      kd.rec_len = uint16_t(be(s + 14, 2));
      break;
    case 2:
      if (n != 16) Rpt_error(err::STRING_LENGTH);
      name = trimmed(s, 6);
      kind = s[6];
      kd.key_len = s[7];
      kd.records = int32_t(be(s + 8, 2) & 0x7FFF);
      kd.rec_len = uint16_t(be(s + 10, 2) & 0x7FFF);
      break;
    default:
      if (n <= 8) Rpt_error(err::STRING_LENGTH);
      kind = s[0] == 6 ? 2 : s[0];
      kd.key_len = s[1];
      kd.records = int32_t(be(s + 2, 4));
      kd.rec_len = uint16_t(be(s + 6, 2));
      name = trimmed(s + 8, n - 8);
      if (has_segs) {
        const auto* q = reinterpret_cast<const uint8_t*>(segs.data());
        int entries = 0;
        for (size_t i = 0; i + 8 <= segs.size() && q[i] != 255; i += 8) {
          if (++entries > 96) Rpt_error(err::KEY_DEFINITION);
          const uint8_t* e = q + i;
          if ((e[4] & 127) == 0) Rpt_error(err::OUT_OF_RANGE);  // a segment is 1..127 bytes
          uint8_t t[4] = {uint8_t((e[0] & 15) | ((e[2] & 15) << 4)), e[1], e[3],
                          uint8_t((e[4] & 127) | ((e[5] & 1) ? 0x80 : 0))};
          if (int32_t(entries * 4 + 1) > kd.seg_cap) {
            auto* grown = static_cast<uint8_t*>(Get_temp(size_t(kd.seg_cap) * 2));
            std::memcpy(grown, kd.segs, size_t(kd.seg_cap));
            kd.segs = grown;
            kd.seg_cap *= 2;
          }
          std::memcpy(kd.segs + (entries - 1) * 4, t, 4);
          kd.segs[entries * 4] = KSEG_END;
        }
        if (entries >= 33) kd.flags1 |= KF1_MANY_SEGS;
        table_given = true;
      }
      break;
  }
  if (!table_given && (kd.key_len & 127)) {
    Key_builder b(kd);
    b.External(kd.key_len & 127);
    b.Finish();
  }
  switch (kind) {
    case 0: kind = FK_INDEXED; break;
    case 3: kind = FK_SERIAL; break;
    case 5: kind = FK_DIRECTORY; break;
    case FK_SERIAL:
    case FK_KEYED:
    case FK_PROGRAM:
    case FK_EFF: break;
    default: Rpt_error(err::WRONG_MODE);
  }
  kd.type = int16_t(kind);
  if (name.empty()) Rpt_error(err::BAD_FILE_NAME);
  if (kind == FK_DIRECTORY) {
    File_create_dir(name);
    return;
  }
  if (kind == FK_INDEXED && (kd.rec_len < 1 || kd.rec_len > 32767)) Rpt_error(err::OUT_OF_RANGE);
  Set_path(name);
  require_driver(kd.type);
  File_create_end(kd, nullptr);
}
