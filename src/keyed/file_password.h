// File passwords of keyed files (file_password.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Fcb;
struct Key_chan;

// The access check of a keyed channel being opened (the driver's open
// slot): the password given with OPEN (KEY=), the cache, or the answer of
// the GET_PASSWORD event.  Errors 53 (wrong or missing password), 61 (a
// password item that does not belong to the file).  A file protected for
// writing opens read-only without its password when the channel is input
// only or system parameter PE is set.
void Key_check_access(Fcb* f, const std::string& path);
// The cache of verified paths (at most parameter PQ entries): ERASE and
// RENAME drop a path's entry; an empty path drops the oldest one.
void DropPwdCacheEntry(const std::string& path);
void Clr_PwdCache();
// The page cipher of an enciphered file from its stored password field
// (mode byte, masked password).  A password whose key leaves pages plain
// (start index 0, or a first byte that masks to 0) gives no cipher: files
// of that kind were written plain and are read plain.
void Key_cipher_from_field(Key_chan* kc, const std::vector<uint8_t>& field);

// PASSWORD (ch)"pw" FOR OPEN | FOR WRITE | FOR OPEN AND ENCRYPT, and
// PASSWORD (ch) REMOVE: the cursor is on the "(" (the form without a
// channel protects programs; programs/program_protect.cpp dispatches).
void Key_password_directive();

// What the password check needs of the program layer; filled by
// programs/io_events.cpp at start-up.  Unset, no event program answers (the
// open stops with error 53) and no running program counts as a library one.
struct Key_password_hooks {
  // Runs the channel's I/O program for event (Exec_do_fio): -1 nothing ran,
  // -2 the program answered (the answer is the current string).
  int (*io_event)(Fcb* f, const char* event, uint32_t bit) = nullptr;
  // The path of the running program; null at the console or when it has none.
  const char* (*program_path)() = nullptr;
};
extern Key_password_hooks Key_pwd_hooks;
