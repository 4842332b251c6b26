// The zlib loader and its wrappers.
#include "core/zlib_loader.h"

#include <dlfcn.h>

#include <string>

#include "core/errors.h"
#include "core/memory.h"

namespace {

using Zfn = int (*)(uint8_t*, unsigned long*, const uint8_t*, unsigned long);

constexpr const char* STD_NAMES[] = {"libz.so.1", "libz.so", nullptr};

void* handle = nullptr;
bool tried = false;
int attempts = 0;
const char* const* names = STD_NAMES;
Zfn fn_compress = nullptr;
Zfn fn_uncompress = nullptr;

Zfn resolve(Zfn& slot, const char* name) {
  if (!slot) slot = reinterpret_cast<Zfn>(OruGetAddr(name));
  return slot;
}

}  // namespace

int CheckZlib() {
  if (!tried) {
    tried = true;
    attempts++;
    for (const char* const* n = names; *n && !handle; n++) handle = dlopen(*n, RTLD_LAZY | RTLD_LOCAL);
  }
  return handle ? 1 : 0;
}

void FreeZlib() {
  if (handle) dlclose(handle);
  handle = nullptr;
  tried = false;
  fn_compress = fn_uncompress = nullptr;
}

void* OruGetAddr(const char* name) {
  if (!CheckZlib()) Rpt_error(err::LIBRARY_MISSING);
  void* p = dlsym(handle, name);
  if (!p)
    Rpt_error_text(err::LIBRARY_MISSING, std::string("Could not locate entry point '") + name +
                            "' in libraries.\r\nLikely an incompatible interface.");
  return p;
}

void Zlib_use_names(const char* const* n) {
  FreeZlib();
  names = n ? n : STD_NAMES;
  attempts = 0;
}

int Zlib_load_attempts() { return attempts; }

namespace zlib {

int compress(uint8_t* dst, unsigned long* dst_len, const uint8_t* src, unsigned long src_len) {
  return resolve(fn_compress, "compress")(dst, dst_len, src, src_len);
}

int uncompress(uint8_t* dst, unsigned long* dst_len, const uint8_t* src, unsigned long src_len) {
  return resolve(fn_uncompress, "uncompress")(dst, dst_len, src, src_len);
}

}  // namespace zlib

Str_blk* ZlibCompress(const uint8_t* buf, size_t len) {
  if (!CheckZlib()) return nullptr;
  size_t room = len + len / 4096 + len / 16384 + 11;
  Str_blk* b = Get_str(room);
  if (!b) return nullptr;
  unsigned long out = room;
  if (zlib::compress(b->bytes(), &out, buf, len) != ZLIB_OK) {
    Ret_str(b);
    return nullptr;
  }
  b->len = uint32_t(out);
  return b;
}

Str_blk* ZlibInflate(const uint8_t* buf, size_t len, size_t expected, int* status) {
  if (status) *status = ZLIB_DATA_ERROR;
  if (!CheckZlib()) return nullptr;
  Str_blk* b = Get_str(expected);
  if (!b) return nullptr;
  unsigned long out = expected;
  int st = zlib::uncompress(b->bytes(), &out, buf, len);
  if (status) *status = st;
  if (st != ZLIB_OK) {
    Ret_str(b);
    return nullptr;
  }
  b->len = uint32_t(out);
  return b;
}

int64_t ZlibCompressToBfr(uint8_t* dst, size_t cap, const uint8_t* src, size_t len) {
  if (!CheckZlib()) return -2;
  unsigned long out = cap;
  if (zlib::compress(dst, &out, src, len) != ZLIB_OK) return -2;
  return int64_t(out);
}

int64_t ZlibInflateToBfr(uint8_t* dst, size_t cap, const uint8_t* src, size_t len) {
  if (!CheckZlib()) return -2;
  unsigned long out = cap;
  if (zlib::uncompress(dst, &out, src, len) != ZLIB_OK) return -2;
  return int64_t(out);
}
