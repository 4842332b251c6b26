// ADD INDEX beside SQLite's CREATE INDEX, our side: N records of 40 bytes
// (a 10-byte id, an 8-byte value, a payload) are written to a keyed file of
// either format, then the clock runs over adding a key on the value and
// building it from the records.  Prints "add_index <seconds>" and the
// entries built.
// Usage: index_perf N path [eff]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/params.h"
#include "keyed/eff_create.h"
#include "keyed/index_maint.h"
#include "keyed/key_format.h"
#include "keyed/keyed_file.h"
#include "keyed/key_driver.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: index_perf N path [eff]\n");
    return 2;
  }
  uint32_t n = uint32_t(std::strtoul(argv[1], nullptr, 10));
  std::string path = argv[2];
  bool eff = argc > 3 && std::string(argv[3]) == "eff";
  Key_driver_register();  // the engine wired to the interpreter, as in oru
  Prm_defaults();
  try {
    if (eff) {
      Eff_create_def d;
      d.rec_len = 40;
      d.keys.emplace_back();
      d.keys[0].segs.push_back(Eff_seg_desc{0, 0, 10, 0, 0});
      FILE* f = std::fopen(path.c_str(), "w");
      if (!f) return 1;
      int fd = fileno(f);
      Eff_create(fd, d);
      std::fclose(f);
    } else {
      Key_create d;
      d.rec_len = 40;
      d.flags1 = kf::F1_VARIABLE;
      d.pct = 10;
      Key_segments(d, {{0, 0, 0, 10, false, 0, 0}});
      Key_define(path, d);
    }
    Key_open_opts o;
    o.nolock = true;
    Key_chan* ch = Key_open(path, o);
    Key_req w;
    w.directive = 232;
    char rec[48];
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t id = i * 2654435761u % 4000000000u;
      std::snprintf(rec, sizeof rec, "%010u%08u payload %u", id, (i * 7919u) % 1000000u, i);
      Key_write(ch, w, rec);
    }
    auto t0 = std::chrono::steady_clock::now();
    int k = Key_add_index(ch, {Key_new_seg{0, 10, 8, 0, false, 0}});
    int64_t built = Key_rebuild(ch, k, {});
    auto t1 = std::chrono::steady_clock::now();
    std::printf("add_index %.3f\n", std::chrono::duration<double>(t1 - t0).count());
    std::printf("entries %lld\n", static_cast<long long>(built));
    Key_close(ch);
  } catch (const Oru_error& e) {
    std::fprintf(stderr, "error %d\n", e.no);
    return 1;
  }
  return 0;
}
