// SQL channels in the system's transactions: the participant that SET_JOURNAL
// BEGIN, COMMIT and ROLLBACK drive, so that the updates of SQL tables and EFF
// files of one transaction are committed or rolled back together.
#include "net/sql.h"

#if __has_include("channels/transaction.h")
#include "channels/transaction.h"

namespace {

// A transaction begins: what is pending is committed and every connection
// (and every one made later) stops auto-committing.
void sql_begin(int) { Dbx_AutoCommit('='); }
void sql_commit() { Dbx_Commit(); }
void sql_rollback() { Dbx_Rollback(); }
// The transaction is over: auto-commit is turned on again.
void sql_end() { Dbx_AutoCommit(195); }
bool sql_pending() { return Dbx_pending(); }

const Txn_participant sql_participant = {"SQL", sql_begin, sql_commit, sql_rollback, sql_end, sql_pending};

}  // namespace

void Dbx_register_transactions() { Txn_register(sql_participant); }

#else

// The transaction layer is not part of this build: SQL channels run in
// auto-commit mode.
void Dbx_register_transactions() {}

#endif
