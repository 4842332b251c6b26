// The page cipher of keyed files (file_crypt.h describes it).
#include "keyed/file_crypt.h"

#include <cstring>
#include <utility>

int Set_file_crypt_key(Kcrypt& c, const uint8_t* masked, int len) {
  uint8_t p[10] = {};
  std::memcpy(p, masked, size_t(len < 0 ? 0 : len > 8 ? 8 : len));
  if (p[0] == 0) {
    c.start = -1;
    return -1;
  }
  std::memcpy(c.K, "DurabenK", 8);
  c.M = 0;
  int j = 0, step = 0;
  for (int i = 0; i < 32; ++i) {
    uint8_t ch = p[j++];
    if (ch == 0 || j == 8) {
      ch = p[0];
      j = 1;
    }
    c.M ^= ch;
    uint8_t& k = c.K[i % 8];
    if (step == 0) k ^= ch;
    else if (step == 1) k = uint8_t(k + ch);
    else k = uint8_t(k - ch);
    step = (step + 1) % 3;
  }
  c.start = (c.K[1] + c.K[2] + c.K[3]) & 7;
  for (int i = 0; i < 256; ++i) c.S[i] = uint8_t(i);
  uint32_t x = c.M;
  for (int i = 0; i < 256; ++i) {
    std::swap(c.S[i], c.S[((x + uint32_t(i)) * 23) & 255]);
    x = (x * 57) & 0x7FFFFF;
  }
  for (int i = 0; i < 256; ++i) c.Si[c.S[i]] = uint8_t(i);
  return c.start;
}

void Encrypt_file_bfr(const Kcrypt& c, const uint8_t* page, uint8_t* out, int size) {
  std::memcpy(out, page, size_t(size < 5 ? size : 5));
  uint8_t k[8];
  std::memcpy(k, c.K, 8);
  int t = c.start;
  for (int i = 5; i < size; ++i) {
    uint8_t v = c.S[page[i]];
    k[t] ^= v;
    out[i] = uint8_t(c.M ^ k[t]);
    t = (k[v & 7] + v) & 7;
  }
}

void Decrypt_file_bfr(const Kcrypt& c, uint8_t* page, int size) {
  uint8_t k[8];
  std::memcpy(k, c.K, 8);
  int t = c.start;
  for (int i = 5; i < size; ++i) {
    uint8_t v = uint8_t(k[t] ^ page[i] ^ c.M);
    k[t] ^= v;
    page[i] = c.Si[v];
    t = (k[v & 7] + v) & 7;
  }
}
