// The directives of the terminal, windows and controls: their code and
// handler, one line each.  A new directive handler of this layer is added
// here.
#include "terminal/directive_list.h"

#include "core/codes.h"
#include "core/directives.h"
#include "core/dispatch.h"

void Terminal_register_directives() {
  static constexpr Dir_reg directives[] = {
      {code::D_DEFCTL, d_dctl},
      {code::D_INPUT, d_inpu},
      {code::D_MNEMONIC, d_dmnm},
      {code::D_OBTAIN, d_obtn},
      {code::D_PREINPUT, d_prei},
  };
  static constexpr Dir_reg extended[] = {
      {code::X_ACCEPT, d_acpt},
      {code::X_DEFTTY, d_dtty},
      {code::X_SETMSE, d_smse},
      {code::X_SETCTL, d_sctl},
      {code::X_MSGBOX, d_wmbx},
      {code::X_BUTTON, d_wbtn},
      {code::X_V_SCROLLBAR, d_vsbr},
      {code::X_H_SCROLLBAR, d_vsbr},
      {code::X_VIDEO_PALETTE, d_vpal},
      {code::X_MENU_BAR, d_mbar},
      {code::X_CHECK_BOX, d_ckbx},
      {code::X_TRISTATE_BOX, d_3sbx},
      {code::X_LIST_BOX, d_lbox},
      {code::X_VARLIST_BOX, d_lbox},
      {code::X_DROP_BOX, d_lbox},
      {code::X_VARDROP_BOX, d_lbox},
      {code::X_MULTI_LINE, d_lbox},
      {code::X_CLIPBOARD, d_clip},
      {code::X_SYSTEM_HELP, d_shlp},
      {code::X_GET_FILE, d_odlg},
      {code::X_RADIO_BUTTON, d_rbtn},
      {code::X_FOCUS, d_fcus},
      {code::X_MULTI_MEDIA, d_mmed},
      {code::X_MESSAGE_LIB, d_msgl},
      {code::X_VBX, d_cvbx},
      {code::X_SHOW, d_show},
      {code::X_HIDE, d_hide},
      {code::X_WINPRT, d_prtr},
      {code::X_GRID, d_lbox},
      {code::X_CHART, d_chrt},
      {code::X_POPUP_MENU, d_pmnu},
  };
  Register_directives(directives);
  Register_extended(extended);
}
