// ADD: the plain form evaluates its text and does nothing further; the
// forms of other subsystems (ADD PROPERTY of objects, ADD INDEX of keyed
// files, ADD SERVER of program servers) name what they wait for.
#include <string>

#include "programs/objects.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/workspace.h"
#include "keyed/index_directives.h"

namespace {

// The name of a plain variable reference at p (inline or indexed), or "".
std::string name_at(const uint8_t* p) {
  if (p[0] != code::NUM_VAR && p[0] != code::STR_VAR) return "";
  if (p[1] & 0x80) {
    uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
    if (idx >= ws.Name_cnt || !ws.Name_index || !ws.Name_pool) return "";
    const uint8_t* nm = ws.Name_pool + ws.Name_index[idx];
    return std::string(reinterpret_cast<const char*>(nm + 1), nm[0]);
  }
  return std::string(reinterpret_cast<const char*>(p + 2), p[1]);
}

}  // namespace

void d_add() {
  const uint8_t* p = ws.Exec_ptr;
  if (p[0] == code::EXT_DIR && p[1] == code::X_PROPERTY) {
    // ADD PROPERTY names: public properties of the running object.
    ws.Exec_ptr += 2;
    ws.Stmt_save = ws.Exec_ptr;  // an ERR= at the end takes the statement's errors
    Err_scan();
    Oop_stat_form(code::X_PROPERTY);
    return;
  }
  if (p[0] == code::PREFIX2 && p[1] == code::P2_SERVER) {
    // ADD SERVER names: properties the thin client's host cache keeps.
    ws.Exec_ptr += 2;
    if (!Client_requests.server_props) Not_built("ADD SERVER (the thin client's property cache)");
    Client_requests.server_props(false);
    return;
  }
  std::string name = name_at(p);
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  if (name == "INDEX" && Index_word_at(p)) {
    ws.Exec_ptr += (p[1] & 0x80) ? 3 : 2 + p[1];
    Add_index_directive();
    return;
  }
  ws.Stmt_save = ws.Exec_ptr;  // an ERR= after the text takes the text's errors
  Err_scan();
  Eval_formula();
  if (*ws.Exec_ptr == code::COMMA) {
    ++ws.Exec_ptr;
    Chk_err();
  }
}
