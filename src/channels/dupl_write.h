// Duplicate-write files: WRITE, INSERT, UPDATE, REMOVE and PRINT on a
// channel are repeated on a second channel, its duplicate.
//
// A channel gets its duplicate in two ways:
//   REPEAT DATA (1),(2)     the program links channel 1 to channel 2 (both
//                           open); REPEAT DATA (1),END removes the link
//   REPEAT DATA FILE "defs" a definition file (a keyed file, on internal
//                           channel 65027) names, per file or per directory,
//                           the file that repeats it; with the installation's
//                           mirror switch on ([Config] Mirror), every channel
//                           is looked up there on its first write and its
//                           duplicate opened on the highest free channel
// REPEAT DATA ERRH "prog" names a program that is called when a duplicate
// fails; without one the failure is raised as the statement's error.
//
// Order of work, so that no record is lost: the duplicate is looked up and
// opened before the statement touches the first channel (a duplicate that
// cannot be opened refuses the statement, nothing is written anywhere); the
// statement runs on the first channel; only when it succeeded is it run
// again on the duplicate.  A duplicate failing after that leaves the record
// in the first channel, and the error's extended text says so.
#pragma once
#include <cstdint>

#include "channels/channel.h"
#include "core/workspace.h"

constexpr uint16_t DUPL_DEFS_CHANNEL = 65027;

// True while a definition file is open (the first-write check is needed).
extern bool Dupl_defs_open;

// REPEAT DATA: the cursor is after DATA.
void KestRepeatData();
// Links the current channel to its duplicate through the definition file
// (once per channel: status word 4 bit 16).
void KestCheckDupl();
// Called by the directive after it ran on the current channel: when that
// channel has a duplicate, the directive (handler) runs again from the
// statement position `at` on the duplicate.  directive names the statement
// for the error program ("WRITE", "REMOVE", "PRINT", "INSERT", "UPDATE").
void Dupl_repeat(void (*handler)(), uint8_t* at, const char* directive);
inline void KestDuplData(void (*handler)(), uint8_t* at, const char* directive) {
  if (ws.Cur_fcb && (ws.Cur_fcb->st4 & ST4_HAS_DUP)) Dupl_repeat(handler, at, directive);
}
// The channel f is being closed: its links go, and a duplicate that the
// definition file opened for it is closed too.
void KestDuplClose(Fcb* f);
// Shut-down: closes the definition file, forgets the error program.
void Dupl_wrapup();

// The first-write check of a directive: cheap when no definition file is
// open.
inline void Dupl_check(Fcb* f) {
  if (Dupl_defs_open && f && !(f->st4 & ST4_DUP_CHECKED)) KestCheckDupl();
}
