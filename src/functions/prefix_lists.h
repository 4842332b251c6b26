// The prefix search lists, the virtual directories and disk operands.
//
// Pfx_list holds 36 lists that the path search of OPEN walks: slot 0 the
// general list, slots 1..34 one per disk, slot 35 the list for programs.  A
// list is a text of blank-separated entries (see the path search); an empty
// text is no list.  A disabled list keeps its text with bit 7 of its first
// byte set, so a list whose first byte is above 127 is skipped; that is why
// PREFIX refuses a text whose first byte has bit 7 set.
//
// Disk numbers 0..34 name slots 0..34: disk 0 is the general list.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

constexpr int PFX_SLOTS = 36;
constexpr int PFX_GENERAL = 0;
constexpr int PFX_DISK_LAST = 34;
constexpr int PFX_PROGRAMS = 35;

extern std::string Pfx_list[PFX_SLOTS];

// A disk operand at the cursor: a string gives its first character,
// upper-cased, minus "A" (an empty string -1); a number its integer value.
// A result of -2 (the character "?") takes the next operand instead, up to
// nine operands; the last result is returned as it stands.
int32_t Get_diskno();

// True when the slot holds a list that is not disabled.
bool Pfx_active(int slot);

// Virtual directories: a name (1..255 bytes) stands for a target directory
// (0..255 bytes; error 46 otherwise).  The name is kept upper-cased with
// "\" turned into "/"; a name given with a leading "*/" matches at the end
// of a directory part.  An empty target removes the name.
void Kest_AddVdir(std::string_view name, std::string_view target);
// The target of a name (compared without regard to case), or empty; an
// empty name is error 46.
std::string Kest_GetVdir(std::string_view name);
// The name rewritten through the first matching virtual directory (newest
// first); unchanged when none matches.  The first time a plain entry
// matches with a "/" or "\" after it, its target directory is created.
std::string Kest_ChkVdir(std::string_view name);

// Drops every list and virtual directory (shut-down).
void Pfx_clear_all();
