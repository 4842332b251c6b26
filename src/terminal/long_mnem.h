// Long mnemonics: ESC 'm' 'n', operation, 1-byte length, parameters (or
// ESC 'm' 'x' with a 4-byte big-endian length; '$' after 'n'/'x' makes the
// rest hexadecimal digit pairs).  Printing one makes the channel collect it
// byte by byte and execute it.
#pragma once
#include <cstdint>
#include <string>

// Starts collecting after ESC 'mn' or ESC 'mx' (code) on the current channel.
void StartLongMnem(uint16_t code);
// Executes one long mnemonic on the current channel.
void LongMnemExec(uint8_t op, const uint8_t* p, uint32_t n);
// The bytes of a long mnemonic: the short form below 256 parameter bytes
// (and when `wide` is false), else the 'mx' form.
std::string LongMnemBuild(uint8_t op, const std::string& params, bool wide = false);
// The page of a channel in pass-through mode, as 'BM' sets it: width,
// height and line height (the units of the printer behind the channel).
struct Chan_page {
  int32_t width = 0, height = 0, line_h = 0;
};
Chan_page& Page_of(const void* fcb);
// Drops the collector state of a channel being released.
void LongMnemRelease(const void* fcb);
// A channel-0 option "NAME=value" (a length byte and the text): SUPPRESS_FF
// (the current channel's setting), PdfMargin, PdfFactor, PdfFontDir.  False
// for an unknown name or a malformed text.
bool Set_channel0_option(const uint8_t* p, uint32_t n);
// Writes a long mnemonic into the current channel's output buffer: the
// 'mn' form below 256 parameter bytes, else 'mx'; with `hex` a '$' and the
// rest as pairs of upper-case hexadecimal digits.
void LongMnemSend(uint8_t op, const uint8_t* p, uint32_t n, bool hex);

// Mnemonics on a PDF channel (kind 23) go to its driver: pdf/pdf_channel.cpp
// fills these when it registers.  A PDF channel exists only once it has.
struct Term_pdf_hooks {
  int (*mnem)(uint16_t code) = nullptr;  // nonzero: the driver took the mnemonic
  void (*start_page)() = nullptr;
  void (*graphics)(uint8_t op, const uint8_t* p, uint32_t n) = nullptr;
};
extern Term_pdf_hooks Term_pdf;
