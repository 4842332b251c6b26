// The channel directives: their code and handler, one line each.  A new
// directive handler of this layer is added here.
#include "channels/directive_list.h"
#include "channels/record_io.h"

#include "core/codes.h"
#include "core/directives.h"
#include "core/dispatch.h"
#include "core/executor.h"

void Channels_register_directives() {
  static constexpr Dir_reg directives[] = {
      {code::D_CLOSE, d_clos},
      {code::D_DIRECTORY, d_diry},
      {code::D_ERASE, d_eras},
      {code::D_EXTRACT, d_read},
      {code::D_FIND, d_read},
      {code::D_IOLIST, d_ioli},
      {code::D_LOCK, d_lock},
      {code::D_OPEN, d_open},
      {code::D_PRINT, d_prin},
      {code::D_PURGE, d_purg},
      {code::D_READ, d_read_stmt},
      {code::D_REMOVE, d_remo},
      {code::D_RENAME, d_renm},
      {code::D_SERIAL, d_seri},
      {code::D_TABLE, d_tabl},
      {code::D_UNLOCK, d_unlo},
      {code::D_WRITE, d_wrte},
      {code::D_DATA, d_data},
  };
  static constexpr Dir_reg extended[] = {
      {code::X_RFLE, d_rfle},
      {code::X_DREAD, d_dred},
      {code::X_RESTORE, d_rstr},
      {code::X_SELECT, d_sele},
      {code::X_INSERT, d_inse},
      {code::X_UPDATE, d_upda},
  };
  Read_again_find = Read_again_site;
  Register_directives(directives);
  Register_extended(extended);
}
