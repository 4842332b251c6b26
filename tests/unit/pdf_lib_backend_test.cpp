// Pieces of the PDF library back end that need no document: font strings.
#include <gtest/gtest.h>

#include <string>

#include "pdf/lib_backend.h"

namespace {

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
