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
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/workspace.h"
#include "terminal/command_window.h"
#include "terminal/gui_client.h"
#include "terminal/gui_objctl.h"
#include "terminal/tc_protocol.h"
#include "terminal/help_menu.h"
#include "terminal/terminal.h"
#include "terminal/program_calls.h"

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
    Rpt_error_text(err::BAD_FILE_NAME, std::string("no utility program \"") + name + "\" in the library");
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
  Term_call_by_name(path + ";" + label);
}

// An optional ",ERR=line" and the end of the statement.
void end_statement() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ++ws.Exec_ptr;
  Chk_err();
  if (!(*ws.Exec_ptr == code::END_SCAN || (Cde_tbl[*ws.Exec_ptr] & CC_STMT_END))) Rpt_error(err::SYNTAX);
}

// A string target (after its ",", or right after a keyword).
Let_target help_target_after_keyword() {
  if (*ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
  Need_operand();
  ws.Cur_var = nullptr;
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  if (t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
  return t;
}

Let_target help_target() {
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
  Need_operand();
  ws.Cur_var = nullptr;
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  if (t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
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
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
  int32_t line = Eval_integer();
  Let_target entry_t = help_target();
  Let_target path_t = help_target();
  end_statement();
  Fcb* f = ws.Con_fcb;
  std::string text;
  if (Is_screen(f)) {
    const Window_rec& w = Dev(f)->win;
    if (col < 0 || col > w.cols || line < 0 || line > w.lines) Rpt_error(err::OUT_OF_RANGE);
    if (line < w.lines && w.chars) {
      const uint8_t* row = w.chars + size_t(w.line0 + line) * size_t(w.stride) + size_t(w.col0);
      text.assign(reinterpret_cast<const char*>(row), size_t(w.cols));
    }
  } else if (col < 0 || line < 0) {
    Rpt_error(err::OUT_OF_RANGE);  // a console without a screen image has no text to look at
  }
  std::string entry, path;
  Help_menu_text(text, col, entry, path);
  assign(entry_t, entry);
  assign(path_t, path);
}

// A GUI service taken over by the handler's service object `name`: the
// operation that op_at reads at the cursor (moving past its keywords), then
// the rest of the statement as the method's arguments.  False, with the
// cursor where it was, when the handler has no such object or it declines.
bool service(const char* name, uint16_t (*op_at)()) {
  if (!KestObjCtlGetObjId(name)) return false;
  uint8_t* at = ws.Exec_ptr;
  uint16_t op = op_at();
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) ++ws.Exec_ptr;
  Arg_rec* args = nullptr;
  if (!(*ws.Exec_ptr == code::END_SCAN || (Cde_tbl[*ws.Exec_ptr] & CC_STMT_END) ||
        (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4)))
    args = Term_args(false);
  end_statement();
  if (Objctl_service(name, op, args, false)) return true;
  ws.Exec_ptr = at;
  return false;
}

// The keyword at the cursor as an operation code (extended keywords with
// OBJCTL_EXT), 0 when none stands there; the cursor moves past it.
uint16_t keyword_op() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::EXT_DIR) {
    uint16_t op = uint16_t(OBJCTL_EXT | ws.Exec_ptr[1]);
    ws.Exec_ptr += 2;
    return op;
  }
  if (c == 61 || (c >= 150 && c <= 243)) {
    ++ws.Exec_ptr;
    return c;
  }
  return 0;
}

// MENU_BAR's operation: the keyword of a listed form, else the definition
// (the cursor stays on its operands).
uint16_t menu_bar_op() {
  uint8_t* at = ws.Exec_ptr;
  uint16_t op = keyword_op();
  if (op == 61 || (op & OBJCTL_EXT) || op == code::D_CLEAR || op == code::D_GOTO || op == code::D_ON ||
      op == code::D_READ || op == code::D_REMOVE || op == code::D_RESET)
    return op;
  ws.Exec_ptr = at;
  return OBJCTL_DEF;
}

// GET_FILE's operation: READ or WRITE, else SELECT (the cursor stays).
uint16_t get_file_op() {
  uint8_t* at = ws.Exec_ptr;
  uint16_t op = keyword_op();
  if (op == code::D_READ || op == code::D_WRITE) return op;
  ws.Exec_ptr = at;
  return OBJCTL_EXT | 198;  // SELECT
}

// SYSTEM_HELP's operation: OPEN (also without a keyword), PRINT or EDIT;
// a WAIT after it is passed over.
uint16_t system_help_op() {
  uint16_t op = code::D_OPEN;
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_OPEN || c == code::D_PRINT || c == code::D_EDIT) {
    op = c;
    ++ws.Exec_ptr;
  }
  if (*ws.Exec_ptr == code::D_WAIT) ++ws.Exec_ptr;
  return op;
}

}  // namespace

// MSGBOX text [, title [, options [, answer]]]
// On the thin client: '?',' ' with the text, the title and the options;
// the reply (the button chosen) goes to the answer.
static void d_wmbx_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  if (Objctl_single("Msgbox")) {
    Objctl_call_single_with_operands("Msgbox", nullptr);
    return;
  }
  // With switch MX a message-box program of the library's "_ext" folder
  // ("msgbox.gui", found once) takes the statement's operands; without one
  // the switch goes off and the box takes its own route.
  if (Sw_on(sw::MX)) {
    static std::string gui_util;
    if (gui_util.empty() && !PathToUtility(gui_util, "msgbox.gui", "_ext")) {
      gui_util.clear();
      Sw_set(sw::MX, false);
    }
    if (!gui_util.empty()) {
      Term_call_by_name(gui_util);
      return;
    }
  }
  // Switch !I keeps the message box off the thin client (the text route).
  if (thin_client() && !Sw_on(sw::BangI)) {
    // The statement's ERR= takes the errors of its operands too.
    if (!ws.Err_line) Err_scan_from(ws.Exec_ptr);
    std::string text[3];
    Let_target answer;
    bool has_answer = false;
    Need_operand();
    for (int i = 0; i < 3; ++i) {
      if (i > 0) {
        if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == code::IOPT_FIRST + 4) break;
        ++ws.Exec_ptr;
      }
      Eval_str();
      text[i].assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    }
    if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
      answer = help_target();
      has_answer = true;
    }
    end_statement();
    Wtty_init('?', ' ');
    for (const std::string& t : text) Wtty_str(t);
    Wtty_xmit(1);
    std::string back(reinterpret_cast<const char*>(ws.Str_ptr), ws.Str_len > 0 ? size_t(ws.Str_len) : 0);
    if (has_answer) assign(answer, back);
    return;
  }
  Term_call_by_name(utility("msgbox"));
}
void d_wmbx() { As_token_form(d_wmbx_body); }

// MENU_BAR id,menu$ | MENU_BAR ON|OFF|DISABLE|ENABLE value | MENU_BAR READ
// target | MENU_BAR CLEAR|GOTO|REMOVE|RESET: on the thin client 'N' with
// the operation's letter, the id (definition only) and the text; each
// awaits the client's answer, READ's being the choice.
static void d_mbar_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  if (service("MenuBar", menu_bar_op)) return;
  if (thin_client()) {
    // The statement's ERR= takes the errors of its operands too.
    if (!ws.Err_line) Err_scan_from(ws.Exec_ptr);
    uint8_t c = *ws.Exec_ptr;
    int token = 0;
    if (c == 61 || c == code::D_CLEAR || c == code::D_GOTO || c == code::D_ON || c == code::D_READ ||
        c == code::D_REMOVE || c == code::D_RESET) {
      token = c;
      ++ws.Exec_ptr;
    } else if (c == code::EXT_DIR) {
      token = ws.Exec_ptr[1];
      ws.Exec_ptr += 2;
    }
    if (token && *ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
    int minor = WttyMinCode(token ? token : 156);
    if (minor == 0) Rpt_error(err::SYNTAX);
    std::string text;
    int32_t id = 0;
    bool with_text = true, empty = false;
    Let_target t;
    if (token == 0) {
      Need_operand();
      id = Eval_range(-32000, 32000);
      if (id == 0) Rpt_error(err::OUT_OF_RANGE);
      if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
      ++ws.Exec_ptr;
      Eval_str();
      text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    } else if (token == code::D_READ) {
      t = help_target_after_keyword();
      with_text = false;
    } else if (token == 61 || token == code::D_ON || c == code::EXT_DIR) {
      Need_operand();
      Eval_formula();
      if (ws.Str_len >= 0) {
        empty = ws.Str_len == 0;
        text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      } else {
        text = "#" + std::to_string(To_integer(ws.Num_acc));
      }
    } else {
      with_text = false;
    }
    end_statement();
    if (empty) Rpt_error(err::STRING_LENGTH);
    Wtty_init('N', minor);
    if (token == 0) Wtty_int(id);
    if (with_text) Wtty_str(text);
    Wtty_xmit(1);  // every menu request waits for the client's answer
    if (token == code::D_READ)
      assign(t, std::string(reinterpret_cast<const char*>(ws.Str_ptr), ws.Str_len > 0 ? size_t(ws.Str_len) : 0));
    return;
  }
  // The definition's id is checked here on a text terminal too; the
  // utility gets the operands as they stand.
  uint8_t* at = ws.Exec_ptr;
  if (menu_bar_op() == OBJCTL_DEF) {
    auto err_line = ws.Err_line;
    if (!ws.Err_line) Err_scan_from(at);
    Need_operand();
    if (Eval_range(-32000, 32000) == 0) Rpt_error(err::OUT_OF_RANGE);
    ws.Err_line = err_line;
  }
  ws.Exec_ptr = at;
  CallEntry("menu_bar");
}
void d_mbar() { As_token_form(d_mbar_body); }

// CLIPBOARD READ target | CLIPBOARD WRITE text: '+','R' (reply assigned)
// and '+','W' on the thin client; another keyword does nothing there.
static void d_clip_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  if (service("ClipBoard", keyword_op)) return;
  if (thin_client()) {
    // The statement's ERR= takes the errors of its operands too.
    if (!ws.Err_line) Err_scan_from(ws.Exec_ptr);
    uint8_t op = *ws.Exec_ptr;
    if (op == code::D_READ) {
      ++ws.Exec_ptr;
      if (*ws.Exec_ptr == code::D_LIST) ++ws.Exec_ptr;  // READ LIST reads as READ
      Let_target t = help_target_after_keyword();
      end_statement();
      Wtty_init('+', 'R');
      Wtty_xmit(1);
      assign(t, std::string(reinterpret_cast<const char*>(ws.Str_ptr), ws.Str_len > 0 ? size_t(ws.Str_len) : 0));
    } else if (op == code::D_WRITE) {
      ++ws.Exec_ptr;
      if (*ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
      Need_operand();
      Eval_str();
      std::string text(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      end_statement();
      Wtty_init('+', 'W');
      Wtty_str(text);
      Wtty_xmit(0);
    } else {
      while (!(*ws.Exec_ptr == code::END_SCAN || (Cde_tbl[*ws.Exec_ptr] & CC_STMT_END))) Skip_code();
    }
    return;
  }
  CallEntry("clip_brd");
}
void d_clip() { As_token_form(d_clip_body); }

// GET_FILE: the handler's file-dialog service (READ, WRITE, otherwise
// SELECT), else the utility program on every console.
static void d_odlg_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  if (service("GetFile", get_file_op)) return;
  CallEntry("get_file");
}
void d_odlg() { As_token_form(d_odlg_body); }

// MULTI_MEDIA command$ [,number] [,result$]: on the thin client 'm',' '
// with the command and the number (kept for later statements); the reply's
// 2-byte code is raised when not 0, the rest goes to the string target.
static void d_mmed_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  if (thin_client()) {
    static int32_t kept_number = 0;
    // The statement's ERR= takes the errors of its operands too.
    if (!ws.Err_line) Err_scan_from(ws.Exec_ptr);
    Need_operand();
    Eval_str();
    std::string command(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    Let_target result;
    bool has_result = false;
    while (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
      if (ws.Exec_ptr[1] == code::STR_VAR && !has_result) {
        result = help_target();
        has_result = true;
        continue;
      }
      ++ws.Exec_ptr;
      Need_operand();
      kept_number = Eval_range(-32000, 32000);
    }
    end_statement();
    std::string back = Gui_multimedia(command, kept_number);
    if (has_result) assign(result, back);
    return;
  }
  Term_call_by_name(utility("m_media"));
}
void d_mmed() { As_token_form(d_mmed_body); }

// SYSTEM_HELP [PRINT|EDIT] text ...: help shown, printed or edited by the
// utilities; the FOR form (help-menu texts) belongs to the thin client.
static void d_shlp_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  if (*ws.Exec_ptr == code::D_FOR) {
    help_menu_form();
    return;
  }
  if (service("SystemHelp", system_help_op)) return;
  if (thin_client()) {
    // [OPEN|PRINT|EDIT] [WAIT] text [,topic [,context]]: 'H',' ', no reply.
    // The statement's ERR= takes the errors of its operands too.
    if (!ws.Err_line) Err_scan_from(ws.Exec_ptr);
    std::string mark;
    uint8_t c = *ws.Exec_ptr;
    if (c == code::D_OPEN || c == code::D_PRINT || c == code::D_EDIT) {
      if (c == code::D_PRINT) mark = "<print>";
      if (c == code::D_EDIT) mark = "<edit>";
      ++ws.Exec_ptr;
    }
    if (*ws.Exec_ptr == code::D_WAIT) {
      mark = "<wait>" + mark;
      ++ws.Exec_ptr;
    }
    if (*ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
    Need_operand();
    Eval_str();
    if (ws.Str_len < 1 || ws.Str_len > 8192) Rpt_error(err::STRING_LENGTH);
    std::string text = mark + std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    std::string topic;
    int32_t context = 0;
    if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
      ++ws.Exec_ptr;
      Eval_str();
      topic.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
        ++ws.Exec_ptr;
        context = Eval_range(-32000, 32000);
      }
    }
    end_statement();
    Wtty_init('H', ' ');
    Wtty_str(text);
    Wtty_str(topic);
    Wtty_int(context);
    Wtty_xmit(0);
    return;
  }
  // [OPEN|PRINT|EDIT] [WAIT] text ...: the utility gets the operands after
  // the keywords (a text terminal shows help until a key ends it anyway).
  const char* name = "sys_help";
  uint8_t c = *ws.Exec_ptr;
  if (c == code::D_PRINT) name = "sys_print";
  else if (c == code::D_EDIT) name = "sys_edit";
  if (c == code::D_OPEN || c == code::D_PRINT || c == code::D_EDIT) ++ws.Exec_ptr;
  if (*ws.Exec_ptr == code::D_WAIT) ++ws.Exec_ptr;
  skip_comma();
  std::string path = utility(name);
  Term_call_by_name(path + ";Normal");
}
void d_shlp() { As_token_form(d_shlp_body); }
