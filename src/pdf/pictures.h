// Picture readers of the own PDF writer: JPEG files are measured and kept as
// they stand (a PDF reader decodes them); PNG files are decoded whole and
// their samples (and alpha, as a soft mask) recompressed.
//
// JPEG: 0xFF 0xD8, then marker segments 0xFF m [len16 BE, len bytes incl.
// the length]; fill bytes 0xFF may precede a marker; markers 0xD0..0xD7 and
// 0x01 stand alone; a frame header (0xC0..0xC3, 0xC5..0xC7, 0xC9..0xCB,
// 0xCD..0xCF) holds precision (1), height (2), width (2), components (1).
// Every length is checked against the file before it is used.
//
// PNG: the 8-byte signature, then chunks: length (u32 BE, below 2^31),
// type (4), data, CRC (4).  IHDR first: width, height (u32 BE), bit depth,
// colour type, compression 0, filter 0, interlace 0 or 1 (Adam7).  IDAT
// chunks concatenated form one zlib stream of filtered rows (filter byte
// 0..4 per row).  PLTE holds RGB triples for colour type 3.  IEND ends.
// Bounds: a picture of at most PDF_PICTURE_MAX_BYTES file bytes and
// PDF_PICTURE_MAX_PIXELS pixels.
#pragma once
#include <cstdint>
#include <string>

#include "pdf/own_document.h"

constexpr size_t PDF_PICTURE_MAX_BYTES = 64u << 20;
constexpr int64_t PDF_PICTURE_MAX_PIXELS = 40'000'000;

// Each returns false with the reason in why when the bytes are not a
// picture of that kind it can read.
bool Pdf_read_jpeg(const std::string& bytes, Pdf_picture& out, std::string& why);
bool Pdf_read_png(const std::string& bytes, Pdf_picture& out, std::string& why);
// PNG pictures need zlib: false when it cannot be loaded.
bool Pdf_png_available();
