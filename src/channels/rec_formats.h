// The I/O lists a channel keeps: its own IOL= list, the lists kept with the
// file, and its named record formats (rec_formats.cpp).
//
// Fcb::iol, one Get_blk block of up to four slots laid end to end:
//   slot 0  the channel's own list (IOL= of OPEN, SDEV IOLIST)
//   slot 1  the first list kept with the file (IOL=*, IOL(ch:"G"))
//   slot 2  the second list kept with the file (IOL=*1, IOL(ch:"1"))
//   slot 3  the file's backward list (IOL(ch:"/"))
// Each slot is an Iol_block (BE16 items + 3, 0xB9, items, 255: items + 4
// bytes) or, when empty, the two bytes 00 01; so a walk steps from a slot
// to the next by its length word + 1.  Trailing empty slots are left out;
// no slot at all is a null pointer.
//
// Fcb::rec_formats, a chain of Get_blk blocks, one per format, in the order
// they were added (the first word is the link, so close frees the chain):
//   void* next; u16 name length; u16 block length; name; an Iol_block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct Fcb;

constexpr int IOL_SLOTS = 4;

// The Iol_block of a slot, null when the slot is empty.
const uint8_t* Iol_slot(const Fcb* f, int slot);
// Replaces a slot by a list of compiled items (null: empties it); the other
// slots stay.
void Iol_set_slot(Fcb* f, int slot, const uint8_t* items, size_t len);

// Named record formats: added at the end of the chain; looked up without
// regard to case (the Iol_block, or null).
void Rec_format_add(Fcb* f, const std::string& name, const uint8_t* items, size_t len);
const uint8_t* Rec_format_find(const Fcb* f, const uint8_t* name, size_t len);
// The list of the first format, or null.
const uint8_t* Rec_format_first(const Fcb* f);
// The names of the formats in order, each followed by sep.
std::string Rec_format_names(const Fcb* f, char sep);
