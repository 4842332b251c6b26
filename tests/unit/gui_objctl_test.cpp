// The text form of control definitions handed to a handler object.
#include <gtest/gtest.h>

#include "terminal/gui_objctl.h"

TEST(ObjctlText, NumbersWithDecimals) {
  std::string s;
  KestAppndNum(s, "A", 1234, 2);
  KestAppndNum(s, "B", -5, 2);
  KestAppndNum(s, "C", 0, 2);  // left out
  KestAppndNum(s, "D", 7, 0);
  KestAppndNum(s, "E", 100, 2);
  KestAppndNum(s, "F", -1, 3);
  EXPECT_EQ(s, "A=12.34,B=-0.05,D=7,E=1.00,F=-0.001");
}

TEST(ObjctlText, Strings) {
  std::string s;
  KestAppndStr(s, "Empty", "");
  EXPECT_EQ(s, "");
  KestAppndStr(s, "T", "say \"hi\"");
  KestAppndStr(s, "Q", "it's");  // a single quote goes in hex
  KestAppndStr(s, "N", std::string("a\0b", 3));
  EXPECT_EQ(s, "T$=\"say \"\"hi\"\"\",Q$=$69742773$,N$=$610062$");
}

TEST(ObjctlText, Characters) {
  std::string s;
  KestAppndChr(s, "Q", '"');
  KestAppndChr(s, "Z", 0);
  KestAppndChr(s, "C", ',');
  KestAppndChr(s, "H", 0xFF);
  EXPECT_EQ(s, "Q$=QUO,Z$=$00$,C$=\",\",H$=$FF$");
}
