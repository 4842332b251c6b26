// Program line store.
//
// Line record (Line_rec), as kept in a loaded program image:
//   u16 BE length L, then L bytes: u16 BE line number (1..64999), the
//   compiled statements, code 255.
// A typed program is an edit list: one Str_blk per line in ascending order,
// its bytes the line (u16 BE line number, statements, 255), its length word
// the line length.  Every program ends with the shared line 65000, so every
// search stops.
//
// Names of a stored line: Convert_variables rewrites each inline variable
// reference (code 1 or 2, length n, n name bytes) as code, 0x80|high, low of
// an index i.  ws.Var_index[i] is the variable node (null after the
// variables were cleared: it is found again by name), ws.Name_index[i] the
// offset, in host byte order, of the name entry in ws.Name_pool; a name entry
// is a length byte followed by the name.
#pragma once
#include <string>
#include <cstddef>
#include <cstdint>

struct Str_blk;

uint16_t Find_line(uint32_t n);  // sets the current line; returns its number (65000 at the end)
uint16_t Next_line(uint16_t n);
bool Line_stored(uint16_t n);   // the program has line n (the line cursor stays)
int Add_line();                  // line in the string accumulator; 1 stored/deleted, 0 no such line
// Clears the current program (its lines or image, names, variable table,
// path and functions; the loaded-program record loses this use) and then
// its variables.  Clr_program leaves the variables alone (a call that
// shares its caller's variables loads its program with it).
void Clr_lines();
void Clr_program();
// Counts the programs Clr_lines has cleared at the call level of
// Clr_watch_link (EXECUTE tells by it that the program whose line it ran
// in is gone).
inline uint32_t Programs_cleared = 0;
inline const void* Clr_watch_link = nullptr;
void Convert_variables();
// First line of the program (65000 when empty) and iteration in order.
uint16_t First_line();

// The shared end line (65000, END, 255) that closes every edit list.
extern Str_blk* const End_line_blk;
inline Str_blk* Last_line() { return End_line_blk; }
// The running program's key and description, to store in: its block, made
// (zeros) when it has none (out of memory: raised).
struct Pgm_text;
Pgm_text& Pgm_text_own();
// Frees the running program's key and description block (both zeros now).
void Pgm_text_release();
// Head of the edit list (the end line when the program is empty).
Str_blk* Edit_head();
// Unlinks and frees the lines first..last of the edit list; returns how many.
// The stop point moves to the next line when its line goes.
int Delete_lines(uint16_t first, uint16_t last);
// The name entry (length byte, name) of variable-table index idx, or null.
// A program saved while a data dictionary was loaded names some variables
// by the dictionary's references (255, then 4 bytes): their entries are
// the names the dictionary gives (through Dict_ref_name_hook, set by the
// dictionary), valid until Var_dict_names_changed.  Error 49 for a
// reference whose name cannot be a variable's.
const uint8_t* Var_name_entry(uint32_t idx);
// A fresh identity for a typed program's variable table (ws.Names_id):
// never one a loaded image's load serial can take (those stay below
// 0x80000000).
uint32_t New_names_id();
extern std::string (*Dict_ref_name_hook)(uint32_t ref);
void Var_dict_names_changed();
// Bytes of the compiled item at p (never past end): Skip_code's sizes, plus
// the operand byte of 12, 35, 66, 72, 251, 254 and of the functions that
// carry one.  For code scanners that must never mistake an operand byte for
// a code.
size_t Item_size(const uint8_t* p, const uint8_t* end);
// The end a code scanner starting at p may not pass: the end of the current
// line (image record or edit-list line) when p lies in it, else the end of
// the loaded image (a program file is untrusted: its bytes are never read
// past its end); console lines and function texts compiled here end at
// their EOL.
const uint8_t* Code_end(const uint8_t* p);
// Item_size for scanners that read the code after the item: error 49 when
// the item is empty or reaches end (damaged code).
size_t Scan_size(const uint8_t* p, const uint8_t* end);

uint8_t Skip_code();   // skips one item at ws.Exec_ptr, returns its code (255 at an end)
uint8_t Skip_value();
uint8_t Skip_var();
uint8_t Skip_xpr();
uint8_t Skip_if();

// A statement reference as Get_line returns it for "*" and a directive code:
// 0x20000 | code, or 0x20000 | (prefix << 8) | byte for the two-byte forms.
constexpr uint32_t LINE_LABEL_BIT = 0x10000;
constexpr uint32_t LINE_STMT_BIT = 0x20000;
uint32_t Get_line();   // line number, label index | 0x10000, or statement code | 0x20000
uint16_t Get_stno();
void Get_range(uint16_t& first, uint16_t& last);
