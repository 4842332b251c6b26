// DUMP and its two compact forms, which the IDE debug link sends as its
// "stack" and "var" replies.
#pragma once
#include <cstddef>
#include <string>

// The dump of one variable name, as the IDE asks for it: level as the IDE
// counts (0 the outermost), the variable name as typed ("A", "B$", "%G").
// The reply is the variable in one-variable form (name, '=', value, TAB; for
// an array every element that is set), or the name and "=<?>\t"; then a
// line feed.
std::string Dump_EclipseVar(int level, const char* name, size_t len);
// Every call level in names-only form, current first, then the global
// names: "name;line|path|line|VAR|...#...#\n".
std::string Dump_EclipseStack();
// A string as DUMP shows it: printable runs in double quotes (a quote
// doubled), SEP and ESC by name, other bytes in hexadecimal between '$',
// the pieces joined with '+'; "" when empty.  Output stops (with "...")
// once max bytes have been produced (0: no limit).
// esc_by_name false shows ESC in hexadecimal like any other byte.
std::string Dump_string_text(const unsigned char* p, size_t n, size_t max = 0, bool esc_by_name = true);
