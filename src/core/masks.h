// Number and string conversions for STR( NUM( BIN( DEC(: format masks, text
// to number, binary fields.  The channels' field conversion builds on the
// same routines.
#pragma once
#include <cstdint>
#include <string>

#include "core/decimal.h"

constexpr size_t FMT_MASK_MAX = 8192;

// Number through a numeric mask ("##,##0.00", "$###", "-###.##CR", ...).
// Returns 0 with the text in out, or 43 when the integer digits do not fit.
int Conv_val_viafmt(const Num_val& v, const uint8_t* mask, size_t mask_len, std::string& out);
// String through a string mask (X x A a Z z 0 data positions, "\" literal,
// "(n)" repeat).  Returns 0, 43 (a character does not fit its position) or
// 46 (characters left over, mask too long).
int Fmt_str(const uint8_t* s, size_t len, const uint8_t* mask, size_t mask_len, std::string& out);
// Text to number: leading and trailing blanks, a sign, digits with one
// point, an exponent "E"[sign]digits.  Returns 0 with the value, or 43.
int Conv_str_chk(const uint8_t* s, size_t len, Num_val& v);
// Big-endian two's-complement bytes to a number (error 40 beyond 64 bits).
Num_val Cnv_dec(const uint8_t* s, size_t len);
// A number as a width-byte big-endian two's-complement field.
void Cnv_bin(const Num_val& v, uint8_t* out, size_t width);
