// Warm starts: a program's context kept after a call built it the long way,
// checked and taken by the next call of the same name, parked with its
// variables between bound calls.
#include "programs/warm_start.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/block_copy.h"
#include "core/codes.h"
#include "core/exec_command.h"
#include "core/control_stack.h"
#include "core/executor.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/oru_assert.h"
#include "core/params.h"
#include "core/signal_flags.h"
#include "core/variables.h"
#include "programs/program_info.h"
#include "programs/arguments.h"
#include "programs/program_list.h"
#include "programs/program_load.h"
#include "programs/perform_on.h"
#include "programs/var_keep.h"
#include "terminal/obj_attach.h"

namespace call_frames {

// The record of the own cache that a CALL of the name (name_len > 0) would
// take back (see Prog_own_find) when it may start warm, or null: as
// warm_record, but its file is checked when it is taken (warm_take).
[[gnu::noinline]] Prog_obj* own_warm_record(const uint8_t* name, uint32_t name_len) {
  // The search by name drops trailing blanks; a name with them goes the
  // long way.
  if (name[name_len - 1] == ' ') return nullptr;
  Prog_obj* rec = Prog_own_find(name, name_len);
  if (!rec || !rec->warm_start) return nullptr;
  const auto* w = static_cast<const Warm_start*>(rec->warm_start);
  if (!warm_named(w, name, name_len) || !warm_fits(rec, w)) return nullptr;
  return rec;
}

// A record own_warm_record found back in the list, as the search by name
// takes it (Prog_own_take): false when its file changed
// (the record is gone then, and the call goes the long way); else a load
// with a new serial, which the warm start follows (the context's variable
// table is identified by it).
[[gnu::noinline]] bool warm_take(Prog_obj* rec) {
  if (!Prog_own_take(rec)) return false;
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  w->load_serial = rec->load_serial;
  w->ctx.Names_id = rec->load_serial & 0x7FFFFFFF;
  return true;
}

// The plan's kept variables a bound call's return left holding their values
// (stale_bound) emptied, as that return would have.
[[gnu::noinline]] void empty_stale(Warm_start* w) {
  ORU_ASSERT(w->only_bound);
  for (uint32_t i = 0, n = w->bound_shape & 15; i < n; i++) var_keep::clear_known(bound_node(w, i));
  w->stale_bound = false;
}

// Whether the frame's records name the plan's kept variables of rec's warm
// start (as the called program's table has them), the nodes a return that
// leaves them holding their values leaves so (checked where asserts are).
bool bound_nodes_are(const Call_frame* f, const Prog_obj* rec) {
  const auto* w = static_cast<const Warm_start*>(rec->warm_start);
  if (f->bound_n != (w->bound_shape & 15)) return false;
  for (uint32_t i = 0; i < f->bound_n; i++)
    if (ws.Var_index[w->bound_items[i].kept] != f->args[i].bound) return false;
  return true;
}

// The cursor on the program's first statement, as the warm start has it.
void warm_cursor(const Warm_start* w) {
  ws.Cur_stno = w->stno;
  // (Unless the kept context's line is still the first one.)
  if (w->ctx.Cur_line_rec != w->line_rec) {
    ws.Cur_line_no = w->line_no;
    ws.Cur_line_rec = w->line_rec;
    ws.Cur_edit_blk = nullptr;  // (an image's: a warm start is kept for no other)
  }
  ws.Exec_ptr = ws.Stmt_ptr = w->exec;
  ws.Str_ptr = w->str_ptr;
  ws.Str_len = w->str_len;
}

// warm_cursor, then the cursor and the statement start at (returned) on
// that line.
[[gnu::noinline]] uint8_t* warm_cursor_at(const Warm_start* w, uint8_t* at) {
  warm_cursor(w);
  ws.Exec_ptr = ws.Stmt_ptr = at;
  return at;
}

// After a plain call set up the long way: the context it built is kept as
// the program's warm start when a later call can take it (see
// warm_record).  name: the name the call gave.
void keep_warm_start(const Call_frame* f, const uint8_t* name, uint32_t name_len) {
  Prog_obj* rec = ws.Pgm_cache_ent;
  // A program that is neither resident nor kept by the program cache (PC 0)
  // leaves the list at its return: only the own cache keeps its warm start.
  if (!rec || (!(rec->flags & (PO_RESIDENT | PO_PINNED)) && prmblk.PC == 0 && !Prog_own_keeps(rec)) ||
      !ws.Pgm_image ||
      rec->image != ws.Pgm_image || name_len > WARM_NAME_MAX ||
      (ws.Pgm_flags & (PGM_ENCIPHERED | PGM_PROTECTED)) || (f->Pgm_flags & PGM_SHARES_VARS) || ws.Ctl_stack ||
      ws.Fnc_ctx || ws.Loc_chain || ws.Edit_list != Last_line() || ws.Cur_edit_blk)
    return;
  // A warm start leaves the caller's carried-over fields as they are (see
  // WARM_FROM): none is kept for a program that started with others.
  if (ws.Precision != f->Precision || ws.Num_flags != f->Num_flags || ws.With_ctx != f->With_ctx ||
      ws.With_depth != f->With_depth || ws.Var_mask_glob != f->Var_mask_glob)
    return;
  if (rec->parked) Prog_unpark(rec);  // (the copy below would overwrite what it holds)
  Pgm_load_epoch++;                     // a name other than the parked one's may follow
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  if (!w) {
    w = static_cast<Warm_start*>(Get_blk_line(sizeof(Warm_start)));
    if (!w) return;  // the next call goes the long way again
    rec->warm_start = w;
  }
  copy_context(&w->ctx, &ws);
  Forget_call_owned(w->ctx);
  w->only_bound = false;
  w->stale_bound = false;
  w->load_serial = rec->load_serial;
  w->num_flags = f->Num_flags;
  w->precision = f->Precision;
  w->var_mask_glob = f->Var_mask_glob;
  w->with_ctx = f->With_ctx;
  w->with_depth = f->With_depth;
  w->err_handler = uint64_t(f->Pgm_flags2 & PGM2_ERR_HANDLER) << 32;
  w->stno = ws.Cur_stno;
  w->line_no = ws.Cur_line_no;
  w->line_rec = ws.Cur_line_rec;
  w->exec = ws.Exec_ptr;
  w->str_ptr = ws.Str_ptr;
  w->str_len = ws.Str_len;
  w->name_len = name_len;
  std::memcpy(w->name, name, name_len);
  w->bound_plan = &bound_unasked;
  w->bound_strs = false;
  w->bound_next.next = nullptr;
  w->bound_line.next = nullptr;
  w->bound_refused = nullptr;
  if (!first_statement(rec, w, &w->bare_line)) w->bare_line.next = nullptr;
}

// The first statement a call of rec's program runs from the warm start w
// that is not a remark: the program's first statement, or the first one
// after lines that hold nothing but empty statements and a remark or
// comment, which the statement loop runs through without a trace while
// nothing is pending (the end of a line: next_program_line's step, each
// line's number below the end line's); null when the walk meets anything
// else (the end line, a line out of the image).  *line: that statement's
// line as the loop steps to it (next null when it is the warm start's own
// line).
uint8_t* first_statement(const Prog_obj* rec, const Warm_start* w, Image_line_step* line) {
  line->next = nullptr;
  uint8_t* at = w->line_rec;
  const uint8_t* const end = rec->image + rec->image_size;
  uint8_t* p = w->exec;
  for (;;) {
    while (*p == code::STMT_SEP) p++;
    if (*p != code::EOL && *p != code::D_REM && *p != code::D_COMMENT) return p;
    // The step to the next line as the loop takes it in an image: from the
    // cursor's own line (the warm start's, or one stepped to here).
    if (!line->next && (w->stno != w->line_no || uint16_t(w->stno - 1) >= LAST_LINE_NO - 1)) return nullptr;
    if (!at || at < rec->image || at + 4 > end) return nullptr;
    at += 2 + get_u16be(at);
    if (at + 4 > end || at + 2 + get_u16be(at) > end) return nullptr;
    const uint16_t no = get_u16be(at + 2);
    if (uint16_t(no - 1) >= LAST_LINE_NO - 1) return nullptr;
    line->next = at;
    line->len = get_u16be(at);
    line->no = no;
    p = at + 4;
  }
}

}  // namespace call_frames

using namespace call_frames;

void Prog_unpark(Prog_obj* rec) {
  auto* w = static_cast<Warm_start*>(rec->warm_start);
  clear_stale(w);
  rec->parked = false;
  w->only_bound = false;
  rec->spare_tag = nullptr;
  rec->spare_epoch = 0;
  rec->spare_index = w->ctx.Var_index;
  rec->spare_num = w->ctx.Loc_num_tree;
  rec->spare_str = w->ctx.Loc_str_tree;
  rec->spare_name = w->ctx.Pgm_name;
  Forget_call_owned(w->ctx);
  Path_unref(rec->path);  // (the record's own reference remains)
}
