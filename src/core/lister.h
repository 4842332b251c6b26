// The lister: compiled lines back to source text, by running the syntax
// program in listing mode.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Var_node;

enum : int {
  LST_EDIT_LAYOUT = 1,   // a tab after the line number, blocks indented
  LST_COLOURS = 2,
  LST_MARK_CURRENT = 0x1000,
};

// Lists the line in the string accumulator (pointer to its line-number bytes,
// length as left by Find_line) into the work area and leaves the text in the
// string accumulator.
void Decompile_Obj(int flags, Var_node* var, int code);

// Convenience: the listed text of a compiled line.
std::string Decompile_text(const uint8_t* line, size_t len, int flags = 0);

// Line numbers: 4 digits, 5 from 10000 or with parameter +5.  Returns width.
int Output_stno(unsigned n, char* buf);
