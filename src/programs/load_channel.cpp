// Channel 65001 for the program loader, SAVE and MERGE.
#include "programs/load_channel.h"

#include <sys/stat.h>

#include <cerrno>
#include <utility>

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

Fcb* Open_scratch_made(const std::string& name, int16_t type, int32_t drive, bool* made, Made_file* keep) {
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
  Made_file nf;
  File_create(kd, nullptr, &nf);
  *made = true;
  if (nf.fd < 0) return Open_scratch(name, true);  // a library member, a client's file
  if (keep) {
    keep->close();
    std::swap(keep->fd, nf.fd);
    keep->path = nf.path;
    return nullptr;
  }
  struct stat a {}, b {};
  bool known = fstat(nf.fd, &a) == 0;
  nf.close();  // (exclusive: the name could not be opened again beside it)
  Fcb* f = Open_scratch(name, true);
  if (!known || f->fd < 0 || fstat(f->fd, &b) != 0 || a.st_dev != b.st_dev || a.st_ino != b.st_ino) {
    Close_scratch(f);
    Rpt_error_text(err::FILE_NOT_FOUND, "The file made was replaced before it was opened");
  }
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
