// Digests and ciphers over libcrypto (see crypto.h).
//
// OpenSSL 3 fetches algorithms from providers: MD5, SHA-1 and SHA-2 live in
// the default provider; MD4, MDC2 and RIPEMD-160 (and old ciphers such as
// DES, Blowfish, RC4) may live only in the "legacy" provider, which is
// loaded (with the default one beside it) the first time an algorithm is
// not found.  MD2 and MDC2 are not built into OpenSSL 3 at all: MD2 is
// computed here, MDC2 here over the library's DES-ECB (own_digests.h).
#include "net/crypto.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "net/own_digests.h"
#include "net/ssl_lib.h"

namespace {

struct Evp_md;
struct Evp_cipher;
struct Evp_cipher_ctx;
struct Ossl_provider;

Ssl_fn<Evp_md* (*)(void*, const char*, const char*)> md_fetch{"EVP_MD_fetch"};
Ssl_fn<int (*)(const void*, size_t, uint8_t*, unsigned*, const Evp_md*, void*)> evp_digest{"EVP_Digest"};
Ssl_fn<uint8_t* (*)(const Evp_md*, const void*, int, const uint8_t*, size_t, uint8_t*, unsigned*)> hmac{"HMAC"};
Ssl_fn<Ossl_provider* (*)(void*, const char*)> provider_load{"OSSL_PROVIDER_load"};
Ssl_fn<const Evp_cipher* (*)(const char*)> cipher_by_name{"EVP_get_cipherbyname"};
Ssl_fn<const char* (*)(int)> nid2sn{"OBJ_nid2sn"};
Ssl_fn<Evp_cipher_ctx* (*)()> ctx_new{"EVP_CIPHER_CTX_new"};
Ssl_fn<void (*)(Evp_cipher_ctx*)> ctx_free{"EVP_CIPHER_CTX_free"};
Ssl_fn<int (*)(Evp_cipher_ctx*, int)> ctx_set_key_length{"EVP_CIPHER_CTX_set_key_length"};
Ssl_fn<int (*)(const Evp_cipher*)> cipher_key_length{"EVP_CIPHER_get_key_length"};
Ssl_fn<int (*)(const Evp_cipher*)> cipher_iv_length{"EVP_CIPHER_get_iv_length"};
Ssl_fn<int (*)(const Evp_cipher*)> cipher_block_size{"EVP_CIPHER_get_block_size"};
Ssl_fn<int (*)(Evp_cipher_ctx*, const Evp_cipher*, void*, const uint8_t*, const uint8_t*, int)> cipher_init{
    "EVP_CipherInit_ex"};
Ssl_fn<int (*)(Evp_cipher_ctx*, uint8_t*, int*, const uint8_t*, int)> cipher_update{"EVP_CipherUpdate"};
Ssl_fn<int (*)(Evp_cipher_ctx*, uint8_t*, int*)> cipher_final{"EVP_CipherFinal_ex"};
Ssl_fn<int (*)(Evp_cipher_ctx*, int)> ctx_set_padding{"EVP_CIPHER_CTX_set_padding"};

bool legacy_tried = false;

// Loads the legacy provider once (and the default one, which an explicit
// load would otherwise leave out); true when this call loaded it.
bool load_legacy() {
  if (legacy_tried) return false;
  legacy_tried = true;
  if (!provider_load()(nullptr, "legacy")) return false;
  provider_load()(nullptr, "default");
  return true;
}

struct Digest_info {
  int64_t code;
  const char* name;
  const Evp_md* md;  // fetched once, kept for the life of the process
};
Digest_info digests[] = {
    {HASH_MD5, "MD5", nullptr},       {HASH_MD4, "MD4", nullptr},       {HASH_MD2, "MD2", nullptr},
    {HASH_SHA1, "SHA1", nullptr},     {HASH_MDC2, "MDC2", nullptr},     {HASH_RIPEMD160, "RIPEMD160", nullptr},
    {HASH_SHA224, "SHA224", nullptr}, {HASH_SHA256, "SHA256", nullptr}, {HASH_SHA384, "SHA384", nullptr},
    {HASH_SHA512, "SHA512", nullptr},
};

Digest_info* digest_entry(int64_t code) {
  for (auto& d : digests)
    if (d.code == code) return &d;
  return nullptr;
}

const Evp_md* digest_md(Digest_info* d) {
  if (!d->md) {
    d->md = md_fetch()(nullptr, d->name, nullptr);
    if (!d->md && load_legacy()) d->md = md_fetch()(nullptr, d->name, nullptr);
    if (!d->md)
      Rpt_error_text(err::NOT_BUILT, std::string("The ") + d->name + " digest is not offered by the OpenSSL library on this host");
  }
  return d->md;
}

struct Ctx_free {
  void operator()(Evp_cipher_ctx* c) const { ctx_free()(c); }
};
using Ctx_ptr = std::unique_ptr<Evp_cipher_ctx, Ctx_free>;

// MDC2's DES step: one DES-ECB context, kept, whose key changes per block.
Evp_cipher_ctx* des_ctx = nullptr;

void des_ready() {
  if (des_ctx) return;
  const Evp_cipher* des = cipher_by_name()("DES-ECB");
  Ctx_ptr ctx(ctx_new()());
  if (!ctx) Rpt_error(err::OUT_OF_MEMORY);
  bool ok = des && cipher_init()(ctx.get(), des, nullptr, nullptr, nullptr, 1) == 1;
  if (!ok && des && load_legacy()) ok = cipher_init()(ctx.get(), des, nullptr, nullptr, nullptr, 1) == 1;
  if (!ok) Rpt_error_text(err::NOT_BUILT, "The MDC2 digest needs DES, which the OpenSSL library on this host does not offer");
  ctx_set_padding()(ctx.get(), 0);
  des_ctx = ctx.release();
}

void des_block(const uint8_t key[8], const uint8_t in[8], uint8_t out[8]) {
  int n = 0;
  if (cipher_init()(des_ctx, nullptr, nullptr, key, nullptr, 1) != 1 || cipher_update()(des_ctx, out, &n, in, 8) != 1 ||
      n != 8)
    Rpt_error_text(err::OPERATION_FAILED, "The MDC2 digest failed");
}

void md2(const uint8_t* p, size_t n, uint8_t* out) { Md2_digest(p, n, out); }
void mdc2(const uint8_t* p, size_t n, uint8_t* out) { Mdc2_digest(p, n, out, des_block); }

// The digests computed here: their function, input block and size.
struct Own_digest {
  int64_t code;
  Digest_fn fn;
  size_t block, size;
};
const Own_digest own_digests[] = {{HASH_MD2, md2, 16, MD2_BYTES}, {HASH_MDC2, mdc2, 8, MDC2_BYTES}};

const Own_digest* own_digest(int64_t code) {
  for (const Own_digest& d : own_digests)
    if (d.code == code) {
      if (code == HASH_MDC2) des_ready();
      return &d;
    }
  return nullptr;
}

// Every cipher name the library knows, each followed by ",".
std::string cipher_list() {
  std::string out;
  for (int nid = 0; nid < 10000; ++nid) {
    const char* sn = nid2sn()(nid);
    if (sn && cipher_by_name()(sn)) {
      out += sn;
      out += ',';
    }
  }
  return out;
}

// A copy of s in a zero-filled area of exactly n bytes (s cut or padded), so
// that the library never reads past the end of a short key or vector.
std::vector<uint8_t> padded(const uint8_t* s, size_t len, size_t n) {
  std::vector<uint8_t> v(n ? n : 1, 0);
  if (len > n) len = n;
  if (len) std::memcpy(v.data(), s, len);
  return v;
}

[[noreturn]] void cipher_failed(bool encrypt, const char* step) {
  Rpt_error_text(err::OPERATION_FAILED, std::string("Error in ") + (encrypt ? "Encrypt" : "Decrypt") + step);
}

}  // namespace

size_t Tcp_GetHash(const uint8_t* data, size_t len, const uint8_t* key, size_t key_len, int64_t alg,
                   int64_t hmac_alg, uint8_t* out) {
  Crypto_need(99);
  bool is_hmac = alg == HASH_HMAC;
  Digest_info* d = digest_entry(is_hmac ? hmac_alg : alg);
  if (!d) Rpt_error(err::OUT_OF_RANGE);
  static const uint8_t nothing = 0;
  if (const Own_digest* own = own_digest(d->code)) {
    if (is_hmac)
      Hmac_digest(own->fn, own->block, own->size, key_len ? key : &nothing, key_len, len ? data : &nothing, len, out);
    else
      own->fn(len ? data : &nothing, len, out);
    return own->size;
  }
  const Evp_md* md = digest_md(d);
  unsigned n = 0;
  if (is_hmac) {
    if (key_len > size_t(INT32_MAX)) Rpt_error(err::STRING_LENGTH);
    if (!hmac()(md, key_len ? key : &nothing, int(key_len), len ? data : &nothing, len, out, &n))
      Rpt_error_text(err::OPERATION_FAILED, std::string("HMAC over ") + d->name + " failed");
  } else if (evp_digest()(len ? data : &nothing, len, out, &n, md, nullptr) != 1) {
    Rpt_error_text(err::OPERATION_FAILED, std::string("The ") + d->name + " digest failed");
  }
  if (n == 0 || n > HASH_MAX_BYTES) Rpt_error_text(err::OPERATION_FAILED, std::string("The ") + d->name + " digest failed");
  return n;
}

std::string Crypto_cipher(bool encrypt, const Crypto_bytes& data, const Crypto_bytes& name, const Crypto_bytes& key,
                          int32_t key_len, const Crypto_bytes& iv) {
  Crypto_need(99);
  if (data.len == 1 && data.p[0] == '*' && name.len == 0) return cipher_list();
  std::string cname(reinterpret_cast<const char*>(name.p), size_t(name.len));
  const Evp_cipher* cipher = cname.empty() || cname.find('\0') != std::string::npos ? nullptr : cipher_by_name()(cname.c_str());
  if (!cipher) Rpt_error_text(err::FUNCTION_UNDEFINED, "Invalid/unknown cipher algorithm");
  int natural = cipher_key_length()(cipher);
  int klen = key_len > 0 ? key_len : natural;
  int ivlen = cipher_iv_length()(cipher);
  int block = cipher_block_size()(cipher);
  std::vector<uint8_t> kbuf = padded(key.p, size_t(key.len), size_t(klen));
  std::vector<uint8_t> ivbuf = padded(iv.p, iv.len > 0 ? size_t(iv.len) : 0, size_t(ivlen > 0 ? ivlen : 0));

  Ctx_ptr ctx(ctx_new()());
  if (!ctx) Rpt_error(err::OUT_OF_MEMORY);
  int enc = encrypt ? 1 : 0;
  // The cipher first, then the key length, then key and vector: a key length
  // set after the key would not take effect.
  if (cipher_init()(ctx.get(), cipher, nullptr, nullptr, nullptr, enc) != 1) {
    if (load_legacy() && cipher_init()(ctx.get(), cipher, nullptr, nullptr, nullptr, enc) == 1) {
      // the legacy provider has it
    } else {
      Rpt_error_text(err::NOT_BUILT, "The cipher " + cname + " is not offered by the OpenSSL library on this host");
    }
  }
  if (klen != natural && ctx_set_key_length()(ctx.get(), klen) != 1)
    Rpt_error_text(err::OPERATION_FAILED, "The cipher " + cname + " does not take a key of " + std::to_string(klen) + " bytes");
  if (cipher_init()(ctx.get(), nullptr, nullptr, kbuf.data(), ivlen > 0 ? ivbuf.data() : nullptr, enc) != 1)
    cipher_failed(encrypt, "Init");

  int64_t room = int64_t(data.len) + (block > 0 ? block : 1);
  std::string result(size_t(room), '\0');
  uint8_t* out = reinterpret_cast<uint8_t*>(result.data());
  int64_t total = 0;
  int32_t done = 0;
  while (done < data.len) {
    int chunk = data.len - done > (1 << 28) ? (1 << 28) : data.len - done;
    int n = 0;
    if (cipher_update()(ctx.get(), out + total, &n, data.p + done, chunk) != 1) cipher_failed(encrypt, "Update");
    total += n;
    done += chunk;
  }
  int n = 0;
  if (cipher_final()(ctx.get(), out + total, &n) != 1) cipher_failed(encrypt, "Final");
  total += n;
  if (total > room) Rpt_error(err::OPERATION_FAILED);  // the library wrote past what it promised
  result.resize(size_t(total));
  return result;
}
