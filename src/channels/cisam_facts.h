// The facts of a C-ISAM channel that the channel functions report.
#pragma once
#include <cstdint>
#include <string>

struct Fcb;
// What the channel functions tell of a C-ISAM channel: the records in use,
// the current key's length and the keys as a segment table (4-byte entries
// over the whole record, as keyed files keep theirs, without an end entry);
// false when f is no C-ISAM channel.
struct Ism_facts {
  int64_t records = 0;
  int key_size = 0;
  std::string segs;
};
bool Ism_channel_facts(Fcb* f, Ism_facts* out);
