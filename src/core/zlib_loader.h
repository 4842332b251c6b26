// zlib, loaded at run time on first use, so that the system runs without
// compression where the library is absent.  The two entry points are looked
// up on their first call.
#pragma once
#include <cstddef>
#include <cstdint>

struct Str_blk;

// 1 when the library is available.  The first call tries "libz.so.1", then
// "libz.so"; later calls only report the result.
int CheckZlib();
// Unloads the library (shut-down); a later CheckZlib tries again.
void FreeZlib();
// An entry point of the loaded library.  Error 120 without the library, and
// with an extended text naming a missing entry point.
void* OruGetAddr(const char* name);

// zlib's own status codes used by the callers.
enum : int { ZLIB_OK = 0, ZLIB_MEM_ERROR = -4, ZLIB_BUF_ERROR = -5, ZLIB_DATA_ERROR = -3 };

// The library's compress and uncompress (kept in a namespace of their own so
// that they never stand in for the library's symbols of the same names).
namespace zlib {
int compress(uint8_t* dst, unsigned long* dst_len, const uint8_t* src, unsigned long src_len);
int uncompress(uint8_t* dst, unsigned long* dst_len, const uint8_t* src, unsigned long src_len);
}  // namespace zlib

// A new string block holding the compressed bytes, or null when zlib is
// unavailable or fails.  Room: length + length/4096 + length/16384 + 11.
Str_blk* ZlibCompress(const uint8_t* buf, size_t len);
// A new string block of the expected size holding the decompressed bytes
// (its length the actual size), or null on failure.  *status (when given)
// receives zlib's status, ZLIB_BUF_ERROR meaning the block was too small.
Str_blk* ZlibInflate(const uint8_t* buf, size_t len, size_t expected, int* status = nullptr);
// The same into a caller's buffer: the resulting length, or -2 on any error.
int64_t ZlibCompressToBfr(uint8_t* dst, size_t cap, const uint8_t* src, size_t len);
int64_t ZlibInflateToBfr(uint8_t* dst, size_t cap, const uint8_t* src, size_t len);

// For tests: the library names tried by the next load (null: the standard
// ones) and the number of load attempts made so far.
void Zlib_use_names(const char* const* names);
int Zlib_load_attempts();
