// The MySQL back end of SQL channels: connections, prepared statements and
// the server's errors.
//
// Every value travels as a bound parameter of a prepared statement: no
// value is ever written into SQL text.  Identifiers (database, table and
// column names) are written into the text between backquotes, a backquote
// inside a name doubled (Msq_quote_ident).  A statement's result is stored
// on the client at once and handed over as rows of text values, so that any
// number of statements may be used in turn on one connection.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Sql_value {
  std::string s;
  bool null = false;
};
using Sql_row = std::vector<Sql_value>;

// Column facts of a result.
struct Sql_field {
  std::string name;
  int type = 0;              // the library's field type code
  uint64_t length = 0;       // display length in bytes
  unsigned decimals = 0;
  bool not_null = false;
  bool binary = false;
  bool is_number() const;
  bool is_date() const;      // DATE, DATETIME, TIMESTAMP
};

struct Msq_settings {
  std::string host, user, password, database, socket;
  unsigned port = 3306;
  unsigned connect_timeout = 0;  // seconds; 0 the library's default
};

struct Sql_conn {
  void* h = nullptr;              // the library's connection object
  int refs = 0;                   // channels using it
  bool autocommit = true;
  bool failed = false;            // the server went away: every use fails
  unsigned fail_no = 0;           // with the error that told so (2006, 2013)
  std::string fail_msg;           // and its text
  Msq_settings settings;
  uint64_t executed = 0;          // statements run (for the statistics)
  uint64_t id = 0;                // the server's connection id
  bool dirty = false;             // an update ran since the last commit or rollback
};

// Connects (error 12 when the server cannot be reached, 15 otherwise, the
// server's text in the extended error text).
Sql_conn* Msq_connect(const Msq_settings& s, bool autocommit);
// Commits (when auto-commit is off) and closes the connection.
void Msq_disconnect(Sql_conn* c);
// Status of the three transaction calls: true on success.
bool Msq_commit(Sql_conn* c);
bool Msq_rollback(Sql_conn* c);
bool Msq_set_autocommit(Sql_conn* c, bool on);

// Raises the connection's last error as the SQL layer reports it.
[[noreturn]] void Msq_fail_conn(Sql_conn* c);

class Sql_stmt {
 public:
  // Prepares text on the connection; a failure raises the server's error
  // (quiet: returns with ok() false instead).
  Sql_stmt(Sql_conn* c, const std::string& text, bool quiet = false);
  ~Sql_stmt();
  Sql_stmt(const Sql_stmt&) = delete;
  Sql_stmt& operator=(const Sql_stmt&) = delete;
  bool ok() const { return st_ != nullptr; }
  unsigned param_count() const { return nparams_; }
  // Runs with the parameters and stores the whole result in rows (cleared
  // first).  A failure raises the server's error, or with quiet returns
  // false (error_no() tells which).
  bool run(const std::vector<Sql_value>& params, std::vector<Sql_row>* rows, bool quiet = false);
  uint64_t affected() const { return affected_; }
  unsigned error_no() const { return err_no_; }
  const std::vector<Sql_field>& fields() const { return fields_; }
  const std::string& text() const { return text_; }
  const void* handle() const { return st_; }
  const Sql_conn* conn() const { return conn_; }
  [[noreturn]] void fail();

 private:
  Sql_conn* conn_;
  void* st_ = nullptr;
  std::string text_;
  unsigned nparams_ = 0;
  uint64_t affected_ = 0;
  unsigned err_no_ = 0;
  std::string err_msg_;
  std::vector<Sql_field> fields_;
};

// Runs text as it stands (a command channel's own SQL), storing its result.
// Returns false with quiet on failure; fields gets the result's columns.
bool Msq_query(Sql_conn* c, const std::string& text, std::vector<Sql_row>* rows, std::vector<Sql_field>* fields,
               uint64_t* affected, bool quiet);

// `name` with backquotes doubled, between backquotes.
std::string Msq_quote_ident(const std::string& name);
// The extended error text of the last failure: "MYSQL:<number>:<message>".
int Msq_error_number(unsigned server_no);
