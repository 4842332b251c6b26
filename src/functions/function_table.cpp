// The handlers of the built-in functions and system variables, slot by slot
// (registered into the core's tables at start-up), and the result helpers
// shared by every handler.
#include "functions/function_table.h"

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <cstring>
#include <utility>

#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "functions/fnc_args.h"

namespace {

// String results up to this many bytes are built in the work area.
constexpr int64_t RSV_WORK_MAX = 200;

// Slot by slot as core/dispatch.h and function_table.h lay them out.
constexpr Fnc_handler fnc_list[ALL_FNC_SLOTS] = {
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
constexpr Fnc_handler jmp_val_list[JMP_VAL_SLOTS] = {
    nullptr, vl_who, vl_unt, vl_ctl, vl_day, vl_dsz, vl_eom, vl_err, vl_gid, vl_hwd, vl_lwd, vl_prc,
    vl_psz,  vl_ret, nullptr, vl_sys, vl_tme, vl_uid, vl_chn, vl_pgn, vl_pfx, vl_hfn, vl_tim,
};

constexpr Fnc_handler ext_val_list[EXT_VAL_SLOTS] = {
    vl_sep,  vl_quo,  vl_esc,  vl_tsm,  vl_sid,  vl_mde,  vl_ers,  vl_rnd,  vl_tms,  vl_bkg,  vl_gfn,
    vl_prm,  vl_lip,  vl_lfa,  vl_lfo,  vl_dlm,  vl_lpg,  vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem,
    vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem,
    vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mnem, vl_mse,  vl_nid,  vl_vmsl, vl_vnar, vl_vhlp, vl_voop,
};

// Handlers that compute a value from their arguments and the parameters
// alone (those of numeric_functions, string_functions, date_functions,
// fnc_codes and fnc_text, which reach no channel, terminal or program code;
// the constant system variables; the dispatch of the prefixed codes, which
// goes through the table again): they leave the current-I/O area as it is.
constexpr Fnc_handler computed[] = {
    Fnc_extend, Fnc_error,
    // numeric_functions
    fnc_abs, fnc_sgn, fnc_int, fnc_prc, fnc_fpt, fnc_mod, fnc_ept, fnc_exp, fnc_log, fnc_sqr, fnc_sin, fnc_cos,
    fnc_tan, fnc_atn, fnc_asn, fnc_acs, fnc_bsz, fnc_hsa, fnc_ssz, fnc_max, fnc_min, fnc_cse, fnc_nul, fnc_not,
    fnc_fand, fnc_ior, fnc_xor, fnc_asc, fnc_len, fnc_bin, fnc_dec,
    // string_functions
    fnc_chr, fnc_lcs, fnc_ucs, fnc_hta, fnc_ath, fnc_str, fnc_num, fnc_mid, fnc_pos, fnc_pad, fnc_jst, fnc_stp,
    fnc_sub, fnc_tbl, fnc_trx, fnc_loc, fnc_dim,
    // date_functions
    fnc_jul, fnc_dte, fnc_prm, vl_day, vl_tim, vl_tme,
    // fnc_codes
    fnc_crc, fnc_hsh, fnc_lrc, fnc_gap, fnc_gep, fnc_rdx, fnc_pck, fnc_upk, fnc_i3e, fnc_swp, fnc_kgn, fnc_cmp,
    fnc_ucp,
    // fnc_text
    fnc_fmsk, fnc_fsrt, fnc_fcvs,
    // constants
    vl_quo, vl_esc, vl_dlm, vl_sep,
    // NEW takes the save itself on its ways that may reach the area (a
    // class found by name, a copy, the thin client's object, a FOR target);
    // a constructor's statements take it as any run's do
    fnc_fnew,
};

// Any other handler may change the current-I/O area (I/O on a channel, the
// terminal, a program or method it runs): a save of the area that a nested
// run owes is taken before it starts (Io_touch).  The tables hold these
// handlers behind that test; the computed ones are called as they are.
template <const Fnc_handler* list, size_t I>
void io_first() {
  Io_touch();
  list[I]();
}

template <const Fnc_handler* list, size_t... I>
constexpr std::array<Fnc_handler, sizeof...(I)> behind_test(std::index_sequence<I...>) {
  return {{&io_first<list, I>...}};
}

// (Built at start-up: a function's address is no constant expression in
// every build, the sanitizer's among them.)  The computed handlers are
// looked up in a sorted copy of their list.
template <size_t N, size_t K>
std::array<Fnc_handler, N> guarded(const Fnc_handler (&list)[N], const std::array<Fnc_handler, N>& behind,
                                   const std::array<Fnc_handler, K>& computed_sorted) {
  std::array<Fnc_handler, N> out;
  for (size_t i = 0; i < N; i++) {
    const bool as_is = !list[i] || std::binary_search(computed_sorted.begin(), computed_sorted.end(), list[i],
                                                      std::less<Fnc_handler>());
    out[i] = as_is ? list[i] : behind[i];
  }
  return out;
}

constexpr auto fnc_behind = behind_test<fnc_list>(std::make_index_sequence<ALL_FNC_SLOTS>{});
constexpr auto jmp_val_behind = behind_test<jmp_val_list>(std::make_index_sequence<JMP_VAL_SLOTS>{});
constexpr auto ext_val_behind = behind_test<ext_val_list>(std::make_index_sequence<EXT_VAL_SLOTS>{});

}  // namespace

void Functions_register_handlers() {
  std::array<Fnc_handler, std::size(computed)> sorted;
  std::copy(std::begin(computed), std::end(computed), sorted.begin());
  std::sort(sorted.begin(), sorted.end(), std::less<Fnc_handler>());
  Register_functions(guarded(fnc_list, fnc_behind, sorted), guarded(jmp_val_list, jmp_val_behind, sorted),
                     guarded(ext_val_list, ext_val_behind, sorted));
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
