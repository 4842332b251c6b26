// Pattern matching for MSK( and the LIKE operator.
//
// Compiled pattern (a Mem_blk; the last one is kept in ws.Msk_cache):
//   [0..1]  u16 big-endian: length of what follows (the code and its closing 15)
//   [2..]   the code of the top-level sequence, then the byte 15
// Items (one code byte; low four bits the operation, high bits modifiers):
//   1  group: u16 BE length of the group's code including its closing 15,
//      then that code
//   2  literal byte: the byte          3  set: u16 BE count n, n member bytes
//   4  negated set: as 3               5  "^"   6  "$"   7  "."
//   15 end of a sequence
// Modifiers added to the code: 0x10 "?", 0x20 "+", 0x30 "*", 0x40 "|" (this
// item or the next one).  An item carries at most one modifier.  Every length
// field fits 16 bits; a pattern whose code would not fit does not compile.
//
// Matching finds the leftmost start offset at which the pattern matches and,
// at that offset, the longest match.  It runs the code as a set of threads
// over the subject (one pass, time proportional to subject x pattern), so no
// pattern can make it backtrack exponentially.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t MASK_PATTERN_MAX = 8192;  // longer patterns are error 43
constexpr int MASK_DEPTH_MAX = 256;        // group nesting that still compiles

// Growing output of the compiler.  It grows as needed while the memory limit
// allows (error 31 past it); its bytes are never written past its size.
class Mask_buf {
 public:
  Mask_buf() = default;
  Mask_buf(const Mask_buf&) = delete;
  Mask_buf& operator=(const Mask_buf&) = delete;
  ~Mask_buf();
  void clear() { len_ = 0; }
  size_t size() const { return len_; }
  uint8_t* data() { return buf_; }
  const uint8_t* data() const { return buf_; }
  void put(uint8_t b);
  // Hands the block (exactly size() bytes long) to the caller.
  uint8_t* release();

 private:
  void grow(size_t need);
  uint8_t* buf_ = nullptr;
  size_t cap_ = 0;
  size_t len_ = 0;
};

// Compiles a pattern into out (cleared first).  top_rewrite: a "|" at group
// depth 1 splits the pattern into alternative groups (the MSK( pattern wrapped
// in parentheses while parameter OM is clear).  Returns the total length of
// the compiled form, 0 when the pattern does not compile.
size_t Mask_cmpl(const uint8_t* pat, size_t len, bool top_rewrite, Mask_buf& out);
// Searches subject with a compiled pattern: the 0-based start of the match or
// -1, and its length in *match_len (0 when none).  An empty subject never
// matches.
int64_t Mask_check(const uint8_t* code, const uint8_t* subject, size_t len, size_t* match_len);
// The same search without skipping to the offsets that can begin a match:
// every offset starts a thread.  Slower; the reference for Mask_check.
int64_t Mask_check_plain(const uint8_t* code, const uint8_t* subject, size_t len,
                         size_t* match_len);

// The first occurrence of needle (k > 0 bytes) in hay, or nullptr.
const uint8_t* Find_bytes(const uint8_t* hay, size_t n, const uint8_t* needle, size_t k);
// The number of bytes equal to c in p[0..n).
size_t Count_byte(const uint8_t* p, size_t n, uint8_t c);

// The LIKE wildcard pattern in the pattern language; false when it holds no
// wildcard and no byte that needed escaping (then it is compared as it is).
bool Like_rewrite(const uint8_t* pat, size_t len, Mask_buf& out);

// MSK( and LIKE: mode 0 searches with the kept pattern, 1 compiles an MSK(
// pattern, 2 a LIKE wildcard pattern.  Returns the 1-based position of the
// match or 0 and leaves the match length in ws.Msk_len.  Errors: 43.
int64_t Do_fnc_mask(int mode, const uint8_t* subject, size_t len, const uint8_t* pat,
                    size_t pat_len);
// Drops the kept pattern.
void Mask_release();
