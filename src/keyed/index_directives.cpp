// The key-maintenance directives of keyed files of both formats: the key
// rebuild (KEYED LOAD (ch[,KNO=k])), ADD INDEX, DROP INDEX and RENAME INDEX.
// The work is the engine's (index_maint.h); here the operands are read, the
// file opened, the progress shown and the key names kept.
#include "keyed/index_directives.h"

#include <cstdio>
#include <string>

#include "channels/channel.h"
#include "channels/io_options.h"
#include "channels/print.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"
#include "keyed/index_maint.h"
#include "keyed/key_driver.h"
#include "channels/console_device.h"
#include "terminal/terminal.h"

namespace {

std::string rebuild_path;  // the file being rebuilt (trace log lines)

bool at_console() { return ws.Cur_stno == 0; }

// Console output of the rebuild.  On a terminal the percentage is rewritten
// in place ('CR' ... 'CL'); on any other console only the lines show.
void con_text(const std::string& s) { Con_write(s.data(), s.size()); }
void con_clear_line() {
  if (!ws.Con_fcb || !Console_is_terminal()) return;
  Io_save_guard keep;
  ws.Cur_fcb = ws.Con_fcb;
  Output_mnem(Mnem_code('C', 'L'));
}

void rep_clearing(int kno) {
  if (at_console()) con_text("Clearing existing keys\n");
  std::string t = "Rebuild key index " + std::to_string(kno) + " on " + rebuild_path;
  OruLogError(t.c_str());
}
void rep_percent(int pct) {
  if (!at_console() || !Console_is_terminal()) return;
  char b[16];
  std::snprintf(b, sizeof b, "\r%02d%% loaded", pct);
  con_text(b);
  con_clear_line();
  Con_flush();
}
void rep_duplicate(int, int64_t ind) {
  std::string t = "Duplicate key found at index " + std::to_string(ind);
  if (at_console()) {
    if (Console_is_terminal()) con_text("\r");
    con_text(t);
    con_clear_line();
    con_text("\n");
  }
  OruLogError(t.c_str());
}
void rep_done(int kno, int64_t count) {
  std::string t = "Done - loaded key number " + std::to_string(kno) + " with " + std::to_string(count) + " keys";
  if (at_console()) {
    if (Console_is_terminal()) con_text("\r");
    con_text(t + "\n");
  }
  OruLogError(t.c_str());
}

Key_rebuild_report console_report() {
  Key_rebuild_report r;
  r.clearing = rep_clearing;
  r.percent = rep_percent;
  r.duplicate = rep_duplicate;
  r.done = rep_done;
  return r;
}

std::string path_of(Fcb* f) {
  return f->path && f->path->path ? std::string(f->path->path) : std::string();
}

}  // namespace

int64_t Key_rebuild_channel(Fcb* f, int kno) {
  Key_chan* kc = Key_chan_of(f);
  if (!kc) Rpt_error(17);
  if (f->st1 & ST1_INPUT_ONLY) Rpt_error(13);
  rebuild_path = path_of(f);
  if (prmblk.WD) ws.Run_flags |= RF_COMMIT;
  return Key_rebuild(kc, kno, console_report());
}

void Key_load_directive() {
  ws.Exec_ptr++;  // LOAD
  Io_SetOptions(code::D_LOAD);
  Fcb* f = ws.Cur_fcb;
  if (!Key_chan_of(f)) Rpt_error(17);
  int kno = ws.Io_kno == KNO_PHYSICAL ? -1 : ws.Io_kno;
  Key_rebuild_channel(f, kno < 0 ? -1 : kno);
}
