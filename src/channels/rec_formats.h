// The I/O lists a channel keeps: its own IOL= list and the lists kept with
// the file (rec_formats.cpp; named formats are record_formats.h's).
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
// Compiled items that stand alone, as a list read from a file or a peer
// must: every item complete within n bytes, no reference into a program's
// tables, nothing that ends a statement.
bool Iol_items_valid(const uint8_t* p, size_t n);
