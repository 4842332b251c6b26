// Program files and calls:
//   BM_LoadProgram1000Lines  LOAD at the console of a 1,000-line program
//                            file (read from disk every time: the console
//                            drops idle programs first).  Goal: under 1 ms.
//   BM_CallThreeArguments    CALL of a resident program with three
//                            arguments (a number, a string and a number by
//                            reference) that ENTERs them and EXITs; per call.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/wiring.h"
#include "channels/channel.h"
#include "core/exec_command.h"
#include "core/lexicon.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/workspace.h"
#include "programs/program_list.h"

namespace {

uint8_t work[WORK_AREA_SIZE];

struct Env {
  std::string dir;
  Env() {
    const char* lib = std::getenv("ORULIB");
    static std::string libdir = lib ? lib : "build/lib";
    ws.Lib_dir = libdir.c_str();
    if (Load_lex((libdir + "/lextbl.en").c_str()) != 0) std::abort();
    ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
    ws.Work_end = work + sizeof work;
    Prm_defaults();
    App_wire();  // the drivers of every kind
    Channels_init();
    char tmpl[] = "/tmp/oru_bench_XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    dir = tmpl;
    if (chdir(dir.c_str()) != 0) std::abort();
  }
  ~Env() {
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0) std::abort();
  }
};

Env& env() {
  static Env e;
  return e;
}

void type(const std::string& s) {
  ws.Work_ptr = work;
  ws.Run_flags &= ~uint32_t(RF_STOP | RF_ESCAPE);
  ws.Con_flags = CON_MODE;
  ws.Cur_stno = 0;
  uint8_t* buf = Work_take(s.size() + 1);
  std::memcpy(buf, s.data(), s.size());
  ws.Str_ptr = buf;
  ws.Str_len = int32_t(s.size());
  Exec_command(1);
}

// A program of 1,000 lines as business programs are written: assignments
// over a hundred variables, string building, conditions with jumps to
// lines and labels, subroutines, loops and remarks.
void make_program() {
  type("DELETE");
  for (int i = 1; i <= 1000; i++) {
    std::string n = std::to_string(i * 10) + " ";
    std::string v = "V" + std::to_string(i % 97);
    std::string w = "W" + std::to_string(i % 89);
    switch (i % 8) {
      case 0: type(n + "REM section " + std::to_string(i / 8) + " of the order book"); break;
      case 1: type(n + v + "=" + w + "+" + std::to_string(i) + "*1.5; TOTAL=TOTAL+" + v); break;
      case 2: type(n + "N$=\"customer \"+STR(" + v + ")+\" / \"+C$; L=LEN(N$)"); break;
      case 3: type(n + "IF " + v + ">1000 THEN GOTO " + std::to_string((i + 3) * 10) + " ELSE " + w + "=" + w + "+1"); break;
      case 4: type(n + "LBL" + std::to_string(i) + ": FOR J=1 TO 3; A[J]=A[J]+" + w + "; NEXT J"); break;
      case 5: type(n + "IF " + w + "<0 THEN GOSUB LBL" + std::to_string(i - 1)); break;
      case 6: type(n + "PRINT N$,TOTAL," + v + "," + w + "; RETURN"); break;
      case 7: type(n + "S$=S$+\"x\"; IF LEN(S$)>200 THEN S$=\"\""); break;
    }
  }
  type("SAVE \"bench_program\"");
}

void BM_LoadProgram1000Lines(benchmark::State& state) {
  env();
  make_program();
  type("LOAD \"bench_program\"");
  if (!ws.Pgm_image) state.SkipWithError("the program did not load");
  for (auto _ : state) type("LOAD \"bench_program\"");
  state.counters["bytes"] = double(ws.Pgm_size);
  type("DELETE");
}
BENCHMARK(BM_LoadProgram1000Lines)->Unit(benchmark::kMicrosecond);

void BM_CallThreeArguments(benchmark::State& state) {
  env();
  type("DELETE");
  type("10 ENTER A,B$,C");
  type("20 EXIT");
  type("SAVE \"bench_sub\"");
  type("DELETE");
  type("ADDR \"bench_sub\"");
  type("10 FOR I=1 TO 1000; CALL \"bench_sub\",I,S$,X; NEXT I");
  for (auto _ : state) type("RUN");
  state.SetItemsProcessed(state.iterations() * 1000);
  type("DELETE");
  type("DROP \"bench_sub\"");
}
BENCHMARK(BM_CallThreeArguments)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
