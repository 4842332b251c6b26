// Handlers of functions and system variables whose subsystems are not built
// yet.  Whoever builds one deletes its line here and defines it in the
// module that owns it.
#include "core/errors.h"
#include "functions/function_table.h"

void fnc_box() { Not_built("the BOX( function"); }
void fnc_wdw() { Not_built("the WDW( function"); }
void fnc_drp() { Not_built("the DRP( function"); }
void fnc_gto() { Not_built("the GTO( function"); }
void fnc_nwa() { Not_built("the NWA( function"); }
void fnc_hwn() { Not_built("the HWN( function"); }
void fnc_ctl() { Not_built("the CTL( function"); }
void fnc_mve() { Not_built("the MVE( function"); }
void fnc_scr() { Not_built("the SCR( function"); }
void fnc_mxc() { Not_built("the MXC( function"); }
void fnc_mxl() { Not_built("the MXL( function"); }
void fnc_mnm() { Not_built("the MNM( function"); }
void fnc_cur() { Not_built("the CUR( function"); }
void fnc_mde() { Not_built("the MDE( function"); }
void fnc_wrp() { Not_built("the WRP( function"); }
void fnc_pic() { Not_built("the PIC( function"); }
void fnc_lin() { Not_built("the LIN( function"); }
void fnc_rct() { Not_built("the RCT( function"); }
void fnc_pgn() { Not_built("the PGN( function"); }
void fnc_pie() { Not_built("the PIE( function"); }
void fnc_gcrc() { Not_built("the GCRC( function"); }
void fnc_arc() { Not_built("the ARC( function"); }
void fnc_fld() { Not_built("the FLD( function"); }
void fnc_pen() { Not_built("the PEN( function"); }
void fnc_fil() { Not_built("the FIL( function"); }
void fnc_fnt() { Not_built("the FNT( function"); }
void fnc_txt() { Not_built("the TXT( function"); }
void fnc_atx() { Not_built("the @X( function"); }
void fnc_aty() { Not_built("the @Y( function"); }
void fnc_dlg() { Not_built("the DLG( function"); }
void fnc_cap() { Not_built("the CAP( function"); }
void fnc_shw() { Not_built("the SHW( function"); }
void fnc_fmsg() { Not_built("the FMSG( function"); }
void fnc_img() { Not_built("the IMG( function"); }
void fnc_dll() { Not_built("the DLL( function"); }
void fnc_fobj() { Not_built("the OBJ( function"); }
void fnc_frm() { Not_built("the FRM( function"); }
void fnc_txw() { Not_built("the TXW( function"); }
void fnc_txh() { Not_built("the TXH( function"); }
void fnc_xfa() { Not_built("the XFA( function"); }
void fnc_siz() { Not_built("the SIZ( function"); }
void fnc_lpi() { Not_built("the LPI( function"); }
void fnc_cpi() { Not_built("the CPI( function"); }
void fnc_mxz() { Not_built("the MXZ( function"); }
void fnc_mnz() { Not_built("the MNZ( function"); }
void fnc_ofs() { Not_built("the OFS( function"); }
void fnc_fnew() { Not_built("the NEW( function"); }
void fnc_fref() { Not_built("the REF( function"); }
void fnc_mopt() { Not_built("the MOPT( function"); }
void fnc_beep() { Not_built("the BEEP( function"); }
void fnc_fclr() { Not_built("the FCLR( function"); }
void fnc_bclr() { Not_built("the BCLR( function"); }
void vl_lip() { Not_built("the LIP counters of the terminal input"); }
void vl_mse() { Not_built("the mouse (SETMSE and the mouse state of the terminal)"); }
void vl_vhlp() { Not_built("the help key of INPUT (HLP=) kept for VHLP"); }
void vl_voop() { Not_built("the object system (VOOP)"); }
