// One journal-reader fuzzer input: the bytes of a journal file.  Shared by
// the fuzzer and the unit test that replays its seeds and regressions.
#pragma once
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "channels/journal.h"

// Whether reading the file kept to its bytes: every record found lies
// between 4 and the next address, one after the other; the chain check and
// the single-record reads at every record address and at the addresses the
// records name (through a real descriptor) return without harm.
inline bool Journal_input_ok(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return true;
  Jrnl_scan s = Jrnl_read(data, size);
  uint64_t at = 4;
  for (const Jrnl_record& r : s.records) {
    if (r.addr != at || r.len < JRNL_HDR || r.data.size() != r.len - JRNL_HDR) return false;
    at += r.len;
  }
  if (s.error.empty() && size >= 4 && at != (s.next & ~JRNL_FULL)) return false;
  (void)Jrnl_check_chain(s);
  FILE* f = std::tmpfile();
  if (!f) return true;
  if (size && std::fwrite(data, 1, size, f) != size) {
    std::fclose(f);
    return true;
  }
  std::fflush(f);
  int fd = fileno(f);
  Jrnl_record one;
  bool ok = true;
  for (const Jrnl_record& r : s.records) {
    for (uint32_t a : {r.addr, r.prev, r.open_id}) {
      if (Jrnl_read_one(fd, a, JRNL_COPY_MAX, one) &&
          (one.len > JRNL_COPY_MAX || uint64_t(a) + one.len > size || one.data.size() != one.len - JRNL_HDR))
        ok = false;
    }
  }
  std::fclose(f);
  return ok;
}
