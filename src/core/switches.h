// Bits of the two-letter system switches in the switch words ws.Sys_flags1 to
// ws.Sys_flags12.
//
// A switch is one bit (Sw_bit: word 1..12 and mask).  Bits not named here are
// kept free for the internal flags other modules keep in the same words (for
// example word 7 holds the transaction state, word 8 the debugger's flags).
// Switches that the core tests on its hot paths (D0, FP, MP, RS, LZ, NN, SF,
// MC, IZ, LE, XT, QT, TT, I0, 47, TL, +5, +T, +Z) live as flags of ws.Prm
// instead; the parameter table reads and writes those fields.
//
// FU and FL share one word: FU sets its bit and clears FL's, FL the reverse,
// FN clears both.
#pragma once
#include <cstdint>

struct Sw_bit {
  uint8_t word;   // 1..12
  uint16_t mask;
};

namespace sw {
  inline constexpr Sw_bit AD{1, 0x0004};  // 'AD'
  inline constexpr Sw_bit AH{1, 0x0008};  // 'AH'
  inline constexpr Sw_bit AP{1, 0x0010};  // 'AP'
  inline constexpr Sw_bit B_0{1, 0x0020};  // 'B0' (termios defines B0)
  inline constexpr Sw_bit BT{1, 0x0040};  // 'BT'
  inline constexpr Sw_bit BX{1, 0x0080};  // 'BX'
  inline constexpr Sw_bit CD{1, 0x0100};  // 'CD'
  inline constexpr Sw_bit CF{1, 0x0400};  // 'CF'
  inline constexpr Sw_bit CS{1, 0x0800};  // 'CS'
  inline constexpr Sw_bit DC{1, 0x2000};  // 'DC'
  // 'DW': the debugger's command window (a console window kept apart for
  // debugger input) opens when a program stops and closes when it runs.
  inline constexpr Sw_bit DW{8, 0x0010};
  inline constexpr Sw_bit EG{1, 0x4000};  // 'EG'
  inline constexpr Sw_bit EO{1, 0x8000};  // 'EO'
  inline constexpr Sw_bit ES{2, 0x0001};  // 'ES'
  inline constexpr Sw_bit FC{2, 0x0002};  // 'FC'
  inline constexpr Sw_bit FI{2, 0x0004};  // 'FI'
  inline constexpr Sw_bit FX{2, 0x0080};  // 'FX'
  inline constexpr Sw_bit FComma{2, 0x0200};  // 'F,'
  inline constexpr Sw_bit HP{2, 0x0400};  // 'HP'
  inline constexpr Sw_bit I2{2, 0x1000};  // 'I2'
  inline constexpr Sw_bit IC{2, 0x2000};  // 'IC'
  inline constexpr Sw_bit IM{2, 0x4000};  // 'IM'
  inline constexpr Sw_bit IR{2, 0x8000};  // 'IR'
  inline constexpr Sw_bit IW{3, 0x0001};  // 'IW'
  inline constexpr Sw_bit KR{3, 0x0100};  // 'KR'
  inline constexpr Sw_bit LC{3, 0x0002};  // 'LC'
  inline constexpr Sw_bit LD{3, 0x0004};  // 'LD'
  inline constexpr Sw_bit LM{3, 0x0008};  // 'LM'
  inline constexpr Sw_bit LU{3, 0x0010};  // 'LU'
  inline constexpr Sw_bit MX{3, 0x0020};  // 'MX'
  inline constexpr Sw_bit NE{3, 0x0040};  // 'NE'
  inline constexpr Sw_bit NI{3, 0x0080};  // 'NI'
  inline constexpr Sw_bit NK{3, 0x0200};  // 'NK'
  inline constexpr Sw_bit NL{3, 0x0400};  // 'NL'
  inline constexpr Sw_bit NR{3, 0x0800};  // 'NR'
  inline constexpr Sw_bit OC{3, 0x1000};  // 'OC'
  inline constexpr Sw_bit OM{3, 0x4000};  // 'OM'
  inline constexpr Sw_bit OP{3, 0x8000};  // 'OP'
  inline constexpr Sw_bit OR{5, 0x0010};  // 'OR'
  inline constexpr Sw_bit PE{5, 0x0001};  // 'PE'
  inline constexpr Sw_bit PH{12, 0x0001};  // 'PH': PDF channels use the library back end
  inline constexpr Sw_bit PO{5, 0x4000};  // 'PO'
  inline constexpr Sw_bit PP{5, 0x0002};  // 'PP'
  inline constexpr Sw_bit PU{5, 0x0008};  // 'PU'
  inline constexpr Sw_bit PZ{5, 0x0020};  // 'PZ'
  inline constexpr Sw_bit QK{5, 0x0040};  // 'QK'
  inline constexpr Sw_bit QS{5, 0x0080};  // 'QS'
  inline constexpr Sw_bit RR{5, 0x0100};  // 'RR'
  inline constexpr Sw_bit SB{5, 0x0400};  // 'SB'
  inline constexpr Sw_bit SC{5, 0x0800};  // 'SC'
  inline constexpr Sw_bit SD{5, 0x8000};  // 'SD'
  inline constexpr Sw_bit SH{6, 0x0001};  // 'SH'
  inline constexpr Sw_bit SK{6, 0x0002};  // 'SK'
  inline constexpr Sw_bit SP{6, 0x0004};  // 'SP'
  inline constexpr Sw_bit SR{6, 0x0010};  // 'SR'
  inline constexpr Sw_bit SS{6, 0x0020};  // 'SS'
  inline constexpr Sw_bit TB{6, 0x0080};  // 'TB'
  inline constexpr Sw_bit TN{6, 0x0800};  // 'TN'
  inline constexpr Sw_bit TU{3, 0x2000};  // 'TU'
  inline constexpr Sw_bit TX{6, 0x1000};  // 'TX'
  inline constexpr Sw_bit UL{6, 0x2000};  // 'UL'
  inline constexpr Sw_bit VC{6, 0x4000};  // 'VC'
  inline constexpr Sw_bit WB{6, 0x8000};  // 'WB'
  inline constexpr Sw_bit WK{9, 0x0002};  // 'WK'
  inline constexpr Sw_bit WL{9, 0x0004};  // 'WL'
  inline constexpr Sw_bit WP{9, 0x0008};  // 'WP'
  inline constexpr Sw_bit XC{4, 0x8000};  // 'XC'
  inline constexpr Sw_bit XF{9, 0x0010};  // 'XF'
  inline constexpr Sw_bit XI{9, 0x0020};  // 'XI'
  inline constexpr Sw_bit ZP{9, 0x0040};  // 'ZP'
  inline constexpr Sw_bit StarK{9, 0x0080};  // '*K'
  inline constexpr Sw_bit StarL{9, 0x0100};  // '*L'
  inline constexpr Sw_bit BangD{9, 0x0200};  // '!D'
  inline constexpr Sw_bit BangF{9, 0x0400};  // '!F'
  inline constexpr Sw_bit BangK{9, 0x0800};  // '!K'
  inline constexpr Sw_bit BangI{9, 0x1000};  // '!I'
  inline constexpr Sw_bit BangR{9, 0x2000};  // '!R'
  inline constexpr Sw_bit BangX{9, 0x4000};  // '!X'
  inline constexpr Sw_bit BangS{9, 0x8000};  // '!S'
  inline constexpr Sw_bit BangT{10, 0x0001};  // '!T'
  inline constexpr Sw_bit BangV{10, 0x0004};  // '!V'
  inline constexpr Sw_bit BangW{10, 0x0008};  // '!W'
  inline constexpr Sw_bit BangU{10, 0x0020};  // '!U'
  inline constexpr Sw_bit Bang9{10, 0x0040};  // '!9'
  inline constexpr Sw_bit PlusC{10, 0x0080};  // '+C'
  inline constexpr Sw_bit PlusE{10, 0x0100};  // '+E'
  inline constexpr Sw_bit PlusF{10, 0x0200};  // '+F'
  inline constexpr Sw_bit PlusH{11, 0x0200};  // '+H'
  inline constexpr Sw_bit PlusI{10, 0x0800};  // '+I'
  inline constexpr Sw_bit PlusK{11, 0x1000};  // '+K'
  inline constexpr Sw_bit PlusL{10, 0x1000};  // '+L'
  inline constexpr Sw_bit PlusM{10, 0x2000};  // '+M'
  inline constexpr Sw_bit PlusN{11, 0x0001};  // '+N'
  inline constexpr Sw_bit PlusO{11, 0x0002};  // '+O'
  inline constexpr Sw_bit PlusS{11, 0x0008};  // '+S'
  inline constexpr Sw_bit PlusX{11, 0x0010};  // '+X'
  inline constexpr Sw_bit PlusV{11, 0x0040};  // '+V'
  inline constexpr Sw_bit PlusW{11, 0x0004};  // '+W'
  inline constexpr Sw_bit GtK{11, 0x0080};  // '>K'
  inline constexpr Sw_bit OPlus{11, 0x0100};  // 'O+'
  inline constexpr Sw_bit N00{11, 0x0400};  // '00'
  inline constexpr Sw_bit PlusMinus{11, 0x0800};  // '+-'
  inline constexpr Sw_bit WPlus{11, 0x8000};  // 'W+'
  inline constexpr Sw_bit FU{2, 0x0010};  // 'FU'
  inline constexpr Sw_bit FL{2, 0x0040};  // 'FL'

// Internal flags kept in the switch words by the host layer.
inline constexpr Sw_bit NO_BREAK{4, 0x1000};     // no SIGINT handler (interrupt switch off)
inline constexpr Sw_bit SIGHUP_SEEN{6, 0x0400};  // SIGHUP received
// START with a size or a program restarts only the program (parameter *S).
inline constexpr Sw_bit SOFT_START{4, 0x0800};
}  // namespace sw

// Values of the twelve words after start-up (the switches that default on:
// CS, IC, IR, IW, OM, OR, PP, PZ, QK, UL, WB, WP, +E, +I, +K, +N, +O).
inline constexpr uint16_t SYS_FLAGS_DEFAULT[13] = {
    0, 0x0800, 0xA000, 0x4001, 0x0000, 0x0072, 0xA000,
    0x0000, 0x0000, 0x0008, 0x0900, 0x1003, 0x0000};
