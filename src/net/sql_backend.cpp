// The MySQL back end (see sql_backend.h).
#include "net/sql_backend.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "net/sql_client.h"

namespace {

MYSQL* H(Sql_conn* c) { return static_cast<MYSQL*>(c->h); }
MYSQL_STMT* S(void* s) { return static_cast<MYSQL_STMT*>(s); }

// Raises the server's error number n with its text: lock waits are busy
// (error 0, retried by the error path), an unreachable server is error 12,
// anything else error 15.
[[noreturn]] void raise_server(unsigned n, const char* msg) {
  Rpt_error_text(Msq_error_number(n), "MYSQL:" + std::to_string(n) + ":" + Peer_text(msg ? msg : ""));
}

// A lost connection keeps the error that lost it: every later use of the
// connection reports that error again.
bool lost(unsigned n) { return n == 2006 || n == 2013; }

void note_lost(Sql_conn* c, unsigned n, const std::string& msg) {
  if (!lost(n) || c->failed) return;
  c->failed = true;
  c->fail_no = n;
  c->fail_msg = msg;
}

[[noreturn]] void raise_lost(Sql_conn* c) {
  raise_server(c->fail_no ? c->fail_no : 2006, c->fail_no ? c->fail_msg.c_str() : "Server has gone away");
}

void fill_field(Sql_field& f, const MYSQL_FIELD* m) {
  f.name.assign(m->name, m->name_length);
  f.type = m->type;
  f.length = m->length;
  f.decimals = m->decimals;
  f.not_null = (m->flags & NOT_NULL_FLAG) != 0;
  f.binary = (m->flags & BINARY_FLAG) != 0 && m->charsetnr == 63;
}

}  // namespace

bool Sql_field::is_number() const {
  switch (type) {
    case MYSQL_TYPE_TINY: case MYSQL_TYPE_SHORT: case MYSQL_TYPE_LONG: case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_INT24: case MYSQL_TYPE_FLOAT: case MYSQL_TYPE_DOUBLE: case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: case MYSQL_TYPE_YEAR:
      return true;
    default:
      return false;
  }
}

bool Sql_field::is_date() const {
  return type == MYSQL_TYPE_DATE || type == MYSQL_TYPE_DATETIME || type == MYSQL_TYPE_TIMESTAMP ||
         type == MYSQL_TYPE_NEWDATE;
}

int Msq_error_number(unsigned n) {
  if (n == 1205 || n == 1206) return 0;  // lock wait time-out, lock table full
  if (n == 2002 || n == 2003 || n == 2005) return 12;  // no server there
  return 15;
}

std::string Msq_quote_ident(const std::string& name) {
  std::string q = "`";
  for (char c : name) {
    if (c == '`') q += '`';
    q += c;
  }
  return q + "`";
}

void Msq_fail_conn(Sql_conn* c) {
  if (c->failed) raise_lost(c);
  const Msq_api_tbl& a = Msq_api();
  unsigned n = a.err_no(H(c));
  std::string msg = a.error(H(c));
  note_lost(c, n, msg);
  raise_server(n, msg.c_str());
}

Sql_conn* Msq_connect(const Msq_settings& s, bool autocommit) {
  const Msq_api_tbl& a = Msq_api();
  MYSQL* m = a.init(nullptr);
  if (!m) Rpt_error(err::MEMORY_LIMIT);
  if (s.connect_timeout) {
    unsigned t = s.connect_timeout;
    a.options(m, MYSQL_OPT_CONNECT_TIMEOUT, &t);
  }
  Msq_guard_connection(m);
  // Found rows: an UPDATE that changes nothing still counts the row it
  // matched, so that a vanished row can be told from an unchanged one.
  const char* host = s.host.empty() ? nullptr : s.host.c_str();
  const char* sock = s.socket.empty() ? nullptr : s.socket.c_str();
  if (!a.real_connect(m, host, s.user.empty() ? nullptr : s.user.c_str(), s.password.c_str(),
                      s.database.empty() ? nullptr : s.database.c_str(), s.port, sock, CLIENT_FOUND_ROWS)) {
    unsigned n = a.err_no(m);
    std::string msg = a.error(m);
    a.close(m);
    raise_server(n, msg.c_str());
  }
  auto* c = new Sql_conn;
  c->h = m;
  c->settings = s;
  c->autocommit = true;
  c->id = a.thread_id(m);
  if (!autocommit && !Msq_set_autocommit(c, false)) {
    unsigned n = a.err_no(m);
    std::string msg = a.error(m);
    a.close(m);
    delete c;
    raise_server(n, msg.c_str());
  }
  return c;
}

void Msq_disconnect(Sql_conn* c) {
  if (!c) return;
  const Msq_api_tbl& a = Msq_api();
  if (!c->autocommit && !c->failed) a.commit(H(c));
  a.close(H(c));
  delete c;
}

bool Msq_commit(Sql_conn* c) {
  if (c->failed || Msq_api().commit(H(c)) != 0) return false;
  c->dirty = false;
  return true;
}

bool Msq_rollback(Sql_conn* c) {
  if (c->failed || Msq_api().rollback(H(c)) != 0) return false;
  c->dirty = false;
  return true;
}

bool Msq_set_autocommit(Sql_conn* c, bool on) {
  if (c->failed) return false;
  const Msq_api_tbl& a = Msq_api();
  // Leaving a transaction commits what it holds first.
  if (!c->autocommit && a.commit(H(c)) != 0) return false;
  if (a.autocommit(H(c), on ? 1 : 0) != 0) return false;
  c->autocommit = on;
  c->dirty = false;
  return true;
}

Sql_stmt::Sql_stmt(Sql_conn* c, const std::string& text, bool quiet) : conn_(c), text_(text) {
  const Msq_api_tbl& a = Msq_api();
  if (c->failed) {
    if (quiet) return;
    raise_lost(c);
  }
  MYSQL_STMT* s = a.stmt_init(H(c));
  if (!s) {
    if (quiet) return;
    Msq_fail_conn(c);
  }
  if (a.stmt_prepare(s, text.data(), text.size()) != 0) {
    err_no_ = a.stmt_errno(s);
    std::string msg = a.stmt_error(s);
    err_msg_ = msg;
    a.stmt_close(s);
    note_lost(c, err_no_, msg);
    if (quiet) return;
    raise_server(err_no_, msg.c_str());
  }
  my_bool yes = 1;
  a.stmt_attr_set(s, STMT_ATTR_UPDATE_MAX_LENGTH, &yes);
  st_ = s;
  nparams_ = unsigned(a.stmt_param_count(s));
  if (MYSQL_RES* md = a.stmt_result_metadata(s)) {
    unsigned n = a.num_fields(md);
    fields_.resize(n);
    for (unsigned i = 0; i < n; i++) fill_field(fields_[i], a.fetch_field_direct(md, i));
    a.free_result(md);
  }
}

Sql_stmt::~Sql_stmt() {
  if (st_) Msq_api().stmt_close(S(st_));
}

void Sql_stmt::fail() {
  const Msq_api_tbl& a = Msq_api();
  if (err_no_) raise_server(err_no_, err_msg_.c_str());
  if (conn_->failed) raise_lost(conn_);
  if (!st_) raise_server(2006, "Statement could not be prepared");
  unsigned n = a.stmt_errno(S(st_));
  std::string msg = a.stmt_error(S(st_));
  note_lost(conn_, n, msg);
  raise_server(n, msg.c_str());
}

bool Sql_stmt::run(const std::vector<Sql_value>& params, std::vector<Sql_row>* rows, bool quiet) {
  const Msq_api_tbl& a = Msq_api();
  if (rows) rows->clear();
  if (st_) {
    err_no_ = 0;
    err_msg_.clear();
  }
  if (!st_ || conn_->failed) {
    if (quiet) return false;
    fail();
  }
  MYSQL_STMT* s = S(st_);
  if (params.size() != nparams_) Rpt_error_text(err::NOT_BUILT, "SQL statement parameter count mismatch: " + text_);
  std::vector<MYSQL_BIND> pb(nparams_);
  std::vector<unsigned long> plen(nparams_);
  std::vector<my_bool> pnull(nparams_);
  for (unsigned i = 0; i < nparams_; i++) {
    std::memset(&pb[i], 0, sizeof pb[i]);
    plen[i] = params[i].s.size();
    pnull[i] = params[i].null;
    pb[i].buffer_type = MYSQL_TYPE_STRING;
    pb[i].buffer = const_cast<char*>(params[i].s.data());
    pb[i].buffer_length = plen[i];
    pb[i].length = &plen[i];
    pb[i].is_null = &pnull[i];
  }
  bool good = (nparams_ == 0 || a.stmt_bind_param(s, pb.data()) == 0) && a.stmt_execute(s) == 0;
  if (good && !fields_.empty()) good = a.stmt_store_result(s) == 0;
  if (!good) {
    err_no_ = a.stmt_errno(s);
    err_msg_ = a.stmt_error(s);
    note_lost(conn_, err_no_, err_msg_);
    if (quiet) {
      a.stmt_free_result(s);
      return false;
    }
    fail();
  }
  conn_->executed++;
  if (!conn_->autocommit && fields_.empty()) conn_->dirty = true;
  affected_ = a.stmt_affected_rows(s);
  if (fields_.empty()) return true;
  // The result: every column as text, buffers as long as the longest value
  // stored, at most 64 KB (a longer value is fetched again whole: the
  // length the server announces never sizes a buffer by itself).
  MYSQL_RES* md = a.stmt_result_metadata(s);
  unsigned n = unsigned(fields_.size());
  std::vector<MYSQL_BIND> rb(n);
  std::vector<unsigned long> rlen(n);
  std::vector<my_bool> rnull(n), rerr(n);
  std::vector<std::string> buf(n);
  for (unsigned i = 0; i < n; i++) {
    unsigned long want = md ? a.fetch_field_direct(md, i)->max_length : 0;
    buf[i].resize(std::clamp<unsigned long>(want, 80, 65536) + 1);
    std::memset(&rb[i], 0, sizeof rb[i]);
    rb[i].buffer_type = MYSQL_TYPE_STRING;
    rb[i].buffer = buf[i].data();
    rb[i].buffer_length = buf[i].size();
    rb[i].length = &rlen[i];
    rb[i].is_null = &rnull[i];
    rb[i].error = &rerr[i];
  }
  if (md) a.free_result(md);
  if (a.stmt_bind_result(s, rb.data()) != 0) {
    a.stmt_free_result(s);
    fail();
  }
  for (;;) {
    int r = a.stmt_fetch(s);
    if (r == MYSQL_NO_DATA) break;
    if (r == 1) {
      a.stmt_free_result(s);
      fail();
    }
    Sql_row row(n);
    for (unsigned i = 0; i < n; i++) {
      if (rnull[i]) {
        row[i].null = true;
        continue;
      }
      if (rlen[i] < buf[i].size()) {
        row[i].s.assign(buf[i].data(), rlen[i]);
        continue;
      }
      // Longer than its buffer: fetched again whole.
      // (The string sized first: the buffer handed over is its final one.)
      std::string whole(rlen[i] + 1, '\0');
      MYSQL_BIND one;
      std::memset(&one, 0, sizeof one);
      unsigned long got = 0;
      one.buffer_type = MYSQL_TYPE_STRING;
      one.buffer = whole.data();
      one.buffer_length = whole.size();
      one.length = &got;
      a.stmt_fetch_column(s, &one, i, 0);
      whole.resize(std::min<unsigned long>(got, rlen[i]));
      row[i].s = std::move(whole);
    }
    if (rows) rows->push_back(std::move(row));
  }
  a.stmt_free_result(s);
  return true;
}

bool Msq_query(Sql_conn* c, const std::string& text, std::vector<Sql_row>* rows, std::vector<Sql_field>* fields,
               uint64_t* affected, bool quiet) {
  const Msq_api_tbl& a = Msq_api();
  if (rows) rows->clear();
  if (fields) fields->clear();
  if (c->failed) {
    if (quiet) return false;
    raise_lost(c);
  }
  if (a.real_query(H(c), text.data(), text.size()) != 0) {
    note_lost(c, a.err_no(H(c)), a.error(H(c)));
    if (quiet) return false;
    Msq_fail_conn(c);
  }
  c->executed++;
  if (!c->autocommit) c->dirty = true;
  // Several statements in one text, or a procedure call, give further
  // results after the first: they are read and dropped, so that the
  // connection is ready for the next statement (the first result is the
  // statement's); a later statement that fails fails the whole text.
  auto drain = [&]() {
    for (;;) {
      int rc = a.next_result(H(c));
      if (rc < 0) return true;
      if (rc > 0) {
        if (quiet) return false;
        Msq_fail_conn(c);
      }
      if (MYSQL_RES* more = a.store_result(H(c))) a.free_result(more);
    }
  };
  MYSQL_RES* r = a.store_result(H(c));
  if (!r) {
    if (a.field_count(H(c)) != 0) {
      if (quiet) return false;
      Msq_fail_conn(c);
    }
    if (affected) *affected = a.affected_rows(H(c));
    return drain();
  }
  if (affected) *affected = 0;
  unsigned n = a.num_fields(r);
  if (fields) {
    fields->resize(n);
    for (unsigned i = 0; i < n; i++) fill_field((*fields)[i], a.fetch_field_direct(r, i));
  }
  while (MYSQL_ROW row = a.fetch_row(r)) {
    unsigned long* len = a.fetch_lengths(r);
    Sql_row out(n);
    for (unsigned i = 0; i < n; i++) {
      if (!row[i]) out[i].null = true;
      else out[i].s.assign(row[i], len[i]);
    }
    if (rows) rows->push_back(std::move(out));
  }
  a.free_result(r);
  return drain();
}
