// Transactions: the updates of EFF files and of the channels of other kinds
// that take part (SQL channels) commit or roll back together.
//
// State bits of ws.Sys_flags7: TXN_OPEN a transaction is open, TXN_PERSISTENT
// it stays open after COMMIT and ROLLBACK (AUTOCOMMIT OFF), TXN_WARNED the
// rollback warning (error 122) was given; ws.Sys_flags11 TXN_STATEMENT: the
// statement-level form, committed at the end of every statement.
//
// A transaction begun by SET_JOURNAL BEGIN ends at its COMMIT or ROLLBACK;
// SET_JOURNAL AUTOCOMMIT OFF opens one that every COMMIT and ROLLBACK
// renews, until AUTOCOMMIT ON.
//
// Participants.  A channel kind that takes part registers its callbacks once
// (at start-up, where it registers its driver):
//
//   static const Txn_participant sql = {"SQL", sql_begin, sql_commit,
//                                       sql_rollback, sql_end, sql_pending};
//   Txn_register(sql);
//
// begin(mode)   a transaction begins (mode TXN_MODE_BEGIN) or persistent mode
//               starts (TXN_MODE_PERSISTENT): commit what is pending, then
//               stop auto-committing.  Also called while a transaction is
//               open (a new BEGIN): commit, stay in the transaction.
// commit()      commit the participant's work of the transaction.
// rollback()    roll it back.
// end()         the transaction is over (after its commit or rollback, or
//               AUTOCOMMIT ON): auto-commit again.  May be null.
// pending()     true while the participant holds updates made inside the
//               open transaction.  May be null.
// Each callback reports failure by raising (Rpt_error); the transaction
// runs every participant's commit or rollback even when an earlier one
// failed, and raises the first error afterwards.  Participants run in
// registration order; the EFF files are always first.
#pragma once
#include <cstdint>

enum : uint16_t {
  TXN_OPEN = 2,
  TXN_PERSISTENT = 4,
  TXN_WARNED = 8,
  TXN_STATEMENT = 0x4000,  // in ws.Sys_flags11
};

// Mode bytes of the transaction forms (the compiled codes of ON and OFF;
// '=' is the code of OFF).
enum : int {
  TXN_MODE_BEGIN = '=',
  TXN_MODE_PERSISTENT = 0x100 | '=',
  TXN_MODE_AUTOCOMMIT = 195,
};

struct Txn_participant {
  const char* name;
  void (*begin)(int mode);
  void (*commit)();
  void (*rollback)();
  void (*end)();
  bool (*pending)();
};

// Adds a participant (a second registration of the same name replaces the
// first).  At most 8.  The EFF files' participant (name TXN_EFF) always
// comes first, before every registered one.
void Txn_register(const Txn_participant& p);
constexpr const char* TXN_EFF = "EFF";
bool Txn_is_open();

// The transaction calls return -1 on success, else the first error number.
int BeginTransaction(int mode);
int ForceCommit();
// force 0: at the console, with updates pending, the first call gives the
// rollback warning (error 122) instead of rolling back.
int ForceRollback(bool force);
bool IsTransactionUpdatePending();

// The statement-level transaction commits at the end of a statement that
// changed a file (Do_commit).
void Txn_statement_end();
// END and BEGIN: an open transaction is rolled back and ends (at the
// console the rollback warning comes first, see ForceRollback).
void Txn_end_run();
// Shut-down: an open transaction is rolled back.
void Txn_wrap_up();
