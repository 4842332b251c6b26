// Named record formats of a channel: record layouts (compiled I/O lists)
// known by name.  The file dictionary of a keyed file supplies them when the
// file is opened; programs select one with IOL="name" on OPEN or on any I/O
// statement, list their names with FIN(ch,"FORMATS") and read one with
// IOL(ch:"name").
//
// Chain on Fcb::rec_formats, in the order the formats were added; each link
// is one Get_blk block (freed with the channel, first word the link):
//   void* next | u8 n | n bytes name | Iol_block (u16 big-endian total
//   length = list length + 3, code 0xB9, the compiled items, code 255)
// Names are 1..255 bytes and compared without regard to case; adding a
// name already present replaces that format in its place.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Fcb;

// Adds (or replaces) the format `name` with the compiled items
// (items_len bytes, without the end code).  Error 81 for an empty name;
// names longer than 255 bytes are cut to 255.
void Fcb_add_format(Fcb* f, const std::string& name, const uint8_t* items, size_t items_len);
// The Iol_block of format `name`, or null when the channel has none so named.
const uint8_t* FindFileFormat(const Fcb* f, const std::string& name);
// The names, in order.
std::vector<std::string> Fcb_format_names(const Fcb* f);
// The channel's record template: the name of the named format whose list
// became the channel's own (IOL="name" or IOL=* of OPEN); empty clears it.
// IOL(RECORD ch) gives it.
void Fcb_set_template(Fcb* f, const std::string& name);
std::string Fcb_template(const Fcb* f);
// The name of format `name` as the channel holds it (its own case), or
// empty when it has none so named.
std::string Fcb_format_name(const Fcb* f, const std::string& name);
// IOL="name" of an OPEN: the name kept until the channel is open
// (Iol_option sets it, the open takes it).
void Iol_set_pending_format(const std::string& name);
const std::string& Iol_pending_format();
