// Errors: every failure is an error number (err::, core/error_numbers.h)
// raised with Rpt_error, which runs the exit hook of the operation in
// progress and throws Oru_error.  The recovery points (the executor, the
// console loop, nested execution) catch it; the executor then asks
// Recover_error (core/error_recovery.h) where execution goes on (a busy
// retry, an ERR= branch, the SETERR line, or a stop with the console report).
// Code that must clean up on the way out uses an RAII guard; code that must
// catch an error locally opens a Catch_region and uses try/catch.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/error_numbers.h"

struct Oru_error {
  int no;
};

[[noreturn]] void Rpt_error(int n);
// Runs the body of a statement that compiles as a plain token sequence (the
// compiler takes any tokens after its keyword): a code that is no operand
// where the body evaluates one, which in compiled code means damage (error
// 49), is the user's syntax error there (20).
template <class F>
void As_token_form(F body) {
  try {
    body();
  } catch (const Oru_error& e) {
    if (e.no != err::INTERNAL_CODE) throw;
    Rpt_error(err::SYNTAX);
  }
}
// Raise n with an extended error text (read back by programs as message -1).
[[noreturn]] void Rpt_error_text(int n, const std::string& text);
// Raise error 0 (with an extended text) that is reported at once and never
// retried as a busy record: the retry limit of the statement does not
// matter, whatever guards restore it on the way out (a link that ended).
[[noreturn]] void Rpt_busy_final(const std::string& text);
// The last error raised came from Rpt_busy_final.
bool Err_busy_final();
// A call into a part of the system that is not built yet: error 99 naming it.
[[noreturn]] void Not_built(const char* what);
// Sets (or with an empty text clears) the extended error text.
void Set_ext_error(const std::string& text);
// Text a peer sent (a server's error message, a TLS library's account of
// the other side) as it may be shown: each control byte (below 32, 127, and
// 128-159, the Latin-1 controls) becomes a backslash and three octal digits,
// so that a server cannot move the cursor or retitle the terminal through an
// error report or MSG(-1).
std::string Peer_text(std::string_view text);
// The extended error text (message -1); empty when none.
const std::string& Ext_error_text();
// Replaces the extended text by text + " (err/ret=errno/ret)"; ret -1 stands
// for errno.  A null text only clears it.  Returns result.
int SetExtendedErrorMessage(const char* text, int ret, int result);
// Sets the extended text, then raises n; n == -1 returns -1 instead.
int OS_error(const char* text, int ret, int n);
// Raises the error that matches errno (ENOENT 12, busy 0, others 256 + errno).
[[noreturn]] void Sys_error();
// The error number Sys_error raises for errno e (without raising it).
int Sys_error_no(int e);

// ws.Pgm_flags2 / ws.Cmd_flags bits of the error path.
enum : uint32_t {
  PGM2_IN_SETERR = 16,   // the SETERR handler runs: its errors are not caught again
  CMD_ESC_OPTION = 64,   // SETESC lines are not taken by an escape (SETESC STOP)
  CMD_ESC_NO_PGM = 128,  // the escape-handler program is not called (SETESC DISABLE)
  CMD_EXIT_ERR = 0x200,  // the error came back from a called program
};
// SETERR forms
constexpr uint32_t SETERR_RETRY = 65001;
constexpr uint32_t SETERR_SKIP = 65002;

// ---- defined in core/error_recovery.cpp (the recovery points' own calls,
// Recover_error and Report_error, are in core/error_recovery.h) ----

// The ERR= option of the statement: at the cursor (Chk_err), or the first
// one at p's bracket level from p up to the end of the statement or the ')'
// that closes that level (Err_scan_from), or so from ws.Stmt_save (Err_scan,
// which clears it).  A found ERR= sets ws.Err_line.
void Chk_err();
void Err_scan_from(uint8_t* p);
void Err_scan();

// A directive whose operands may end with ", ERR=line": the cursor stands at
// that clause (a "," then ERR=).
bool At_err_tail();
// Runs a directive's body with its trailing ", ERR=line" clause in force: the
// clause takes every error the operands raise, and once the body has read
// them the cursor steps over it.
void Err_tail_run(void (*body)());

// The record of the last error (programs read it back item by item).
void SaveErrData();
// Item name in the string accumulator (case-blind): a number item leaves the
// number in the numeric accumulator (ws.Str_len -1), a text item its text;
// "*" gives all names, each followed by ","; an unknown name an empty text.
void GetErrData();
// The same for C++ callers: true for a number item.
bool Err_data_item(const std::string& name, int32_t* num, std::string* text);

// The exit hook of an operation: Rpt_error calls it (once) before the error
// leaves.  Installs the hook for the life of the guard, restoring the old one.
class Err_hook_guard {
 public:
  explicit Err_hook_guard(void (*hook)());
  ~Err_hook_guard();
  Err_hook_guard(const Err_hook_guard&) = delete;
  Err_hook_guard& operator=(const Err_hook_guard&) = delete;
 private:
  void (*saved_)();
};

// A local catch region (TruErrJump ... ClrErrJump): while it lives the
// operation's exit hook is suspended, so an error raised inside reaches the
// region's catch clause with nothing run on its behalf; the old hook is back
// when the region ends, on every path.
class Catch_region {
 public:
  Catch_region();
  ~Catch_region();
  Catch_region(const Catch_region&) = delete;
  Catch_region& operator=(const Catch_region&) = delete;
 private:
  void (*saved_)();
};

