// What the BBx fuzzer does with one input, shared with the unit test that
// replays its corpus and crashers: the bytes are a BBx keyed file, opened
// and read in every key order both ways, by ordinal and by index.  Any
// failure must be an error number.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "core/errors.h"
#include "keyed/bbx_file.h"

// 0 when everything read, else the error number (-1: the file could not be
// written).
inline int Exercise_bbx(const std::string& path, const uint8_t* data, size_t size) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return -1;
  bool ok = ::write(fd, data, size) == ssize_t(size);
  if (!ok) {
    ::close(fd);
    return -1;
  }
  int err = 0;
  try {
    auto f = Bbx_file::open(fd);
    for (int k = 0; k < f->keys(); ++k) {
      Bbx_entry e;
      int n = 0;
      for (bool more = f->first(k, &e); more && n < 5000; more = f->seek(k, e.key, Bbx_file::GT, &e), ++n)
        f->record(k, e);
      n = 0;
      for (bool more = f->last(k, &e); more && n < 5000; more = f->seek(k, e.key, Bbx_file::LT, &e), ++n)
        f->external(k, e.key);
      f->by_rno(k, 3, &e);
      if (!f->multi()) f->by_ind(2, &e);
    }
  } catch (const Oru_error& e) {
    err = e.no;
  }
  ::close(fd);
  return err;
}
