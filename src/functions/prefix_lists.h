// PREFIX, DISABLE and ENABLE work on the prefix lists of OPEN's path search
// (channels/open.h): list 0 is the general list, lists 1..34 belong to the
// disks of the same numbers, list 35 is the list for programs.  A disabled
// list keeps its text with bit 7 of its first byte set, which the path
// search skips; so PREFIX refuses a text whose first byte has bit 7 set.
#pragma once
#include <cstdint>

constexpr int PFX_GENERAL = 0;
constexpr int PFX_DISK_LAST = 34;
constexpr int PFX_PROGRAMS = 35;

// A disk operand at the cursor: a string gives its first character,
// upper-cased, minus "A" (an empty string -1); a number its integer value.
// A result of -2 (the character "?") takes the next operand instead, up to
// nine operands; the last result is returned as it stands.
int32_t Get_diskno();
