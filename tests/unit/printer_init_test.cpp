// The printer set-up bytes printed at OPEN of a printer channel.
#include <gtest/gtest.h>

#include <string>

#include "channels/printer_init.h"

namespace {

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(char(c));
  return s;
}

TEST(PrinterInit, NothingSetGivesNothing) { EXPECT_EQ(Printer_init_bytes("", 0, 0), ""); }

TEST(PrinterInit, FontThenDefaultFontMnemonic) {
  EXPECT_EQ(Printer_init_bytes("Arial", 0, 0),
            bytes({27, 'm', 'n', 0x12, 6, 5}) + "Arial" + bytes({27, 'D', 'F'}));
}

TEST(PrinterInit, LinesAndCharactersPerInchAsBigEndianHundredths) {
  // 6 lines and 12.5 characters per inch are stored as 600 and 1250.
  EXPECT_EQ(Printer_init_bytes("", 600, 1250),
            bytes({27, 'm', 'n', 0x20, 2, 0x02, 0x58, 27, 'm', 'n', 0x21, 2, 0x04, 0xE2}));
}

TEST(PrinterInit, ValuesOutsideAnU16CountAsUnset) {
  EXPECT_EQ(Printer_init_bytes("", 70000, -5), "");
  EXPECT_EQ(Printer_init_bytes("", 65535, 0), bytes({27, 'm', 'n', 0x20, 2, 0xFF, 0xFF}));
}

TEST(PrinterInit, LongFontNameIsCutToFitTheLengthByte) {
  std::string s = Printer_init_bytes(std::string(300, 'x'), 0, 0);
  ASSERT_GE(s.size(), 6u);
  EXPECT_EQ(uint8_t(s[4]), 255);  // name length + 1
  EXPECT_EQ(uint8_t(s[5]), 254);
  EXPECT_EQ(s.size(), 6u + 254u + 3u);
}

}  // namespace
