// Making a program current: LOAD, RUN with a name, the load step of every
// call, and the text form read by MERGE.
#pragma once
#include <cstdint>
#include <string>

// Loads the program (or program text) named by the string accumulator as
// the current program.  The name may carry an entry point after the first
// ";": "#" and digits name a line, anything else a label (blanks removed,
// upper-cased).  With run set the cursor goes to the entry point or the
// first line.  Returns 1 when it went to an entry point, else 0.  The
// variables are cleared unless a call is loading its program.
int Exec_load(int run);
// The next program load (Prog_load, programs/program_list.cpp: the load of
// an I/O program a file's dictionary named) takes only a program whose file
// the user or root owns and no one else may write, checked on the file it
// reads or, for a kept image, on the file it was read from; another is
// error 13.  The load resets it; so does Prog_load_any.
void Prog_load_trusted_only();
void Prog_load_any();
// LOAD (run false) and RUN (run true) with a name or, for LOAD, without
// one (the current program's file again).
void Load_statement(bool run);
// Reads program lines in text form from the open text source into the
// current program; returns the number of lines stored.
int Exec_merge();
// The same from an open channel (serial, indexed or memory, else 17).
struct Fcb;
int Merge_channel(Fcb* f);
// Raises error 17 (with an extended text) unless the file at path reads as
// program text: no binary bytes, and at most half of its lines fail to
// compile.  Errors of the text's line numbers (21) are raised as LOAD
// would raise them.  Nothing is stored.
void Check_program_text(const std::string& path);
// Shows the program's path on the console (LOAD and SAVE typed there):
// " v%d.%02d" with a version number, " <<+CVS " when a copy was made and,
// with a version, the description on a new line.
void Prg_show(bool copy_made, int version);
// The resolved path of the current program ("" when none).
std::string Current_program_path();
