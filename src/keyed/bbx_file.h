// Keyed files of the foreign BBx format, read only: kind 14 ("BBxKey", key
// entries in a linked list in key order) and kind 15 ("BBmkey", one tree of
// blocks per key).  Nothing is ever written.
//
// All numbers are big-endian.  Header (the first 502 bytes):
//   7       file type: 2 BBxKey, anything else BBmkey
//   8       key length of a single-key file (also the key stored in front of
//           each record); 0: keys from the segment table at 117
//   9-12    most records (the bound of IND=)
//   13-14   record length (0: keys only)
//   23-26   BBxKey: entry number of the first key in key order
//   27-30   number of records
//   39-42   BBxKey: file offset of the key-entry area
//   43-46   BBxKey: file offset of the record area
//   47+4k   BBmkey: entry address of the root of key k (k < 16)
//   55-56   BBxKey: pointer width w (1..4)
//   113-114 BBmkey: block size (0: 512)
//   117...  segments (when byte 8 is 0), 8 bytes each, ended by 255: key
//           number, field (0 the whole record, n the n-th field ended by a
//           line feed), BE16 offset (from 0), length, flags (bit 0
//           descending), two bytes not read.  Segments of a key are
//           consecutive, keys numbered from 0.
// Key k's length is the sum of its segments' lengths; after key 0 four more
// bytes hold the BE32 file offset of the record, so equal values stay
// distinct.  Descending segments are stored with every byte inverted.
//
// BBxKey: entry n (from 1) at key-area offset + floor((n-1)/e) x 512 +
// ((n-1) mod e) x s, s = key length + 3w, e = floor(512 / s): the key, the
// next entry in key order, the previous one, a third pointer (w bytes each,
// 0 none).  Record n at record-area offset + (n-1) x record length.
//
// BBmkey: an entry address is a block offset (a multiple of 512) plus an
// entry index.  Block byte 0 holds the entry count c; entry i at 1 + i x t,
// t = key length + 4 (+ 4 with records): BE32 down pointer (the entry address
// of a subtree of keys below this one; 0 none), the key, the BE32 file
// offset of the record.  Index c is the closing entry: its down pointer
// leads to the keys above the block's last one.
//
// Every offset, count and pointer read is bounded by the file's size, and
// every walk by the number of entries it may visit: a damaged file is
// error 3 ("BBx keyed file damaged"), a header that describes no file 17.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "channels/channel.h"

extern const Fio_op Bbx_fotbl[FIO_SLOTS];
// The kinds' part in LOCK and UNLOCK of a channel (Register_whole_lock).
void Bbx_hold_whole(Fcb* f, bool on);

struct Bbx_seg {
  int key = 0, field = 0, off = 0, len = 0;
  bool desc = false;
};

// One key entry: its address (BBxKey: entry number), stored key and the
// record it stands for (BBxKey: the entry number; BBmkey: the file offset).
struct Bbx_entry {
  uint64_t addr = 0;
  std::string key;
  uint64_t rec = 0;
};

class Bbx_file {
 public:
  // Reads the header of the open file (error 13 when shorter than the
  // header, 17 when it describes no file).
  static std::unique_ptr<Bbx_file> open(int fd);

  bool multi() const { return !bbxkey_; }  // BBmkey (kind 15)
  int kind() const { return bbxkey_ ? FK_BBX_KEYED : FK_BBX_KEYED2; }
  int keys() const { return int(klen_.size()); }
  int key_len(int k) const { return klen_[size_t(k)]; }  // stored length
  int seg_len(int k) const { return k == 0 ? klen_[0] : klen_[size_t(k)] - 4; }
  int reclen() const { return reclen_; }
  uint32_t max_records() const { return max_recs_; }
  uint32_t record_count() const { return nrecs_; }

  // Reads the header's counters again (every statement).
  void reload();

  enum Mode { GE, GT, LT };
  // The first entry not below / above the key, or the last below it.
  bool seek(int k, const std::string& key_in, Mode mode, Bbx_entry* out);
  bool first(int k, Bbx_entry* out);
  bool last(int k, Bbx_entry* out);
  // The n-th entry in key order (from 1); BBxKey: entry n + 1 for IND= n.
  bool by_rno(int k, uint64_t n, Bbx_entry* out);
  bool by_ind(uint64_t n, Bbx_entry* out);
  // The place of the entry with this key in key order (from 1).
  uint64_t rno_of(int k, const std::string& key);

  // The record of an entry: the stored key first for a single-key file,
  // then the record bytes.
  std::string record(int k, const Bbx_entry& e);
  // The stored form of key k built from a record (record bytes only).
  std::string make_key(int k, const std::string& rec, uint64_t rec_off) const;
  // A key as a program gives it in its stored form: zero-padded to the
  // key's length, descending segments inverted.
  std::string stored(int k, const std::string& given) const;
  // A stored key as a program sees it: descending segments turned back,
  // the record offset of keys after key 0 dropped (unless asked to keep
  // it), trailing zeros removed.
  std::string external(int k, const std::string& stored, bool with_offset = false) const;
  // The record offset (BBmkey) or entry number of the last record read.
  uint64_t record_of(const Bbx_entry& e) const { return e.rec; }

 private:
  std::string read_at(uint64_t off, size_t n);
  [[noreturn]] static void damaged();
  // BBxKey entries.
  bool list_entry(uint64_t n, Bbx_entry* out, uint64_t* next, uint64_t* prev);
  // BBmkey blocks.
  struct Block {
    uint64_t off = 0;
    int count = 0;
    std::vector<uint8_t> data;
  };
  const Block& block(uint64_t addr);
  bool tree_entry(int k, uint64_t block_off, int i, Bbx_entry* out, uint64_t* down);

  int fd_ = -1;
  bool bbxkey_ = true;
  int ext_key_ = 0;  // byte 8
  uint32_t max_recs_ = 0, nrecs_ = 0;
  int reclen_ = 0;
  uint64_t first_ = 0, key_area_ = 0, rec_area_ = 0;
  int w_ = 0, s_ = 0, e_ = 0;
  int bsize_ = 512;
  std::vector<uint32_t> roots_;
  std::vector<int> klen_;
  std::vector<Bbx_seg> segs_;
  uint64_t fsize_ = 0;
  std::vector<Block> cache_;  // a few blocks, most recent last
};
