// SQL channels: the driver slots (READ, EXTRACT, FIND, WRITE, INSERT,
// UPDATE, REMOVE, the key functions, PURGE) and command channels.
//
// Every statement is prepared once per channel and text; values and keys
// are always bound parameters.  Navigation over key k compares the
// entries of the key's order (its segments, then key 0's columns) with the
// position's values, row by row in that order:
//   after:  e1 > v1 OR (e1 <=> v1 AND e2 > v2) OR ...   (descending
//           segments compare with '<')
// A NULL value sorts first: "e > NULL" is "e IS NOT NULL".
#include <algorithm>
#include <cstring>

#include "channels/channel.h"
#include "channels/record_locks.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "net/sql_channel.h"

std::vector<Sql_chan*>& Dbx_open_channels();
void Dbx_count(int n);

namespace {

constexpr size_t FIRST_BATCH = 16;
constexpr size_t MAX_BATCH = 4096;

Dbx_fcb* fcb() { return static_cast<Dbx_fcb*>(ws.Cur_fcb); }

bool is_extract() { return ws.Io_stmt == code::D_EXTRACT; }

std::string trim_blanks(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string col_q(Sql_chan* sc, int ci) { return Msq_quote_ident(sc->cols[size_t(ci)].name); }

std::string select_list(Sql_chan* sc) {
  std::string s;
  for (size_t i = 0; i < sc->sel.size(); i++) {
    if (i) s += ",";
    s += Msq_quote_ident(sc->sel[i]);
  }
  return s;
}

std::string select_head(Sql_chan* sc) { return "SELECT " + select_list(sc) + " FROM " + sc->table_q; }

int key_no(Sql_chan* sc) {
  int k = ws.Io_kno >= 0 ? ws.Io_kno : ws.Cur_fcb->cur_key;
  if (sc->keys.empty()) return -1;
  if (k < 0 || k >= int(sc->keys.size())) Rpt_error(err::KEY_DEFINITION);
  return k;
}

const Sql_key& need_key(Sql_chan* sc, int k) {
  if (k < 0) Rpt_error(err::WRONG_MODE);
  return sc->keys[size_t(k)];
}

// "e op ?" for one order entry, with NULL values sorted first.
void compare(Sql_chan* sc, const Sql_key& key, size_t j, char op, const Sql_value& v, std::string* w,
             std::vector<Sql_value>* p) {
  bool desc = j < key.desc.size() && key.desc[j];
  if (desc && op != '=') op = op == '>' ? '<' : '>';
  std::string e = col_q(sc, key.order[j]);
  if (op == '=') {
    *w += e + " <=> ?";
    p->push_back(v);
  } else if (op == '>') {
    if (v.null) {
      *w += e + " IS NOT NULL";
    } else {
      *w += e + " > ?";
      p->push_back(v);
    }
  } else {
    if (v.null) {
      *w += "FALSE";
    } else {
      *w += "(" + e + " < ? OR " + e + " IS NULL)";
      p->push_back(v);
    }
  }
}

// The rows strictly after (op '>') or before (op '<') the first n values,
// or at them as well (inclusive).
std::string where_chain(Sql_chan* sc, const Sql_key& key, const Sql_row& vals, char op, bool inclusive,
                        std::vector<Sql_value>* p) {
  size_t n = vals.size();
  if (n == 0) return "";
  std::string w = " WHERE ";
  for (size_t j = 0; j < n; j++) {
    if (j) w += " OR ";
    w += "(";
    for (size_t i = 0; i < j; i++) {
      compare(sc, key, i, '=', vals[i], &w, p);
      w += " AND ";
    }
    compare(sc, key, j, op, vals[j], &w, p);
    w += ")";
  }
  if (inclusive) {
    w += " OR (";
    for (size_t i = 0; i < n; i++) {
      if (i) w += " AND ";
      compare(sc, key, i, '=', vals[i], &w, p);
    }
    w += ")";
  }
  return w;
}

std::string where_equal(Sql_chan* sc, const Sql_key& key, const Sql_row& vals, std::vector<Sql_value>* p) {
  std::string w = " WHERE ";
  for (size_t i = 0; i < vals.size(); i++) {
    if (i) w += " AND ";
    compare(sc, key, i, '=', vals[i], &w, p);
  }
  return w;
}

std::string order_by(Sql_chan* sc, const Sql_key& key, bool reverse) {
  std::string o = " ORDER BY ";
  for (size_t j = 0; j < key.order.size(); j++) {
    if (j) o += ",";
    bool desc = j < key.desc.size() && key.desc[j];
    o += col_q(sc, key.order[j]);
    if (desc != reverse) o += " DESC";
  }
  return o;
}

// Values of the key's order taken from a row.
Sql_row order_vals(Sql_chan* sc, const Sql_key& key, const Sql_row& row) {
  Sql_row v;
  for (int c : key.order) v.push_back(row[size_t(sc->cols[size_t(c)].sel)]);
  return v;
}

// Key 0's values of a row (for UPDATE, DELETE and the lock of EXTRACT).
Sql_row key0_vals(Sql_chan* sc, const Sql_row& row) {
  Sql_row v;
  for (int c : sc->keys[0].seg) v.push_back(row[size_t(sc->cols[size_t(c)].sel)]);
  return v;
}

bool same_vals(const Sql_row& a, const Sql_row& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++)
    if (a[i].null != b[i].null || a[i].s != b[i].s) return false;
  return true;
}

void drop_batch(Sql_chan* sc) {
  sc->batch.clear();
  sc->batch_next = 0;
  sc->batch_valid = false;
  sc->batch_short = false;
  sc->batch_limit = 0;
}

// The channel stands on a row: the next READ returns the row after it.
void stand_on_row(Sql_chan* sc, int k, const Sql_row& row) {
  sc->cur_row = row;
  sc->have_row = true;
  sc->opened_state = false;
  if (k < 0) return;
  const Sql_key& key = sc->keys[size_t(k)];
  sc->kno = k;
  sc->pos.set = true;
  sc->pos.inclusive = false;
  sc->pos.from_row = true;
  sc->pos.vals = order_vals(sc, key, row);
  sc->cur_key = Dbx_row_key(sc, k, row);
}

// Another key number keeps the place of the row the channel stands on.
void switch_key(Sql_chan* sc, int k) {
  if (k == sc->kno || k < 0) return;
  drop_batch(sc);
  if (sc->have_row && sc->pos.from_row) {
    bool incl = sc->pos.inclusive;
    stand_on_row(sc, k, sc->cur_row);
    sc->pos.inclusive = incl;
  } else {
    sc->kno = k;
    sc->pos = Sql_position{};
  }
}

// Ends a kept EXTRACT: its transaction is committed, which frees the row.
void release_extract(Sql_chan* sc) {
  if (!sc->extracted) return;
  sc->extracted = false;
  sc->ex_key.clear();
  if (sc->xconn && !sc->xconn->autocommit && !Msq_commit(sc->xconn)) Msq_fail_conn(sc->xconn);
}

// Fetches the next batch of rows after the position.
void fill_batch(Sql_chan* sc, int k) {
  std::vector<Sql_value> p;
  std::string text = select_head(sc);
  size_t limit = sc->batch_limit ? std::min(sc->batch_limit * 4, MAX_BATCH) : FIRST_BATCH;
  if (sc->top > 0) limit = std::min(limit, size_t(sc->top));
  if (k >= 0) {
    const Sql_key& key = sc->keys[size_t(k)];
    if (sc->pos.set) text += where_chain(sc, key, sc->pos.vals, '>', sc->pos.inclusive, &p);
    text += order_by(sc, key, false);
    text += " LIMIT " + std::to_string(limit);
  } else {
    // Without keys the rows come in the server's order, all at once.
    limit = 0;
  }
  Dbx_count(4);
  Dbx_run(sc, Dbx_stmt(sc, text), p, &sc->batch);
  sc->batch_next = 0;
  sc->batch_valid = true;
  sc->batch_kno = k;
  sc->batch_limit = limit ? limit : MAX_BATCH;
  sc->batch_short = limit == 0 || sc->batch.size() < limit;
}

// The next row in key order (false at the end of the rows).
bool peek_next(Sql_chan* sc, int k, const Sql_row** row) {
  if (!sc->batch_valid || sc->batch_kno != k) {
    sc->batch_limit = 0;
    fill_batch(sc, k);
  } else if (sc->batch_next >= sc->batch.size()) {
    if (sc->batch_short) {
      drop_batch(sc);
      return false;
    }
    fill_batch(sc, k);
  }
  if (sc->batch_next >= sc->batch.size()) {
    drop_batch(sc);
    return false;
  }
  *row = &sc->batch[sc->batch_next];
  return true;
}

std::string key_value_given() {
  return std::string(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len));
}

// Reads the row whose key equals the KEY= value; not found positions the
// channel at the value (the next READ returns the first row at or after
// it) and takes the DOM= branch.
Sql_row read_by_key(Sql_chan* sc, int k, const std::string& given) {
  const Sql_key& key = need_key(sc, k);
  if (int(given.size()) > key.total) Rpt_error(err::STRING_LENGTH);
  // The row KEY() looked at is taken without a statement.
  if (sc->batch_valid && sc->batch_kno == k && sc->batch_next < sc->batch.size() &&
      Dbx_row_key(sc, k, sc->batch[sc->batch_next]) == given && !is_extract()) {
    return sc->batch[sc->batch_next++];
  }
  drop_batch(sc);
  Sql_row vals;
  bool partial;
  int n = Dbx_parse_key(sc, k, given, &vals, &partial);
  // A number segment that holds no number names no row and no place in
  // the key's order: not found, the position stays.
  if (!Dbx_key_numbers_valid(sc, k, vals)) Io_dom_err();
  // An empty value names the row whose key columns are all empty (NULL).
  Sql_row eq;
  if (given.empty()) Dbx_empty_key(sc, k, &eq);
  if ((n == int(key.seg.size()) && !partial) || !eq.empty()) {
    std::vector<Sql_value> p;
    std::string text = select_head(sc) + where_equal(sc, key, eq.empty() ? vals : eq, &p) + order_by(sc, key, false) +
                       " LIMIT 1";
    std::vector<Sql_row> rows;
    Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
    if (!rows.empty()) return rows[0];
  }
  sc->kno = k;
  sc->pos = Sql_position{};
  sc->pos.set = n > 0;
  sc->pos.inclusive = true;
  sc->pos.nseg = n;
  sc->pos.vals = vals;
  sc->have_row = false;
  sc->cur_key = given;
  sc->opened_state = false;
  Io_dom_err();
}

Sql_row read_next(Sql_chan* sc, int k) {
  const Sql_row* row;
  if (!peek_next(sc, k, &row)) Io_end_err();
  Sql_row r = *row;
  sc->batch_next++;
  return r;
}

Sql_row read_rno(Sql_chan* sc, int k, int32_t n) {
  drop_batch(sc);
  if (sc->opts & SQO_EXEC_SPRNO) {
    // EXEC_SPRNO: the table's procedure spRNO<table>[_<key>] gives row n
    // (its first row); when it cannot run, the row is counted out below.
    std::string proc = "spRNO" + sc->table + (k > 0 ? "_" + std::to_string(k) : "");
    std::string text = Dbx_tagged(sc, "CALL " + Msq_quote_ident(proc) + "(" + std::to_string(n) + ")");
    std::vector<Sql_row> rows;
    std::vector<Sql_field> fields;
    Dbx_keep_text(sc, text, false);
    if (Msq_query(sc->conn, text, &rows, &fields, nullptr, true)) {
      if (rows.empty()) Io_end_err();
      // The procedure's columns by name; a result without the names is
      // taken in the map's column order.
      Sql_row row(sc->sel.size());
      bool by_name = true;
      for (size_t i = 0; i < sc->sel.size() && by_name; i++) {
        size_t j = 0;
        while (j < fields.size() && !Dbx_same_name(fields[j].name, sc->sel[i])) j++;
        if (j == fields.size()) by_name = false;
        else row[i] = rows[0][j];
      }
      if (!by_name) {
        if (fields.size() < sc->sel.size())
          Rpt_error_text(err::OPERATION_FAILED, "the procedure " + proc + " gives fewer columns than the record map holds");
        for (size_t i = 0; i < sc->sel.size(); i++) row[i] = rows[0][i];
      }
      return row;
    }
  }
  std::string text = select_head(sc);
  if (k >= 0) text += order_by(sc, sc->keys[size_t(k)], false);
  text += " LIMIT 1 OFFSET " + std::to_string(int64_t(n) - 1);
  // One statement per row number: made for this read only, not kept.
  std::vector<Sql_row> rows;
  Sql_stmt once(sc->conn, Dbx_tagged(sc, text));
  Dbx_run(sc, once, {}, &rows);
  if (rows.empty()) Io_end_err();
  return rows[0];
}

// EXTRACT: the row is read again with the extract suffix ("FOR UPDATE"),
// on a connection of its own while auto-commit is on, so that the lock
// lasts until the row is written or the channel moves on.
Sql_row lock_row(Sql_chan* sc, const Sql_row& row) {
  if (sc->keys.empty()) Rpt_error(err::WRONG_MODE);
  const Sql_key& k0 = sc->keys[0];
  bool own = !Dbx_in_transaction();
  if (own && !sc->xconn) {
    Msq_settings s = sc->settings;
    sc->xconn = Msq_connect(s, false);
  }
  Sql_row kv = key0_vals(sc, row);
  std::vector<Sql_value> p;
  std::string suffix = sc->extract_suffix;
  std::string text = select_head(sc);
  Sql_key eqkey = k0;
  eqkey.order = k0.seg;
  if (!suffix.empty() && suffix[0] == '$')
    text += where_equal(sc, eqkey, kv, &p) + " " + trim_blanks(suffix.substr(1));
  else
    text += " " + suffix + where_equal(sc, eqkey, kv, &p);
  std::vector<Sql_row> rows;
  Dbx_run(sc, Dbx_stmt(sc, text, own), p, &rows);
  if (rows.empty()) {
    if (own && !Msq_commit(sc->xconn)) Msq_fail_conn(sc->xconn);
    Io_dom_err();
  }
  sc->extracted = true;
  sc->ex_key = kv;
  return rows[0];
}

void dirpos(Sql_chan* sc, int k, int32_t dir) {
  if (dir == 0) {
    if (sc->pos.set) sc->pos.inclusive = true;
    drop_batch(sc);
  } else if (dir == -1) {
    const Sql_key& key = need_key(sc, k);
    if (!sc->pos.set) Io_end_err();
    std::vector<Sql_value> p;
    std::string text = select_head(sc) + where_chain(sc, key, sc->pos.vals, '<', false, &p) +
                       order_by(sc, key, true) + " LIMIT 1";
    std::vector<Sql_row> rows;
    Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
    if (rows.empty()) Io_end_err();
    stand_on_row(sc, k, rows[0]);
    sc->pos.inclusive = true;
    drop_batch(sc);
  }
}

// IND=-n: column n of the channel's rows described: name, type letter
// (C text, N number, D date), size, decimal places and 1 when the column
// may be NULL, each followed by the separator.
std::string describe_column(Sql_chan* sc, int n, int sep) {
  Sql_stmt& st = Dbx_stmt(sc, select_head(sc) + " LIMIT 0");
  if (n < 1 || size_t(n) > st.fields().size() || size_t(n) > sc->sel.size()) Io_end_err();
  const Sql_field& f = st.fields()[size_t(n) - 1];
  const Sql_col* c = nullptr;
  for (auto& col : sc->cols)
    if (col.sel == n - 1) c = &col;
  char type = c ? (c->type == 'D' ? 'D' : c->type == 'N' ? 'N' : 'C') : 'C';
  int size = type == 'D' ? 20 : c ? c->len : int(f.length);
  int dec = type == 'N' && c ? c->dec : 0;
  std::string s = f.name;
  std::string parts[] = {std::string(1, type), std::to_string(size), std::to_string(dec), f.not_null ? "0" : "1"};
  if (sep >= 0) s += char(sep);
  for (auto& p : parts) {
    s += p;
    if (sep >= 0) s += char(sep);
  }
  return s;
}

// ---- command channels ----

std::string row_text(const Sql_row& row, int sep) {
  std::string s;
  for (auto& v : row) {
    if (!v.null) s += v.s;
    if (sep >= 0) s += char(sep);
  }
  return s;
}

void command_run(Sql_chan* sc, const std::string& given) {
  std::string text = Dbx_tagged(sc, given);
  Dbx_keep_text(sc, text, false);
  uint64_t affected = 0;
  try {
    Msq_query(sc->conn, text, &sc->cmd_rows, &sc->cmd_fields, &affected, false);
  } catch (const Oru_error& e) {
    sc->cmd_result = false;
    if (e.no == err::RECORD_BUSY && (sc->opts & SQO_NO_BUSYRETRY)) ws.Io_rty = 0;
    throw;
  }
  sc->cmd_next = 0;
  sc->cmd_result = !sc->cmd_fields.empty();
}

void command_read(Sql_chan* sc) {
  int sep = ws.Io_sep;
  if (ws.Io_opts & IO_KEY) {
    std::string k = key_value_given();
    std::vector<Sql_value> p;
    std::string text;
    if (k.empty() || k[0] == '*') {
      // The columns' facts, one row each: catalog, schema, table, column,
      // 0, type, size (twice), scale, radix, nullable (1 or 0), comment,
      // default, 1, '', octet length, position, "YES" or "NO".
      text = "SELECT TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, 0, DATA_TYPE, "
             "IFNULL(CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION),IFNULL(CHARACTER_MAXIMUM_LENGTH, NUMERIC_PRECISION), "
             "NUMERIC_SCALE, IF(NUMERIC_PRECISION, '10', ''), IF(IS_NULLABLE='YES', 1, 0), COLUMN_COMMENT, "
             "COLUMN_DEFAULT, 1, '', CHARACTER_OCTET_LENGTH, ORDINAL_POSITION, IS_NULLABLE  "
             "FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = ?";
      p.push_back({sc->db});
      if (!k.empty()) {
        if (k.find('*', 1) != std::string::npos) Rpt_error(err::NOT_FOR_DEVICE);
        text += " AND TABLE_NAME = ?";
        p.push_back({k.substr(1)});
      }
      text += " ORDER BY TABLE_NAME, ORDINAL_POSITION";
    } else if (k[0] == '?') {
      // The tables whose names begin with the text after '?': catalog,
      // schema, name, "TABLE", comment.
      text = "SELECT TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, 'TABLE', TABLE_COMMENT "
             "FROM information_schema.TABLES WHERE TABLE_SCHEMA = ?";
      p.push_back({sc->db});
      if (k.size() > 1) {
        text += " AND TABLE_NAME >= ? AND TABLE_NAME < ?";
        p.push_back({k.substr(1)});
        p.push_back({k.substr(1) + "~"});
      }
      text += " ORDER BY TABLE_NAME";
    }
    if (!text.empty()) {
      Sql_stmt& st = Dbx_stmt(sc, text);
      Dbx_run(sc, st, p, &sc->cmd_rows);
      sc->cmd_fields = st.fields();
      sc->cmd_next = 0;
      sc->cmd_result = true;
    } else if (k[0] == '!') {
      command_run(sc, k.substr(1));
      Io_string_result("");
      return;
    } else {
      command_run(sc, k);
    }
  }
  if (!sc->cmd_result) Rpt_error(err::WRONG_MODE);
  if (sc->cmd_next >= sc->cmd_rows.size()) Io_end_err();
  Io_string_result(row_text(sc->cmd_rows[sc->cmd_next++], sep));
}

// The SQL text a WRITE on a command channel gives: its fields joined by
// blanks, the separator after the last one dropped.
std::string command_text(const uint8_t* rec, int32_t len, int sep) {
  std::string s(reinterpret_cast<const char*>(rec), size_t(len));
  if (sep < 0) return s;
  while (!s.empty() && s.back() == char(sep)) s.pop_back();
  for (auto& c : s)
    if (c == char(sep)) c = ' ';
  return s;
}

// ---- slots ----

// ---- layouts: IND mode and KEYDATA ----

// Bytes in front of the record that programs do not see: the IND field,
// or the KEYDATA key part.
size_t front_len(Sql_chan* sc) { return sc->ind_mode ? 8 : size_t(sc->keydata_len); }

std::string ind_text(int64_t n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%08lld", static_cast<long long>(n));
  return buf;
}

// IND mode: the row numbered n, false when there is none.
bool ind_lookup(Sql_chan* sc, int64_t n, Sql_row* row) {
  const Sql_key& key = sc->keys[0];
  Sql_row vals;
  bool partial;
  Dbx_parse_key(sc, 0, ind_text(n), &vals, &partial);
  std::vector<Sql_value> p;
  std::string text = select_head(sc) + where_equal(sc, key, vals, &p) + " LIMIT 1";
  std::vector<Sql_row> rows;
  Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
  if (rows.empty()) return false;
  *row = rows[0];
  return true;
}

// IND mode: whether a row numbered above n exists.
bool ind_beyond(Sql_chan* sc, int64_t n) {
  const Sql_key& key = sc->keys[0];
  Sql_row vals;
  bool partial;
  Dbx_parse_key(sc, 0, ind_text(n), &vals, &partial);
  std::vector<Sql_value> p;
  std::string text = select_head(sc) + where_chain(sc, key, vals, '>', false, &p) + " LIMIT 1";
  std::vector<Sql_row> rows;
  Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
  return !rows.empty();
}

// IND mode READ: IND= or the row after the current one; a number without
// a row gives an empty record (end of file when no row follows it).
void ind_read(Sql_chan* sc) {
  int64_t n = (ws.Io_opts & IO_IND) ? int64_t(ws.Io_ind) : sc->ind_reread ? sc->ind_cur : sc->ind_cur + 1;
  sc->ind_reread = false;
  if (n < 0 || n > 99999999) Rpt_error(err::OUT_OF_RANGE);
  if (ws.Io_opts & (IO_KEY | IO_RNO)) Rpt_error(err::WRONG_MODE);
  drop_batch(sc);
  Sql_row row;
  if (!ind_lookup(sc, n, &row)) {
    if (!ind_beyond(sc, n)) Io_end_err();
    sc->ind_cur = n;
    sc->have_row = false;
    sc->opened_state = false;
    ws.Cur_fcb->st1 |= ST1_READ;
    Io_string_result("");
    return;
  }
  if (is_extract()) row = lock_row(sc, row);
  stand_on_row(sc, 0, row);
  sc->ind_cur = n;
  sc->ind_reread = is_extract();  // EXTRACT leaves the channel on its row
  ws.Cur_fcb->st1 |= ST1_READ;
  std::string rec = Dbx_make_rec(sc, row, ws.Io_sep);
  rec.erase(0, std::min(rec.size(), size_t(8)));
  Io_string_result(rec);
}

int64_t slot_open() {
  Dbx_open_slot_impl();
  return 0;
}

int64_t slot_close() {
  Dbx_fcb* f = fcb();
  Sql_chan* sc = f->sc;
  f->sc = nullptr;
  if (sc) {
    try {
      release_extract(sc);
    } catch (...) {
      Dbx_close_impl(sc);
      throw;
    }
    Dbx_close_impl(sc);
  }
  return 0;
}

int64_t slot_read() {
  Sql_chan* sc = Dbx_cur();
  if (sc->command) {
    command_read(sc);
    return 0;
  }
  if (sc->ind_mode) {
    if (!is_extract()) release_extract(sc);
    ind_read(sc);
    return 0;
  }
  int k = key_no(sc);
  release_extract(sc);
  switch_key(sc, k);
  if ((ws.Io_opts & IO_STEP) && k >= 0) dirpos(sc, k, ws.Io_dir);
  Sql_row row;
  if ((ws.Io_opts & IO_RNO) && ws.Io_ind >= 1) {
    row = read_rno(sc, k, ws.Io_ind);
  } else if ((ws.Io_opts & IO_IND) && ws.Io_ind >= 0) {
    Rpt_error_text(err::NOT_BUILT, "IND= of an SQL table takes a negative column number");
  } else if ((ws.Io_opts & IO_IND) && ws.Io_ind < 0) {
    Io_string_result(describe_column(sc, -ws.Io_ind, ws.Io_sep));
    return 0;
  } else if (ws.Io_opts & IO_KEY) {
    row = read_by_key(sc, k, key_value_given());
  } else {
    row = read_next(sc, k);
  }
  if (is_extract()) {
    Sql_row locked = lock_row(sc, row);
    row = locked;
  }
  stand_on_row(sc, k, row);
  if (is_extract() && k >= 0) {
    // EXTRACT leaves the channel on its row: the next READ reads it again
    // (or the one after it when it is gone), and KEY() names it.
    sc->pos.inclusive = true;
    drop_batch(sc);
  }
  ws.Cur_fcb->st1 |= ST1_READ;
  if (sc->whole_key) {
    Io_string_result("");  // the key is the whole record: KEC names it
    return 0;
  }
  std::string rec = Dbx_make_rec(sc, row, ws.Io_sep);
  rec.erase(0, std::min(rec.size(), front_len(sc)));  // the KEYDATA key part
  Io_string_result(rec);
  return 0;
}

// INSERT of the present columns; false when the key exists.
bool insert_row(Sql_chan* sc, const Sql_row& vals, const std::vector<bool>& present) {
  std::string cols, marks;
  std::vector<Sql_value> p;
  for (size_t i = 0; i < sc->sel.size(); i++) {
    if (!present[i]) continue;
    if (!p.empty()) {
      cols += ",";
      marks += ",";
    }
    cols += Msq_quote_ident(sc->sel[i]);
    marks += "?";
    p.push_back(vals[i]);
  }
  if (p.empty()) Rpt_error(err::RECORD_TOO_LONG);
  Sql_stmt& st = Dbx_stmt(sc, "INSERT INTO " + sc->table_q + " (" + cols + ") VALUES (" + marks + ")");
  Dbx_count(5);
  if (Dbx_run(sc, st, p, nullptr, true)) return true;
  if (st.error_no() == 1062) return false;
  st.fail();
}

// UPDATE of the row of key 0's values; false when there is no such row.
bool update_row(Sql_chan* sc, const Sql_row& vals, const std::vector<bool>& present, const Sql_row& kv, bool on_x) {
  std::string set;
  std::vector<Sql_value> p;
  for (size_t i = 0; i < sc->sel.size(); i++) {
    if (!present[i]) continue;
    if (!p.empty()) set += ",";
    set += Msq_quote_ident(sc->sel[i]) + " = ?";
    p.push_back(vals[i]);
  }
  if (p.empty()) Rpt_error(err::RECORD_TOO_LONG);
  Sql_key eqkey = sc->keys[0];
  eqkey.order = eqkey.seg;
  std::string text = "UPDATE " + sc->table_q + " SET " + set + where_equal(sc, eqkey, kv, &p);
  Sql_stmt& st = Dbx_stmt(sc, text, on_x);
  Dbx_count(6);
  Dbx_run(sc, st, p, nullptr);
  return st.affected() > 0;
}

int64_t slot_write() {
  Dbx_fcb* f = fcb();
  Sql_chan* sc = Dbx_cur();
  const uint8_t* rec = f->out_buf;
  int32_t len = f->buf_count;
  f->buf_count = 0;
  f->high_water = 0;
  sc->ind_reread = false;
  if (sc->command || ((ws.Io_opts & IO_IND) && !sc->ind_mode && ws.Io_ind == -1)) {
    release_extract(sc);
    command_run(sc, command_text(rec, len, ws.Io_sep));
    return 0;
  }
  if ((ws.Io_opts & IO_IND) && !sc->ind_mode) Rpt_error(err::WRONG_MODE);
  if (sc->whole_key) {
    // The key is the whole record: KEY= gives every column, the record
    // itself holds nothing (field separators and NUL bytes at most).
    for (int32_t i = 0; i < len; i++)
      if (rec[i] != 0 && int(rec[i]) != ws.Io_sep) Rpt_error(err::RECORD_TOO_LONG);
    if (!(ws.Io_opts & IO_KEY)) Rpt_error(err::WRONG_MODE);
    len = 0;
  }
  // The parts in front of the record: IND mode's row number, KEYDATA's key.
  std::string whole;
  std::string given;
  bool key_given = (ws.Io_opts & IO_KEY) != 0;
  if (key_given) given = key_value_given();
  int64_t ind_n = -1;
  if (sc->ind_mode) {
    if (key_given) Rpt_error(err::WRONG_MODE);
    ind_n = (ws.Io_opts & IO_IND) ? int64_t(ws.Io_ind) : sc->extracted ? sc->ind_cur : sc->ind_cur + 1;
    if (ind_n < 0 || ind_n > 99999999) Rpt_error(err::OUT_OF_RANGE);
    given = ind_text(ind_n);
    key_given = true;
  } else if (sc->keydata_len) {
    if (!key_given) {
      if (!sc->extracted) Rpt_error(err::WRONG_MODE);
      given = sc->cur_key;
      key_given = true;
    }
  }
  if (size_t n = front_len(sc)) {
    if (given.size() > n) Rpt_error(err::STRING_LENGTH);
    whole = given;
    whole.resize(n, ' ');
    whole.append(reinterpret_cast<const char*>(rec), size_t(len));
    rec = reinterpret_cast<const uint8_t*>(whole.data());
    len = int32_t(whole.size());
  }
  Sql_row vals;
  std::vector<bool> present;
  Dbx_split_rec(sc, rec, len, ws.Io_sep, &vals, &present);
  bool have_k0 = !sc->keys.empty();
  if (have_k0 && key_given) {
    // KEY= names the row: its segments fill key 0's columns.
    const Sql_key& k0 = sc->keys[0];
    if (int(given.size()) > k0.total) Rpt_error(err::STRING_LENGTH);
    Sql_row kv;
    bool partial;
    int n = Dbx_parse_key(sc, 0, given, &kv, &partial);
    if (n != int(k0.seg.size()) || partial) Rpt_error(err::STRING_LENGTH);
    for (size_t i = 0; i < k0.seg.size(); i++) {
      int s = sc->cols[size_t(k0.seg[i])].sel;
      vals[size_t(s)] = kv[i];
      present[size_t(s)] = true;
    }
  }
  drop_batch(sc);
  uint8_t dir = ws.Io_stmt;
  if (have_k0) {
    Sql_row kv = key0_vals(sc, vals);
    for (size_t i = 0; i < sc->keys[0].seg.size(); i++)
      if (!present[size_t(sc->cols[size_t(sc->keys[0].seg[i])].sel)]) Rpt_error(err::STRING_LENGTH);
    if (sc->extracted && same_vals(kv, sc->ex_key) && dir != code::X_INSERT) {
      bool on_x = sc->xconn && !Dbx_in_transaction();
      bool found = update_row(sc, vals, present, kv, on_x);
      release_extract(sc);
      if (!found) Io_dom_err();
    } else {
      release_extract(sc);
      if (dir == code::X_UPDATE) {
        if (!update_row(sc, vals, present, kv, false)) Io_dom_err();
      } else if (!insert_row(sc, vals, present)) {
        if (dir == code::X_INSERT || ws.Dom_line) Io_dom_err();
        if (!update_row(sc, vals, present, kv, false)) Io_dom_err();
      }
    }
    // The channel stands on the row written.
    Sql_row full = vals;
    if (sc->have_row && sc->cur_row.size() == full.size())
      for (size_t i = 0; i < full.size(); i++)
        if (!present[i]) full[i] = sc->cur_row[i];
    stand_on_row(sc, sc->kno < int(sc->keys.size()) ? sc->kno : 0, full);
    if (sc->ind_mode) sc->ind_cur = ind_n;
  } else {
    release_extract(sc);
    if (dir == code::X_UPDATE) Rpt_error(err::WRONG_MODE);
    if (!insert_row(sc, vals, present)) Io_dom_err();
  }
  f->st1 |= ST1_WRITTEN;
  return 0;
}

int64_t slot_remove() {
  Sql_chan* sc = Dbx_cur();
  sc->ind_reread = false;
  if (sc->command || sc->keys.empty()) Rpt_error(err::WRONG_MODE);
  const Sql_key& k0 = sc->keys[0];
  Sql_row kv;
  if (sc->ind_mode && (ws.Io_opts & IO_KEY)) Rpt_error(err::WRONG_MODE);
  if ((ws.Io_opts & IO_KEY) || (sc->ind_mode && (ws.Io_opts & IO_IND))) {
    // IND mode: IND= gives the row number.
    std::string given = sc->ind_mode ? ind_text(ws.Io_ind) : key_value_given();
    if (sc->ind_mode && (ws.Io_ind < 0 || ws.Io_ind > 99999999)) Rpt_error(err::OUT_OF_RANGE);
    if (int(given.size()) > k0.total) Rpt_error(err::STRING_LENGTH);
    bool partial;
    int n = Dbx_parse_key(sc, 0, given, &kv, &partial);
    if (n != int(k0.seg.size()) || partial || !Dbx_key_numbers_valid(sc, 0, kv)) {
      release_extract(sc);
      Io_dom_err();
    }
  } else {
    if (!sc->extracted) Rpt_error(err::WRONG_MODE);
    kv = sc->ex_key;
  }
  bool on_x = sc->extracted && same_vals(kv, sc->ex_key) && sc->xconn && !Dbx_in_transaction();
  if (!on_x) release_extract(sc);
  drop_batch(sc);
  std::vector<Sql_value> p;
  Sql_key eqkey = k0;
  eqkey.order = k0.seg;
  std::string text = "DELETE FROM " + sc->table_q + where_equal(sc, eqkey, kv, &p);
  Sql_stmt& st = Dbx_stmt(sc, text, on_x);
  Dbx_count(7);
  Dbx_run(sc, st, p, nullptr);
  if (on_x) release_extract(sc);
  if (st.affected() == 0) Io_dom_err();
  return 0;
}

int64_t slot_setind() { return 0; }

// IND(): in IND mode the number of the row after the current one.
int64_t slot_getind() {
  Sql_chan* sc = Dbx_cur();
  if (!sc->ind_mode) Rpt_error(err::WRONG_MODE);
  return sc->ind_cur + 1;
}

int64_t slot_setkey() {
  Sql_chan* sc = Dbx_cur();
  if ((!sc->command && sc->keys.empty()) || sc->ind_mode) Rpt_error(err::WRONG_MODE);
  return 0;
}

// Key functions need keys of their own: IND mode has none.
void no_ind_mode(Sql_chan* sc) {
  if (sc->ind_mode) Rpt_error_text(err::WRONG_MODE, "key functions do not apply to a table numbered by IND=");
}

int64_t slot_getkec() {
  Sql_chan* sc = Dbx_cur();
  no_ind_mode(sc);
  int k = key_no(sc);
  need_key(sc, k);
  if (sc->opened_state) Rpt_error(err::MISSING_RECORD);
  switch_key(sc, k);
  Io_string_result(sc->cur_key);
  return 0;
}

int64_t slot_getkey() {
  Sql_chan* sc = Dbx_cur();
  no_ind_mode(sc);
  int k = key_no(sc);
  need_key(sc, k);
  switch_key(sc, k);  // a row kept by EXTRACT stays locked: key functions only look
  if ((ws.Io_opts & IO_RNO) && ws.Io_ind >= 1) {
    Sql_row row = read_rno(sc, k, ws.Io_ind);
    Io_string_result(Dbx_row_key(sc, k, row));
    return 0;
  }
  const Sql_row* row;
  if (!peek_next(sc, k, &row)) Io_end_err();
  Io_string_result(Dbx_row_key(sc, k, *row));
  return 0;
}

int64_t slot_getkep() {
  Sql_chan* sc = Dbx_cur();
  no_ind_mode(sc);
  int k = key_no(sc);
  const Sql_key& key = need_key(sc, k);
  switch_key(sc, k);
  Sql_row vals = sc->pos.vals;
  bool set = sc->pos.set;
  if (ws.Io_opts & IO_KEY) {
    std::string given = key_value_given();
    if (int(given.size()) > key.total) Rpt_error(err::STRING_LENGTH);
    bool partial;
    set = Dbx_parse_key(sc, k, given, &vals, &partial) > 0;
  }
  if (!set) Io_end_err();
  if (Sw_on(sw::KR) && !(ws.Io_opts & IO_KEY) && sc->have_row && sc->pos.from_row && !sc->pos.inclusive) {
    // Switch KR: standing on a row that is still there, KEP( names it
    // (as KEC( does); a kept position (EXTRACT, DIR=) looks back as usual.
    std::vector<Sql_value> p;
    std::string text = select_head(sc) + where_equal(sc, key, vals, &p) + " LIMIT 1";
    std::vector<Sql_row> rows;
    Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
    if (!rows.empty()) {
      Io_string_result(sc->cur_key);
      return 0;
    }
  }
  std::vector<Sql_value> p;
  std::string text = select_head(sc) + where_chain(sc, key, vals, '<', false, &p) + order_by(sc, key, true) + " LIMIT 1";
  std::vector<Sql_row> rows;
  Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
  if (rows.empty()) Io_end_err();
  Io_string_result(Dbx_row_key(sc, k, rows[0]));
  return 0;
}

int64_t first_last(bool last) {
  Sql_chan* sc = Dbx_cur();
  no_ind_mode(sc);
  int k = key_no(sc);
  const Sql_key& key = need_key(sc, k);
  std::string text = select_head(sc) + order_by(sc, key, last) + " LIMIT 1";
  std::vector<Sql_row> rows;
  Dbx_run(sc, Dbx_stmt(sc, text), {}, &rows);
  if (rows.empty()) Io_end_err();
  Io_string_result(Dbx_row_key(sc, k, rows[0]));
  return 0;
}

int64_t slot_getkef() { return first_last(false); }
int64_t slot_getkel() { return first_last(true); }

int64_t slot_getken() {
  Sql_chan* sc = Dbx_cur();
  if ((ws.Io_opts & IO_IND) && ws.Io_ind == 1) {
    Io_string_result("N/A");
    return 0;
  }
  if ((ws.Io_opts & IO_IND) && ws.Io_ind == 2) {
    // The handles of the channel: the library's connection object serves
    // as the environment too; the statement is the one that ran last.
    auto num = [](const void* p) { return std::to_string(static_cast<long>(reinterpret_cast<intptr_t>(p))); };
    const void* st = nullptr;
    for (auto& [text, stmt] : sc->stmts)
      if (text == sc->last_text) st = stmt->handle();
    const void* h = sc->conn ? sc->conn->h : nullptr;
    Io_string_result("HENV=" + num(h) + ", HDBC=" + num(h) + ", HSTMT=" + num(st));
    return 0;
  }
  if ((ws.Io_opts & IO_IND) && ws.Io_ind == 3) {
    // The columns of the open result: a command channel's last result, a
    // table's rows once one was read.
    std::string s;
    auto add = [&](const std::string& name, char type, int64_t size, int dec) {
      if (!s.empty()) s += ";";
      s += name;
      if (type == 'D') s += ",DATE";
      else if (type == 'N') s += ",NUM(" + std::to_string(size) + "," + std::to_string(dec) + ")";
      else if (type == 'B') s += ",BIN(" + std::to_string(size) + ")";
      else s += ",CHR(" + std::to_string(size) + ")";
    };
    if (sc->command) {
      if (!sc->cmd_result) Rpt_error(err::MISSING_RECORD);
      for (auto& f : sc->cmd_fields)
        add(f.name, f.is_date() ? 'D' : f.is_number() ? 'N' : f.binary ? 'B' : 'C', int64_t(f.length), int(f.decimals));
    } else {
      if (!sc->have_row && !sc->batch_valid) Rpt_error(err::MISSING_RECORD);
      for (size_t i = 0; i < sc->sel.size(); i++) {
        const Sql_col* c = nullptr;
        for (auto& col : sc->cols)
          if (col.sel == int(i)) c = &col;
        char type = c->type == 'D' ? 'D' : c->type == 'N' ? 'N' : c->binary ? 'B' : 'C';
        add(sc->sel[i], type, c->len, c->dec);
      }
    }
    Io_string_result(s);
    return 0;
  }
  if (ws.Io_opts & IO_IND) Rpt_error(err::WRONG_MODE);
  if (sc->last_text.empty()) Rpt_error(err::WRONG_MODE);
  Io_string_result(sc->last_text);
  return 0;
}

// A WRITE that fills the record buffer: the buffer doubles, up to the
// record size (a table of long text columns has a record size of
// gigabytes, which a buffer of that size made at OPEN would take).
int64_t slot_grow() {
  Fcb* f = ws.Cur_fcb;
  if (f->buf_size >= f->rec_size) Rpt_error(err::RECORD_TOO_LONG);
  int32_t size = int32_t(std::min<int64_t>(std::max<int64_t>(int64_t(f->buf_size) * 2, 4096), f->rec_size));
  auto* p = static_cast<uint8_t*>(Get_blk_nc(size_t(size)));
  if (f->buf_count > 0) std::memcpy(p, f->out_buf, size_t(f->buf_count));
  if (f->out_buf) Ret_blk(f->out_buf);
  f->out_buf = p;
  f->buf_size = size;
  return 0;
}

int64_t slot_purge() {
  Sql_chan* sc = Dbx_cur();
  if (sc->command) return 0;
  release_extract(sc);
  drop_batch(sc);
  Dbx_run(sc, Dbx_stmt(sc, "DELETE FROM " + sc->table_q), {}, nullptr);
  sc->pos = Sql_position{};
  sc->have_row = false;
  return 0;
}

}  // namespace

Sql_chan* Dbx_cur() {
  auto* f = static_cast<Dbx_fcb*>(ws.Cur_fcb);
  if (!f || f->kind != FK_MYSQL || !f->sc) Rpt_error(err::CHANNEL_STATE);
  return f->sc;
}

Sql_stmt& Dbx_stmt(Sql_chan* sc, const std::string& given, bool extract) {
  // With a DEBUG tag each program line has statements of its own.
  std::string text = Dbx_tagged(sc, given);
  auto& cache = extract ? sc->xstmts : sc->stmts;
  auto it = cache.find(text);
  if (it != cache.end()) return *it->second;
  // The texts of a channel are few (one per operation, key and shape of
  // NULL values); a cache that grows past them starts afresh rather than
  // hold the server's statements without end.
  if (cache.size() >= 256) cache.clear();
  Sql_conn* c = extract ? sc->xconn : sc->conn;
  sc->last_text = text;
  auto st = std::make_unique<Sql_stmt>(c, text);
  Sql_stmt& ref = *st;
  cache[text] = std::move(st);
  return ref;
}

bool Dbx_run(Sql_chan* sc, Sql_stmt& st, const std::vector<Sql_value>& params, std::vector<Sql_row>* rows, bool quiet) {
  Dbx_keep_text(sc, st.text(), st.conn() == sc->xconn && sc->xconn);
  try {
    return st.run(params, rows, quiet);
  } catch (const Oru_error& e) {
    if (e.no == err::RECORD_BUSY && (sc->opts & SQO_NO_BUSYRETRY)) ws.Io_rty = 0;
    throw;
  }
}

int64_t Dbx_getrno() {
  Sql_chan* sc = Dbx_cur();
  int k = key_no(sc);
  const Sql_key& key = need_key(sc, k);
  switch_key(sc, k);
  Sql_row vals = sc->pos.vals;
  bool set = sc->pos.set;
  if (ws.Io_opts & IO_KEY) {
    std::string given = key_value_given();
    if (given.empty()) Rpt_error(err::MISSING_RECORD);
    if (int(given.size()) > key.total) Rpt_error(err::STRING_LENGTH);
    bool partial;
    int n = Dbx_parse_key(sc, k, given, &vals, &partial);
    std::vector<Sql_value> p;
    std::vector<Sql_row> rows;
    if (n == int(key.seg.size()) && !partial && Dbx_key_numbers_valid(sc, k, vals)) {
      std::string text = select_head(sc) + where_equal(sc, key, vals, &p) + " LIMIT 1";
      Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
    }
    if (rows.empty()) Rpt_error(err::MISSING_RECORD);
    set = true;
  }
  if (!set) return 1;
  std::vector<Sql_value> p;
  std::string text = "SELECT COUNT(*) FROM " + sc->table_q + where_chain(sc, key, vals, '<', false, &p);
  std::vector<Sql_row> rows;
  Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
  return (rows.empty() ? 0 : std::atoll(rows[0][0].s.c_str())) + 1;
}

int64_t Dbx_record_count(Fcb* f) {
  auto* d = static_cast<Dbx_fcb*>(f);
  if (f->kind != FK_MYSQL || !d->sc || d->sc->command) return 0;
  Sql_chan* sc = d->sc;
  std::vector<Sql_row> rows;
  Dbx_run(sc, Dbx_stmt(sc, "SELECT COUNT(*) FROM " + sc->table_q), {}, &rows);
  return rows.empty() ? 0 : std::atoll(rows[0][0].s.c_str());
}

const Fio_op Dbx_fotbl[FIO_SLOTS] = {
    Io_mode_err, slot_open,    slot_close,  slot_write,  slot_read,   slot_remove,   slot_setind,
    slot_getind, slot_setkey,  slot_getkec, slot_getkey, slot_getkep, slot_grow,     Io_wr_rec_start,
    slot_purge,  slot_getkef,  slot_getkel, slot_getken, Io_do_nothing, Io_do_nothing,
};

void Dbx_drop_table(Fcb* f) {
  Sql_chan* sc = static_cast<Dbx_fcb*>(f)->sc;
  if (!sc || sc->command) Rpt_error_text(err::WRONG_MODE, "ERASE of an SQL name needs a table");
  Dbx_lock_table(sc, true);
  Dbx_run(sc, Dbx_stmt(sc, "DROP TABLE " + sc->table_q), {}, nullptr);
}

// LOCK and UNLOCK of a whole SQL channel: the table's exclusive mark.
void Dbx_hold_whole(Fcb* f, bool on) {
  if (Sql_chan* sc = static_cast<Dbx_fcb*>(f)->sc) Dbx_lock_table(sc, on);
}
