// What the library fuzzer does with one input, shared with the unit test
// that replays its corpus and crashers: the bytes become the record of
// member "m" of a library keyed on 32 bytes (the key written over the
// first 32 bytes), are read back through the member channel and loaded as a
// program; a program that loads is listed.  The library file is written by
// hand from the first-format layout through the keyed engine, not by the
// library code under test.  Any failure must be an error number.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/workspace.h"
#include "keyed/key_format.h"
#include "keyed/keyed_file.h"
#include "programs/libraries.h"
#include "programs/program_list.h"

// Makes the library file at path (replacing it): record length 30000,
// variable and extended records, key 0 the first 32 bytes of the record.
inline void Make_fuzz_library(const std::string& path) {
  Key_create def;
  def.rec_len = 30000;
  def.flags1 = kf::F1_VARIABLE;
  def.flags2 = kf::F2_EXTENDED;
  def.block_kb = 30;  // a variable record of 30000 bytes must fit one block
  Key_seg_desc seg;
  seg.key = 0;
  seg.field = 0;
  seg.offset = 0;
  seg.length = 32;
  Key_segments(def, {seg});
  Key_define(path, def);
}

// 0 when the member loaded, else the error number.
inline int Exercise_library_member(const std::string& lib_path, const uint8_t* data, size_t size) {
  int err = 0;
  ws.Cur_stno = 0;
  ClosePrgLibraries();
  Clr_progs();
  try {
    Make_fuzz_library(lib_path);
    std::string rec(reinterpret_cast<const char*>(data), size);
    if (rec.size() < 32) rec.resize(32, ' ');
    rec.replace(0, 32, std::string("m") + std::string(31, ' '));
    {
      Key_chan* kc = Key_open(lib_path);
      struct Closer {
        Key_chan* kc;
        ~Closer() {
          try {
            Key_close(kc);
          } catch (const Oru_error&) {
          }
        }
      } closer{kc};
      Key_req req;
      req.directive = 232;
      Key_write(kc, req, rec.substr(0, 200000));
    }
    std::string name = "[lib:" + lib_path + "]m";
    uint8_t* p = Work_take(name.size());
    std::memcpy(p, name.data(), name.size());
    ws.Str_ptr = p;
    ws.Str_len = int32_t(name.size());
    Prog_obj* rec_obj = Prog_load();
    if (rec_obj) {
      rec_obj->uses++;
      Clr_lines();
      ws.Pgm_cache_ent = rec_obj;
      Prog_take(rec_obj);
      for (uint16_t n = First_line(); n < LAST_LINE_NO; n = Next_line(n)) Find_line(n);
    }
  } catch (const Oru_error& e) {
    err = e.no;
  }
  Clr_lines();
  Clr_progs();
  ClosePrgLibraries();
  return err;
}
