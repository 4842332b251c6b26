// Replays the seeds of the variable-data and font fuzzers and every input
// they ever found failing: each must load or be refused, and the second load
// of the same bytes gives the same answer and leaves no memory behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/workspace.h"
#include "pdf/hzef/ttf_info.h"
#include "programs/var_data.h"

namespace fs = std::filesystem;

namespace {
// Every file of the named folders under the source tree.
std::vector<std::vector<uint8_t>> inputs(std::initializer_list<const char*> dirs) {
  std::vector<std::vector<uint8_t>> all;
  for (const char* sub : dirs) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / sub;
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      all.emplace_back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
  }
  return all;
}
}  // namespace

TEST(SmallFuzzRegressions, VariableDataFilesLoadOrAreRefused) {
  auto files = inputs({"tests/fuzz/corpus_vardata", "tests/fuzz/regressions_vardata"});
  ASSERT_GT(files.size(), 0u);
  for (const auto& f : files) {
    int first = Vdf_load_bytes(f.data(), f.size());
    int64_t before = ws.Mem_used;
    EXPECT_EQ(Vdf_load_bytes(f.data(), f.size()), first);
    EXPECT_EQ(ws.Mem_used, before);
  }
}

TEST(SmallFuzzRegressions, FontFilesParseOrFail) {
  auto files = inputs({"tests/fuzz/corpus_ttf", "tests/fuzz/regressions_ttf"});
  ASSERT_GT(files.size(), 0u);
  for (const auto& f : files) {
    hzef::Ttf_info info;
    if (hzef::Ttf_parse(f.data(), f.size(), &info) != hzef::TTF_OK) continue;
    EXPECT_FALSE(info.family.empty());
    for (char c : info.family + info.postscript) EXPECT_GE(uint8_t(c), 32);
  }
}
