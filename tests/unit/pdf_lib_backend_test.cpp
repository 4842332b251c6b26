// Pieces of the PDF library back end that need no document: picture
// headers and font strings.
#include <gtest/gtest.h>

#include <string>

#include "pdf/lib_backend.h"

namespace {

std::string jpeg_with_frame(int w, int h) {
  std::string j = "\xFF\xD8";
  j += std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
  j += std::string("\xFF\xC0\x00\x11\x08", 5);
  j += char(h >> 8);
  j += char(h);
  j += char(w >> 8);
  j += char(w);
  j += std::string(10, '\0');
  j += "\xFF\xD9";
  return j;
}

bool jpeg(const std::string& s, int32_t* w, int32_t* h) {
  return Pdf_jpeg_size(reinterpret_cast<const uint8_t*>(s.data()), s.size(), w, h);
}

TEST(PdfLibPictures, JpegFrameSizeIsFound) {
  int32_t w = 0, h = 0;
  ASSERT_TRUE(jpeg(jpeg_with_frame(640, 480), &w, &h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  // Fill bytes before a marker are skipped.
  std::string j = jpeg_with_frame(3, 2);
  j.insert(2, "\xFF\xFF");
  ASSERT_TRUE(jpeg(j, &w, &h));
  EXPECT_EQ(w, 3);
}

TEST(PdfLibPictures, DamagedJpegIsRefusedWithinItsBytes) {
  int32_t w = 0, h = 0;
  EXPECT_FALSE(jpeg("", &w, &h));
  EXPECT_FALSE(jpeg("hello, not a picture", &w, &h));
  EXPECT_FALSE(jpeg("\xFF\xD8", &w, &h));
  std::string good = jpeg_with_frame(10, 10);
  // Cut anywhere inside the headers: refused, never read past the end.
  // (the frame's size fields end at byte 29).
  for (size_t cut = 2; cut < 29; cut++) EXPECT_FALSE(jpeg(good.substr(0, cut), &w, &h)) << cut;
  // A segment length pointing far beyond the data.
  std::string far = good;
  far[4] = '\x7F';
  far[5] = '\xFF';
  EXPECT_FALSE(jpeg(far, &w, &h));
  // A segment length below 2 would not move the walk forward.
  std::string stuck = good;
  stuck[4] = 0;
  stuck[5] = 0;
  EXPECT_FALSE(jpeg(stuck, &w, &h));
  // A frame of width 0, and the end of the image before any frame.
  EXPECT_FALSE(jpeg(jpeg_with_frame(0, 5), &w, &h));
  EXPECT_FALSE(jpeg(std::string("\xFF\xD8\xFF\xD9", 4), &w, &h));
}

TEST(PdfLibPictures, PngHeader) {
  std::string p("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR\x00\x00\x01\x00\x00\x00\x00\x20", 24);
  int32_t w = 0, h = 0;
  ASSERT_TRUE(Pdf_png_size(reinterpret_cast<const uint8_t*>(p.data()), p.size(), &w, &h));
  EXPECT_EQ(w, 256);
  EXPECT_EQ(h, 32);
  EXPECT_FALSE(Pdf_png_size(reinterpret_cast<const uint8_t*>(p.data()), 23, &w, &h));
  std::string zero = p;
  zero[19] = zero[18] = 0;
  EXPECT_FALSE(Pdf_png_size(reinterpret_cast<const uint8_t*>(zero.data()), zero.size(), &w, &h));
  std::string jpg = jpeg_with_frame(4, 4);
  EXPECT_FALSE(Pdf_png_size(reinterpret_cast<const uint8_t*>(jpg.data()), jpg.size(), &w, &h));
}

Lib_font parsed(const std::string& s, int32_t base = 12, Lib_font slot = Lib_font()) {
  ParseFontStr(reinterpret_cast<const uint8_t*>(s.data()), s.size(), base, slot);
  return slot;
}

TEST(PdfLibFontStrings, FieldsAsTheFontStringGivesThem) {
  Lib_font f = parsed("Arial,-10,BU");
  EXPECT_EQ(f.face, "Arial");
  EXPECT_EQ(f.size, 10);
  EXPECT_EQ(f.flags, uint32_t(PFF_BOLD | PFF_UNDERLINE));
  // A positive size multiplies the print font's size; decimals allowed.
  EXPECT_EQ(parsed(",2", 12).size, 24);
  EXPECT_EQ(parsed(",0.5", 12).size, 6);
  EXPECT_EQ(parsed(",-10.75", 12).size, 10);
  Lib_font t = parsed("  Times New Roman  ,,I,90");
  EXPECT_EQ(t.face, "Times New Roman");
  EXPECT_EQ(t.size, 12);  // an empty size keeps the slot's
  EXPECT_EQ(t.flags, uint32_t(PFF_ITALIC));
  EXPECT_EQ(t.angle, 90);
  EXPECT_EQ(parsed("X,,,-90").angle, 270);
  EXPECT_EQ(parsed("X,,,450").angle, 90);
  // Fields that are missing keep what the slot had.
  Lib_font start;
  start.face = "Courier";
  start.flags = PFF_WRAP;
  Lib_font k = parsed("", 12, start);
  EXPECT_EQ(k.face, "Courier");
  EXPECT_EQ(k.flags, uint32_t(PFF_WRAP));
  // A face is cut at 100 characters; a huge size is bounded.
  EXPECT_EQ(parsed(std::string(300, 'A')).face.size(), 100u);
  EXPECT_LE(parsed(",99999999999999").size, 100000);
  EXPECT_GT(parsed(",-99999999999999").size, 0);
}

}  // namespace
