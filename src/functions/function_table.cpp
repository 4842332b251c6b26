// Function and system-variable dispatch: the handler tables, Ret_function,
// Ret_value and the result helpers shared by every handler.
#include "functions/function_table.h"

#include <cstring>
#include <exception>

#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "functions/fnc_args.h"

namespace {

// String results up to this many bytes are built in the work area.
constexpr int64_t RSV_WORK_MAX = 200;
constexpr uint8_t FNC_CALL = 88;  // FN: call of a user-defined function

// Restores the statement's error context however the handler leaves.
// Restores the statement's error context when the function returns.  When
// an error leaves the function, the context stays as the function set it, so
// an ERR= clause inside the function takes that error.
struct Err_context_guard {
  uint8_t* stmt_save = ws.Stmt_save;
  uint32_t err_line = ws.Err_line;
  int unwinding = std::uncaught_exceptions();
  ~Err_context_guard() {
    if (std::uncaught_exceptions() > unwinding) return;
    ws.Stmt_save = stmt_save;
    ws.Err_line = err_line;
  }
};

// Second byte b after the 0x48 prefix: index into Fnc_all (0..172), or -1.
inline int ext_index(uint8_t b) {
  if (b < 0x0C || b > 0xB8) return -1;
  return b - 0x0C;
}
// Second byte b after the 0xFE prefix: Xfnc_jtbl from 0x0C, Zfnc_jtbl from 0x48.
inline int alt_index(uint8_t b) {
  if (b < 0x0C || b > 0x7C) return -1;
  return FNC_SLOTS + (b - 0x0C);
}

}  // namespace

const Fnc_handler Fnc_all[FNC_SLOTS + XFNC_SLOTS + ZFNC_SLOTS] = {
    // Fnc_jtbl
    Fnc_extend, fnc_abs, fnc_fand, fnc_arg, fnc_asc, fnc_ath, fnc_bin, fnc_bsz, fnc_chr, fnc_cpl,
    fnc_crc, fnc_dec, fnc_ept, fnc_err, fnc_exp, fnc_fid, fnc_fnc, fnc_fpt, fnc_gap, fnc_gep,
    fnc_hsa, fnc_hsh, fnc_hta, fnc_ind, fnc_int, fnc_ior, fnc_key, fnc_lcs, fnc_len, fnc_log,
    fnc_lrc, fnc_lst, fnc_mem, fnc_mod, fnc_msg, fnc_not, fnc_num, fnc_pgm, fnc_pos, fnc_pth,
    fnc_pub, fnc_rdx, fnc_sgn, fnc_sqr, fnc_ssz, fnc_str, fnc_tcb, fnc_tsk, fnc_ucs, fnc_xor,
    fnc_loc, fnc_max, fnc_min, fnc_rcd, fnc_fib, fnc_kef, fnc_kel, fnc_rno, fnc_ken, KestFnc_Xml,
    // Xfnc_jtbl
    Fnc_error, fnc_i3e, fnc_stp, fnc_kec, fnc_kep, fnc_stk, fnc_trx, fnc_env, fnc_sin, fnc_cos,
    fnc_tan, fnc_asn, fnc_acs, fnc_atn, fnc_pad, fnc_dim, fnc_box, fnc_wdw, fnc_drp, fnc_gto,
    fnc_box, fnc_nwa, fnc_drp, fnc_gto, fnc_hwn, fnc_ctl, fnc_mve, fnc_scr, fnc_scll, fnc_fin,
    fnc_tbl, fnc_jul, fnc_dte, fnc_mxc, fnc_mxl, fnc_mnm, fnc_fcvs, fnc_ffn, fnc_fmsk, fnc_cur,
    fnc_fsrt, fnc_swp, fnc_fgbl, fnc_i86, fnc_rec, fnc_mde, fnc_prm, fnc_iol, fnc_vin, fnc_vis,
    fnc_wrp, fnc_opt, fnc_pfx, fnc_rnd, fnc_dir, fnc_dsk, fnc_kgn, fnc_prc, fnc_pck, fnc_upk,
    // Zfnc_jtbl
    Fnc_error, fnc_pic, fnc_lin, fnc_rct, fnc_pgn, fnc_pie, fnc_gcrc, fnc_arc, fnc_fld, fnc_pen,
    fnc_fil, fnc_fnt, fnc_txt, fnc_atx, fnc_aty, fnc_dlg, fnc_fxeq, fnc_cap, fnc_shw, fnc_fmsg,
    fnc_img, fnc_dll, fnc_fchg, fnc_fevs, fnc_fevn, fnc_dll, fnc_fobj, fnc_frm, fnc_nul, fnc_cse,
    fnc_txw, fnc_txh, fnc_xfa, fnc_mid, fnc_sep, fnc_siz, fnc_lpi, fnc_cpi, fnc_mxz, fnc_mnz,
    fnc_ofs, fnc_tmr, fnc_sub, fnc_fnew, fnc_fref, fnc_lno, fnc_mopt, fnc_beep, fnc_fclr, fnc_bclr,
    fnc_cmp, fnc_ucp, fnc_jst,
};
const Fnc_handler* const Fnc_jtbl = Fnc_all;
const Fnc_handler* const Xfnc_jtbl = Fnc_all + FNC_SLOTS;
const Fnc_handler* const Zfnc_jtbl = Fnc_all + FNC_SLOTS + XFNC_SLOTS;

const Fnc_handler Jmp_val[JMP_VAL_SLOTS] = {
    nullptr, vl_who, vl_unt, vl_ctl, vl_day, vl_dsz, vl_eom, vl_err, vl_gid, vl_hwd, vl_lwd, vl_prc,
    vl_psz,  vl_ret, nullptr, vl_sys, vl_tme, vl_uid, vl_chn, vl_pgn, vl_pfx, vl_hfn, vl_tim,
};

const Fnc_handler Ext_val[EXT_VAL_SLOTS] = {
    vl_sep,  vl_quo,  vl_esc,  vl_tsm,  vl_sid,  vl_mde,  vl_ers,  vl_rnd,  vl_tms,  vl_bkg,  vl_gfn,
    vl_prm,  vl_lip,  vl_lfa,  vl_lfo,  vl_dlm,  vl_lpg,  vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem,
    vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem,
    vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mse,  vl_nid,  vl_vmsl, vl_vnar, vl_vhlp, vl_voop,
};

void Fnc_error() { Rpt_error(err::INTERNAL_CODE); }

void Fnc_extend() {
  int i = ext_index(*ws.Exec_ptr++);
  if (i < 0) Rpt_error(err::INTERNAL_CODE);
  Fnc_all[i]();
}

int Ret_function(uint8_t c) {
  Err_context_guard guard;
  Fnc_handler h;
  if (c == code::XFNC_PREFIX || c == code::ALT_FNC) {
    uint8_t b = *ws.Exec_ptr++;
    int i = c == code::XFNC_PREFIX ? ext_index(b) : alt_index(b);
    if (i < 0) Rpt_error(err::INTERNAL_CODE);
    h = Fnc_all[i];
  } else if (c > code::XFNC_PREFIX && c <= code::FNC_LAST) {
    h = Fnc_jtbl[c - code::XFNC_PREFIX];
  } else {
    Rpt_error(err::INTERNAL_CODE);
  }
  ws.Stmt_save = ws.Exec_ptr;
  h();
  if (c != FNC_CALL) {
    Chk_err();
    if (*ws.Exec_ptr != code::RPAREN) {
      // An option word this function does not take: LEN(S$,KEY=1).
      const uint8_t* p = ws.Exec_ptr;
      if (p[0] == code::COMMA && p[1] >= code::IOPT_FIRST && p[1] <= code::IOPT_LAST) Rpt_error(err::SYNTAX);
      Rpt_error(err::INTERNAL_CODE);
    }
    ws.Exec_ptr++;
  }
  return ws.Str_len;
}

int Ret_value(uint8_t c) {
  ws.Str_len = -1;
  Fnc_handler h = nullptr;
  if (c == code::EXT_SYSVAR) {
    uint8_t b = *ws.Exec_ptr++;
    if (b >= 0x0D && b < 0x0D + EXT_VAL_SLOTS) h = Ext_val[b - 0x0D];
  } else if (c > code::EXT_SYSVAR && c < 0x0C + JMP_VAL_SLOTS) {
    h = Jmp_val[c - 0x0C];
  }
  if (!h) Rpt_error(err::INTERNAL_CODE);
  h();
  return ws.Str_len;
}

uint8_t* Rsv_out(int64_t n) {
  if (n < 0) Rpt_error(err::OUT_OF_RANGE);
  if (n > ws.Max_strlen) Rpt_error(err::STRING_LENGTH);
  uint8_t* p;
  if (n <= RSV_WORK_MAX) {
    p = Work_take(size_t(n));
  } else {
    Str_blk* b = Get_str_temp(size_t(n));
    b->len = uint32_t(n);
    p = b->bytes();
  }
  ws.Str_ptr = p;
  ws.Str_len = int32_t(n);
  return p;
}

void Fnc_result_copy(const void* p, size_t n) {
  uint8_t* out = Rsv_out(int64_t(n));
  if (n) std::memcpy(out, p, n);
}
