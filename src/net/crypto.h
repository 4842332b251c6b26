// Digests, HMACs and ciphers over OpenSSL's libcrypto (loaded at run time,
// net/ssl_lib.h): the digests of HSH( with an algorithm number and the
// ENCRYPT / DECRYPT forms of HSH(.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Algorithm codes of HSH(.
enum : int64_t {
  HASH_MD5 = 1,
  HASH_MD4 = 2,
  HASH_MD2 = 3,
  HASH_SHA1 = 4,
  HASH_MDC2 = 5,
  HASH_RIPEMD160 = 6,
  HASH_HMAC = 7,
  HASH_SHA224 = 224,
  HASH_SHA256 = 256,
  HASH_SHA384 = 384,
  HASH_SHA512 = 512,
};
constexpr size_t HASH_MAX_BYTES = 64;

// The digest of data by algorithm alg into out (at least HASH_MAX_BYTES);
// returns its length.  HMAC (7) runs with key over the digest hmac_alg.
// Error 99 without the library or for a digest it does not offer (with a
// text naming it), 41 for an unknown code, 15 when the library fails.
size_t Tcp_GetHash(const uint8_t* data, size_t len, const uint8_t* key, size_t key_len, int64_t alg,
                   int64_t hmac_alg, uint8_t* out);

// The ENCRYPT (encrypt true) or DECRYPT form of HSH( over its arguments:
// data, cipher name, key, key length (-1: the cipher's own) and initial
// vector (len -1: none).  Data "*" with an empty name gives every cipher name
// the library knows, each followed by ",".  Error 99 without the library or
// for a cipher it does not offer, 25 for an unknown name, 15 when it fails.
struct Crypto_bytes {
  const uint8_t* p;
  int32_t len;
};
std::string Crypto_cipher(bool encrypt, const Crypto_bytes& data, const Crypto_bytes& name, const Crypto_bytes& key,
                          int32_t key_len, const Crypto_bytes& iv);
