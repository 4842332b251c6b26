// The handler tables indexed by code bytes, their registration at start-up,
// and the dispatch of built-in functions and system variables (Ret_function,
// Ret_value).  The directive loop itself is in executor.cpp.
#include "core/dispatch.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/lexicon.h"
#include "core/workspace.h"

namespace {

// The keyword of a code for the error text (the number when the lexicon
// does not know it).
std::string keyword(uint8_t code, uint8_t second) {
  if (Lex_loaded()) {
    try {
      bool nothing = false;
      std::string_view t = Lex_text(code, second, &nothing);
      if (!t.empty()) return std::string(t);
    } catch (const Oru_error&) {
      // no listing text: the number below
    }
  }
  return second ? std::to_string(code) + " " + std::to_string(second) : std::to_string(code);
}

// The unwired slots: the cursor is just past the code (dir_jmp) or the
// second byte (ext_jmp) that selected them.
void dir_unwired() {
  Not_built(("the statement " + keyword(ws.Exec_ptr[-1], 0) + " (its layer is not wired)").c_str());
}
void ext_unwired() {
  Not_built(("the statement " + keyword(code::EXT_DIR, ws.Exec_ptr[-1]) + " (its layer is not wired)").c_str());
}
void fnc_unwired() { Not_built("built-in functions (their layer is not wired)"); }
void val_unwired() { Not_built("system variables (their layer is not wired)"); }

template <typename T, size_t N>
constexpr std::array<T, N> filled(T v) {
  std::array<T, N> a{};
  for (auto& x : a) x = v;
  return a;
}

[[noreturn]] void wiring_fault(const char* table, int code) {
  std::fprintf(stderr, "oru: wiring fault: %s %d registered twice with different handlers\n", table, code);
  std::abort();
}

// String results of functions restore the statement's error context when
// the function returns.  When an error leaves the function, the context
// stays as the function set it, so an ERR= clause inside the function takes
// that error.
struct Err_context_guard {
  uint8_t* stmt_save = ws.Stmt_save;
  uint32_t err_line = ws.Err_line;
  int unwinding = std::uncaught_exceptions();
  ~Err_context_guard() {
    if (std::uncaught_exceptions() > unwinding) return;
    ws.Stmt_save = stmt_save;
    ws.Err_line = err_line;
  }
};

constexpr uint8_t FNC_CALL = 88;  // FN: call of a user-defined function

}  // namespace

// Constant-initialised: no static initialiser, whatever the link order.
std::array<Dir_fn, DIR_SLOTS> dir_jmp = filled<Dir_fn, DIR_SLOTS>(dir_unwired);
std::array<Dir_fn, EXT_SLOTS> ext_jmp = filled<Dir_fn, EXT_SLOTS>(ext_unwired);
std::array<Fnc_handler, ALL_FNC_SLOTS> Fnc_all = filled<Fnc_handler, ALL_FNC_SLOTS>(fnc_unwired);
std::array<Fnc_handler, JMP_VAL_SLOTS> Jmp_val = filled<Fnc_handler, JMP_VAL_SLOTS>(val_unwired);
std::array<Fnc_handler, EXT_VAL_SLOTS> Ext_val = filled<Fnc_handler, EXT_VAL_SLOTS>(val_unwired);

void Register_directives(std::span<const Dir_reg> list) {
  for (const Dir_reg& r : list) {
    if (r.code < code::EXT_DIR || r.code > code::DIR_LAST || !r.fn) wiring_fault("directive", r.code);
    Dir_fn& slot = dir_jmp[r.code - code::EXT_DIR];
    if (slot != dir_unwired && slot != r.fn) wiring_fault("directive", r.code);
    slot = r.fn;
  }
}

void Register_extended(std::span<const Dir_reg> list) {
  for (const Dir_reg& r : list) {
    if (r.code < code::X_ADD || r.code > code::X_WITH || !r.fn) wiring_fault("extended directive", r.code);
    Dir_fn& slot = ext_jmp[r.code - code::X_ADD];
    if (slot != ext_unwired && slot != r.fn) wiring_fault("extended directive", r.code);
    slot = r.fn;
  }
}

void Register_functions(std::span<const Fnc_handler, ALL_FNC_SLOTS> fnc,
                        std::span<const Fnc_handler, JMP_VAL_SLOTS> jmp_val,
                        std::span<const Fnc_handler, EXT_VAL_SLOTS> ext_val) {
  for (size_t i = 0; i < fnc.size(); ++i) {
    if (!fnc[i]) wiring_fault("function slot", int(i));
    Fnc_all[i] = fnc[i];
  }
  for (size_t i = 0; i < jmp_val.size(); ++i) Jmp_val[i] = jmp_val[i];
  for (size_t i = 0; i < ext_val.size(); ++i) Ext_val[i] = ext_val[i];
}

void Dispatch_reset() {
  // The statement loop's own ways through CALL and EXIT lead to the slots
  // again.
  Call_exit_path = Call_exit_paths{};
  dir_jmp.fill(dir_unwired);
  ext_jmp.fill(ext_unwired);
  Fnc_all.fill(fnc_unwired);
  Jmp_val.fill(val_unwired);
  Ext_val.fill(val_unwired);
}

bool Dir_wired(uint8_t c) {
  return c >= code::EXT_DIR && c <= code::DIR_LAST && dir_jmp[c - code::EXT_DIR] != dir_unwired;
}
bool Ext_wired(uint8_t b) { return b >= code::X_ADD && b <= code::X_WITH && ext_jmp[b - code::X_ADD] != ext_unwired; }
bool Fnc_wired(int slot) { return slot >= 0 && slot < ALL_FNC_SLOTS && Fnc_all[size_t(slot)] != fnc_unwired; }

std::vector<std::string> Dispatch_unwired() {
  std::vector<std::string> out;
  for (int c = code::EXT_DIR; c <= code::DIR_LAST; ++c)
    if (!Dir_wired(uint8_t(c))) out.push_back("directive " + std::to_string(c));
  for (int b = code::X_ADD; b <= code::X_WITH; ++b)
    if (!Ext_wired(uint8_t(b))) out.push_back("extended directive " + std::to_string(b));
  for (int i = 0; i < ALL_FNC_SLOTS; ++i)
    if (!Fnc_wired(i)) out.push_back("function slot " + std::to_string(i));
  for (int i = 0; i < JMP_VAL_SLOTS; ++i)
    if (Jmp_val[size_t(i)] == val_unwired) out.push_back("system variable " + std::to_string(0x0C + i));
  for (int i = 0; i < EXT_VAL_SLOTS; ++i)
    if (Ext_val[size_t(i)] == val_unwired) out.push_back("system variable 12 " + std::to_string(0x0D + i));
  return out;
}

// ---- the core's own directives ----

void Core_register_directives() {
  static constexpr Dir_reg directives[] = {
      {code::EXT_DIR, d_extd},
      {code::D_CLEAR, d_clea},
      {code::D_DELETE, d_dele},
      {code::D_DIM, d_dim},
      {code::D_END_IF, d_xtif},
      {code::D_EDIT, d_edit},
      {code::D_ELSE, d_else},
      {code::D_END, d_end},
      {code::D_ESCAPE, d_esca},
      {code::D_EXITTO, d_exto},
      {code::D_FLOATING_POINT, d_floa},
      {code::D_FOR, d_for},
      {code::D_GOSUB, d_gosu},
      {code::D_GOTO, d_goto},
      {code::D_IF, d_if},
      {code::D_INVOKE, d_invo},
      {code::D_LET, d_let},
      {code::D_LIST, d_list},
      {code::D_NEXT, d_next},
      {code::D_ON, d_on},
      {code::D_PRECISION, d_prec},
      {code::D_QUIT, d_quit},
      {code::D_RANDOM, d_rand},
      {code::D_REM, d_rem},
      {code::D_COMMENT, d_remc},
      {code::D_RENUMBER, d_reno},
      {code::D_RETRY, d_retr},
      {code::D_ROUND, d_roun},
      {code::D_RESET, d_rset},
      {code::D_RETURN, d_rtrn},
      {code::D_RUN, d_run},
      {code::D_VIA, d_via},
      {code::D_SETERR, d_serr},
      {code::D_SETESC, d_sesc},
      {code::D_STOP, d_stop},
      {code::D_SWAP, d_swap},
      {code::D_WAIT, d_wait},
      {code::D_WEND, d_wend},
      {code::D_WHILE, d_whil},
      {code::D_DFMT, d_dfmt},
      {code::D_SWITCH, d_swit},
      {code::D_END_SWITCH, d_eswt},
  };
  static constexpr Dir_reg extended[] = {
      {code::X_SETDAY, d_sday},
      {code::X_SETTIME, d_stim},
      {code::X_SET_PARAM, d_sprm},
      {code::X_AUTO, d_auto},
      {code::X_ULEX, d_ulex},
      {code::X_REPEAT, d_rept},
      {code::X_UNTIL, d_untl},
      {code::X_CASE, d_case},
      {code::X_BREAK, d_brea},
      {code::X_CONTINUE, d_cont},
      {code::X_DEFAULT, d_dflt},
      {code::X_LOCAL, d_locl},
      {code::X_POP, d_pop},
      {code::X_REDIM, d_rdim},
      {code::X_WITH, d_with},
  };
  Register_directives(directives);
  Register_extended(extended);
}

// ---- functions and system variables ----

void Fnc_error() { Rpt_error(err::INTERNAL_CODE); }

void Fnc_extend() {
  int i = ext_index(*ws.Exec_ptr++);
  if (i < 0) Rpt_error(err::INTERNAL_CODE);
  Fnc_all.data()[i]();
}

int Ret_function(uint8_t c) {
  Err_context_guard guard;
  Fnc_handler h;
  if (c == code::XFNC_PREFIX || c == code::ALT_FNC) {
    uint8_t b = *ws.Exec_ptr++;
    int i = c == code::XFNC_PREFIX ? ext_index(b) : alt_index(b);
    if (i < 0) Rpt_error(err::INTERNAL_CODE);
    h = Fnc_all.data()[i];
  } else if (c > code::XFNC_PREFIX && c <= code::FNC_LAST) {
    // A signed index into the data: the compiler folds the -72 into the
    // address of the call.
    h = Fnc_all.data()[c - code::XFNC_PREFIX];
  } else {
    Rpt_error(err::INTERNAL_CODE);
  }
  ws.Stmt_save = ws.Exec_ptr;
  h();
  if (c != FNC_CALL) {
    Chk_err();
    if (*ws.Exec_ptr != code::RPAREN) {
      // An argument or an option word this function does not take:
      // ABS(1,2), LEN(S$,KEY=1), HTA(1:2) -- forms the compiler accepts.
      const uint8_t* p = ws.Exec_ptr;
      if (p[0] == code::COMMA || p[0] == code::COLON) Rpt_error(err::SYNTAX);
      Rpt_error(err::INTERNAL_CODE);
    }
    ws.Exec_ptr++;
  }
  return ws.Str_len;
}

int Ret_value(uint8_t c) {
  ws.Str_len = -1;
  Fnc_handler h = nullptr;
  if (c == code::EXT_SYSVAR) {
    uint8_t b = *ws.Exec_ptr++;
    if (b >= 0x0D && b < 0x0D + EXT_VAL_SLOTS) h = Ext_val.data()[b - 0x0D];
  } else if (c > code::EXT_SYSVAR && c < 0x0C + JMP_VAL_SLOTS) {
    h = Jmp_val.data()[c - 0x0C];
  }
  if (!h) Rpt_error(err::INTERNAL_CODE);
  h();
  return ws.Str_len;
}
