// Feeds arbitrary bytes to the dictionaries of keyed files: the bytes become
// the first dictionary block of a small first-format file (whose header
// names that block as the head of its chain), and the chain is walked as
// the channel layer walks it: the key names, every position forward and
// backward, the password item, a save and a write; the same bytes are then
// loaded as a data dictionary and looked up.  Any damage must end in an
// error number; nothing may crash, hang or read outside a block.  Shared by
// the fuzz target and the unit test that replays its corpus.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "keyed/data_dict.h"
#include "keyed/key_dict.h"
#include "keyed/key_format.h"
#include "keyed/keyed_file.h"

// A first-format file of two keys whose dictionary holds a head item, two
// key names, a free item on each side and a password item; its bytes and
// the offset of its first dictionary block.
inline std::vector<uint8_t> Dict_template(const std::string& path, uint32_t* block, int* block_size) {
  Key_create d;
  d.rec_len = 40;
  d.flags1 = kf::F1_VARIABLE;
  d.pct = 10;
  d.block_kb = 0;
  std::vector<Key_seg_desc> segs = {{0, 0, 0, 4, false, 0, 0}, {1, 0, 4, 3, false, 0, 0}};
  Key_segments(d, segs);
  ::unlink(path.c_str());
  Key_define(path, d);
  Key_open_opts o;
  o.nolock = true;
  Key_chan* ch = Key_open(path, o);
  Kdct_KNODefine(ch, 0, "id");
  Kdct_KNODefine(ch, 1, "city");
  std::string f = Kdct_encode({"free", "item", std::string(200, 'x')});
  Kdct_write(ch, 3, std::vector<uint8_t>(f.begin(), f.end()));
  Kdct_write(ch, -1, std::vector<uint8_t>(f.begin(), f.begin() + 10));
  Kdct_set_password(ch, {0, 1, 2, 3}, false);
  Key_close(ch);
  int fd = ::open(path.c_str(), O_RDONLY);
  std::vector<uint8_t> bytes;
  uint8_t buf[4096];
  for (ssize_t r; (r = ::read(fd, buf, sizeof buf)) > 0;) bytes.insert(bytes.end(), buf, buf + r);
  ::close(fd);
  *block = get_u32be(bytes.data() + kf::H_DICT) & ~255u;
  *block_size = (bytes[kf::H_BLKSZ] + 1) * 1024;
  return bytes;
}

inline void Walk_dict_bytes(const uint8_t* data, size_t size, const std::string& path) {
  static std::vector<uint8_t> tmpl;
  static uint32_t block = 0;
  static int B = 0;
  static std::string made_at;
  auto guarded = [](auto fn) {
    try {
      fn();
    } catch (const Oru_error&) {
    }
  };
  if (made_at != path) {
    tmpl = Dict_template(path, &block, &B);
    made_at = path;
  }
  std::vector<uint8_t> file = tmpl;
  if (block + uint32_t(B) <= file.size())
    std::memcpy(file.data() + block, data, std::min<size_t>(size, size_t(B)));
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return;
  if (::write(fd, file.data(), file.size()) != ssize_t(file.size())) {
    ::close(fd);
    return;
  }
  ::close(fd);
  Key_chan* ch = nullptr;
  guarded([&] { ch = Key_open(path); });
  if (ch) {
    guarded([&] { Kdct_key_names(ch); });
    for (int p = -4; p <= 12; ++p)
      guarded([&] {
        std::vector<uint8_t> item = Kdct_read(ch, p);
        Kdct_fields(item.data(), item.size());
      });
    guarded([&] {
      std::vector<uint8_t> f;
      bool ok;
      Kdct_password(ch, &f, &ok);
    });
    guarded([&] { Kdct_save(ch); });
    guarded([&] { Kdct_write(ch, 2, {3, 'a', 'b', 'c'}); });
    guarded([&] { Kdct_KNODefine(ch, 1, "town"); });
    guarded([&] { Kdct_remove(ch, 1); });
    guarded([&] { Kdct_names_down(ch, 0); });
    guarded([&] { Key_close(ch); });
  }
  Kdct_fields(data, size);
  if (Dict_parse(data, size)) {
    for (const char* n : {"A", "SECRET", "X$", ""}) Dict_key(n);
    for (uint32_t r : {0x00000001u, 0x01000002u, 0x00FFFFFFu, 0u}) Dict_name(r);
    Dict_clear();
  }
}
