// Transactions over the EFF files and the registered participants (see
// transaction.h for the model and the participant interface).
#include "channels/transaction.h"

#include <array>
#include <cstring>

#include "channels/channel.h"
#include "core/errors.h"
#include "core/workspace.h"

namespace {

constexpr size_t MAX_PARTICIPANTS = 8;

// The EFF files take part first, always: their slot is kept for them, and
// the keyed layer's registration (Key_register_transactions, of the same
// name) fills it.  Until then there are no EFF files to take part.
void no_begin(int) {}
void no_op() {}
bool none_pending() { return false; }

std::array<Txn_participant, MAX_PARTICIPANTS> parts = {
    Txn_participant{TXN_EFF, no_begin, no_op, no_op, nullptr, none_pending}};
size_t part_count = 1;

// Runs fn for every participant, each under its own catch region; returns
// the first error (-1 none).
template <class F>
int each(F fn) {
  int first = -1;
  for (size_t i = 0; i < part_count; ++i) {
    Catch_region region;
    try {
      fn(parts[i]);
    } catch (const Oru_error& e) {
      if (first < 0) first = e.no;
    }
  }
  return first;
}

void close_transaction() {
  ws.Sys_flags7 &= uint16_t(~(TXN_OPEN | TXN_PERSISTENT));
  ws.Sys_flags11 &= uint16_t(~TXN_STATEMENT);
  each([](const Txn_participant& p) {
    if (p.end) p.end();
  });
}

}  // namespace

void Txn_register(const Txn_participant& p) {
  for (size_t i = 0; i < part_count; ++i) {
    if (std::strcmp(parts[i].name, p.name) == 0) {
      parts[i] = p;
      return;
    }
  }
  if (part_count >= MAX_PARTICIPANTS) Rpt_error_text(err::NOT_BUILT, "too many transaction participants");
  parts[part_count++] = p;
}

bool Txn_is_open() { return (ws.Sys_flags7 & TXN_OPEN) != 0; }

int ForceCommit() {
  if (!Txn_is_open()) return -1;
  int rc = each([](const Txn_participant& p) { p.commit(); });
  ws.Sys_flags7 &= uint16_t(~TXN_WARNED);
  if (!(ws.Sys_flags7 & TXN_PERSISTENT) && !(ws.Sys_flags11 & TXN_STATEMENT)) close_transaction();
  return rc;
}

int ForceRollback(bool force) {
  if (!Txn_is_open()) return -1;
  if (!force && (ws.Con_flags & CON_MODE) && !(ws.Sys_flags7 & TXN_WARNED) && IsTransactionUpdatePending()) {
    ws.Sys_flags7 |= TXN_WARNED;
    return 122;
  }
  int rc = each([](const Txn_participant& p) { p.rollback(); });
  ws.Sys_flags7 &= uint16_t(~TXN_WARNED);
  if (!(ws.Sys_flags7 & TXN_PERSISTENT)) close_transaction();
  return rc;
}

int BeginTransaction(int mode) {
  if (mode == TXN_MODE_AUTOCOMMIT) {
    // Back to auto-commit: what the transaction holds is committed.
    int rc = -1;
    if (Txn_is_open()) rc = each([](const Txn_participant& p) { p.commit(); });
    if (Txn_is_open()) close_transaction();
    ws.Sys_flags7 &= uint16_t(~TXN_WARNED);
    return rc;
  }
  int rc = each([mode](const Txn_participant& p) { p.begin(mode & 0xFF); });
  if (rc >= 0) {
    // What the participants began is undone; the transaction is over.
    each([](const Txn_participant& p) { p.rollback(); });
    close_transaction();
    ws.Sys_flags7 &= uint16_t(~TXN_WARNED);
    return rc;
  }
  ws.Sys_flags7 &= uint16_t(~TXN_WARNED);
  ws.Sys_flags7 |= TXN_OPEN;
  if (mode == TXN_MODE_PERSISTENT) ws.Sys_flags7 |= TXN_PERSISTENT;
  return -1;
}

bool IsTransactionUpdatePending() {
  if (!Txn_is_open()) return false;
  for (size_t i = 0; i < part_count; ++i)
    if (parts[i].pending && parts[i].pending()) return true;
  return false;
}

void Txn_statement_end() {
  if (!(ws.Sys_flags11 & TXN_STATEMENT) || !Txn_is_open()) return;
  Io_save_guard keep;
  int rc = ForceCommit();
  if (rc >= 0) Rpt_error(rc);
}

void Txn_end_run() {
  if (!Txn_is_open()) return;
  uint16_t persistent = ws.Sys_flags7 & TXN_PERSISTENT;
  ws.Sys_flags7 &= uint16_t(~TXN_PERSISTENT);
  int rc = ForceRollback(false);
  if (rc == 122) ws.Sys_flags7 |= persistent;  // only warned: nothing changed
  if (rc >= 0) Rpt_error(rc);
}

void Txn_wrap_up() {
  if (!Txn_is_open()) return;
  ws.Sys_flags7 &= uint16_t(~TXN_PERSISTENT);
  ForceRollback(true);
}
