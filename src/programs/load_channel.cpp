// Channel 65001 for the program loader, SAVE and MERGE.
#include "programs/load_channel.h"

#include <cerrno>

#include "channels/channel.h"
#include "channels/open.h"
#include "core/errors.h"
#include "core/workspace.h"

Fcb* Open_scratch(const std::string& name, bool for_writing) {
  Io_save_guard io;
  if (Find_fp(LOAD_CHANNEL)) Rpt_error(err::CHANNEL_STATE);
  ws.Cur_chan = LOAD_CHANNEL;
  ws.Io_opts = for_writing ? IO_EXCLUSIVE : IO_INPUT_ONLY;
  ws.Io_open_mods = 0;
  ws.Io_bin_rsz = 0;
  ws.Io_siz = 0;
  ws.Io_opt_len = 0;
  ws.Io_iol_len = 0;
  ws.Io_rty = 0;
  Set_path(name);
  int rc = Get_file();
  if (rc != 0) {
    errno = rc;
    Sys_error();
  }
  Fcb* f = Find_fp(LOAD_CHANNEL);
  if (!f) Rpt_error(err::CHANNEL_STATE);
  ws.Run_flags |= RF_SCRATCH_CHAN;
  return f;
}

void Close_scratch(Fcb* f) {
  Io_save_guard io;
  try {
    Catch_region region;
    CloseFile(f);
  } catch (const Oru_error&) {
  }
  ws.Run_flags &= ~uint32_t(RF_SCRATCH_CHAN);
}
