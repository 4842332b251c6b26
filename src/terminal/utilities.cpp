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

#include <string>

#include "channels/channel.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/messages.h"
#include "core/startup.h"
#include "core/workspace.h"
#include "programs/call_directives.h"
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
  if (*ws.Exec_ptr == code::D_FOR) Not_built("help-menu texts of SYSTEM_HELP (the thin client)");
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
