// SQL channels: transactions over every open connection, and table locks.
//
// Transactions: the process is in auto-commit mode until a transaction
// begins; then every connection of the open SQL channels (and every new
// one) runs with auto-commit off until COMMIT or ROLLBACK ends it, which
// commits or rolls back each connection once and turns auto-commit on
// again.  COMMIT and ROLLBACK always reach the server, whatever kind of
// statement ran.
//
// Table locks are named locks of the server, so that every process that
// reaches the same server sees them.  For a table (database and name,
// without regard to case) with B = "oru." and 16 hex digits of a 64-bit
// FNV-1a hash of "database.table":
//   B.g     guard, held only while the marks below are tested and taken
//   B.x     exclusive mark, held by the channel that LOCKed the table
//   B.s<n>  share slots 0..509: every open channel holds one
// OPEN is refused (busy) while another process holds B.x; LOCK is refused
// while another process holds a share slot or B.x.  Locks held by any
// connection of this process do not count against it.
#include <algorithm>
#include <cstdio>
#include <set>

#include "core/errors.h"
#include "core/workspace.h"
#include "net/sql_channel.h"

std::vector<Sql_chan*>& Dbx_open_channels();

namespace {

bool in_txn = false;
int next_slot = 0;
constexpr int SHARE_SLOTS = 510;

std::set<Sql_conn*> connections() {
  std::set<Sql_conn*> s;
  for (Sql_chan* sc : Dbx_open_channels()) {
    if (sc->conn) s.insert(sc->conn);
  }
  return s;
}

std::set<uint64_t> own_ids() {
  std::set<uint64_t> s;
  for (Sql_chan* sc : Dbx_open_channels()) {
    if (sc->conn) s.insert(sc->conn->id);
    if (sc->xconn) s.insert(sc->xconn->id);
  }
  return s;
}

std::string lock_base(Sql_chan* sc) {
  std::string id = sc->db + "." + sc->table;
  uint64_t h = 14695981039346656037ull;
  for (char c : id) {
    h ^= uint8_t(std::tolower(uint8_t(c)));
    h *= 1099511628211ull;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "oru.%016llx", static_cast<unsigned long long>(h));
  return buf;
}

// One-row query of the lock functions; the values of its row.
Sql_row lock_query(Sql_chan* sc, const std::string& text, const std::vector<Sql_value>& p) {
  std::vector<Sql_row> rows;
  Dbx_run(sc, Dbx_stmt(sc, text), p, &rows);
  return rows.empty() ? Sql_row{} : rows[0];
}

bool got(const Sql_row& r) { return !r.empty() && !r[0].null && r[0].s == "1"; }

void guard(Sql_chan* sc, bool on) {
  std::string g = lock_base(sc) + ".g";
  if (on) {
    if (!got(lock_query(sc, "SELECT GET_LOCK(?, 10)", {{g}}))) Rpt_error(err::RECORD_BUSY);
  } else {
    lock_query(sc, "SELECT RELEASE_LOCK(?)", {{g}});
  }
}

// Whether a connection of another process holds the mark.
bool foreign(const Sql_value& holder, const std::set<uint64_t>& own) {
  return !holder.null && !own.count(std::strtoull(holder.s.c_str(), nullptr, 10));
}

}  // namespace

bool Dbx_in_transaction() { return in_txn; }

bool Dbx_pending() {
  for (Sql_conn* c : connections())
    if (c->dirty) return true;
  return false;
}

// Rows read inside the transaction may be gone after it; rows EXTRACTed on
// a connection of the transaction are no longer locked.
static void forget_reads() {
  for (Sql_chan* sc : Dbx_open_channels()) {
    sc->batch.clear();
    sc->batch_valid = false;
    sc->batch_next = 0;
    if (!sc->xconn) {
      sc->extracted = false;
      sc->ex_key.clear();
    }
  }
}

// COMMIT and ROLLBACK reach every connection in a transaction, whatever
// kind of statement ran on it.
void Dbx_Commit() {
  for (Sql_conn* c : connections())
    if (!c->autocommit && !Msq_commit(c)) Msq_fail_conn(c);
  if (in_txn) forget_reads();
}

void Dbx_Rollback() {
  forget_reads();
  for (Sql_conn* c : connections())
    if (!c->autocommit && !Msq_rollback(c)) Msq_fail_conn(c);
}

void Dbx_AutoCommit(int code) {
  Dbx_Commit();
  bool on = code == 195;
  in_txn = !on;
  for (Sql_conn* c : connections())
    if (c->autocommit != on && !Msq_set_autocommit(c, on)) Msq_fail_conn(c);
}

void Dbx_share_table(Sql_chan* sc) {
  std::string base = lock_base(sc);
  std::set<uint64_t> own = own_ids();
  guard(sc, true);
  try {
    Sql_row x = lock_query(sc, "SELECT IS_USED_LOCK(?)", {{base + ".x"}});
    if (!x.empty() && foreign(x[0], own)) Rpt_error(err::RECORD_BUSY);
    for (int i = 0; i < SHARE_SLOTS && sc->share_slot < 0; i++) {
      int n = (next_slot + i) % SHARE_SLOTS;
      if (got(lock_query(sc, "SELECT GET_LOCK(?, 0)", {{base + ".s" + std::to_string(n)}}))) {
        sc->share_slot = n;
        next_slot = (n + 1) % SHARE_SLOTS;
      }
    }
    if (sc->share_slot < 0) Rpt_error(err::RECORD_BUSY);
  } catch (...) {
    try {
      guard(sc, false);
    } catch (...) {
    }
    throw;
  }
  guard(sc, false);
}

void Dbx_release_table(Sql_chan* sc) {
  if (!sc->conn || sc->conn->failed) return;
  std::string base = lock_base(sc);
  if (sc->exclusive) {
    sc->exclusive = false;
    lock_query(sc, "SELECT RELEASE_LOCK(?)", {{base + ".x"}});
  }
  if (sc->share_slot >= 0) {
    int n = sc->share_slot;
    sc->share_slot = -1;
    lock_query(sc, "SELECT RELEASE_LOCK(?)", {{base + ".s" + std::to_string(n)}});
  }
}

void Dbx_lock_table(Sql_chan* sc, bool on) {
  if (sc->command) return;
  std::string base = lock_base(sc);
  if (!on) {
    if (sc->exclusive) {
      sc->exclusive = false;
      lock_query(sc, "SELECT RELEASE_LOCK(?)", {{base + ".x"}});
    }
    return;
  }
  if (sc->exclusive) return;
  std::set<uint64_t> own = own_ids();
  guard(sc, true);
  try {
    std::string text = "SELECT IS_USED_LOCK(?)";
    std::vector<Sql_value> p{{base + ".x"}};
    for (int n = 0; n < SHARE_SLOTS; n++) {
      text += ",IS_USED_LOCK(?)";
      p.push_back({base + ".s" + std::to_string(n)});
    }
    Sql_row r = lock_query(sc, text, p);
    for (auto& v : r)
      if (foreign(v, own)) Rpt_error(err::RECORD_BUSY);
    if (!got(lock_query(sc, "SELECT GET_LOCK(?, 0)", {{base + ".x"}}))) Rpt_error(err::RECORD_BUSY);
    sc->exclusive = true;
  } catch (...) {
    try {
      guard(sc, false);
    } catch (...) {
    }
    throw;
  }
  guard(sc, false);
}
