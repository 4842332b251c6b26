// PREFIX, DISABLE and ENABLE over the prefix lists and virtual directories
// of OPEN's path search, and disk operands.
#include "functions/prefix_lists.h"

#include <string>
#include <utility>
#include <vector>

#include "channels/open.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/messages.h"
#include "core/workspace.h"
#include "programs/objects.h"
#include "terminal/controls.h"

namespace {

constexpr int DISKNO_OPERANDS_MAX = 9;

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// Enabling or disabling the list of a disk; error 14 when the disk has no
// list or the list is already in the requested state.
void set_disk_state(bool disable) {
  if (*ws.Exec_ptr == code::PREFIX2) {
    if (ws.Exec_ptr[1] == 72) {  // EVENT
      ws.Exec_ptr += 2;
      DoOruEvent(!disable);
      return;
    }
    // Any other word after the prefix: the control form.
    ws.Exec_ptr += 2;
    Control_enable(disable);
    return;
  }
  int32_t disk = Get_diskno();
  if (disk < 0 || disk > PFX_DISK_LAST) Rpt_error(err::OUT_OF_RANGE);
  std::string l = Pfx_get(disk);
  if (l.empty()) Rpt_error(err::CHANNEL_STATE);
  bool disabled = (uint8_t(l[0]) & 0x80) != 0;
  if (disabled == disable) Rpt_error(err::CHANNEL_STATE);
  l[0] = char(disable ? uint8_t(l[0]) | 0x80 : uint8_t(l[0]) & 0x7F);
  Pfx_set(disk, l);
}

}  // namespace

int32_t Get_diskno() {
  int32_t r = -1;
  for (int i = 0; i < DISKNO_OPERANDS_MAX; ++i) {
    if (i > 0) {
      if (*ws.Exec_ptr != code::COMMA) break;
      ++ws.Exec_ptr;
    }
    Eval_formula();
    if (ws.Str_len >= 0)
      r = ws.Str_len == 0 ? -1 : int32_t(Uppercs[ws.Str_ptr[0]]) - 'A';
    else
      r = To_integer(ws.Num_acc);
    if (r != -2) break;
  }
  return r;
}

// PREFIX FILE name | PREFIX DIRECTORY name, target | PREFIX entry, ...
// where an entry is [(disk) | PROGRAM] [text].  Every entry is checked
// before any list changes.
static void pfx_body() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_FILE) {
    ++ws.Exec_ptr;
    Eval_str();
    SetPfxFile(std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)));
    return;
  }
  if (c == code::D_DIRECTORY) {
    ++ws.Exec_ptr;
    Eval_str();
    std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
    ++ws.Exec_ptr;
    Eval_str();
    Kest_AddVdir(name, std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len)));
    return;
  }
  std::vector<std::pair<int, std::string>> entries;
  for (;;) {
    int slot = PFX_GENERAL;
    if (*ws.Exec_ptr == code::LPAREN) {
      ++ws.Exec_ptr;
      slot = Get_diskno();
      if (slot < 0 || slot > PFX_DISK_LAST) Rpt_error(err::OUT_OF_RANGE);
      if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::SYNTAX);
      ++ws.Exec_ptr;
    } else if (*ws.Exec_ptr == code::D_PROGRAM) {
      ++ws.Exec_ptr;
      slot = PFX_PROGRAMS;
    }
    std::string text;
    c = *ws.Exec_ptr;
    if (!stmt_end(c) && c != code::COMMA) {
      Eval_str();
      text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      // The list is kept as a C string, and bit 7 of its first byte is the
      // disabled mark.
      if (!text.empty() && (uint8_t(text[0]) & 0x80)) Rpt_error(err::BAD_FILE_NAME);
      if (text.find('\0') != std::string::npos) Rpt_error(err::BAD_FILE_NAME);
    }
    entries.emplace_back(slot, std::move(text));
    if (*ws.Exec_ptr != code::COMMA || At_err_tail()) break;
    ++ws.Exec_ptr;
  }
  if (!stmt_end(*ws.Exec_ptr) && !At_err_tail()) Rpt_error(err::SYNTAX);
  for (auto& e : entries) Pfx_set(e.first, e.second);
}

// Every form may end with ", ERR=line".
void d_pfx() { Err_tail_run(pfx_body); }

void d_disa() { set_disk_state(true); }
void d_enab() { set_disk_state(false); }
