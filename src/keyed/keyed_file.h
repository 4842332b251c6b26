// Keyed files, first format: the engine's entry points, one per operation of
// the channel driver (open, close, write, read, remove, the key functions,
// index and ordinal, purge).  Each runs in one operation bracket: header
// lock, change-counter check, work, write-back and unlock.
//
// Failures are raised with Key_error: 11 missing or duplicate record, 2 end
// of file, 0 record busy (held by another process), and the format's own
// numbers for damaged files (105..118, 17 for a header that describes no
// usable file).
#pragma once
#include <cstdint>
#include <string>

#include "keyed/key_format.h"

struct Key_chan;

struct Key_open_opts {
  bool nolock = false;   // the file is held whole: no header or record locks
  bool readonly = false;
  bool growing = false;  // read-only without locks, with a growing private pool
  int nbf = 0;           // private buffer count (NBF=), 0 = the shared queue
  int sep = -2;          // field separator when the file names none; -2 = parameter FS
  int fd = -1;           // a descriptor the caller opened and keeps (-1: open the path)
};
Key_chan* Key_open(const std::string& path, const Key_open_opts& opts = {});
void Key_close(Key_chan* ch);

// The options of one I/O statement.
struct Key_req {
  int directive = 204;  // READ 204, EXTRACT 174, FIND 176, REMOVE 208, WRITE 232, INSERT 219, UPDATE 220
  bool has_key = false;
  std::string key;
  bool has_ind = false;
  int64_t ind = 0;
  bool has_rno = false;
  int64_t rno = 0;
  bool has_kno = false;
  int kno = 0;  // -2 physical order
  bool has_dir = false;
  int dir = 0;  // direction step: the record dir entries from the last one read (1 the next)
  bool lock = false;
  bool dom = false;  // DOM= given: an EFF WRITE never overwrites
};
inline Key_req Key_by(const std::string& key, int directive = 204) {
  Key_req r;
  r.directive = directive;
  r.has_key = true;
  r.key = key;
  return r;
}

// The key the channel stands at, as KEY( gives a key (empty before the
// first entry).
std::string Key_current_text(Key_chan* ch);
// READ, EXTRACT, FIND: the record data.
std::string Key_read(Key_chan* ch, const Key_req& req);
// WRITE, INSERT, UPDATE of data (the record's fields).
void Key_write(Key_chan* ch, const Key_req& req, const std::string& data);
void Key_remove(Key_chan* ch, const Key_req& req);
// Releases the channel's record lock (after READ and FIND).
void Key_unlock(Key_chan* ch);
// LOCK and UNLOCK of a whole channel.  Either way every changed block and
// header is written back first (header locks released) and the channel's
// record lock given up; while the file is held whole (on) the channel works
// without header and record locks, as one opened exclusively does.
void Key_hold_whole(Key_chan* ch, bool on);

// The key functions: KEY, KEF, KEL, KEN, KEP, KEC.
std::string Key_getkey(Key_chan* ch, const Key_req& req);
std::string Key_getkef(Key_chan* ch, const Key_req& req);
std::string Key_getkel(Key_chan* ch, const Key_req& req);
std::string Key_getken(Key_chan* ch, const Key_req& req);
std::string Key_getkep(Key_chan* ch, const Key_req& req);
std::string Key_getkec(Key_chan* ch, const Key_req& req);
int64_t Key_getind(Key_chan* ch, const Key_req& req);
int64_t Key_getrno(Key_chan* ch, const Key_req& req);

// What the information functions (FIB(, FIN() tell of a channel.  The
// header is reloaded first, so records added by other processes count.
struct Key_facts {
  int64_t records = 0;
  int64_t limit = 0;       // record limit, 0 = none
  int key_size = 0;        // the current key as a program gives it (its segments' lengths)
  int buffers = 0;         // the file's private chain, else the shared queue
  bool extracted = false;  // the channel holds a record lock
  int block_kb = 1;
  int pct = 0;             // free-space percentage of variable-length data blocks
  uint8_t flags1 = 0, flags2 = 0;
  int sep = 0;             // field separator, -1 length-prefixed fields
  std::string segs;        // the segment-table entries as stored (128 bytes, + 256 when continued)
};
Key_facts Key_facts_of(Key_chan* ch);

void Key_purge(Key_chan* ch);
uint32_t Key_record_count(Key_chan* ch);
int Key_count_keys(Key_chan* ch);
int Key_record_length(Key_chan* ch);
int Key_separator(Key_chan* ch);     // -1 length-prefixed fields
int Key_current_key(Key_chan* ch);   // the key used when no KNO= is given
bool Key_extended(Key_chan* ch);     // records may continue in extension chains
// The lengths of the segments of key k (at most max); their count, 0 for
// a key the file does not have.
int Key_segment_lengths(Key_chan* ch, int k, int32_t* lengths, int max);
// Whether the file's keys keep every segment at its full width, a short
// value followed by zero bytes (the null-key flag, NK at creation); else a
// key holds its segments' values one after another.
bool Key_pads_segments(Key_chan* ch);
// Writes back every changed block and header of every keyed file and
// releases the header locks (end of statement; busy retry).
void Kbfr_flush_all();
// Sets the size of the shared block queue (parameter BF).
void Kbfr_set(int count);

// The structural check of a file: every tree (order, fill, parent links,
// end sentinels, entries pointing at records whose keys they are), the free
// chains or space maps, and the record count.  Returns the problems found,
// one a line; empty when the file is sound.
std::string Key_verify(Key_chan* ch);

// Transactions over EFF files (the channel layer's transaction calls them):
// commit or roll back every file changed in the open transaction; whether
// any file holds such changes.
void Key_txn_commit();
void Key_txn_rollback();
bool Key_txn_pending();
// Whether the channel made an update in the open transaction (its file
// keeps the transaction's lock and pages until COMMIT or ROLLBACK).
bool Key_in_txn(const Key_chan* ch);
// The file's journal flag, and changing it (error 13 on a read-only channel).
bool Key_journaled(const Key_chan* ch);
void Key_set_journaled(Key_chan* ch, bool on);

// Journal images of a journaled channel (Key_chan_journal on): called with
// 'B' and the record's image before an update, 'A' and the new image after
// a write, 'D' and the image of a removed record.  The image is the key
// area, the record's length word and its data.  Set by the channel layer.
extern void (*Key_image_hook)(int type, const uint8_t* image, size_t len);
// The "Correcting missing key" notice for the file at path (an index entry
// that a write or REMOVE must delete is missing; the change goes on).  Set
// by the channel layer.
extern void (*Key_notice_hook)(const std::string& path);
void Key_chan_journal(Key_chan* ch, bool on);

// Engine state saved around a nested operation (driver slots 18 and 19).
void* Key_save();
void Key_restore(void* saved);
