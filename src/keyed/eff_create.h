// Keyed files, second format (EFF): creation.  A creation directive's key
// definition (the shared segment table) becomes one descriptor a key; the
// page layout written is drawn in eff_format.h and eff_open.cpp.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Eff_seg_desc {
  int field = 0;        // 0 whole record, 1..254 field n, 0xFFFF the external key
  int offset = 0;       // 0-based offset in the record or field
  int length = 0;       // 1..127
  uint32_t flags = 0;   // 0x80 descending | the segment's flag word
  uint8_t fill = 0;
};
struct Eff_key_desc {
  std::vector<Eff_seg_desc> segs;
  std::string name;     // at most 24 bytes are kept
  bool external = false;  // key 0 held outside the record
};
struct Eff_create_def {
  int32_t limit = 0;      // record limit, 0 none
  int32_t expected = 0;   // expected records
  int rec_len = 0;
  int block_kb = 0;       // 0 automatic
  uint8_t flags_a = 0;    // header byte 49
  uint8_t flags_b = 0;    // header byte 50
  bool sep_given = false;
  uint8_t sep = 0;
  std::vector<Eff_key_desc> keys;
};

// Writes a new EFF file on fd (empty, just created).  Errors 32 (no key),
// 80 (a key or segment out of limits), 16 and host errors.
void Eff_create(int fd, const Eff_create_def& def);
