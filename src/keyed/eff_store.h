// Keyed files, second format (EFF): the page store shared by the engine's
// files.  The byte layout is drawn in eff_format.h.  Nothing outside
// src/keyed includes this header.
//
// The engine of the first format (keyed_file.cpp, btree.cpp, record_store.cpp,
// block_cache.cpp) serves EFF files too: its block addresses are EFF logical
// page numbers, its record addresses page x 256 + slot, and wherever the
// formats differ it calls the Eff_ operations below (translation through the
// map, copy-on-write write-back, the update cycle, the file lock).
//
// Update cycle.  Every change happens under the file lock (one byte at file
// offset B).  A changed page is never written over its physical page: the
// write-back takes a free logical page F, gives F the old physical page and
// the written page F's physical page (copy on write).  At the end of the
// cycle each changed map group is written to its map copy that is not
// current, and then the header's variable part (roots, counters, flip bytes
// with the current copies switched, a new generation) is written in one
// write.  Until that write the file on disk describes the previous state,
// so a process killed at any instant leaves either state.  Free entries are
// handed out in one direction within a cycle (the empty-page hint), so a
// physical page that the previous state still uses is never written before
// the cycle ends.
//
// Readers take no lock: they note the generation, work, and compare it with
// the generation on disk; a changed one repeats the operation (twice without
// the lock, then once under it).
#pragma once
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "keyed/eff_format.h"
#include "keyed/eff_view.h"
#include "keyed/keyed_internal.h"

struct Eff_store {
  int B = 4096;                     // page size
  int E = 1022;                     // map entries a page
  uint8_t fixed[eff::FIXED] = {};   // header page bytes 0..57
  int nkeys = 0;
  std::vector<uint32_t> roots;      // root page of each key
  uint64_t generation = 0, count = 0, inserts = 0;
  uint32_t high = 0;                // highest physical page in use
  std::vector<uint8_t> flips;       // one byte a map group
  // Groups whose flip bits may have to come down at the flip (an entry
  // that was free or of the group's highest class changed in this cycle):
  // only those are scanned whole; the others keep their bits, which every
  // change of the cycle raised as needed.
  std::vector<bool> rescan;
  uint32_t max_page = 0;            // largest usable logical page
  // Free-page and with-space search hints: group and entry index.
  int empty_g = 0, empty_i = 0, space_g = 0, space_i = 0;
  bool locked = false;              // this process holds the file lock
  bool lock_real = false;           // the lock is a host lock (not a channel without locks)
  bool in_txn = false;              // part of the open transaction
  uint32_t txn_no = 0;              // counts the transactions the file took part in
  bool dirty = false;               // the header's variable part must be written
  bool gen_known = false;
  // The last load under the lock found another process's commit: the next
  // one reads the header run and group 0's map copies in one transfer.
  bool contended = false;
  uint64_t seen_gen = 0;            // generation of the cached pages
  uint32_t dict_head = 0;
  bool fixed_dirty = false;         // header bytes 0..57 are written with the cycle's header
  int ops = 0;                      // operations of the cycle under way (WD)
  // Logical pages whose physical page was taken in this cycle (new pages and
  // pages already moved by copy on write): the file on disk does not use
  // it, so they are written in place until the cycle ends.
  std::unordered_set<uint32_t> fresh;
  // Sanitizer build: whether every physical page had one owner at the last
  // commit (-1 not known yet).
  int8_t owners = -1;
  // Read-only mapping of the file: header runs and pages are copied from it.
  Eff_view view;
};

inline Eff_store* Eff_of(Key_file* f) { return f->eff.get(); }
// Reads bytes of the EFF file f (through its mapping when it covers them).
inline int64_t Eff_read(Key_file* f, uint8_t* buf, size_t len, int64_t off) {
  return Eff_view_read(f->eff->view, f->fd, buf, len, off);
}
// Writes a page (never the header run) of the EFF file f.
inline int64_t Eff_write_page(Key_file* f, const uint8_t* buf, size_t len, int64_t off) {
  return Eff_view_write_page(f->eff->view, f->fd, buf, len, off);
}

// ---- opening and creation (eff_open.cpp) ----
// Fills f from the header page, the key descriptors and the dictionary of
// the EFF file open as f->fd.  Error 17 for a header that describes no
// usable file.
void Eff_load_file(Key_file* f, int sep_default);

// ---- page store (eff_store.cpp) ----
// Reads the header's variable part from the file; drops the cached pages
// when another process committed since they were read.
void Eff_load_header(Key_file* f);
// The generation stored on disk now.
uint64_t Eff_disk_generation(Key_file* f);
// Takes the file lock and reloads the header (unless already held).
void Eff_lock(Key_file* f, bool nolock);
// Ends the update cycle: writes every changed page, flips the changed map
// groups, writes the header, releases the file lock.  Inside a transaction
// nothing is done: each statement's end writes its pages
// (Kbfr_write_touched), the rest waits for EffCommit.
void Eff_end_cycle(Key_file* f);
// Forgets the changes of the cycle (pages dropped, header reloaded) and
// releases the file lock.
void Eff_abort_cycle(Key_file* f);
// Physical page of logical page p.
uint32_t Eff_log2ps(Key_file* f, uint32_t p);
// Whether logical page p is an index node in the map as loaded: a node
// address kept from an earlier statement is only a hint, and another
// process may since have freed or reused its page.
bool Eff_page_is_node(Key_file* f, uint32_t p);
bool Eff_is_map_page(const Eff_store* e, uint32_t p);
// The map page (current copy) of group g, through the cache.
Kbfr* Eff_map_page(int g);
// A free logical page (the map grows when there is none).
uint32_t Eff_get_empty_page();
// A data page with room for a record of size bytes (0: none).
Kbfr* Eff_page_with_space(int size);
// Copy-on-write write-back of a page buffer.
void Eff_page_write(Kbfr* b);
// A page just taken from the map gets its type in its entry.
void Eff_page_new(uint32_t p, uint8_t type);
// Frees a page (its map entry becomes free).
void Eff_page_free(Kbfr* b);
// Data-page map type of a page buffer: 128 + its free-space class.
uint8_t Eff_data_type(const Eff_store* e, const uint8_t* page);
// Next record address after addr in physical order (0 at the end).
uint32_t Eff_next_record(uint32_t addr);
// Whether a record address names a data page of the file (IND=): 105 for a
// page outside the file, 11 for a page that holds no records, else 0.
int Eff_check_address(uint32_t addr);
// Empties the file in one update cycle: every page but the maps and the
// item pages is freed; roots, counts and the insert counter become 0.
void Eff_purge(Key_file* f);
// Structural check of the map: every physical page used once, free
// entries, page types agreeing with the map.  Problems one a line.
std::string Eff_verify_map(Key_file* f, const std::vector<uint32_t>& nodes);
// Copies the engine's header mirror (record count, insert counter) into the
// store, and back.
void Eff_from_mirror(Key_file* f);
void Eff_to_mirror(Key_file* f);

// Called inside the update cycle by the crash tests (null otherwise):
// stage 0 after the page writes, 1 after the map writes, before the header.
extern void (*Eff_test_hook)(int stage);

// ---- transactions (eff_store.cpp) ----
// While a transaction is open, files changed in it keep their lock and
// their cycle open until EffCommit or EffRollback; the pages each statement
// changed are written at its end, to physical pages the stored map does
// not use, so a rollback only drops the cached pages and reloads the
// header.  The channel layer opens
// and closes transactions; the engine learns of an open one from
// Key_cfg.txn_open (EffBeginTransaction, in the driver, opens one).
bool Eff_transaction_open();
void EffCommit();
void EffRollback();
