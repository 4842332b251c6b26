// Vertical format of a channel ('SL' ... ESC 'EL', 'S0'..'S8').
#pragma once

void Mnem_SL();
void Mnem_EL();
void Mnem_S0(int digit);
void Vformat_release(const void* fcb);
// While 'SL' collects, a mnemonic printed as an item goes to the collector
// as its three bytes (true).
struct Fcb;
#include <cstdint>
bool Vformat_takes(Fcb* f, uint16_t code);
