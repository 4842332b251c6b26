// Handlers of functions and system variables whose subsystems are not built
// yet.  Whoever builds one deletes its line here and defines it in the
// module that owns it.
#include "core/errors.h"
#include "functions/function_table.h"

void fnc_abs() { Not_built("the ABS( function"); }
void fnc_fand() { Not_built("the AND( function"); }
void fnc_arg() { Not_built("the ARG( function"); }
void fnc_asc() { Not_built("the ASC( function"); }
void fnc_ath() { Not_built("the ATH( function"); }
void fnc_bin() { Not_built("the BIN( function"); }
void fnc_bsz() { Not_built("the BSZ( function"); }
void fnc_chr() { Not_built("the CHR( function"); }
void fnc_cpl() { Not_built("the CPL( function"); }
void fnc_crc() { Not_built("the CRC( function"); }
void fnc_dec() { Not_built("the DEC( function"); }
void fnc_ept() { Not_built("the EPT( function"); }
void fnc_err() { Not_built("the ERR( function"); }
void fnc_exp() { Not_built("the EXP( function"); }
void fnc_fid() { Not_built("the FID( function"); }
void fnc_fnc() { Not_built("user-defined functions"); }
void fnc_fpt() { Not_built("the FPT( function"); }
void fnc_gap() { Not_built("the GAP( function"); }
void fnc_gep() { Not_built("the GEP( function"); }
void fnc_hsa() { Not_built("the HSA( function"); }
void fnc_hsh() { Not_built("the HSH( function"); }
void fnc_hta() { Not_built("the HTA( function"); }
void fnc_ind() { Not_built("the IND( function"); }
void fnc_int() { Not_built("the INT( function"); }
void fnc_ior() { Not_built("the IOR( function"); }
void fnc_key() { Not_built("the KEY( function"); }
void fnc_lcs() { Not_built("the LCS( function"); }
void fnc_len() { Not_built("the LEN( function"); }
void fnc_log() { Not_built("the LOG( function"); }
void fnc_lrc() { Not_built("the LRC( function"); }
void fnc_lst() { Not_built("the LST( function"); }
void fnc_mem() { Not_built("the MEM( function"); }
void fnc_mod() { Not_built("the MOD( function"); }
void fnc_msg() { Not_built("the MSG( function"); }
void fnc_not() { Not_built("the NOT( function"); }
void fnc_num() { Not_built("the NUM( function"); }
void fnc_pgm() { Not_built("the PGM( function"); }
void fnc_pos() { Not_built("the POS( function"); }
void fnc_pth() { Not_built("the PTH( function"); }
void fnc_pub() { Not_built("the PUB( function"); }
void fnc_rdx() { Not_built("the RDX( function"); }
void fnc_sgn() { Not_built("the SGN( function"); }
void fnc_sqr() { Not_built("the SQR( function"); }
void fnc_ssz() { Not_built("the SSZ( function"); }
void fnc_str() { Not_built("the STR( function"); }
void fnc_tcb() { Not_built("the TCB( function"); }
void fnc_tsk() { Not_built("the TSK( function"); }
void fnc_ucs() { Not_built("the UCS( function"); }
void fnc_xor() { Not_built("the XOR( function"); }
void fnc_loc() { Not_built("the LOC( function"); }
void fnc_max() { Not_built("the MAX( function"); }
void fnc_min() { Not_built("the MIN( function"); }
void fnc_rcd() { Not_built("the RCD( function"); }
void fnc_fib() { Not_built("the FIB( function"); }
void fnc_kef() { Not_built("the KEF( function"); }
void fnc_kel() { Not_built("the KEL( function"); }
void fnc_rno() { Not_built("the RNO( function"); }
void fnc_ken() { Not_built("the KEN( function"); }
void KestFnc_Xml() { Not_built("the XML( function"); }
void fnc_i3e() { Not_built("the I3E( function"); }
void fnc_stp() { Not_built("the STP( function"); }
void fnc_kec() { Not_built("the KEC( function"); }
void fnc_kep() { Not_built("the KEP( function"); }
void fnc_stk() { Not_built("the STK( function"); }
void fnc_trx() { Not_built("the TRX( function"); }
void fnc_env() { Not_built("the ENV( function"); }
void fnc_sin() { Not_built("the SIN( function"); }
void fnc_cos() { Not_built("the COS( function"); }
void fnc_tan() { Not_built("the TAN( function"); }
void fnc_asn() { Not_built("the ASN( function"); }
void fnc_acs() { Not_built("the ACS( function"); }
void fnc_atn() { Not_built("the ATN( function"); }
void fnc_pad() { Not_built("the PAD( function"); }
void fnc_dim() { Not_built("the DIM( function"); }
void fnc_box() { Not_built("the BOX( function"); }
void fnc_wdw() { Not_built("the WDW( function"); }
void fnc_drp() { Not_built("the DRP( function"); }
void fnc_gto() { Not_built("the GTO( function"); }
void fnc_nwa() { Not_built("the NWA( function"); }
void fnc_hwn() { Not_built("the HWN( function"); }
void fnc_ctl() { Not_built("the CTL( function"); }
void fnc_mve() { Not_built("the MVE( function"); }
void fnc_scr() { Not_built("the SCR( function"); }
void fnc_scll() { Not_built("the SCLL( function"); }
void fnc_fin() { Not_built("the FIN( function"); }
void fnc_tbl() { Not_built("the TBL( function"); }
void fnc_jul() { Not_built("the JUL( function"); }
void fnc_dte() { Not_built("the DTE( function"); }
void fnc_mxc() { Not_built("the MXC( function"); }
void fnc_mxl() { Not_built("the MXL( function"); }
void fnc_mnm() { Not_built("the MNM( function"); }
void fnc_fcvs() { Not_built("the CVS( function"); }
void fnc_ffn() { Not_built("the FFN( function"); }
void fnc_fmsk() { Not_built("the MSK( function"); }
void fnc_cur() { Not_built("the CUR( function"); }
void fnc_fsrt() { Not_built("the SRT( function"); }
void fnc_swp() { Not_built("the SWP( function"); }
void fnc_fgbl() { Not_built("the GBL( function"); }
void fnc_i86() { Not_built("the I86( function"); }
void fnc_rec() { Not_built("the REC( function"); }
void fnc_mde() { Not_built("the MDE( function"); }
void fnc_prm() { Not_built("the PRM( function"); }
void fnc_iol() { Not_built("the IOL( function"); }
void fnc_vin() { Not_built("the VIN( function"); }
void fnc_vis() { Not_built("the VIS( function"); }
void fnc_wrp() { Not_built("the WRP( function"); }
void fnc_opt() { Not_built("the OPT( function"); }
void fnc_pfx() { Not_built("the PFX( function"); }
void fnc_rnd() { Not_built("the RND( function"); }
void fnc_dir() { Not_built("the DIR( function"); }
void fnc_dsk() { Not_built("the DSK( function"); }
void fnc_kgn() { Not_built("the KGN( function"); }
void fnc_prc() { Not_built("the PRC( function"); }
void fnc_pck() { Not_built("the PCK( function"); }
void fnc_upk() { Not_built("the UPK( function"); }
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
void fnc_fxeq() { Not_built("the XEQ( function"); }
void fnc_cap() { Not_built("the CAP( function"); }
void fnc_shw() { Not_built("the SHW( function"); }
void fnc_fmsg() { Not_built("the FMSG( function"); }
void fnc_img() { Not_built("the IMG( function"); }
void fnc_dll() { Not_built("the DLL( function"); }
void fnc_fchg() { Not_built("the CHG( function"); }
void fnc_fevs() { Not_built("the EVS( function"); }
void fnc_fevn() { Not_built("the EVN( function"); }
void fnc_fobj() { Not_built("the OBJ( function"); }
void fnc_frm() { Not_built("the FRM( function"); }
void fnc_nul() { Not_built("the NUL( function"); }
void fnc_cse() { Not_built("the CSE( function"); }
void fnc_txw() { Not_built("the TXW( function"); }
void fnc_txh() { Not_built("the TXH( function"); }
void fnc_xfa() { Not_built("the XFA( function"); }
void fnc_mid() { Not_built("the MID( function"); }
void fnc_sep() { Not_built("the SEP( function"); }
void fnc_siz() { Not_built("the SIZ( function"); }
void fnc_lpi() { Not_built("the LPI( function"); }
void fnc_cpi() { Not_built("the CPI( function"); }
void fnc_mxz() { Not_built("the MXZ( function"); }
void fnc_mnz() { Not_built("the MNZ( function"); }
void fnc_ofs() { Not_built("the OFS( function"); }
void fnc_tmr() { Not_built("the TMR( function"); }
void fnc_sub() { Not_built("the SUB( function"); }
void fnc_fnew() { Not_built("the NEW( function"); }
void fnc_fref() { Not_built("the REF( function"); }
void fnc_lno() { Not_built("the LNO( function"); }
void fnc_mopt() { Not_built("the MOPT( function"); }
void fnc_beep() { Not_built("the BEEP( function"); }
void fnc_fclr() { Not_built("the FCLR( function"); }
void fnc_bclr() { Not_built("the BCLR( function"); }
void fnc_cmp() { Not_built("the CMP( function"); }
void fnc_ucp() { Not_built("the UCP( function"); }
void fnc_jst() { Not_built("the JST( function"); }
void vl_who() { Not_built("the WHO system variable"); }
void vl_unt() { Not_built("the UNT system variable"); }
void vl_ctl() { Not_built("the CTL system variable"); }
void vl_day() { Not_built("the DAY system variable"); }
void vl_dsz() { Not_built("the DSZ system variable"); }
void vl_eom() { Not_built("the EOM system variable"); }
void vl_err() { Not_built("the ERR system variable"); }
void vl_gid() { Not_built("the GID system variable"); }
void vl_hwd() { Not_built("the HWD system variable"); }
void vl_lwd() { Not_built("the LWD system variable"); }
void vl_prc() { Not_built("the PRC system variable"); }
void vl_psz() { Not_built("the PSZ system variable"); }
void vl_ret() { Not_built("the RET system variable"); }
void vl_sys() { Not_built("the SYS system variable"); }
void vl_tme() { Not_built("the TME system variable"); }
void vl_uid() { Not_built("the UID system variable"); }
void vl_chn() { Not_built("the CHN system variable"); }
void vl_pgn() { Not_built("the PGN system variable"); }
void vl_pfx() { Not_built("the PFX system variable"); }
void vl_hfn() { Not_built("the HFN system variable"); }
void vl_tim() { Not_built("the TIM system variable"); }
void vl_sep() { Not_built("the SEP system variable"); }
void vl_quo() { Not_built("the QUO system variable"); }
void vl_esc() { Not_built("the ESC system variable"); }
void vl_tsm() { Not_built("the TSM system variable"); }
void vl_sid() { Not_built("the SID system variable"); }
void vl_mde() { Not_built("the MDE system variable"); }
void vl_ers() { Not_built("the ERS system variable"); }
void vl_rnd() { Not_built("the RND system variable"); }
void vl_tms() { Not_built("the TMS system variable"); }
void vl_bkg() { Not_built("the BKG system variable"); }
void vl_gfn() { Not_built("the GFN system variable"); }
void vl_prm() { Not_built("the PRM system variable"); }
void vl_lip() { Not_built("the LIP system variable"); }
void vl_lfa() { Not_built("the LFA system variable"); }
void vl_lfo() { Not_built("the LFO system variable"); }
void vl_dlm() { Not_built("the DLM system variable"); }
void vl_lpg() { Not_built("the LPG system variable"); }
void vl_mnem() { Not_built("the mnemonic system variables"); }
void vl_mse() { Not_built("the MSE system variable"); }
void vl_nid() { Not_built("the NID system variable"); }
void vl_vmsl() { Not_built("the VMSL system variable"); }
void vl_vnar() { Not_built("the VNAR system variable"); }
void vl_vhlp() { Not_built("the VHLP system variable"); }
void vl_voop() { Not_built("the VOOP system variable"); }
