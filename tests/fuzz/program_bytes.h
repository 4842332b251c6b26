// What the loader fuzzer does with one input, shared with the unit test that
// replays its corpus and crashers: the bytes are loaded as a program file;
// when they load, every line is listed, the image is turned into lines of
// its own, and every line is listed again.  Any failure must be an error
// number.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/errors.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/workspace.h"
#include "programs/image_lines.h"
#include "programs/program_list.h"

inline void List_all_lines() {
  for (uint16_t n = First_line(); n < LAST_LINE_NO; n = Next_line(n)) {
    uint8_t* work = ws.Work_ptr;
    try {
      Decompile_text(ws.Str_ptr, size_t(ws.Str_len));
    } catch (const Oru_error&) {
    }
    ws.Work_ptr = work;
    Find_line(n);
  }
}

// 0 when the bytes loaded, else the error number.
inline int Exercise_program_bytes(const uint8_t* data, size_t size) {
  int err = 0;
  ws.Cur_stno = 0;
  try {
    Prog_obj* rec = Prog_load_bytes(data, size, "fuzz");
    rec->uses++;
    Clr_lines();
    ws.Pgm_cache_ent = rec;
    Prog_take(rec);
    List_all_lines();
    Sve_conv();
    List_all_lines();
  } catch (const Oru_error& e) {
    err = e.no;
  }
  Clr_lines();
  Clr_progs();
  return err;
}
