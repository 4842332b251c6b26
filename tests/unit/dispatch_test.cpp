// The handler tables of the core, filled at start-up by each layer's
// registration function (core/dispatch.h): once wired, every code the
// lexicon can produce reaches a handler; before, a statement or function
// stops with error 99 naming what is missing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/wiring.h"
#include "console_env.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/dispatch.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/workspace.h"
#include "functions/function_table.h"

namespace {

struct Keyword {
  std::string text;
  int code, second, flags;
};

// The entries of lib/keywords.txt: text (maybe quoted), code, second code, flags.
std::vector<Keyword> lexicon_entries() {
  std::vector<Keyword> out;
  std::ifstream in(ORU_SOURCE_DIR "/lib/keywords.txt");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    Keyword k;
    size_t pos;
    if (line[0] == '"') {
      size_t end = line.find('"', 1);
      if (end == std::string::npos) continue;
      k.text = line.substr(1, end - 1);
      pos = end + 1;
    } else {
      pos = line.find_first_of(" \t");
      if (pos == std::string::npos) continue;
      k.text = line.substr(0, pos);
    }
    std::istringstream rest(line.substr(pos));
    if (rest >> k.code >> k.second >> k.flags) out.push_back(k);
  }
  return out;
}

// The tables as they are, restored after a test that unwires them.
struct Tables_guard {
  decltype(dir_jmp) dir = dir_jmp;
  decltype(ext_jmp) ext = ext_jmp;
  decltype(Fnc_all) fnc = Fnc_all;
  decltype(Jmp_val) jmp_val = Jmp_val;
  decltype(Ext_val) ext_val = Ext_val;
  Call_exit_paths call_exit = Call_exit_path;
  ~Tables_guard() {
    Call_exit_path = call_exit;
    dir_jmp = dir;
    ext_jmp = ext;
    Fnc_all = fnc;
    Jmp_val = jmp_val;
    Ext_val = ext_val;
  }
};

class DispatchTest : public Console_env {
 protected:
  // Runs one compiled statement; returns the error number (0: none).
  static int run(std::initializer_list<uint8_t> stmt) {
    std::vector<uint8_t> line = {0, 0};
    line.insert(line.end(), stmt);
    line.push_back(code::EOL);
    ws.Err_no = 0;
    ws.Exec_ptr = line.data() + 2;
    Exec_line();
    return ws.Err_no;
  }
};

TEST(Dispatch, EveryTableSlotHasAHandlerAfterTheWiring) {
  std::vector<std::string> missing = Dispatch_unwired();
  EXPECT_TRUE(missing.empty()) << missing.size() << " unwired, first: " << (missing.empty() ? "" : missing[0]);
  // Wiring twice registers the same handlers again: no fault.
  App_wire();
  EXPECT_TRUE(Dispatch_unwired().empty());
}

// Every directive, function and system variable of the lexicon reaches a
// handler of its own: no keyword compiles into a code that then fails with
// an internal-code error or error 99 for want of a handler.
// The function tables as registered: a handler that computes from its
// arguments alone is called as it is, any other behind the test for an owed
// save of the current-I/O area (slots as function_table.cpp lists them).
TEST(Dispatch, ComputedHandlersDirectOthersBehindTheAreaTest) {
  EXPECT_EQ(Fnc_all[1], &fnc_abs);
  EXPECT_EQ(Jmp_val[4], &vl_day);
  EXPECT_EQ(Ext_val[0], &vl_sep);
  EXPECT_EQ(Jmp_val[0], nullptr);
  for (Fnc_handler h : {Fnc_all[23], Jmp_val[1]}) {
    EXPECT_NE(h, nullptr);
    EXPECT_NE(h, &fnc_ind);
    EXPECT_NE(h, &vl_who);
  }
}

TEST(Dispatch, EveryKeywordOfTheLexiconReachesAHandler) {
  std::vector<Keyword> words = lexicon_entries();
  ASSERT_GT(words.size(), 300u);
  int directives = 0, functions = 0, variables = 0;
  for (const Keyword& k : words) {
    SCOPED_TRACE(k.text);
    uint8_t c = uint8_t(k.code), b = uint8_t(k.second);
    if (c == code::EXT_DIR && b != 0) {
      EXPECT_TRUE(Ext_wired(b));
      ++directives;
    } else if (c > code::EXT_DIR && c <= code::DIR_LAST) {
      EXPECT_TRUE(Dir_wired(c));
      ++directives;
    } else if (Cde_tbl[c] & CC_FUNCTION) {
      int slot = c == code::XFNC_PREFIX ? ext_index(b) : c == code::ALT_FNC ? alt_index(b) : c - code::XFNC_PREFIX;
      ASSERT_GE(slot, 0);
      EXPECT_TRUE(Fnc_wired(slot));
      EXPECT_NE(Fnc_all[size_t(slot)], &Fnc_error);
      ++functions;
    } else if (Cde_tbl[c] & CC_SYSVAR) {
      if (c == code::EXT_SYSVAR) {
        ASSERT_GE(b, 0x0D);
        ASSERT_LT(b, 0x0D + EXT_VAL_SLOTS);
        EXPECT_NE(Ext_val[size_t(b - 0x0D)], nullptr);
      } else {
        ASSERT_LT(c - 0x0C, JMP_VAL_SLOTS);
        EXPECT_NE(Jmp_val[size_t(c - 0x0C)], nullptr);
      }
      ++variables;
    }
  }
  // The lexicon holds every kind (a parse that found none would pass).
  EXPECT_GT(directives, 150);
  EXPECT_GT(functions, 150);
  EXPECT_GT(variables, 40);
}

// Before its layer registers, a statement or function names itself in an
// error 99 instead of jumping through an empty slot.
TEST_F(DispatchTest, AnUnwiredSlotStopsWithError99NamingTheStatement) {
  Tables_guard keep;
  Dispatch_reset();
  EXPECT_FALSE(Dir_wired(code::D_GOTO));
  EXPECT_EQ(run({code::D_PRINT}), 99);
  EXPECT_NE(Ext_error_text().find("PRINT"), std::string::npos) << Ext_error_text();
  // The extended prefix is the core's: registered, it reaches the unwired
  // second slot, which names its own keyword.
  Core_register_directives();
  EXPECT_TRUE(Dir_wired(code::EXT_DIR));
  EXPECT_FALSE(Ext_wired(code::X_ACCEPT));
  EXPECT_EQ(run({code::EXT_DIR, code::X_ACCEPT}), 99);
  EXPECT_NE(Ext_error_text().find("ACCEPT"), std::string::npos) << Ext_error_text();
  // The core's own statements run; the functions' layer is missing.
  type("X=LEN(\"abc\")");
  EXPECT_EQ(ws.Err_no, 99);
  EXPECT_NE(Ext_error_text().find("built-in functions"), std::string::npos) << Ext_error_text();
  Set_ext_error("");
}

// CALL and EXIT, whose usual forms the statement loop hands to the programs
// layer itself: unwired, they name themselves in an error 99 too, and
// wired again they run.
TEST_F(DispatchTest, CallAndExitUnwiredStopWithError99) {
  {
    Tables_guard keep;
    Dispatch_reset();
    EXPECT_EQ(run({code::D_CALL, code::STR_LIT, 0, 4, 'n', 'o', 'n', 'e'}), 99);  // CALL "none"
    EXPECT_NE(Ext_error_text().find("CALL"), std::string::npos) << Ext_error_text();
    EXPECT_EQ(run({code::D_CALL, code::STR_LIT, 0, 1, 'a', code::OP_ADD, code::STR_LIT, 0, 1, 'b'}), 99);
    EXPECT_NE(Ext_error_text().find("CALL"), std::string::npos) << Ext_error_text();
    EXPECT_EQ(run({code::D_EXIT}), 99);
    EXPECT_NE(Ext_error_text().find("EXIT"), std::string::npos) << Ext_error_text();
    Set_ext_error("");
  }
  // Wired: a program that is not there, and EXIT with no call open.
  EXPECT_EQ(run({code::D_CALL, code::STR_LIT, 0, 4, 'n', 'o', 'n', 'e'}), err::FILE_NOT_FOUND);
  EXPECT_EQ(run({code::D_EXIT}), err::NOT_IN_CALL);
}

TEST(DispatchDeath, RegisteringAnotherHandlerInAFilledSlotIsAWiringFault) {
  static constexpr Dir_reg twice[] = {{code::D_GOTO, d_for}};
  EXPECT_DEATH(Register_directives(twice), "wiring fault: directive 180");
  static constexpr Dir_reg out_of_range[] = {{code::X_WITH + 1, d_for}};
  EXPECT_DEATH(Register_extended(out_of_range), "wiring fault: extended directive 224");
}

}  // namespace
