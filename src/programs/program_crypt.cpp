// Program protection over OpenSSL's libcrypto, loaded at run time.
#include "programs/program_crypt.h"

#include <cstring>
#include <string>

#include "core/codes.h"
#include "core/errors.h"
#include "net/ssl_lib.h"

namespace {

struct Evp_ctx;
struct Evp_cipher;
struct Evp_md;

struct Crypto_fns {
  Evp_ctx* (*ctx_new)() = nullptr;
  void (*ctx_free)(Evp_ctx*) = nullptr;
  const Evp_cipher* (*aes_128_ctr)() = nullptr;
  int (*encrypt_init)(Evp_ctx*, const Evp_cipher*, void*, const uint8_t*, const uint8_t*) = nullptr;
  int (*encrypt_update)(Evp_ctx*, uint8_t*, int*, const uint8_t*, int) = nullptr;
  int (*digest)(const void*, size_t, uint8_t*, unsigned*, const Evp_md*, void*) = nullptr;
  const Evp_md* (*sha256)() = nullptr;
};

Crypto_fns fns;
bool loaded = false;

template <class F>
bool bind(F& slot, const char* name) {
  slot = reinterpret_cast<F>(Ssl_lookup(name));
  return slot != nullptr;
}

// libcrypto through the shared OpenSSL loader (net/ssl_lib.h).
bool load() {
  if (loaded) return true;
  if (!Crypto_available()) return false;
  loaded = bind(fns.ctx_new, "EVP_CIPHER_CTX_new") && bind(fns.ctx_free, "EVP_CIPHER_CTX_free") &&
           bind(fns.aes_128_ctr, "EVP_aes_128_ctr") && bind(fns.encrypt_init, "EVP_EncryptInit_ex") &&
           bind(fns.encrypt_update, "EVP_EncryptUpdate") && bind(fns.digest, "EVP_Digest") &&
           bind(fns.sha256, "EVP_sha256");
  return loaded;
}

void need() {
  if (!load())
    Rpt_error_text(err::LIBRARY_MISSING, "Enciphered programs need OpenSSL's libcrypto (libcrypto.so.3), which could not be loaded");
}

// SHA-256 of tag | extra | u32 time | u16 random | u8 EL.
void seed_digest(const char* tag, const uint8_t* extra, size_t extra_len, const Prg_seed& s, uint8_t out[32]) {
  uint8_t buf[64];
  size_t n = std::strlen(tag);
  std::memcpy(buf, tag, n);
  if (extra_len) std::memcpy(buf + n, extra, extra_len);
  n += extra_len;
  put_u32be(buf + n, s.save_time);
  put_u16be(buf + n + 4, s.random);
  buf[n + 6] = s.el;
  unsigned len = 0;
  if (fns.digest(buf, n + 7, out, &len, fns.sha256(), nullptr) != 1 || len != 32) Rpt_error(err::OPERATION_FAILED);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool Prg_crypt_available() { return load(); }

void Prg_key_block(const uint8_t in[8], const Prg_seed& seed, uint8_t out[8]) {
  need();
  uint8_t d[32];
  seed_digest("oru-key", nullptr, 0, seed, d);
  for (int i = 0; i < 8; i++) out[i] = uint8_t(in[i] ^ d[i]);
}

void Prg_cipher(const uint8_t key[8], const Prg_seed& seed, uint64_t offset, uint8_t* data, size_t n) {
  if (n == 0) return;
  need();
  uint8_t d[32];
  seed_digest("oru-image", key, 8, seed, d);
  // Counter block: the nonce, then the number of the 16-byte block that
  // holds `offset`; a start inside a block discards its first bytes.
  uint8_t iv[16];
  std::memcpy(iv, d + 16, 8);
  uint64_t block = offset / 16;
  for (int i = 0; i < 8; i++) iv[8 + i] = uint8_t(block >> (56 - 8 * i));
  Evp_ctx* ctx = fns.ctx_new();
  if (!ctx) Rpt_error(err::OUT_OF_MEMORY);
  struct Free_ctx {
    Evp_ctx* c;
    ~Free_ctx() { fns.ctx_free(c); }
  } guard{ctx};
  if (fns.encrypt_init(ctx, fns.aes_128_ctr(), nullptr, d, iv) != 1) Rpt_error(err::OPERATION_FAILED);
  int out_len = 0;
  size_t skip = size_t(offset % 16);
  if (skip) {
    uint8_t pad[16] = {};
    size_t take = 16 - skip < n ? 16 - skip : n;
    std::memcpy(pad + skip, data, take);
    if (fns.encrypt_update(ctx, pad, &out_len, pad, 16) != 1) Rpt_error(err::OPERATION_FAILED);
    std::memcpy(data, pad + skip, take);
    data += take;
    n -= take;
  }
  while (n > 0) {
    int chunk = n > (1 << 30) ? (1 << 30) : int(n);
    if (fns.encrypt_update(ctx, data, &out_len, data, chunk) != 1) Rpt_error(err::OPERATION_FAILED);
    data += chunk;
    n -= size_t(chunk);
  }
}

std::string Prg_password_line(const uint8_t key[8]) {
  static const char HEX[] = "0123456789ABCDEF";
  std::string s = PASSWORD_MARK;
  for (int i = 0; i < 8; i++) {
    s += HEX[key[i] >> 4];
    s += HEX[key[i] & 15];
  }
  return s;
}

bool Prg_password_key(const char* line, size_t len, uint8_t key[8]) {
  size_t mark = sizeof PASSWORD_MARK - 1;
  if (len != PASSWORD_LINE_LEN || std::memcmp(line, PASSWORD_MARK, mark) != 0) return false;
  for (int i = 0; i < 8; i++) {
    int hi = hex_value(line[mark + 2 * i]), lo = hex_value(line[mark + 2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    key[i] = uint8_t(hi << 4 | lo);
  }
  return true;
}
