// Fuzzes class definitions: the input's lines become the body of a DEF
// CLASS (numbered from 20), and the definition is read as DEF CLASS reads
// it.  Any text must give a class or an error number, never a crash, a
// read outside a line or a leak; nothing of the body ever runs.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/wiring.h"
#include "channels/channel.h"
#include "core/compiler.h"
#include "core/errors.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "programs/objects.h"

namespace {
uint8_t work[WORK_AREA_SIZE];

void store(const std::string& text) {
  std::vector<uint8_t> out;
  if (Compile_text(text, out) != 0) return;
  ws.Work_ptr = work;
  uint8_t* b = Work_take(out.size());
  std::memcpy(b, out.data(), out.size());
  ws.Str_ptr = b;
  ws.Str_len = int32_t(out.size());
  try {
    Add_line();
  } catch (const Oru_error&) {
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* lib = std::getenv("ORULIB");
  static std::string dir = lib ? lib : "build-fuzz/lib";
  ws.Lib_dir = dir.c_str();
  if (Load_lex((dir + "/lextbl.en").c_str()) != 0) std::abort();
  ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
  ws.Work_end = work + sizeof work;
  App_wire();  // the drivers of every kind
  Channels_init();  // LIKE and PROGRAM look for files
  // ...in an empty directory of the run's own: no class file is found.
  char tmpl[] = "/tmp/oru_fuzz_classdef_XXXXXX";
  if (!mkdtemp(tmpl) || chdir(tmpl) != 0) std::abort();
  Oop_init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 20000) return 0;
  ws.Con_flags = 0;
  ws.Cur_stno = 0;
  Clr_lines();
  Clr_variables();
  store("10 DEF CLASS \"FZ\"");
  std::string line;
  int n = 20;
  for (size_t i = 0; i <= size && n < 5000; i++) {
    if (i == size || data[i] == '\n') {
      store(std::to_string(n) + " " + line);
      n += 10;
      line.clear();
      continue;
    }
    uint8_t c = data[i];
    line += (c < 32 || c >= 127) ? ' ' : char(c);
  }
  ws.Work_ptr = work;
  try {
    Find_line(10);
    ws.Cur_stno = 10;
    ws.Exec_ptr = ws.Stmt_ptr = ws.Str_ptr + 2 + 3;  // after DEF CLASS
    OopLoadClass();
  } catch (const Oru_error&) {
  }
  OopClrNames();
  Clr_lines();
  Clr_variables();
  return 0;
}
