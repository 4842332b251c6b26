// MSK( and LIKE: the pattern compiler, the matcher and the kept pattern.
// The compiled form is drawn in mask_match.h.
#include "core/mask_match.h"

#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

enum : uint8_t {
  OP_GROUP = 1,
  OP_LIT = 2,
  OP_SET = 3,
  OP_NSET = 4,
  OP_BOL = 5,
  OP_EOL = 6,
  OP_ANY = 7,
  OP_END = 15,
  MOD_OPT = 0x10,
  MOD_PLUS = 0x20,
  MOD_STAR = 0x30,
  MOD_ALT = 0x40,
};

constexpr size_t U16_MAX = 0xFFFF;

}  // namespace

// ---- growing buffer ----

Mask_buf::~Mask_buf() {
  if (buf_) Ret_blk(buf_);
}

void Mask_buf::grow(size_t need) {
  size_t cap = cap_ ? cap_ : 256;
  while (cap < need) cap *= 2;
  if (!ws.Prm.IZ && ws.Mem_used + int64_t(cap) > ws.Mem_limit) Rpt_error(err::MEMORY_LIMIT);
  auto* p = static_cast<uint8_t*>(Get_blk_nc(cap));
  if (!p) Rpt_error(err::MEMORY_LIMIT);
  if (len_) std::memcpy(p, buf_, len_);
  if (buf_) Ret_blk(buf_);
  buf_ = p;
  cap_ = cap;
}

void Mask_buf::put(uint8_t b) {
  if (len_ == cap_) grow(len_ + 1);
  buf_[len_++] = b;
}

uint8_t* Mask_buf::release() {
  auto* p = static_cast<uint8_t*>(Get_blk_nc(len_ ? len_ : 1));
  if (!p) Rpt_error(err::MEMORY_LIMIT);
  if (len_) std::memcpy(p, buf_, len_);
  if (buf_) Ret_blk(buf_);
  buf_ = nullptr;
  cap_ = len_ = 0;
  return p;
}

// ---- byte searching ----

const uint8_t* Find_bytes(const uint8_t* hay, size_t n, const uint8_t* needle, size_t k) {
  if (k == 0) return hay;
  if (n < k) return nullptr;
  if (k == 1) return static_cast<const uint8_t*>(std::memchr(hay, needle[0], n));
  // memchr to the first byte while that byte is rare; when it keeps turning
  // up without the rest following, memmem (which skips ahead on the later
  // bytes) does better.
  const uint8_t* p = hay;
  const uint8_t* last = hay + (n - k);
  size_t misses = 0;
  while (p <= last) {
    p = static_cast<const uint8_t*>(std::memchr(p, needle[0], size_t(last - p) + 1));
    if (!p) return nullptr;
    if (std::memcmp(p + 1, needle + 1, k - 1) == 0) return p;
    ++p;
    if (++misses >= 8 && size_t(p - hay) < misses * 64)
      return static_cast<const uint8_t*>(memmem(p, size_t(hay + n - p), needle, k));
  }
  return nullptr;
}

size_t Count_byte(const uint8_t* p, size_t n, uint8_t c) {
  // Blocks of 64 bytes counted into byte-wide lanes (at most 255 blocks
  // before the lanes are added up), which the compiler turns into vector code.
  size_t total = 0;
  while (n >= 64) {
    size_t blocks = n / 64 < 255 ? n / 64 : 255;
    uint8_t lane[64] = {};
    for (size_t b = 0; b < blocks; b++, p += 64)
      for (int k = 0; k < 64; k++) lane[k] = uint8_t(lane[k] + (p[k] == c));
    for (int k = 0; k < 64; k++) total += lane[k];
    n -= blocks * 64;
  }
  for (; n; n--, p++) total += *p == c;
  return total;
}

// ---- compiler ----

namespace {

constexpr size_t NO_ITEM = size_t(-1);

struct Compiler {
  const uint8_t* in;
  size_t len;
  size_t i = 0;
  Mask_buf& out;
  bool top_rewrite;
  // Offsets of the length fields of the open groups; the item before the
  // one being compiled, for the modifiers.
  size_t open[MASK_DEPTH_MAX];
  int depth = 0;
  size_t prev = NO_ITEM;

  bool put_u16_at(size_t at, size_t v) {
    if (v > U16_MAX) return false;
    put_u16be(out.data() + at, uint16_t(v));
    return true;
  }

  // "[" seen: members up to "]".
  bool set() {
    size_t code_at = out.size();
    bool neg = i < len && in[i] == '^';
    if (neg) i++;
    out.put(neg ? OP_NSET : OP_SET);
    out.put(0);
    out.put(0);
    size_t count = 0;
    int last = -1;  // previous member, for a range
    bool first = true;
    for (;;) {
      if (i >= len) return false;  // no "]"
      uint8_t c = in[i++];
      if (c == ']') break;
      if (c == '-' && !first && last >= 0 && i < len && in[i] != ']') {
        uint8_t hi = in[i++];
        if (hi == '\\') {
          if (i >= len) return false;
          hi = in[i++];
        }
        for (int b = last + 1; b <= hi; b++) {
          out.put(uint8_t(b));
          count++;
        }
        if (hi > last) last = hi;
        first = false;
        continue;
      }
      if (c == '\\') {
        if (i >= len) return false;
        c = in[i++];
      }
      out.put(c);
      count++;
      last = c;
      first = false;
    }
    prev = code_at;
    return put_u16_at(code_at + 1, count);
  }

  bool open_group() {
    if (depth == MASK_DEPTH_MAX) return false;
    out.put(OP_GROUP);
    open[depth++] = out.size();
    out.put(0);
    out.put(0);
    prev = NO_ITEM;
    return true;
  }

  bool close_group() {
    if (depth == 0) return false;
    out.put(OP_END);
    size_t at = open[--depth];
    prev = at - 1;
    return put_u16_at(at, out.size() - at - 2);
  }

  bool modifier(uint8_t bits) {
    if (prev == NO_ITEM) return false;
    uint8_t& c = out.data()[prev];
    if (c > OP_END) return false;
    if (bits != MOD_ALT && c == OP_BOL) return false;
    c = uint8_t(c + bits);
    return true;
  }

  bool run() {
    out.clear();
    out.put(0);
    out.put(0);
    while (i < len) {
      uint8_t c = in[i++];
      switch (c) {
        case '[':
          if (!set()) return false;
          break;
        case '(':
          if (!open_group()) return false;
          break;
        case ')':
          if (!close_group()) return false;
          break;
        case '^':
          prev = out.size();
          out.put(OP_BOL);
          break;
        case '$':
          prev = out.size();
          out.put(OP_EOL);
          break;
        case '.':
          prev = out.size();
          out.put(OP_ANY);
          break;
        case '?':
          if (!modifier(MOD_OPT)) return false;
          break;
        case '+':
          if (!modifier(MOD_PLUS)) return false;
          break;
        case '*':
          if (!modifier(MOD_STAR)) return false;
          break;
        case '|':
          if (top_rewrite && depth == 1) {
            // Close the current alternative as a group of its own, mark it
            // and open the group of the next one.
            if (!close_group()) return false;
            out.data()[prev] = OP_GROUP | MOD_ALT;
            if (!open_group()) return false;
          } else if (!modifier(MOD_ALT)) {
            return false;
          }
          break;
        case '\\':
          if (i >= len) return false;
          c = in[i++];
          [[fallthrough]];
        default:
          prev = out.size();
          out.put(OP_LIT);
          out.put(c);
          break;
      }
    }
    if (depth != 0) return false;
    out.put(OP_END);
    return put_u16_at(0, out.size() - 2);
  }
};

}  // namespace

size_t Mask_cmpl(const uint8_t* pat, size_t len, bool top_rewrite, Mask_buf& out) {
  // An empty pattern does not compile; the wrapped one, "()", does.
  Compiler c{pat, len, 0, out, top_rewrite, {}, 0, NO_ITEM};
  if (len == 0 || !c.run()) {
    out.clear();
    return 0;
  }
  return out.size();
}

// ---- matcher ----
//
// The compiled code is first turned into a small instruction program:
//   CHAR c / SET s / ANY   consume one byte (SET: a 256-bit map, maybe negated)
//   BOL / EOL              assertions: offset 0 of the subject / its end
//   SPLIT x y, JMP x       control
//   MATCH
// Threads carry the offset where they started.  They are kept in order of
// their start, so the first thread to reach an instruction holds the lowest
// start: that one wins (leftmost), and the last offset at which a thread of
// the winning start reaches MATCH is the end (longest).

namespace {

enum class Op : uint8_t { Char, Set, Any, Bol, Eol, Split, Jmp, Match };

struct Inst {
  Op op;
  uint8_t c = 0;
  int32_t x = 0, y = 0;  // SPLIT / JMP targets; SET: index of its map
};

struct Byte_map {
  uint64_t bits[4] = {};
  bool has(uint8_t b) const { return (bits[b >> 6] >> (b & 63)) & 1; }
  void add(uint8_t b) { bits[b >> 6] |= uint64_t(1) << (b & 63); }
};

struct Program {
  std::vector<Inst> inst;
  std::vector<Byte_map> maps;

  int32_t emit(Op op, uint8_t c = 0, int32_t x = 0, int32_t y = 0) {
    inst.push_back(Inst{op, c, x, y});
    return int32_t(inst.size() - 1);
  }
  int32_t here() const { return int32_t(inst.size()); }

  // One item without its modifier; returns the code after it.
  const uint8_t* single(const uint8_t* p) {
    switch (*p & 0x0F) {
      case OP_GROUP: {
        size_t n = get_u16be(p + 1);
        sequence(p + 3);
        return p + 3 + n;
      }
      case OP_LIT:
        emit(Op::Char, p[1]);
        return p + 2;
      case OP_SET:
      case OP_NSET: {
        size_t n = get_u16be(p + 1);
        Byte_map m;
        for (size_t k = 0; k < n; k++) m.add(p[3 + k]);
        if ((*p & 0x0F) == OP_NSET)
          for (uint64_t& w : m.bits) w = ~w;
        maps.push_back(m);
        emit(Op::Set, 0, int32_t(maps.size() - 1));
        return p + 3 + n;
      }
      case OP_BOL:
        emit(Op::Bol);
        return p + 1;
      case OP_EOL:
        emit(Op::Eol);
        return p + 1;
      default:
        emit(Op::Any);
        return p + 1;
    }
  }

  // An item with its repetition modifier (not an alternative).
  const uint8_t* repeated(const uint8_t* p) {
    switch (*p & 0x30) {
      case MOD_OPT: {
        int32_t s = emit(Op::Split);
        inst[s].x = here();
        p = single(p);
        inst[s].y = here();
        return p;
      }
      case MOD_PLUS: {
        int32_t top = here();
        p = single(p);
        emit(Op::Split, 0, top, here() + 1);
        return p;
      }
      case MOD_STAR: {
        int32_t s = emit(Op::Split);
        inst[s].x = here();
        p = single(p);
        emit(Op::Jmp, 0, s);
        inst[s].y = here();
        return p;
      }
      default:
        return single(p);
    }
  }

  // The items up to the closing 15.  A chain a|b|c is one item: each marked
  // item is tried against what follows it.
  void sequence(const uint8_t* p) {
    while (*p != OP_END) {
      if (!(*p & MOD_ALT)) {
        p = repeated(p);
        continue;
      }
      std::vector<int32_t> to_end;
      while (*p != OP_END && (*p & MOD_ALT)) {
        int32_t s = emit(Op::Split);
        inst[s].x = here();
        p = single(p);
        to_end.push_back(emit(Op::Jmp));
        inst[s].y = here();
      }
      if (*p != OP_END) p = repeated(p);  // the last alternative
      for (int32_t j : to_end) inst[j].x = here();
    }
  }
};

struct Thread {
  int32_t pc;
  int64_t start;
};

class Runner {
 public:
  // skip: an idle search jumps to the next offset that can begin a match.
  Runner(const Program& prog, const uint8_t* s, size_t len, bool skip)
      : prog_(prog), s_(s), len_(len), mark_(prog.inst.size(), -1), skip_(skip) {
    first_set();
  }

  int64_t run(size_t* match_len) {
    std::vector<Thread> cur, next;
    for (size_t pos = 0;; pos++) {
      // Seed a thread starting here, after the older ones (higher start).
      if (best_start_ < 0 && pos < len_) {
        if (skip_ && cur.empty() && !nullable_) pos = skip_to_candidate(pos);
        if (pos < len_) add(cur, 0, int64_t(pos), pos);
      }
      if (cur.empty() && (best_start_ >= 0 || pos >= len_)) break;
      if (pos >= len_) break;
      next.clear();
      stamp_++;
      uint8_t b = s_[pos];
      for (const Thread& t : cur) {
        if (best_start_ >= 0 && t.start > best_start_) continue;
        const Inst& in = prog_.inst[size_t(t.pc)];
        bool ok = false;
        switch (in.op) {
          case Op::Char:
            ok = b == in.c;
            break;
          case Op::Set:
            ok = prog_.maps[size_t(in.x)].has(b);
            break;
          case Op::Any:
            ok = true;
            break;
          default:
            break;
        }
        if (ok) add(next, t.pc + 1, t.start, pos + 1);
      }
      cur.swap(next);
    }
    if (best_start_ < 0) {
      *match_len = 0;
      return -1;
    }
    *match_len = size_t(best_end_ - best_start_);
    return best_start_;
  }

 private:
  // Follows the control instructions from pc at offset pos and adds the
  // consuming instructions reached to list; records a MATCH.
  void add(std::vector<Thread>& list, int32_t pc0, int64_t start, size_t pos) {
    stack_.clear();
    stack_.push_back(pc0);
    while (!stack_.empty()) {
      int32_t pc = stack_.back();
      stack_.pop_back();
      if (mark_[size_t(pc)] == stamp_) continue;
      mark_[size_t(pc)] = stamp_;
      const Inst& in = prog_.inst[size_t(pc)];
      switch (in.op) {
        case Op::Split:
          stack_.push_back(in.y);
          stack_.push_back(in.x);
          break;
        case Op::Jmp:
          stack_.push_back(in.x);
          break;
        case Op::Bol:
          if (pos == 0) stack_.push_back(pc + 1);
          break;
        case Op::Eol:
          if (pos == len_) stack_.push_back(pc + 1);
          break;
        case Op::Match:
          if (best_start_ < 0 || start < best_start_ ||
              (start == best_start_ && int64_t(pos) > best_end_)) {
            best_start_ = start;
            best_end_ = int64_t(pos);
          }
          break;
        default:
          list.push_back(Thread{pc, start});
          break;
      }
    }
  }

  // The bytes that can begin a match, and whether a match may be empty; an
  // idle search skips the offsets that cannot start one.
  void first_set() {
    std::vector<int32_t> st{0};
    std::vector<bool> seen(prog_.inst.size(), false);
    while (!st.empty()) {
      int32_t pc = st.back();
      st.pop_back();
      if (seen[size_t(pc)]) continue;
      seen[size_t(pc)] = true;
      const Inst& in = prog_.inst[size_t(pc)];
      switch (in.op) {
        case Op::Split:
          st.push_back(in.x);
          st.push_back(in.y);
          break;
        case Op::Jmp:
          st.push_back(in.x);
          break;
        case Op::Bol:
          st.push_back(pc + 1);
          break;
        case Op::Eol:
          break;  // a search offset is never the end of the subject
        case Op::Match:
          nullable_ = true;
          break;
        case Op::Char:
          first_.add(in.c);
          break;
        case Op::Set:
          for (int k = 0; k < 4; k++) first_.bits[k] |= prog_.maps[size_t(in.x)].bits[k];
          break;
        case Op::Any:
          for (uint64_t& w : first_.bits) w = ~uint64_t(0);
          break;
      }
    }
    int n = 0;
    for (int b = 0; b < 256; b++) {
      first_tab_[b] = first_.has(uint8_t(b));
      if (first_tab_[b]) {
        n++;
        only_ = uint8_t(b);
      }
    }
    single_ = n == 1;
    // The literal bytes the program opens with: a thread started at pc 0
    // runs through them in order, so every match begins with them.
    while (prefix_.size() < prog_.inst.size() && prog_.inst[prefix_.size()].op == Op::Char)
      prefix_.push_back(prog_.inst[prefix_.size()].c);
  }

  size_t skip_to_candidate(size_t pos) const {
    if (prefix_.size() >= 2) {
      const uint8_t* p = Find_bytes(s_ + pos, len_ - pos, prefix_.data(), prefix_.size());
      return p ? size_t(p - s_) : len_;
    }
    if (single_) {
      const void* p = std::memchr(s_ + pos, only_, len_ - pos);
      return p ? size_t(static_cast<const uint8_t*>(p) - s_) : len_;
    }
    while (pos < len_ && !first_tab_[s_[pos]]) pos++;
    return pos;
  }

  const Program& prog_;
  const uint8_t* s_;
  size_t len_;
  std::vector<int64_t> mark_;
  int64_t stamp_ = 0;
  std::vector<int32_t> stack_;
  int64_t best_start_ = -1, best_end_ = -1;
  Byte_map first_;
  bool skip_;
  bool nullable_ = false, single_ = false;
  uint8_t only_ = 0;
  bool first_tab_[256] = {};
  std::vector<uint8_t> prefix_;
};

}  // namespace

namespace {

int64_t check(const uint8_t* code, const uint8_t* subject, size_t len, size_t* match_len,
              bool fast) {
  *match_len = 0;
  if (len == 0) return -1;
  Program prog;
  prog.sequence(code + 2);
  prog.emit(Op::Match);
  if (fast) {
    // Nothing but literal bytes: the match is their first occurrence.
    size_t k = prog.inst.size() - 1;
    bool literal = k > 0;
    for (size_t i = 0; literal && i < k; i++) literal = prog.inst[i].op == Op::Char;
    if (literal) {
      std::vector<uint8_t> lit(k);
      for (size_t i = 0; i < k; i++) lit[i] = prog.inst[i].c;
      const uint8_t* p = Find_bytes(subject, len, lit.data(), k);
      if (!p) return -1;
      *match_len = k;
      return p - subject;
    }
  }
  Runner r(prog, subject, len, fast);
  return r.run(match_len);
}

}  // namespace

int64_t Mask_check(const uint8_t* code, const uint8_t* subject, size_t len, size_t* match_len) {
  return check(code, subject, len, match_len, true);
}

int64_t Mask_check_plain(const uint8_t* code, const uint8_t* subject, size_t len,
                         size_t* match_len) {
  return check(code, subject, len, match_len, false);
}

// ---- LIKE ----

bool Like_rewrite(const uint8_t* pat, size_t len, Mask_buf& out) {
  out.clear();
  bool special = false;
  out.put('^');
  for (size_t i = 0; i < len; i++) {
    uint8_t c = pat[i];
    switch (c) {
      case '*':
        out.put('.');
        out.put('*');
        special = true;
        break;
      case '?':
        out.put('.');
        special = true;
        break;
      case '$':
      case '(':
      case ')':
      case '+':
      case '.':
      case '^':
      case '|':
        out.put('\\');
        out.put(c);
        special = true;
        break;
      case '[':
        special = true;
        for (; i < len; i++) {
          out.put(pat[i]);
          if (pat[i] == ']') break;
        }
        break;
      default:
        out.put(c);
        break;
    }
  }
  out.put('$');
  return special;
}

// ---- MSK( and LIKE ----

void Mask_release() {
  if (ws.Msk_cache) Ret_blk(ws.Msk_cache);
  ws.Msk_cache = nullptr;
}

int64_t Do_fnc_mask(int mode, const uint8_t* subject, size_t len, const uint8_t* pat,
                    size_t pat_len) {
  ws.Msk_len = 0;
  if (mode != 0) {
    if (pat_len > MASK_PATTERN_MAX) Rpt_error(err::BAD_FORMAT);
    bool om = Sw_on(sw::OM);
    Mask_buf text;
    if (mode == 2) {
      if (!Like_rewrite(pat, pat_len, text)) {
        bool same = pat_len == len && (len == 0 || std::memcmp(pat, subject, len) == 0);
        ws.Msk_len = same ? int64_t(len) : 0;
        return same ? 1 : 0;
      }
    } else if (!om) {
      text.put('(');
      for (size_t i = 0; i < pat_len; i++) text.put(pat[i]);
      text.put(')');
    } else {
      for (size_t i = 0; i < pat_len; i++) text.put(pat[i]);
    }
    Mask_release();
    Mask_buf code;
    if (Mask_cmpl(text.data(), text.size(), mode == 1 && !om, code) == 0) Rpt_error(err::BAD_FORMAT);
    ws.Msk_cache = code.release();
  }
  if (!ws.Msk_cache) return 0;
  size_t mlen = 0;
  int64_t at = Mask_check(ws.Msk_cache, subject, len, &mlen);
  if (at < 0) return 0;
  ws.Msk_len = int64_t(mlen);
  return at + 1;
}
