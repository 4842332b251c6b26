// MD2, MDC2 and HMAC over them (see own_digests.h).
#include "net/own_digests.h"

#include <cstring>
#include <vector>

namespace {

// MD2's substitution: a permutation of 0..255 made from the digits of pi.
constexpr uint8_t MD2_S[256] = {
    41, 46, 67, 201, 162, 216, 124, 1, 61, 54, 84, 161, 236, 240, 6, 19,
    98, 167, 5, 243, 192, 199, 115, 140, 152, 147, 43, 217, 188, 76, 130, 202,
    30, 155, 87, 60, 253, 212, 224, 22, 103, 66, 111, 24, 138, 23, 229, 18,
    190, 78, 196, 214, 218, 158, 222, 73, 160, 251, 245, 142, 187, 47, 238, 122,
    169, 104, 121, 145, 21, 178, 7, 63, 148, 194, 16, 137, 11, 34, 95, 33,
    128, 127, 93, 154, 90, 144, 50, 39, 53, 62, 204, 231, 191, 247, 151, 3,
    255, 25, 48, 179, 72, 165, 181, 209, 215, 94, 146, 42, 172, 86, 170, 198,
    79, 184, 56, 210, 150, 164, 125, 182, 118, 252, 107, 226, 156, 116, 4, 241,
    69, 157, 112, 89, 100, 113, 135, 32, 134, 91, 207, 101, 230, 45, 168, 2,
    27, 96, 37, 173, 174, 176, 185, 246, 28, 70, 97, 105, 52, 64, 126, 15,
    85, 71, 163, 35, 221, 81, 175, 58, 195, 92, 249, 206, 186, 197, 234, 38,
    44, 83, 13, 110, 133, 40, 132, 9, 211, 223, 205, 244, 65, 129, 77, 82,
    106, 220, 55, 200, 108, 193, 171, 250, 36, 225, 123, 8, 12, 189, 177, 74,
    120, 136, 149, 139, 227, 99, 232, 109, 233, 203, 213, 254, 59, 0, 29, 57,
    242, 239, 183, 14, 102, 88, 208, 228, 166, 119, 114, 248, 235, 117, 75, 10,
    49, 68, 80, 180, 143, 237, 31, 26, 219, 153, 141, 51, 159, 17, 131, 20,
};

}  // namespace

void Md2_digest(const uint8_t* data, size_t len, uint8_t out[MD2_BYTES]) {
  uint8_t x[48] = {};
  uint8_t sum[16] = {};
  uint8_t last = 0;
  auto checksum = [&](const uint8_t* b) {
    for (int j = 0; j < 16; j++) last = sum[j] ^= MD2_S[b[j] ^ last];
  };
  auto compress = [&](const uint8_t* b) {
    for (int j = 0; j < 16; j++) {
      x[16 + j] = b[j];
      x[32 + j] = uint8_t(b[j] ^ x[j]);
    }
    uint8_t t = 0;
    for (int j = 0; j < 18; j++) {
      for (int k = 0; k < 48; k++) t = x[k] ^= MD2_S[t];
      t = uint8_t(t + j);
    }
  };
  size_t whole = len / 16 * 16;
  for (size_t i = 0; i < whole; i += 16) {
    checksum(data + i);
    compress(data + i);
  }
  // Padding: n bytes of value n (1 to 16) complete the last block; the
  // checksum of every block follows as one more.
  uint8_t block[16];
  size_t rest = len - whole;
  if (rest) std::memcpy(block, data + whole, rest);
  std::memset(block + rest, int(16 - rest), 16 - rest);
  checksum(block);
  compress(block);
  std::memcpy(block, sum, 16);
  compress(block);
  std::memcpy(out, x, MD2_BYTES);
}

void Mdc2_digest(const uint8_t* data, size_t len, uint8_t out[MDC2_BYTES], Des_block_fn des) {
  uint8_t h[8], hh[8];
  std::memset(h, 0x52, 8);
  std::memset(hh, 0x25, 8);
  auto step = [&](const uint8_t* b) {
    uint8_t k1[8], k2[8], e1[8], e2[8];
    std::memcpy(k1, h, 8);
    std::memcpy(k2, hh, 8);
    k1[0] = uint8_t((k1[0] & 0x9f) | 0x40);
    k2[0] = uint8_t((k2[0] & 0x9f) | 0x20);
    des(k1, b, e1);
    des(k2, b, e2);
    for (int i = 0; i < 8; i++) {
      e1[i] ^= b[i];
      e2[i] ^= b[i];
    }
    // The halves cross over.
    std::memcpy(h, e1, 4);
    std::memcpy(h + 4, e2 + 4, 4);
    std::memcpy(hh, e2, 4);
    std::memcpy(hh + 4, e1 + 4, 4);
  };
  size_t whole = len / 8 * 8;
  for (size_t i = 0; i < whole; i += 8) step(data + i);
  if (len > whole) {
    uint8_t block[8] = {};
    std::memcpy(block, data + whole, len - whole);
    step(block);
  }
  std::memcpy(out, h, 8);
  std::memcpy(out + 8, hh, 8);
}

void Hmac_digest(Digest_fn digest, size_t block, size_t size, const uint8_t* key, size_t key_len, const uint8_t* data,
                 size_t len, uint8_t* out) {
  // A key longer than a block is replaced by its digest; the pads take
  // one block of the key (a digest longer than the block gives its first
  // bytes, as OpenSSL's HMAC did for MDC2).
  std::vector<uint8_t> k(block + size, 0);
  if (key_len > block) digest(key, key_len, k.data());
  else if (key_len) std::memcpy(k.data(), key, key_len);
  std::vector<uint8_t> msg(block + (len > size ? len : size));
  for (size_t i = 0; i < block; i++) msg[i] = k[i] ^ 0x36;
  if (len) std::memcpy(msg.data() + block, data, len);
  std::vector<uint8_t> inner(size);
  digest(msg.data(), block + len, inner.data());
  for (size_t i = 0; i < block; i++) msg[i] = k[i] ^ 0x5c;
  std::memcpy(msg.data() + block, inner.data(), size);
  digest(msg.data(), block + size, out);
}
