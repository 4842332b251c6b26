// Colours: the palette of RGB entries, the colour index table that turns the
// colour numbers of an attribute word into palette entries, colour texts,
// the BBx-style colour triple, and the mapping of colours onto what the
// terminal can show (8, 16, 88 or 256 colours, or none).
#pragma once
#include <cstdint>
#include <string>

constexpr int32_t PALETTE_MAX = 255;
extern uint8_t OruClrRGBTbl[256][3];
extern int32_t OruClrRGBTblCnt;
extern uint8_t OruClrInUseTbl[PALETTE_MAX];
extern uint8_t OruClrIdxTbl[48];

// Palette index (0..255) of the colour a cell with this attribute shows in
// front and behind.
int32_t GetForeColourIdx(uint32_t attr);
int32_t GetBackColourIdx(uint32_t attr);
// 0xRRGGBB of a palette entry; an index outside the defined entries gives
// entry 1.
uint32_t GetRGBFromIdx(int32_t idx);
// Palette index of an RGB value, adding an entry while there is room, else
// the nearest entry by dropping low bits.
int32_t GetClrIdxFromRGB(uint32_t rgb);
// A colour text ("RED", "dark blue", "RGB:1,2,3", "COLOUR20", "DEFAULT")
// as 0xRRGGBB, or -1 for the default colour.  dark: the shade of a plain
// colour name (0 light, 1 dark).  Error 46 for a text over 8,192 bytes.
int32_t CnvColour(const uint8_t* p, int32_t n, int dark);
// The colour text of an RGB value (-1 gives "DEFAULT").
std::string GetColour(int32_t rgb);
// Foreground ('+') or background colour of the current channel's attribute
// word from a colour definition (two bytes 0, index; or a colour text).
void ColourMnem(int kind, const uint8_t* p, int32_t n);
// RGB of a colour text, light by default; 0 for the default colour.
uint32_t GetColourValue(const uint8_t* p, int32_t n);
// BBx-style triple (flags, foreground, background) from and to an
// attribute word.
void KestGetBBXClr(uint32_t attr, uint8_t t[3]);
uint32_t KestSetBBXClr(const uint8_t t[3], int mode, uint32_t attr);

// Sends the colour mnemonic for attribute colour value n (foreground or
// background) on the current channel, mapped to the terminal's colours.
void Term_send_colour(bool fg, uint32_t n);
// Colours the current channel's terminal shows (0 none, 8, 16, 88, 256).
int32_t Term_colour_count();
// Value of the \X selector of the definition language (the colour number
// being sent).
extern int32_t Term_colour_value;
