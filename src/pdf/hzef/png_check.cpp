// The PNG check of libhzef (png_check.h).  libpng reports errors by a long
// jump to the setjmp point of its caller; check_png is the one function that
// sets it, holds no C++ object, and releases what libpng allocated on both
// ways out.
#include "pdf/hzef/png_check.h"

#include <png.h>

#include <cstring>

namespace hzef {
namespace {

struct Png_mem {
  const uint8_t* data;
  size_t size, at;
};

void mem_read(png_structp png, png_bytep out, png_size_t len) {
  Png_mem* m = static_cast<Png_mem*>(png_get_io_ptr(png));
  if (len > m->size - m->at) png_error(png, "Read Error");
  std::memcpy(out, m->data + m->at, len);
  m->at += len;
}

void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
// A warning is a fault libpng reads past (a wrong zlib data check, more
// image data than the picture needs) that libHaru does not survive: it
// frees the half-made image twice.  It fails the check.
void on_warning(png_structp png, png_const_charp) { *static_cast<bool*>(png_get_error_ptr(png)) = true; }

int check_png(Png_mem* mem) {
  bool warned = false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &warned, on_error, on_warning);
  if (!png) return PIC_NO_MEMORY;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return PIC_NO_MEMORY;
  }
  png_bytep volatile row = nullptr;
  volatile int status = PIC_DAMAGED;
  if (setjmp(png_jmpbuf(png))) {
    png_free(png, row);
    png_destroy_read_struct(&png, &info, nullptr);
    return status;
  }
  png_set_sig_bytes(png, 8);
  png_set_read_fn(png, mem, mem_read);
  png_read_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (uint64_t(w) * h > PIC_MAX_PIXELS) {
    status = PIC_TOO_LARGE;
    png_error(png, "picture too large");
  }
  // As libHaru reads it: 16-bit samples cut to 8, passes of an interlaced
  // picture one after another.
  if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  row = static_cast<png_bytep>(png_malloc(png, png_get_rowbytes(png, info)));
  for (int pass = 0; pass < passes; pass++)
    for (png_uint_32 y = 0; y < h; y++) png_read_row(png, row, nullptr);
  png_read_end(png, nullptr);
  png_free(png, row);
  row = nullptr;
  png_destroy_read_struct(&png, &info, nullptr);
  return warned ? PIC_DAMAGED : PIC_OK;
}

}  // namespace

int Png_check(const uint8_t* data, size_t size) {
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return PIC_NOT_PNG;
  if (size > PIC_MAX_BYTES) return PIC_TOO_LARGE;
  Png_mem mem{data, size, 8};
  return check_png(&mem);
}

}  // namespace hzef
