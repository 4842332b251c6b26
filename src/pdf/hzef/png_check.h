// A PNG picture decoded completely by libpng before libHaru is given it.
// libHaru reads PNG files through libpng without an error return of its
// own: a damaged file makes libpng end the process.  The check runs the
// same decoding (IHDR, every row of every pass, the chunks after the
// picture, CRCs) under its own error handling, so a file that passes it
// decodes in libHaru too.
#pragma once
#include <cstddef>
#include <cstdint>

namespace hzef {

// Bounds of a picture the library is given: file bytes and pixels.
constexpr size_t PIC_MAX_BYTES = 64u << 20;
constexpr uint64_t PIC_MAX_PIXELS = 40'000'000;

// Results of Png_check (0: the picture decodes).
enum Png_status : int {
  PIC_OK = 0,
  PIC_NOT_PNG = 1,    // no PNG signature
  PIC_NO_MEMORY = 2,  // libpng could not start
  PIC_DAMAGED = 3,    // libpng refused the file (CRC, cut, missing chunk, ...)
  PIC_TOO_LARGE = 4,  // more bytes or pixels than the bounds
};

int Png_check(const uint8_t* data, size_t size);

}  // namespace hzef
