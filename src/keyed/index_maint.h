// Keyed files of both formats: maintenance of whole key indexes.  The key
// rebuild, adding a key to a file that holds records, dropping a key and
// renaming one (the name stays in the file's dictionary, key_dict.h).
//
// ADD, DROP and RENAME run under the header lock (first format) or the file
// lock (EFF) from start to end.  The rebuild of a first-format file gives
// the header lock back every 1000 records or so (at a block change) and at
// every percent, so that other processes read and write meanwhile; an EFF
// rebuild holds its file lock to the end.  Errors: 13 a channel opened read-only, 17 a file of
// record length 0 (keys only: nothing to build from), 80 a key number or
// definition out of limits, 3 or 8 when the header cannot be rewritten.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Key_chan;

// What a rebuild tells as it goes; any of these may be null.
struct Key_rebuild_report {
  void (*clearing)(int kno) = nullptr;                // the old index of kno goes
  void (*percent)(int pct) = nullptr;                 // records scanned, 0..99
  void (*duplicate)(int kno, int64_t ind) = nullptr;  // a unique key met again
  void (*done)(int kno, int64_t count) = nullptr;     // kno built with count entries
  void (*missing_segment)(int seg) = nullptr;          // a segment file is missing (passed over)
  // Variable-length first-format files, rebuilding every key: the old
  // nodes are cleared from pct percent (a multiple of 5) of segment seg.
  void (*cleared)(int pct, int seg) = nullptr;
};

// Rebuilds key kno (all keys when kno is -1) from the records, one key
// after the other: its old index is freed (node by node, a damaged node or
// a cycle only skipped; rebuilding every key of a variable-length or EFF
// file, key 0's turn frees every node the other keys' trees do not hold),
// then the records are scanned in physical order and
// entered one by one.  Records that cannot be read are skipped, and so is a
// segment file that is missing (told once; the scan goes on with the next
// segment).  A value met twice (a unique alternate key, or key 0) is
// reported and entered all the same; an entry already there (written by
// another process meanwhile) is left alone.  Rebuilding key 0 sets the
// record count to the records found where nobody else could change it (an
// EFF file, a channel holding the file whole).  A broken deleted-slot chain
// of a fixed-length file is made again from the slots still marked deleted.
// Returns the entries of the first key built.
int64_t Key_rebuild(Key_chan* ch, int kno, const Key_rebuild_report& rep);

// One segment of a key being added.
struct Key_new_seg {
  int field = 0;        // 0 whole record, 1..254 field n, 255 the external key
  int offset = 0;       // 0-based
  int length = 0;       // 1..127
  uint16_t flags = 0;   // segment flag word (unique, upper case, ...)
  bool descending = false;
  uint8_t fill = 0;
};
// Appends a key made of segs; returns its number.  The index is empty: the
// caller rebuilds it (after reopening, so that every layout is fresh).
// Errors 80 (16 keys on the first format, 255 on EFF, a segment out of its
// limits, more than 240 bytes, a table beyond its room) and 13.
int Key_add_index(Key_chan* ch, const std::vector<Key_new_seg>& segs);
// Removes key k (1 .. the last; key 0 cannot go: 80); the later keys move
// down one number.  The caller moves their names.
void Key_drop_index(Key_chan* ch, int k);
// EFF: stores name (cut to 24 bytes) in key k's descriptor.  Nothing for a
// first-format file, whose names live only in the dictionary.
void Key_rename_index(Key_chan* ch, int k, const std::string& name);
// The names kept in the EFF key descriptors (empty strings for none); an
// empty vector for a first-format file.
std::vector<std::string> Key_descriptor_names(Key_chan* ch);
