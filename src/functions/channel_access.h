// What the utility directives and functions need of the channel layer: the
// channel part of a directive, whether a channel is open, and a line of text
// written to a channel.
#pragma once
#include <cstdint>
#include <string>

struct Fcb;

// The channel part "(" channel [, ERR=line] ")" at the cursor, read as the
// I/O directives read theirs: the channel becomes current and its record is
// returned; a channel that is not open is error 14.
Fcb* Channel_part();
// The same for the directives whose channel must be open (TRACE, SFID): a
// channel that is not open is error 13.
Fcb* Open_channel_part();
// The record of an open channel (0: the console), or null.
Fcb* Channel_record(uint16_t ch);
bool Channel_is_open(uint16_t ch);
// Writes the text (and, with lf, a line feed) to the channel as PRINT would
// and flushes it; the current-I/O area is kept.  A channel without a host
// descriptor writes to the console instead.
void Channel_write_line(uint16_t ch, const std::string& text, bool lf);
// Makes the channel current and puts it into write mode (error 13 for a
// channel that takes no text).
void Channel_write_mode(uint16_t ch);
