// The keyword lexicon loaded and console compiling on: compile a line, list
// it, or check that its listing compiles back to the same bytes.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/compiler.h"
#include "core/lexicon.h"
#include "core/lister.h"
#include "core/workspace.h"

class Compile_env : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ws.Lib_dir = ORU_TEST_LIBDIR;
    ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  }
  void SetUp() override { ws.Con_flags = CON_MODE; }

  std::vector<uint8_t> compile(const std::string& src, int expect_err = 0) {
    std::vector<uint8_t> out;
    EXPECT_EQ(Compile_text(src, out), expect_err) << src;
    return out;
  }
  std::string list(const std::vector<uint8_t>& line) { return Decompile_text(line.data(), line.size()); }
  // Compiles, lists and compiles the listing again; returns the listing.
  std::string round_trip(const std::string& src) {
    std::vector<uint8_t> a = compile(src);
    std::string text = list(a);
    EXPECT_EQ(compile(text), a) << src << " listed as " << text;
    return text;
  }
};

inline std::vector<uint8_t> bytes(std::initializer_list<int> b) {
  std::vector<uint8_t> v;
  for (int x : b) v.push_back(uint8_t(x));
  return v;
}
