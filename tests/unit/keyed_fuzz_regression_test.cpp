// Replays the keyed-file fuzzer's seed files and every damaged file it ever
// found failing: each must open and walk, or fail with an error number.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "../fuzz/keyed_walk.h"
#include "core/params.h"

namespace fs = std::filesystem;

TEST(KeyedFuzzRegressions, DamagedFilesFailCleanly) {
  Prm_defaults();
  int files = 0;
  char dir[] = "/tmp/oru_keyed_replay_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string scratch = std::string(dir) + "/file";
  for (const char* dir : {"tests/fuzz/corpus_keyed", "tests/fuzz/regressions_keyed", "tests/fuzz/corpus_eff",
                          "tests/fuzz/regressions_eff"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / dir;
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      Walk_keyed_bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), scratch);
      ++files;
    }
  }
  EXPECT_GT(files, 0);
  fs::remove_all(dir);
}
