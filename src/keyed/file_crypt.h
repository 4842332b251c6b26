// Keyed files of both formats: the page cipher of files protected by a
// password with encryption (modes 2 and 3).
//
// This is the format's own byte cipher and it is obfuscation, not
// security: the key is derived from the masked password that the file's
// own dictionary holds, so anyone who can read the file can recover it.
// It keeps the bytes of index nodes (type 254) and data blocks (type 128)
// from being read off the disk as text, nothing more.
//
// Key derivation from the masked password bytes p (each password byte XOR
// 0x6E, at most 8, a 0 byte ends them): K starts as the 8 bytes "DurabenK",
// M = 0; for i = 0..31 the next byte c of p is taken cyclically (at most
// the first 7 take part: a 0 byte or the eighth position starts again at
// p[0]), M ^= c, and K[i mod 8] is XORed with, increased by or decreased by
// c in turn.  The start index is (K[1] + K[2] + K[3]) & 7; the substitution
// table S is the identity shuffled by exchanging S[i] and S[((x + i) * 23) &
// 255] for i = 0..255 with x starting at M and becoming (x * 57) & 0x7FFFFF
// after each exchange.
//
// A page keeps bytes 0-4 (type and address); every later byte b becomes,
// with a working copy k of K and t the start index: v = S[b]; k[t] ^= v;
// out = M ^ k[t]; t = (k[v & 7] + v) & 7.  A start index of 0 (or an empty
// password) leaves pages plain in both directions.
#pragma once
#include <cstdint>
#include <vector>

struct Kcrypt {
  int start = -1;  // start index; pages are enciphered only for 1..7
  uint8_t K[8] = {};
  uint8_t M = 0;
  uint8_t S[256] = {};
  uint8_t Si[256] = {};
  bool active() const { return start >= 1 && start <= 7; }
};

// Derives the key from the masked password bytes (len of them, at most 8
// used).  Returns the start index (-1 for an empty password).
int Set_file_crypt_key(Kcrypt& c, const uint8_t* masked, int len);
// Enciphers a page of size bytes into out (bytes 0-4 copied).
void Encrypt_file_bfr(const Kcrypt& c, const uint8_t* page, uint8_t* out, int size);
// Deciphers bytes 5.. of a page in place.
void Decrypt_file_bfr(const Kcrypt& c, uint8_t* page, int size);
// Page types that are enciphered: index nodes and data blocks.
inline bool Crypt_page_type(uint8_t t) { return t == 254 || t == 128; }
