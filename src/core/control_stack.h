// The control stack: one frame per open block (GOSUB, FOR, WHILE, REPEAT,
// SWITCH), newest first from ws.Ctl_stack.  Frames are heap blocks, so deep
// recursion ends with error 30 at CTL_DEPTH_MAX frames, never by exhausting
// the host stack.  Popped frames are kept in a cache of ten for reuse.
//
// A frame remembers where its body starts (resume_ptr inside the line
// resume_line) together with the line store's cursor for that line, so that
// returning to it needs no search.  Lines that hold a frame's resume point
// or origin cannot be replaced or deleted while the frame lives (error 58).
#pragma once
#include <cstdint>

#include "core/decimal.h"

struct Var_node;
struct Loc_frame;
struct Str_blk;
struct Select_loop;

// Frame tags: the directive code of the opener.
enum : uint8_t {
  TAG_GOSUB = 179,
  TAG_FOR = 178,
  TAG_WHILE = 231,
  TAG_REPEAT = 171,
  TAG_SWITCH = 242,
  TAG_SELECT = 175,
  TAG_FUNCTION = 156,
};

// FOR flags
enum : uint8_t {
  FOR_FAST = 1,         // step and limit share a scale: NEXT adds mantissas while the value has it too
  FOR_STORE_LIMIT = 2,  // count loop on a variable: it holds the count at the end
  FOR_STRING = 4,       // loop over the pieces of for_str
  FOR_COUNT = 8,        // count loop with the frame's own counter
};

// Where a line lies in the line store (restored without a search).
struct Line_pos {
  uint16_t no = 0;
  uint8_t* rec = nullptr;  // null (with blk) when unknown: found by number
  Str_blk* blk = nullptr;
};

struct Ctl_frame {
  Ctl_frame* link = nullptr;
  uint8_t* resume_ptr = nullptr;  // first code of the body
  uint8_t* cond_ptr = nullptr;    // WHILE: its condition
  Line_pos resume;                // the line of resume_ptr
  uint16_t origin_line = 0;       // line that pushed the frame
  uint8_t tag = 0;
  // FOR
  uint8_t for_flags = 0;
  Var_node* for_var = nullptr;    // control variable (null: the frame's own counter)
  Num_val* for_val = nullptr;     // its value
  Num_val counter;                // own counter of a count loop
  Num_val step, limit;
  uint8_t var_ref[3] = {};        // compiled reference of the control variable
  // FOR over a string: a copy of the string, whose last byte ends every
  // piece, and the offset of the next piece.
  Str_blk* for_str = nullptr;
  uint32_t for_pos = 0;
  // ws.Loc_chain when the frame was pushed: every LOCAL made inside the
  // block (a FOR LOCAL's control variable too) lies above it and is undone
  // when the frame goes, however it goes.
  Loc_frame* saved_locals = nullptr;
  // SELECT: the record loop (channels/select_loop.cpp), released with the
  // frame through Core_hook.select_release.
  Select_loop* select = nullptr;
  // GOSUB's error clause (its first code after ERR), or null: the newest
  // frame that has one is the error frame (OnErrUnstack).
  uint8_t* err_clause = nullptr;
};

// NEXT RECORD as the forward scans see it (NEXT followed by RECORD).
constexpr uint16_t K_NEXT_RECORD = 0xC23F;

// Frees a FOR frame's string copy (flow.cpp); Exec_unstack calls it for a
// frame that has one.
void For_release(Ctl_frame* f);
// The localisation chain was emptied under the open frames (CLEAR): no frame
// may later restore a pointer into it.
void Ctl_forget_locals();

constexpr uint16_t STEP_INTO = 0x2000;  // ws.Sys_flags11: ";" steps statement by statement

constexpr uint32_t CTL_DEPTH_MAX = 100000;
constexpr int CTL_CACHE_MAX = 10;

// PERFORM ON's look at a line a frame's return enters at its start
// (Exec_return, and the executor's own NEXT, call it while PERFORM ON is in
// use); from is the line the return is made from.
void Exec_resumed_line(const Ctl_frame* f, uint16_t from);

// Pushes a frame of the given tag resuming at the cursor (error 34 at the
// console, 30 past CTL_DEPTH_MAX frames).
Ctl_frame* Exec_stack(uint8_t tag);
// Pops the newest frame (into the cache while it holds fewer than ten),
// undoing the LOCALs made since it was pushed.
void Exec_unstack();
// Cursor and current line from the frame's resume point.
void Exec_return(const Ctl_frame* f);
// Pops every frame and empties the cache.
void Clr_stack();
// The newest frame that is not a SWITCH frame, which must carry tag (a RETURN
// also accepts TAG_FUNCTION), else error 27; none is error 28.  The SWITCH
// frames above it are popped.  Tag 0 checks nothing.
Ctl_frame* Switch_Flush(uint8_t tag);
// Frames in the cache (for tests).
int Ctl_cached();
// True when line n is a frame's resume or origin line.
bool Ctl_line_in_use(uint16_t n);
// The line store's cursor, saved and restored.
Line_pos Save_line_pos();
void Restore_line_pos(const Line_pos& p);

// ---- forward scans (flow.cpp) ----
// Moves the cursor forward, across lines, just past the closer that matches
// the block opened before the cursor: item codes close/open (one byte, or
// 0x9500 | b for the extended directive 149 b), nesting counted by openers.
// A code right after the skip mark "/" does not count.  Returns the closer's
// code.  Error 27 when the program (or the console line) ends first.
uint16_t Skipto_code(uint16_t close, uint16_t open);

// Skip_if for a block IF (the cursor at the end of the IF's line): past the
// ELSE or END IF of its depth; returns that code.
uint8_t Skip_if_block();

// GOSUB to a line: with the error clause parsed (True_gosub) or not.
void True_gosub(uint32_t target);
void Internal_gosub(uint32_t target);
// An error not taken by ERR= or SETERR, on a program line, with an error
// frame on the stack: the frames down to it and it go, and the program goes
// on at its GOSUB's error clause.  False, with nothing done, without one.
bool OnErrUnstack();
// The escape stop: lists the line and stops the program in console mode.
void Exec_escape();
