// Fuzzes program-library members: any bytes stored as a member's record must
// open through the member channel and load, or fail with an error number.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/wiring.h"
#include "channels/channel.h"
#include "core/lexicon.h"
#include "core/workspace.h"
#include "library_bytes.h"

namespace {
uint8_t work[WORK_AREA_SIZE];
std::string lib_path;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* lib = std::getenv("ORULIB");
  static std::string dir = lib ? lib : "build-fuzz/lib";
  ws.Lib_dir = dir.c_str();
  if (Load_lex((dir + "/lextbl.en").c_str()) != 0) std::abort();
  ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
  ws.Work_end = work + sizeof work;
  App_wire();  // the drivers of every kind
  Channels_init();
  char tmpl[] = "/tmp/oru_fuzz_library_XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  lib_path = std::string(tmpl) + "/lib";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 200000) return 0;
  ws.Work_ptr = work;
  Exercise_library_member(lib_path, data, size);
  return 0;
}
