// Record layouts of keyed files: the I/O lists a file dictionary holds
// (key_layouts.cpp).
#pragma once
#include <string>

struct Fcb;

// Builds a keyed channel's lists from its file's dictionary (OPEN of both
// formats): the default list (slot 1 of Fcb::iol, IOL=*), the header list
// (slot 2, IOL=*1), the backward list (slot 3), the named formats
// (Fcb::rec_formats) and the I/O program named by an item "!name".
void Key_load_layouts(Fcb* f);
// A field that holds a compiled list (BE16 length, 0xB9, items, 255) with
// names given by the running program's name indexes gets the names
// themselves, so the list means the same to every program that opens the
// file.  Other fields stay as they are.
void Key_layout_field(std::string& field);
