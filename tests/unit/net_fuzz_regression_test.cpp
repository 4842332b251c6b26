// Replays the TCP fuzzer's seed corpus and every input it found failing:
// each is read to its end through a channel, and CLOSE releases the socket.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../fuzz/tcp_bytes.h"
#include "core/decimal.h"
#include "core/codes.h"

namespace fs = std::filesystem;

namespace {

double num(const char* name) {
  Var_node* n = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
  return n ? Val_to_dbl(n->num) : -999;
}
std::string str(const char* name) {
  Var_node* n = Look_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
  if (!n || !n->str) return "";
  return std::string(reinterpret_cast<const char*>(n->str->bytes()), n->str->len);
}

}  // namespace

TEST(TcpFuzzRegressions, TheWalkReadsToTheEnd) {
  ASSERT_TRUE(tcp_fuzz::Setup(ORU_TEST_LIBDIR));
  // SIZ=-6, list A$: "one" (the rest of the 6 bytes ends the field), then
  // "o", then end of file on the third READ.
  std::string in("x;1\n\x05one\x8atwo\x8a", 12);
  EXPECT_TRUE(tcp_fuzz::Walk(reinterpret_cast<const uint8_t*>(in.data()), in.size()));
  EXPECT_EQ(str("A$"), "o");
  EXPECT_EQ(num("K"), 3);
  Clr_lines();
  Clr_variables();
}

TEST(TcpFuzzRegressions, ReceivedBytesAreReadOrRefused) {
  ASSERT_TRUE(tcp_fuzz::Setup(ORU_TEST_LIBDIR));
  int files = 0;
  for (const char* dir : {"tests/fuzz/corpus_tcp", "tests/fuzz/regressions_tcp"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / dir;
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ++files;
      EXPECT_TRUE(tcp_fuzz::Walk(reinterpret_cast<const uint8_t*>(b.data()), b.size())) << e.path();
    }
  }
  EXPECT_GE(files, 5);
  Clr_lines();
  Clr_variables();
  ws.Work_base = ws.Work_ptr = ws.Work_mark = ws.Work_end = nullptr;
}
