// The loaded-program list and the loader.
//
// Every program the process runs, calls or keeps resident is held once as a
// Prog_obj, in one list from the most recently used (ws.Prog_head) to the
// least (ws.Prog_tail).  A record is held by uses: the program context that
// runs it (ws.Pgm_cache_ent, one per call level) and ADDR.  Idle records
// beyond system parameter PC (0..100) are freed; Prog_drop(null), which the
// console runs before every prompt, marks every record that is not
// resident stale, so that the next use reads the file again.
//
// The image is shared by every context that runs it and never written:
// editing a loaded program first turns it into lines of its own (Sve_conv).
#pragma once
#include <cstdint>
#include <string>

#include "core/workspace.h"

// A resolved path and the name the program gave, shared by reference.
struct Pgm_path {
  uint32_t refs;
  char* path;  // resolved host path
  char* name;  // the name as given
  uint32_t name_len;  // strlen(name): the list is searched by it at every CALL
};
Pgm_path* Path_new(const std::string& path, const std::string& name);
// One more reference to p (null: none), for a call's warm start among others.
inline Pgm_path* Path_ref(Pgm_path* p) {
  if (p) p->refs++;
  return p;
}
void Path_unref(Pgm_path* p);

// Prog_obj flags
enum : uint16_t {
  PO_ENCIPHERED = 0x4001,
  PO_RESIDENT = 0x0400,  // held by ADDR
  PO_STALE = 0x0800,     // freed once idle; not found by name again
  PO_CHANGED = 0x1000,   // the file changed on disk: never reused by name
  PO_PINNED = 0x2000,    // held by a class whose methods run from it: the
                         // file is not checked again (its lines are the methods)
};
constexpr uint16_t PO_STATE_MASK = 5;      // header word 92 bits kept
constexpr uint16_t PO_STATE_DATA_SET = 4;  // a loaded variable-data set
constexpr uint16_t PO_ORIGIN_LIBRARY = 16;
constexpr uint32_t PA_RIGHTS = 0x60000000;   // LIST, EDIT, MERGE and SAVE allowed
constexpr uint32_t PA_MASK_LIMITED = 0x10000000;

struct Prog_obj {
  Prog_obj* next = nullptr;  // towards the least recently used end
  Prog_obj* prev = nullptr;
  uint8_t* image = nullptr;  // owned Mem_blk
  uint32_t load_serial = 0;
  uint32_t cached = 0;  // no shared program cache exists: always 0
  Pgm_path* path = nullptr;
  uint16_t* name_index = nullptr;  // host-order copy of the name-offset table (owned)
  uint8_t* name_area = nullptr;    // into the image
  uint8_t* stmt_tbl = nullptr;     // into the image; null in the 16-bit form
  uint32_t* name_numbers = nullptr;  // object name registry cache (none yet)
  uint32_t image_size = 0;
  uint8_t key[8] = {};  // protection key of an enciphered image
  uint32_t lit_pool = 0;
  uint32_t name_cnt = 0;
  uint32_t var_cnt = 0;
  uint32_t image_name_cnt = 0;
  uint32_t name_end = 0;
  uint32_t image_name_end = 0;
  uint32_t name_tbl_off = 0;
  uint32_t name_area_off = 0;
  uint32_t lines_end = 0;
  void* iol_cache = nullptr;
  char desc[80] = {};
  bool has_desc = false;  // any byte of desc other than zero
  bool from_v0 = false;   // read in the old format (its references plain, not resolved)
  uint32_t attr = 0;
  int32_t uses = 0;
  uint16_t flags = 0;
  uint16_t state = 0;
  uint16_t origin = 0;
  uint16_t var_mask = 0;
  // The file as it was when loaded: a later change on disk makes the record
  // stale.
  uint64_t dev = 0, ino = 0;
  int64_t size = 0, mtime_ns = 0;
  // The variables of the last call that ran the program, every value
  // cleared, kept for the next call (Prog_keep_vars): the two trees and the
  // variable table whose slots point into them.
  // Change notices on the file (program_watch.h): the watch descriptors,
  // whether watching was tried, and whether a notice came.
  int32_t wds[24] = {};  // WATCH_MAX
  int32_t wd_count = 0;
  bool watch_tried = false;
  bool watch_changed = false;
  struct Var_node* spare_num = nullptr;
  struct Var_node* spare_str = nullptr;
  struct Var_node** spare_index = nullptr;
  // Who left the kept variables: null for a plain call; for a program
  // method's own frame (programs/oop_frame.cpp), which keeps only its
  // ENTER's variables bound, the object's class and the object layer's
  // shape count at the time.
  const void* spare_tag = nullptr;
  uint32_t spare_epoch = 0;
  // Slots a method frame left bound to its object's properties, for the
  // next call of the same object (any other take clears them first).
  const void* spare_obj = nullptr;
  uint16_t spare_prop_slots[8] = {};
  uint8_t spare_props = 0;
  int8_t global_names = -1;  // whether a name of the program begins with "%" (-1: not known yet)
  // Its first plain ENTER, bound once (programs/arguments.cpp; owned block).
  void* enter_plan = nullptr;
  bool enter_plan_tried = false;
  // The name block of the last call's context, kept for the next call that
  // gives the program the same name (owned).
  struct Str_blk* spare_name = nullptr;
  // The context a plain call of the program starts with, as the last call
  // that set it up the long way left it (programs/call_frame.cpp; owned
  // block).
  void* warm_start = nullptr;
  // Parked: a bound call's return left the kept variables (table and
  // trees) and the name block in the warm start's context instead of the
  // spare fields above, which are then all null, and holds a reference to
  // path for the next call, which takes them with the context's copy.  The
  // name block's bytes are the warm start's name.  Whatever else reads or
  // takes the kept variables or the name block parks them back first
  // (Prog_unpark); while parked the record counts as keeping a set.
  bool parked = false;
};

// Finds or loads the program named by the string accumulator (entry point
// already removed).  Returns the record, moved to the front; or null when
// the name opened a text file, which is then the open text source
// (Text_source_*).  Errors: the host error of the last candidate, 17 for a
// file of another of the system's kinds or a damaged image, 2 for a short
// image.
Prog_obj* Prog_load();
// A record found moved to the front of the list, as a load by name finds
// it, and counted as a hit.  (In line: a record called again is usually at
// the front already.)
void Cache_to_front(Prog_obj* rec);
inline Prog_obj* CacheLoad(Prog_obj* rec) {
  if (rec != ws.Prog_head) Cache_to_front(rec);
  ws.Prog_hits++;
  return rec;
}
// The record of the list that the search by name (Prog_load) looks at
// first for the name (len bytes, trailing blanks dropped), whether or not
// its file is still the same; null when none.  Only looks.
Prog_obj* Prog_list_find(const uint8_t* name, uint32_t len);
// Releases one use of rec, or with null marks every record that is not
// resident stale; then frees idle records beyond the keep limit.
void Prog_drop(Prog_obj* rec);
// Frees every record (shut-down).
void Clr_progs();
// Number of records in the list (tests and PUB().
int Prog_count();

// Loads a program file from a host path into a new record (not linked):
// the loader's work without the list or the search path.  Errors as
// Prog_load.
Prog_obj* Prog_load_file(const std::string& path, const std::string& name);
void Prog_free(Prog_obj* rec);
// The same from bytes in memory (a whole file: header and image); the
// record is linked into the list.  For tests and the fuzzer.
Prog_obj* Prog_load_bytes(const uint8_t* data, size_t size, const std::string& name);

// Makes rec the current program of the context (one use taken by the
// caller): image, names, a fresh variable table, path, attributes.  A
// called program that does not share its caller's variables takes the
// record's kept variables, if any: cleared nodes whose table slots are
// already bound.
// method_vars: the object layer's method frame has checked that the kept
// variables fit the object it runs for (the hook of the object layer is
// then set, and a plain call would not take them): 1, and the slots bound
// to properties are cleared; 2, they are of this very object and stay.
void Prog_take(Prog_obj* rec, int method_vars = 0);

// Puts a parked record's variables, name block and path reference back in
// its spare fields (programs/call_frame.cpp), as the return would have
// left them unparked.
void Prog_unpark(Prog_obj* rec);
// Counts the loads into a context (Exec_load), the warm starts kept and the
// saves that give a context another path: a bound call's return that finds
// it as its call left it knows that its context's record, path and name
// block are still the ones its warm start gave, the name the warm start's.
inline uint64_t Pgm_load_epoch = 1;

// Makes the variables the record's last call kept (cleared, their slots
// bound) the running program's: its variable table and local trees move to
// the workspace.  The slots of the object's properties are emptied unless
// keep_props (the same object's method calls again).
[[gnu::always_inline]] inline void Prog_take_spare_vars(Prog_obj* rec, bool keep_props) {
  ws.Var_index = rec->spare_index;
  if (keep_props) {
    rec->spare_props = 0;
  } else if (rec->spare_props) [[unlikely]] {
    for (uint8_t i = 0; i < rec->spare_props; i++) ws.Var_index[rec->spare_prop_slots[i]] = nullptr;
    rec->spare_props = 0;
  }
  ws.Loc_num_tree = rec->spare_num;
  ws.Loc_str_tree = rec->spare_str;
  rec->spare_index = nullptr;
  rec->spare_num = rec->spare_str = nullptr;
}
// At the return of a call that did not share its caller's variables: the
// callee's variables, every value cleared, go to its record for the next
// call instead of being freed.  False (nothing done) when they cannot be
// kept as they are: localised or pending ++/-- values, variables found
// through the object layer or data sets (but a program method's own frame
// keeps its ENTER's variables), a record that already keeps a set, a table
// that does not match the record's.
bool Prog_keep_vars();
// Prog_keep_vars' plain case, for the return of a bound call (programs/
// call_frame.cpp): rec's program, no argument list left, no object layer
// or data sets, no "%" names (known already), nothing localised or
// pending.  False when any of that does not hold (nothing done) or a node
// turned out localised (the trees partly cleared): Prog_keep_vars then
// decides, as at any return.
bool Prog_keep_plain_vars(Prog_obj* rec);

// The process's own cache of program images.  A record that the list frees
// (an idle program beyond PC, or one dropped before a console prompt) is
// kept out of the list, so that PC and PUB( see exactly what they did
// before, and a later call of the same name takes it back (with a new load
// serial) instead of reading the file, when the file still has the same
// identity, size and time.  SAVE, ERASE, RENAME and PURGE empty it.
void Prog_cache_forget();
// A file changed through this process (SAVE, PURGE, REFILE, ERASE, RENAME,
// a file made): the kept images are forgotten and every idle loaded
// program that is not resident is dropped, so its next use reads the file.
void Prog_files_changed();
// Whether the file rec was loaded from changed on disk since (identity,
// size, time, or a change notice), as the search by name checks a record
// that is not resident.
bool Prog_file_changed(Prog_obj* rec);
// Whether the own cache keeps r when the list lets it go (a program read
// from a file, by a name without brackets, not too large), else frees it.
bool Prog_own_keeps(const Prog_obj* r);
// The record of the own cache that the search by name would take for the
// name (len bytes, no trailing blank), when no record of the list has that
// name at all; else null.  Only a check: the file is not looked at.
Prog_obj* Prog_own_find(const uint8_t* name, uint32_t len);
// Takes rec (Prog_own_find's) back into the list as the search by name
// does: at the front, with a new load serial, counted as a load; or, when
// its file changed, frees it (false).
bool Prog_own_take(Prog_obj* rec);
// Start-up registration (App_wire): programs nobody uses are dropped when
// memory runs low, and parameters PC (and the others that change how names
// resolve) reach the program cache.
void Prog_list_register();
int Prog_cache_count();


// A text file that Prog_load opened instead of a program: channel 65001,
// open until Text_source_close.
struct Fcb;
inline Fcb* Text_source_fcb = nullptr;  // channel 65001 while it is the text source
inline Fcb* Text_source() { return Text_source_fcb; }
const std::string& Text_source_path();
const std::string& Text_source_name();
void Text_source_close();
