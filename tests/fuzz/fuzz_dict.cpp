// Fuzzes the dictionaries of keyed files and the data dictionary: the input
// is a dictionary block (and a data-dictionary image), walked as in
// dict_walk.h.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "core/params.h"
#include "dict_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  static bool init = false;
  if (!init) {
    Prm_defaults();
    init = true;
  }
  static const std::string path = "/tmp/oru_fuzz_dict." + std::to_string(getpid());
  Walk_dict_bytes(data, size, path);
  return 0;
}
