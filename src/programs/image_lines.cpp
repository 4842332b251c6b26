// Image records back to compiled lines (Ln_conv) and a loaded image into an
// edit list of its own (Sve_conv).
#include "programs/image_lines.h"

#include <cstring>

#include "core/codes.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "programs/program_list.h"

namespace {

bool raw_rest(uint8_t c) {
  return c == code::D_REM || c == code::D_COMMENT || c == code::D_TABLE || c == code::END_SCAN;
}

// The record a 252/253 operand names (the image was checked at load).
const uint8_t* target_record(uint16_t v) {
  uint32_t off = ws.Label_tbl ? get_u32be(ws.Label_tbl + 4 * size_t(v)) : v;
  return ws.Pgm_image + off;
}

// The new position of an old one inside a converted record, from the item
// map; a position inside an item keeps its distance from the item start.
uint8_t* map_ptr(const uint8_t* old, const uint8_t* rec_line, uint8_t* new_line,
                 const std::vector<std::pair<uint32_t, uint32_t>>& map, size_t new_len) {
  uint32_t in = uint32_t(old - rec_line);
  uint32_t out = in;
  for (const auto& m : map) {
    if (m.first > in) break;
    out = m.second + (in - m.first);
  }
  if (out >= new_len) out = uint32_t(new_len - 1);
  return new_line + out;
}

}  // namespace

bool In_image(const uint8_t* p) {
  return ws.Pgm_image && p >= ws.Pgm_image && p < ws.Pgm_image + ws.Pgm_size;
}

void Ln_conv(const uint8_t* line, size_t len, bool keep_indexes, std::vector<uint8_t>& out,
             std::vector<std::pair<uint32_t, uint32_t>>* map) {
  out.clear();
  out.insert(out.end(), line, line + 2);
  const uint8_t* p = line + 2;
  const uint8_t* end = line + len;
  while (p < end) {
    uint8_t c = *p;
    if (map) map->emplace_back(uint32_t(p - line), uint32_t(out.size()));
    if (c == code::EOL) {
      out.push_back(c);
      ++p;
      continue;
    }
    if (raw_rest(c)) {
      out.insert(out.end(), p, end);
      break;
    }
    size_t n = Item_size(p, end);
    if (n == 0) break;
    if (c == code::LABEL_IDX || c == code::LABEL_IDX2) {
      const uint8_t* t = target_record(get_u16be(p + 1));
      if (c == code::LABEL_IDX) {
        out.push_back(code::LINE_REF);
        out.push_back(t[2]);
        out.push_back(t[3]);
      } else {
        out.push_back(code::LABEL);
        out.insert(out.end(), t + 5, t + 6 + t[5]);
      }
    } else if (!keep_indexes && (c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR ||
                                 c == code::OBJ_REF) && (p[1] & 0x80)) {
      const uint8_t* e = Var_name_entry((uint32_t(p[1] & 0x7F) << 8) | p[2]);
      if (!e || e[0] == 0 || e[0] > 127) Rpt_error(err::INTERNAL_CODE);
      out.push_back(c);
      out.insert(out.end(), e, e + 1 + e[0]);
    } else {
      out.insert(out.end(), p, p + n);
    }
    p += n;
  }
}

void Sve_conv() {
  if (!ws.Pgm_image) return;
  uint8_t* image = ws.Pgm_image;
  // Every code position the interpreter keeps, by the address of its slot.
  std::vector<uint8_t**> slots = {&ws.Exec_ptr, &ws.Stmt_ptr, &ws.Stop_ptr, &ws.Stop_stmt, &ws.Retry_ptr,
                                  &ws.Brk_hit_ptr};
  for (Ctl_frame* f = ws.Ctl_stack; f; f = f->link) {
    slots.push_back(&f->resume_ptr);
    slots.push_back(&f->cond_ptr);
    slots.push_back(&f->err_clause);
  }

  // The names become the program's own; the variable table already is.
  uint32_t cnt = ws.Name_cnt;
  uint16_t* names = nullptr;
  uint8_t* pool = nullptr;
  uint32_t pool_size = ws.Name_pool_size;
  if (cnt) {
    names = static_cast<uint16_t*>(Get_blk(sizeof(uint16_t) * cnt));
    if (!names) Rpt_error(err::OUT_OF_MEMORY);
    std::memcpy(names, ws.Name_index, sizeof(uint16_t) * cnt);
  }
  if (pool_size) {
    pool = static_cast<uint8_t*>(Get_blk(pool_size));
    if (!pool) {
      if (names) Ret_blk(names);
      Rpt_error(err::OUT_OF_MEMORY);
    }
    std::memcpy(pool, ws.Name_pool, pool_size);
  }

  // The lines, built apart first: a failure leaves the image program as it was.
  std::vector<Str_blk*> lines;
  std::vector<uint8_t> out;
  std::vector<std::pair<uint32_t, uint32_t>> map;
  uint32_t total = 0;
  struct Adjust {
    uint8_t** slot;
    uint8_t* to;
  };
  std::vector<Adjust> adjust;
  struct Frame_pos {
    Ctl_frame* f;
    Str_blk* b;
  };
  std::vector<Frame_pos> frames;
  try {
    for (uint8_t* r = image;; r += 2 + get_u16be(r)) {
      uint32_t len = get_u16be(r);
      const uint8_t* line = r + 2;
      bool last = get_u16be(line) == LAST_LINE_NO;
      Str_blk* b;
      uint8_t* new_line;
      size_t new_len;
      map.clear();
      if (last) {
        b = Last_line();
        new_line = b->bytes();
        new_len = b->len;
        map.emplace_back(0, 0);
      } else {
        Ln_conv(line, len, true, out, &map);
        b = Get_str(out.size());
        if (!b) Rpt_error(err::OUT_OF_MEMORY);
        std::memcpy(b->bytes(), out.data(), out.size());
        b->len = uint32_t(out.size());
        b->link = nullptr;
        lines.push_back(b);
        total += b->len + 4;
        new_line = b->bytes();
        new_len = b->len;
      }
      for (uint8_t** s : slots)
        if (*s && *s >= line && *s < line + len) adjust.push_back({s, map_ptr(*s, line, new_line, map, new_len)});
      for (Ctl_frame* f = ws.Ctl_stack; f; f = f->link)
        if (f->resume.rec == r || (f->resume.rec == nullptr && f->resume.no == get_u16be(line)))
          frames.push_back({f, b});
      if (last) break;
    }
  } catch (...) {
    for (Str_blk* b : lines) Ret_str(b);
    if (names) Ret_blk(names);
    if (pool) Ret_blk(pool);
    throw;
  }

  // Commit: link the lines, move every position, drop the image.
  for (size_t i = 0; i + 1 < lines.size(); i++) lines[i]->link = lines[i + 1];
  if (!lines.empty()) lines.back()->link = Last_line();
  for (const Adjust& a : adjust) *a.slot = a.to;
  for (const Frame_pos& fp : frames) {
    fp.f->resume.rec = fp.b->bytes();
    fp.f->resume.blk = fp.b;
  }
  Prog_obj* rec = ws.Pgm_cache_ent;
  ws.Pgm_image = nullptr;
  ws.Label_tbl = nullptr;
  ws.Lit_pool = nullptr;
  ws.Pgm_cache_ent = nullptr;
  ws.Edit_list = lines.empty() ? Last_line() : lines.front();
  ws.Cur_edit_blk = nullptr;
  ws.Cur_line_rec = nullptr;
  ws.Cur_line_no = 65001;
  ws.Go_cache_ref = 0;
  ws.Pgm_size = total;
  ws.Name_index = names;
  ws.Name_cap = cnt;
  ws.Name_pool = pool;
  ws.Name_pool_cap = pool_size;
  if (ws.Name_pool_size != pool_size) ws.Name_pool_size = pool_size;
  if (rec) Prog_drop(rec);
}
