// Program protection: the cipher of enciphered program images and the text
// form of protection keys.
//
// A protected program carries an 8-byte protection key.  Its image is
// enciphered with AES-128 in counter mode (OpenSSL's libcrypto, loaded at
// run time on first need); the cipher key and the counter's nonce are the
// first 16 and the next 8 bytes of SHA-256 over
//   "oru-image" | protection key | u32 save time | u16 random value | u8 EL
// (the header's bytes 70..73, 90..91 and 112), so every SAVE enciphers
// differently.  The header's key block (bytes 74..81) is the protection key
// XOR the first 8 bytes of SHA-256 over
//   "oru-key" | u32 save time | u16 random value | u8 EL.
// A program must load without its owner, so the key block only hides the
// key from a casual look; what protection gives is that a loaded protected
// program cannot be listed, edited, merged or saved as text.
//
// In a listing the key travels as the first line "**Password**:" followed
// by the key as 16 hexadecimal digits (29 characters in all).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct Prg_seed {
  uint32_t save_time = 0;
  uint16_t random = 0;
  uint8_t el = 0;
};

// True when libcrypto and the entry points the cipher needs are there.
bool Prg_crypt_available();
// The header's key block of a protection key, and the key of a key block
// (the same operation).  Error 120 without libcrypto.
void Prg_key_block(const uint8_t in[8], const Prg_seed& seed, uint8_t out[8]);
// Enciphers or deciphers (counter mode: one operation) n bytes that lie at
// offset `offset` of the image, in place.  Error 120 without libcrypto.
void Prg_cipher(const uint8_t key[8], const Prg_seed& seed, uint64_t offset, uint8_t* data, size_t n);

constexpr const char PASSWORD_MARK[] = "**Password**:";
constexpr size_t PASSWORD_LINE_LEN = 29;
// "**Password**:" and the key in 16 upper-case hexadecimal digits.
std::string Prg_password_line(const uint8_t key[8]);
// The key of a password line (exactly 29 characters); false when the 16
// characters after the mark are not hexadecimal digits.
bool Prg_password_key(const char* line, size_t len, uint8_t key[8]);
