// Reading journal files: the records of a whole file (checked against the
// layout drawn in journal.h) and one record at an address.  Every length
// and address comes from the file and is bounded before use.
#include <unistd.h>

#include <cerrno>
#include <map>
#include <string>

#include "channels/journal.h"
#include "core/codes.h"

namespace {

bool known_type(uint8_t t) {
  switch (t) {
    case 'O': case 'C': case 'U': case 'o': case 'c': case 'P': case 'E': case 'B': case 'A': case 'D':
      return true;
    default:
      return false;
  }
}

uint32_t get_u24(const uint8_t* p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

}  // namespace

Jrnl_scan Jrnl_read(const uint8_t* bytes, size_t size) {
  Jrnl_scan s;
  if (size == 0) {
    s.next = 4;
    return s;
  }
  if (size < 4) {
    s.error = "file shorter than its next-address word";
    return s;
  }
  s.next = get_u32be(bytes);
  uint64_t end = s.next & ~JRNL_FULL;
  if (end < 4) {
    s.error = "next address " + std::to_string(end) + " below 4";
    return s;
  }
  if (end > size) {
    s.error = "next address " + std::to_string(end) + " past the end of the file (" + std::to_string(size) + ")";
    return s;
  }
  uint64_t at = 4;
  while (at < end) {
    if (end - at < JRNL_HDR) {
      s.error = "record at " + std::to_string(at) + " cut short";
      return s;
    }
    const uint8_t* p = bytes + at;
    Jrnl_record r;
    r.addr = uint32_t(at);
    r.type = p[0];
    r.len = get_u24(p + 1);
    if (!known_type(r.type)) {
      s.error = "record at " + std::to_string(at) + " of unknown type " + std::to_string(r.type);
      return s;
    }
    if (r.len < JRNL_HDR || r.len > end - at) {
      s.error = "record at " + std::to_string(at) + " has length " + std::to_string(r.len);
      return s;
    }
    r.time = get_u32be(p + 4);
    r.prev = get_u32be(p + 8);
    r.open_id = get_u32be(p + 12);
    r.data.assign(reinterpret_cast<const char*>(p + JRNL_HDR), r.len - JRNL_HDR);
    s.records.push_back(std::move(r));
    at += s.records.back().len;
  }
  return s;
}

std::string Jrnl_check_chain(const Jrnl_scan& scan) {
  std::string out;
  std::map<uint32_t, const Jrnl_record*> by_addr;
  for (const Jrnl_record& r : scan.records) by_addr[r.addr] = &r;
  // The process of a record: its 'O' record (a file's records reach it
  // through their 'o' record).
  auto process_of = [&](const Jrnl_record& r) -> uint32_t {
    if (r.type == 'O') return r.addr;
    auto it = by_addr.find(r.open_id);
    if (it == by_addr.end()) return 0;
    if (it->second->type == 'O') return it->second->addr;
    if (it->second->type == 'o') {
      auto o = by_addr.find(it->second->open_id);
      if (o != by_addr.end() && o->second->type == 'O') return o->second->addr;
    }
    return 0;
  };
  for (const Jrnl_record& r : scan.records) {
    std::string at = "record at " + std::to_string(r.addr) + " ('" + char(r.type) + "')";
    uint32_t proc = process_of(r);
    if (r.type == 'O' && r.open_id != r.addr) out += at + ": open id " + std::to_string(r.open_id) + " is not its own address\n";
    if (!proc) {
      out += at + ": open id " + std::to_string(r.open_id) + " names no open record\n";
      continue;
    }
    if (r.prev == 0) {
      if (r.type != 'O') out += at + ": first record of its process is no 'O' record\n";
      continue;
    }
    auto it = by_addr.find(r.prev);
    if (it == by_addr.end() || r.prev >= r.addr) {
      out += at + ": previous address " + std::to_string(r.prev) + " names no earlier record\n";
      continue;
    }
    if (process_of(*it->second) != proc) out += at + ": previous record belongs to another process\n";
  }
  return out;
}

bool Jrnl_read_one(int fd, uint32_t addr, size_t max, Jrnl_record& out) {
  if (addr < 4 || (addr & JRNL_FULL) || max < JRNL_HDR) return false;
  uint8_t h[JRNL_HDR];
  ssize_t r;
  do r = pread(fd, h, JRNL_HDR, off_t(addr));
  while (r < 0 && errno == EINTR);
  if (r != ssize_t(JRNL_HDR)) return false;
  uint32_t len = get_u24(h + 1);
  if (!known_type(h[0]) || len < JRNL_HDR || len > max) return false;
  out.addr = addr;
  out.type = h[0];
  out.len = len;
  out.time = get_u32be(h + 4);
  out.prev = get_u32be(h + 8);
  out.open_id = get_u32be(h + 12);
  out.data.resize(len - JRNL_HDR);
  if (!out.data.empty()) {
    do r = pread(fd, out.data.data(), out.data.size(), off_t(addr) + off_t(JRNL_HDR));
    while (r < 0 && errno == EINTR);
    if (r != ssize_t(out.data.size())) return false;
  }
  return true;
}
