// Fuzzes the statement compiler: any input must compile or fail with an error
// number, never crash; a line that compiles must list back into text that
// compiles to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/compiler.h"
#include "core/errors.h"
#include "core/lexicon.h"
#include "core/lister.h"
#include "core/workspace.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* lib = std::getenv("ORULIB");
  static std::string dir = lib ? lib : "build-fuzz/lib";
  ws.Lib_dir = dir.c_str();
  if (Load_lex((dir + "/lextbl.en").c_str()) != 0) std::abort();
  ws.Con_flags = CON_MODE;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 30000) return 0;
  std::string src(reinterpret_cast<const char*>(data), size);
  std::vector<uint8_t> out;
  try {
    if (Compile_text(src, out) != 0) return 0;
    std::string text = Decompile_text(out.data(), out.size());
    std::vector<uint8_t> again;
    if (Compile_text(text, again) != 0 || again != out) std::abort();
  } catch (const Oru_error&) {
  }
  return 0;
}
