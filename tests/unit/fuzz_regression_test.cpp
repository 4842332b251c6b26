// Replays the compiler fuzzer's seed corpus and every input it ever found
// failing: each must compile or fail cleanly, and a compiled line must list
// back into text that compiles to the same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/compiler.h"
#include "core/errors.h"
#include "core/lexicon.h"
#include "core/lister.h"
#include "core/workspace.h"
#include "../fuzz/mask_check.h"
#include "../fuzz/program_bytes.h"

namespace fs = std::filesystem;

TEST(FuzzRegressions, CompileAndListBackCleanly) {
  ws.Lib_dir = ORU_TEST_LIBDIR;
  ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  ws.Con_flags = CON_MODE;
  int files = 0;
  for (const char* dir : {"/tests/fuzz/corpus", "/tests/fuzz/regressions"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / (dir + 1);
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::string src((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      std::vector<uint8_t> out;
      ++files;
      try {
        if (Compile_text(src, out) != 0) continue;
        std::string text = Decompile_text(out.data(), out.size());
        std::vector<uint8_t> again;
        EXPECT_EQ(Compile_text(text, again), 0) << e.path() << ": " << text;
        EXPECT_EQ(again, out) << e.path() << ": " << text;
      } catch (const Oru_error& err) {
        EXPECT_NE(err.no, 0) << e.path();
      }
    }
  }
  EXPECT_GT(files, 0);
}

// The loader fuzzer's seeds and crashers: each loads or fails with an error
// number, and a program that loads lists and turns into lines.
TEST(FuzzRegressions, ProgramFilesLoadOrFailCleanly) {
  ws.Lib_dir = ORU_TEST_LIBDIR;
  ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  static uint8_t work[WORK_AREA_SIZE];
  ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
  ws.Work_end = work + sizeof work;
  int files = 0, loaded = 0;
  for (const char* dir : {"/tests/fuzz/corpus_loader", "/tests/fuzz/regressions_loader"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / (dir + 1);
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ++files;
      ws.Work_ptr = work;
      int err = Exercise_program_bytes(bytes.data(), bytes.size());
      if (err == 0) ++loaded;
      EXPECT_NE(err, 99) << e.path();
    }
  }
  EXPECT_GT(files, 0);
  EXPECT_GT(loaded, 0);  // the seeds load
  ws.Work_base = ws.Work_ptr = ws.Work_mark = ws.Work_end = nullptr;
}

// The mask fuzzer's seeds and every pattern it ever found failing.
TEST(FuzzRegressions, MasksCompileOrFailCleanly) {
  int files = 0;
  for (const char* dir : {"tests/fuzz/corpus_mask", "tests/fuzz/regressions_mask"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / dir;
    if (!fs::exists(p)) continue;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      ++files;
      EXPECT_TRUE(Mask_input_ok(bytes.data(), bytes.size())) << e.path();
    }
  }
  Sw_set(sw::OM, false);
  EXPECT_GT(files, 1);
}
