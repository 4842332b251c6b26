// What the utility directives and functions need of the channel layer: a
// channel operand, whether a channel is open, and writing a line of text to
// it.
#pragma once
#include <cstdint>
#include <string>

// "(" channel [, ERR=line] ")" at the cursor: the channel number (0..65000,
// else error 41); the ERR= line becomes the statement's.
uint16_t Channel_operand();
bool Channel_is_open(uint16_t ch);
// Writes the text (and, with lf, a line feed) to the channel, then flushes
// it.  A channel that cannot take text (no host descriptor) writes to the
// console instead.
void Channel_write_line(uint16_t ch, const std::string& text, bool lf);
// Puts the channel into write mode (the trace channel, before the first
// line is written to it).
void Channel_write_mode(uint16_t ch);
