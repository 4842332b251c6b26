// Expression evaluation: a compiled expression of ten operators over stored
// (indexed) numeric variables, evaluated in a loop.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/decimal.h"
#include "core/evaluator.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

uint8_t work[WORK_AREA_SIZE];

// A+B*C-D/E+F*G-H+I*J-K with A..K holding values of two decimal places.
std::vector<uint8_t> build(std::vector<Var_node*>& table) {
  const char* names = "ABCDEFGHIJK";
  const uint8_t ops[] = {code::OP_ADD, code::OP_MUL, code::OP_SUB, code::OP_DIV, code::OP_ADD,
                         code::OP_MUL, code::OP_SUB, code::OP_ADD, code::OP_MUL, code::OP_SUB};
  std::vector<uint8_t> b;
  for (int i = 0; i < 11; ++i) {
    Var_node* v = Find_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(names + i), 1);
    v->num.mant = 125 + 37 * i;  // 1.25, 1.62, ...
    v->num.scale = 2;
    table.push_back(v);
    b.push_back(code::NUM_VAR);
    b.push_back(0x80);
    b.push_back(uint8_t(i));
    if (i < 10) b.push_back(ops[i]);
  }
  b.push_back(code::EOL);
  return b;
}

void BM_EvalTenOperators(benchmark::State& state) {
  ws.Work_base = ws.Work_ptr = work;
  ws.Work_end = work + sizeof work;
  ws.Precision = 2;
  std::vector<Var_node*> table;
  std::vector<uint8_t> code_bytes = build(table);
  ws.Var_index = table.data();
  ws.Var_index_cnt = uint32_t(table.size());
  for (auto _ : state) {
    ws.Exec_ptr = code_bytes.data();
    ws.Work_ptr = work;
    Eval_val();
    benchmark::DoNotOptimize(ws.Num_acc);
  }
  ws.Var_index = nullptr;
  ws.Var_index_cnt = 0;
}
BENCHMARK(BM_EvalTenOperators);

}  // namespace

BENCHMARK_MAIN();
