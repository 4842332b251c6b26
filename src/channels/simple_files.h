// The simple file kinds: serial (1), binary (5), directory (6) and pipe (8).
//
// Serial and binary channels share one record type, because a serial channel
// may turn into a binary one for good (system parameter BT) without being
// reallocated.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <cstdio>

#include "channels/channel.h"

// Serial and binary channels.
//
// Serial reading: rd_buf holds rd_fill bytes read from the file at offset
// byte_pos; rd_pos of them are consumed.  The next unread byte of the file is
// at byte_pos + rd_pos.  A line that crosses a refill is gathered in line_buf.
// Serial writing: the output buffer (Fcb::out_buf, buf_size = rec_size + 256)
// holds buf_count bytes that belong at file offset byte_pos; records are
// appended to it and it is written out in rec_size pieces.
// Binary: byte_pos is the file offset of the next record, rec_index its
// number (byte_pos / rec_size); putback holds bytes READ handed back.
struct Seq_fcb : Fcb {
  uint8_t* rd_buf;
  int32_t rd_cap, rd_pos, rd_fill;
  uint8_t* line_buf;
  int32_t line_cap;
  int32_t rec_count;   // index of the last record handled
  uint8_t* putback;    // binary: bytes to deliver first (buf_size capacity)
  int32_t putback_cnt;
  int64_t overwritten_at;  // binary: the flushed count after the last flush that wrote over the file's bytes
  bool mid_line;           // serial FIFO: what went out last ended inside a line
};

struct Dry_fcb : Fcb {
  char* listing;       // the sorted entry names, each ended by NUL; null until the first read
  size_t listing_len;  // bytes in listing
  size_t listing_pos;  // the next entry
  bool info;      // "+INFO" records
  char line[257];
};

// Pipe channels: the command's output is read through rfd into in_buf
// (in_fill bytes, in_pos consumed); records written are gathered in the
// output buffer and written to wfd.
struct Pip_fcb : Fcb {
  int rfd, wfd;     // -1: none
  bool wrote;       // written since the last read
  bool eod;         // end of data reached
  bool raw;         // opened with a record length: blocks, not lines
  bool mid_line;    // what went out last ended inside a line
  pid_t pid;        // the command's process (0: reaped)
  int exit_status;  // the command's exit status once reaped (-1 unknown)
  int32_t rec_count;
  uint8_t* in_buf;
  int32_t in_cap, in_pos, in_fill;
};

// A FIFO channel is opened for reading only (so that a READ sees the end
// once no writer is left); its first output opens the FIFO for writing and
// reading in place of that descriptor, as output found it open before.
// Error 13 on an input-only channel or when the name is no longer the FIFO
// the channel opened.
void Fifo_for_output(Fcb* f);
// One read of up to n bytes from a FIFO channel's (non-blocking)
// descriptor: 0 at once when no writer holds the FIFO; with one there, waits
// for data, TIM= limiting the wait (error 0).  -1 with errno on failure.
int64_t Fifo_read(int fd, uint8_t* buf, size_t n);

// Writes what a serial file channel's buffer holds, complete lines ended by
// the line end just put there, at the byte position, so that the statement
// that ended them returns with them in the file.  On failure the lines are
// dropped (the buffer emptied) and the error raised.
void Seq_put_lines(Seq_fcb* f);

// Takes the bytes the flush slot wrote out since the count `flushed` back
// out of the file (a serial or binary file, not a FIFO, ending with them):
// the file is cut where they began, the byte position goes back there and
// the buffer holds again the `count` bytes it held then, read back from the
// file (count below 0: the buffer is left alone).  False, with nothing
// changed, when the file does not end with them or cannot be cut.
bool Seq_take_back(Seq_fcb* f, int64_t flushed, int32_t count);

// The end of a line built in a serial file's buffer, in write mode (no
// FIFO, the newline fits): the newline, the buffer written out, the line
// counted, the next line to be built from the buffer's start.  What the
// write slot does then; false, with nothing done, for anything else (the
// slot's to do).
[[gnu::always_inline]] inline bool Seq_line_end(Seq_fcb* f) {
  const int32_t n = f->buf_count;
  if ((f->st1 & ST1_WRITTEN) == 0 || (f->st2 & (ST2_FIFO | ST2_SERIAL_NOT_FIFO)) || n >= f->buf_size) return false;
  f->out_buf[n] = '\n';
  f->buf_count = n + 1;
  Seq_put_lines(f);
  f->rec_count = f->rec_index++;
  return true;
}

extern const Fio_op Seq_fotbl[FIO_SLOTS];
extern const Fio_op Bin_fotbl[FIO_SLOTS];
extern const Fio_op Dry_fotbl[FIO_SLOTS];
extern const Fio_op Pip_fotbl[FIO_SLOTS];

// Turns the current serial channel into a binary one of record size 1 (kind
// 5), positioned at 0.
void Seq_to_binary();
// Hands count bytes back to a binary channel: the next READ delivers them
// first (nothing during EXTRACT).
void BinPutBack(const uint8_t* bytes, int32_t count);
// Moves a binary channel's byte position by count (signed).
void BinAdjustAddr(int64_t count);

// Reaps the children of closed pipes that have ended, without waiting (the
// host layer remembers every one of them, however many).
void PipeCheckChildren();
// Waits until fd has data or hang-up: ms milliseconds, -1 without limit.
// Returns > 0 ready, 0 timed out.
int Pip_WaitForData(int fd, int ms);
