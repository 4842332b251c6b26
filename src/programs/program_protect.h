// The program-protection form of PASSWORD (program_protect.cpp).
#pragma once
#include <cstdint>

// PASSWORD "key" [,ERR=line]: the protection key of programs.
//  - The key is the text's first 8 bytes (shorter texts are padded with
//    zero bytes); it is remembered for the rest of the process, and every
//    protected program loaded with that key opens for listing and editing.
//  - A protected program in memory whose key it is opens now; another key
//    is error 53.
//  - An unprotected program in memory takes the key: SAVE enciphers it and
//    SAVE of a listing writes the key line.
//  - An empty text forgets the remembered key and takes the key off an
//    opened program (error 52 while it is protected).
void Prg_protect_directive();
// True when the key given with PASSWORD is this key.
bool Prg_key_given(const uint8_t key[8]);
