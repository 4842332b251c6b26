// The internal channel 65001, on which programs are loaded and saved and
// program text is merged.
#pragma once
#include <string>

struct Fcb;

constexpr unsigned LOAD_CHANNEL = 65001;

// Opens the name through the search path on channel 65001 (input only, or
// exclusive for writing); error 14 when the channel is in use, the host
// error of the last candidate when none opens.
Fcb* Open_scratch(const std::string& name, bool for_writing);
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
