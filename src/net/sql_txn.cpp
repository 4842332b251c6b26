// SQL channels: transactions over every open connection, and table locks.
//
// Transactions: the process is in auto-commit mode until a transaction
// begins; then every connection of the open SQL channels (and every new
// one) runs with auto-commit off until COMMIT or ROLLBACK ends it, which
// commits or rolls back each connection once and turns auto-commit on
// again.  COMMIT and ROLLBACK always reach the server, whatever kind of
// statement ran.
//
// Table locks are byte-range locks in the prefix file, in the lock area of
// the entry that resolved the table's name: every open channel holds one
// share slot, LOCK (and the drop of the table) holds the exclusive mark with
// every slot, so that other processes that reach the table through the
// prefix file see each other.  A table whose name no entry resolved (or no
// prefix file the user may write) has no lock area: every lock succeeds.
#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>
#include <vector>

#include "channels/open.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/workspace.h"
#include "net/sql_channel.h"

std::vector<Sql_chan*>& Dbx_open_channels();

namespace {

bool in_txn = false;
int next_slot = 0;  // the next share slot tried, for every table
constexpr int SHARE_SLOTS = 510;
// Lock area of a table: 512 bytes of the prefix file at this offset plus
// 512 x the record index of the table's entry; byte 0 the guard, byte 1 the
// exclusive mark, bytes 2 to 511 the share slots.
constexpr int64_t LOCK_AREA_BASE = 0x40000000;

std::set<Sql_conn*> connections() {
  std::set<Sql_conn*> s;
  for (Sql_chan* sc : Dbx_open_channels()) {
    if (sc->conn) s.insert(sc->conn);
  }
  return s;
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

// ---- table locks ----

namespace {

// Bytes off..off+len-1 unlocked, less those another channel of this process
// holds: the locks of one process on a file merge, so unlocking a range
// would also drop the slot or range of every other channel on the table.
void release_range(int fd, const Sql_chan* self, int64_t off, int64_t len) {
  std::vector<std::pair<int64_t, int64_t>> kept;
  for (Sql_chan* o : Dbx_open_channels())
    if (o != self && o->held_len > 0) kept.push_back({o->held_off, o->held_off + o->held_len});
  std::sort(kept.begin(), kept.end());
  int64_t p = off;
  const int64_t end = off + len;
  for (auto [a, b] : kept) {
    if (b <= p || a >= end) continue;
    if (a > p) Unlk_area(fd, p, a - p);
    p = std::max(p, b);
  }
  if (p < end) Unlk_area(fd, p, end - p);
}

// The lock primitive: the range held is released; then len bytes at off are
// locked without waiting under the area's guard byte, kept (len > 0) or
// released at once (len < 0, a test).  0 when another process holds any of
// them; 1 otherwise, and always without a lock area or a prefix file.
int lock_bytes(Sql_chan* sc, int64_t off, int64_t len) {
  int fd = Pfx_lock_fd();
  if (sc->held_len > 0) {
    int64_t o = sc->held_off, l = sc->held_len;
    sc->held_len = 0;
    if (fd >= 0) release_range(fd, sc, o, l);
  }
  if (len == 0 || fd < 0 || sc->lock_area == 0) return 1;
  Lock_area(fd, sc->lock_area, 1, -2);
  int failed = -1;  // the error of the lock, -1 none
  {
    Catch_region region;
    try {
      Lock_area(fd, off, len < 0 ? -len : len, 2);
      if (len < 0) {
        release_range(fd, sc, off, -len);
      } else {
        sc->held_off = off;
        sc->held_len = len;
      }
    } catch (const Oru_error& e) {
      failed = e.no;
    }
  }
  Unlk_area(fd, sc->lock_area, 1);
  if (failed >= 0 && failed != err::RECORD_BUSY) Rpt_error(failed);
  return failed < 0;
}

// A share slot: the next slot of the process's counter, the ones after it
// while they are held elsewhere, none while the exclusive mark is held.
bool share_file(Sql_chan* sc) {
  for (int i = 0; i < SHARE_SLOTS; i++) {
    int64_t slot = sc->lock_area + 2 + next_slot;
    next_slot = (next_slot + 1) % SHARE_SLOTS;
    if (lock_bytes(sc, slot, 1)) return true;
    if (i == 0 && !lock_bytes(sc, sc->lock_area + 1, -1)) return false;
  }
  return false;
}

void release_all() {
  for (Sql_chan* sc : Dbx_open_channels()) lock_bytes(sc, 0, 0);
}

}  // namespace

void Dbx_share_table(Sql_chan* sc) {
  Pfx_release_hook = release_all;
  int64_t entry = sc->pfx_entry;
  sc->lock_area = entry >= 0 ? LOCK_AREA_BASE + 512 * entry : 0;
  if (!share_file(sc)) Rpt_error(err::RECORD_BUSY);
}

void Dbx_release_table(Sql_chan* sc) {
  sc->exclusive = false;
  lock_bytes(sc, 0, 0);
}

// LOCK takes the exclusive mark and every share slot (busy while another
// process has the table open, and the channel keeps its share slot); UNLOCK
// goes back to a share slot.
void Dbx_lock_table(Sql_chan* sc, bool on) {
  if (sc->command || sc->exclusive == on) return;
  if (on) {
    if (!lock_bytes(sc, sc->lock_area + 1, SHARE_SLOTS + 1)) {
      share_file(sc);
      Rpt_error(err::RECORD_BUSY);
    }
    sc->exclusive = true;
  } else {
    sc->exclusive = false;
    if (!share_file(sc)) Rpt_error(err::RECORD_BUSY);
  }
}
