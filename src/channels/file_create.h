// File creation shared by every creation directive, and the simple ones:
// SERIAL, DIRECTORY, ERASE and RENAME.
//
// A creation directive resolves the name with Set_path, fills a Kdef and
// hands it to File_create, which refuses a name that exists on any entry of
// the search path (error 12), creates the host file exclusively on the first
// entry whose directory exists, and runs the define slot of the kind's
// driver with ws.Create_kdef pointing at the definition.
#pragma once
#include <cstdint>
#include <string>

#include "channels/kdef.h"

// Option codes the creation directives read.
constexpr uint8_t COPT_EXT = 0x84;      // extended option: a sub-code follows
constexpr uint8_t COPT_EXT_SEP = 0x8D;  // its sub-code for SEP=
constexpr uint8_t COPT_SIZ = 0x85;      // SIZ=: block size
constexpr uint8_t COPT_ERR = 0x88;      // ERR=
constexpr uint8_t COPT_OPT = 0x92;      // OPT=

// Operands of the creation directives.  Their statements compile as plain
// token sequences, so the shape of an operand is checked before it is
// evaluated: a value must stand where one is read, an operator must have its
// right side, parentheses and brackets must close and operands are separated
// by commas.  A fault is error 20, raised before anything is evaluated.
bool Create_stmt_end(uint8_t c);
void Create_check_value();        // the expression at the cursor is well formed
void Create_formula();            // checked Eval_formula
std::string Create_text();        // checked Eval_str, as a string
int32_t Create_integer();         // checked Eval_integer
int32_t Create_range(int32_t lo, int32_t hi);  // checked Eval_range
void Create_expect(uint8_t c);    // c at the cursor (skipped), else error 20

// One numeric argument of a creation directive after the cursor: the end
// of the statement, or a "," followed by ERR= (taken by Chk_err) or an option
// word (the cursor stays on the ","), yields dflt; a "," followed by an
// expression yields its integer value; anything else is error 20.
int32_t File_create_val(int32_t dflt);
int32_t File_create_no();     // File_create_val(0)
int32_t File_create_drive();  // File_create_drive_value(File_create_val(-1))
// A drive number: -1..36 (41); -1 when drive letters are off; 1 up must name
// a defined prefix entry (4).
int32_t File_create_drive_value(int32_t d);
// Skips what is left of the numeric arguments, then File_create.
void File_create_end(Kdef& kd, Kname_node* names);
// A host file made by File_create and kept open for its caller, who writes
// through this descriptor rather than open the name again (another user
// could swap the file at the name in between).  The descriptor is in the
// open-file table, marked exclusive; it is closed (Close) with this record.
// fd stays -1 when no host file was made (a library member, a client's
// file, or a keyed file of the EFF kind, whose driver keeps its own).
struct Made_file {
  int fd = -1;
  std::string path;  // the name it was made at, resolved
  Made_file() = default;
  Made_file(const Made_file&) = delete;
  Made_file& operator=(const Made_file&) = delete;
  ~Made_file();
  void close();
};
// Creates the file named by the last Set_path (kd.type is the kind); with
// keep, the host file made stays open in it.
void File_create(Kdef& kd, Kname_node* names, Made_file* keep = nullptr);

// Program libraries ("[lib:library]member" names), filled in by the program
// layer at start-up; a null hook is error 99.
struct Lib_entry_hooks {
  void (*create)(const std::string& name) = nullptr;
  void (*remove)(const std::string& name) = nullptr;
  void (*rename)(const std::string& name, const std::string& new_name) = nullptr;
  void (*close_all)() = nullptr;
};
extern Lib_entry_hooks Lib_hooks;
bool Is_lib_name(const std::string& name);

// OPT= of ERASE and REFILE: whether the text is "ALLSEG" or "CISAM" (any
// case).  After ERASE or REFILE of path, with that option or switch +E:
// ERASE of a C-ISAM index ("*.idx") removes its data file (extension
// letters in the index's case); otherwise the segment files path.001,
// path.002, ... are removed until one is missing.  Failures end silently.
bool Kest_all_segs_opt(const std::string& text);
void KestEraseRefileDel(const std::string& path, bool erase, bool all_segs);
// The segment files of from ("from.001", "from.002", ... up to the first
// number that is missing or holds no segment: a file whose header tag is
// "seg]", or a segment link "lnk]").  With rename false only checked: a
// segment's new name (to.001 ...) that exists is error 12.  With rename
// true each moves to the new base with its number; a failure puts back the
// segments already moved and raises the host error.
void KestRenameSeg(const std::string& from, const std::string& to, bool rename);

void d_seri();
void d_diry();
// Makes the directory of that name as DIRECTORY does, after the
// directive's remaining operands (ERR=) are read.
void File_create_dir(const std::string& name);
void d_eras();
void d_renm();
