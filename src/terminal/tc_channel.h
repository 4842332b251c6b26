// Client channels (file kind 13): files and devices on the thin client's
// machine, named "[vrl]name" (on a thin-client console) or "[rpc:server]name"
// (through a program server's TCP channel).  Every operation is a request:
//
//   'F' 'O'  open:   chr mode, int binary flag, str name, str OPT= text
//            reply:  handle (2 bytes), buffer size (2 bytes)
//   'F' 'W'  write:  option group ('D' with DOM=), str record      -> status
//   'F' 'R'  read:   option group ('E' EXTRACT, 'F' FIND), int KNO= -> status, record
//   'F' '-'  remove: option group                                  -> status
//   'F' 'K'  key queries: option group (letter), int KNO=          -> status, key or 4-byte number
//   'F' 'p'  pending output: int handle, str bytes (no reply)
//   'F' 'C'  close:  int handle (no reply)
//   'F' 'L'  LOCK, 'F' 'U' UNLOCK: int handle (reply awaited, not read)
//   'F' 'M'  MNEMONIC: int handle, int code (first * 256 + second), str
//            definition (empty: deleted)
//   'F' 'd'  DEFCTL: int handle, str key (an editing code as its decimal
//            text), chr '+' define or '-' delete, int CTL value (no reply)
//   'f' x    information: int handle, optional str; the reply is the value
//            ('n' FIN( with its item or none, 'b' FIB(, 'i' FID(,
//            '@' size: 4 bytes, then columns and lines, 2 bytes each)
//   'F' 'o' / '^'  OPEN with IOL=* / IOL=*1: as 'F' 'O'; the reply goes on
//            with a compiled list block (2 bytes, 0xB9, items, 0xFF): the
//            file's own list, or the channel's at once
//
// Positions travel in the channel's output as ESC 0x02 column line (ESC
// 0x01 column for '@(' with a column only), a byte each.
//
// Option group: int handle; at client level 10 and above, when the statement
// has TIM= or SIZ=: chr '*', long time-out (hundredths, -100 none), long
// SIZ=; chr key kind ('K' KEY=, 'I' IND=, '#' RNO=, ' '); chr operation; str
// key (FF FF when none); long IND=/RNO= (-1 none).
// Status: the first two reply bytes, signed: -1 success, 0 busy (error 0,
// not retried), 2 end of file (END=), 11 missing record (DOM=), any other
// value is raised as an error.  A reply shorter than its status is error 86.
//
// Program servers: PROCESS "name"="[tcp]host;port"[,size] opens a TCP
// channel (hidden from the channel list) under a name of 1 to 12
// characters; PROCESS "name"=DELETE closes it.
#pragma once
#include <cstdint>
#include <string>

struct Fcb;

// Registers the kind 13 driver and its part in LOCK and UNLOCK.
void Wty_register();
// RNO( of the current client channel: the number in the accumulator.
int64_t Wty_getrno();
// MNEMONIC on a client channel: the client learns the definition.
void Wtty_mnem(Fcb* client, uint16_t code, const uint8_t* def, int32_t len);
// DEFCTL on a client channel.
void Wtty_defctl(Fcb* client, const std::string& key, bool remove, int32_t value);
// The screen-image form of SAVE on the client: 'F' 'S' with the channel's
// client handle (0: the thin-client console's screen) and the file name of
// the client's machine; no reply.  Pending output of the channel goes first.
void WttySaveImage(Fcb* client, const std::string& name);
// An information request about a client channel; the reply is the current
// string.  item null: no string item.
void WttyFib(Fcb* client, char letter, const std::string* item);
// The client's size of a channel (columns, lines).
void Wtty_XYsz(Fcb* client, int32_t* cols, int32_t* lines);
// A client channel whose size is not known yet asks the client once; the
// channel's size becomes the client's less 1 (1..255).  Other channels:
// nothing.
void Wty_learn_size(Fcb* f);
// The client name in name: "[vrl]" (a thin-client console) loses its
// prefix, "[rpc:server]" selects the program server (made current) and loses
// its prefix.  Starts the request (major, minor) and returns true; false when
// the name is no client name.  Errors 68 for a bad server name.
bool WttyCheck(std::string& name, int major, int minor);
// PROCESS "name"=... (d_proc with '=' after the name).
void DefineServer(const std::string& name);
// Closes every program server.
void Clr_PrgSrvrs();
// The program server's channel of a name ("" no such server).
Fcb* Tc_find_server(const std::string& name);
