// Replays the thin-client fuzzer's seeds and every input it found failing
// through all the readers of what a client sends.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../fuzz/tc_bytes.h"

namespace fs = std::filesystem;

TEST(TcFuzzRegressions, ClientBytesStayInBounds) {
  int files = 0;
  for (const char* dir : {"tests/fuzz/corpus_tc", "tests/fuzz/regressions_tc"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / dir;
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ++files;
      EXPECT_TRUE(tc_fuzz::Walk(reinterpret_cast<const uint8_t*>(b.data()), b.size())) << e.path();
    }
  }
  EXPECT_GE(files, 10);
}
