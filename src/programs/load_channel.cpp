// Channel 65001 for the program loader, SAVE and MERGE.
#include "programs/load_channel.h"

#include <cerrno>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/file_create.h"
#include "channels/kdef.h"
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

Fcb* Open_scratch_made(const std::string& name, int16_t type, int32_t drive, bool* made) {
  *made = false;
  {
    Catch_region region;
    try {
      return Open_scratch(name, true);
    } catch (const Oru_error& e) {
      if (e.no != err::FILE_NOT_FOUND) throw;
    }
  }
  Set_path(name);
  Kdef kd;
  kd.type = type;
  kd.drive = drive;
  File_create(kd, nullptr);
  *made = true;
  return Open_scratch(name, true);
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
