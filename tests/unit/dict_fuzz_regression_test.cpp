// Replays the dictionary fuzzer's seeds and every input it ever found
// failing: each must be walked to the end or fail with an error number.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "../fuzz/dict_walk.h"
#include "core/params.h"

namespace fs = std::filesystem;

TEST(DictFuzzRegressions, DamagedDictionariesFailCleanly) {
  Prm_defaults();
  char dir[] = "/tmp/oru_dict_replay_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string scratch = std::string(dir) + "/file";
  int files = 0;
  for (const char* sub : {"tests/fuzz/corpus_dict", "tests/fuzz/regressions_dict"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / sub;
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      Walk_dict_bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), scratch);
      ++files;
    }
  }
  EXPECT_GT(files, 0);
  fs::remove_all(dir);
}

// The template's own dictionary block, damaged one byte at a time and in
// random runs: every variant walks or fails cleanly.
TEST(DictFuzzRegressions, MutatedTemplateBlocks) {
  Prm_defaults();
  char dir[] = "/tmp/oru_dict_mut_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string scratch = std::string(dir) + "/file";
  uint32_t block;
  int B;
  std::vector<uint8_t> tmpl = Dict_template(scratch, &block, &B);
  std::vector<uint8_t> page(tmpl.begin() + block, tmpl.begin() + block + B);
  std::mt19937 rng(11);
  for (int i = 0; i < 300; ++i) {
    std::vector<uint8_t> m = page;
    int hits = 1 + int(rng() % 4);
    for (int h = 0; h < hits; ++h) m[rng() % 64 < 48 ? rng() % 64 : rng() % m.size()] = uint8_t(rng());
    Walk_dict_bytes(m.data(), m.size(), scratch);
  }
  fs::remove_all(dir);
}
