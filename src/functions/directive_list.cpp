// The directives that are thin wrappers over lower layers: their code and
// handler, one line each.  A new directive handler of this layer is added
// here.
#include "functions/directive_list.h"

#include "core/codes.h"
#include "core/directives.h"
#include "core/dispatch.h"

void Functions_register_directives() {
  static constexpr Dir_reg directives[] = {
      {code::D_CWD, d_cwd},
      {code::D_DEF, d_def},
      {code::D_ENDT, d_endt},
      {code::D_LFRM, d_lfrm},
      {code::D_SFRM, d_sfrm},
      {code::D_TRACE, d_strc},
      {code::D_PREFIX, d_pfx},
      {code::D_LNSW, d_lnsw},
      {code::D_SNBF, d_snbf},
  };
  static constexpr Dir_reg extended[] = {
      {code::X_ALCK, d_alck},
      {code::X_RNDZ, d_rndz},
      {code::X_TRANSLATE, d_trns},
      {code::X_XFNC, d_xfnc},
      {code::X_ERRH, d_errh},
      {code::X_SFID, d_sfid},
      {code::X_DISABLE, d_disa},
      {code::X_ENABLE, d_enab},
      {code::X_SDEV, d_sdev},
      {code::X_SDRV, d_sdrv},
      {code::X_DPRT, d_dprt},
  };
  Register_directives(directives);
  Register_extended(extended);
}
