// Breakpoints and the watch list of a debugging thin client.
//
// The client keeps both lists and hands them over as two client properties:
//
//   "*BreakList"  2 bytes (unused), u16 big-endian count, then count
//                 breakpoint texts, each a length byte and the text
//   "*WatchList"  byte 0 unused, byte 1 the chunk length for long strings
//                 (0 none), then entries of a length byte and the text of a
//                 watch expression (a trailing " {...}" part is ignored)
//
// A breakpoint text is a list of KEY=value items separated by ',', the key
// known by its first four letters (any case): PROG=program (up to 250
// characters), STAT=line number or label (40), CHAN=expression (fires when
// its value changes), TEST=expression (fires when it becomes true); CHAN and
// TEST take the rest of the breakpoint text (100 characters).
//
// Each watch result goes back as one "*Watch" long mnemonic:
//   ESC 'm' 'n' '(' (text length + 10) 6 "*Watch" (text length + 2)
//   entry number (u16 big-endian, from 0) text
// all entries of one refresh sent together.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum : uint8_t { BREAK_CHAN = 1, BREAK_TEST = 2 };

struct Break_parts {
  std::string program;     // empty: any program
  std::string statement;   // line number (begins with a digit) or label; empty none
  std::string expression;  // CHAN or TEST expression; empty none
  uint8_t kind = 0;        // BREAK_CHAN, BREAK_TEST, 0 none
  bool valid = true;
};

// Splits one breakpoint text.  An item without '=', an unknown key or a
// value over its limit makes it invalid.
Break_parts SplitBreakLine(std::string_view text);
// The breakpoint texts of a "*BreakList" value; false when the value is
// shorter than its count and lengths say (nothing is read past its end).
bool Break_parse_list(std::string_view value, std::vector<std::string>& texts);
// A new list: the entries are made (compiled) at the next check.  An empty
// list turns the breakpoints off.
void Break_set_list(const std::vector<std::string>& texts);
// Called before each statement of a numbered line while client breakpoints
// are on: the number (from 1) of the last entry that fired, 0 none.
int BreakPointCheck();
// Frees every entry (also at shut-down).
void ClearBreaks();
// Whether the part of path after its last '/' or '\' equals name (any case).
bool BreakSimpleCmp(std::string_view path, std::string_view name);
// Breakpoint checks suspended (while the client serves a stop, say).
void Break_suspend(bool on);

// ---- watch list ----
struct Watch_list {
  uint8_t chunk = 0;
  std::vector<std::string> exprs;
};
bool Watch_parse_list(std::string_view value, Watch_list& out);
// A string value as watch text: printable runs in double quotes, other
// bytes as '$' and hexadecimal digit pairs (a run shares its '$' pair),
// pieces joined with '+'.  An empty string is "".
std::string Watch_quote(const uint8_t* p, size_t n);
// The texts of one watch result: "expr=value"; a string longer than the
// chunk length is cut into chunks: "expr {1:n}=..." then "... {a:b}=..." for
// each further chunk.  A text is cut with ".." at 236 characters.  kind: 0
// number (value as text), 1 string, 2 "<Invalid>", 3 "<Err>".
std::vector<std::string> Watch_texts(const std::string& expr, int kind, const std::string& value, uint8_t chunk);
// Appends one "*Watch" entry to buf.
void GenRmtWatchEntry(std::string& buf, const std::string& text, uint16_t entry_no);
// Sets the watch list (the client's new "*WatchList"); an empty list turns
// watching off.
void Watch_set_list(const Watch_list& list);
// Evaluates every watch expression and builds the "*Watch" entries; empty
// when nothing changed since the last refresh that was sent.
std::string Watch_refresh();

// How the client is reached (filled by the thin-client layer): the value of
// a client property, and sending bytes to the client as printed output.
// Null while no client is attached.
struct Client_debug_io {
  bool (*get_property)(const char* name, std::string* value) = nullptr;
  void (*send)(const std::string& bytes) = nullptr;
};
extern Client_debug_io Client_debug;
// The client reports a changed breakpoint or watch list: fetched at the next
// statement boundary.
void Break_list_changed();
void Watch_list_changed();
// Installs the statement-loop hook (called once at start-up).
void Breakpoints_init();
