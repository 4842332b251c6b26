// The drivers of the built file kinds.  Each kind adds one line to
// Register_kinds when its driver lands; a kind not named here keeps Bad_io
// (error 99 naming the kind).  The console's device driver registers itself
// (console_channel.cpp).
//
// The two close-time hooks are set here as well, so that CLOSE always gives
// back a channel's record lock and ends its use of the host file through the
// open-file table, whichever object files a program links.
#include "terminal/tc_channel.h"
#include "channels/channel.h"
#include "channels/cisam_file.h"
#include "channels/close.h"
#include "channels/indexed_file.h"
#include "channels/journal.h"
#include "keyed/keyed_file.h"
#include "channels/memory_file.h"
#include "channels/record_locks.h"
#include "channels/simple_files.h"
#include "programs/libraries.h"
#include "programs/program_channel.h"
#include "keyed/bbx_file.h"
#include "keyed/key_driver.h"
#include "core/host.h"
#include "net/sql.h"
#include "net/tcp_channel.h"
#include "pdf/pdf_channel.h"

namespace {

void unlock_record(Fcb* f) { Rec_unlock(f); }

// The open-file table keeps the descriptor while other channels of the
// process share it; the last use closes it.
void close_host_file(Fcb* f) { Close(f->fd); }

// Before and after images of journaled keyed channels (the current one).
void journal_image(int type, const uint8_t* image, size_t len) { Journal_it(type, image, len, ws.Cur_fcb); }

}  // namespace

void Register_kinds() {
  Fio_register(FK_SERIAL, Seq_fotbl);
  Fio_register(FK_BINARY, Bin_fotbl);
  Fio_register(FK_DIRECTORY, Dry_fotbl);
  Fio_register(FK_PIPE, Pip_fotbl);
  Fio_register(FK_KEYED, Key_fotbl);
  Fio_register(FK_CISAM, Ism_fotbl);
  Fio_register(FK_BBX_KEYED, Bbx_fotbl);
  Fio_register(FK_BBX_KEYED2, Bbx_fotbl);
  Fio_register(FK_EFF, Key_fotbl);  // the same engine serves the second format
  Fio_register(FK_INDEXED, Ind_fotbl);
  Fio_register(FK_MEMORY, Dyn_fotbl);
  Fio_register(FK_PROGRAM, Prg_fotbl);
  Fio_register(FK_VARDATA, Prg_fotbl);
  Fio_register(FK_LIB_MEMBER, Pgl_fotbl);
  Fio_register(FK_TCP, Tcp_fotbl);
  Fio_register(FK_MYSQL, Dbx_fotbl);
  Wty_register();  // client channels of the thin client
  Dbx_register_transactions();
  Pgl_register();
  Pdf_register();
  Rec_unlock_hook = unlock_record;
  Key_image_hook = journal_image;
  Host_close_hook = close_host_file;
}
