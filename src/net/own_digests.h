// The digests OpenSSL 3 no longer offers, computed here: MD2 (RFC 1319)
// entirely, MDC2 (ISO/IEC 10118-2 with DES, padding with zero bytes to a
// whole block, as OpenSSL's MDC2 did) over a DES-ECB step the caller
// supplies; and HMAC (RFC 2104) over either.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t MD2_BYTES = 16;
constexpr size_t MDC2_BYTES = 16;

void Md2_digest(const uint8_t* data, size_t len, uint8_t out[MD2_BYTES]);

// One DES-ECB encryption of an 8-byte block under an 8-byte key.
using Des_block_fn = void (*)(const uint8_t key[8], const uint8_t in[8], uint8_t out[8]);
void Mdc2_digest(const uint8_t* data, size_t len, uint8_t out[MDC2_BYTES], Des_block_fn des);

// HMAC over a digest of `block` input bytes per step and `size` result bytes.
using Digest_fn = void (*)(const uint8_t* data, size_t len, uint8_t* out);
void Hmac_digest(Digest_fn digest, size_t block, size_t size, const uint8_t* key, size_t key_len, const uint8_t* data,
                 size_t len, uint8_t* out);
