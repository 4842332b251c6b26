// Key definitions: the segment table builder, the KEYDEF text compiler, the
// text written back from a table, key-name lists and the binary numeric key
// segments.  Layouts are drawn in kdef.h.
#include "channels/kdef.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "channels/key_number.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"

uint8_t default_kdef[KDEF_DEFAULT_CAP];

void Kdef_reset(Kdef& kd) {
  kd = Kdef{};
  std::memset(default_kdef, 0, sizeof default_kdef);
  default_kdef[0] = KSEG_END;
  kd.segs = default_kdef;
  kd.seg_cap = KDEF_DEFAULT_CAP;
}

// ---- the table builder ----

// Appends one entry, moving the table to a per-statement temporary of twice
// the capacity when full.  One byte is always kept free for the end byte.
void Key_builder::Put(const uint8_t e[4]) {
  if (entries_ >= KDEF_MAX_ENTRIES || key_entries_ >= KDEF_KEY_ENTRIES) Rpt_error(err::KEY_DEFINITION);
  if ((entries_ + 1) * 4 + 1 > kd_.seg_cap) {
    int32_t cap = kd_.seg_cap * 2;
    auto* t = static_cast<uint8_t*>(Get_temp(size_t(cap)));
    std::memcpy(t, kd_.segs, size_t(entries_) * 4);
    kd_.segs = t;
    kd_.seg_cap = cap;
  }
  std::memcpy(kd_.segs + entries_ * 4, e, 4);
  entries_++;
  key_entries_++;
  kd_.segs[entries_ * 4] = KSEG_END;
}

void Key_builder::External(int32_t len) {
  if (entries_ != 0) Rpt_error(err::KEY_DEFINITION);
  if (len < 1 || len > 127) Rpt_error(err::OUT_OF_RANGE);
  uint8_t e[4] = {0, KFIELD_EXTERNAL, 0, uint8_t(len)};
  Put(e);
  ext_len_ = len;
  key_bytes_ = len;
  kd_.key_len = uint16_t((kd_.key_len & KLEN_EFF2) | len);
}

int32_t Key_builder::Room(int32_t field, int32_t offset1) const {
  int32_t left = KEY_MAX_BYTES - key_bytes_;
  int32_t cap = field == KFIELD_EXTERNAL ? ext_len_ - (offset1 - 1) : 127;
  return cap < left ? cap : left;
}

void Key_builder::Segment(int32_t field, int32_t offset1, int32_t len, uint16_t opts,
                          uint8_t opt_byte) {
  if (key_ > KDEF_MAX_KEYS - 1) Rpt_error(err::KEY_DEFINITION);
  if (field == KFIELD_EXTERNAL && ext_len_ == 0) Rpt_error(err::KEY_DEFINITION);
  if (field < 0 || field > KFIELD_EXTERNAL) Rpt_error(err::OUT_OF_RANGE);
  int32_t max_off = field == KFIELD_EXTERNAL ? ext_len_ : KSEG_MAX_OFFSET;
  if (offset1 < 1 || offset1 > max_off) Rpt_error(err::OUT_OF_RANGE);
  if (key_bytes_ >= KEY_MAX_BYTES) Rpt_error(err::STRING_LENGTH);
  if (len < 1 || len > Room(field, offset1)) Rpt_error(err::OUT_OF_RANGE);
  uint16_t type = opts & KSF_TYPE;
  bool typed = (opts & KSF_INT) || type == KSF_HASH || type == KSF_PLUS;
  if (typed) {
    if (typed_) Rpt_error(err::KEY_DEFINITION);
    typed_ = true;
  }
  int32_t off0 = offset1 - 1;
  uint8_t e[4] = {uint8_t((key_ & 15) | ((off0 >> 8) << 4)), uint8_t(field), uint8_t(off0 & 255),
                  uint8_t(len | ((opts & KSF_D) ? 0x80 : 0))};
  uint16_t rest = opts & uint16_t(~KSF_D);
  // The flag entry must follow its segment in the same key: make sure both fit.
  if (rest && key_entries_ + 2 > KDEF_KEY_ENTRIES) Rpt_error(err::KEY_DEFINITION);
  Put(e);
  if (rest) {
    uint8_t f[4] = {KSEG_FLAGS, uint8_t(rest & 255), uint8_t(rest >> 8), opt_byte};
    Put(f);
  }
  key_bytes_ += len;
  if (field != KFIELD_EXTERNAL && off0 + len > max_end_) max_end_ = off0 + len;
}

void Key_builder::Next_key() {
  if (key_ + 1 > KDEF_MAX_KEYS - 1) Rpt_error(err::KEY_DEFINITION);
  key_++;
  key_entries_ = 0;
  key_bytes_ = 0;
}

void Key_builder::Name(const uint8_t* name, int32_t len) {
  if (len <= 0) return;
  if (name[0] == '#') Rpt_error(err::KEY_DEFINITION);
  named_ = key_;
  if (names_) Kname_add(names_, key_, name, len);
}

void Key_builder::Finish() {
  kd_.segs[entries_ * 4] = KSEG_END;
  if (entries_ >= 32) kd_.flags1 |= KF1_MANY_SEGS;
}

// ---- option letters ----

namespace {

// Two hexadecimal digits after "N:" or "K:".
uint8_t nul_chr(const uint8_t* text, int32_t len, int32_t* pos) {
  int v = 0;
  for (int i = 0; i < 2; i++) {
    if (*pos >= len) Rpt_error(err::BAD_HEX);
    int c = text[(*pos)++];
    if (!std::isxdigit(c)) Rpt_error(err::BAD_HEX);
    v = v * 16 + (std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10);
  }
  return uint8_t(v);
}

}  // namespace

uint16_t GetKeyedSegOpts(const uint8_t* text, int32_t len, int32_t* pos, uint8_t* opt_byte,
                         int32_t key, int32_t seg_len, int32_t field, int syntax_err) {
  uint16_t f = 0;
  bool byte_set = false;  // N or K gave the option byte
  bool b_seen = false;
  int types = 0;          // I, #, + and B given
  *opt_byte = 0;
  while (*pos < len) {
    uint8_t c = text[*pos];
    if (c == ']') break;
    (*pos)++;
    switch (c) {
      case '"': break;
      case 'U': f |= KSF_U; break;
      case 'C': f = uint16_t((f | KSF_C) & ~KSF_L); break;
      case 'L': f = uint16_t((f | KSF_L) & ~KSF_C); break;
      case 'T': f |= KSF_T; break;
      case 'S': f |= KSF_S; break;
      case 'Z': f |= KSF_Z; break;
      case 'D': f |= KSF_D; break;
      case 'A': f &= uint16_t(~KSF_D); break;
      case 'M': Rpt_error(key >= 0 ? err::KEY_DEFINITION : syntax_err);
      case 'N':
      case 'K': {
        uint16_t bit = c == 'N' ? KSF_N : KSF_K;
        uint16_t other = c == 'N' ? KSF_K : KSF_N;
        if ((f & other) || b_seen) Rpt_error(err::KEY_DEFINITION);
        f |= bit;
        if (*pos < len && text[*pos] == ':') {
          (*pos)++;
          *opt_byte = nul_chr(text, len, pos);
          byte_set = true;
        }
        break;
      }
      case 'I':
        if (field != 0 || (seg_len != 1 && seg_len != 2 && seg_len != 4)) Rpt_error(err::KEY_DEFINITION);
        f |= KSF_I;
        types++;
        break;
      case '+': f |= KSF_PLUS; types++; break;
      case '#': f |= KSF_HASH; types++; break;
      case 'B':
        if (byte_set || (f & (KSF_N | KSF_K))) Rpt_error(err::KEY_DEFINITION);
        f |= KSF_B;
        b_seen = true;
        types++;
        if (*pos < len && text[*pos] == '.') {
          (*pos)++;
          if (*pos >= len || !std::isdigit(text[*pos])) Rpt_error(err::KEY_DEFINITION);
          *opt_byte = uint8_t(text[(*pos)++] - '0');
        }
        break;
      default: Rpt_error(syntax_err);
    }
  }
  if (types > 1) Rpt_error(err::KEY_DEFINITION);
  if (b_seen && (f & (KSF_C | KSF_L | KSF_T | KSF_S | KSF_Z))) Rpt_error(err::KEY_DEFINITION);
  return f;
}

// ---- KEYDEF text ----

namespace {

struct Keydef_text {
  const uint8_t* s;
  int32_t n;
  int32_t pos = 0;
  bool at_end() const { return pos >= n; }
  uint8_t ch() {
    if (pos >= n) Rpt_error(err::STRING_LENGTH);
    return s[pos++];
  }
  uint8_t peek() const { return pos < n ? s[pos] : 0; }
  void expect(uint8_t c) {
    if (ch() != c) Rpt_error(err::SYNTAX);
  }
  int32_t num(int32_t lo, int32_t hi) {
    if (!std::isdigit(peek())) Rpt_error(err::OUT_OF_RANGE);
    int64_t v = 0;
    while (std::isdigit(peek())) {
      v = v * 10 + (s[pos++] - '0');
      if (v > 1000000) v = 1000000;
    }
    if (v < lo || v > hi) Rpt_error(err::OUT_OF_RANGE);
    return int32_t(v);
  }
};

void text_segment(Key_builder& b, Keydef_text& t) {
  t.expect('[');
  if (t.peek() == '"') {
    t.pos++;
    int32_t start = t.pos;
    while (t.ch() != '"') {
    }
    b.Name(t.s + start, t.pos - 1 - start);
    t.expect(':');
  }
  int32_t field;
  if (std::toupper(t.peek()) == 'K') {
    for (const char* w = "KEY"; *w; w++)
      if (std::toupper(t.ch()) != *w) Rpt_error(err::SYNTAX);
    if (b.External_len() == 0) Rpt_error(err::KEY_DEFINITION);
    field = KFIELD_EXTERNAL;
  } else {
    field = t.num(0, 254);
  }
  t.expect(':');
  int32_t offset = t.num(1, field == KFIELD_EXTERNAL ? b.External_len() : KSEG_MAX_OFFSET);
  t.expect(':');
  int32_t room = b.Room(field, offset);
  if (room <= 0) Rpt_error(err::STRING_LENGTH);
  int32_t len = t.num(1, room);
  uint16_t opts = 0;
  uint8_t opt_byte = 0;
  uint8_t c = t.ch();
  if (c == ':') {
    opts = GetKeyedSegOpts(t.s, t.n, &t.pos, &opt_byte, b.Named_key(), len, field, 20);
    c = t.ch();
  }
  if (c != ']') Rpt_error(err::SYNTAX);
  b.Segment(field, offset, len, opts, opt_byte);
}

}  // namespace

void Kdef_parse_text(Key_builder& b, const uint8_t* text, int32_t len) {
  Keydef_text t{text, len};
  if (std::isdigit(t.peek()) && b.Entries() == 0) {
    b.External(t.num(1, 127));
    if (t.at_end()) return b.Finish();
    if (t.ch() != ',') Rpt_error(err::SYNTAX);
    b.Next_key();
  }
  for (;;) {
    text_segment(b, t);
    if (t.at_end()) break;
    uint8_t c = t.ch();
    if (c == ',')
      b.Next_key();
    else if (c != '+')
      Rpt_error(err::SYNTAX);
  }
  b.Finish();
}

// ---- KEYDEF text from a table ----

const Kname_node* Kname_find(const Kname_node* list, int32_t key) {
  for (; list; list = list->next)
    if (list->key == key) return list;
  return nullptr;
}

bool Kname_taken(const Kname_node* list, const char* name, size_t len, int32_t except) {
  for (; list; list = list->next)
    if (list->key != except && list->len == len && strncasecmp(list->name, name, len) == 0) return true;
  return false;
}

std::string Describe_keys(const uint8_t* segs, int32_t max_entries, const Kname_node* names) {
  std::string out;
  bool every_segment = Sw_on(sw::Bang9);
  int32_t key = -1;     // true key number of the previous segment
  int32_t nibble = -1;  // its low nibble
  char buf[64];
  for (int32_t i = 0; segs[i * 4] != KSEG_END && (max_entries == 0 || i < max_entries); i++) {
    const uint8_t* e = segs + i * 4;
    if (e[0] == KSEG_FLAGS) continue;  // consumed with its segment
    int32_t nib = e[0] & 15;
    bool first = nib != nibble;
    if (first) {
      // Keys may skip numbers; the nibble holds the number mod 16.
      key = key < 0 ? nib : key + ((nib - nibble + 16) % 16);
      nibble = nib;
      if (!out.empty()) out += ',';
    } else {
      out += '+';
    }
    int32_t off = ((e[0] >> 4) << 8) | e[2];
    int32_t len = e[3] & 127;
    uint16_t f = (e[3] & 0x80) ? KSF_D : 0;
    uint8_t opt_byte = 0;
    if ((max_entries == 0 || i + 1 < max_entries) && segs[(i + 1) * 4] == KSEG_FLAGS) {
      const uint8_t* x = segs + (i + 1) * 4;
      f |= uint16_t(x[1] | (x[2] << 8));
      opt_byte = x[3];
    }
    if (e[1] == KFIELD_EXTERNAL && key == 0) {
      out += std::to_string(len);
      continue;
    }
    std::string opts;
    if (f & KSF_D) opts += 'D';
    switch (f & KSF_TYPE) {
      case KSF_HASH: opts += '#'; break;
      case KSF_PLUS: opts += '+'; break;
      case KSF_MINUS: opts += '-'; break;
      case KSF_B:
        opts += 'B';
        if (opt_byte) {
          opts += '.';
          opts += char('0' + opt_byte % 10);
        }
        break;
    }
    if (f & KSF_C) opts += 'C';
    if (f & KSF_INT) opts += 'I';
    if (f & KSF_L) opts += 'L';
    if (f & KSF_M) opts += 'M';
    if ((f & KSF_S) && !(f & KSF_INT)) opts += 'S';  // I implies S
    if (f & KSF_T) opts += 'T';
    if (f & KSF_U) opts += 'U';
    if (f & KSF_Z) opts += 'Z';
    if (f & KSF_K) opts += 'K';
    if (f & KSF_N) opts += 'N';
    if (f & (KSF_K | KSF_N)) {
      std::snprintf(buf, sizeof buf, ":%2.2X", opt_byte);
      opts += buf;
    }
    out += '[';
    const Kname_node* nm = (first || every_segment) ? Kname_find(names, key) : nullptr;
    if (nm) {
      out += '"';
      out.append(nm->name, nm->len > 127 ? 127 : nm->len);
      out += "\":";
    }
    if (e[1] == KFIELD_EXTERNAL)
      std::snprintf(buf, sizeof buf, "KEY:%d:%d", off + 1, len);
    else
      std::snprintf(buf, sizeof buf, "%d:%d:%d", e[1], off + 1, len);
    out += buf;
    if (!opts.empty()) out += ":\"" + opts + "\"";
    out += ']';
  }
  return out;
}

void DescribeKeys(const uint8_t* segs, int32_t max_entries, const Kname_node* names) {
  std::string s = Describe_keys(segs, max_entries, names);
  uint8_t* p = Work_take(s.size() + 1);
  std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
}

// ---- key names ----

void Kname_add(Kname_node** list, int32_t key, const uint8_t* name, int32_t len) {
  if (len > 255) len = 255;
  Kname_node** tail = list;
  for (Kname_node* n = *list; n; n = n->next) {
    if (n->len == len && strncasecmp(n->name, reinterpret_cast<const char*>(name), size_t(len)) == 0) {
      if (n->key == key) return;  // the same name repeated on another segment
      Rpt_error(err::KEY_DEFINITION);
    }
    if (n->key == key) Rpt_error(err::KEY_DEFINITION);  // a second name for one key
    tail = &n->next;
  }
  // The work area hands out bytes: align the node for its pointer.
  uint8_t* raw = Work_take(sizeof(Kname_node) + size_t(len) + alignof(Kname_node));
  auto addr = reinterpret_cast<uintptr_t>(raw);
  addr = (addr + alignof(Kname_node) - 1) & ~uintptr_t(alignof(Kname_node) - 1);
  auto* n = reinterpret_cast<Kname_node*>(addr);
  n->next = nullptr;
  n->key = key;
  n->len = uint8_t(len);
  std::memcpy(n->name, name, size_t(len));
  *tail = n;
}

void Kname_link(Kname_node** list, int32_t key, const uint8_t* name, int32_t len) {
  if (len > 255) len = 255;
  Kname_node** p = list;
  while (*p && (*p)->key < key) p = &(*p)->next;
  if (*p && (*p)->key == key) {
    Kname_node* old = *p;
    *p = old->next;
    Ret_blk(old);
  }
  if (len <= 0) return;
  auto* n = static_cast<Kname_node*>(Get_blk(sizeof(Kname_node) + size_t(len)));
  n->key = key;
  n->len = uint8_t(len);
  std::memcpy(n->name, name, size_t(len));
  n->next = *p;
  *p = n;
}

void Kname_free(Kname_node** list) {
  while (*list) {
    Kname_node* n = *list;
    *list = n->next;
    Ret_blk(n);
  }
}

// ---- binary numeric segments (channels/key_number.h holds the encoding) ----

int EncodeBinNumSeg(const uint8_t* text, int32_t len, uint8_t* out, int32_t seg_len, int32_t decimals) {
  int r = Key_number_encode(text, len, out, seg_len, decimals);
  if (r < 0) Rpt_error(err::STRING_LENGTH);
  return r;
}

bool DecodeBinNumSeg(uint8_t* seg, int32_t len) { return Key_number_decode(seg, len); }
