// MESSAGE_LIB [keyword] names: opens and closes message libraries.
//
//   MESSAGE_LIB "a"+FS+"b"      closes every open library, then opens b and
//                               a (the list is taken from its last name to
//                               its first, so a becomes current)
//   MESSAGE_LIB ADD names       opens more, keeping the open ones
//   MESSAGE_LIB DROP names      closes the libraries of those names (12 none)
//   MESSAGE_LIB POP             closes the current one (12 none)
//
// Names are separated by the field separator (parameter FS).  An empty list
// with a keyword is error 10; without one it only closes all.
#include "terminal/message_lib.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/open.h"
#include "channels/record_io.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

std::vector<Fcb*> open_libraries() {
  std::vector<Fcb*> out;
  for (Fcb* f = ws.Fcb_list; f; f = f->next)
    if (f->channel == MSGLIB_CHANNEL) out.push_back(f);
  return out;
}

void close_library(Fcb* f) {
  Io_save_guard io;
  CloseFile(f);
}

void close_all() {
  for (Fcb* f : open_libraries()) close_library(f);
}

void open_library(const std::string& name) {
  Io_save_guard io;
  // A name beginning '*' names a file of the library directory: the search
  // path finds those by that mark itself.
  Open_internal(MSGLIB_CHANNEL, name, IO_INPUT_ONLY);
}

bool names_it(const Fcb* f, const std::string& name) {
  if (!f->path) return false;
  return (f->path->path && name == f->path->path) || (f->path->name && name == f->path->name);
}

}  // namespace

bool Msglib_lookup(std::string_view key, std::string* text) {
  if (key.empty()) return false;
  for (Fcb* f : open_libraries()) {
    int32_t keep_len = ws.Str_len;
    uint8_t* keep_ptr = ws.Str_ptr;
    int rc = Read_by_key(f, reinterpret_cast<const uint8_t*>(key.data()), int32_t(key.size()), -1);
    std::string rec;
    if (rc == 0) rec.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    ws.Str_ptr = keep_ptr;
    ws.Str_len = keep_len;
    if (rc != 0) continue;  // not in this library (or unreadable): the next one
    size_t sep = rec.find(char(prmblk.FS));
    *text = sep == std::string::npos ? rec : rec.substr(sep + 1);
    // The record's own closing separator is not part of the text.
    if (!text->empty() && uint8_t(text->back()) == prmblk.FS) text->pop_back();
    return true;
  }
  return false;
}

std::string Msglib_names() {
  std::vector<Fcb*> libs = open_libraries();
  std::string out;
  for (size_t i = 0; i < libs.size(); ++i) {
    const Fcb* f = libs[i];
    if (f->path) out += f->path->name ? f->path->name : f->path->path ? f->path->path : "";
    if (i + 1 < libs.size() || libs.size() >= 2) out += char(prmblk.FS);
  }
  return out;
}

static void d_msgl_body() {
  ws.Stmt_save = ws.Stmt_ptr;
  enum { NONE, ADD, DROP, POP } kind = NONE;
  uint8_t c = *ws.Exec_ptr;
  if (c == code::EXT_DIR) {
    kind = ws.Exec_ptr[1] == code::X_POP ? POP : ADD;  // ADD and other extended keywords keep the open ones
    ws.Exec_ptr += 2;
  } else if (c == code::D_DROP) {
    kind = DROP;
    ++ws.Exec_ptr;
  }
  if (kind == POP) {
    if (At_err_tail()) ++ws.Exec_ptr;
    Chk_err();
    if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
    std::vector<Fcb*> libs = open_libraries();
    if (libs.empty()) Rpt_error(err::FILE_NOT_FOUND);
    close_library(libs.front());
    return;
  }
  if (kind != NONE && *ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
  std::string list;
  if (!stmt_end(*ws.Exec_ptr) && !(*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4)) {
    Eval_str();
    list.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ++ws.Exec_ptr;
  Chk_err();
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
  std::vector<std::string> names;
  size_t at = 0;
  while (at <= list.size() && !list.empty()) {
    size_t sep = list.find(char(prmblk.FS), at);
    if (sep == std::string::npos) sep = list.size();
    if (sep > at) names.push_back(list.substr(at, sep - at));
    at = sep + 1;
  }
  if (names.empty() && kind != NONE) Rpt_error(err::BAD_FILE_NAME);
  if (kind == NONE) close_all();
  for (size_t i = names.size(); i-- > 0;) {
    const std::string& name = names[i];
    if (kind == DROP) {
      Fcb* found = nullptr;
      for (Fcb* f : open_libraries())
        if (names_it(f, name)) {
          found = f;
          break;
        }
      if (!found) Rpt_error(err::FILE_NOT_FOUND);
      close_library(found);
      continue;
    }
    open_library(name);
  }
}
void d_msgl() { As_token_form(d_msgl_body); }
