// The field separator of a record that carries no SEP= of its own (READ DATA
// FROM, ARG( and KGN( without a separator).
#pragma once
#include <cstddef>
#include <cstdint>

// The candidates are the bytes of the separator string DEF SEP set
// (prmblk.Sep_str: a count byte, then the bytes); the default is parameter
// FS.  With switch +S the last byte of the record that is not NUL is the
// separator when it is a candidate, FS, DEL or a control character.
// Otherwise, with fewer than two candidates FS; else the first candidate,
// in list order, that occurs in the record; else FS.
uint8_t Kest_DynaSep(const uint8_t* rec, size_t len);
