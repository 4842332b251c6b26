// The wiring of the channel layer: the drivers of the built file kinds and
// the hooks through which the channels reach the layers above them
// (channels/chan_hooks.h).  Each kind adds one line to
// Channels_register_kinds when its driver lands; a kind not named here
// keeps Bad_io (error 99 naming the kind).  The console's device driver
// registers itself (console_channel.h).
//
// The two close-time hooks are set here as well, so that CLOSE always gives
// back a channel's record lock and ends its use of the host file through the
// open-file table, whichever object files a program links.
#include "app/kind_registry.h"

#include "app/startup.h"
#include "channels/chan_hooks.h"
#include "channels/channel.h"
#include "channels/cisam_file.h"
#include "channels/close.h"
#include "channels/indexed_file.h"
#include "channels/journal.h"
#include "channels/memory_file.h"
#include "channels/print.h"
#include "channels/console_channel.h"
#include "channels/record_locks.h"
#include "channels/simple_files.h"
#include "channels/transaction.h"
#include "core/host.h"
#include "core/workspace.h"
#include "keyed/bbx_file.h"
#include "keyed/index_directives.h"
#include "keyed/key_driver.h"
#include "keyed/keyed_file.h"
#include "net/sql.h"
#include "net/tcp_channel.h"
#include "pdf/pdf_channel.h"
#include "programs/channel_calls.h"
#include "programs/io_events.h"
#include "programs/libraries.h"
#include "programs/program_channel.h"
#include "programs/program_list.h"
#include "terminal/windows.h"
#include "terminal/tc_channel.h"
#include "terminal/tc_protocol.h"
#include "terminal/terminal.h"

namespace {

void unlock_record(Fcb* f) { Rec_unlock(f); }

// The open-file table keeps the descriptor while other channels of the
// process share it; the last use closes it.
void close_host_file(Fcb* f) { Close(f->fd); }

// Before and after images of journaled keyed channels (the current one).
void journal_image(int type, const uint8_t* image, size_t len) { Journal_it(type, image, len, ws.Cur_fcb); }
void missing_key_notice(const std::string& path) {
  Msgbox_init("Keyed file");
  Msgbox_line(path.c_str());
  Msgbox_line("Correcting missing key");
  Msgbox_error();
}

// The EFF files in transactions: a BEGIN inside an open transaction commits
// what it holds; a first BEGIN writes out what write-behind kept.
void eff_begin(int) {
  if (ws.Sys_flags7 & TXN_OPEN)
    Key_txn_commit();
  else
    Kbfr_flush_all();
}
bool eff_in_txn(Fcb* f) { return Key_in_txn(Key_chan_of(f)); }

bool rename_index() {
  if (!Index_word_at(ws.Exec_ptr)) return false;
  Rename_index_directive();
  return true;
}

bool screen_fits(Fcb* f, int32_t col, int32_t line) {
  const Window_rec& w = Dev(f)->win;
  return col < w.cols && line < w.lines;
}

void console_start() {
  Console_register();
  Console_open();
}

}  // namespace

void Channels_register_kinds() {
  Fio_register(FK_SERIAL, Seq_fotbl);
  Fio_register(FK_BINARY, Bin_fotbl);
  Fio_register(FK_DIRECTORY, Dry_fotbl);
  Fio_register(FK_PIPE, Pip_fotbl);
  Fio_register(FK_KEYED, Key_fotbl);
  Fio_register(FK_CISAM, Ism_fotbl);
  Fio_register(FK_BBX_KEYED, Bbx_fotbl);
  Fio_register(FK_BBX_KEYED2, Bbx_fotbl);
  Register_whole_lock(FK_CISAM, Ism_hold_whole);
  Register_whole_lock(FK_BBX_KEYED, Bbx_hold_whole);
  Register_whole_lock(FK_BBX_KEYED2, Bbx_hold_whole);
  Fio_register(FK_EFF, Key_fotbl);  // the same engine serves the second format
  Fio_register(FK_INDEXED, Ind_fotbl);
  Fio_register(FK_MEMORY, Dyn_fotbl);
  Fio_register(FK_PROGRAM, Prg_fotbl);
  Fio_register(FK_VARDATA, Prg_fotbl);
  Fio_register(FK_LIB_MEMBER, Pgl_fotbl);
  Fio_register(FK_TCP, Tcp_fotbl);
  Fio_register(FK_MYSQL, Dbx_fotbl);
  Key_driver_register();
  Register_whole_lock(FK_MYSQL, Dbx_hold_whole);
  Wty_register();  // client channels of the thin client
  Tc_tcp_nodelay = Tcp_set_nodelay;
  Txn_register({TXN_EFF, eff_begin, Key_txn_commit, Key_txn_rollback, nullptr, Key_txn_pending});
  Dbx_register_transactions();
  Pgl_register();
  Pdf_register();
  Rec_unlock_hook = unlock_record;
  Key_image_hook = journal_image;
  Key_notice_hook = missing_key_notice;
  Host_close_hook = close_host_file;

  Chan_hook.term_release = Term_release;
  Chan_hook.dev_init = Dev_init;
  Chan_hook.scr_text = Scr_text;
  Chan_hook.scr_pos = Scr_pos;
  Chan_hook.scr_fits = screen_fits;
  Chan_hook.prt_mnem = Prt_mnem;
  Chan_hook.bad_mnemonic = Err_mnemonic;
  Chan_hook.console_start = console_start;
  Chan_hook.cls_windows = Cls_windows;
  Chan_hook.close_mnemonic = Send_close_mnemonic;
  Chan_hook.graphic_char = Prt_graphic;
  Chan_hook.rename_index = rename_index;
  Chan_hook.eff_in_txn = eff_in_txn;
  Chan_hook.keyed_flush = Kbfr_flush_all;
  Chan_hook.sql_drop = Dbx_drop_table;
  Chan_hook.pdf_pos = Pdf_pos;
  Chan_hook.pdf_pos1 = Pdf_pos1;
  Chan_hook.prog_cache_forget = Prog_cache_forget;
  Chan_hook.prog_files_changed = Prog_files_changed;
  Chan_hook.run_event_program = Run_event_program;
  Chan_hook.close_program = Run_close_program;
  Chan_hook.dupl_error_program = Call_dupl_error_program;
}
