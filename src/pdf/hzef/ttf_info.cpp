// TrueType file layout read here (all integers big-endian):
//
//   offset table   u32 sfnt version (0x00010000 or "true"), u16 numTables,
//                  u16 searchRange, u16 entrySelector, u16 rangeShift
//   table records  numTables x 16 bytes: tag[4], u32 checksum, u32 offset,
//                  u32 length
//   'name'         u16 format, u16 count, u16 stringOffset, then count x 12
//                  bytes: u16 platformID, u16 encodingID, u16 languageID,
//                  u16 nameID, u16 length, u16 offset (from stringOffset);
//                  platform 3 strings are UTF-16BE, platform 1 single bytes
//   'OS/2'         u16 fsSelection at byte 62 (bit 0 italic, bit 5 bold)
//   'head'         u16 macStyle at byte 44 (bit 0 bold, bit 1 italic)
//   'post'         u32 isFixedPitch at byte 12
//
// What libHaru reads when it loads a font, and the bounds checked here:
//   'head'  (>= 54 bytes) u16 unitsPerEm at 18: 16 to 16384 (the library
//           divides by it); u16 indexToLocFormat at 50: 0 or 1
//   'maxp'  (>= 6) u16 numGlyphs at 4: at least 1
//   'hhea'  (>= 36) u16 numberOfHMetrics at 34: 1 to numGlyphs
//   'hmtx'  numberOfHMetrics x 4 bytes, then (numGlyphs - numberOfHMetrics) x 2
//   'loca'  numGlyphs + 1 offsets (u16 halves or u32), rising, the last
//           within 'glyf'
//   'cmap'  u16 version, u16 count, count x (u16 platform, u16 encoding,
//           u32 offset); format 4 subtables: u16 format, u16 length,
//           u16 language, u16 segCountX2, 3 x u16, then endCode[segCount],
//           u16 pad, startCode[], idDelta[], idRangeOffset[], glyphIdArray
//           to the subtable's length; the last endCode is 0xFFFF and every
//           glyph index a segment reaches through idRangeOffset lies in
//           glyphIdArray.  Format 0 subtables hold 262 bytes.  Every glyph
//           id a character code maps to (code + idDelta, or the
//           glyphIdArray entry + idDelta, modulo 65536; a format 0 byte)
//           is below numGlyphs: the library indexes its glyph offsets and
//           width flags by it when it measures a character.
//   'name'  the records of names 1, 2 and 6 at most 127 characters.
//
// Invariant: a table is used only when offset + length lies inside the
// file and its tag is named once; a name string only when it lies inside
// its table.
#include "pdf/hzef/ttf_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace hzef {
namespace {

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t u32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Bytes of a file or of memory, read by offset.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t size() const = 0;
  // Reads len bytes at off; false when they do not all lie in the source.
  virtual bool read(uint64_t off, size_t len, std::vector<uint8_t>* out) const = 0;
};

class Mem_source : public Source {
 public:
  Mem_source(const uint8_t* d, size_t n) : d_(d), n_(n) {}
  uint64_t size() const override { return n_; }
  bool read(uint64_t off, size_t len, std::vector<uint8_t>* out) const override {
    if (off > n_ || len > n_ - off) return false;
    out->assign(d_ + off, d_ + off + len);
    return true;
  }
 private:
  const uint8_t* d_;
  size_t n_;
};

class File_source : public Source {
 public:
  File_source(int fd, uint64_t n) : fd_(fd), n_(n) {}
  uint64_t size() const override { return n_; }
  bool read(uint64_t off, size_t len, std::vector<uint8_t>* out) const override {
    if (off > n_ || len > n_ - off) return false;
    out->resize(len);
    size_t got = 0;
    while (got < len) {
      ssize_t r = ::pread(fd_, out->data() + got, len - got, off_t(off + got));
      if (r <= 0) return false;
      got += size_t(r);
    }
    return true;
  }
 private:
  int fd_;
  uint64_t n_;
};

struct Table {
  uint32_t offset = 0, length = 0;
  bool found = false;
};

// A name string as single bytes: UTF-16BE code units above 255 become "?".
std::string name_text(const uint8_t* p, size_t len, bool utf16) {
  std::string s;
  if (utf16) {
    for (size_t i = 0; i + 1 < len; i += 2) {
      uint16_t c = u16(p + i);
      s += c < 256 ? char(c) : '?';
    }
  } else {
    s.assign(reinterpret_cast<const char*>(p), len);
  }
  // Control characters and NULs would cut or corrupt the caller's buffers.
  for (char& c : s)
    if (uint8_t(c) < 32) c = ' ';
  return s;
}

// Finds name id in a 'name' table: Windows Unicode (3,1 or 3,0) with US
// English first, any Windows Unicode next, Macintosh Roman (1,0) last.
std::string find_name(const std::vector<uint8_t>& t, uint16_t id) {
  if (t.size() < 6) return {};
  size_t count = u16(&t[2]), strings = u16(&t[4]);
  int best_rank = 0;
  std::string best;
  for (size_t i = 0; i < count; i++) {
    size_t rec = 6 + i * 12;
    if (rec + 12 > t.size()) break;
    const uint8_t* r = &t[rec];
    if (u16(r + 6) != id) continue;
    uint16_t platform = u16(r), encoding = u16(r + 2), language = u16(r + 4);
    size_t len = u16(r + 8), off = strings + size_t(u16(r + 10));
    if (off > t.size() || len > t.size() - off || len == 0) continue;
    int rank = 0;
    if (platform == 3 && (encoding == 1 || encoding == 0)) rank = language == 0x409 ? 3 : 2;
    else if (platform == 1 && encoding == 0) rank = 1;
    if (rank > best_rank) {
      best_rank = rank;
      best = name_text(&t[off], len, platform == 3);
    }
  }
  return best;
}

// A table read whole, at most max bytes; false when it is missing,
// longer, or lies outside the source.
bool read_table(const Source& src, const Table& t, size_t min, size_t max, std::vector<uint8_t>* out) {
  return t.found && t.length >= min && t.length <= max && src.read(t.offset, t.length, out);
}

// The glyph id of every code 0 to 0xFFFF in a format-4 subtable that
// cmap_format4_ok passed, found as the library finds it (the first segment
// whose endCode is not below the code), below glyphs.
bool format4_glyphs_ok(const uint8_t* p, size_t glyphs) {
  size_t len = u16(p + 2), segs = u16(p + 6) / 2;
  size_t glyph_ids = (len - 16 - segs * 8) / 2;
  const uint8_t* ends = p + 14;
  const uint8_t* starts = ends + segs * 2 + 2;
  const uint8_t* deltas = starts + segs * 2;
  const uint8_t* ranges = deltas + segs * 2;
  const uint8_t* ids = ranges + segs * 2;
  size_t i = 0;
  for (uint32_t code = 0; code <= 0xFFFF; code++) {
    while (i < segs && code > u16(ends + i * 2)) i++;
    if (i == segs) return false;
    size_t start = u16(starts + i * 2), range = u16(ranges + i * 2);
    if (start > code) continue;
    uint32_t gid = code;
    if (range != 0) {
      size_t at = range / 2 + (code - start) - (segs - i);
      if (at >= glyph_ids) return false;
      gid = u16(ids + at * 2);
    }
    gid = (gid + u16(deltas + i * 2)) & 0xFFFF;
    if (gid >= glyphs) return false;
  }
  return true;
}

bool cmap_format4_ok(const uint8_t* p, size_t room) {
  if (room < 14) return false;
  size_t len = u16(p + 2), segx2 = u16(p + 6);
  size_t segs = segx2 / 2;
  if (segs == 0 || segx2 % 2 || len > room || len < 16 + segs * 8) return false;
  size_t glyph_ids = (len - 16 - segs * 8) / 2;
  const uint8_t* ends = p + 14;
  const uint8_t* starts = ends + segx2 + 2;
  const uint8_t* ranges = starts + segx2 * 2;
  if (u16(ends + (segs - 1) * 2) != 0xFFFF) return false;
  for (size_t i = 0; i < segs; i++) {
    size_t end = u16(ends + i * 2), start = u16(starts + i * 2), range = u16(ranges + i * 2);
    if (range == 0 || start > end) continue;
    // The library's index into glyphIdArray for the segment's last code.
    if (range / 2 < segs - i) return false;
    if (range / 2 - (segs - i) + (end - start) >= glyph_ids) return false;
  }
  return true;
}

// A table of a u16 count at byte 2 and that many records of size bytes from
// byte first: true when the records lie inside the table and ok holds for
// every one.
template <class Ok>
bool records_ok(const std::vector<uint8_t>& t, size_t first, size_t size, Ok ok) {
  if (t.size() < first) return false;
  size_t count = u16(&t[2]);
  if (first + count * size > t.size()) return false;
  for (size_t i = 0; i < count; i++)
    if (!ok(&t[first + i * size])) return false;
  return true;
}

bool cmap_ok(const std::vector<uint8_t>& t, size_t glyphs) {
  return records_ok(t, 4, 8, [&t, glyphs](const uint8_t* r) {
    uint32_t off = u32(r + 4);
    if (off > t.size() - 2) return false;
    uint16_t format = u16(&t[off]);
    if (format == 4) return cmap_format4_ok(&t[off], t.size() - off) && format4_glyphs_ok(&t[off], glyphs);
    if (format != 0) return true;
    if (t.size() - off < 262) return false;
    for (size_t c = 0; c < 256; c++)
      if (t[off + 6 + c] >= glyphs) return false;
    return true;
  });
}

bool names_ok(const std::vector<uint8_t>& t) {
  return records_ok(t, 6, 12, [](const uint8_t* r) {
    uint16_t platform = u16(r), id = u16(r + 6), len = u16(r + 8);
    if (id != 1 && id != 2 && id != 6) return true;
    return !((platform == 3 && len > 254) || (platform != 3 && len > 127));
  });
}

// The tables the PDF library trusts when it loads the font.
bool library_tables_ok(const Source& src, const Table& name_t, const Table& head_t, const Table& maxp_t,
                       const Table& hhea_t, const Table& hmtx_t, const Table& loca_t, const Table& glyf_t,
                       const Table& cmap_t, const std::vector<uint8_t>& names) {
  std::vector<uint8_t> head, maxp, hhea, loca, cmap;
  if (!name_t.found || !names_ok(names)) return false;
  if (!read_table(src, head_t, 54, 1 << 16, &head) || !read_table(src, maxp_t, 6, 1 << 16, &maxp) ||
      !read_table(src, hhea_t, 36, 1 << 16, &hhea) || !hmtx_t.found || !glyf_t.found ||
      !read_table(src, cmap_t, 4, 4u << 20, &cmap) || !read_table(src, loca_t, 2, 1u << 20, &loca))
    return false;
  size_t loc_format = u16(&head[50]), glyphs = u16(&maxp[4]), metrics = u16(&hhea[34]), em = u16(&head[18]);
  if (em < 16 || em > 16384 || loc_format > 1 || glyphs == 0 || metrics == 0 || metrics > glyphs) return false;
  if (uint64_t(hmtx_t.length) < metrics * 4 + (glyphs - metrics) * 2) return false;
  size_t entry = loc_format ? 4 : 2;
  if (loca.size() < (glyphs + 1) * entry) return false;
  uint64_t last = 0;
  for (size_t i = 0; i <= glyphs; i++) {
    uint64_t at = loc_format ? u32(&loca[i * 4]) : uint64_t(u16(&loca[i * 2])) * 2;
    if (at < last || at > glyf_t.length) return false;
    last = at;
  }
  return cmap_ok(cmap, glyphs);
}

int parse(const Source& src, Ttf_info* out) {
  std::vector<uint8_t> head;
  if (!src.read(0, 12, &head)) return TTF_NOT_TRUETYPE;
  uint32_t version = u32(&head[0]);
  if (version != 0x00010000 && version != 0x74727565) return TTF_NOT_TRUETYPE;  // "true"
  size_t tables = u16(&head[4]);
  if (tables == 0) return TTF_NOT_TRUETYPE;
  std::vector<uint8_t> dir;
  if (!src.read(12, tables * 16, &dir)) return TTF_BAD_DIRECTORY;
  Table name, os2, hd, post, maxp, hhea, hmtx, loca, glyf, cmap;
  for (size_t i = 0; i < tables; i++) {
    const uint8_t* r = &dir[i * 16];
    Table t{u32(r + 8), u32(r + 12), true};
    if (uint64_t(t.offset) + t.length > src.size()) return TTF_BAD_DIRECTORY;
    std::string tag(reinterpret_cast<const char*>(r), 4);
    Table* slot = tag == "name"   ? &name
                  : tag == "OS/2" ? &os2
                  : tag == "head" ? &hd
                  : tag == "post" ? &post
                  : tag == "maxp" ? &maxp
                  : tag == "hhea" ? &hhea
                  : tag == "hmtx" ? &hmtx
                  : tag == "loca" ? &loca
                  : tag == "glyf" ? &glyf
                  : tag == "cmap" ? &cmap
                                  : nullptr;
    // A table named twice: the library would read another one than the
    // one checked here.
    if (slot && slot->found) return TTF_BAD_DIRECTORY;
    if (slot) *slot = t;
  }
  // A name table beyond 1 MB is not a font's.
  if (!name.found || name.length > (1u << 20)) return TTF_NO_NAME;
  std::vector<uint8_t> names;
  if (!src.read(name.offset, name.length, &names)) return TTF_BAD_DIRECTORY;
  if (!library_tables_ok(src, name, hd, maxp, hhea, hmtx, loca, glyf, cmap, names)) return TTF_BAD_TABLES;
  Ttf_info info;
  info.family = find_name(names, 1);
  if (info.family.empty()) return TTF_NO_NAME;
  info.postscript = find_name(names, 6);
  if (info.postscript.empty()) info.postscript = find_name(names, 4);
  if (info.postscript.empty()) info.postscript = info.family;
  std::vector<uint8_t> b;
  if (os2.found && os2.length >= 64 && src.read(os2.offset + 62, 2, &b)) {
    uint16_t sel = u16(&b[0]);
    info.italic = sel & 1;
    info.bold = sel & 0x20;
  } else if (hd.found && hd.length >= 46 && src.read(hd.offset + 44, 2, &b)) {
    uint16_t style = u16(&b[0]);
    info.bold = style & 1;
    info.italic = style & 2;
  }
  if (post.found && post.length >= 16 && src.read(post.offset + 12, 4, &b)) info.fixed_pitch = u32(&b[0]) != 0;
  *out = std::move(info);
  return TTF_OK;
}

}  // namespace

int Ttf_parse(const uint8_t* data, size_t size, Ttf_info* out) {
  Mem_source src(data, size);
  return parse(src, out);
}

int Ttf_read_info(const char* path, Ttf_info* out) {
  if (!path) return TTF_NO_FILE;
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO swapped in is not waited for
  if (fd < 0) return TTF_NO_FILE;
  struct stat st;
  int rc = TTF_NO_FILE;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    File_source src(fd, uint64_t(st.st_size));
    rc = parse(src, out);
  }
  ::close(fd);
  return rc;
}

}  // namespace hzef
