// What the loader fuzzer does with one input, shared with the unit test that
// replays its corpus and crashers: the bytes are loaded as a program file;
// when they load, every line is listed and each of its statements scanned
// for an ERR= clause as error handling does, the image is turned into lines
// of its own, and every line is listed again.  Any failure must be an error
// number.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/lister.h"
#include "core/workspace.h"
#include "programs/image_lines.h"
#include "programs/program_list.h"

// Err_scan from the start of every statement of the current line.
inline void Scan_statements() {
  uint8_t* p = ws.Str_ptr + 2;
  const uint8_t* end = Code_end(p);
  for (uint8_t* stmt = p; p < end;) {
    uint8_t c = *p;
    if (stmt) {
      ws.Stmt_save = stmt;
      uint8_t* exec = ws.Exec_ptr;
      try {
        Err_scan();
      } catch (const Oru_error&) {
      }
      ws.Exec_ptr = exec;
      ws.Err_line = 0;
      stmt = nullptr;
    }
    if (c == code::EOL || c == code::END_SCAN) break;
    size_t n = Item_size(p, end);
    if (n == 0) break;
    if (Cde_tbl[c] & CC_STMT_END) stmt = p + n;
    p += n;
  }
  ws.Stmt_save = nullptr;
}

inline void List_all_lines() {
  for (uint16_t n = First_line(); n < LAST_LINE_NO; n = Next_line(n)) {
    uint8_t* work = ws.Work_ptr;
    try {
      Decompile_text(ws.Str_ptr, size_t(ws.Str_len));
    } catch (const Oru_error&) {
    }
    ws.Work_ptr = work;
    Find_line(n);
    Scan_statements();
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
