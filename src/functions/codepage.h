// Code pages: 256-byte maps read from the library directory.
//
// File "<library>/_kest/codepage/<from>-<to>": exactly 256 bytes, byte b the
// translation of byte b.  A page above 0 is named by four digits ("0850"),
// page 0 or below (the native set) by "ansi".  Maps are cached for the life
// of the process, newest first.
#pragma once
#include <cstdint>
#include <string>

// The name of a page in file names.
std::string Codepage_name(int page);
// The map of the pair, or null when its file is missing or short.
const uint8_t* FindCodePage(int from, int to);
// Forgets the cached maps (tests, shut-down).
void Codepage_clear();
