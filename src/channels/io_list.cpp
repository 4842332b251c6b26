// Walking I/O lists (the layout is drawn in io_list.h).
//
// Walk state lives in the current-I/O area: ws.Iol_depth (-1 before the
// statement's first item, then the nesting depth), ws.Iol_ret[d] the
// position to return to when the list entered at depth d + 1 ends, and
// ws.Iol_sep[d] the separator in force there.
#include "channels/io_list.h"

#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/io_options.h"
#include "channels/iol_cache.h"
#include "channels/rec_formats.h"
#include "channels/record_formats.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/nested_run.h"

namespace {

constexpr int IOL_DEPTH_MAX = 9;

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

// Items of the IOLIST statement of a program line (the line is the current
// line left by Find_line).
const uint8_t* iolist_items_of_line() {
  uint8_t* p = ws.Str_ptr + 2;
  while (*p == code::LABEL) p += 2 + p[1] + 1;  // labels ahead of the statement
  if (*p != code::D_IOLIST) Rpt_error(err::BAD_LINE_REF);
  return p + 1;
}

// A string holding a compiled list: an Iol_block (u16 length, 0xB9, items,
// 255) or the items of a compiled IOLIST line.  Copied into a temporary so
// the walk does not depend on the string's lifetime.
const uint8_t* iolist_items_of_string(const uint8_t* s, int32_t len) {
  if (len >= 3 && s[2] == code::D_IOLIST) {
    uint8_t* copy = static_cast<uint8_t*>(Get_temp(size_t(len) + 1));
    std::memcpy(copy, s + 3, size_t(len - 3));
    copy[len - 3] = code::EOL;
    return copy;
  }
  Rpt_error(err::BAD_LINE_REF);
}

void enter_list(const uint8_t* items, uint8_t* resume) {
  if (ws.Iol_depth < 0) ws.Iol_depth = 0;
  if (ws.Iol_depth >= IOL_DEPTH_MAX) Rpt_error(err::MISSING_KEY_DESC);
  ws.Iol_ret[ws.Iol_depth] = resume;
  ws.Iol_sep[ws.Iol_depth] = ws.Io_sep;
  ws.Iol_depth++;
  ws.Exec_ptr = const_cast<uint8_t*>(items);
}

// The list that stands for a statement without items of its own: its IOL=,
// else the channel's own list.
const uint8_t* default_list() {
  if (ws.Io_iol_ptr) return ws.Io_iol_ptr;
  if (ws.Io_iol_len == -1 || ws.Io_iol_len == -2) Rpt_error(err::NO_IOLIST);
  if (ws.Io_iol_len == -3) Rpt_error(err::BAD_IOLIST_ITEM);
  Fcb* f = ws.Cur_fcb;
  if (const uint8_t* b = f ? Iol_slot(f, 0) : nullptr) return KestIolCache(b + 3);
  return nullptr;
}

}  // namespace

const uint8_t* Check_iol() {
  uint8_t c = *ws.Exec_ptr;
  if (Is_line_ref(c)) {
    uint32_t ref = Get_line();
    uint8_t* resume = ws.Exec_ptr;
    int32_t sl = ws.Str_len;
    uint8_t* sp = ws.Str_ptr;
    uint16_t n = Find_line(ref);
    if (!(ref & LINE_LABEL_BIT) && n != ref) Rpt_error(err::BAD_LINE_REF);
    const uint8_t* items = iolist_items_of_line();
    ws.Exec_ptr = resume;
    ws.Str_len = sl;
    ws.Str_ptr = sp;
    return items;
  }
  Eval_str();
  if (ws.Str_len == 0) Rpt_error(err::BAD_LINE_REF);
  return iolist_items_of_string(ws.Str_ptr, ws.Str_len);
}

const uint8_t* Iol_items_of_string(const uint8_t* s, int32_t len) { return iolist_items_of_string(s, len); }

const uint8_t* Iol_items_at_line(uint16_t n) {
  uint8_t* resume = ws.Exec_ptr;
  int32_t sl = ws.Str_len;
  uint8_t* sp = ws.Str_ptr;
  if (n == 0 || Find_line(n) != n) Rpt_error(err::BAD_LINE_REF);
  const uint8_t* items = iolist_items_of_line();
  ws.Exec_ptr = resume;
  ws.Str_len = sl;
  ws.Str_ptr = sp;
  return items;
}

void Iol_option() {
  if (*ws.Exec_ptr == code::OP_MUL) {  // IOL=* and IOL=*1: the channel's stored lists
    ws.Exec_ptr++;
    int which = 1;
    uint8_t c = *ws.Exec_ptr;
    if (c == code::NUM_LIT || c == code::SMALL_INT) {
      Get_value();
      which = 2;
    }
    ws.Io_iol_len = -which;
    ws.Io_iol_ptr = nullptr;
    // The lists kept with the file follow the channel's own (an OPEN takes
    // them from the new channel once it is open).
    Fcb* f = ws.Cur_fcb;
    if (const uint8_t* b = f ? Iol_slot(f, which) : nullptr)
      ws.Io_iol_ptr = ws.Io_stmt == code::D_OPEN ? b + 3 : KestIolCache(b + 3);
    return;
  }
  uint8_t c = *ws.Exec_ptr;
  if (!Is_line_ref(c)) {
    Eval_str();
    if (ws.Str_len == 0) Rpt_error(err::BAD_LINE_REF);
    if (ws.Str_len < 3 || ws.Str_ptr[2] != code::D_IOLIST) {
      // A text that is no compiled list names a record format of the
      // channel; OPEN looks it up once the channel is open.
      std::string name(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      ws.Io_iol_ptr = nullptr;
      if (ws.Io_stmt == code::D_OPEN || !ws.Cur_fcb) {
        Iol_set_pending_format(name);
        ws.Io_iol_len = -3;
        return;
      }
      const uint8_t* b = FindFileFormat(ws.Cur_fcb, name);
      if (!b) Rpt_error(err::BAD_IOLIST_ITEM);
      ws.Io_iol_ptr = KestIolCache(b + 3);
      ws.Io_iol_len = Iol_items_len(ws.Io_iol_ptr);
      return;
    }
    const uint8_t* items = iolist_items_of_string(ws.Str_ptr, ws.Str_len);
    ws.Io_iol_ptr = items;
    ws.Io_iol_len = Iol_items_len(items);
    return;
  }
  const uint8_t* items = Check_iol();
  ws.Io_iol_ptr = items;
  ws.Io_iol_len = Iol_items_len(items);
}

int32_t Iol_items_len(const uint8_t* items) {
  const uint8_t* p = items;
  const uint8_t* end = Code_end(items);
  while (!stmt_end(*p)) p += Scan_size(p, end);
  return int32_t(p - items);
}

uint8_t* Iol_make_block(const uint8_t* items, size_t len) {
  if (len + 3 > 0xFFFF) Rpt_error(err::STRING_LENGTH);
  auto* b = static_cast<uint8_t*>(Get_blk(len + 4));
  put_u16be(b, uint16_t(len + 3));
  b[2] = code::D_IOLIST;
  std::memcpy(b + 3, items, len);
  b[len + 3] = code::EOL;
  return b;
}

uint8_t Io_args() {
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
      continue;
    }
    if (stmt_end(c)) {
      if (ws.Iol_depth > 0) {
        ws.Iol_depth--;
        ws.Exec_ptr = const_cast<uint8_t*>(ws.Iol_ret[ws.Iol_depth]);
        ws.Io_sep = ws.Iol_sep[ws.Iol_depth];
        continue;
      }
      if (ws.Iol_depth < 0) {
        ws.Iol_depth = 0;
        if (const uint8_t* list = default_list()) {
          enter_list(list, ws.Exec_ptr);
          continue;
        }
      }
      return code::EOL;
    }
    if (ws.Iol_depth < 0) ws.Iol_depth = 0;
    if (c == iopt::EXT) {
      uint8_t sub = ws.Exec_ptr[1];
      if (sub == iopt::X_SEP) {
        ws.Exec_ptr += 2;
        Io_sep_operand();  // SEP= among the items
        continue;
      }
      if (sub == iopt::X_IOL) {
        ws.Exec_ptr += 2;
        const uint8_t* items = Check_iol();
        enter_list(items, ws.Exec_ptr);
        continue;
      }
      Rpt_error(err::BAD_IOLIST_ITEM);
    }
    if (c == iopt::ERR) {
      Chk_err();
      ws.Io_opts |= IO_ERR;
      continue;
    }
    return c;
  }
}

uint32_t Io_all(Var_node** node) {
  // (A record field stands here when READ's REC= prefix named it.)
  Var_node* n = *ws.Exec_ptr == code::REC_VAR ? Find_field() : Find_var();
  uint32_t count;
  if (*ws.Exec_ptr == code::BLOCK_OPEN) {
    Let_range r;
    LetDefRange(n, r, false);
    count = r.count;
  } else {
    if (*ws.Exec_ptr == code::WHOLE_ARRAY) ws.Exec_ptr++;
    if (!n->elems) Rpt_error(err::BAD_SUBSCRIPT);
    count = Var_count(n);
  }
  if (count == 0) Rpt_error(err::BAD_SUBSCRIPT);
  *node = n;
  return count;
}

void Io_each_element(void (*each)(void*), void* ctx) {
  uint8_t* item = ws.Exec_ptr;
  Var_node* node;
  uint32_t count = Io_all(&node);
  Iter_guard keep;
  for (uint32_t i = 0; i < count; ++i) {
    ws.Exec_ptr = item;
    ws.Iter_on = true;
    ws.Iter_index = i;
    ws.Iter_count = count;
    each(ctx);
  }
}
