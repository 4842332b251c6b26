// Fuzzes LOAD DATA's reading of a variable-data file: any bytes offered as a
// file must load or be refused as damaged, never crash or read outside the
// data, and whatever was built is freed again.
#include <cstdint>
#include <cstdlib>

#include "core/workspace.h"
#include "programs/var_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 400000) return 0;
  int first = Vdf_load_bytes(data, size);
  // The second run starts with the released-string cache as the first left
  // it: every node and string must be given back.
  int64_t before = ws.Mem_used;
  if (Vdf_load_bytes(data, size) != first) std::abort();
  if (ws.Mem_used != before) std::abort();
  return 0;
}
