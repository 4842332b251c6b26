// A string value as the dumps and the debugger's evaluation show it, and
// how a limit cuts it.
#include <gtest/gtest.h>

#include <string>

#include "programs/dump.h"

namespace {

std::string text(const std::string& s, size_t max = 0, bool esc_by_name = true) {
  return Dump_string_text(reinterpret_cast<const unsigned char*>(s.data()), s.size(), max, esc_by_name);
}

}  // namespace

TEST(DumpText, PiecesAndQuotes) {
  EXPECT_EQ(text(""), "\"\"");
  EXPECT_EQ(text(std::string("AB\n\rC")), "\"AB\"+$0A0D$+\"C\"");
  EXPECT_EQ(text("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(text("\x1b" "x"), "ESC+\"x\"");
  EXPECT_EQ(text("\x1b" "x", 0, false), "$1B$+\"x\"");
}

TEST(DumpText, LimitCutsInsideAPieceAndLeavesItOpen) {
  // A single long run: its first bytes up to the limit, then "..." (not
  // "..." alone).
  std::string s(10000, 'a');
  std::string t = text(s, 8000);
  ASSERT_EQ(t.size(), 8000u + 3);
  EXPECT_EQ(t.substr(0, 4), "\"aaa");
  EXPECT_EQ(t.substr(t.size() - 4), "a...");
  // Pieces that fit come whole; the one at the limit is cut.
  std::string u = text(std::string("AB") + "\n" + std::string(50, 'c'), 12);
  EXPECT_EQ(u, "\"AB\"+$0A$+\"c...");
  // A value that fits is not marked.
  EXPECT_EQ(text("short", 8000), "\"short\"");
  EXPECT_EQ(text("abc", 5), "\"abc\"");
}
