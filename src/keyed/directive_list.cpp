// The directives of keyed files, dictionaries and journals: their code and
// handler, one line each.  A new directive handler of this layer is added
// here.
#include "keyed/directive_list.h"

#include "core/codes.h"
#include "core/directives.h"
#include "core/dispatch.h"

void Keyed_register_directives() {
  static constexpr Dir_reg directives[] = {
      {code::D_DIRECT, d_dire},
      {code::D_FILE, d_file},
      {code::D_INDEXED, d_inde},
      {code::D_KEYED, d_keyd},
      {code::D_SORT, d_sort},
      {code::D_DICT, d_dict},
  };
  static constexpr Dir_reg extended[] = {
      {code::X_SET_MASK, d_smsk},
      {code::X_SET_JOURNAL, d_sjnl},
      {code::X_CREATE, d_crea},
  };
  Register_directives(directives);
  Register_extended(extended);
}
