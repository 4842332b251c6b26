// Fuzzes the program loader: any bytes offered as a program file must load
// or fail with an error number, never crash or read outside the image; a
// program that loads must list, and list again once turned into lines.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/wiring.h"
#include "core/lexicon.h"
#include "core/workspace.h"
#include "program_bytes.h"

namespace {
uint8_t work[WORK_AREA_SIZE];
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* lib = std::getenv("ORULIB");
  static std::string dir = lib ? lib : "build-fuzz/lib";
  ws.Lib_dir = dir.c_str();
  if (Load_lex((dir + "/lextbl.en").c_str()) != 0) std::abort();
  ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
  ws.Work_end = work + sizeof work;
  // Wired as the interpreter is: the core frees a program's path through a
  // hook, which does nothing unwired (every loaded program leaked its path).
  App_wire();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 200000) return 0;
  ws.Work_ptr = work;
  Exercise_program_bytes(data, size);
  return 0;
}
