// The internal channel 65001, on which programs are loaded and saved and
// program text is merged.
#pragma once
#include <cstdint>
#include <string>

struct Fcb;
struct Made_file;

constexpr unsigned LOAD_CHANNEL = 65001;

// Opens the name through the search path on channel 65001 (input only, or
// exclusive for writing); error 14 when the channel is in use, the host
// error of the last candidate when none opens.
Fcb* Open_scratch(const std::string& name, bool for_writing);
// Opens the name for writing as Open_scratch does; a file that is not there
// (error 12) is made first, a file of the kind type in the prefix entry
// drive (-1: the whole search path).  *made tells whether it was made.
// With keep, a host file made is not opened again: it stays open in keep
// and the answer is null.  Without, the file opened by name must be the
// one made (error 12 when another was swapped in between).
Fcb* Open_scratch_made(const std::string& name, int16_t type, int32_t drive, bool* made,
                       Made_file* keep = nullptr);
// Closes channel 65001 (errors while closing are dropped: the file was
// only read, or its writes already failed).
void Close_scratch(Fcb* f);

// Closes the channel on every way out unless released.
struct Scratch_guard {
  Fcb* f = nullptr;
  ~Scratch_guard() {
    if (f) Close_scratch(f);
  }
  Fcb* release() {
    Fcb* g = f;
    f = nullptr;
    return g;
  }
};
