// The guards that put the caller's context back around nested work, on
// every way out, normal or by a thrown error:
//   Io_save_guard     the current-I/O area alone (I/O on another channel);
//   Exec_cursor_guard the program cursor alone (reading ahead in the program);
//   Iter_guard        the element iteration of a whole-array item;
//   Nested_run_guard  the execution context around a nested run of compiled
//                     code (a console-style line, a function body, a mouse
//                     region's statement, a program run to completion by a
//                     nested CALL, a terminal driver program), with what else
//                     the run may change chosen by flags.
// Work that runs code in a nested way takes one of these rather than saving
// fields by hand, so that no way out skips a field.
#pragma once

#include <cstddef>
#include <cstdint>
#include "core/block_copy.h"
#include "core/control_stack.h"
#include "core/oru_assert.h"
#include "core/workspace.h"

// What a nested run restores beyond the position (cursor and line), the
// ERR= target, the statement not yet scanned for ERR= and the call status.
enum Nested_restore : unsigned {
  NESTED_UNWIND = 1,    // pop control-stack entries the nested run left behind
  NESTED_STOP = 2,      // the STOP position and the busy line
  NESTED_IO = 4,        // the current-I/O area (ws's Io_state; its live parts, Io_live_save)
  NESTED_CALL_ERR = 8,  // ws.Call_err, the error a nested call hands back
  NESTED_WORK = 16,     // the work-area pointer (what the run took is given back)
  NESTED_IO_OWED = 32,  // the current-I/O area as NESTED_IO, saved only when work that may change it
                        // comes (Io_owed); the busy line, which every statement zeroes, at once
};

// The whole current-I/O area, saved and restored around nested I/O.
class Io_save_guard {
 public:
  Io_save_guard() : saved_((Io_touch(), static_cast<Io_state&>(ws))) {}
  ~Io_save_guard() { static_cast<Io_state&>(ws) = saved_; }
  Io_save_guard(const Io_save_guard&) = delete;
  Io_save_guard& operator=(const Io_save_guard&) = delete;
 private:
  Io_state saved_;
};

// The program cursor alone (the position and the statement start), put back
// on every way out: for statements that read ahead in the program (DATA
// values, a SELECT loop's WHERE) without running another line.
class Exec_cursor_guard {
 public:
  Exec_cursor_guard() : exec_(ws.Exec_ptr), stmt_(ws.Stmt_ptr) {}
  ~Exec_cursor_guard() {
    ws.Exec_ptr = exec_;
    ws.Stmt_ptr = stmt_;
  }
  Exec_cursor_guard(const Exec_cursor_guard&) = delete;
  Exec_cursor_guard& operator=(const Exec_cursor_guard&) = delete;

 private:
  uint8_t* exec_;
  uint8_t* stmt_;
};

// The element iteration of a whole-array item (A[ALL]: on, index, count)
// put back on every way out, around the loop over the elements.
class Iter_guard {
 public:
  Iter_guard() = default;
  ~Iter_guard() {
    ws.Iter_on = on_;
    ws.Iter_index = index_;
    ws.Iter_count = count_;
  }
  Iter_guard(const Iter_guard&) = delete;
  Iter_guard& operator=(const Iter_guard&) = delete;

 private:
  bool on_ = ws.Iter_on;
  uint32_t index_ = ws.Iter_index;
  uint32_t count_ = ws.Iter_count;
};

// What a nested run may change of the current-I/O area and the statement
// around it may still need: every field but the I/O-list walk's stacks and
// the KEY= parts, and of those only the live entries: the walk's Iol_depth
// entries and the Io_key_cnt parts kept so far (KEY= in parts counts each
// part as soon as it is stored, so a method called from a later part finds
// the earlier ones counted).  Entries past them are dead: nothing reads
// them before it writes them.
class Io_live_save {
 public:
  void save(const Io_state& io) {
    Block_copy<HEAD>(head_, &io);
    Block_copy<MIDDLE>(middle_, reinterpret_cast<const unsigned char*>(&io) + MIDDLE_AT);
    next_chan_ = io.Io_next_chan;
    // (Usually no walk and no parts: one test each.)
    iol_ = 0;
    if (io.Iol_depth > 0) [[unlikely]] {
      iol_ = io.Iol_depth > IOL_STACK_DEPTH ? IOL_STACK_DEPTH : io.Iol_depth;
      for (int i = 0; i < iol_; i++) {
        iol_ret_[i] = io.Iol_ret[i];
        iol_sep_[i] = io.Iol_sep[i];
      }
    }
    keys_ = 0;
    if (io.Io_key_cnt > 0) [[unlikely]] {
      keys_ = io.Io_key_cnt > IO_KEY_PARTS ? IO_KEY_PARTS : io.Io_key_cnt;
      for (int i = 0; i < keys_; i++) {
        key_part_[i] = io.Io_key_part[i];
        key_len_[i] = io.Io_key_part_len[i];
      }
    }
  }
  // A digest of what save would keep of io (the sanitizer build's check
  // that a save never taken had nothing to restore: a few bytes on the
  // stack of every nested run, where a whole copy would deepen a method's
  // recursion).
  static uint64_t digest(const Io_state& io) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* p, size_t n) {
      const auto* b = static_cast<const unsigned char*>(p);
      for (size_t i = 0; i < n; i++) h = (h ^ b[i]) * 1099511628211ull;
    };
    const auto* at = reinterpret_cast<const unsigned char*>(&io);
    mix(at, HEAD);
    mix(at + MIDDLE_AT, MIDDLE);
    mix(&io.Io_next_chan, sizeof io.Io_next_chan);
    const int iol = io.Iol_depth > IOL_STACK_DEPTH ? IOL_STACK_DEPTH : io.Iol_depth;
    for (int i = 0; i < iol; i++) {
      mix(&io.Iol_ret[i], sizeof io.Iol_ret[i]);
      mix(&io.Iol_sep[i], sizeof io.Iol_sep[i]);
    }
    const int keys = io.Io_key_cnt > IO_KEY_PARTS ? IO_KEY_PARTS : io.Io_key_cnt;
    for (int i = 0; i < keys; i++) {
      mix(&io.Io_key_part[i], sizeof io.Io_key_part[i]);
      mix(&io.Io_key_part_len[i], sizeof io.Io_key_part_len[i]);
    }
    return h;
  }
  void restore(Io_state& io) const {
    Block_copy<HEAD>(&io, head_);
    Block_copy<MIDDLE>(reinterpret_cast<unsigned char*>(&io) + MIDDLE_AT, middle_);
    io.Io_next_chan = next_chan_;
    for (int i = 0; i < iol_; i++) {
      io.Iol_ret[i] = iol_ret_[i];
      io.Iol_sep[i] = iol_sep_[i];
    }
    for (int i = 0; i < keys_; i++) {
      io.Io_key_part[i] = key_part_[i];
      io.Io_key_part_len[i] = key_len_[i];
    }
  }

 private:
  // The fields before the walk's stacks, and those between them and the
  // KEY= parts.
  static constexpr size_t HEAD = offsetof(Io_state, Iol_ret);
  static constexpr size_t MIDDLE_AT = offsetof(Io_state, Io_dir);
  static constexpr size_t MIDDLE = offsetof(Io_state, Io_key_part) - MIDDLE_AT;
  alignas(16) unsigned char head_[HEAD];
  alignas(16) unsigned char middle_[MIDDLE];
  uint16_t next_chan_;
  int iol_, keys_;

 public:
  bool taken;  // (an owed save: Io_take_owed saved the area here)

 private:
  const uint8_t* iol_ret_[IOL_STACK_DEPTH];
  int32_t iol_sep_[IOL_STACK_DEPTH];
  const uint8_t* key_part_[IO_KEY_PARTS];
  int32_t key_len_[IO_KEY_PARTS];
};
static_assert(offsetof(Io_state, Iol_sep) == offsetof(Io_state, Iol_ret) + sizeof(Io_state::Iol_ret) &&
                  offsetof(Io_state, Io_dir) == offsetof(Io_state, Iol_sep) + sizeof(Io_state::Iol_sep) &&
                  offsetof(Io_state, Io_key_part_len) == offsetof(Io_state, Io_key_part) + sizeof(Io_state::Io_key_part) &&
                  offsetof(Io_state, Io_next_chan) == offsetof(Io_state, Io_key_part_len) + sizeof(Io_state::Io_key_part_len),
              "Io_live_save copies the current-I/O area in these runs");

// Nested runs in progress: while one is, the position it will put back may
// lie in a program line that the nested run deletes or replaces, so the
// line store keeps such lines (retired) until no nested run is left.
inline int Nested_run_depth = 0;

template <unsigned Restore>
class Nested_run_guard {
 public:
  // Only what Restore asks for is saved and put back (the rest compiles
  // away, in the destructor too: the guard's address escapes through
  // Io_owed, so flags kept in it would be read again).
  Nested_run_guard() {
    ++Nested_run_depth;
    exec_ = ws.Exec_ptr;
    stmt_ = ws.Stmt_ptr;
    stno_ = ws.Cur_stno;
    line_no_ = ws.Cur_line_no;  // the line position (Save_line_pos)
    line_rec_ = ws.Cur_line_rec;
    edit_blk_ = ws.Cur_edit_blk;
    err_line_ = ws.Err_line;
    stmt_save_ = ws.Stmt_save;
    call_status_ = ws.Call_status;
    if constexpr (Restore & NESTED_STOP) {
      stop_stno_ = ws.Stop_stno;
      stop_ptr_ = ws.Stop_ptr;
      bsy_line_ = ws.Bsy_line;
    }
    if constexpr (Restore & NESTED_UNWIND) depth_ = ws.Ctl_depth;
    if constexpr (Restore & NESTED_CALL_ERR) call_err_ = ws.Call_err;
    if constexpr (Restore & NESTED_WORK) work_ = ws.Work_ptr;
    if constexpr (Restore & NESTED_IO) io_.save(ws);
    if constexpr (Restore & NESTED_IO_OWED) {
      bsy_line_ = ws.Bsy_line;
      io_.taken = false;
      owed_outer_ = Io_owed;
      Io_owed = &io_;
#ifdef ORU_ASSERTS
      check_ = Io_live_save::digest(ws);
#endif
    }
  }
  [[gnu::always_inline]] ~Nested_run_guard() {
    // Unstacking runs first: it may move the position put back below.
    if constexpr (Restore & NESTED_UNWIND)
      while (ws.Ctl_depth > depth_) Exec_unstack();
    ws.Exec_ptr = exec_;
    ws.Stmt_ptr = stmt_;
    ws.Cur_stno = stno_;
    ws.Cur_line_no = line_no_;  // (Restore_line_pos, in line)
    ws.Cur_line_rec = line_rec_;
    ws.Cur_edit_blk = edit_blk_;
    if constexpr (Restore & NESTED_STOP) {
      ws.Stop_stno = stop_stno_;
      ws.Stop_ptr = stop_ptr_;
      ws.Bsy_line = bsy_line_;
    }
    ws.Err_line = err_line_;
    ws.Stmt_save = stmt_save_;
    ws.Call_status = call_status_;
    if constexpr (Restore & NESTED_IO) io_.restore(ws);
    if constexpr (Restore & NESTED_IO_OWED) {
      // Not taken: nothing that may change the area ran (a save still owed
      // by an outer run stays owed: the area is as it was at its start).
      if (io_.taken) io_.restore(ws);
      ws.Bsy_line = bsy_line_;
#ifdef ORU_ASSERTS
      ORU_ASSERT(io_.taken || check_ == Io_live_save::digest(ws));
#endif
      Io_owed = owed_outer_;
    }
    if constexpr (Restore & NESTED_CALL_ERR) ws.Call_err = call_err_;
    if constexpr (Restore & NESTED_WORK) ws.Work_ptr = work_;
    --Nested_run_depth;
  }
  Nested_run_guard(const Nested_run_guard&) = delete;
  Nested_run_guard& operator=(const Nested_run_guard&) = delete;

 private:
  uint8_t* exec_;
  uint8_t* stmt_;
  uint16_t stno_;
  uint16_t line_no_;
  uint8_t* line_rec_;
  Str_blk* edit_blk_;
  uint16_t stop_stno_;
  uint8_t* stop_ptr_;
  uint32_t bsy_line_;
  uint32_t err_line_;
  uint8_t* stmt_save_;
  int call_status_;
  uint32_t depth_;
  int call_err_;
  uint8_t* work_;
  Io_live_save io_;  // (NESTED_IO, NESTED_IO_OWED)
  Io_live_save* owed_outer_;
#ifdef ORU_ASSERTS
  uint64_t check_;
#endif
};
