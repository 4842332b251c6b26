// The data dictionary: a keyed file ("tessaron.ddf") that maps table names
// to physical files.  OPEN DICT [name] opens it on the internal channel
// 65025 (a directory gets "/tessaron.ddf"); it must be keyed with at least
// three keys (error 17).  OPEN (ch)TABLE "name" and ERASE TABLE "name"
// resolve a table through key 1: its record holds fields separated by the
// byte 0x8A, the second the file's name, or "=" and an expression whose
// string value is the name.  No dictionary, or no such table, is error 84;
// a record without its two fields error 10.
#pragma once
#include <string>

void Dict_open(const std::string& name);
void Dict_close();
// The resolved path of the open dictionary, "" when none.
std::string Dict_path();
// The cursor is at the TABLE code: evaluates the table name and leaves the
// file's name in the string accumulator.
void Dict_table_at_cursor();
// The file name of table `table`.
std::string Dict_resolve(const std::string& table);
