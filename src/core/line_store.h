// Program line store.
//
// Line record (Line_rec), as kept in a loaded program image:
//   u16 BE length L, then L bytes: u16 BE line number (1..64999), the
//   compiled statements, code 255.
// A typed program is an edit list: one Str_blk per line in ascending order,
// its bytes the line (u16 BE line number, statements, 255), its length word
// the line length.  Every program ends with the shared line 65000, so every
// search stops.
#pragma once
#include <cstdint>

uint16_t Find_line(uint32_t n);  // sets the current line; returns its number (65000 at the end)
uint16_t Next_line(uint16_t n);
int Add_line();                  // line in the string accumulator; 1 stored/deleted, 0 no such line
void Clr_lines();
void Convert_variables();
// First line of the program (65000 when empty) and iteration in order.
uint16_t First_line();

uint8_t Skip_code();   // skips one item at ws.Exec_ptr, returns its code (255 at an end)
uint8_t Skip_value();
uint8_t Skip_var();
uint8_t Skip_xpr();
uint8_t Skip_if();

uint32_t Get_line();   // line number, label index | 0x10000, or statement code | 0x20000
uint16_t Get_stno();
void Get_range(uint16_t& first, uint16_t& last);
