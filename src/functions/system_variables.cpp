// System variables whose subsystems exist; the handlers follow the calling
// convention of the functions (result in the accumulators, short strings in
// the work area).
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/open.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/process_config.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "functions/prefix_lists.h"
#include "programs/program_info.h"
#include "functions/user_functions.h"
#include "terminal/terminal.h"

namespace {

constexpr char Mnem_names[] = "F0F1F2F3F4F5F6F7B0B1B2B3B4B5B6B7WRWCWSBKDF";
constexpr uint8_t MNEM_FIRST = 0x1E;  // second token byte of F0

void text_result(const std::string& s) {
  uint8_t* out = Rsv_out(int64_t(s.size()));
  if (!s.empty()) std::memcpy(out, s.data(), s.size());
}

void byte_result(uint8_t b) { Rsv_out(1)[0] = b; }

}  // namespace

void vl_err() { Fnc_result_int(ws.Err_no); }
void vl_ers() { Fnc_result_int(ws.Err_stno); }
void vl_prc() { Fnc_result_int(ws.Precision); }
void vl_dsz() { Fnc_result_int(ws.Mem_limit - ws.Mem_used); }
void vl_psz() {
  int64_t n = ws.Pgm_size;
  if (!ws.Pgm_image) n += int64_t(ws.Name_pool_size) + 2 * int64_t(ws.Name_cnt);
  Fnc_result_int(n);
}
void vl_sys() { text_result("UNIX-SCO"); }
void vl_quo() { byte_result(0x22); }
void vl_esc() { byte_result(0x1B); }
void vl_dlm() { byte_result('/'); }
void vl_sep() { byte_result(prmblk.FS); }
void vl_mde() { Rpt_error(err::NOT_BUILT); }

void vl_gid() {
  uint16_t pid = uint16_t(getpid());
  uint8_t* out = Rsv_out(2);
  out[0] = uint8_t(pid >> 8);
  out[1] = uint8_t(pid);
}

void vl_uid() { text_result(Getlogin()); }

void vl_lwd() {
  char buf[4096];
  text_result(getcwd(buf, sizeof buf) ? std::string(buf) : std::string());
}

void vl_sid() {
  struct utsname u;
  text_result(uname(&u) == 0 ? std::string(u.sysname) : std::string());
}

void vl_rnd() {
  uint32_t r = (uint32_t(Oru_rand()) << 15 | uint32_t(Oru_rand())) % 100000000u;
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = r;
  ws.Num_acc.scale = 8;
  ws.Str_len = -1;
}

void vl_tms() { Fnc_result_int(int64_t(std::time(nullptr)) % 60); }

void vl_mnem() {
  int i = (ws.Exec_ptr[-1] - MNEM_FIRST) * 2;
  if (i < 0 || i + 1 >= int(sizeof Mnem_names)) Rpt_error(err::INTERNAL_CODE);
  uint8_t* out = Rsv_out(3);
  out[0] = 0x1B;
  out[1] = uint8_t(Mnem_names[i]);
  out[2] = uint8_t(Mnem_names[i + 1]);
}

void vl_prm() {
  Ret_param();
}

void vl_ctl() { Fnc_result_int(ws.Ctl_value); }
void vl_eom() { Fnc_result_str(ws.Eom_chars, ws.Eom_len); }
void vl_hwd() { text_result(szSysHomeDir); }
void vl_ret() { Fnc_result_int(int16_t(ws.Last_errno + 256)); }
void vl_lfa() { Fnc_result_int(ws.Lfa_chan); }
void vl_lfo() { Fnc_result_int(ws.Lfo_chan == 65001 ? -1 : ws.Lfo_chan); }
void vl_lpg() { Fnc_result_str(ws.Lpg_text, ws.Lpg_len); }

// NID: the node id set by DEF NID, else the host's node name (kept once
// known, when it fits).
void vl_nid() {
  if (ws.Node_id[0] == 0) {
    struct utsname u;
    std::string node = uname(&u) == 0 ? std::string(u.nodename) : std::string();
    if (node.size() < sizeof ws.Node_id) {
      std::memcpy(ws.Node_id, node.data(), node.size());
      ws.Node_id[node.size()] = 0;
    } else {
      text_result(node);
      return;
    }
  }
  text_result(ws.Node_id);
}

// WHO: NID with parameter !9, else UID.
void vl_who() {
  if (Sw_on(sw::Bang9))
    vl_nid();
  else
    vl_uid();
}

// VNAR: the number of program arguments, counting those DEF ARG supplies.
void vl_vnar() { Fnc_result_int(std::max(prmblk.Argc, Kest_GetNArg())); }

// ---- channel numbers ----

namespace {

// The channel numbers a program may use: 0..32767 with parameter XF, else
// 0..127 (the high numbers 64..127, or 32768..65000, are the "global" ones
// GFN hands out).
bool xf_on() { return Sw_on(sw::XF); }

// The highest channel number in low..high that no open channel uses; -1
// when every one is taken.  The channel list is sorted, so one pass marks
// the used numbers of the window.
int32_t Find_high_fn(int32_t low, int32_t high) {
  std::vector<bool> used(size_t(high - low + 1), false);
  for (Fcb* f = ws.Fcb_list; f; f = f->next) {
    if (f->channel > high) break;
    if (f->channel >= low) used[size_t(f->channel - low)] = true;
  }
  for (int32_t n = high; n >= low; --n)
    if (!used[size_t(n - low)]) return n;
  return -1;
}

void put_u16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

}  // namespace

// UNT: the lowest channel number not in use, below 64 (32768 with XF).
void vl_unt() {
  int32_t limit = xf_on() ? 32768 : 64;
  int32_t n = 0;
  for (Fcb* f = ws.Fcb_list; f && n < limit; f = f->next) {
    if (f->channel > n) break;
    if (f->channel == n) ++n;
  }
  Fnc_result_int(n < limit ? n : -1);
}

// HFN: the highest free channel 1..63 (1..32767 with XF).
void vl_hfn() { Fnc_result_int(xf_on() ? Find_high_fn(1, 32767) : Find_high_fn(1, 63)); }

// GFN: the highest free channel 64..127 (32768..65000 with XF).
void vl_gfn() { Fnc_result_int(xf_on() ? Find_high_fn(32768, 65000) : Find_high_fn(64, 127)); }

// CHN: the open channels below the internal ones, ascending, two bytes each
// big-endian.
void vl_chn() {
  int64_t n = 0;
  for (Fcb* f = ws.Fcb_list; f && f->channel < 65001; f = f->next) ++n;
  uint8_t* out = Rsv_out(n * 2);
  for (Fcb* f = ws.Fcb_list; f && f->channel < 65001; f = f->next, out += 2) put_u16(out, f->channel);
}

// PFX: the general PREFIX list as it stands.
void vl_pfx() { text_result(Pfx_get(PFX_GENERAL)); }

// PGN: the path of the running program (empty for the program typed at the
// console, which has none).
void vl_pgn() { text_result(Program_path(0)); }

// TSM: "0", the program's name (16 bytes, zero-filled), then the line of
// the last error, its number and the last host error, five digits each.
void vl_tsm() {
  std::string path = Program_path(0);
  size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  uint8_t* out = Rsv_out(32);
  std::memset(out, 0, 32);
  out[0] = '0';
  std::memcpy(out + 1, name.data(), std::min<size_t>(name.size(), 16));
  char digits[16];
  std::snprintf(digits, sizeof digits, "%05u", unsigned(ws.Err_stno % 100000));
  std::memcpy(out + 17, digits, 5);
  std::snprintf(digits, sizeof digits, "%05u", unsigned(uint32_t(ws.Err_no) % 100000));
  std::memcpy(out + 22, digits, 5);
  std::snprintf(digits, sizeof digits, "%05u", unsigned(uint32_t(ws.Last_errno) % 100000));
  std::memcpy(out + 27, digits, 5);
}

// BKG: 0 when the console drives a terminal line; otherwise 1 for a process
// whose standard output is no terminal (it runs in the background).
void vl_bkg() {
  const Fcb* con = ws.Con_fcb;
  if (con && (con->st2 & ST2_IS_TTY)) {
    Fnc_result_int(0);
    return;
  }
  Fnc_result_int(isatty(1) ? 0 : 1);
}
