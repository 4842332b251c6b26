// Message texts, case tables and the day and month names, read from the
// library file "_mlfile.<language>".
//
// File: fixed 80-byte records, record n at byte offset n * 80, the text
// padded with NUL bytes.  Records below 128 (and any other not listed here)
// are message texts; special records:
//   128        the LIST page-stop prompt
//   129..135   the day and month names, joined with "," into one list of 47
//              names: name 0 (empty), 12 month names, 7 weekday names
//              (Monday first, as weekday numbers run), 4 AM/PM markers ("am", "pm", "AM", "PM"),
//              then the same 23 in short form
//   136        a further comma list (read with a trailing "," added)
//   140..143   Uppercs, 144..147 Lowercs, 148..151 Accents: 64 bytes of each
//              record make one 256-byte table
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum : int {
  MSG_RECORD_SIZE = 80,
  MSG_PAGE_STOP = 128,
  MSG_DATE_NAMES = 129,  // .. 135
  MSG_COMMA_LIST = 136,
  MSG_UPPERCS = 140,
  MSG_LOWERCS = 144,
  MSG_ACCENTS = 148,
  DTE_NAME_COUNT = 47,
};

// The case tables; ASCII case mapping (and identity for Accents) until the
// message file replaces them.
extern uint8_t Uppercs[256];
extern uint8_t Lowercs[256];
extern uint8_t Accents[256];
// 1 for each printable byte (DEF CHR replaces it; CVS( mode 16 reads it).
// Defined in functions/text_convert.cpp.
extern uint8_t Printables[256];

// The library directory (ws.Lib_dir, else $ORULIB, else the build's own) and
// the language (ORULANG, else the first two letters of LANG, else "en").
std::string Lib_dir_path();
std::string Lib_language();

// Opens the message file of the language (falling back to "en"), keeps its
// descriptor in ws.Msg_fd and loads the case tables, the day and month names
// and the comma list.  Returns the descriptor or -1 when there is none.
int Msg_open();
int Msg_open_file(const char* path);  // the same for one given file
void Msg_close();

// Text of message n: a user-defined text, else record n of the file without
// its trailing NULs, else "Error:" and n in three digits; n of 256 and above
// is the host's text of errno n - 256; -1 is the extended error text.
std::string Msg_text(int n);
// Msg_text(n) into the string accumulator (copied into the work area).
void Msg_read(int n);
// User-defined texts (the MSG directive).  A numbered text hides the record
// of the file; Msg_undefine removes a definition (false when none).
void Msg_define(int n, std::string_view text);
void Msg_define_named(std::string_view key, std::string_view text);
bool Msg_undefine(int n);
bool Msg_undefine_named(std::string_view key);
// A named user text; false when the key is not defined.
bool Msg_named(std::string_view key, std::string* text);

// 64 bytes of each of the records first .. first + 3 into table (unchanged
// when the file is not open or a record is missing).
void Msg_load_tbl(int first, uint8_t* table);
void Msg_load_dte();
void Msg_load_edt();
// DEF UCS / LCS / CVS: a 256-byte operand replaces the table, an empty one
// reloads it from the file; any other length raises error 46.
void Load_tbl(int first, uint8_t* table, std::string_view operand);
// DEF DTE: a list of exactly 47 names (46 commas) replaces the names, an
// empty one reloads them; otherwise error 35.
void Load_dte(std::string_view operand);
// The names list as one text, and name i (0..46) of it.
const std::string& Dte_names();
std::string_view Dte_name(int i);
// Record 136 with a trailing ",", or empty when the record is missing.
const std::string& Msg_comma_list();

// Case-blind comparison through Uppercs: the difference of the first
// differing upper-cased bytes, 0 when equal.
int memicmp(const void* a, const void* b, size_t n);

// Prints the text of message n and a new line on the console; the string
// accumulator is left as it was.
void Disp_error(int n);
