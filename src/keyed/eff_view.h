// Keyed files, second format (EFF): reads through a read-only shared
// mapping of the file.  Under contention every commit of another process
// drops the cached pages, so each statement reads the header run, a map
// page, the index path and its data page again; copied from the mapping
// these cost no system call each.  The mapping shows what other processes
// wrote at once (one page cache), so nothing else changes: the update
// cycle still writes with pwrite, in its order, and readers without the
// lock still read the header run twice and compare the generation.
//
// Page writes (a data or index page to a physical page the file on disk
// does not use, a map group to its copy that is not current) are copied
// into the mapping too when the file is open for writing: a process killed
// in the middle of such a copy leaves a page nobody reads, exactly as a
// write cut short would.  The header run, whose single write commits the
// cycle, is always written with pwrite: one write within one page, which a
// kill cannot tear.
//
// The mapping covers the file as long as it was when mapped; a read past
// it maps the grown file again (once it has grown by REMAP_STEP bytes, so
// that a file growing page by page is not mapped again at every read) or
// else reads with pread.  A file whose mapping fails is read with pread.
#pragma once
#include <cstddef>
#include <cstdint>

struct Eff_view {
  const uint8_t* base = nullptr;
  size_t len = 0;         // bytes mapped
  bool refused = false;   // mapping failed once: plain reads from then on
  bool writable = false;  // mapped for writing (the file is open read-write)
  static constexpr size_t REMAP_STEP = size_t(256) << 10;
  Eff_view() = default;
  Eff_view(const Eff_view&) = delete;
  Eff_view& operator=(const Eff_view&) = delete;
  ~Eff_view() { release(); }
  void release();
};

// Reads len bytes at off of the file open as fd into buf: from the mapping
// when it covers them, else with pread.  The count read (short at the end
// of the file), -1 with errno on failure.
int64_t Eff_view_read(Eff_view& v, int fd, uint8_t* buf, size_t len, int64_t off);
// Writes a whole page at off: into the mapping when it is writable and
// covers the page, else with pwrite.  The count written, -1 on failure.
int64_t Eff_view_write_page(Eff_view& v, int fd, const uint8_t* buf, size_t len, int64_t off);
