// Keyed files, first format: the state shared by the engine's files (block
// cache, header lock and operation bracket, B-tree, record storage, driver).
// Nothing outside src/keyed includes this header.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "keyed/key_format.h"

struct Key_file;
struct Key_chan;
struct Eff_store;  // the EFF page store of a second-format file (eff_store.h)
struct Kcrypt;     // the page cipher (file_crypt.h)
struct Oru_error;  // core/errors.h

// A block buffer.  file == nullptr: the buffer is free.
struct Kbfr {
  uint32_t addr = 0;       // block address as the index and records know it
  uint64_t stamp = 0;      // last use (Kbfr_quepos)
  int64_t host_off = 0;    // offset in its segment file
  int fd = -1;             // descriptor of that segment file
  Key_file* file = nullptr;
  bool changed = false;
  uint16_t count = 0;      // entry count of an index node (bytes 4..5 on disk)
  uint32_t serial = 0;     // operation that last used it
  std::vector<uint8_t> data;
  Kbfr* prev = nullptr;    // least-recently-used list of its pool
  Kbfr* next = nullptr;
  uint8_t* b() { return data.data(); }
};

// A chain of buffers: the process-wide queue or a file's private chain.
struct Kbfr_pool {
  std::vector<std::unique_ptr<Kbfr>> bufs;
  std::unordered_map<uint64_t, Kbfr*> index;  // (file, address) -> buffer
  size_t data_size = 4096;
  size_t grow_left = 0;  // growing private pool: buffers it may still add
  Kbfr* mru = nullptr;   // most recently used end of the list
  Kbfr* lru = nullptr;   // least recently used end (free buffers gather here)
  // Set when a victim search found every buffer in use by the operation of
  // this serial on this file: until the serial moves on, a miss adds a
  // buffer without searching again.
  const void* busy_file = nullptr;
  uint32_t busy_serial = 0;
};

// Engine statistics: blocks read and written.
struct Key_stats {
  uint64_t reads = 0, writes = 0;
};
extern Key_stats Key_io_stats;

// One host file open in this process: every channel on it shares this record
// (header image, lock state, segment files, private chain).
struct Key_file {
  std::string path;
  int fd = -1;
  bool borrowed = false;         // fd belongs to the channel layer
  uint64_t id = 0;               // this file's tag in the buffer indexes
  uint8_t hdr[kf::HDR_SIZE] = {};  // header image; bytes 8..255 are loaded and written
  uint8_t segtbl[kf::SEG_TABLE_BYTES] = {};
  int segtbl_len = 0;            // EFF: bytes of segtbl in use
  Key_layout lay;
  // Format figures fixed at open.
  int reclen = 0, keylen = 0, blk = 0, slot = 0, pct = 0, threshold = 0;
  uint8_t flags1 = 0, flags2 = 0;  // the channel's copies (bit 6 cleared on a bad check)
  bool variable = false;
  int sep = 0;                   // field separator, -1 length-prefixed fields
  bool cap_lifted = false;       // an index node above 255 entries was read
  int64_t seg_limit = 0;         // size limit of each host file (segmented layouts)
  // Lock and load state.
  int lock_level = 0;            // header loaded under a lock of level 0, 1 read, 2 write
  bool lock_real = false;        // the host lock is taken (not for channels without locks)
  bool hdr_changed = false;
  bool counter_known = false;
  uint8_t seen_counter[4] = {};
  int nseg = 0;                  // segment files known
  std::vector<int> seg_fd;       // [s] descriptor of segment s (0 = main)
  std::unique_ptr<Kbfr_pool> priv;
  int wd_count = 0;              // operations since the last full write-back
  std::vector<Key_chan*> chans;  // this process's channels on the file
  uint32_t data_block = 0;       // current data block (variable-length files)
  // Fixed-length slots appended by a channel that works without locks, not
  // yet written: they start at pend_off (Kfix_flush_pending).
  std::vector<uint8_t> pend;
  int64_t pend_off = 0;
  // Bytes of fixed-length slots read so far and their count: with SR the
  // first read of a slot asks for 1.25 times their average.
  uint64_t slot_bytes_read = 0;
  uint32_t slot_reads = 0;
  // EFF files (second format): the page store; null for first-format files.
  std::shared_ptr<Eff_store> eff;
  // Page cipher of a file protected with encryption (file_crypt.h); null
  // when its pages are plain.
  std::shared_ptr<Kcrypt> crypt;
  // Pages that became changed since the last statement-end write-back
  // (Kbfr_write_touched): EFF pages, and the blocks of a first-format file
  // changed by a channel holding it whole; a page may be listed more than
  // once.
  std::vector<uint32_t> touched;
};

// A key's saved position.  An empty key vector stands before every entry:
// a record whose key is empty (length byte 0, all zero bytes) compares
// equal to the zero value, so "after the zero value" would pass over it.
struct Key_pos {
  uint32_t node = 0;  // 0 = no node (value only)
  int idx = 0;
  std::vector<uint8_t> key;  // Ksz bytes, or empty: before the first entry
};

// A channel on a keyed file.
struct Key_chan {
  std::shared_ptr<Key_file> f;
  bool nolock = false;    // works without header and record locks
  bool readonly = false;
  int nbf = 0;            // buffer count asked at open (0 = default)
  int cur_kno = 0;
  std::array<Key_pos, kf::MAX_KEYS_ALL> saved;
  // Current position.
  uint32_t cur_rec = 0, cur_node = 0;
  int cur_idx = 0, cur_kno_pos = 0;
  std::vector<uint8_t> cur_key;
  uint32_t last_read = 0;
  int last_kno = 0;
  // EFF: the transaction (Eff_store::txn_no) this channel made an update in.
  uint32_t txn_mark = 0;
  bool eof_pending = false;
  // Record lock.
  uint32_t lock_addr = 0, lock_len = 0;
  bool lock_held = false;
  bool lock_write = false;
  // The record lock was only probed (no host lock to release): see take().
  bool lock_probe = false;
  uint32_t lock2_addr = 0, lock2_len = 0;  // main record's lock set aside
  bool held_whole = false;   // LOCK holds the file: nolock as it was before
  bool nolock_before = false;
  std::vector<uint8_t> key0;  // key-0 value kept for a key held outside the record
  bool journal = false;       // before and after images go to Key_image_hook
};

// The process-wide operation state (one operation at a time).
struct Key_ctx {
  Key_chan* ch = nullptr;
  Key_file* f = nullptr;
  // A fixed-length record shorter than the record length: the image is
  // keyed at the whole length (as it reads back), its slot stores this
  // data length (-1: the image's own).
  int fill_len = -1;
  // Current-key context.
  int kno = 0, ksz = 0, kent_sz = 0, max_kidx = 0;
  bool nullkey = false;
  // Path stack.
  uint32_t kadr[kf::MAX_DEPTH] = {};
  int kidx[kf::MAX_DEPTH] = {};
  int depth = 0;
  int advance_left = 0;
  // Operation flags.
  bool open = false;
  int load_type = 0;
  bool fh_updated = false, ky_updated = false;
  uint32_t serial = 0;
  void (*sv_exit)() = nullptr;
  // The statement being served.
  int directive = 0;  // READ 204, EXTRACT 174, FIND 176, REMOVE 208, WRITE 232, INSERT 219, UPDATE 220
  bool lock_opt = false;
  // Record read cache.
  uint32_t rec_addr = 0xFFFFFFFFu;
  std::vector<uint8_t> rec_bfr;  // key-0 image, BE16 length, data
  int rec_sz = 0;
  uint32_t rec_ext = 0;           // extension following the record read
  uint32_t rec_seq = 0;           // EFF: the sequence of the record read
  bool eff_lock_first = false;    // EFF: this attempt reads under the file lock
  bool no_climb = false;          // a search for an insert position stays in its leaf
  bool no_rec_locks = false;      // records are read without record locks (the key rebuild)
  // Told of a segment file the physical scan found missing (and passed).
  void (*missing_segment)(int seg) = nullptr;
};
extern Key_ctx K;

// Directive codes.
enum : int { DIR_EXTRACT = 174, DIR_FIND = 176, DIR_READ = 204, DIR_REMOVE = 208,
             DIR_INSERT = 219, DIR_UPDATE = 220, DIR_WRITE = 232 };

// ---- block cache (block_cache.cpp) ----
// type: 1 any, 2 any and re-initialise an invalid block, 0 create at the end
// of file, else that type required.
Kbfr* Kbfr_get(uint32_t addr, int type);
Kbfr* Kbfr_new(int type);
void Kbfr_free(Kbfr* b);
void Kbfr_mark(Kbfr* b, int state);
// A block read by its address alone (a visit of every block of the file)
// may be a node of any key: while one lives, a node's entry count is not
// checked against the entry size of the key selected.
class Kbfr_any_key {
 public:
  Kbfr_any_key() : keep_(K.kent_sz) { K.kent_sz = 0; }
  ~Kbfr_any_key() { K.kent_sz = keep_; }
  Kbfr_any_key(const Kbfr_any_key&) = delete;
  Kbfr_any_key& operator=(const Kbfr_any_key&) = delete;

 private:
  int keep_;
};
// Variable-length first-format files: the byte the space map holds for the
// block of b (252 for a map block itself).
int Kbfr_map_state(Kbfr* b);
void Kbfr_wrt(Kbfr* b, bool own);
inline void Kbfr_touch(Kbfr* b) {
  // EFF pages, and the blocks a channel holding its file whole changes,
  // are listed for the write-back at the statement's end.
  if (!b->changed && b->file && (b->file->eff || (K.ch && K.ch->nolock))) b->file->touched.push_back(b->addr);
  b->changed = true;
  K.ky_updated = true;
}
// Writes back the blocks of f changed since the last call.  EFF, inside a
// transaction: copy on write, as eviction does; map pages wait for the flip.
// First format: the blocks a channel holding the file whole changed.
void Kbfr_write_touched(Key_file* f);
// Writes back every changed buffer of f (of every file when null); drop
// also forgets the buffers.
void Kbfr_flush_file(Key_file* f, bool drop);
void Kbfr_drop_file(Key_file* f);  // forgets without writing
void Kbfr_set(int count);
Kbfr_pool& Kbfr_pool_of(Key_file* f);
int KSeg_fd(Key_file* f, int seg);  // opens (or creates) segment file seg
void KSeg_close_all(Key_file* f);
std::string KSeg_path(const std::string& main, int seg);
int Key_seg_of(const Key_file* f, uint32_t addr);
uint64_t KeyBlockNo(const Key_file* f, uint32_t addr);
int64_t Key_host_off(const Key_file* f, uint32_t addr);
// Variable-length files, in file order: the block after addr (at a segment
// file's size limit the next segment's first block), and the first block
// of the segment after addr's; 0 past the last segment a block address can
// name.
uint32_t Key_next_block(const Key_file* f, uint32_t addr);
uint32_t Key_next_segment(const Key_file* f, uint32_t addr);
// A walk over the blocks in file order that could not read block *blk
// (error e): where the host file ends there or the segment's file is
// missing, the walk goes on at the next segment's first block, whose
// records and nodes are still there; *blk is set to it and true returned,
// the missing segment told to K.missing_segment when tell is set.  False
// for any other error.
bool Key_past_segment(const Key_file* f, uint32_t* blk, const Oru_error& e, bool tell);

// Enciphered files: a page as read is deciphered in place; a page to be
// written comes back enciphered in a scratch buffer (or as it was).
void Kcrypt_in(const Key_file* f, uint8_t* page);
const uint8_t* Kcrypt_out(const Key_file* f, const uint8_t* page);

// ---- header lock, operation bracket, record locks (locks.cpp) ----
void Key_init(Key_chan* ch);
void Key_Hdr_Lock_N_Load(int level);
void Key_exit();
void Key_exit_hook();
void Khdr_flush(Key_file* f);
void Key_hdr_changed();
void Kvar_rlck(uint32_t addr, uint32_t len);
void Kvar_wlck(uint32_t addr, uint32_t len);
void Rec_unlock(Key_chan* ch);
// Host locks do not keep the channels of one process apart: another
// channel of this process holding the record at addr makes the request busy
// (error 0).  Nothing for a channel that works without locks.
void Rec_busy_here(Key_chan* ch, uint32_t addr);
// An operation bracket for the engine's entry points.
class Key_bracket {
 public:
  explicit Key_bracket(Key_chan* ch, int directive = DIR_READ, bool lock_opt = false);
  ~Key_bracket();
  void done();
  Key_bracket(const Key_bracket&) = delete;
  Key_bracket& operator=(const Key_bracket&) = delete;
 private:
  bool open_;
};

// Header image fields.
inline uint32_t Hdr32(const Key_file* f, int off) { return get_u32be(f->hdr + off); }
inline void Hdr32_set(Key_file* f, int off, uint32_t v) { put_u32be(f->hdr + off, v); Key_hdr_changed(); }

// The BE16 data-length word of a record image or stored body.  Bit 15 marks
// a record continued elsewhere; an EFF file without continuation pieces has
// records of up to 64000 bytes, and there all 16 bits are the length.
inline bool Key_len16(const Key_file* f) { return f->eff && !(f->flags2 & kf::F2_EXTENDED); }
inline int Key_data_len(const Key_file* f, unsigned word) { return int(word & (Key_len16(f) ? 0xFFFFu : 0x7FFFu)); }
inline bool Key_continued(const Key_file* f, unsigned word) { return (word & 0x8000u) && !Key_len16(f); }

// ---- B-tree (btree.cpp) ----
void Kno_def(int k);
int Kent_gen(const uint8_t* image, uint8_t* key, uint32_t addr, bool write);
int Key_adjust(uint8_t* key, int mode, int len);
int Kcmp(const uint8_t* a, const uint8_t* b);
int Kfnd_key(const uint8_t* key, int check);
int Kfnd_key_chk(const uint8_t* key);
int Kfnd_advance(Key_pos& pos, int step);
int Kfnd_nxt(Key_pos& pos);
int Kfnd_prv(Key_pos& pos);
int Kfnd_by_rno(int64_t n);
int Kfnd_NextPhys();
void Kent_add(const uint8_t* key, int32_t ptr);
void Kent_del();
uint32_t Key_root();
void Key_set_root(uint32_t addr);
void Key_set_current_from_top();
int64_t Key_ordinal();
uint8_t* Kent_at(Kbfr* b, int i);
void Key_free_tree(uint32_t root);

// ---- record storage (record_store.cpp) ----
int Krec_read(uint32_t addr);
void Kfix_flush_pending(Key_file* f);
uint32_t Krec_add(const uint8_t* image, bool count);
void Krec_del(uint32_t addr, bool count);
uint32_t Krec_rwr(uint32_t addr, const uint8_t* image);
// EFF: rewrites the stored sequence of the record at addr in place (its
// body keeps its size); the page is marked changed.
void Krec_set_seq(uint32_t addr, uint32_t seq);
// The number the auto-numbered key segments of a record image hold (the
// last such segment when there are several): false when the file has none
// or the record's segment is missing or holds no number.
bool Key_auto_value(const uint8_t* image, uint32_t* value);
// Stores data as a chain of continuation pieces (last piece first); EFF
// pieces carry seq, their record's sequence.  Returns the first piece.
uint32_t Kext_write_chain(const uint8_t* data, size_t len, uint32_t seq);
// EFF: the sequence stored with the continuation piece at addr; false when
// addr holds no readable piece (a damaged chain).  The record buffer and
// the last-record fields are left as they were.
bool Kext_first_seq(uint32_t addr, uint32_t* seq);
void Kext_del_chain(uint32_t addr);
std::string Kext_read_chain(uint32_t addr, size_t limit);
int compressBuf(uint8_t* out, const uint8_t* in, uint8_t flags2);
int un_CompressBuf(uint8_t* out, const uint8_t* in, int cap, uint8_t flags2);
int Key_image_size(const Key_file* f);
uint32_t Kfix_next(uint32_t addr);
uint32_t Kvar_next(uint32_t addr);
// Variable-length files: whether data block b takes another record (free
// space of the file's threshold at least, a slot left); a first-format
// file's space map holds 128 for it then, 129 when it is full.
bool Kvar_has_room(Kbfr* b);
bool Krec_valid(uint32_t addr);
