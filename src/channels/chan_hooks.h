// Calls from the channel layer up to the layers above it.  The channels
// include nothing of the terminal, keyed files, PDF or programs; where they
// must reach one of them they call through Chan_hook, which src/app fills at
// start-up (App_wire, through the wiring of the drivers).  Every hook starts
// out as a function of this layer that does something safe and clear: a
// no-op where "nothing above is linked" is a valid state (a record without
// terminal state, no program cache), else error 99 naming what is missing.
// The hooks are never null, so a call costs one indirect call and no test.
#pragma once
#include <cstdint>
#include <string>

struct Fcb;

struct Chan_hooks {
  // ---- the terminal ----
  // Frees the mnemonic definitions and terminal state of a record being
  // released.  Unset: nothing to free.
  void (*term_release)(Fcb* f);
  // Starts the terminal driver named by a device's link header on the
  // current channel.  Unset: error 99.
  void (*dev_init)(const char* driver_id);
  // Text and cursor positions on a terminal screen (Is_screen).  Unset:
  // error 99.
  void (*scr_text)(Fcb* f, const uint8_t* p, int32_t n);
  void (*scr_pos)(Fcb* f, int32_t col, int32_t line);
  // Whether (col, line) lies inside the screen's current window.  Unset:
  // true.
  bool (*scr_fits)(Fcb* f, int32_t col, int32_t line);
  // PRINT's mnemonics on the current channel (Prt_mnem of print.h) and a
  // mnemonic the channel does not know (Err_mnemonic).  Unset: error 99;
  // error 29.
  void (*prt_mnem)(uint16_t m);
  void (*bad_mnemonic)();
  // Registers the console's device drivers and creates channel 0
  // (Console_register, Console_open of console_channel.h).  Unset: error 99.
  void (*console_start)();
  // Drops every window of the console (END, BEGIN, CLOSE (/) and the wider
  // range closes).  Unset: a console without windows, nothing to do.
  void (*cls_windows)();
  // The end mnemonic '*C' of a channel being closed (the current channel):
  // its definition, when it has one, is sent into the channel's output.
  // Unset: a record without definitions, nothing to send.
  void (*close_mnemonic)(Fcb* f);
  // A printable byte printed in graphics mode on a channel that is not a
  // terminal screen: the byte to write for it.  Unset: error 99.
  uint8_t (*graphic_char)(Fcb* f, uint8_t c);

  // ---- keyed files ----
  // RENAME INDEX: runs the statement when the cursor is on the word INDEX
  // and returns true; false for any other RENAME.  Unset: false.
  bool (*rename_index)();
  // Whether an EFF channel holds updates of the open transaction (it stays
  // open until COMMIT or ROLLBACK).  Unset: false.
  bool (*eff_in_txn)(Fcb* f);
  // Writes out the keyed blocks kept by write-behind and releases their
  // header locks (a commit point).  Unset: nothing kept.
  void (*keyed_flush)();

  // ---- SQL tables ----
  // ERASE of an SQL channel name: drops the table of the channel just
  // opened for it (busy while another process has the table open).
  // Unset: error 99.
  void (*sql_drop)(Fcb* f);

  // ---- PDF documents ----
  // PRINT positions on the current PDF channel.  Unset: error 99.
  void (*pdf_pos)(int32_t line, int32_t col);
  void (*pdf_pos1)(int32_t col);

  // ---- programs ----
  // Forgets the kept program images (a file may have changed or a name may
  // resolve to another file).  Unset: nothing kept.
  void (*prog_cache_forget)();
  // A file was written, emptied, removed, renamed or made by this process:
  // the kept images are forgotten and the idle loaded programs dropped, so
  // that the next use of a name reads its file.  Unset: nothing kept.
  void (*prog_files_changed)();
  // Runs a channel's I/O event program for event; the result of
  // Run_io_event.  Unset: error 99.
  int (*run_event_program)(Fcb* f, const char* event, uint32_t bit);
  // The close mnemonic '*X' of a channel being closed: the program its
  // definition names runs as an inline CALL.  Unset: nothing defined.
  void (*close_program)(Fcb* f);
  // Calls the error program pgm of duplicated writes with the failed
  // statement (its name), the error, the channel, the duplicate channel and
  // its path; true when the program ran to its end (the error is handled).
  // Unset: false.
  bool (*dupl_error_program)(const std::string& pgm, const std::string& directive, int err, uint16_t chan,
                             int32_t dup, const std::string& dup_path);
};
extern Chan_hooks Chan_hook;
// The hooks as they are before the wiring: the channel layer alone.
Chan_hooks Chan_hooks_unset();
