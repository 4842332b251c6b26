// What the rest of the system calls of SQL channels (file kind 25).
#pragma once
#include <cstdint>

#include "channels/channel.h"

// The driver of SQL channels.
extern const Fio_op Dbx_fotbl[FIO_SLOTS];
// Process-wide transaction operations over every open SQL channel's
// connection (each connection once).  Failures raise error 15 with the
// server's text.
void Dbx_Commit();
void Dbx_Rollback();
// code 195 turns auto-commit on (ending a transaction with a commit), any
// other code turns it off (a transaction begins).
void Dbx_AutoCommit(int code);
bool Dbx_in_transaction();
// Joins SQL channels to the system's transactions (SET_JOURNAL BEGIN,
// COMMIT, ROLLBACK): called once at start-up.
void Dbx_register_transactions();
// ERASE of an SQL table: the table of the channel f (just opened for it)
// is dropped once the channel holds the table's exclusive mark (error 0
// while another process has the table open); a command channel names no
// table (error 13).
void Dbx_drop_table(Fcb* f);
// LOCK and UNLOCK of a whole SQL channel (the table's exclusive mark),
// registered with the channel layer at start-up.
void Dbx_hold_whole(Fcb* f, bool on);
// Whether a connection holds updates not yet committed in a transaction.
bool Dbx_pending();
// RNO( of the current channel, an SQL channel.
int64_t Dbx_getrno();
// Rows of the table of an SQL channel (FIN "NUMREC").
int64_t Dbx_record_count(Fcb* f);
// Statistics counter n (0..14): 1 connections made, 2 tables opened, 3
// connections shared, 4 SELECTs of rows, 5 inserts, 6 updates, 7 deletes.
int64_t DbxStats(int n);
// Unloads the client library at process end.
void Msq_Terminate();
