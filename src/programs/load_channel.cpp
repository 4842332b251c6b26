// Channel 65001 for the program loader, SAVE and MERGE.
#include "programs/load_channel.h"

#include <cerrno>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/open.h"
#include "core/errors.h"
#include "core/workspace.h"

Fcb* Open_scratch(const std::string& name, bool for_writing) {
  Io_save_guard io;
  if (Find_fp(LOAD_CHANNEL)) Rpt_error(err::CHANNEL_STATE);
  Fcb* f = Open_internal(LOAD_CHANNEL, name, for_writing ? IO_EXCLUSIVE : IO_INPUT_ONLY);
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
