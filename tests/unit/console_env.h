// A fresh console around every test: the keyword lexicon, a work area, no
// program, variables or control stack, default parameters.  type() enters a
// line as if it were typed at the console.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/exec_command.h"
#include "core/control_stack.h"
#include "core/codes.h"
#include "core/decimal.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"

class Console_env : public ::testing::Test {
 protected:
  static inline uint8_t work[WORK_AREA_SIZE];

  static void SetUpTestSuite() {
    ws.Lib_dir = ORU_TEST_LIBDIR;
    ASSERT_EQ(Load_lex(ORU_TEST_LIBDIR "/lextbl.en"), 0);
  }
  void SetUp() override {
    ws.Work_base = ws.Work_ptr = ws.Work_mark = work;
    ws.Work_end = work + sizeof work;
    fresh();
  }
  void TearDown() override {
    fresh();
    Set_ext_error("");
    ws.Work_base = ws.Work_ptr = ws.Work_mark = ws.Work_end = nullptr;
  }
  static void fresh() {
    ws.Cur_stno = 0;
    ws.Exec_ptr = ws.Stmt_ptr = nullptr;
    Clr_lines();
    Clr_variables();
    Do_reset();
    ws.Go_cache_ref = 0;
    ws.Stop_stno = 0;
    ws.Stop_ptr = nullptr;
    ws.Run_flags = 0;
    ws.Con_flags = CON_MODE;
    ws.Start_flags = 0;
    ws.Cmd_flags = 0;
    ws.Pgm_flags = 0;
    ws.Prm = Params{};
    ws.Num_flags = 0;
    ws.End_process = false;
    ws.Io_rty = 0;
    ws.Bsy_count = 0;
    ws.Err_flags = 0;
  }

  // Enters one line at the console.
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
  void program(std::initializer_list<const char*> lines) {
    for (const char* l : lines) type(l);
  }
  // Enters the lines one by one; the first that ends in an error stops them,
  // and its number is returned (0: none).
  int type_each(const std::vector<std::string>& lines) {
    for (const std::string& l : lines) {
      ws.Err_no = 0;
      type(l);
      if (ws.Err_no) return ws.Err_no;
    }
    return 0;
  }
  // A variable's value by name: "<none>" or -999 when there is none.
  static std::string var_str(const char* name) {
    Var_node* n = Look_var_name(code::STR_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    if (!n || !n->str) return "<none>";
    return std::string(reinterpret_cast<const char*>(n->str->bytes()), size_t(n->str->len));
  }
  static double var_num(const char* name) {
    Var_node* n = Look_var_name(code::NUM_VAR, reinterpret_cast<const uint8_t*>(name), int(std::strlen(name)));
    return n ? Val_to_dbl(n->num) : -999;
  }
};
