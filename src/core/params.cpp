// The system-parameter table, SET_PARAM and the PRM text.
//
// Exec_param processes every row whose primary or inverse code matches, so
// one code may change several rows (FU sets its own bit and, through a row
// with no primary code, clears FL's).  Get_param answers from the first
// matching row.
#include "core/params.h"

#include <cctype>
#include <cstring>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/host.h"
#include "core/memory.h"

Prm_block prmblk;
namespace {
Prm_watcher watchers[PRM_WATCHERS_MAX];  // constant-initialized: registration may come at any time
int watcher_count = 0;
}  // namespace

void Prm_watch(Prm_watcher fn) {
  for (int i = 0; i < watcher_count; i++)
    if (watchers[i] == fn) return;
  if (watcher_count == PRM_WATCHERS_MAX) Not_built("more watchers of parameter changes");
  watchers[watcher_count++] = fn;
}

namespace {

constexpr uint16_t* word_addr(int w) {
  switch (w) {
    case 1: return &ws.Sys_flags1;
    case 2: return &ws.Sys_flags2;
    case 3: return &ws.Sys_flags3;
    case 4: return &ws.Sys_flags4;
    case 5: return &ws.Sys_flags5;
    case 6: return &ws.Sys_flags6;
    case 7: return &ws.Sys_flags7;
    case 8: return &ws.Sys_flags8;
    case 9: return &ws.Sys_flags9;
    case 10: return &ws.Sys_flags10;
    case 11: return &ws.Sys_flags11;
    default: return &ws.Sys_flags12;
  }
}

constexpr uint16_t C2(char a, char b) { return Prm_code(a, b); }
constexpr Sw_bit FUL{sw::FU.word, uint16_t(sw::FU.mask | sw::FL.mask)};
static_assert(sw::FU.word == sw::FL.word);

#define W(b) word_addr((b).word), (b).mask, 0

}  // namespace

const Prm_row Prm_tbl[] = {
    {C2('A','D'), 0, Prm_kind::word, W(sw::AD)},
    {C2('A','H'), 0, Prm_kind::word, W(sw::AH)},
    {C2('A','I'), 0, Prm_kind::u16, &prmblk.AI, 1, 32000},
    {C2('A','P'), 0, Prm_kind::word, W(sw::AP)},
    {C2('B','0'), 0, Prm_kind::word, W(sw::B_0)},
    {C2('B','F'), 0, Prm_kind::u16, &prmblk.BF, 0, 100},
    {C2('B','L'), 0, Prm_kind::u16, &prmblk.BL, 0, 512},
    {C2('B','T'), 0, Prm_kind::word, W(sw::BT)},
    {C2('B','X'), 0, Prm_kind::word, W(sw::BX)},
    {C2('B','Y'), 0, Prm_kind::s16, &prmblk.BY, -7999, 8000},
    {C2('C','D'), 0, Prm_kind::word, W(sw::CD)},
    {C2('C','F'), 0, Prm_kind::word, W(sw::CF)},
    {C2('C','H'), 0, Prm_kind::u16, &prmblk.CH, 0, 255},
    {C2('C','O'), 0, Prm_kind::u16, &prmblk.CO, 0, 255},
    {C2('C','S'), 0, Prm_kind::word, W(sw::CS)},
    {C2('C','U'), 0, Prm_kind::u8, &prmblk.CU, 0, 255},
    {C2('D','0'), 0, Prm_kind::flag, &ws.Prm.D0, 0, 0},
    {C2('D','B'), 0, Prm_kind::u16, &prmblk.DB, 0, 1023},
    {C2('D','C'), C2('J','C'), Prm_kind::word, W(sw::DC)},
    {C2('D','F'), 0, Prm_kind::u16, &prmblk.DF, 0, 1000},
    {C2('D','L'), 0, Prm_kind::u16, &prmblk.DL, 0, 1000},
    {C2('D','P'), 0, Prm_kind::u8, &prmblk.DP, 0, 255},
    {C2('D','W'), 0, Prm_kind::word, W(sw::DW)},
    {C2('D','T'), 0, Prm_kind::u16, &prmblk.DT, 0, 3600},
    {C2('E','G'), 0, Prm_kind::word, W(sw::EG)},
    {C2('E','L'), 0, Prm_kind::u16, &prmblk.EL, 0, 2},
    {C2('E','O'), 0, Prm_kind::word, W(sw::EO)},
    {C2('E','S'), 0, Prm_kind::word, W(sw::ES)},
    {C2('E','X'), 0, Prm_kind::u16, &prmblk.EX, 0, 2},
    {C2('F','B'), 0, Prm_kind::u16, &prmblk.FB, 0, 20},
    {C2('F','C'), 0, Prm_kind::word, W(sw::FC)},
    {C2('F','F'), 0, Prm_kind::u16, &prmblk.FF, 0, 4},
    {C2('F','I'), C2('F','E'), Prm_kind::word, W(sw::FI)},
    {PRM_NO_CODE, C2('F','N'), Prm_kind::word, W(FUL)},
    {C2('F','U'), 0, Prm_kind::word, W(sw::FU)},
    {PRM_NO_CODE, C2('F','U'), Prm_kind::word, W(sw::FL)},  // FU clears FL
    {C2('F','L'), 0, Prm_kind::word, W(sw::FL)},
    {PRM_NO_CODE, C2('F','L'), Prm_kind::word, W(sw::FU)},  // FL clears FU
    {C2('F','O'), 0, Prm_kind::u8, &prmblk.FO, 0, 255},
    {C2('F','P'), 0, Prm_kind::flag, &ws.Prm.FP, 0, 0},
    {C2('F','S'), 0, Prm_kind::u8, &prmblk.FS, 0, 255},
    {C2('F','X'), 0, Prm_kind::word, W(sw::FX)},
    {C2('F',','), 0, Prm_kind::word, W(sw::FComma)},
    {C2('F','+'), 0, Prm_kind::u16, &prmblk.F_plus, 0, 500},
    {C2('G','S'), 0, Prm_kind::u8, &prmblk.GS, 0, 255},
    {C2('H','P'), 0, Prm_kind::word, W(sw::HP)},
    {C2('I','0'), 0, Prm_kind::flag, &ws.Prm.I0, 0, 0},
    {C2('I','2'), 0, Prm_kind::word, W(sw::I2)},
    {C2('I','C'), 0, Prm_kind::word, W(sw::IC)},
    {C2('I','M'), 0, Prm_kind::word, W(sw::IM)},
    {C2('I','R'), 0, Prm_kind::word, W(sw::IR)},
    {C2('I','S'), 0, Prm_kind::s16, &prmblk.IS, -32000, 32000},
    {C2('I','W'), 0, Prm_kind::word, W(sw::IW)},
    {C2('I','Z'), 0, Prm_kind::flag, &ws.Prm.IZ, 0, 0},
    {C2('K','F'), 0, Prm_kind::u16, &prmblk.KF, 0, 2},
    {C2('K','R'), 0, Prm_kind::word, W(sw::KR)},
    {C2('L','B'), 0, Prm_kind::u16, &prmblk.LB, 0, 7},
    {C2('L','C'), 0, Prm_kind::word, W(sw::LC)},
    {C2('L','D'), 0, Prm_kind::word, W(sw::LD)},
    {C2('L','E'), 0, Prm_kind::flag, &ws.Prm.LE, 0, 0},
    {C2('L','M'), 0, Prm_kind::word, W(sw::LM)},
    {C2('L','S'), 0, Prm_kind::u16, &prmblk.LS, 0, 7},
    {C2('L','U'), 0, Prm_kind::word, W(sw::LU)},
    {C2('L','Z'), 0, Prm_kind::flag, &ws.Prm.LZ, 0, 0},
    {C2('M','B'), 0, Prm_kind::u16, &prmblk.MB, 0, 2000},
    {C2('M','C'), 0, Prm_kind::flag, &ws.Prm.MC, 0, 0},
    {C2('M','F'), 0, Prm_kind::u16, &prmblk.MF, 0, 100},
    {C2('M','P'), 0, Prm_kind::flag, &ws.Prm.MP, 0, 0},
    {C2('M','X'), 0, Prm_kind::word, W(sw::MX)},
    {C2('N','E'), C2('C','E'), Prm_kind::word, W(sw::NE)},
    {C2('N','I'), 0, Prm_kind::word, W(sw::NI)},
    {C2('N','K'), 0, Prm_kind::word, W(sw::NK)},
    {C2('N','L'), 0, Prm_kind::word, W(sw::NL)},
    {C2('N','N'), 0, Prm_kind::flag, &ws.Prm.NN, 0, 0},
    {C2('N','R'), 0, Prm_kind::word, W(sw::NR)},
    {C2('O','C'), 0, Prm_kind::word, W(sw::OC)},
    {C2('O','F'), 0, Prm_kind::u16, &prmblk.OF, 0, 2048},
    {C2('O','L'), 0, Prm_kind::u16, &prmblk.OL, 0, 2048},
    {C2('O','M'), 0, Prm_kind::word, W(sw::OM)},
    {C2('O','P'), 0, Prm_kind::word, W(sw::OP)},
    {C2('O','R'), 0, Prm_kind::word, W(sw::OR)},
    {C2('O','W'), 0, Prm_kind::u16, &prmblk.OW, 0, 32767},
    {C2('P','C'), 0, Prm_kind::u16, &prmblk.PC, 0, 100},
    {C2('P','D'), 0, Prm_kind::u16, &prmblk.PD, 0, 18},
    {C2('P','E'), 0, Prm_kind::word, W(sw::PE)},
    {C2('P','H'), 0, Prm_kind::word, W(sw::PH)},
    {C2('P','L'), 0, Prm_kind::u16, &prmblk.PL, 0, 50},
    {C2('P','O'), 0, Prm_kind::word, W(sw::PO)},
    {C2('P','P'), 0, Prm_kind::word, W(sw::PP)},
    {C2('P','Q'), 0, Prm_kind::u16, &prmblk.PQ, 0, 32000},
    {C2('P','U'), 0, Prm_kind::word, W(sw::PU)},
    {C2('P','W'), 0, Prm_kind::u8, &prmblk.PW, 0, 255},
    {C2('P','Z'), 0, Prm_kind::word, W(sw::PZ)},
    {C2('Q','K'), 0, Prm_kind::word, W(sw::QK)},
    {C2('Q','S'), 0, Prm_kind::word, W(sw::QS)},
    {C2('Q','T'), C2('P','T'), Prm_kind::flag, &ws.Prm.QT, 0, 0},
    {C2('R','N'), 0, Prm_kind::u16, &ws.Prm.RN, 0, 1023},
    {C2('R','R'), 0, Prm_kind::word, W(sw::RR)},
    {C2('R','S'), 0, Prm_kind::flag, &ws.Prm.RS, 0, 0},
    {C2('S','B'), 0, Prm_kind::word, W(sw::SB)},
    {C2('S','C'), C2('H','C'), Prm_kind::word, W(sw::SC)},
    {C2('S','D'), 0, Prm_kind::word, W(sw::SD)},
    {C2('S','F'), C2('L','F'), Prm_kind::flag, &ws.Prm.SF, 0, 0},
    {C2('S','H'), 0, Prm_kind::word, W(sw::SH)},
    {C2('S','K'), 0, Prm_kind::word, W(sw::SK)},
    {C2('S','L'), 0, Prm_kind::u16, &prmblk.SL, 4, 100},
    {C2('S','P'), C2('L','P'), Prm_kind::word, W(sw::SP)},
    {C2('S','R'), 0, Prm_kind::word, W(sw::SR)},
    {C2('S','S'), 0, Prm_kind::word, W(sw::SS)},
    {C2('S','V'), 0, Prm_kind::u8, &prmblk.SV, 0, 1},
    {C2('S','W'), 0, Prm_kind::u16, &prmblk.SW, 0, 4},
    {C2('S','Z'), 0, Prm_kind::special, nullptr, 40, 1048576},
    {C2('T','A'), 0, Prm_kind::u16, &prmblk.TA, 0, 255},
    {C2('T','B'), 0, Prm_kind::word, W(sw::TB)},
    {C2('T','H'), 0, Prm_kind::u8, &prmblk.TH, 0, 255},
    {C2('T','L'), 0, Prm_kind::flag, &ws.Prm.TL, 0, 0},
    {C2('T','N'), 0, Prm_kind::word, W(sw::TN)},
    {C2('T','T'), 0, Prm_kind::special, nullptr, 0, 0},
    {PRM_NO_CODE, 0, Prm_kind::flag, &ws.Prm.TT, 0, 0},  // on while TT is not 0
    {C2('T','U'), 0, Prm_kind::word, W(sw::TU)},
    {C2('T','X'), 0, Prm_kind::word, W(sw::TX)},
    {C2('U','8'), 0, Prm_kind::u16, &prmblk.U8, 0, 255},
    {C2('U','L'), 0, Prm_kind::word, W(sw::UL)},
    {C2('V','C'), 0, Prm_kind::word, W(sw::VC)},
    {C2('V','P'), 0, Prm_kind::u8, &prmblk.VP, 0, 255},
    {C2('V','R'), 0, Prm_kind::u16, &prmblk.VR, 0, 10},
    {C2('V','W'), 0, Prm_kind::u16, &prmblk.VW, 0, 10},
    {C2('W','B'), 0, Prm_kind::word, W(sw::WB)},
    {C2('W','D'), 0, Prm_kind::u16, &prmblk.WD, 0, 10000},
    {C2('W','I'), 0, Prm_kind::u16, &prmblk.WI, 0, 32000},
    {C2('W','K'), 0, Prm_kind::word, W(sw::WK)},
    {C2('W','L'), 0, Prm_kind::word, W(sw::WL)},
    {C2('W','P'), 0, Prm_kind::word, W(sw::WP)},
    {C2('W','T'), 0, Prm_kind::u16, &prmblk.WT, 0, 60},
    {C2('X','C'), 0, Prm_kind::word, W(sw::XC)},
    {C2('X','F'), 0, Prm_kind::word, W(sw::XF)},
    {C2('X','I'), C2('X','L'), Prm_kind::word, W(sw::XI)},
    {C2('X','T'), C2('N','X'), Prm_kind::flag, &ws.Prm.XT, 0, 0},
    {C2('Z','P'), 0, Prm_kind::word, W(sw::ZP)},
    {C2('*','K'), 0, Prm_kind::word, W(sw::StarK)},
    {C2('*','L'), 0, Prm_kind::word, W(sw::StarL)},
    {C2('*','S'), 0, Prm_kind::word, W(sw::SOFT_START)},  // START with a size or program restarts only the program
    {C2('*','R'), 0, Prm_kind::flag, &ws.Prm.OwnRandom, 0, 0},  // the interpreter's own random generator (off: the host's)
    {C2('!','D'), 0, Prm_kind::word, W(sw::BangD)},
    {C2('!','F'), 0, Prm_kind::word, W(sw::BangF)},
    {C2('!','K'), 0, Prm_kind::word, W(sw::BangK)},
    {C2('!','I'), 0, Prm_kind::word, W(sw::BangI)},
    {C2('!','R'), 0, Prm_kind::word, W(sw::BangR)},
    {C2('!','X'), 0, Prm_kind::word, W(sw::BangX)},
    {C2('!','S'), 0, Prm_kind::word, W(sw::BangS)},
    {C2('!','T'), 0, Prm_kind::word, W(sw::BangT)},
    {C2('!','V'), 0, Prm_kind::word, W(sw::BangV)},
    {C2('!','W'), 0, Prm_kind::word, W(sw::BangW)},
    {C2('!','U'), 0, Prm_kind::word, W(sw::BangU)},
    {C2('!','9'), 0, Prm_kind::word, W(sw::Bang9)},
    {C2('!','B'), 0, Prm_kind::u16, &prmblk.Bang_B, 0, 255},
    {C2('!','P'), 0, Prm_kind::u16, &prmblk.Bang_P, 0, 255},
    {C2('!','Q'), 0, Prm_kind::special, nullptr, 0, 2},
    {C2('4','7'), 0, Prm_kind::flag, &ws.Prm.P47, 0, 0},
    {C2('+','5'), 0, Prm_kind::flag, &ws.Prm.Plus5, 0, 0},
    {C2('+','C'), 0, Prm_kind::word, W(sw::PlusC)},
    {C2('+','E'), 0, Prm_kind::word, W(sw::PlusE)},
    {C2('+','F'), 0, Prm_kind::word, W(sw::PlusF)},
    {C2('+','H'), 0, Prm_kind::word, W(sw::PlusH)},
    {C2('+','I'), 0, Prm_kind::word, W(sw::PlusI)},
    {C2('+','K'), 0, Prm_kind::word, W(sw::PlusK)},
    {C2('+','L'), 0, Prm_kind::word, W(sw::PlusL)},
    {C2('+','M'), 0, Prm_kind::word, W(sw::PlusM)},
    {C2('+','N'), 0, Prm_kind::word, W(sw::PlusN)},
    {C2('+','O'), 0, Prm_kind::word, W(sw::PlusO)},
    {C2('+','T'), 0, Prm_kind::flag, &ws.Prm.PlusT, 0, 0},
    {C2('+','S'), 0, Prm_kind::word, W(sw::PlusS)},
    {C2('+','X'), 0, Prm_kind::word, W(sw::PlusX)},
    {C2('+','V'), 0, Prm_kind::word, W(sw::PlusV)},
    {C2('+','W'), 0, Prm_kind::word, W(sw::PlusW)},
    {C2('+','Z'), 0, Prm_kind::flag, &ws.Prm.PlusZ, 0, 0},
    {C2('+','A'), 0, Prm_kind::u16, &prmblk.Plus_A, 0, 1440},
    {C2('+','B'), 0, Prm_kind::u16, &prmblk.Plus_B, 0, 5000},
    {C2('+','D'), 0, Prm_kind::u16, &prmblk.Plus_D, 0, 1000},
    {C2('+','J'), 0, Prm_kind::u16, &prmblk.Plus_J, 0, 200},
    {C2('+','P'), 0, Prm_kind::u16, &prmblk.Plus_P, 0, 255},
    {C2('+','R'), 0, Prm_kind::u16, &prmblk.Plus_R, 0, 200},
    {C2('+','U'), 0, Prm_kind::u16, &prmblk.Plus_U, 0, 3},
    {C2('+','Y'), 0, Prm_kind::u16, &prmblk.Plus_Y, 0, 30},
    {C2('>','K'), 0, Prm_kind::word, W(sw::GtK)},
    {C2('O','+'), 0, Prm_kind::word, W(sw::OPlus)},
    {C2('0','0'), 0, Prm_kind::word, W(sw::N00)},
    {C2('+','-'), 0, Prm_kind::word, W(sw::PlusMinus)},
    {C2('W','+'), 0, Prm_kind::word, W(sw::WPlus)},
};
const int Prm_tbl_count = int(sizeof Prm_tbl / sizeof Prm_tbl[0]);

#undef W

namespace {

constexpr uint16_t SZ = C2('S', 'Z'), TT = C2('T', 'T'), BANG_Q = C2('!', 'Q');

bool is_switch(const Prm_row& r) { return r.kind == Prm_kind::word || r.kind == Prm_kind::flag; }

bool switch_on(const Prm_row& r) {
  if (r.kind == Prm_kind::flag) return *static_cast<bool*>(r.loc);
  return (*static_cast<uint16_t*>(r.loc) & r.mask_or_min) != 0;
}

void switch_set(const Prm_row& r, bool on) {
  if (r.kind == Prm_kind::flag) {
    *static_cast<bool*>(r.loc) = on;
    return;
  }
  uint16_t& w = *static_cast<uint16_t*>(r.loc);
  if (on)
    w = uint16_t(w | r.mask_or_min);
  else
    w = uint16_t(w & ~r.mask_or_min);
}

int32_t value_of(const Prm_row& r) {
  switch (r.kind) {
    case Prm_kind::u16: return *static_cast<uint16_t*>(r.loc);
    case Prm_kind::s16: return *static_cast<int16_t*>(r.loc);
    case Prm_kind::u8: return *static_cast<uint8_t*>(r.loc);
    default: return 0;
  }
}

void store_value(const Prm_row& r, int32_t v) {
  switch (r.kind) {
    case Prm_kind::u16: *static_cast<uint16_t*>(r.loc) = uint16_t(v); break;
    case Prm_kind::s16: *static_cast<int16_t*>(r.loc) = int16_t(v); break;
    case Prm_kind::u8: *static_cast<uint8_t*>(r.loc) = uint8_t(v); break;
    default: break;
  }
}

// NR selects the floating rules of division and conversion, as FLOATING
// POINT and ROUND do: the arithmetic reads it from the number flags.
void nr_changed() {
  if (Sw_on(sw::NR)) ws.Num_flags |= NF_NR;
  else ws.Num_flags &= ~uint32_t(NF_NR);
}

// BX: the compatibility group that comes and goes with it.
void compatibility(bool on) {
  prmblk.FF = on ? 3 : 0;
  prmblk.BY = on ? 0 : 1970;
  prmblk.EX = on ? 1 : 0;
  Sw_set(sw::B_0, on);
  Sw_set(sw::NR, on);
  nr_changed();
}

// Work done after a row changed.
void after_set(uint16_t code, int32_t value) {
  switch (code) {
    case C2('B', 'X'): compatibility(value != 0); break;
    case C2('N', 'R'): nr_changed(); break;
    case C2('*', 'K'): prmblk.Star_K = Sw_on(sw::StarK) ? 254 : 0; break;
    case C2('*', 'L'): prmblk.Star_L = Sw_on(sw::StarL) ? 0 : 0x80000000u; break;
    case C2('!', 'B'): Reconfig_line(); break;
    // U8: bit 1 switches UTF-8 mode on, the others are its options.
    case C2('U', '8'): ws.Utf8_mode = uint32_t(value); break;
    case C2('+', 'C'): case C2('P', 'C'): case C2('B', 'F'):
    case C2('P', 'Q'): case C2('P', 'L'): case C2('+', 'J'):
      for (int i = 0; i < watcher_count; i++) watchers[i](code, value);
      break;
    default: break;
  }
}

}  // namespace

int Exec_param(uint16_t code, int32_t value) {
  if (code == 0 || code == PRM_NO_CODE) return 0;
  if (code == SZ) {
    if (value < 40 || value > 1048576) return 41;
    ws.Mem_limit = int64_t(value) * 1024;
    return 0;
  }
  if (code == C2('E', 'L') && value == prmblk.EL) return 0;
  if (code == C2('I', '2') && prmblk.I2_blocked) return 0;
  if (code == TT) {
    prmblk.TT = uint8_t(value & 15);
    ws.Prm.TT = prmblk.TT != 0;
    return 0;
  }
  if (code == BANG_Q) {
    if (value < 0 || value > 2) return 41;
    prmblk.Bang_Q = uint8_t(value);
    return 0;
  }
  bool found = false;
  for (const Prm_row& r : Prm_tbl) {
    if (r.code != code && !(r.alt == code && is_switch(r))) continue;
    if (r.kind == Prm_kind::special) continue;
    if (is_switch(r)) {
      if (value != 0 && value != 1) return 41;
      if (r.code == code) {
        switch_set(r, value == 1);
      } else if (value == 1) {
        switch_set(r, false);
      } else if (r.code != PRM_NO_CODE) {
        switch_set(r, true);
      }
    } else {
      if (value < r.mask_or_min || value > r.max) return 41;
      if ((code == C2('B', 'F') || code == C2('F', 'B')) && (value == 1 || value == 2)) return 41;
      if (code == C2('K', 'F') && value > prmblk.File_level) value = prmblk.File_level;
      store_value(r, value);
    }
    found = true;
  }
  if (found) after_set(code, value);
  return 0;
}

int32_t Get_param(uint16_t code) {
  if (code == SZ) return int32_t(ws.Mem_limit / 1024 > 0x7FFFFFFF ? 0x7FFFFFFF : ws.Mem_limit / 1024);
  if (code == TT) return prmblk.TT;
  if (code == BANG_Q) return prmblk.Bang_Q;
  if (code == C2('!', 'U')) return 0;
  if (code == 0 || code == PRM_NO_CODE) return -1;
  for (const Prm_row& r : Prm_tbl) {
    if (r.code == code) return is_switch(r) ? (switch_on(r) ? 1 : 0) : value_of(r);
    if (r.alt == code && is_switch(r)) return switch_on(r) ? 0 : 1;
  }
  return -1;
}

std::string Prm_text() {
  std::string out;
  auto put_code = [&out](uint16_t code) {
    out += '\'';
    out += char(code >> 8);
    out += char(code & 0x7F);
    out += '\'';
  };
  for (const Prm_row& r : Prm_tbl) {
    if (r.code == PRM_NO_CODE) continue;
    std::string item;
    if (is_switch(r)) {
      bool on = r.code == C2('!', 'U') ? false : switch_on(r);
      if (!on && !std::isalnum(r.code >> 8)) continue;
      if (!out.empty()) out += ',';
      if (!on) out += '-';
      put_code(r.code);
    } else {
      if (!out.empty()) out += ',';
      put_code(r.code);
      out += '=';
      out += std::to_string(Get_param(r.code));
    }
  }
  return out;
}

void Ret_param() {
  std::string t = Prm_text();
  uint8_t* p = Work_take(t.size() + 1);
  std::memcpy(p, t.data(), t.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(t.size());
}

void Prm_defaults() {
  int argc = prmblk.Argc;
  char** argv = prmblk.Argv;
  prmblk = Prm_block{};
  prmblk.Argc = argc;
  prmblk.Argv = argv;
  ws.Prm = Params{};
  ws.Utf8_mode = prmblk.U8;
  for (int w = 1; w <= 12; ++w) Sw_word(w) = SYS_FLAGS_DEFAULT[w];
  nr_changed();
}

// SET_PARAM item [, item ...]; an item is [-] code [= integer], the code a
// mnemonic literal ('BF') or a string of 3 characters whose last two are the
// code.  Without a value the item means 1 (0 when negated).
namespace {

void sprm_body() {
  for (;;) {
    bool negated = false;
    if (*ws.Exec_ptr == code::OP_SUB) {
      negated = true;
      ++ws.Exec_ptr;
    }
    uint16_t prm;
    if (*ws.Exec_ptr == code::MNEM_LIT) {
      prm = C2(char(ws.Exec_ptr[1]), char(ws.Exec_ptr[2]));
      ws.Exec_ptr += 3;
    } else {
      // One operand and its "+" joins only: an "=" after it gives the value.
      if (Get_value() < 0) Rpt_error(err::TYPE_MISMATCH);
      Xeval_str();
      if (ws.Str_len != 3) Rpt_error(err::STRING_LENGTH);
      prm = C2(char(ws.Str_ptr[1]), char(ws.Str_ptr[2]));
    }
    int32_t value = negated ? 0 : 1;
    if (*ws.Exec_ptr == code::OP_EQ) {
      ++ws.Exec_ptr;
      value = Eval_integer();
      if (prm == SZ ? (value < 40 || value > 1048576) : (value < -32000 || value > 32000)) Rpt_error(err::OUT_OF_RANGE);
    }
    int err = Exec_param(prm, value);
    if (err != 0) Rpt_error(err);
    if (*ws.Exec_ptr == code::COMMA && !At_err_tail()) {
      ++ws.Exec_ptr;
      continue;
    }
    if (*ws.Exec_ptr != code::STMT_SEP && *ws.Exec_ptr != code::EOL && !At_err_tail()) Rpt_error(err::SYNTAX);
    return;
  }
}

}  // namespace

void d_sprm() { Err_tail_run(sprm_body); }
