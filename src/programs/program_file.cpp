// Compiled program files: header decoding and encoding, the image check and
// the conversion of format-0 images.  The layout is drawn in program_file.h.
#include "programs/program_file.h"

#include <cstring>

#include "core/codes.h"
#include "core/line_store.h"
#include "core/workspace.h"
#include "core/process_config.h"

namespace {

bool raw_rest(uint8_t c) {
  // A remark, a comment, TABLE data or a line that failed to compile (code
  // 0 and its source): the rest of the record is text, not items.
  return c == code::D_REM || c == code::D_COMMENT || c == code::D_TABLE || c == code::END_SCAN;
}

bool is_name_code(uint8_t c) {
  return c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR || c == code::OBJ_REF;
}

// Walks the records of [0, end) and marks each record start.  Returns the
// number of records before line 65000, or -1 when the records do not
// follow the rules (lengths inside the area, numbers ascending, 255 last,
// the end record exactly at the end).
long walk_records(const uint8_t* img, uint32_t end, std::vector<uint8_t>& starts) {
  uint32_t r = 0;
  long count = 0;
  uint32_t prev = 0;
  for (;;) {
    if (end - r < 2) return -1;
    uint32_t len = get_u16be(img + r);
    if (len < 3 || len > end - r - 2) return -1;
    uint32_t no = get_u16be(img + r + 2);
    starts[r] = 1;
    if (no == LAST_LINE_NO) {
      if (len != 4 || r + 6 != end || std::memcmp(img + r + 2, PRG_END_RECORD, 4) != 0) return -1;
      return count;
    }
    if (no == 0 || no >= LAST_LINE_NO || no <= prev) return -1;
    if (img[r + 2 + len - 1] != code::EOL) return -1;
    prev = no;
    count++;
    r += 2 + len;
  }
}

}  // namespace

bool Prg_is_header(const uint8_t* h) {
  if (std::memcmp(h + 4, "prg]", 4) != 0) return false;
  return std::memcmp(h, "[Oru", 4) == 0 || std::memcmp(h, "[Yod", 4) == 0 ||
         std::memcmp(h, "[Kiv", 4) == 0 || std::memcmp(h, Oru_file_id, 4) == 0;
}

uint32_t Prg_image_size(const uint8_t* h) {
  uint16_t s = get_u16be(h + PH_SIZE16);
  return s ? s : get_u32be(h + PH_SIZE32);
}

int Prg_decode(const uint8_t* h, Prg_header& d) {
  d = Prg_header{};
  uint16_t s16 = get_u16be(h + PH_SIZE16);
  if (s16) {
    d.image_size = s16;
    d.lit_pool = get_u16be(h + PH_LITPOOL);
    d.name_tbl = get_u16be(h + PH_NAMETBL16);
    d.name_area = get_u16be(h + PH_NAMEAREA16);
  } else {
    d.wide = true;
    d.image_size = get_u32be(h + PH_SIZE32);
    d.name_tbl = get_u32be(h + PH_NAMETBL32);
    d.name_area = get_u32be(h + PH_NAMEAREA32);
    d.stmt_tbl = get_u32be(h + PH_STMTTBL);
  }
  d.name_cnt = get_u16be(h + PH_NAMECNT);
  d.version = h[PH_VERSION];
  d.save_time = get_u32be(h + PH_TIME);
  std::memcpy(d.key_block, h + PH_KEYBLOCK, 8);
  // Format 0 marks an enciphered image by a key block that does not begin
  // with two zero bytes; format 1 by flag bit 0.
  d.enciphered = d.version == 0 ? (h[PH_KEYBLOCK] | h[PH_KEYBLOCK + 1]) != 0 : (h[PH_FLAGS] & 1) != 0;
  d.random = get_u16be(h + PH_RANDOM);
  d.state_flags = get_u16be(h + PH_STATE);
  d.var_mask = get_u16be(h + PH_VARMASK);
  d.el = h[PH_EL];
  d.major = get_u16be(h + PH_MAJOR);
  d.minor = get_u16be(h + PH_MINOR);
  return d.image_size == 0 ? 2 : 0;
}

int Check_image(const uint8_t* img, const Prg_header& h, Image_info& info) {
  info = Image_info{};
  const uint32_t size = h.image_size;
  if (h.name_tbl > size || h.name_area > size) return 17;
  uint32_t end = h.name_tbl < h.name_area ? h.name_tbl : h.name_area;
  if (h.lit_pool && h.lit_pool < end) end = h.lit_pool;
  if (end < 6 || std::memcmp(img + end - 4, PRG_END_RECORD, 4) != 0) return 17;
  info.lines_end = end;

  // Names: the table must fit, and every entry must lie inside the area.
  uint32_t area_end = h.name_tbl > h.name_area ? h.name_tbl : size;
  if (h.name_area < end) return 17;
  info.name_area_len = area_end - h.name_area;
  if (h.name_cnt) {
    if (h.name_tbl < end || uint64_t(h.name_tbl) + 2 * uint64_t(h.name_cnt) > size) return 17;
    for (uint32_t i = 0; i < h.name_cnt; i++) {
      uint32_t off = get_u16be(img + h.name_tbl + 2 * i);
      if (off >= info.name_area_len) return 17;
      uint8_t n = img[h.name_area + off];
      uint32_t need = n == 255 ? 5 : uint32_t(n) + 1;
      if (n > 127 && n != 255) return 17;  // names are at most 127 bytes long
      if (n == 0 || need > info.name_area_len - off) return 17;
      if (i == h.name_cnt - 1) info.name_end = off + need;
    }
  }
  if (h.stmt_tbl) {
    if (h.stmt_tbl < end || h.stmt_tbl > size) return 17;
    info.stmt_cnt = (size - h.stmt_tbl) / 4;
    if (info.stmt_cnt > 0xFFFF) info.stmt_cnt = 0xFFFF;
  }

  std::vector<uint8_t> starts(end, 0);
  long lines = walk_records(img, end, starts);
  if (lines < 0) return 17;
  info.line_cnt = uint32_t(lines);

  // The target record of a 252 or 253 operand, or -1.
  auto target = [&](uint16_t v) -> long {
    uint32_t off = v;
    if (h.stmt_tbl) {
      if (v >= info.stmt_cnt) return -1;
      off = get_u32be(img + h.stmt_tbl + 4 * uint32_t(v));
    }
    if (off >= end || !starts[off]) return -1;
    return long(off);
  };

  for (uint32_t r = 0; r < end;) {
    uint32_t len = get_u16be(img + r);
    const uint8_t* p = img + r + 4;
    const uint8_t* last = img + r + 2 + len - 1;  // the record's final 255
    if (get_u16be(img + r + 2) == LAST_LINE_NO) break;
    while (p < last) {
      uint8_t c = *p;
      if (raw_rest(c)) break;
      size_t n = Item_size(p, last + 1);
      if (n == 0 || p + n > last) return 17;  // an item runs into the end of its line
      if (is_name_code(c) || c == code::LABEL) {
        if (p[1] & 0x80) {
          uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
          if (c == code::LABEL || idx >= h.name_cnt) return 17;
        } else if (p[1] == 0) {
          return 17;
        }
      } else if (c == code::LABEL_IDX || c == code::LABEL_IDX2) {
        long t = target(get_u16be(p + 1));
        if (t < 0) return 17;
        if (c == code::LABEL_IDX2) {
          const uint8_t* tl = img + t;
          if (get_u16be(tl) < 4 || tl[4] != code::LABEL || (tl[5] & 0x80) || tl[5] == 0 ||
              uint32_t(tl[5]) + 3 > get_u16be(tl))
            return 17;
        }
      }
      p += n;
    }
    r += 2 + len;
  }
  return 0;
}

// ---- format 0 ----

int Convert_version_0(std::vector<uint8_t>& img, Prg_header& h) {
  const uint32_t size = uint32_t(img.size());
  uint32_t bound = size;
  if (h.name_tbl && h.name_tbl < bound) bound = h.name_tbl;
  if (h.name_area && h.name_area < bound) bound = h.name_area;
  if (h.lit_pool && h.lit_pool < bound) bound = h.lit_pool;
  if (h.name_tbl > size || h.name_area > size || h.lit_pool > size) return 17;
  const bool pool = h.lit_pool != 0;

  // Pass 1: the records and their line numbers, by offset.
  struct Rec {
    uint32_t off, len;
    uint16_t no;
  };
  std::vector<Rec> recs;
  uint32_t r = 0;
  for (;;) {
    if (bound - r < 2) return 17;
    uint32_t len = get_u16be(img.data() + r);
    if (len == 0) break;
    if (len < 3 || len > bound - r - 2) return 17;
    uint16_t no = get_u16be(img.data() + r + 2);
    if (no == 32000) break;
    recs.push_back({r, len, no});
    r += 2 + len;
  }
  auto rec_at = [&](uint32_t off) -> const Rec* {
    size_t lo = 0, hi = recs.size();
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      if (recs[mid].off < off) lo = mid + 1;
      else hi = mid;
    }
    return lo < recs.size() && recs[lo].off == off ? &recs[lo] : nullptr;
  };

  // Pass 2: the new line records.
  std::vector<uint8_t> out;
  out.reserve(size + size / 4 + 16);
  for (const Rec& rc : recs) {
    const uint8_t* p = img.data() + rc.off + 4;
    const uint8_t* last = img.data() + rc.off + 2 + rc.len - 1;
    if (*last != code::EOL) return 17;
    size_t at = out.size();
    out.push_back(0);
    out.push_back(0);
    out.push_back(uint8_t(rc.no >> 8));
    out.push_back(uint8_t(rc.no));
    while (p < last) {
      uint8_t c = *p;
      if (raw_rest(c)) {
        out.insert(out.end(), p, last);
        p = last;
        break;
      }
      if ((c == code::NUM_LIT || c == code::EXP_LIT) && pool && p + 2 < last + 1 && (p[1] & 0x80)) {
        uint32_t idx = get_u16be(p + 1) & 0x7FFF;
        uint64_t at_pool = uint64_t(h.lit_pool) + 7 * uint64_t(idx);
        if (at_pool + 7 > size) return 17;
        out.push_back(c);
        out.insert(out.end(), img.data() + at_pool, img.data() + at_pool + 7);
        p += 3;
        continue;
      }
      size_t n = Item_size(p, last + 1);
      if (n == 0 || p + n > last) return 17;
      if ((c == code::LINE_REF || c == code::LABEL) && (p[1] & 0x80) && n == 3) {
        const Rec* t = rec_at(get_u16be(p + 1) & 0x7FFF);
        if (!t) return 17;
        if (c == code::LINE_REF) {
          out.push_back(code::LINE_REF);
          out.push_back(uint8_t(t->no >> 8));
          out.push_back(uint8_t(t->no));
        } else {
          const uint8_t* tl = img.data() + t->off;
          uint8_t ln = tl[5];
          if (tl[4] != code::LABEL || (ln & 0x80) || ln == 0 || uint32_t(ln) + 3 > t->len) return 17;
          out.push_back(code::LABEL);
          out.insert(out.end(), tl + 5, tl + 6 + ln);
        }
        p += 3;
        continue;
      }
      out.insert(out.end(), p, p + n);
      p += n;
    }
    out.push_back(code::EOL);
    size_t len = out.size() - at - 2;
    if (len > 0xFFFF) return 17;
    out[at] = uint8_t(len >> 8);
    out[at + 1] = uint8_t(len);
  }
  out.push_back(0);
  out.push_back(4);
  out.insert(out.end(), PRG_END_RECORD, PRG_END_RECORD + 4);

  // The names: the area and the offset table move behind the lines.
  uint32_t area_end = h.name_tbl > h.name_area ? h.name_tbl : size;
  if (h.lit_pool > h.name_area && h.lit_pool < area_end) area_end = h.lit_pool;
  if (h.name_cnt && uint64_t(h.name_tbl) + 2 * uint64_t(h.name_cnt) > size) return 17;
  uint32_t new_area = uint32_t(out.size());
  out.insert(out.end(), img.begin() + h.name_area, img.begin() + area_end);
  uint32_t new_tbl = uint32_t(out.size());
  if (h.name_cnt) out.insert(out.end(), img.begin() + h.name_tbl, img.begin() + h.name_tbl + 2 * h.name_cnt);

  img.swap(out);
  h.image_size = uint32_t(img.size());
  h.lit_pool = 0;
  h.name_area = new_area;
  h.name_tbl = new_tbl;
  h.stmt_tbl = 0;
  h.wide = false;
  h.version = 1;
  return 0;
}

// ---- writing ----

void Prg_put_layout(uint8_t* h, const Image_layout& l, uint8_t version) {
  bool narrow = !l.wide;
  put_u16be(h + PH_SIZE16, narrow ? uint16_t(l.size) : 0);
  put_u16be(h + PH_LITPOOL, 0);
  put_u16be(h + PH_NAMETBL16, narrow ? uint16_t(l.name_tbl) : 0);
  put_u16be(h + PH_NAMEAREA16, narrow ? uint16_t(l.name_area) : 0);
  put_u16be(h + PH_NAMECNT, uint16_t(l.name_cnt));
  put_u32be(h + PH_SIZE32, l.size);
  put_u32be(h + PH_NAMETBL32, l.name_tbl);
  put_u32be(h + PH_NAMEAREA32, l.name_area);
  put_u32be(h + PH_STMTTBL, l.stmt_tbl);
  if (l.has_labels) {
    put_u32be(h + PH_LABELTBL, l.label_tbl);
    put_u16be(h + PH_LABELCNT, uint16_t(l.label_cnt));
  }
  h[PH_VERSION] = version;
}

void Prg_fresh_header(uint8_t* h, bool program) {
  std::memset(h, 0, PRG_HDR_SIZE);
  std::memcpy(h, Oru_file_id, 4);
  std::memcpy(h + 4, program ? "prg]" : "vdf]", 4);
}
