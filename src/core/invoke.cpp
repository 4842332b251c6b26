// INVOKE: runs a host command through the shell.  A statement made of a
// string literal alone is INVOKE with the wait flag.
#include <cerrno>
#include <string>

#include "core/console_device.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/workspace.h"

void d_invo() {
  bool wait = false, second = false, third = false;
  if (ws.Exec_ptr == ws.Stmt_ptr && *ws.Exec_ptr == code::STR_LIT) {
    wait = true;
  } else {
    // WAIT, an extended-directive code and a second-prefix code may stand
    // before the command, in any order; they only matter to a remote client.
    for (;;) {
      uint8_t c = *ws.Exec_ptr;
      if (c == code::D_WAIT) {
        wait = true;
        ++ws.Exec_ptr;
      } else if (c == code::EXT_DIR || c == code::PREFIX2) {
        (c == code::EXT_DIR ? second : third) = true;
        ws.Exec_ptr += 2;
      } else {
        break;
      }
    }
  }
  Eval_str();
  std::string command(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (*ws.Exec_ptr == code::COMMA) {
    ++ws.Exec_ptr;
    Chk_err();
  }
  // The shell would run the command cut at a NUL byte: a name is refused so.
  if (command.find('\0') != std::string::npos) Rpt_error_text(err::BAD_FILE_NAME, "Command holds a NUL byte");
  // On a thin-client console the command of a "[vrl]" or "[lcl]" name runs
  // on the client's machine; the host runs every other command to its end.
  if ((command.compare(0, 5, "[vrl]") == 0 || command.compare(0, 5, "[lcl]") == 0) && Client_is_attached()) {
    Client_requests.invoke(command.substr(5), wait, second, third);
    ws.Last_errno = 0;
    return;
  }
  if (command.compare(0, 5, "[lcl]") == 0) command.erase(0, 5);
  Con_flush();  // what the program printed comes before the command's output
  bool raw = Line_configured();  // the command gets the terminal as it was found
  if (raw) Reset_line();
  int result = System(command.c_str());
  int err = errno;
  if (raw) Config_line();
  // The exit status of a failed command (or the host error) is kept for RET.
  ws.Last_errno = result == 0 ? 0 : err;
  if (result != 0 && ws.Err_line != 0 && ws.Cur_stno != 0) {
    errno = err;
    Sys_error();
  }
}
