// The MySQL client library, loaded at run time.
//
// The interpreter does not link the client library: the first SQL use opens
// "libmysqlclient.so" and, when that is missing, MariaDB's own
// "libmariadb.so.3".  Each function is resolved on first load and kept in
// one table; the bind and time structures are the library's own (its header
// is used for their layout only).
#pragma once
#include <mariadb/mysql.h>

struct Msq_api_tbl {
  decltype(&mysql_init) init;
  decltype(&mysql_options) options;
  decltype(&mysql_real_connect) real_connect;
  decltype(&mysql_close) close;
  decltype(&mysql_autocommit) autocommit;
  decltype(&mysql_commit) commit;
  decltype(&mysql_rollback) rollback;
  decltype(&mysql_errno) err_no;
  decltype(&mysql_error) error;
  decltype(&mysql_real_query) real_query;
  decltype(&mysql_store_result) store_result;
  decltype(&mysql_free_result) free_result;
  decltype(&mysql_num_fields) num_fields;
  decltype(&mysql_fetch_row) fetch_row;
  decltype(&mysql_fetch_lengths) fetch_lengths;
  decltype(&mysql_fetch_field_direct) fetch_field_direct;
  decltype(&mysql_field_count) field_count;
  decltype(&mysql_affected_rows) affected_rows;
  decltype(&mysql_stmt_init) stmt_init;
  decltype(&mysql_stmt_prepare) stmt_prepare;
  decltype(&mysql_stmt_bind_param) stmt_bind_param;
  decltype(&mysql_stmt_bind_result) stmt_bind_result;
  decltype(&mysql_stmt_execute) stmt_execute;
  decltype(&mysql_stmt_store_result) stmt_store_result;
  decltype(&mysql_stmt_fetch) stmt_fetch;
  decltype(&mysql_stmt_fetch_column) stmt_fetch_column;
  decltype(&mysql_stmt_free_result) stmt_free_result;
  decltype(&mysql_stmt_reset) stmt_reset;
  decltype(&mysql_stmt_close) stmt_close;
  decltype(&mysql_stmt_attr_set) stmt_attr_set;
  decltype(&mysql_stmt_errno) stmt_errno;
  decltype(&mysql_stmt_error) stmt_error;
  decltype(&mysql_stmt_field_count) stmt_field_count;
  decltype(&mysql_stmt_param_count) stmt_param_count;
  decltype(&mysql_stmt_result_metadata) stmt_result_metadata;
  decltype(&mysql_stmt_affected_rows) stmt_affected_rows;
  decltype(&mysql_stmt_num_rows) stmt_num_rows;
  decltype(&mysql_thread_id) thread_id;
  decltype(&mysql_next_result) next_result;
};

// The loaded table; the first call loads the library (error 15 with "Unable
// to load <name>" when neither file loads, error 120 naming a missing entry
// point).
const Msq_api_tbl& Msq_api();
// The file the library was loaded from ("" before the first load).
const char* Msq_library_name();
// Sets what every connection needs before it connects: the connection's
// character set is latin1, so that the program's single-byte text is
// stored and read back byte for byte (the server converts for columns of
// another set); LOAD DATA LOCAL is off (a server could otherwise ask for
// any file the user may read); and with MariaDB's library, whose
// option numbers the header gives, only authentication plugins that never
// send the password as it stands are allowed (the clear-text one, and
// "dialog", are refused: connecting then fails).
void Msq_guard_connection(MYSQL* m);
// Unloads the library at process end.
void Msq_Terminate();
