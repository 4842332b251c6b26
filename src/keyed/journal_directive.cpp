// SET_JOURNAL: the system journal, journaling of files, transactions and
// the update logs.  The byte after the directive (after the extended
// prefix when there is one) selects the form:
//   OPEN name, CLOSE, SWAP, WRITE text        the system journal
//   ENABLE name | /, DISABLE name | /          journaling of a file, of all files
//   AUTOCOMMIT OFF | ON  (161 and a mode)      persistent transaction mode
//   BEGIN [AUTO], COMMIT (216), ROLLBACK (168) transactions
//   READ variable                              1 when a transaction is open
//   UPDATE name                                the immediate update log
//   any other text                             the end-of-run log directory
// Every form may end with ,ERR=line.
#include <string>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/indexed_file.h"
#include "channels/io_options.h"
#include "channels/journal.h"
#include "channels/open.h"
#include "channels/transaction.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "keyed/key_driver.h"
#include "keyed/keyed_file.h"

namespace {

constexpr uint8_t F_OFF = 61, F_COMMIT = 216, F_ROLLBACK = 168, F_MODE = 161, F_SWAP = 226, F_UPDATE = 220;

std::string text_operand() {
  Eval_str();
  return std::string(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
}

void raise_if(int rc) {
  if (rc >= 0) Rpt_error(rc);
}

void read_state() {
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  if (t.str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = Txn_is_open() ? 1 : 0;
  ws.Str_len = -1;
  Let_assign(t);
}

void journal_all(bool on) {
  if (on) {
    if (!Journal_is_open()) Rpt_error_text(err::DIRECTORY_UNREADABLE, "no system journal is open");
    ws.Cmd_flags |= CMD_JOURNAL_ALL;
  } else {
    ws.Cmd_flags &= ~uint32_t(CMD_JOURNAL_ALL);
  }
}

}  // namespace

namespace {

void sjnl_form() {
  uint8_t form = *ws.Exec_ptr;
  bool extended = form == code::EXT_DIR;
  if (extended) form = *++ws.Exec_ptr;
  ws.Exec_ptr++;
  if (extended) {
    switch (form) {
      case code::X_ENABLE:
      case code::X_DISABLE: {
        bool on = form == code::X_ENABLE;
        if (*ws.Exec_ptr == code::OP_DIV) {
          ws.Exec_ptr++;
          journal_all(on);
        } else {
          Set_file_journaling(text_operand(), on);
        }
        return;
      }
      case F_UPDATE:
        Ulog_set_immediate(text_operand());
        return;
      default:
        Rpt_error(err::SYNTAX);
    }
  }
  switch (form) {
    case code::D_OPEN:
      Journal_open(text_operand());
      return;
    case code::D_CLOSE:
      Journal_close();
      return;
    case F_SWAP:
      Journal_swap();
      return;
    case code::D_WRITE: {
      std::string text = text_operand();
      Journal_it('U', text.data(), text.size(), nullptr);
      return;
    }
    case F_MODE: {
      uint8_t mode = *ws.Exec_ptr++;
      if (mode == code::D_ON) raise_if(BeginTransaction(TXN_MODE_AUTOCOMMIT));
      else if (mode == F_OFF) raise_if(BeginTransaction(TXN_MODE_PERSISTENT));
      else Rpt_error(err::SYNTAX);
      return;
    }
    case code::D_BEGIN: {
      bool statement = false;
      if (*ws.Exec_ptr == code::EXT_DIR && ws.Exec_ptr[1] == code::X_AUTO) {
        ws.Exec_ptr += 2;
        statement = true;
      }
      if (!Txn_is_open()) {
        raise_if(BeginTransaction(TXN_MODE_BEGIN));
        if (statement) ws.Sys_flags11 |= TXN_STATEMENT;
      }
      return;
    }
    case F_COMMIT:
      raise_if(ForceCommit());
      return;
    case F_ROLLBACK:
      raise_if(ForceRollback(true));
      return;
    case code::D_READ:
      read_state();
      return;
    default:
      ws.Exec_ptr--;
      Ulog_set_directory(text_operand());
      return;
  }
}

}  // namespace

// Every form may end with ,ERR=line; an error of the form takes it.
void d_sjnl() {
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();
  sjnl_form();
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == iopt::ERR) {
    ws.Exec_ptr++;
    Chk_err();
  }
}

// ---- journaling of a named file ----


void Set_file_journaling(const std::string& name, bool on) {
  Io_save_guard keep;
  constexpr uint16_t SCRATCH_CHANNEL = 65001;
  if (Find_fp(SCRATCH_CHANNEL)) Rpt_error(err::CHANNEL_STATE);
  Fcb* f = Open_named(SCRATCH_CHANNEL, reinterpret_cast<const uint8_t*>(name.data()), int32_t(name.size()), 0);
  try {
    if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
    switch (f->kind) {
      case FK_EFF:
        if (ws.Sys_flags7 & TXN_PERSISTENT) Rpt_error(err::TRANSACTION_OPEN);
        [[fallthrough]];
      case FK_KEYED:
        Key_set_journaled(Key_chan_of(f), on);
        break;
      case FK_INDEXED:
        Ind_journalize(on);
        break;
      default:
        Rpt_error(err::WRONG_FILE_KIND);
    }
  } catch (...) {
    CloseFile(f);
    throw;
  }
  CloseFile(f);
}
