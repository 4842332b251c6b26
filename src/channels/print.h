// PRINT and the output character machine of channels.
//
// Every printed byte goes through Prt_char, which works on ws.Cur_fcb: it
// turns control characters and escape sequences into mnemonics (Prt_mnem),
// keeps the channel's output column and line, and puts text into the
// channel's output buffer, flushing it through the driver when it is full.
// The console (channel 0) is shown through the console device as it stands
// until the terminal device exists.
#pragma once
#include <cstddef>
#include <cstdint>

struct Fcb;

// Writes the accumulator as PRINT writes an item without a mask: a string as
// it stands; a number rounded to the PRECISION when system parameter RS is
// set and it has more places, in normal form, after a blank unless negative.
void Prt_value();
// Prints the current string (ws.Str_ptr, ws.Str_len) on the current channel.
void Prt_fld();
// Prints n bytes on the current channel.
void Prt_bytes(const uint8_t* p, int32_t n);
// Outputs one character on the current channel.
void Prt_char(uint8_t c);
// n line feeds; a carriage return when n is 0.
void Prt_slew(int n);
// '@(' positioning: column and line, or the column alone.
void Prt_pos(int32_t column, int32_t line);
void Prt_pos1(int32_t column);
// Carries out a mnemonic (first character * 256 + second) on the current
// channel (terminal/mnemonic_engine.cpp).  A code the channel neither
// defines nor knows is error 29 (Err_mnemonic: ignored with parameter EG or
// the channel's 'EG' status).  Both are the terminal layer's: the channel
// layer itself reaches them through Chan_hook (prt_mnem, bad_mnemonic).
void Prt_mnem(uint16_t code);
void Err_mnemonic();
// Empties the current channel's output buffer through its driver.
void Prt_flush();

// Before output on the current channel: error 13 for channels that take no
// text (none, keyed, input only, LOAD); the driver's write mode otherwise.
void Prt_begin_output();
// The '@(' item at the cursor (just after the token): column [, line] ')'.
void Prt_at_item();
// The code of '@(' in compiled statements (the token of LOC().
constexpr uint8_t AT_ITEM_CODE = 122;

// Whether f is shown through the plain console device: the console's
// record while the console is not a terminal screen.
bool Prt_is_console(const Fcb* f);
// Text written to the plain console as it stands.
void Prt_console_text(const char* p, size_t n);

constexpr uint16_t Mnem_code(char a, char b) { return uint16_t((uint8_t(a) << 8) | uint8_t(b)); }
