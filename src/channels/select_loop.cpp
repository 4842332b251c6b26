// SELECT ... NEXT RECORD: a record loop over a channel.
//
//   SELECT items | / [,REC=R$] FROM channel|"name" [,KNO=k] [BEGIN key]
//          [END key] [WHERE condition]
//   ... body ...
//   NEXT RECORD
//
// SELECT pushes a SELECT frame whose loop block (Select_loop) holds the
// channel, whether the loop opened it (a file name: the highest free channel,
// closed when the frame goes), the key number, the BEGIN and END keys, where
// the REC= target and the WHERE condition stand in the SELECT line (a line
// that holds a frame's origin cannot change while the frame lives), and a
// copy of the items ending in 255.  Each record is read as READ reads it
// (the channel part is built as compiled code: "(" channel [, KNO=k]
// [, KEY=begin] ")"), the REC= target takes the whole record, the items are
// assigned, and a false WHERE reads on.  End of file, or a key past the END
// key, ends the loop: the frame goes and execution continues after NEXT
// RECORD.  BREAK and CONTINUE work as in the other loops.
#include <cstring>
#include <string>
#include <vector>

#include "channels/select_loop.h"

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/io_options.h"
#include "channels/rec_formats.h"
#include "channels/record_io.h"
#include "core/codes.h"
#include "core/control_stack.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/variables.h"
#include "core/workspace.h"

struct Select_loop {
  uint16_t chan = 0;
  Fcb* opened = nullptr;  // the file the loop opened itself
  int32_t kno = -1;       // -1: the channel's own key
  bool has_begin = false, has_end = false, first = true;
  std::string begin_key, end_key;
  uint8_t* rec_ptr = nullptr;    // the REC= target in the SELECT line, or null
  uint8_t* where_ptr = nullptr;  // the WHERE condition, or null
  std::vector<uint8_t> items;    // the items, ended by 255 (empty list: the channel's IOLIST)
  std::vector<uint8_t> plain;    // the compiled channel part of the sequential reads
};

namespace {

constexpr uint8_t RECORD = 63;  // NEXT RECORD

bool stmt_end(uint8_t c) { return (Cde_tbl[c] & CC_STMT_END) != 0 || c == code::END_SCAN; }

// String parts joined by ":" (BEGIN and END keys).
std::string key_parts() {
  std::string k;
  for (;;) {
    Eval_str();
    k.append(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (*ws.Exec_ptr != code::LABEL_END) return k;
    ws.Exec_ptr++;
  }
}

void put_u16(std::vector<uint8_t>& v, uint32_t n) {
  v.push_back(uint8_t(n >> 8));
  v.push_back(uint8_t(n));
}

// The compiled channel part of a READ of the loop's channel, with KEY= when
// a key is given.
std::vector<uint8_t> build_channel_part(const Select_loop& s, const std::string* key) {
  std::vector<uint8_t> cp;
  cp.push_back(code::LPAREN);
  cp.push_back(code::SMALL_INT);
  put_u16(cp, s.chan);
  if (s.kno >= 0) {
    cp.push_back(code::COMMA);
    cp.push_back(iopt::KNO);
    cp.push_back(code::SMALL_INT);
    put_u16(cp, uint32_t(s.kno));
  }
  if (key) {
    cp.push_back(code::COMMA);
    cp.push_back(iopt::KEY);
    cp.push_back(code::STR_LIT);
    put_u16(cp, uint32_t(key->size()));
    cp.insert(cp.end(), key->begin(), key->end());
  }
  cp.push_back(code::RPAREN);
  cp.push_back(code::EOL);
  return cp;
}

// Sets up the I/O state of a READ of the loop's channel.
void channel_part(std::vector<uint8_t>& cp) {
  ws.Exec_ptr = cp.data();
  ws.Err_line = 0;
  Io_SetOptions(code::D_READ);
}

// A key past the END key: above it, or the END key followed by more.
bool past_end(const Select_loop& s, const uint8_t* k, size_t n) {
  size_t m = s.end_key.size();
  int c = std::memcmp(k, s.end_key.data(), n < m ? n : m);
  if (c != 0) return c > 0;
  return n > m;
}

// Reads the loop's next record that passes WHERE and assigns it; false at
// the end of the loop.  The cursor is restored.
bool next_record(Select_loop& s) {
  Exec_cursor_guard back;
  uint8_t* work = ws.Work_ptr;
  for (;;) {
    ws.Work_ptr = work;
    try {
      bool keyed_first = s.first && s.has_begin;
      s.first = false;
      bool read = false;
      if (keyed_first) {
        std::vector<uint8_t> cp = build_channel_part(s, &s.begin_key);
        channel_part(cp);
        try {
          Read_record();
          read = true;
          if (s.has_end && past_end(s, reinterpret_cast<const uint8_t*>(s.begin_key.data()), s.begin_key.size()))
            return false;
        } catch (const Oru_error& e) {
          if (e.no != err::MISSING_RECORD) throw;  // a missing key leaves the file at the next one
        }
      }
      if (!read) {
        if (s.plain.empty()) s.plain = build_channel_part(s, nullptr);
        channel_part(s.plain);
        if (s.has_end) {
          ws.Str_ptr = nullptr;
          ws.Str_len = 0;
          Fio_call(FIO_GETKEY);  // the key of the record about to be read
          if (ws.Str_len >= 0 && past_end(s, ws.Str_ptr, size_t(ws.Str_len))) return false;
        }
        Read_record();
      }
    } catch (const Oru_error& e) {
      if (e.no == err::END_OF_FILE) return false;
      throw;
    }
    uint8_t* rec = ws.Str_ptr;
    int32_t len = ws.Str_len;
    if (s.rec_ptr) {
      ws.Exec_ptr = s.rec_ptr;
      Assign_record_text(rec, len);
    }
    ws.Exec_ptr = s.items.data();
    Parse_read(rec, len);
    if (!s.where_ptr) return true;
    ws.Exec_ptr = s.where_ptr;
    Eval_val();
    if (ws.Num_acc.mant != 0) return true;
  }
}

// Past the NEXT RECORD that closes the loop opened before the cursor.
void past_next_record() {
  Skipto_code(K_NEXT_RECORD, uint16_t(0x9500 | code::X_SELECT));
  if (*ws.Exec_ptr == RECORD) ws.Exec_ptr++;
}

}  // namespace

void Select_release(Ctl_frame* f) {
  Select_loop* s = f->select;
  f->select = nullptr;
  if (!s) return;
  if (s->opened && Find_fp(s->chan) == s->opened) {
    try {
      CloseFile(s->opened);
    } catch (const Oru_error&) {
      // the loop ends whatever the close says
    }
  }
  delete s;
}

void d_sele() {
  if (ws.Cur_stno == 0) Rpt_error(err::NOT_AT_CONSOLE);
  auto* s = new Select_loop;
  struct Owner {
    Select_loop* s;
    ~Owner() {
      if (!s) return;
      if (s->opened && Find_fp(s->chan) == s->opened) {
        try {
          CloseFile(s->opened);
        } catch (const Oru_error&) {
        }
      }
      delete s;
    }
  } own{s};
  // The items, up to FROM.
  const uint8_t* end = Code_end(ws.Exec_ptr);
  bool slash = false;
  for (;;) {
    uint8_t* p = ws.Exec_ptr;
    if (stmt_end(*p)) Rpt_error(err::SYNTAX);
    if (p[0] == code::PREFIX2 && p[1] == code::P2_FROM) {
      ws.Exec_ptr += 2;
      break;
    }
    if (*p == iopt::REC) {
      s->rec_ptr = p + 1;
      ws.Exec_ptr = p + 1;
      uint8_t c = *ws.Exec_ptr;
      if (c != code::STR_VAR && c != code::REC_VAR) Rpt_error(err::BAD_NAME);
      Get_value();  // checks the target now
      continue;
    }
    if (*p == iopt::ERR) {
      ws.Exec_ptr = p + 1;
      ws.Err_line = Get_line();
      continue;
    }
    if (*p == code::OP_DIV && (s->items.empty() || s->items.back() == code::COMMA) &&
        (p[1] == code::COMMA || (p[1] == code::PREFIX2 && p[2] == code::P2_FROM))) {
      slash = true;
      ws.Exec_ptr = p + 1;
      continue;
    }
    size_t n = Scan_size(p, end);
    if (*p == code::COMMA && (s->items.empty() || s->items.back() == code::COMMA)) {
      ws.Exec_ptr = p + n;  // a "," after an item that is not copied
      continue;
    }
    s->items.insert(s->items.end(), p, p + n);
    ws.Exec_ptr = p + n;
  }
  while (!s->items.empty() && s->items.back() == code::COMMA) s->items.pop_back();
  if (slash && !s->items.empty()) Rpt_error(err::SYNTAX);
  s->items.push_back(code::EOL);
  // The source: a channel number or a file name.
  Eval_formula();
  if (ws.Str_len >= 0) {
    int32_t len = ws.Str_len;
    uint8_t* name = Work_take(size_t(len) + 1);
    if (len) std::memcpy(name, ws.Str_ptr, size_t(len));
    uint8_t* after = ws.Exec_ptr;
    s->chan = Highest_free_channel();
    s->opened = Open_named(s->chan, name, len, 0);
    ws.Exec_ptr = after;
  } else {
    int64_t c = To_integer(ws.Num_acc);
    if (c < 0 || c > 65535) Rpt_error(err::OUT_OF_RANGE);
    s->chan = uint16_t(c);
  }
  Fcb* f = Find_fp(s->chan);
  if (!f) Rpt_error(err::WRONG_MODE);
  if (*ws.Exec_ptr == code::COMMA) ws.Exec_ptr++;
  if (*ws.Exec_ptr == iopt::KNO) {
    ws.Exec_ptr++;
    if (*ws.Exec_ptr == code::OP_DIV) {
      if (f->kind != FK_KEYED && f->kind != FK_EFF) Rpt_error(err::KEY_DEFINITION);
      ws.Exec_ptr++;
      s->kno = 0;
    } else {
      int64_t k = To_integer((Eval_val(), ws.Num_acc));
      if (k < 0 || k > 65535) Rpt_error(err::OUT_OF_RANGE);
      s->kno = int32_t(k);
    }
  }
  if (*ws.Exec_ptr == code::D_BEGIN) {
    ws.Exec_ptr++;
    s->begin_key = key_parts();
    s->has_begin = true;
  }
  if (*ws.Exec_ptr == code::D_END) {
    ws.Exec_ptr++;
    s->end_key = key_parts();
    s->has_end = true;
  }
  if ((s->has_begin || s->has_end) && !Keyed_channel_kind(f->kind)) Rpt_error(err::WRONG_MODE);
  // A keyed file is walked from its first key unless BEGIN says otherwise.
  if (!s->has_begin && Keyed_channel_kind(f->kind)) s->has_begin = true;
  if (ws.Exec_ptr[0] == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_WHERE) {
    ws.Exec_ptr += 2;
    s->where_ptr = ws.Exec_ptr;
    Skip_xpr();
  }
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
  if (slash && !Iol_slot(f, 0)) Rpt_error(err::NO_IOLIST);
  Ctl_frame* frame = Exec_stack(TAG_SELECT);
  frame->select = s;
  own.s = nullptr;
  if (!next_record(*s)) {
    past_next_record();
    // The frame is the newest: nothing in the body ran.
    Exec_unstack();
  }
}

// NEXT RECORD: the next record, or the end of the loop.
void Select_next() {
  Ctl_frame* f = ws.Ctl_stack;
  if (!f || f->tag != TAG_SELECT) f = Switch_Flush(TAG_SELECT);
  if (!f->select) Rpt_error(err::NEXT_WITHOUT_FOR);
  if (next_record(*f->select)) {
    Exec_return(f);
    return;
  }
  Exec_unstack();
}
