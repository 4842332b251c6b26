// What the keyed engine (both formats: B-tree, block cache, record store,
// locks, EFF page store) takes from the system around it, and nothing more.
//
// Key_cfg holds the settings as plain values.  The engine reads nothing else
// of the interpreter: no workspace, no parameter block, no switch words.  A
// program that uses the engine alone (its unit test, a tool) fills Key_cfg
// once; the interpreter's channel driver (key_driver.cpp) installs
// Key_svc.refresh, which copies the parameters and switches into Key_cfg at
// the start of every operation, so a switch changed between two statements
// counts from the next operation on, as it always did.
//
// Key_svc holds the services the engine calls: raising an error, the exit
// hook of the operation in progress, shared opens and byte-range locks.  A
// null entry means "nothing above is linked": the engine then raises by
// throwing Oru_error itself, keeps its exit hook to itself, opens with
// open(2) (one descriptor a file) and locks with fcntl(2).  The interpreter fills every entry (its
// errors run the statement's exit hooks; its opens share one descriptor per
// file; its lock waits end on an escape).
#pragma once
#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/errors.h"  // Oru_error, the one exception type of the system

// The engine's own folding tables: ASCII case, no accents.
extern const std::array<uint8_t, 256> Key_ascii_upper, Key_ascii_lower, Key_no_accents;

// Constant-initialized (no constructor runs), so a driver may fill it while
// the program starts.
struct Key_settings {
  // ---- parameters ----
  int write_behind = 0;     // WD: operations a header lock and dirty blocks are kept over
  int shared_buffers = 10;  // BF: 4096-byte buffers of the process-wide block queue
  int file_buffers = 5;     // FB: buffers of a file's private chain (NBF= overrides)
  int open_grow = 25;       // OL: buffers a growing read-only chain may add
  int max_megabytes = 0;    // MB: size of one segment of a variable-length file (0: 2000 MB, no segments)
  int field_sep = 138;      // FS: field separator of a file that names none
  mode_t create_mode = 0666;
  // ---- switches ----
  bool write_locks = false;      // WL: header and file locks are always taken for writing
  bool keep_kno = false;         // KR: KNO= names the key of its statement only
  bool no_pad = false;           // TN: fixed-length records with separators are not padded
  bool key_on_write = false;     // BX: KEY= accepted on a WRITE to a file with key 0 inside the record
  bool no_limit = false;         // I2: the record limit is not enforced
  bool search_binary = true;     // QK: nodes are searched by halving, else from the start
  bool big_nodes = false;        // >K: nodes of big blocks may hold more than 255 entries
  bool key0_full = false;        // !K: key adjustments cover key 0's trailing byte too
  bool free_as_node = false;     // *K: freed blocks are marked as nodes (type 254)
  bool read_no_lock = false;     // XI: READ takes no record lock
  bool short_slots = false;      // SR: fixed-length slots are read and written as far as their record goes
  bool next_after_key = true;    // +K: READ with KEY= and a direction step starts after the key
  bool shrink_on_purge = false;  // SK: PURGE cuts the file back to its header
  // ---- state of the channel layer ----
  bool txn_open = false;  // a transaction is open: EFF changes are kept for its commit
  // ---- tables and constants ----
  // Case and accent folding of key segments (options U, L, C): 256-byte
  // tables, never null (the engine's own are ASCII case and no accents).
  const uint8_t* upper = Key_ascii_upper.data();
  const uint8_t* lower = Key_ascii_lower.data();
  const uint8_t* accents = Key_no_accents.data();
  char file_id[4] = {'[', 'O', 'r', 'u'};  // first bytes of every header the engine writes
  // Compression of records (option Z): zlib_ready loads the library and
  // tells whether it is there (null: it is not); compress and inflate return
  // the bytes written, or a negative number when out is too small.
  bool (*zlib_ready)() = nullptr;
  int64_t (*compress)(uint8_t* out, size_t cap, const uint8_t* in, size_t len) = nullptr;
  int64_t (*inflate)(uint8_t* out, size_t cap, const uint8_t* in, size_t len) = nullptr;
};
extern constinit Key_settings Key_cfg;

struct Key_services {
  // Raises error n (must not return): the interpreter's Rpt_error.
  void (*raise)(int n) = nullptr;
  // Raises n with an extended error text.
  void (*raise_text)(int n, const std::string& text) = nullptr;
  // Raises the error that matches errno.
  void (*sys_error)() = nullptr;
  // Installs the exit hook of the operation in progress; returns the old one.
  void (*(*swap_exit_hook)(void (*hook)()))() = nullptr;
  // The number of the error on its way out (0: record busy).
  int (*error_code)() = nullptr;
  // open(2) through the process's table of shared opens (one descriptor a
  // file); close the same way.
  int (*open)(const char* path, int flags) = nullptr;
  int (*close)(int fd) = nullptr;
  // A byte-range lock: mode 1 shared, 2 exclusive, negative waits; a
  // conflict without waiting raises error 0.  Returns 1.
  int (*lock)(int fd, int64_t offset, int64_t length, int mode) = nullptr;
  void (*unlock)(int fd, int64_t offset, int64_t length) = nullptr;
  // Raises the busy error 0 for a record another process (holder) locks.
  void (*busy)(int holder) = nullptr;
  // Brings Key_cfg up to date; called when an operation begins.
  void (*refresh)(Key_settings& cfg) = nullptr;
};
extern constinit Key_services Key_svc;

// ---- what the engine calls ----
[[noreturn]] void Key_error(int n);
[[noreturn]] void Key_error_text(int n, const std::string& text);
// Error 99 naming a part that is not available.
[[noreturn]] void Key_not_built(const char* what);
// The error that matches errno (ENOENT 12, EAGAIN/EACCES/EBUSY/EDEADLK/ENOLCK
// 0 busy, others 256 + errno).
[[noreturn]] void Key_sys_error();
// The busy error 0: the record is locked by process holder.
[[noreturn]] void Key_busy(int holder);
void (*Key_swap_exit_hook(void (*hook)()))();
int Key_error_code();
int Key_open_fd(const char* path, int flags);
// Whether a symbolic link on the way from path to its file belongs to
// another user than this one or root (such a link is never followed).
bool Key_foreign_symlink(const char* path);
// Whether fd, opened by path, is the file the name shows now, through no
// link of another user's.
bool Key_opened_as_named(int fd, const char* path);
int Key_close_fd(int fd);
int Key_lock_area(int fd, int64_t offset, int64_t length, int mode);
void Key_unlock_area(int fd, int64_t offset, int64_t length);
// Cuts or extends the file (extension reads as zeros); its size.
int Key_chsize(int fd, int64_t length);
int64_t Key_filelength(int fd);
inline bool Key_zlib_ready() { return Key_cfg.zlib_ready && Key_cfg.zlib_ready() && Key_cfg.compress && Key_cfg.inflate; }
inline void Key_settings_refresh() {
  if (Key_svc.refresh) Key_svc.refresh(Key_cfg);
}
