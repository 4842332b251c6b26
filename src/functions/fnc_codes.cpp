// Handlers of the check-value, packing and compression functions: CRC( HSH(
// LRC( GAP( GEP( RDX( PCK( UPK( I3E( SWP( KGN( CMP( UCP(.
#include <cstring>
#include <string>

#include "core/memory.h"
#include "core/params.h"
#include "functions/encoding.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "core/zlib_loader.h"
#include "net/crypto.h"

namespace {

constexpr uint8_t IOPT_PREFIX = 0x84;  // extended I/O option, then its byte
constexpr uint8_t IOPT_SEP = 0x8D;     // after 0x84: SEP=

void result_u16(uint16_t v) {
  uint8_t* out = Rsv_out(2);
  out[0] = uint8_t(v >> 8);
  out[1] = uint8_t(v);
}

// An integer argument that must have no decimals (error 41).
int64_t exact_integer(Num_val v) {
  Set_scl(v, 0, -1);
  return v.mant;
}

void parity(bool odd) {
  Fnc_str s = Fnc_string();
  uint8_t* out = Rsv_out(s.len);
  Set_parity(s.p, size_t(s.len), odd, out);
}

}  // namespace

void fnc_crc() {
  Fnc_str s = Fnc_string();
  uint16_t seed = 0;
  if (Fnc_more()) {
    Fnc_str k = Fnc_string();
    seed = Seed_value(k.p, k.len);
  }
  result_u16(crc16(s.p, size_t(s.len), seed));
}

// HSH(ENCRYPT data, cipher, key [, key length [, vector]]) and the DECRYPT
// form: the result in the string accumulator.
static void hsh_cipher(bool encrypt) {
  Fnc_str data = Fnc_string();
  Fnc_comma();
  Fnc_str name = Fnc_string();
  Fnc_comma();
  Fnc_str key = Fnc_string();
  int32_t key_len = -1;
  Fnc_str iv{nullptr, -1};
  if (Fnc_more()) {
    key_len = Eval_range(1, 8192);
    if (Fnc_more()) iv = Fnc_string();
  }
  std::string out = Crypto_cipher(encrypt, {data.p, data.len}, {name.p, name.len}, {key.p, key.len}, key_len,
                                  {iv.p, iv.len});
  Fnc_result_text(out);
}

// HSH(s [, seed]) is the native 16-bit hash; HSH(s [, key], alg [, n]) with a
// non-zero algorithm is a digest (or with 7 an HMAC over digest n) from the
// cryptographic library; HSH(ENCRYPT ...) and HSH(DECRYPT ...) are ciphers.
void fnc_hsh() {
  if (ws.Exec_ptr[0] == code::PREFIX2 && (ws.Exec_ptr[1] == code::P2_ENCRYPT || ws.Exec_ptr[1] == code::P2_DECRYPT)) {
    bool encrypt = ws.Exec_ptr[1] == code::P2_ENCRYPT;
    ws.Exec_ptr += 2;
    hsh_cipher(encrypt);
    return;
  }
  Fnc_str s = Fnc_string();
  uint16_t seed = 0;
  Fnc_str key{nullptr, 0};
  int64_t alg = 0, n = 0;
  if (Fnc_more()) {
    Eval_formula();
    if (ws.Str_len >= 0) {
      key = {ws.Str_ptr, ws.Str_len};
      if (Fnc_more()) {
        // HSH(s, key, alg [, n]): algorithm 0 hashes natively, the key its seed.
        alg = exact_integer(Fnc_num());
        n = Fnc_more() ? exact_integer(Fnc_num()) : 0;
      }
      if (alg == 0) seed = Seed_value(key.p, key.len);
    } else {
      alg = exact_integer(ws.Num_acc);
      n = Fnc_more() ? exact_integer(Fnc_num()) : 0;
    }
  }
  if (alg != 0) {
    uint8_t digest[HASH_MAX_BYTES];
    size_t len = Tcp_GetHash(s.p, size_t(s.len), key.p, size_t(key.len), alg, n, digest);
    Fnc_result_copy(digest, len);
    return;
  }
  if (n != 0) Rpt_error(err::OUT_OF_RANGE);
  result_u16(Native_hash(s.p, size_t(s.len), seed));
}

void fnc_lrc() {
  Fnc_str s = Fnc_string();
  uint8_t* out = Rsv_out(1);
  out[0] = Lrc_value(s.p, size_t(s.len));
}

void fnc_gap() { parity(true); }
void fnc_gep() { parity(false); }

void fnc_rdx() {
  Fnc_str s = Fnc_string();
  if (s.len % 2 != 0) Rpt_error(err::STRING_LENGTH);
  uint8_t* out = Rsv_out(int64_t(s.len) / 2 * 3);
  Radix_text(s.p, size_t(s.len), out);
}

void fnc_pck() {
  Num_val x = Fnc_num();
  int n = 8;
  if (Fnc_more()) n = Eval_range(0, 8);
  uint8_t* out = Rsv_out(n);
  Pack_number(x, n, prmblk.FS, out);
}

void fnc_upk() {
  Fnc_str s = Fnc_string();
  Fnc_result(Unpack_number(s.p, size_t(s.len), prmblk.FS));
}

void fnc_i3e() {
  Eval_formula();
  if (ws.Str_len >= 0) {
    Fnc_result(Ieee_value(ws.Str_ptr, ws.Str_len));
    return;
  }
  Num_val x = ws.Num_acc;
  uint8_t* out = Rsv_out(8);
  Ieee_bytes(x, out);
}

void fnc_swp() {
  Fnc_str s = Fnc_string();
  int m = 7;
  if (Fnc_more()) {
    Eval_formula();
    if (ws.Str_len >= 0) {
      if (ws.Str_len != 1) Rpt_error(err::STRING_LENGTH);
      m = ws.Str_ptr[0];
    } else {
      Num_val v = ws.Num_acc;
      Set_scl(v, 0, 0);
      m = int(v.mant & 7);
    }
  }
  uint8_t* out = Rsv_out(s.len);
  if (s.len) std::memmove(out, s.p, size_t(s.len));
  Swap_it(out, size_t(s.len), m & 7);
}

void fnc_kgn() {
  Key_source src;
  Fnc_str a = Fnc_string();
  Fnc_comma();
  Fnc_str b = Fnc_string();
  Fnc_comma();
  Eval_formula();
  if (ws.Str_len >= 0) {
    src.ext = a.p;
    src.ext_len = size_t(a.len);
    src.rec = b.p;
    src.rec_len = size_t(b.len);
    src.kdef = ws.Str_ptr;
    src.kdef_len = size_t(ws.Str_len);
    Fnc_comma();
    Eval_val();
  } else {
    src.rec = a.p;
    src.rec_len = size_t(a.len);
    src.kdef = b.p;
    src.kdef_len = size_t(b.len);
  }
  int64_t k = To_integer(ws.Num_acc);
  uint8_t* p = ws.Exec_ptr;
  if (*p == code::COMMA && p[1] == IOPT_PREFIX && p[2] == IOPT_SEP) ws.Exec_ptr++;
  if (ws.Exec_ptr[0] == IOPT_PREFIX && ws.Exec_ptr[1] == IOPT_SEP) {
    ws.Exec_ptr += 2;
    Fnc_str sep = Fnc_string();
    if (sep.len != 1) Rpt_error(err::STRING_LENGTH);
    src.sep = sep.p[0];
  }
  src.wide = prmblk.FF == 3 || prmblk.FF == 4;
  src.utf8 = ws.Utf8_mode != 0;
  std::string key = Key_build(src, k);
  uint8_t* out = Rsv_out(int64_t(key.size()));
  if (!key.empty()) std::memcpy(out, key.data(), key.size());
}

// CMP(: a ratio byte (uncompressed / (compressed + 1) + 1, at most 255), then
// the zlib data.
void fnc_cmp() {
  Fnc_str s = Fnc_string();
  if (s.len == 0) {
    Rsv_out(0);
    return;
  }
  if (!CheckZlib()) Not_built("compression (zlib is not installed)");
  Str_blk* z = ZlibCompress(s.p, size_t(s.len));
  if (!z) Rpt_error(err::OPERATION_FAILED);
  size_t ratio = size_t(s.len) / (size_t(z->len) + 1) + 1;
  if (ratio > 255) ratio = 255;
  uint8_t* out;
  try {
    out = Rsv_out(int64_t(z->len) + 1);
  } catch (...) {
    Ret_str(z);
    throw;
  }
  out[0] = uint8_t(ratio);
  std::memcpy(out + 1, z->bytes(), z->len);
  Ret_str(z);
}

// UCP(: the output block starts at ratio x length (4096 for ratio 0) and grows
// by a quarter while zlib reports it too small.  Data that zlib rejects for
// any other reason is error 15; a result longer than a string may be is
// error 46 (raised by the allocation).
void fnc_ucp() {
  Fnc_str s = Fnc_string();
  if (s.len == 0) {
    Rsv_out(0);
    return;
  }
  if (!CheckZlib()) Not_built("compression (zlib is not installed)");
  size_t size = s.p[0] ? size_t(s.p[0]) * size_t(s.len) : 4096;
  for (;;) {
    int status = 0;
    Str_blk* out = ZlibInflate(s.p + 1, size_t(s.len) - 1, size, &status);
    if (out) {
      uint8_t* r;
      try {
        r = Rsv_out(out->len);
      } catch (...) {
        Ret_str(out);
        throw;
      }
      if (out->len) std::memcpy(r, out->bytes(), out->len);
      Ret_str(out);
      return;
    }
    if (status != ZLIB_BUF_ERROR) Rpt_error(err::OPERATION_FAILED);
    size_t more = size / 4;
    size += more < 256 ? 256 : more;
  }
}
