// The drivers of the built file kinds.  Each kind adds one line to
// Register_kinds when its driver lands; a kind not named here keeps Bad_io
// (error 99 naming the kind).  The console's device driver registers itself
// (console_channel.cpp).
#include "channels/channel.h"
#include "channels/indexed_file.h"
#include "channels/memory_file.h"
#include "channels/simple_files.h"
#include "programs/program_channel.h"

void Register_kinds() {
  Fio_register(FK_SERIAL, Seq_fotbl);
  Fio_register(FK_BINARY, Bin_fotbl);
  Fio_register(FK_DIRECTORY, Dry_fotbl);
  Fio_register(FK_PIPE, Pip_fotbl);
  Fio_register(FK_INDEXED, Ind_fotbl);
  Fio_register(FK_MEMORY, Dyn_fotbl);
  Fio_register(FK_PROGRAM, Prg_fotbl);
  Fio_register(FK_VARDATA, Prg_fotbl);
}
