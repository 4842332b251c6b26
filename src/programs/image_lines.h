// Lines of a loaded program image turned back into the compiled form of an
// edit list: for listing, for saving as text and before the program is
// changed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// One record of the current image (rec points at its line-number bytes,
// len bytes long) in compiled form: code 252 becomes code 7 with the
// target's line number, code 253 code 10 with the target's label; a name
// index becomes the inline name unless keep_indexes.  When map is given it
// receives (input offset, output offset) at every item start.
void Ln_conv(const uint8_t* rec, size_t len, bool keep_indexes, std::vector<uint8_t>& out,
             std::vector<std::pair<uint32_t, uint32_t>>* map = nullptr);
// True when p lies inside the current program's image.
bool In_image(const uint8_t* p);
// Turns the current image program into an edit list of its own: every code
// position the interpreter keeps (cursor, statement start, stop and retry
// points, control-stack frames) moves into the new lines, the names become
// the program's own copies and the loaded-program record is released.
// Nothing happens for a program that is already an edit list.
void Sve_conv();
