// C-ISAM files: an index file (".idx") and a data file (".dat") read and
// written as keyed channels of file kind 9.
//
// Numbers are 16 or 32 bits in the file's byte order: big-endian when byte
// 7 of node 1 is 0xFF, else little-endian; every access goes through
// Ism_get_2b / Ism_get_4b / Ism_put_2b / Ism_put_4b with that choice.
//
// Index file: nodes of the node size N; node n (from 1) at (n - 1) x N.
//
// Node 1, the dictionary (the bytes used here; the others are kept):
//   0-1    0xFE 0x53
//   6-7    N - 1
//   8-9    number of keys
//   13-14  data record length R
//   15-18  first key-description node
//   25-28  head of the free-record list (a node number; 0 none)
//   29-32  head of the free-node list
//   33-36  highest record number in use
//   37-40  highest node number in use
//
// Key-description node: 0-1 used length, 2-5 next key-description node
// (0 none), from 6 one entry per key:
//   2  entry length E (the bytes after these two)
//   4  root node of the key's B-tree (0: empty tree)
//   1  flags: 1 duplicates compressed, 2 leading compression, 4 trailing
//   (E - 5) / 5 parts, 5 bytes each: 2 part length (bit 15: the key admits
//      duplicates), 2 offset in the record, 1 type
// The key length is the sum of the part lengths, at most 64.
//
// B-tree node: 0-1 used length (counting these two bytes), entries from
// byte 2, byte N - 3 the node type, byte N - 2 the level (0 leaf).  Entry:
//   [leading count: bytes equal to the previous entry's key]  (flag 2)
//   [trailing count: blanks dropped from the end]              (flag 4)
//   the key bytes left
//   [4-byte duplicate number]                                  (keys with duplicates)
//   4-byte pointer: record number in a leaf, child node above
// A leading count equal to the key length stands for the highest key (all
// bytes 0xFF).  With flag 1, a pointer whose bit 31 is set says that the
// next entry repeats this key: that entry is the 4-byte pointer alone, its
// duplicate number one above this one's.  Entries ascend by key, then
// duplicate number.  Each entry of an inner node holds the highest key of
// its child's subtree (the last entry of the root and of every node on its
// right edge is the highest key).
//
// Free-list node: 0-1 used length, 2-5 next free-list node, from 6 4-byte
// numbers; byte N - 2 = 127 and byte N - 3 = 0xFF (free records) or 0xFE
// (free nodes).
//
// Data file: record n (from 1) at (n - 1) x (R + 1): R bytes and a flag
// byte, '\n' in use, NUL deleted.
//
// Bounds: N is 128..32768; R 1..32767; at most 32 keys of 1..16 parts,
// each part inside the record; every node number read is checked against
// the highest node; every entry is decoded inside its node's used length.
// A file that breaks one of them is error 120 (a short node read 105).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "channels/channel.h"
#include "channels/cisam_facts.h"

extern const Fio_op Ism_fotbl[FIO_SLOTS];
// The kind's part in LOCK and UNLOCK of a channel (Register_whole_lock).
void Ism_hold_whole(Fcb* f, bool on);

constexpr int ISM_MAX_KEY = 64;
constexpr int ISM_MAX_PARTS = 16;
constexpr int ISM_MAX_KEYS = 32;
constexpr int ISM_MAX_LEVELS = 10;

struct Ism_part {
  uint16_t off = 0, len = 0;
  uint8_t type = 0;
};

struct Ism_keydesc {
  std::vector<Ism_part> parts;
  int len = 0;
  bool dups = false;
  uint8_t flags = 0;
  uint32_t root = 0;
  uint32_t desc_node = 0;  // where the description entry lies
  int desc_off = 0;        // offset of its root field in that node
};

// A key position: the key value, duplicate number and record of the entry,
// and where the next READ goes from it.
struct Ism_pos {
  enum State : uint8_t { NONE, ON, BEFORE, END };
  State state = NONE;  // NONE before the first entry; ON at the entry;
                       // BEFORE just before it; END past the last entry
  std::string key;
  uint32_t dup = 0;
  uint32_t rec = 0;
};

class Ism_file;

// Opens the pair; idx_fd is the open index file (kept by the engine).
// Errors: 12 the data file cannot be opened, 105 a short node read, 120 a
// dictionary or key description out of bounds.
std::unique_ptr<Ism_file> Ism_open_pair(int idx_fd, const std::string& idx_path, bool readonly,
                                        bool exclusive, int nbf);

// The engine's operations on one open pair (each takes and drops the
// statement lock itself).
class Ism_file {
 public:
  ~Ism_file();
  int keys() const { return int(keys_.size()); }
  int key_len(int k) const { return keys_[size_t(k)].len; }
  int reclen() const { return reclen_; }
  int node_size() const { return nsize_; }
  bool big_endian() const { return be_; }
  int data_fd() const { return dat_fd_; }
  int index_fd() const { return idx_fd_; }
  uint32_t highest_record();
  // Records in use (their flag byte '\n'), up to the highest record.
  uint32_t record_count();
  const Ism_keydesc& key_desc(int k) const { return keys_[size_t(k)]; }
  Ism_pos& pos(int k) { return pos_[size_t(k)]; }
  int buffers() const { return nbf_; }
  // Whether the engine closes the data file (the channel does when it
  // holds the descriptor as its own).
  void own_data_fd(bool own) { own_dat_ = own; }

  // Builds the key value of key k from a record of reclen() bytes.
  std::string genkey(int k, const std::string& rec) const;

  // READ by key (exact, padded with NULs); true when found.  Not found
  // leaves the position before the next entry unless keep_pos is false.
  bool find(int k, const std::string& key, bool keep_pos);
  // The record of the entry after the position (moves there); false at the
  // end.
  bool next(int k);
  // The same backwards (READ with a negative step); false at the start.
  bool prev(int k);
  // The key after / before the position without moving; false at the ends.
  bool peek_next(int k, std::string* key);
  bool peek_prev(int k, std::string* key);

  // Reads record n: false when its data is not a record in use or short.
  bool read_record(uint32_t n, std::string* rec);
  // Sets every key's position from the record (key k's is set already).
  void set_positions(int k, const std::string& rec, uint32_t n);

  // Writes a record.  Returns 0, or 11 when the record exists and must not
  // be replaced (insert), or when it must exist and does not (update).
  // mode: 0 write, 1 insert (DOM= on WRITE or INSERT), 2 update.
  int write(const std::string& rec, int mode, uint32_t* recno);
  // Removes the record of key 0 value key: false when there is none.
  bool remove(const std::string& key);
  // Empties both files (exclusive).
  void purge();

  // Statement lock (shared or exclusive) for the operations above; the
  // engine calls it itself, the driver only for a statement spanning several
  // operations.
  void lock(bool exclusive);
  void unlock();
  // LOCK of the channel: the statement lock is held from now until the
  // hold ends (exclusive, shared on a pair opened for reading), so that the
  // statements of other processes wait for the UNLOCK as they wait for
  // each other.  The channel's own statements then take no lock of their
  // own.  The end of the hold of a pair opened exclusively shares the pair.
  void hold(bool on);
  bool held() const { return held_; }
  // Writes back any changed node still kept (close of the channel; the
  // destructor does it too, dropping errors).
  void close();

  // Callbacks the driver fills in: data transfers with record locks.
  int64_t (*read_data)(int64_t off, void* buf, int64_t len) = nullptr;
  int64_t (*write_data)(int64_t off, const void* buf, int64_t len) = nullptr;
  // The message for an alternate-key entry that is missing.
  void (*missing_alt)() = nullptr;

  // Structural check (tests): every tree in order, entries pointing at
  // records in use whose keys they are; the problems, one a line.
  std::string verify();

 private:
  friend std::unique_ptr<Ism_file> Ism_open_pair(int, const std::string&, bool, bool, int);
  // The key a step (next or prev) reaches, the position put back as it was.
  bool peek(int k, bool (Ism_file::*step)(int), std::string* key);
  // The statement lock for the length of a scope: taken by the constructor
  // (which takes nothing to undo when lock() fails), released at its end.
  class Stmt_lock {
   public:
    Stmt_lock(Ism_file* f, bool exclusive) : f_(f) { f_->lock(exclusive); }
    ~Stmt_lock() { f_->unlock(); }
    Stmt_lock(const Stmt_lock&) = delete;
    Stmt_lock& operator=(const Stmt_lock&) = delete;

   private:
    Ism_file* f_;
  };
  struct Ent {
    std::string key;
    uint32_t dup = 0;
    uint32_t ptr = 0;
    bool high = false;
  };
  struct Node {
    uint32_t no = 0;
    int key_no = -1;
    int level = 0;
    uint8_t type = 0;
    std::vector<Ent> ents;
  };
  struct Buf {
    uint32_t no = 0;
    int state = 0;     // 0 free, 1 clean, 2 dirty
    bool ref = false;  // used since the clock hand last passed
    std::vector<uint8_t> data;
  };
  struct Step {
    uint32_t node;
    int idx;
  };

  uint16_t get2(const uint8_t* p) const;
  uint32_t get4(const uint8_t* p) const;
  void put2(uint8_t* p, uint16_t v) const;
  void put4(uint8_t* p, uint32_t v) const;

  Buf* free_buffer();
  // The buffer index: node number -> buffer (-1 none).
  int buf_of(uint32_t n) const;
  void index_set(uint32_t n, size_t i);
  void index_erase(uint32_t n);
  uint8_t* kread(uint32_t n);
  [[noreturn]] static void corrupt_desc();
  void kwrite(uint32_t n);
  void flush_buffers();
  void data_write(int64_t off, const std::string& bytes);
  void drop_buffers();
  void load_dictionary();

  const Node& decode(uint32_t n, int k);
  bool encode(const Node& node, int k, std::vector<uint8_t>* out) const;
  void store(Node node, int k, std::vector<uint8_t>* encoded = nullptr);
  int cmp(int k, const Ent& e, const std::string& key, uint32_t dup) const;

  // Nodes of a key without compression hold entries of one width: they
  // are searched and changed in their bytes, without decoding.  The width
  // (key, duplicate number, pointer), 0 for a key with compression.
  int entry_width(int k) const;
  int raw_cmp(int k, const uint8_t* e, const std::string& key, uint32_t dup) const;
  void raw_put(int k, uint8_t* e, const Ent& ent) const;
  // The leaf entry at the end of path read from its bytes; false when the
  // key has compression or the index stands past the leaf's last entry.
  bool raw_entry(int k, const std::vector<Step>& path, Ent* out);
  // The leaf entry at the end of path: whether it holds key (not the
  // highest key), and its pointer.
  bool leaf_holds(int k, const std::vector<Step>& path, const std::string& key, uint32_t* ptr);

  // The path to the first entry not lower than (key, dup) in key k's tree;
  // the leaf index may equal its entry count.  With fix, inner entries
  // below the key are raised to it (an insertion is coming).
  bool descend(int k, const std::string& key, uint32_t dup, std::vector<Step>* path, bool fix);
  bool normalize(int k, std::vector<Step>* path);
  bool step_next(int k, std::vector<Step>* path);
  bool step_prev(int k, std::vector<Step>* path);
  // The path down from node to the first entry of its first leaf (last:
  // the last entry of its last leaf); false at an empty inner node.
  bool outermost(int k, std::vector<Step>* path, uint32_t node, bool last);
  bool leftmost(int k, std::vector<Step>* path, uint32_t node) { return outermost(k, path, node, false); }
  bool rightmost(int k, std::vector<Step>* path, uint32_t node) { return outermost(k, path, node, true); }
  Ent entry_at(int k, const std::vector<Step>& path);
  bool locate(int k, const Ism_pos& p, std::vector<Step>* path);
  bool locate_rec(int k, const std::string& key, uint32_t rec, std::vector<Step>* path);

  void addkey(int k, const std::string& key, uint32_t rec);
  void insert_at(int k, std::vector<Step>& path, size_t level, const Ent& e);
  void delkey(int k, std::vector<Step>& path, size_t level);
  void set_root(int k, uint32_t root);

  // Node n of a free list, hops links along its chain, and its used count
  // (the 2-byte count, the link, then 4-byte numbers), both checked.
  uint8_t* free_list_node(uint32_t n, int hops, int* used);
  uint32_t newaddr(int head_off, int high_off, uint8_t type);
  void freeaddr(uint32_t n, int head_off, int high_off, uint8_t type);
  uint32_t newnode();
  void freenode(uint32_t n);

  std::string verify_tree(int k, uint32_t node, int level, std::string* last, uint32_t* count, int depth);

  int idx_fd_ = -1, dat_fd_ = -1;
  bool be_ = false;
  int nsize_ = 0;
  int reclen_ = 0;
  int nbf_ = 3;
  bool readonly_ = false;
  bool own_dat_ = true;
  bool exclusive_ = false;
  int locked_ = 0;  // 0 none, 1 shared, 2 exclusive
  bool held_ = false;  // the statement lock is held by LOCK
  int lock_depth_ = 0;
  bool changed_ = false;
  uint64_t stamp_ = 0;
  uint32_t high_node_ = 0;  // from node 1 at the start of the operation
  std::vector<Ism_keydesc> keys_;
  std::vector<Ism_pos> pos_;
  std::vector<Buf> bufs_;
  std::vector<uint8_t> scratch_;  // a node being encoded
  // Buffers are replaced by the clock: the hand passes used buffers once
  // (clearing their mark) and takes the first unmarked one; the buffer of
  // the last node read is never taken.
  size_t hand_ = 0;
  size_t last_ = 0;
  // node -> buffer + 1 (0 none) for nodes below DIRECT_NODES, the map above.
  static constexpr uint32_t DIRECT_NODES = 1u << 20;
  std::vector<uint32_t> direct_;
  std::unordered_map<uint32_t, size_t> bindex_;
  // Nodes decoded in this statement (and, for a pair held whole, since
  // the last change), by node number.
  std::unordered_map<uint32_t, Node> dcache_;
};

// The data file of an index path: "dat" in place of "idx", each letter in
// the case of the letter it replaces.
std::string Ism_data_path(const std::string& idx_path);

