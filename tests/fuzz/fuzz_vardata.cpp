// Fuzzes LOAD DATA's reading of a variable-data file: any bytes offered as a
// file must load or be refused as damaged, never crash or read outside the
// data, and whatever was built is freed again.
#include <cstdint>
#include <cstdlib>

#include "core/workspace.h"
#include "programs/var_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 400000) return 0;
  int64_t before = ws.Mem_used;
  int n = Vdf_load_bytes(data, size);
  (void)n;
  if (ws.Mem_used != before) std::abort();  // every node and string is given back
  return 0;
}
