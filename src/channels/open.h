// OPEN and the resolution of file names.
//
// A name given by a program becomes a host path in three steps:
//   Set_path   takes the name from the string accumulator, rewrites it
//              through the prefix file and the virtual directories, and
//              decides how it is searched (the path mode below);
//   Next_path  yields one candidate path after the other in ws.Path_buf;
//   Get_file   tries the candidates with Open_file until one opens.
// Open_file opens ws.Path_buf, recognises the file kind (name prefixes,
// the host file's type, the 256-byte header, link files), lets the kind's
// driver build the channel record and links it into the channel list.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// ---- the directive ----
void d_open();

// ---- name resolution (path_search.cpp) ----

// Path mode bits
enum : uint16_t {
  PM_GIVEN_FIRST = 1,  // try the name as given before the prefix lists
  PM_GIVEN_AFTER = 2,  // try it after them
  PM_LIBRARY = 4,      // (creation) search the library directory
  PM_AS_IS = 8,        // the name is the one candidate
  PM_LIB_PENDING = 16, // library search still to come
  PM_WHOLE_NAME = 32,  // the last prefix entry used the whole name ('*')
  PM_DOT_SLASH = 64,   // the name holds '.' or '/'
  PM_LIB_ONLY = 128,   // a "*" name: the library directory is the one place
};

// The name in the string accumulator (ws.Str_ptr, ws.Str_len): 1..511
// characters after trailing blanks are dropped (error 10).
void Set_path();
// The same for a C++ caller.
void Set_path(const std::string& name);
// The next candidate into ws.Path_buf: 0, or non-zero when none is left.
int Next_path();
// Starts the candidates again from the first (creation searches twice).
void Restart_path();
// Restricts the prefix lists to the one list `drive` (1..36) or, with -1,
// lets the search use them all again.
void Path_drive(int drive);
// Tries every candidate with Open_file: 0 when one opened, else the errno of
// the last attempt (ENOENT for a file found nowhere).
int Get_file();
// Raises the error of a failed open: a missing file is error 12, any other
// host failure its own error (rc is Get_file's result, not 0).
[[noreturn]] void Open_failed(int rc);
// The host ends a name at its first NUL byte: a name that goes on after one
// would reach another file (or command) than the one it spells, and is
// error 10.  NUL bytes at the end only end it.
void Check_name_nul(const std::string& name);
// A name read from a file (a link target, a prefix-file record, a
// duplicate-write definition, a data-dictionary entry) names a file: one
// beginning "|", "<", ">" (a command), "[" (a device or connection),
// "*pdf*" or "*memory*" is error 10, the extended text saying what held it.
void Check_name_from_file(const std::string& name, const char* what);
// The first candidate of name that exists on the host, found without
// disturbing a search in progress (the path buffers and the search state are
// put back): "" when there is none or the name names no host file (a
// device, a pipe, a connection).
std::string Find_host_file(const std::string& name);
// The name after rewriting (the candidates are built from it) and the mode.
const std::string& Open_name();
uint16_t Path_mode();
void Set_path_mode(uint16_t mode);

// Prefix lists: 36 blank-separated lists of directory entries searched from
// the start index on, wrapping.  An entry stands in front of the name; in an
// entry "*" stands for the whole name (then the name is not appended; such an
// entry is skipped for names holding "." or "/"), "**" for one "*", "=" for
// the next character of the name; double quotes group blanks.
constexpr int PFX_LISTS = 36;
void Pfx_set(int index, const std::string& list);  // index 0..35
const std::string& Pfx_get(int index);
void Pfx_set_start(int index);  // first list searched (0..35)
int Pfx_start();
// Whether list index (0..35) holds any entry.
bool Pfx_defined(int index);

// Virtual directories: a name that begins with a virtual directory's name
// (or, for one defined with a leading "*/", ends with it) is rewritten to its
// target.  Errors 46 for an empty or over-long name or target.
void Kest_AddVdir(const std::string& name, const std::string& target);
std::string Kest_GetVdir(const std::string& name);
bool Kest_ChkVdir(std::string& name);  // true when rewritten
// The "[lcl]" prefix: "[vrl]" with a thin client attached, else removed.
void Kest_ChkLclPfx(std::string& name);

// The prefix file on internal channel 65002 (a keyed file).  An empty name
// only closes it.  PfxLookup rewrites a name from its record.
constexpr uint16_t PFX_FILE_CHANNEL = 65002;
void SetPfxFile(const std::string& name);
void ClrPfxFile();
bool Pfx_file_open();
// SQL table locks live in the prefix file: its descriptor for byte-range
// locks (read-write; -1 without a prefix file or write access), the record
// index of the entry that resolved the name last set (-1 when none did), and
// a hook run before the file closes (releases every range held in it).
int Pfx_lock_fd();
int64_t Pfx_entry_index();
extern void (*Pfx_release_hook)();
// The default I/O list of the prefix record the last name resolution used
// (its compiled items; empty when there was none): OPEN's IOL=* takes it
// when the file stores no list of its own.
const std::vector<uint8_t>& Pfx_default_iol();

// ---- opening (open.cpp) ----

// Opens ws.Path_buf as the channel ws.Cur_chan: 0, ENOENT when the file does
// not exist there, or another errno to try the next candidate with.  Errors
// that end the search (access refused by the open mode, a bad link file, the
// kind's own open errors) are raised.
int Open_file();
// OPT= words of OPEN: O_RDONLY, O_EXCL, O_APPEND, O_TRUNC, O_CREATE.
void KestOpenOpts(const uint8_t* text, int32_t len);
