// The two-letter system parameters.
//
// A parameter is named by a code: first character * 256 + second ('BF' is
// 0x4246).  It is a switch (a bit of a switch word, core/switches.h, or a flag
// of ws.Prm) or a small number (a field of prmblk, ws.Prm.RN, the memory
// limit).  Prm_tbl holds one row per parameter, in listing order; a switch
// may also be reached through an inverse code ('JC' is DC inverted), and a
// row without a primary code only acts through its inverse code.
#pragma once
#include <cstdint>
#include <string>

#include "core/workspace.h"

constexpr uint16_t Prm_code(char a, char b) {
  return uint16_t((uint8_t(a) << 8) | uint8_t(b));
}
constexpr uint16_t PRM_NO_CODE = 0xFFFF;

// Values of the number parameters, with their defaults after start-up.
// RN lives in ws.Prm.RN, SZ is ws.Mem_limit / 1024.
struct Prm_block {
  uint16_t AI = 10, BF = 10, BL = 0;
  int16_t BY = 1970;
  uint16_t CH = 0, CO = 0;
  uint8_t CU = '$';
  uint16_t DB = 0, DF = 0, DL = 0;
  uint8_t DP = '.';
  uint16_t DT = 0, EL = 1, EX = 0, FB = 5, FF = 0;
  uint8_t FO = 0, FS = 138, GS = 0;
  int16_t IS = 5;
  uint16_t KF = 0, LB = 4, LS = 1, MB = 0, MF = 50, OF = 0, OL = 25, OW = 0;
  uint16_t PC = 0, PD = 2, PL = 10, PQ = 100;
  uint8_t PW = '$';
  uint16_t SL = 32;
  uint8_t SV = 1;
  uint16_t SW = 1, TA = 30;
  uint8_t TH = ',';
  uint16_t U8 = 0;
  uint8_t VP = '0';
  uint16_t VR = 0, VW = 0, WD = 0, WI = 1000, WT = 2;
  uint16_t Bang_B = 3, Bang_P = 0;                       // !B !P
  uint16_t Plus_A = 10, Plus_B = 0, Plus_D = 200, Plus_J = 10;  // +A +B +D +J
  uint16_t Plus_P = 32, Plus_R = 5, Plus_U = 0, Plus_Y = 0;     // +P +R +U +Y
  uint16_t F_plus = 50;                                   // F+
  uint8_t TT = 0;       // trace layout, 4 bits
  uint8_t Bang_Q = 0;   // !Q: 0 off, 1 on, 2 on with its companion
  uint8_t Star_K = 0;   // 254 while *K is on
  uint32_t Star_L = 0x80000000u;  // 0 while *L is on
  uint16_t File_level = 1;        // file-creation level: the upper bound of KF
  uint16_t Create_mode = 0666;    // mode of files the system creates
  bool I2_blocked = false;        // I2 is ignored while this is set
  uint8_t Sep_str[21] = {};       // DEF SEP: length byte (0..20), then the separator bytes
  int Argc = 0;                   // the program's arguments (-ARG)
  char** Argv = nullptr;
};
extern Prm_block prmblk;

// One row of the parameter table.
enum class Prm_kind : uint8_t {
  word,     // bits of a 16-bit switch word
  flag,     // a bool of ws.Prm
  u16,      // value fields
  s16,
  u8,
  special,  // SZ, TT and !Q: handled by Exec_param and Get_param themselves
};
struct Prm_row {
  uint16_t code;  // PRM_NO_CODE: reached only through alt
  uint16_t alt;   // inverse code of a switch, 0 = none
  Prm_kind kind;
  void* loc;
  int32_t mask_or_min;  // switch: its bits; value: the lowest value
  int32_t max;          // value: the highest value
};
extern const Prm_row Prm_tbl[];
extern const int Prm_tbl_count;

// The switch word w (1..12).
inline uint16_t& Sw_word(int w) {
  switch (w) {
    case 1: return ws.Sys_flags1;
    case 2: return ws.Sys_flags2;
    case 3: return ws.Sys_flags3;
    case 4: return ws.Sys_flags4;
    case 5: return ws.Sys_flags5;
    case 6: return ws.Sys_flags6;
    case 7: return ws.Sys_flags7;
    case 8: return ws.Sys_flags8;
    case 9: return ws.Sys_flags9;
    case 10: return ws.Sys_flags10;
    case 11: return ws.Sys_flags11;
    default: return ws.Sys_flags12;
  }
}
inline bool Sw_on(Sw_bit b) { return (Sw_word(b.word) & b.mask) != 0; }
inline void Sw_set(Sw_bit b, bool on) {
  if (on)
    Sw_word(b.word) |= b.mask;
  else
    Sw_word(b.word) &= uint16_t(~b.mask);
}

// Sets a parameter; returns 0 or an error number (41).  Unknown codes are
// ignored.
int Exec_param(uint16_t code, int32_t value);
// A switch: 1 or 0 (an inverse code reads the opposite); a value: the value;
// -1 for an unknown code.
int32_t Get_param(uint16_t code);
// The PRM text: 'XX'=n for values, 'XX' for switches on, -'XX' for switches
// off whose code begins with a letter or digit; comma-separated.
std::string Prm_text();
// Prm_text into the string accumulator (copied into the work area).
void Ret_param();

// Puts every parameter and switch to its value after start-up.
void Prm_defaults();

// A subsystem that must hear of a change of a parameter that concerns it
// (+C, PC, BF, PQ, PL, +J) registers a watcher at start-up; each is called
// after such a parameter was set.  Registering the same function again
// changes nothing; at most PRM_WATCHERS_MAX watchers (more is a wiring fault,
// error 99).
using Prm_watcher = void (*)(uint16_t code, int32_t value);
constexpr int PRM_WATCHERS_MAX = 8;
void Prm_watch(Prm_watcher fn);
