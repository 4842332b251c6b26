// SQL channels (file kind 25): one table of a MySQL or MariaDB database seen
// as a keyed channel, or, without a table, a command connection.
//
// Open string, after the "[mysql]" prefix:
//   database;table[;NAME[=VALUE]]...
// Options: USER, PSWD/PASSWORD, HOST/SERVER, PORT, KEY=segments (one per
// key number, in order), REC=record map, UNIQUE/SHARED, STRIP/NOSTRIP,
// NULLPADKEY, NONULLS, NONUMADJ, TOP, DATE_CONVERT, DATETIME_CONVERT,
// TIMESTAMP_CONVERT, TAVRODATE, STDDATE, DATEFMT, BUSYRETRY, EXTROPT, DEBUG,
// IOPROG, IND=-n column descriptions and the accepted
// no-ops (PREPARE, ORACLE, WAITZERO, CURSORCLOSE, AUTO_INDEX, EXEC_SPRNO).
// Unknown names are ignored.  The defaults come from the [MySql] section of
// the ini file.
//
// Record map (REC=): items separated by ',' (the field ends with the field
// separator) or '+' (the field is laid at its full width and the next
// follows at once):
//   column            type and length from the table
//   column:n          text of n characters
//   column:n.d        number of n digits, d decimal places (+3 for sign and
//                     point unless NONUMADJ)
//   column:D          date
//   "literal"         text placed in the record as it stands
// Without REC= every column of the table, in table order.
//
// Key definition (KEY=): segments separated by ',', each a column of the
// map, optionally ':' and flags C (upper case), L (lower case), D
// (descending).  A key string is the segments laid end to end: text cut to
// the column's length and padded with blanks (NUL under NULLPADKEY) except
// in the last segment, numbers right-aligned in '0' characters.
//
// Position: a channel stands on a key (the key of the row last read, or a
// KEY= value given).  The next sequential READ returns the first row after
// it in the key's order (or at it, for a KEY= value that was not found).
// Rows are fetched in batches that grow while reading goes on; a secondary
// key is ordered by its segments and then by the columns of key 0, so rows
// with equal secondary keys are neither skipped nor repeated.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "net/sql.h"
#include "net/sql_backend.h"

// Option word bits (as the ini file and FIN report them).
enum : uint32_t {
  SQO_TAVRODATE = 0x4,
  SQO_STRIP = 0x80,
  SQO_EXEC_SPRNO = 0x200,
  SQO_ORACLE = 0x800,
  SQO_PREPARE = 0x3000,
  SQO_NULLPADKEY = 0x8000,
  SQO_NONULLS = 0x10000,
  SQO_NONULLS_KEYS = 0x20000,
  SQO_UNIQUE = 0x40000,
  SQO_NONUMADJ = 0x80000,
  SQO_NO_BUSYRETRY = 0x100000,
  SQO_WAITZERO = 0x200000,
  SQO_NO_DATE_CONVERT = 0x10000000,
  SQO_NO_DATETIME_CONVERT = 0x20000000,
  SQO_NO_TIMESTAMP_CONVERT = 0x40000000,
  SQO_ONE_RESULT = 0x80000000,
};

// Record forms of a column's value (REC= formats H, B and P).
enum : uint8_t {
  SQF_HEX = 1,     // the column holds hex digits, the record the bytes
  SQF_BINARY = 2,  // text kept byte for byte
  SQF_PACKED = 4,  // the record holds the number scaled by its decimal
                   // places as an unsigned big-endian binary integer
};

struct Sql_col {
  std::string name;    // column name in the table ("" for a literal)
  char type = 0;       // 'C' text, 'N' number, 'D' date, '\'' literal
  int len = 0;         // field length in the record
  int dec = 0;         // decimal places of numbers
  bool fixed = false;  // laid at full width, no separator after it
  bool binary = false; // bytes kept as they are (no trimming)
  uint8_t fmt = 0;     // SQF_* record form of the value
  std::string literal;  // a literal's text; a variant marker's pattern
  int sel = -1;        // index in the SELECT list (-1 for literals and markers)
  int vsec = -1;       // the variant section the field belongs to (-1 every
                       // record); a marker: the section it opens (-1 closes)
};

// Variant records: a map item '?pattern' opens a section whose fields a
// record has when its selector bytes (the TYP= slices laid end to end)
// match the pattern and no earlier section of the group matched; '?~pattern'
// when they do not match; '?~' alone when no earlier one matched; '?' alone
// closes the group.  Fields of sections that do not apply are skipped both
// ways.  Patterns: '.' any byte, [...] a class (ranges a-b, leading '^'
// negates), "[]" the end; each alternative is one unit per selector byte
// and one for the end, and a longer pattern holds further alternatives.
struct Sql_section {
  std::string pattern;
  bool negate = false;  // '?~'
  int group = 0;
};
struct Sql_selector {
  int col = 0;          // index into Sql_chan::cols
  int off = 0;          // from 0 inside the field
  int len = 0;
};

struct Sql_key {
  std::vector<int> seg;       // column entries (index into Sql_chan::cols)
  std::vector<char> flag;     // 'C', 'L' or 0; 'D' descending marks desc
  std::vector<bool> desc;
  std::vector<int> seg_len;
  int total = 0;
  std::vector<int> order;     // segments then the tie-break columns of key 0
  std::string index;          // *INDEX: the server's index of the key (kept for KEN only)
  std::string name;           // *NAME: the key's name for KNO=
};

struct Sql_position {
  bool set = false;           // a key stands (false: before the first row)
  bool inclusive = false;     // the row at the key itself comes next
  bool from_row = false;      // the values are a row's (tie-break valid)
  int nseg = 0;               // key segments in use
  bool partial = false;       // the last segment in use is a prefix
  Sql_row vals;               // one per entry of the key's order
};

struct Sql_chan {
  Msq_settings settings;
  uint32_t opts = 0;
  int top = 0;
  std::string debug_tag, extract_suffix, datefmt, auto_index;
  std::string db, table, table_q;   // table_q: quoted for SQL
  bool command = false;             // no table: a command channel
  Sql_conn* conn = nullptr;
  Sql_conn* xconn = nullptr;        // extract connection (auto-commit mode)
  std::vector<Sql_col> cols;        // record map in map order
  std::vector<std::string> sel;     // SELECT list (column names)
  std::vector<Sql_field> sel_info;  // their facts
  std::vector<Sql_key> keys;
  // Layouts: IND= numbers the rows by key 0's one column (an 8-character
  // field in front of the record, not shown to programs); KEYDATA= puts
  // key 0's columns at the front at full width, given by KEY= and not
  // shown either; RECDATA= lays every field at full width.
  std::vector<Sql_section> sections;
  std::vector<Sql_selector> selectors;
  bool open_group = false;          // the map ends inside variant sections
  bool ind_mode = false;
  int64_t ind_cur = -1;             // IND mode: the row number last read or written
  bool ind_reread = false;          // IND mode: EXTRACT left the channel on its row
  // KEY=* as key 0: every column is part of the key; records read are
  // empty and a record written is given whole by KEY=.
  bool whole_key = false;
  int keydata_len = 0;
  bool recdata = false;
  std::map<std::string, std::unique_ptr<Sql_stmt>> stmts;   // on conn
  std::map<std::string, std::unique_ptr<Sql_stmt>> xstmts;  // on xconn
  // Position and the read-ahead batch.
  int kno = 0;
  bool opened_state = true;         // nothing read since open (KEC: error 11)
  Sql_position pos;
  std::string cur_key;              // KEC
  Sql_row cur_row;                  // the row the channel stands on
  bool have_row = false;
  std::vector<Sql_row> batch;
  size_t batch_next = 0;
  bool batch_valid = false;
  bool batch_short = false;         // the last batch ended the rows
  int batch_kno = -1;
  size_t batch_limit = 0;
  // EXTRACT: the locked row (values of key 0's order) and where it is held.
  bool extracted = false;
  Sql_row ex_key;
  // Command channels: the result of the last statement.
  std::vector<Sql_row> cmd_rows;
  size_t cmd_next = 0;
  bool cmd_result = false;
  std::vector<Sql_field> cmd_fields;
  std::string last_text;            // KEN: the last statement run
  // Table lock: the prefix-file entry that resolved the name (-1 none),
  // the offset of the table's lock area (0 none), the range held there
  // (length 0 none) and whether it is the exclusive mark.
  int64_t pfx_entry = -1;
  int64_t lock_area = 0;
  int64_t held_off = 0;
  int64_t held_len = 0;
  bool exclusive = false;
};

struct Dbx_fcb : Fcb {
  Sql_chan* sc;
};

// The record layout of a table column from the type text SHOW COLUMNS gives
// ("varchar(24)", "decimal(10,2)", "int(11) unsigned"): 'N' number, 'D'
// date (unless opts turn its conversion off), else 'C' text; its length
// (numbers: digits + 3 unless SQO_NONUMADJ; dates: datefmt_len when a DATE
// format is set), places and whether it is binary.  Numbers the server
// states are bounded (text 65,535 bytes, 65 digits, 30 places); the text
// and blob types take their own lengths: MEDIUM 16,777,215 bytes, LONG and
// JSON as much as a string holds (SQL_LONG_FIELD).
constexpr long SQL_TEXT_MAX = 65535;
constexpr int SQL_MEDIUM_FIELD = 16777215;
constexpr int SQL_LONG_FIELD = 0x7FFFFFF0;
// A channel's record buffer starts at most this long and grows as a WRITE
// fills it, up to the record size.
constexpr int32_t SQL_BUFFER_START = 1 << 20;
struct Sql_col_type {
  std::string data_type;
  char type = 'C';
  int len = 0, dec = 0;
  bool binary = false;
};
Sql_col_type Sql_column_type(const std::string& type_text, uint32_t opts, size_t datefmt_len);

// ---- shared by the SQL sources (not for other callers) ----
Sql_chan* Dbx_cur();
// A prepared statement of the channel on its connection (or the extract
// connection), made once per text.
Sql_stmt& Dbx_stmt(Sql_chan* sc, const std::string& text, bool extract = false);
// Runs a statement, keeping its text for KEN.
bool Dbx_run(Sql_chan* sc, Sql_stmt& st, const std::vector<Sql_value>& params, std::vector<Sql_row>* rows,
             bool quiet = false);
// Raises error n after the extended text was set; a busy error under
// BUSYRETRY=N is not retried.
void Dbx_open_slot_impl();
void Dbx_close_impl(Sql_chan* sc);
// Record conversion.
std::string Dbx_make_rec(Sql_chan* sc, const Sql_row& row, int sep);
// Splits a record into one value per SELECT column (the map's columns);
// present[i] says whether column i got a value from the record.
void Dbx_split_rec(Sql_chan* sc, const uint8_t* rec, int32_t len, int sep, Sql_row* vals, std::vector<bool>* present);
// The key string of a row for key k.
std::string Dbx_row_key(Sql_chan* sc, int k, const Sql_row& row);
// A key string as segment values of key k: returns the segments given.
int Dbx_parse_key(Sql_chan* sc, int k, const std::string& key, Sql_row* vals, bool* partial);
// Every segment of key k empty, as an empty KEY= compares them.
void Dbx_empty_key(Sql_chan* sc, int k, Sql_row* vals);
// Whether every number segment among the values of key k holds a number
// (the server would read "abc" as 0 and find another row).
bool Dbx_key_numbers_valid(Sql_chan* sc, int k, const Sql_row& vals);
// One value as the record shows it (no padding), and a record field as the
// value written.
std::string Dbx_field_out(Sql_chan* sc, const Sql_col& c, const Sql_value& v);
Sql_value Dbx_field_in(Sql_chan* sc, const Sql_col& c, const std::string& field);
// Value of a number column as the record shows it.
std::string Dbx_number_text(const std::string& s);
// Variant records: which sections a record with these selector bytes has
// (error 39 when the map ends inside sections and none applies), and
// whether a pattern matches them.
std::vector<bool> Dbx_variant_sections(Sql_chan* sc, const std::string& sel_bytes);
bool Dbx_variant_chk(const std::string& pattern, const std::string& sel_bytes);
// Column names compare without regard to case.
bool Dbx_same_name(const std::string& a, const std::string& b);
// The statement trace (parameter !Q): a message box on the thin client.
void Dbx_message_trace(const std::string& text, const std::string& title);
void Dbx_trace_statement(Sql_chan* sc, const std::string& text, bool extract);
// A statement's text as it is sent: with DEBUG= it is followed by a blank,
// the tag, a blank, the running program's path ("<NoPgm>" at the console),
// '@' and the line that runs it.
std::string Dbx_tagged(Sql_chan* sc, const std::string& text);
// Keeps the text of a statement as it was sent, for KEN(, and shows it in
// the trace.
void Dbx_keep_text(Sql_chan* sc, const std::string& text, bool extract);
// Table locks (byte ranges of the prefix file): OPEN takes a share slot in
// the area of the entry that resolved the name (busy 0 when none can be had),
// CLOSE releases it, LOCK takes the exclusive range and UNLOCK goes back.
void Dbx_share_table(Sql_chan* sc);
void Dbx_release_table(Sql_chan* sc);
void Dbx_lock_table(Sql_chan* sc, bool on);
