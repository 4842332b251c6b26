// The I/O-list cache and the stored form of a channel's lists.
//
// A channel keeps its lists (IOL= of OPEN, SDEV IOLIST, the lists of a
// file's dictionary, named formats) with the variables' names written out
// in the items (code, length, name), so that a list means the same to every
// program that reads the channel.  Walking such a list looks each name up in
// the variable trees.  A list that one program walks again and again is, on
// its third walk, copied once with every name that the program's variable
// table knows replaced by its slot there (code, 0x80 | high, low): later
// walks then find their variables as the program's own statements do.
//
// Cache slots (CACHE_SLOTS for the process), one per list and program:
//   names_id  the program's variable table (ws.Names_id; 0 is never cached)
//   list      the items of the channel's list (inside a channel-owned block)
//   uses      walks counted so far
//   copy      the generated items (Get_blk, ending like the list), null
//             until the third walk, or when the list has no name to replace
//   stamp     last use, for replacing the least recently used slot
// A slot is dropped when the block holding its list is freed
// (KestIolUncache), so a list address is never mistaken for another list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int IOL_CACHE_SLOTS = 100;
constexpr int IOL_CACHE_GENERATE_AT = 3;  // the walk that generates the copy

// The items to walk for the channel-owned list `items` in the running
// program: the generated copy once there is one, else the list itself.
const uint8_t* KestIolCache(const uint8_t* items);
// Drops every slot whose list lies in the Get_blk block `blk` (its lists are
// about to be freed or replaced); null does nothing.
void KestIolUncache(const void* blk);
// Empties the cache.
void Iol_cache_clear();
// For tests: the walks counted for the list in the running program (0 when
// it has no slot) and whether its copy is generated.
int Iol_cache_uses(const uint8_t* items, bool* generated);

// The list items with the running program's variable-table references
// (code, 0x80 | high, low) written out as names, for a list a channel keeps.
// A reference whose name cannot be written out stays as it is.
void Iol_names_inline(std::vector<uint8_t>& items);
