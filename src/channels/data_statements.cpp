// DATA, READ DATA, READ DATA FROM and RESTORE.
//
// DATA statements hold values for READ DATA: a DATA statement stands first
// on its line (after an optional label) and runs to the end of its
// statement; its items are expressions separated by ",", evaluated when
// READ DATA takes them.  The DATA pointer is the line of the next value and
// the offset of that value inside the line (0: the line's start, its DATA
// statement not entered yet).  RESTORE [line], RUN, END and RESET set it
// back; the search for values goes on line after line, passing lines that
// hold no DATA statement.
#include "core/data_pointer.h"

#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/dyna_sep.h"
#include "channels/field_convert.h"
#include "channels/io_options.h"
#include "channels/record_io.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0 || c == code::END_SCAN; }

// The executor's current-line state, kept while the DATA lines are looked up.
struct Line_state_guard {
  uint16_t no = ws.Cur_line_no;
  uint8_t* rec = ws.Cur_line_rec;
  Str_blk* blk = ws.Cur_edit_blk;
  uint8_t* str = ws.Str_ptr;
  int32_t len = ws.Str_len;
  ~Line_state_guard() {
    ws.Cur_line_no = no;
    ws.Cur_line_rec = rec;
    ws.Cur_edit_blk = blk;
    ws.Str_ptr = str;
    ws.Str_len = len;
  }
};

// One value of a DATA statement.
struct Data_value {
  bool is_str = false;
  std::string s;
  Num_val n{};
};

// The position of the DATA items of line code p (after the line number), or
// null when the line's first statement is not DATA.
const uint8_t* data_items(const uint8_t* p) {
  if (*p == code::LABEL) {
    p += (p[1] & 0x80) ? 3 : size_t(p[1]) + 2;
    if (*p == code::LABEL_END) ++p;
  }
  return *p == code::D_DATA ? p + 1 : nullptr;
}

// Takes the next DATA value; false when the program has none left.
bool data_next(Data_value& v) {
  if (ws.Cur_stno == 0 && !ws.Pgm_size) return false;
  Line_state_guard keep;
  Exec_cursor_guard back;
  uint16_t n = ws.Data_line ? Find_line(ws.Data_line) : First_line();
  if (n != ws.Data_line) ws.Data_offset = 0;
  for (;;) {
    if (n >= LAST_LINE_NO) {
      Data_restore(LAST_LINE_NO);
      return false;
    }
    uint8_t* line = ws.Str_ptr;
    size_t len = size_t(ws.Str_len);
    const uint8_t* items = data_items(line + 2);
    if (items) {
      const uint8_t* p = ws.Data_offset ? line + ws.Data_offset : items;
      if (p < line || p >= line + len) p = items;  // the line was edited
      if (*p == code::COMMA && ws.Data_offset) ++p;
      if (!stmt_end(*p)) {
        ws.Exec_ptr = const_cast<uint8_t*>(p);
        ws.Stmt_ptr = const_cast<uint8_t*>(items - 1);
        Eval_formula();
        if (ws.Str_len >= 0) {
          v.is_str = true;
          v.s.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        } else {
          v.is_str = false;
          v.n = ws.Num_acc;
        }
        if (*ws.Exec_ptr != code::COMMA && !stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
        ws.Data_line = n;
        ws.Data_offset = uint32_t(ws.Exec_ptr - line);
        return true;
      }
    }
    n = Next_line(n);
    Data_restore(n);
  }
}

// The statement's END= line (0 when it has none), looked for from the
// cursor to the end of the statement.
uint32_t end_option(const uint8_t* p) {
  const uint8_t* end = Code_end(p);
  while (!stmt_end(*p)) {
    if (*p == iopt::END) {
      uint8_t* save = ws.Exec_ptr;
      ws.Exec_ptr = const_cast<uint8_t*>(p + 1);
      uint32_t line = Get_line();
      ws.Exec_ptr = save;
      return line;
    }
    p += Scan_size(p, end);
  }
  return 0;
}

[[noreturn]] void out_of_data(const uint8_t* from) {
  uint32_t line = end_option(from);
  if (line) ws.Err_line = line;
  Rpt_error(err::END_OF_FILE);
}

void assign(const Let_target& t, const Data_value& v) {
  if (t.str_len < 0) {
    if (v.is_str) Rpt_error(err::TYPE_MISMATCH);
    ws.Num_acc = v.n;
    ws.Str_len = -1;
    Let_store_num(t);
    return;
  }
  if (v.is_str) {
    uint8_t* p = Work_take(v.s.size());
    if (!v.s.empty()) std::memcpy(p, v.s.data(), v.s.size());
    ws.Str_ptr = p;
    ws.Str_len = int32_t(v.s.size());
  } else {
    ws.Num_acc = v.n;
    ws.Str_len = -1;
    Conv_val();  // a number into a string variable: its text
  }
  Let_assign(t);
}

// READ DATA FROM s [,REC=var] [,SEP=text], items: the string parsed as a
// record.  The cursor is after FROM.
void read_data_from() {
  // The I/O state of a statement without a channel.
  static uint8_t no_channel[1] = {code::EOL};
  uint8_t* at = ws.Exec_ptr;
  ws.Exec_ptr = no_channel;
  Io_SetOptions(code::X_DREAD);
  ws.Exec_ptr = at;
  // An ERR= among the items takes an error raised before it is reached.
  ws.Stmt_save = at;
  Eval_str();
  int32_t len = ws.Str_len;
  uint8_t* rec = static_cast<uint8_t*>(Get_temp(size_t(len) + 1));
  if (len) std::memcpy(rec, ws.Str_ptr, size_t(len));
  bool sep_given = false;
  for (;;) {
    uint8_t* p = ws.Exec_ptr;
    if (*p != code::COMMA) break;
    if (p[1] == iopt::REC) {
      ws.Exec_ptr = p + 2;
      uint8_t c = *ws.Exec_ptr;
      if (c != code::STR_VAR && c != code::REC_VAR) Rpt_error(err::BAD_NAME);
      Assign_record_text(rec, len);
      continue;
    }
    if (p[1] == iopt::EXT && p[2] == iopt::X_SEP) {
      ws.Exec_ptr = p + 3;
      if (*ws.Exec_ptr == code::OP_DIV) {
        ws.Exec_ptr++;
        ws.Io_sep = SEP_NONE;
      } else {
        Eval_str();
        if (ws.Str_len < 1) Rpt_error(err::STRING_LENGTH);
        ws.Io_sep = ws.Str_ptr[0];
      }
      sep_given = true;
      continue;
    }
    break;
  }
  if (!sep_given) ws.Io_sep = Kest_DynaSep(rec, size_t(len));
  if (*ws.Exec_ptr == code::COMMA) ws.Exec_ptr++;
  Parse_read(rec, len);
}

}  // namespace

// TABLE reached in flow: its data is TBL='s.
void d_tabl() {
  while (!stmt_end(*ws.Exec_ptr)) Skip_code();
}

// DATA reached in flow: its values are READ DATA's.
void d_data() {
  while (!stmt_end(*ws.Exec_ptr)) Skip_code();
}

// READ DATA items [,END=line] [,ERR=line]: each variable takes the next
// DATA value, "/" passes one over.  Out of values: the END= branch, else
// error 2.
void d_dred() {
  if (*ws.Exec_ptr == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_FROM) {
    ws.Exec_ptr += 2;
    read_data_from();
    return;
  }
  const uint8_t* start = ws.Exec_ptr;
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
      continue;
    }
    if (stmt_end(c)) break;
    if (c == iopt::END) {
      ws.Exec_ptr++;
      Get_line();
      continue;
    }
    if (c == iopt::ERR) {
      ws.Exec_ptr++;
      ws.Err_line = Get_line();
      continue;
    }
    Data_value v;
    if (c == code::OP_DIV) {
      ws.Exec_ptr++;
      if (!data_next(v)) out_of_data(start);
      continue;
    }
    if (c != code::NUM_VAR && c != code::STR_VAR && c != code::REC_VAR) Rpt_error(err::BAD_IOLIST_ITEM);
    Get_value();
    Check_assignable(ws.Cur_var);
    Let_target t;
    Let_define(t);
    if (!data_next(v)) out_of_data(start);
    assign(t, v);
  }
}

// RESTORE [line]: the next READ DATA starts at that line (the first line
// without one).
void d_rstr() {
  uint8_t c = *ws.Exec_ptr;
  if (stmt_end(c)) {
    Data_restore(0);
    return;
  }
  uint32_t line = Get_line();
  if (line & LINE_STMT_BIT) Rpt_error(err::BAD_LINE_REF);
  if (line & LINE_LABEL_BIT) {
    Line_state_guard keep;
    line = Find_line(line);
  }
  Data_restore(line);
}
