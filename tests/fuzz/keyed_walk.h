// Opens a keyed file made of arbitrary bytes and walks it the way programs
// do: every key from first to last and back, reads by key, a write, a
// remove, the ordinal and the structural check.  Any damage must end in an
// error number; nothing may crash or hang.  Shared by the fuzz target and
// the unit test that replays its corpus.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "core/errors.h"
#include "keyed/keyed_file.h"

inline void Walk_keyed_bytes(const uint8_t* data, size_t size, const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return;
  if (size && ::write(fd, data, size) != ssize_t(size)) {
    ::close(fd);
    return;
  }
  ::close(fd);
  Key_chan* ch = nullptr;
  try {
    ch = Key_open(path);
  } catch (const Oru_error&) {
    ::unlink(path.c_str());
    return;
  }
  auto guarded = [](auto f) {
    try {
      f();
    } catch (const Oru_error&) {
    }
  };
  for (int k = 0; k < Key_count_keys(ch); ++k) {
    Key_req r;
    r.has_kno = true;
    r.kno = k;
    guarded([&] { Key_getkef(ch, r); });
    guarded([&] { Key_getkel(ch, r); });
    Key_req first = r;
    first.has_rno = true;
    first.rno = 1;
    guarded([&] {
      Key_read(ch, first);
      Key_req nx;
      for (int i = 0; i < 200; ++i) Key_read(ch, nx);
    });
    guarded([&] {
      Key_req back;
      back.has_dir = true;
      back.dir = -1;
      for (int i = 0; i < 50; ++i) Key_read(ch, back);
    });
    guarded([&] { Key_read(ch, Key_by("A")); });
    guarded([&] { Key_getrno(ch, Key_by("M")); });
  }
  guarded([&] {
    Key_req phys;
    phys.has_kno = true;
    phys.kno = -2;
    for (int i = 0; i < 50; ++i) Key_read(ch, phys);
  });
  guarded([&] { Key_write(ch, Key_by("FUZZ", 232), "fuzzed record"); });
  guarded([&] { Key_write(ch, Key_req{}, "FUZZ2 record"); });
  guarded([&] { Key_remove(ch, Key_by("A", 208)); });
  guarded([&] { Key_verify(ch); });
  guarded([&] { Key_close(ch); });
  ::unlink(path.c_str());
}
