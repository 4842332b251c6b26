// The line editor: LIST, DELETE, AUTO, EDIT and RENUMBER (their handlers are
// declared with the other directives), and the console listing helpers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Prints one listed line (text as the lister made it, starting with its line
// number) on the console, wrapping at 79 columns: a wrapped row goes on after
// the line number and ":", a row after an embedded line feed after as many
// blanks and ":".  Returns non-zero when the user stopped the listing at a
// page stop.
int List_line(const uint8_t* text, size_t len);
// Called before each printed row: at the end of a page (only when standard
// output is a terminal) prints the page-stop prompt and reads the answer;
// non-zero means stop.  List_page_start begins a new page count.
int List_Continue();
void List_page_start();

// Lists the current line (in the string accumulator, as left by Find_line)
// on the console.
void Exec_list();

// AUTO mode: the "NNNN " text the console pre-types for the next line; false
// when AUTO is off (AUTO ends once the next line would be 65000).
bool Auto_next(std::string& prefix);

// The console find-and-replace forms (a console line starting with bracketed
// text, "," or "*").
void Exec_edit();

// Applies an EDIT script to a listed line: an insert (op 0) adds its text;
// 'C' copies up to and including the next occurrence of the text, 'D'
// deletes up to and including it, 'R' overwrites as many characters.
struct Edit_step {
  char op;
  std::string text;
};
class Edit_script {
 public:
  explicit Edit_script(std::string line) : line_(std::move(line)) {}
  void apply(const Edit_step& step);  // errors 71 (not found), 72 (past the end)
  std::string result() const { return out_ + line_.substr(pos_); }

 private:
  std::string line_;
  std::string out_;
  size_t pos_ = 0;
};
