// The ini file reader.
//
// An ini file is text read line by line, in pieces of at most 499 bytes (a
// longer line goes on as a new piece).  A trailing line feed is removed, a
// carriage return is not.  A section begins with a line that begins with its
// name in square brackets, compared without regard to case; the rest of that
// line is ignored.  Its keys are the following lines of the form key=value
// (the key compared without regard to case) up to the next line that begins
// with "[".  There are no comments, no continuations and no trimming: in
// "Library = /x" the key is "Library " and does not match "Library".  Only the
// first section of a name counts.
//
//   [Config]
//   Library=/opt/oru/lib
//   [GLOBALS]
//   COMPANY$=Acme
//   YEAR=2024
#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Copies the default into out (at most size - 1 bytes and a NUL), then looks
// the key up in the section of the file at path.  Returns the length of the
// value found (copied, cut to size - 1), 0 when the file opened but the key
// was not there (out holds the default), or the default's length when the
// file cannot be opened.  With a null key, out receives every key name of the
// section, each followed by a NUL byte, and the total length is returned; a
// name that would leave fewer than 2 bytes free is left out.
int GetPrivateProfileString(const char* section, const char* key, const char* def, char* out, int size,
                            const char* path);
// The string form with the default printed in decimal, the result read as a
// decimal integer (0 when it does not begin with one).
int GetPrivateProfileInt(const char* section, const char* key, int def, const char* path);
// The same on the process's ini file (szSysIniFile).
int KestGetPrivateProfileString(const char* section, const char* key, const char* def, char* out, int size);
int KestGetPrivateProfileInt(const char* section, const char* key, int def);

// An ini file whose contents decide what runs (Commandline=, Library=) and
// that lies where others might swap it: opened once, checked on the open
// descriptor (a regular file owned by this user that neither group nor
// others may write), read whole and kept, so that every later lookup of
// that path reads what was checked.  1 kept, 0 no such file, -1 refused
// (not regular, not the user's own, writable by others, or over 1 MB).
int Ini_keep_own(const std::string& path);
// Forgets what Ini_keep_own kept.
void Ini_forget_kept();

// Conveniences for C++ callers over the same reader.
// The value of the key, or def when the file or the key is missing.
std::string Ini_string(const std::string& path, const char* section, const char* key, const std::string& def);
// Key names of the section in file order (empty when none).
std::vector<std::string> Ini_keys(const std::string& path, const char* section);
// Key names and values of the section in file order; a key given twice keeps
// its first value, as a lookup would find it.
std::vector<std::pair<std::string, std::string>> Ini_entries(const std::string& path, const char* section);
