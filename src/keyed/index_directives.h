// The key-maintenance directives of keyed files (index_directives.cpp).
#pragma once
#include <cstdint>

struct Fcb;

// KEYED LOAD (ch[,KNO=k]): the cursor stands on the LOAD code.
void Key_load_directive();
// Rebuilds key kno (-1 every key) of the keyed channel f, showing the
// progress when the statement was typed at the console.  Errors 17 (not a
// keyed channel, or one of record length 0) and 13 (opened for input only).
int64_t Key_rebuild_channel(Fcb* f, int kno);
