// The directives of program files, calls, objects and debugging: their code
// and handler, one line each.  A new directive handler of this layer is added
// here.
#include "programs/directive_list.h"

#include "core/codes.h"
#include "core/directives.h"
#include "core/dispatch.h"
#include "programs/call_directives.h"

void Programs_register_directives() {
  static constexpr Dir_reg directives[] = {
      {code::D_ADDR, d_addr},
      {code::D_BEGIN, d_begi},
      {code::D_CALL, d_call},
      {code::D_DROP, d_drop},
      {code::D_ENTER, d_ente},
      {code::D_EXECUTE, d_exec},
      {code::D_EXIT, d_exit},
      {code::D_LOAD, d_load},
      {code::D_MERGE, d_merg},
      {code::D_PERFORM, d_perf},
      {code::D_PROGRAM, d_prog},
      {code::D_SAVE, d_save},
      {code::D_PASSWORD, d_pswd},
  };
  static constexpr Dir_reg extended[] = {
      {code::X_ADD, d_add},
      {code::X_DUMP, d_dump},
      {code::X_PROCESS, d_proc},
      {code::X_PROPERTY, d_proy},
      {code::X_FUNCTION, d_func},
      {code::X_GET, d_get},
      {code::X_SET, d_set},
      {code::X_STATIC, d_stat},
  };
  Register_directives(directives);
  Register_extended(extended);
  // The statement loop takes CALL's and EXIT's usual forms itself.
  Call_register_paths();
}
