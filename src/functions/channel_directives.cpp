// Directives on channels: SDEV (device options and the task strings), SFID
// (a channel's file id), DPRT (a device's columns and lines) and LNSW (the
// console switched to another channel).
#include <string>
#include <vector>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/workspace.h"
#include "functions/channel_access.h"
#include "functions/task_strings.h"

namespace {

constexpr uint8_t TOK_TSK = 119;  // TSK(

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// The channel of the statement, which must be open (error 13).
uint16_t open_channel() {
  ws.Stmt_save = ws.Stmt_ptr;
  uint16_t ch = Channel_operand();
  if (!Channel_is_open(ch)) Rpt_error(13);
  return ch;
}

[[noreturn]] void no_channel_records(const char* what) {
  Not_built((std::string(what) + " (channel records of the channel layer)").c_str());
}

}  // namespace

// SDEV TSK(text, ...): appends the texts to the task strings (all or none).
// SDEV (channel) ...: the channel's I/O program, separator, key names,
// stored I/O list or terminal id.
void d_sdev() {
  if (*ws.Exec_ptr == TOK_TSK) {
    ++ws.Exec_ptr;
    std::vector<std::string> texts;
    for (;;) {
      Eval_str();
      texts.emplace_back(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      if (*ws.Exec_ptr != code::COMMA) break;
      ++ws.Exec_ptr;
    }
    if (*ws.Exec_ptr != code::RPAREN) Rpt_error(20);
    ++ws.Exec_ptr;
    for (const std::string& t : texts) Task_string_add(t);
    return;
  }
  open_channel();
  no_channel_records("SDEV of a channel");
}

void d_sfid() {
  open_channel();
  no_channel_records("SFID");
}

void d_dprt() {
  open_channel();
  no_channel_records("DPRT");
}

// LNSW: the console goes back to its own channel (it never left it while
// no other channel can be a console); LNSW channel or name: switches it.
void d_lnsw() {
  if (stmt_end(*ws.Exec_ptr)) return;
  Eval_formula();
  if (ws.Str_len >= 0) Not_built("LNSW to a file name (OPEN of the channel layer)");
  int32_t ch = To_integer(ws.Num_acc);
  if (ch < 0 || ch > 65000) Rpt_error(41);
  if (ch == 0) return;
  if (!Channel_is_open(uint16_t(ch))) Rpt_error(13);
  no_channel_records("LNSW");
}
