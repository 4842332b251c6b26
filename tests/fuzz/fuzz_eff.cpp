// Fuzzes the EFF keyed-file format with damaged files: the input is the
// whole file (header page, map pages, key descriptors, index nodes, data
// pages), opened and walked as in keyed_walk.h.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "core/params.h"
#include "keyed_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  static bool init = false;
  if (!init) {
    Prm_defaults();
    init = true;
  }
  static const std::string path = "/tmp/oru_fuzz_eff." + std::to_string(getpid());
  Walk_keyed_bytes(data, size, path);
  return 0;
}
