// What the C-ISAM fuzzer does with one input, shared with the unit test that
// replays its corpus and crashers: the input is a BE32 index length, the
// index file and the data file; the pair is opened, every key read forward
// and backward, a record written and one removed.  Any failure must be an
// error number.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "channels/cisam_file.h"
#include "core/errors.h"
#include "core/host.h"

inline bool Write_cisam_file(const std::string& path, const uint8_t* p, size_t n) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  bool ok = ::write(fd, p, n) == ssize_t(n);
  ::close(fd);
  return ok;
}

// 0 when everything worked, else the error number.
inline int Exercise_cisam(const std::string& dir, const uint8_t* data, size_t size) {
  if (size < 4) return -1;
  size_t n = size_t(data[0]) << 24 | size_t(data[1]) << 16 | size_t(data[2]) << 8 | data[3];
  if (n > size - 4) n = size - 4;
  std::string idx = dir + "/f.idx";
  if (!Write_cisam_file(idx, data + 4, n) || !Write_cisam_file(dir + "/f.dat", data + 4 + n, size - 4 - n)) return -1;
  int fd = Open(idx.c_str(), O_RDWR, Open_opts{});
  if (fd < 0) return -1;
  int err = 0;
  try {
    std::unique_ptr<Ism_file> f = Ism_open_pair(fd, idx, false, false, 3);
    for (int k = 0; k < f->keys(); ++k) {
      std::string rec;
      for (int i = 0; i < 2000 && f->next(k); ++i) f->read_record(f->pos(k).rec, &rec);
      f->pos(k).state = Ism_pos::END;
      for (int i = 0; i < 2000 && f->prev(k); ++i) f->read_record(f->pos(k).rec, &rec);
    }
    std::string rec(size_t(f->reclen()), 'Q');
    f->write(rec, 0, nullptr);
    f->remove(f->genkey(0, rec));
    f->verify();
  } catch (const Oru_error& e) {
    err = e.no;
  }
  Close(fd);
  return err;
}
