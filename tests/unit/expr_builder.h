// Builds compiled expression code by hand for the evaluator and LET tests,
// and gives each test a fresh work area, variables and parameters.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"

struct Expr {
  std::vector<uint8_t> b;
  bool ended = false;
  Expr& lit(int64_t mant, int scale = 0) {
    b.push_back(code::NUM_LIT);
    b.push_back(uint8_t(int8_t(scale)));
    uint8_t m[6];
    put_u48be(m, uint64_t(mant));
    b.insert(b.end(), m, m + 6);
    return *this;
  }
  Expr& num(uint16_t v) {
    b.push_back(code::SMALL_INT);
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
    return *this;
  }
  Expr& str(const std::string& s, uint8_t c = code::STR_LIT) {
    b.push_back(c);
    b.push_back(uint8_t(s.size() >> 8));
    b.push_back(uint8_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  // A variable reference in the inline form; a name ending in "$" is a
  // string variable.
  Expr& var(const std::string& name) {
    b.push_back(name.back() == '$' ? code::STR_VAR : code::NUM_VAR);
    b.push_back(uint8_t(name.size()));
    b.insert(b.end(), name.begin(), name.end());
    return *this;
  }
  Expr& op(uint8_t c) {
    b.push_back(c);
    return *this;
  }
  Expr& op(uint8_t c, uint8_t d) {
    b.push_back(c);
    b.push_back(d);
    return *this;
  }
  // Positions the cursor on the code, ended by 255.
  uint8_t* start() {
    if (!ended) b.push_back(code::EOL);
    ended = true;
    ws.Exec_ptr = b.data();
    return b.data();
  }
};

// Fresh interpreter state around every test.
class Eval_env : public ::testing::Test {
 protected:
  static inline uint8_t work[WORK_AREA_SIZE];
  void SetUp() override {
    Clr_variables();
    Clr_glo_var();
    ws.Work_base = ws.Work_ptr = work;
    ws.Work_end = work + sizeof work;
    ws.Prm = Params{};
    ws.Precision = 2;
    ws.Num_flags = 0;
    ws.Math_flags = 0;
    ws.Max_strlen = 32767 * 1024;
    ws.Stmt_ptr = nullptr;
    ws.Var_mask = 0xFFFFFFFF;
    ws.Lit_pool = nullptr;
  }
  void TearDown() override {
    Set_ext_error("");  // the text of a Not_built error would follow the next report
    ws.Err_no = 0;
    Ret_temp();
    Clr_variables();
    Clr_glo_var();
    ws.Max_strlen = 32767 * 1024;  // some tests lower it
  }
  static int error_of(void (*fn)()) {
    try {
      fn();
    } catch (const Oru_error& e) {
      return e.no;
    }
    return 0;
  }
  static std::string acc_string() { return std::string(reinterpret_cast<char*>(ws.Str_ptr), size_t(ws.Str_len)); }
  // The numeric accumulator as mantissa at the given scale (exact).
  static int64_t acc_at(int scale) {
    Num_val v = ws.Num_acc;
    Set_scl(v, scale, -1);
    return v.mant;
  }
  static Var_node* num_var(const char* name) {
    return Find_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
  }
  static Var_node* str_var(const char* name) {
    return Find_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
  }
  static void set_str(Var_node* n, const std::string& s) {
    if (n->str) Ret_str(n->str);
    n->str = Get_str(s.size());
    std::memcpy(n->str->bytes(), s.data(), s.size());
    n->str->len = uint32_t(s.size());
  }
  static std::string str_of(Var_node* n) {
    return n->str ? std::string(reinterpret_cast<char*>(n->str->bytes()), n->str->len) : std::string();
  }
};
