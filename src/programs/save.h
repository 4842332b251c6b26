// SAVE and PROGRAM (their handlers are declared with the other directives)
// and the text writers they share.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Writes the current program as a listing to the open channel f (which is
// emptied first): a protected program's key line, then each line as
// LIST shows it (without line numbers for a program that has none).  In
// list form (SAVE LIST, parameter LE) tabs become blanks up to the next
// multiple of 6 columns after the number and a statement broken over rows
// continues with " \" and blanks as wide as the number.  The changed mark
// is cleared.
struct Fcb;
void Sve_serial(Fcb* f, bool list_form);
// The save copy: when the program's directory holds ".kestcvs" whose first
// line names a directory, a listing of the program goes there as
// "<name>.qebrg" (an enciphered program's file is copied as it is).
// Returns true when a copy was made.
bool KestSaveCvs();
// The structure check of SAVE under parameter SS: the warnings on the
// console for the statements of the lines (FOR/NEXT, WHILE/WEND,
// REPEAT/UNTIL, SWITCH/END SWITCH, SELECT/NEXT RECORD, blocks).
class Struct_check {
 public:
  void line(const unsigned char* line, size_t len);
  void finish();  // the end of the program: every open structure is reported

 private:
  struct Entry {
    unsigned expect, open, line;
  };
  void code(unsigned c, unsigned line);
  void warn(const Entry& e, unsigned c, unsigned line);
  Entry* innermost_not(unsigned skip1, unsigned skip2);
  std::vector<Entry> stack_;
  int warnings_ = 0;
};
