// Built-in functions and system variables: the handler tables and the
// calling convention.
//
// Function tokens in compiled code (class bit CC_FUNCTION of Cde_tbl):
//   c            0x49..0x83   Fnc_jtbl slot c - 0x48
//   0x48 b       0x0C..0x47   Fnc_jtbl slot b - 0x0C
//                0x48..0x83   Xfnc_jtbl slot b - 0x48
//                0x84..0xB8   Zfnc_jtbl slot b - 0x84
//   0xFE b       0x0C..0x47   Xfnc_jtbl slot b - 0x0C
//                0x48..0x7C   Zfnc_jtbl slot b - 0x48
// The three tables lie end to end (Fnc_all), so one index runs through all of
// them: Fnc_jtbl slot 0 is Fnc_extend (the 0x48 prefix), slot 0 of the two
// others is Fnc_error (error 49).
//
// System-variable tokens (class bit CC_SYSVAR): c 0x0D..0x22 is Jmp_val slot
// c - 0x0C; 0x0C b (b 0x0D..0x38) is Ext_val slot b - 0x0D.
//
// Handler convention: a handler takes no arguments.  The cursor ws.Exec_ptr
// stands on its first argument (the opening parenthesis belongs to the
// token); it reads the arguments with the evaluator, steps over the commas
// (code 37) itself and leaves the cursor on what closes the call (an ERR=
// clause or ")").  A numeric result is in ws.Num_acc with ws.Str_len -1; a
// string result is (ws.Str_ptr, ws.Str_len).  Errors are raised with
// Rpt_error.  Ret_function parses the ERR= clause (Chk_err) and the ")".
#pragma once
#include <cstdint>

#include "core/errors.h"     // Chk_err
#include "core/dispatch.h"
#include "core/evaluator.h"  // Ret_function, Ret_value

// The tables themselves (Fnc_all, Jmp_val, Ext_val), the slot counts and
// Fnc_extend/Fnc_error are the core's (core/dispatch.h); this layer fills
// them at start-up.
void Functions_register_handlers();

// Reserves n bytes for a string result and makes it the result: up to 200
// bytes in the work area, else a per-statement temporary string.  Returns
// ws.Str_ptr; the handler fills the bytes in place.
uint8_t* Rsv_out(int64_t n);


// ---- Fnc_jtbl slots 1..59 ----
void fnc_abs();
void fnc_fand();
void fnc_arg();
void fnc_asc();
void fnc_ath();
void fnc_bin();
void fnc_bsz();
void fnc_chr();
void fnc_cpl();
void fnc_crc();
void fnc_dec();
void fnc_ept();
void fnc_err();
void fnc_exp();
void fnc_fid();
void fnc_fnc();
void fnc_fpt();
void fnc_gap();
void fnc_gep();
void fnc_hsa();
void fnc_hsh();
void fnc_hta();
void fnc_ind();
void fnc_int();
void fnc_ior();
void fnc_key();
void fnc_lcs();
void fnc_len();
void fnc_log();
void fnc_lrc();
void fnc_lst();
void fnc_mem();
void fnc_mod();
void fnc_msg();
void fnc_not();
void fnc_num();
void fnc_pgm();
void fnc_pos();
void fnc_pth();
void fnc_pub();
void fnc_rdx();
void fnc_sgn();
void fnc_sqr();
void fnc_ssz();
void fnc_str();
void fnc_tcb();
void fnc_tsk();
void fnc_ucs();
void fnc_xor();
void fnc_loc();
void fnc_max();
void fnc_min();
void fnc_rcd();
void fnc_fib();
void fnc_kef();
void fnc_kel();
void fnc_rno();
void fnc_ken();
void KestFnc_Xml();

// ---- Xfnc_jtbl slots 1..59 ----
void fnc_i3e();
void fnc_stp();
void fnc_kec();
void fnc_kep();
void fnc_stk();
void fnc_trx();
void fnc_env();
void fnc_sin();
void fnc_cos();
void fnc_tan();
void fnc_asn();
void fnc_acs();
void fnc_atn();
void fnc_pad();
void fnc_dim();
void fnc_box();  // BOX( and BOX2(
void fnc_wdw();
void fnc_drp();  // DRP( and DRP2(
void fnc_gto();  // GTO( and GTO2(
void fnc_nwa();
void fnc_hwn();
void fnc_ctl();
void fnc_mve();
void fnc_scr();
void fnc_scll();
void fnc_fin();
void fnc_tbl();
void fnc_jul();
void fnc_dte();
void fnc_mxc();
void fnc_mxl();
void fnc_mnm();
void fnc_fcvs();
void fnc_ffn();
void fnc_fmsk();
void fnc_cur();
void fnc_fsrt();
void fnc_swp();
void fnc_fgbl();
void fnc_i86();
void fnc_rec();
void fnc_mde();
void fnc_prm();
void fnc_iol();
void fnc_vin();
void fnc_vis();
void fnc_wrp();
void fnc_opt();
void fnc_pfx();
void fnc_rnd();
void fnc_dir();
void fnc_dsk();
void fnc_kgn();
void fnc_prc();
void fnc_pck();
void fnc_upk();

// ---- Zfnc_jtbl slots 1..52 ----
void fnc_pic();
void fnc_lin();
void fnc_rct();
void fnc_pgn();
void fnc_pie();
void fnc_gcrc();
void fnc_arc();
void fnc_fld();
void fnc_pen();
void fnc_fil();
void fnc_fnt();
void fnc_txt();
void fnc_atx();  // @X(
void fnc_aty();  // @Y(
void fnc_dlg();
void fnc_fxeq();
void fnc_cap();
void fnc_shw();
void fnc_fmsg();
void fnc_img();
void fnc_dll();  // DLL( and DLX(
void fnc_fchg();
void fnc_fevs();
void fnc_fevn();
void fnc_fobj();
void fnc_frm();
void fnc_nul();
void fnc_cse();
void fnc_txw();
void fnc_txh();
void fnc_xfa();
void fnc_mid();
void fnc_sep();
void fnc_siz();
void fnc_lpi();
void fnc_cpi();
void fnc_mxz();
void fnc_mnz();
void fnc_ofs();
void fnc_tmr();
void fnc_sub();
void fnc_fnew();
void fnc_fref();
void fnc_lno();
void fnc_mopt();
void fnc_beep();
void fnc_fclr();
void fnc_bclr();
void fnc_cmp();
void fnc_ucp();
void fnc_jst();

// ---- system variables ----
void vl_who();
void vl_unt();
void vl_ctl();
void vl_day();
void vl_dsz();
void vl_eom();
void vl_err();
void vl_gid();
void vl_hwd();
void vl_lwd();
void vl_prc();
void vl_psz();
void vl_ret();
void vl_sys();
void vl_tme();
void vl_uid();
void vl_chn();
void vl_pgn();
void vl_pfx();
void vl_hfn();
void vl_tim();
void vl_sep();
void vl_quo();
void vl_esc();
void vl_tsm();
void vl_sid();
void vl_mde();
void vl_ers();
void vl_rnd();
void vl_tms();
void vl_bkg();
void vl_gfn();
void vl_prm();
void vl_lip();
void vl_lfa();
void vl_lfo();
void vl_dlm();
void vl_lpg();
void vl_mnem();  // F0 .. DF
void vl_mse();
void vl_nid();
void vl_vmsl();
void vl_vnar();
void vl_vhlp();
void vl_voop();
