// The control stack: frames of open blocks, the frame cache, and the line
// store's cursor saved with each frame.
#include "core/hooks.h"
#include "core/control_stack.h"

#include <new>

#include "core/with_stack.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

Ctl_frame* cache = nullptr;  // popped frames kept for reuse, linked by link
int cache_cnt = 0;

Ctl_frame* new_frame() {
  if (cache) {
    Ctl_frame* f = cache;
    cache = f->link;
    cache_cnt--;
    *f = Ctl_frame{};
    return f;
  }
  void* mem = Get_blk(sizeof(Ctl_frame));
  if (!mem) Rpt_error(err::MEMORY_LIMIT);
  return new (mem) Ctl_frame{};
}

void release_frame(Ctl_frame* f) {
  if (cache_cnt < CTL_CACHE_MAX) {
    f->link = cache;
    cache = f;
    cache_cnt++;
  } else {
    Ret_blk(f);
  }
}

}  // namespace

Line_pos Save_line_pos() {
  Line_pos p;
  p.no = ws.Cur_line_no;
  p.rec = ws.Cur_line_rec;
  p.blk = ws.Cur_edit_blk;
  return p;
}

void Restore_line_pos(const Line_pos& p) {
  ws.Cur_line_no = p.no;
  ws.Cur_line_rec = p.rec;
  ws.Cur_edit_blk = p.blk;
}

Ctl_frame* Exec_stack(uint8_t tag) {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  if (ws.Ctl_depth >= CTL_DEPTH_MAX) Rpt_error(err::NESTING_TOO_DEEP);
  Ctl_frame* f = new_frame();
  f->tag = tag;
  f->origin_line = ws.Cur_stno;
  uint8_t c = *ws.Exec_ptr;
  if (c == code::EOL || c == code::D_REM || c == code::D_COMMENT) {
    // The statement ends its line: the body starts on the next line.
    uint16_t n = Next_line(ws.Cur_stno);
    f->resume_ptr = ws.Str_ptr + 2;
    f->resume = Save_line_pos();
    f->resume.no = n;
  } else {
    // A FOR body resumes at its first statement, not at the separators
    // before it: NEXT goes round the loop without passing them again.
    uint8_t* r = ws.Exec_ptr;
    if (tag == TAG_FOR)
      while (*r == code::STMT_SEP) ++r;
    f->resume_ptr = r;
    if (ws.Cur_line_no == ws.Cur_stno) f->resume = Save_line_pos();
    f->resume.no = ws.Cur_stno;
  }
  f->saved_locals = ws.Loc_chain;
  f->link = ws.Ctl_stack;
  ws.Ctl_stack = f;
  ws.Ctl_depth++;
  return f;
}

void Exec_unstack() {
  Ctl_frame* f = ws.Ctl_stack;
  if (!f) return;
  ws.Ctl_stack = f->link;
  ws.Ctl_depth--;
  if (ws.Step_stack == f) ws.Step_stack = nullptr;
  if (f->for_str) For_release(f);
  if (f->select) Core_hook.select_release(f);
  if (ws.Loc_chain != f->saved_locals) Delocalize_to(f->saved_locals);
  release_frame(f);
}

void Exec_resumed_line(const Ctl_frame* f, uint16_t from) {
  // A line entered at its start (the body of a loop, the line after a
  // GOSUB's) is entered as a jump enters it: PERFORM ON may fire there.
  const uint8_t* rec = f->resume.rec;
  bool at_start = rec ? f->resume_ptr == rec + (ws.Pgm_image ? 4 : 2) : f->resume.no != from;
  if (at_start && f->resume.no != 0) Core_hook.perform_on_line(f->resume.no);
}

void Exec_return(const Ctl_frame* f) {
  if (Perform_on_active) [[unlikely]]
    Exec_resumed_line(f, ws.Cur_stno);
  ws.Exec_ptr = f->resume_ptr;
  ws.Cur_stno = f->resume.no;
  // The cursor of the line store only when it still names the resume line
  // (it is invalidated whenever lines are stored or deleted).
  if (f->resume.blk || f->resume.rec) {
    ws.Cur_line_no = f->resume.no;
    ws.Cur_line_rec = f->resume.rec;
    ws.Cur_edit_blk = f->resume.blk;
  }
}

void Clr_stack() {
  while (ws.Ctl_stack) Exec_unstack();
  Delocalize_all();
  while (cache) {
    Ctl_frame* f = cache;
    cache = f->link;
    Ret_blk(f);
  }
  cache_cnt = 0;
  With_clear();
  ws.Ctl_depth = 0;
  ws.Step_stack = nullptr;
}

Ctl_frame* Switch_Flush(uint8_t tag) {
  Ctl_frame* f = ws.Ctl_stack;
  while (f && f->tag == TAG_SWITCH) f = f->link;
  if (!f) Rpt_error(err::NEXT_WITHOUT_FOR);
  if (tag != 0 && f->tag != tag && !(tag == TAG_GOSUB && f->tag == TAG_FUNCTION)) Rpt_error(err::NOTHING_TO_RETRY);
  while (ws.Ctl_stack != f) Exec_unstack();
  return f;
}

void Ctl_forget_locals() {
  for (Ctl_frame* f = ws.Ctl_stack; f; f = f->link) f->saved_locals = nullptr;
}

int Ctl_cached() { return cache_cnt; }

bool Ctl_line_in_use(uint16_t n) {
  for (Ctl_frame* f = ws.Ctl_stack; f; f = f->link)
    if (f->resume.no == n || f->origin_line == n) return true;
  return false;
}
