// ULEX: the user lexicon.
//   ULEX "alias","keyword" [, "alias","keyword" ...]   aliases, newest first
//   ULEX CLEAR                                         drops every alias
//   ULEX LOAD name                                     another lexicon file
// A name beginning "*" is looked for in the library directory.
#include <string>

#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/lexicon.h"
#include "core/messages.h"
#include "core/workspace.h"

namespace {

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0 || c == code::END_SCAN; }

std::string str_operand() {
  Eval_str();
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

}  // namespace

namespace {

void ulex_body() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_CLEAR) {
    ws.Exec_ptr++;
    Lex_clear_aliases();
    return;
  }
  if (c == code::D_LOAD) {
    ws.Exec_ptr++;
    std::string name = str_operand();
    if (name.empty()) Rpt_error(err::STRING_LENGTH);
    std::string path = name[0] == '*' ? Lib_dir_path() + "/" + name.substr(1) : Path_convert(name);
    int err = Load_lex(path.c_str());
    if (err) Rpt_error(err);
    return;
  }
  for (;;) {
    std::string alias = str_operand();
    if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
    ws.Exec_ptr++;
    std::string keyword = str_operand();
    int err = Lex_add_alias(alias, keyword);
    if (err) Rpt_error(err);
    if (*ws.Exec_ptr != code::COMMA || At_err_tail()) break;
    ws.Exec_ptr++;
  }
  if (!stmt_end(*ws.Exec_ptr) && !At_err_tail()) Rpt_error(err::SYNTAX);
}

}  // namespace

void d_ulex() { Err_tail_run(ulex_body); }
