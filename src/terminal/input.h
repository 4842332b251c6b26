// INPUT and OBTAIN: prompts and answers on the console or another channel.
//
// Compiled form: [ '(' channel [, options] ')' ] then items separated by ','
// (code 37): a mnemonic literal, a position '@(' col [, line] ')', '/' (a
// line read and thrown away), a variable (an answer is read into it, with an
// optional ':' mask for numbers), or any other expression (a prompt, printed
// on the channel).
//
// An answer for a numeric variable must be a number (blanks around it, a
// sign, one point, an exponent; digit grouping and currency characters of
// its mask are dropped first): anything else is the conversion error 43
// (26 is for the length and limit items), raised before the
// variable is touched, so the program may ask again through ERR=.  An empty
// answer gives 0 to a number and "" to a string.  On the console an answer
// is at most SIZ= characters (1920 without SIZ=), longer is error 46; TIM=
// waits at most that long for an answer (error 0, never retried); the end of
// the console's input is the end of data (error 2, or the END= branch).
#pragma once

// Reads one answer from the current channel into the work area
// (ws.Str_ptr, ws.Str_len), without its line end.
void Inp_read();

#include <cstdint>
#include <string>
// The HLP= text of the last INPUT or OBTAIN (VHLP); empty when it gave none.
const std::string& Input_help_text();
// The answers INPUT and OBTAIN have read so far (LIP).
void Input_answer_counts(uint32_t* input, uint32_t* obtain);
