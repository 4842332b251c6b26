// The system journal: appending records under the journal lock, the move
// to the next numbered file of a journal directory, opening and closing.
// The file layout is drawn in journal.h.
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <chrono>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/journal.h"
#include "channels/kest_dir.h"
#include "channels/open.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"

namespace {

struct Journal {
  int fd = -1;
  std::string dir;        // journal directory (auto-sequence mode), else empty
  std::string path;       // the file written now
  uint32_t open_id = 0;   // address of this process's 'O' record in it
  uint32_t last = 0;      // address of this process's last record in it
  int64_t size_seen = 0;  // a length the file has been seen to have (it only grows)
};
Journal J;

// A before image ('B') of a journaled file waits in `batch` for the after
// image of its statement, and the two are appended together under one
// lock; an after image or the image of a removed record ('A', 'D') is
// written before its statement goes on (at once when no before image waits),
// so a process killed at any instant has lost no image of a statement that
// finished.  A before image left alone (its statement failed before the
// change) is written with the next record, when the journal closes, or by
// the flusher thread once it has waited FLUSH_AFTER.  The batch holds
// whole records whose previous-address fields are filled in when they are
// written.  The flusher never moves to a next file: a full file leaves the
// batch to the main thread (moving touches the channel list).
constexpr size_t BATCH_MAX = 65536;
constexpr auto FLUSH_AFTER = std::chrono::milliseconds(10);
std::mutex batch_mu;
std::condition_variable batch_cv;
std::vector<uint8_t> batch;
std::vector<uint32_t> batch_at;  // offset of each record in batch
std::chrono::steady_clock::time_point batch_oldest;
std::thread flusher;
bool flusher_stop = false;
// The flusher looks at the batch again within FLUSH_AFTER, so a before
// image put there needs no wake-up of it (one per statement would cost a
// thread switch each); cleared once the batch has stayed empty that long.
bool flusher_watching = false;
int flusher_error = -1;          // an error of the flusher, raised by the main thread
std::atomic<bool> batch_needs_main{false};  // the flusher found the file full

// The lock of an append (see journal.h for why bytes 1..3).
constexpr int64_t LOCK_AT = 1, LOCK_LEN = 3;

// The lock is taken with fcntl directly, not through the host layer's
// record locks: the flusher thread takes it too, and a writer holds it for
// microseconds, so a wait is short and is not cut by the statement timer.
int set_append_lock(int fd, short type) {
  struct flock fl{};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = LOCK_AT;
  fl.l_len = LOCK_LEN;
  int r;
  do r = fcntl(fd, type == F_UNLCK ? F_SETLK : F_SETLKW, &fl);
  while (r != 0 && errno == EINTR);
  return r;
}

struct Append_lock {
  int fd;
  explicit Append_lock(int d) : fd(d) {
    if (set_append_lock(fd, F_WRLCK) != 0) {
      fd = -1;
      Sys_error();
    }
  }
  ~Append_lock() { release(); }
  void release() {
    if (fd >= 0) set_append_lock(fd, F_UNLCK);
    fd = -1;
  }
};

[[noreturn]] void not_a_journal() { Rpt_error_text(err::WRONG_FILE_KIND, "the file is not a journal"); }

// The next-address word (an empty file counts as 4).  A word below 4, or
// one past the file's end, is a file that is no journal: error 17 (writing
// there would put records into whatever the file is, at an address its own
// bytes chose).  The file's length is asked only when the word lies beyond
// the length this process last saw of the current file: an append costs no
// fstat when the word is one this process or another wrote meanwhile below
// it.
uint32_t read_next(int fd) {
  uint8_t b[4];
  ssize_t r = pread(fd, b, 4, 0);
  if (r < 0) Sys_error();
  if (r == 0) return 4;
  if (r != 4) not_a_journal();
  uint32_t v = get_u32be(b);
  if ((v & ~JRNL_FULL) < 4) not_a_journal();
  if (fd == J.fd && int64_t(v & ~JRNL_FULL) <= J.size_seen) return v;
  struct stat st {};
  if (fstat(fd, &st) != 0) Sys_error();
  if (int64_t(v & ~JRNL_FULL) > int64_t(st.st_size)) not_a_journal();
  if (fd == J.fd) J.size_seen = st.st_size;
  return v;
}

// A journal file before anything is written to it: a regular file, empty,
// or a next-address word within it and, past the word, a first record
// whose type and length a journal's would have.
void check_journal(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) Sys_error();
  if (!S_ISREG(st.st_mode)) not_a_journal();
  // Under the append lock: a writer puts a record in place before the word
  // that counts it.
  Append_lock lock(fd);
  if (filelength(fd) == 0) return;
  uint32_t next = read_next(fd) & ~JRNL_FULL;
  if (next == 4) return;
  uint8_t h[4];
  if (Pread_all(fd, h, 4, 4) != 4) not_a_journal();
  uint32_t len = uint32_t(h[1]) << 16 | uint32_t(h[2]) << 8 | h[3];
  if (!std::strchr("OCUocPEBAD", h[0]) || h[0] == 0 || len < JRNL_HDR || len > next - 4) not_a_journal();
}

void write_next(int fd, uint32_t v) {
  uint8_t b[4];
  put_u32be(b, v);
  if (!Pwrite_all(fd, b, 4, 0)) Sys_error();
}

// Writes one record at the next address of fd (the caller holds the lock);
// returns its address.
uint32_t put_record(int fd, uint32_t at, int type, const void* data, size_t len, uint32_t prev, uint32_t open_id) {
  size_t total = JRNL_HDR + len;
  uint8_t small[JRNL_HDR + 512];
  std::vector<uint8_t> big;
  uint8_t* rec = small;
  if (total > sizeof small) {
    big.resize(total);
    rec = big.data();
  }
  rec[0] = uint8_t(type);
  rec[1] = uint8_t(total >> 16);
  rec[2] = uint8_t(total >> 8);
  rec[3] = uint8_t(total);
  put_u32be(rec + 4, uint32_t(std::time(nullptr)));
  put_u32be(rec + 8, prev);
  put_u32be(rec + 12, open_id);
  if (len) std::memcpy(rec + JRNL_HDR, data, len);
  if (!Pwrite_all(fd, rec, total, off_t(at))) Sys_error();
  uint64_t next = uint64_t(at) + total;
  uint32_t word = uint32_t(next);
  if (next > JRNL_LIMIT) word = uint32_t(next) | JRNL_FULL;
  write_next(fd, word);
  if (fd == J.fd && int64_t(next) > J.size_seen) J.size_seen = int64_t(next);
  return at;
}

// Opens a journal file without following a symbolic link at its name (one
// planted there would have the journal written into its target); with
// create, a missing file is made, exclusively.  The file is checked
// (check_journal) before it is handed back.  -1 with errno on failure; a
// file that is no journal is error 17.
int open_rw(const std::string& path, bool create) {
  int fd;
  for (;;) {
    do fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != ENOENT || !create) break;
    do fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_CREAT | O_EXCL, mode_t(prmblk.Create_mode));
    while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != EEXIST) break;  // made meanwhile by another writer: open it
  }
  if (fd < 0) return -1;
  try {
    check_journal(fd);
  } catch (...) {
    ::close(fd);
    throw;
  }
  return fd;
}

// The highest sequence number of "journal.N" in the directory (0: none).
long highest_sequence(const std::string& dir) {
  Kest_dir d;
  if (!KestDirOpen(dir.c_str(), &d)) Rpt_error(err::DIRECTORY_UNREADABLE);
  long top = 0;
  while (KestDirRead(&d)) {
    const char* n = d.name;
    if (std::strncmp(n, "journal.", 8) != 0 || !n[8]) continue;
    long v = 0;
    bool digits = true;
    for (const char* p = n + 8; *p; ++p) {
      if (*p < '0' || *p > '9' || v > 100000000) {
        digits = false;
        break;
      }
      v = v * 10 + (*p - '0');
    }
    if (digits && v > top) top = v;
  }
  KestDirClose(&d);
  return top;
}

// Opens the last file of the directory whose full bit is clear (created
// when missing), from the highest number on; the caller then holds no lock.
int open_last(const std::string& dir, std::string& path) {
  long n = highest_sequence(dir);
  if (n == 0) n = 1;
  for (int tries = 0; tries < 100000; ++tries, ++n) {
    std::string p = dir + "/journal." + std::to_string(n);
    int fd = open_rw(p, true);
    if (fd < 0) {
      if (errno == ELOOP) Rpt_error_text(err::WRONG_FILE_KIND, "the journal file " + p + " is a symbolic link");
      Rpt_error(err::DIRECTORY_UNREADABLE);
    }
    uint8_t b[4];
    ssize_t r = pread(fd, b, 4, 0);
    if (r == 4 && (get_u32be(b) & JRNL_FULL)) {
      ::close(fd);
      continue;
    }
    path = p;
    return fd;
  }
  Rpt_error(err::DIRECTORY_UNREADABLE);
}

// The 'O' text: login name, ';', the console's name, ';', its terminal id
// without trailing blanks.
std::string open_text() {
  std::string s = Getlogin();
  s += ';';
  if (ws.Con_fcb && ws.Con_fcb->path && ws.Con_fcb->path->name) s += ws.Con_fcb->path->name;
  s += ';';
  if (ws.Con_fcb) {
    std::string id(ws.Con_fcb->short_name, 12);  // the terminal id, which FID(0) gives
    while (!id.empty() && (id.back() == ' ' || id.back() == '\0')) id.pop_back();
    s += id;
  }
  return s;
}

// Moves this process to the next file: the current one is full.  Its 'O'
// record and the 'o' records of its journaled channels are copied there
// first (each file's chain starts anew), under the new file's lock, which
// the caller gets back held; at returns the next address there.
void swap_file(std::unique_ptr<Append_lock>& lock, uint32_t& at) {
  if (J.dir.empty()) Rpt_error_text(err::DIRECTORY_UNREADABLE, "the journal file is full");
  lock->release();
  for (;;) {
    std::string path;
    int nfd = open_last(J.dir, path);
    auto nlock = std::make_unique<Append_lock>(nfd);
    uint32_t next;
    try {
      next = read_next(nfd);
    } catch (...) {
      nlock.reset();
      ::close(nfd);
      throw;
    }
    if (next & JRNL_FULL) {  // filled meanwhile: on to the next one
      nlock.reset();
      ::close(nfd);
      continue;
    }
    // Copy the open records.
    uint32_t last = 0;
    Jrnl_record r;
    uint32_t new_open = 0;
    if (Jrnl_read_one(J.fd, J.open_id, JRNL_COPY_MAX, r) && r.type == 'O') {
      new_open = put_record(nfd, next, 'O', r.data.data(), r.data.size(), 0, next);
      last = new_open;
      next = new_open + uint32_t(JRNL_HDR + r.data.size());
    }
    for (Fcb* f = ws.Fcb_list; f; f = f->next) {
      if (f->journal_id <= 0) continue;
      Jrnl_record o;
      if (!Jrnl_read_one(J.fd, uint32_t(f->journal_id), JRNL_COPY_MAX, o) || o.type != 'o') {
        f->journal_id = -1;  // announced again on its next use
        continue;
      }
      uint32_t a = put_record(nfd, next, 'o', o.data.data(), o.data.size(), last, new_open);
      f->journal_id = int32_t(a);
      last = a;
      next = a + uint32_t(JRNL_HDR + o.data.size());
    }
    ::close(J.fd);
    J.fd = nfd;
    J.size_seen = 0;
    J.path = path;
    J.open_id = new_open;
    J.last = last;
    lock = std::move(nlock);
    at = read_next(nfd);
    return;
  }
}

}  // namespace

bool Journal_is_open() { return J.fd >= 0; }

// Internal opens on the scratch channel (ERASE, REFILE, changing the flag
// itself) need no journal.
bool Journal_open_refused(const Fcb* f) { return f->channel != 65001 && f->journal_id != 0 && !Journal_is_open(); }

std::string Journal_current_path() { return J.fd >= 0 ? J.path : std::string(); }

namespace {

// Writes the batch at the next address (batch_mu held).  main: the caller
// is the main thread, which may move to the next file; the flusher leaves a
// full file's batch alone and returns false.
// Writes the batch at address at (the journal lock held, batch_mu held):
// -1, or an error number (256 + errno).  Raises nothing, so that the
// flusher thread may call it.
int place_batch(uint32_t at) {
  uint32_t prev = J.last;
  for (uint32_t off : batch_at) {
    put_u32be(batch.data() + off + 8, prev);
    prev = at + off;
  }
  if (!Pwrite_all(J.fd, batch.data(), batch.size(), off_t(at))) return 256 + errno;
  uint64_t next = uint64_t(at) + batch.size();
  uint32_t word = uint32_t(next);
  if (next > JRNL_LIMIT) word |= JRNL_FULL;
  uint8_t b[4];
  put_u32be(b, word);
  if (!Pwrite_all(J.fd, b, 4, 0)) return 256 + errno;
  if (int64_t(next) > J.size_seen) J.size_seen = int64_t(next);
  J.last = prev;
  batch.clear();
  batch_at.clear();
  return -1;
}

// The main thread's write of the batch (batch_mu held): moves to the next
// file when the current one is full; raises errors.
void write_batch() {
  if (batch.empty() || J.fd < 0) return;
  auto lock = std::make_unique<Append_lock>(J.fd);
  uint32_t at = read_next(J.fd);
  if (at & JRNL_FULL) {
    // The open ids of the images are 'o' addresses in the old file: they
    // follow their channels' records to the new one.
    std::vector<std::pair<Fcb*, uint32_t>> before;
    for (Fcb* f = ws.Fcb_list; f; f = f->next)
      if (f->journal_id > 0) before.push_back({f, uint32_t(f->journal_id)});
    while (at & JRNL_FULL) swap_file(lock, at);
    std::map<uint32_t, uint32_t> moved;
    for (auto& [f, old] : before) moved[old] = f->journal_id > 0 ? uint32_t(f->journal_id) : 0;
    for (uint32_t off : batch_at) {
      auto it = moved.find(get_u32be(batch.data() + off + 12));
      put_u32be(batch.data() + off + 12, it == moved.end() ? 0 : it->second);
    }
    batch_needs_main = false;
  }
  int rc = place_batch(at);
  if (rc >= 0) Rpt_error(rc);
}

// The flusher thread's write: -1 done, -2 the file is full (left to the
// main thread), else an error number.  Touches neither the workspace nor
// the error machinery.
int flusher_write() {
  if (batch.empty() || J.fd < 0) return -1;
  if (set_append_lock(J.fd, F_WRLCK) != 0) return 256 + errno;
  uint8_t b[4];
  ssize_t r;
  do r = pread(J.fd, b, 4, 0);
  while (r < 0 && errno == EINTR);
  int rc;
  uint32_t at = r == 0 ? 4 : r == 4 ? get_u32be(b) : 0;
  if (r < 0) rc = 256 + errno;
  else if ((at & ~JRNL_FULL) < 4 || (r == 4 && int64_t(at & ~JRNL_FULL) > filelength(J.fd))) rc = 17;
  else if (at & JRNL_FULL) rc = -2;
  else rc = place_batch(at);
  set_append_lock(J.fd, F_UNLCK);
  return rc;
}

void flusher_main() {
  std::unique_lock<std::mutex> lk(batch_mu);
  while (!flusher_stop) {
    if (batch.empty()) {
      if (!flusher_watching) batch_cv.wait(lk);
      else if (batch_cv.wait_for(lk, FLUSH_AFTER) == std::cv_status::timeout && batch.empty()) flusher_watching = false;
      continue;
    }
    auto due = batch_oldest + FLUSH_AFTER;
    if (std::chrono::steady_clock::now() < due) {
      batch_cv.wait_until(lk, due);
      continue;
    }
    int rc = flusher_write();
    if (rc == -2) {  // full: the main thread moves on at its next image
      batch_needs_main = true;
      batch_cv.wait(lk);
    } else if (rc >= 0) {
      if (flusher_error < 0) flusher_error = rc;
      batch_cv.wait(lk);
    }
  }
}

void stop_flusher() {
  if (!flusher.joinable()) return;
  {
    std::lock_guard<std::mutex> g(batch_mu);
    flusher_stop = true;
  }
  batch_cv.notify_all();
  flusher.join();
  flusher_stop = false;
  flusher_watching = false;
}

// Main thread, batch_mu held: the batch is written; a flusher's error is
// raised.
void flush_main() {
  if (flusher_error >= 0) {
    int e = flusher_error;
    flusher_error = -1;
    Rpt_error(e);
  }
  write_batch();
}

// A process that ends without closing the journal (exit from anywhere)
// still writes its images, and its flusher is joined before the thread
// object goes.
void journal_at_exit() {
  stop_flusher();
  try {
    std::lock_guard<std::mutex> g(batch_mu);
    write_batch();
  } catch (...) {
  }
}

}  // namespace

void Journal_flush() {
  if (J.fd < 0) return;
  std::lock_guard<std::mutex> g(batch_mu);
  if (batch.empty() && flusher_error < 0) return;
  flush_main();
}

uint32_t Journal_it(int type, const void* data, size_t len, Fcb* f) {
  if (J.fd < 0) return 0;
  if (JRNL_HDR + len > 0xFFFFFF) Rpt_error(err::RECORD_TOO_LONG);
  std::lock_guard<std::mutex> g(batch_mu);
  // An after image or a removed record's image with no before image
  // waiting is written as any other record, at once (the flusher is not
  // woken for it).
  if (type == 'B' || ((type == 'A' || type == 'D') && !batch.empty())) {
    if (flusher_error >= 0 || batch_needs_main) flush_main();
    uint32_t off = uint32_t(batch.size());
    size_t total = JRNL_HDR + len;
    batch.resize(batch.size() + total);
    uint8_t* rec = batch.data() + off;
    rec[0] = uint8_t(type);
    rec[1] = uint8_t(total >> 16);
    rec[2] = uint8_t(total >> 8);
    rec[3] = uint8_t(total);
    put_u32be(rec + 4, uint32_t(std::time(nullptr)));
    put_u32be(rec + 8, 0);
    put_u32be(rec + 12, uint32_t(f && f->journal_id > 0 ? f->journal_id : 0));
    if (len) std::memcpy(rec + JRNL_HDR, data, len);
    batch_at.push_back(off);
    if (batch_at.size() == 1) {
      batch_oldest = std::chrono::steady_clock::now();
      if (!flusher.joinable()) {
        static bool exit_hook = false;
        if (!exit_hook) std::atexit(journal_at_exit);
        exit_hook = true;
        // The flusher takes no signals: they stay the main line's (a
        // handler run here would not end a wait of the main line, which
        // also changes its run flags trusting that no handler runs
        // meanwhile: core/signal_flags.h).
        sigset_t all, old;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &old);
        flusher = std::thread(flusher_main);
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
      }
      if (!flusher_watching) {
        flusher_watching = true;
        batch_cv.notify_all();
      }
    }
    if (type != 'B' || batch.size() >= BATCH_MAX) flush_main();
    return 0;
  }
  // Every other record is written at once, after the images before it
  // (an after image joins its before image in the batch above).
  flush_main();
  auto lock = std::make_unique<Append_lock>(J.fd);
  uint32_t at = read_next(J.fd);
  while (at & JRNL_FULL) swap_file(lock, at);
  // An 'O' record names itself, an 'o' record the journal's open record,
  // a file's records its 'o' record (read after a move to a new file).
  uint32_t open_id = type == 'O' ? at : type == 'o' || !f ? J.open_id : uint32_t(f->journal_id > 0 ? f->journal_id : 0);
  J.last = put_record(J.fd, at, type, data, len, J.last, open_id);
  if (type == 'O') J.open_id = at;
  return type == 'A' || type == 'D' ? 0 : at;  // an image reports 0
}

void Journal_open(const std::string& name) {
  if (J.fd >= 0) Rpt_error(err::WRONG_MODE);
  if (name.empty()) Rpt_error(err::FILE_NOT_FOUND);
  // Along the search path: the first candidate that exists.
  Set_path(name);
  std::string found;
  struct stat st{};
  while (Next_path() == 0) {
    if (::stat(ws.Path_buf, &st) == 0) {
      found = ws.Path_buf;
      break;
    }
  }
  if (found.empty()) Rpt_error(err::FILE_NOT_FOUND);
  Journal j;
  if (S_ISDIR(st.st_mode)) {
    j.dir = found;
    while (j.dir.size() > 1 && j.dir.back() == '/') j.dir.pop_back();
    j.fd = open_last(j.dir, j.path);
  } else {
    if (!S_ISREG(st.st_mode)) Rpt_error(err::WRONG_FILE_KIND);
    j.path = found;
    // A file that is no journal (a word below 4 or past its end) is refused.
    j.fd = open_rw(found, false);
    if (j.fd < 0) {
      if (errno == ELOOP) Rpt_error_text(err::WRONG_FILE_KIND, "the journal file " + found + " is a symbolic link");
      Sys_error();
    }
  }
  J = j;
  std::string text = open_text();
  try {
    Journal_it('O', text.data(), text.size(), nullptr);
  } catch (...) {
    ::close(J.fd);
    J = Journal{};
    throw;
  }
}

void Journal_close() {
  if (J.fd < 0) return;
  int failure = -1;
  try {
    Journal_it('C', nullptr, 0, nullptr);
  } catch (const Oru_error& e) {
    failure = e.no;
  }
  stop_flusher();
  batch.clear();
  batch_at.clear();
  batch_needs_main = false;
  flusher_error = -1;
  ::close(J.fd);
  J = Journal{};
  // Channels announced in it are announced again in the next journal.
  for (Fcb* f = ws.Fcb_list; f; f = f->next)
    if (f->journal_id > 0) f->journal_id = -1;
  if (failure >= 0) Rpt_error(failure);
}

void Journal_swap() {
  if (J.fd < 0) Rpt_error_text(err::DIRECTORY_UNREADABLE, "no system journal is open");
  // A plain file has no next file: marking it full would refuse every
  // later record.
  if (J.dir.empty()) Rpt_error_text(err::DIRECTORY_UNREADABLE, "the journal is a file, not a journal directory: SWAP needs a directory");
  Journal_flush();
  std::lock_guard<std::mutex> g(batch_mu);
  Append_lock lock(J.fd);
  uint32_t next = read_next(J.fd);
  write_next(J.fd, next | JRNL_FULL);
}

// ---- the channel's records ----

int Init_file_jrnl() {
  Fcb* f = ws.Cur_fcb;
  if (!f || f->journal_id == 0) return 0;
  if (f->journal_id > 0) return 1;
  if (J.fd < 0) Rpt_error_text(err::DIRECTORY_UNREADABLE, "no system journal is open");
  std::string path = f->path && f->path->path ? f->path->path : "";
  f->journal_id = int32_t(Journal_it('o', path.data(), path.size(), f));
  return 1;
}
