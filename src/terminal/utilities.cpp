// GUI directives that a text terminal serves with utility programs of the
// library: MSGBOX, MENU_BAR, CLIPBOARD, SYSTEM_HELP, GET_FILE, MULTI_MEDIA.
//
// A utility lives in the library's "_ext" folder (library level 6, which
// that folder gives), else in "_text" or "_ext" by kind; "system/" + name in
// the same folder is tried next.  CallEntry calls the utility at the entry
// label its operation keyword selects, with the statement's remaining
// operands as arguments.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/messages.h"
#include "core/startup.h"
#include "core/workspace.h"
#include "programs/call_directives.h"
#include "terminal/help_menu.h"
#include "terminal/terminal.h"

namespace {

bool regular_file(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool thin_client() { return ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT); }

// The path of a utility program and whether it exists.
bool PathToUtility(std::string& path, const std::string& name, const char* kind) {
  std::string dir = Lib_dir_path() + (Lib_level >= 6 ? std::string("/_ext/") : std::string("/") + kind + "/");
  path = dir + name;
  if (regular_file(path)) return true;
  std::string sys = dir + "system/" + name;
  if (regular_file(sys)) {
    path = sys;
    return true;
  }
  return false;
}

std::string utility(const char* name) {
  std::string path;
  if (!PathToUtility(path, name, "_text"))
    Rpt_error_text(10, std::string("no utility program \"") + name + "\" in the library");
  return path;
}

void skip_comma() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) ++ws.Exec_ptr;
}

// The utility at the label of the operation keyword at the cursor.  The
// labels that are keywords of the language (Read, Write, On ...) cannot be
// written as labels: they are spelled with a trailing '_' (Read_, Write_).
void CallEntry(const char* name) {
  std::string path = utility(name);
  const char* label = "Normal";
  uint8_t c = *ws.Exec_ptr;
  switch (c) {
    case 61: label = "Off_"; break;
    case code::D_ON: label = "On_"; break;
    case code::D_CLEAR: label = "Clear_"; break;
    case code::D_DIRECTORY: label = "Directory_"; break;
    case code::D_GOTO: label = "Goto_"; break;
    case code::D_READ: label = "Read_"; break;
    case code::D_REMOVE: label = "Remove_"; break;
    case code::D_RESET: label = "Reset_"; break;
    case code::D_WRITE: label = "Write_"; break;
    case code::EXT_DIR:
      label = ws.Exec_ptr[1] == 169 ? "Disable_" : ws.Exec_ptr[1] == 170 ? "Enable_" : "Extend";
      ++ws.Exec_ptr;
      break;
    default: c = 0; break;
  }
  if (c) {
    ++ws.Exec_ptr;
    if (c == code::D_READ && *ws.Exec_ptr == code::D_LIST) {
      ++ws.Exec_ptr;
      label = "Read_List";
    }
    skip_comma();
  }
  ArgProcess(path + ";" + label);
}

Let_target help_target() {
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(20);
  ++ws.Exec_ptr;
  Need_operand();
  ws.Cur_var = nullptr;
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  if (t.str_len < 0) Rpt_error(26);
  return t;
}

void assign(const Let_target& t, const std::string& s) {
  uint8_t* p = Work_take(s.size() + 1);
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
  Let_assign(t);
}

// SYSTEM_HELP FOR col,line,entry$,path$: the help-menu entry for the word at
// col, line of the console's current window (relative to its origin).
void help_menu_form() {
  ++ws.Exec_ptr;
  Need_operand();
  int32_t col = Eval_integer();
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(20);
  ++ws.Exec_ptr;
  int32_t line = Eval_integer();
  Let_target entry_t = help_target();
  Let_target path_t = help_target();
  Chk_err();
  if (!(*ws.Exec_ptr == code::END_SCAN || (Cde_tbl[*ws.Exec_ptr] & CC_STMT_END))) Rpt_error(20);
  if (thin_client()) Not_built("help-menu texts of the thin client's windows");
  Fcb* f = ws.Con_fcb;
  std::string text;
  if (Is_screen(f)) {
    const Window_rec& w = Dev(f)->win;
    if (col < 0 || col > w.cols || line < 0 || line > w.lines) Rpt_error(41);
    if (line < w.lines && w.chars) {
      const uint8_t* row = w.chars + size_t(w.line0 + line) * size_t(w.stride) + size_t(w.col0);
      text.assign(reinterpret_cast<const char*>(row), size_t(w.cols));
    }
  } else if (col < 0 || line < 0) {
    Rpt_error(41);  // a console without a screen image has no text to look at
  }
  std::string entry, path;
  Help_menu_text(text, col, entry, path);
  assign(entry_t, entry);
  assign(path_t, path);
}

}  // namespace

// MSGBOX text [, title [, options [, answer]]]
void d_wmbx() {
  if (thin_client()) Not_built("message boxes on the thin client");
  ArgProcess(utility("msgbox"));
}

void d_mbar() {
  if (thin_client()) Not_built("menu bars on the thin client");
  CallEntry("menu_bar");
}

void d_clip() {
  if (thin_client()) Not_built("the clipboard of the thin client");
  CallEntry("clip_brd");
}

void d_odlg() { CallEntry("get_file"); }

void d_mmed() {
  if (thin_client()) Not_built("multimedia on the thin client");
  ArgProcess(utility("m_media"));
}

// SYSTEM_HELP [PRINT|EDIT] text ...: help shown, printed or edited by the
// utilities; the FOR form (help-menu texts) belongs to the thin client.
void d_shlp() {
  if (*ws.Exec_ptr == code::D_FOR) {
    help_menu_form();
    return;
  }
  if (thin_client()) Not_built("help on the thin client");
  const char* name = "sys_help";
  if (*ws.Exec_ptr == code::D_PRINT) name = "sys_print";
  else if (*ws.Exec_ptr == code::D_EDIT) name = "sys_edit";
  if (name[4] != 'h') {
    ++ws.Exec_ptr;
    skip_comma();
  }
  std::string path = utility(name);
  ArgProcess(path + ";Normal");
}
