// The program-file channel driver (file kinds 4 and 17) and the line
// reader MERGE uses on any channel.
#pragma once
#include "channels/channel.h"

extern const Fio_op Prg_fotbl[FIO_SLOTS];

// Reads the next line of channel f for MERGE: 0 with the line as the
// current string (one trailing CR, then one Ctrl-Z removed; for an indexed
// file trailing NUL bytes too), -1 at the end.  counter (when given) counts
// the lines read.
int Read_next_line(Fcb* f, int* counter);
