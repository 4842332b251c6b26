// Change notices for the files of kept program images.  A kept image's file
// is watched (inotify) for writes, attribute and link-count changes, moves
// and removal, and each directory above it for moves and removal; the
// kernel queues a notice at the moment of the change and raises SIGIO,
// whose handler only sets a flag.  So a call can trust a kept image without
// a system call while no notice is pending: a change made before the call
// reached this process's queue before any system call of ours returned.
// Where notices cannot be had (no inotify, a file system without them, the
// watch limit reached, a path through a symbolic link) the caller checks
// the file itself.
#pragma once
#include <csignal>
#include <cstdint>

constexpr int WATCH_MAX = 24;  // watches per file: the file and its directories

// Starts watching path and the directories above it; the watch
// descriptors go to wds (the file's first).  The count, or 0 when the file
// cannot be watched.
int Watch_add(const char* path, int32_t* wds);
// Stops a watch (the last image that used it went).
void Watch_remove(int32_t wd);
// Set by the signal when a notice arrives; cleared by Watch_drain.
inline volatile sig_atomic_t Watch_notice = 0;
// A notice is waiting.  (In line: a call of a kept image asks it.)
inline bool Watch_pending() { return Watch_notice != 0; }
// Reads the waiting notices and calls changed(wd) for each (wd -1: notices
// were lost, every watched file counts as changed).
void Watch_drain(void (*changed)(int32_t wd));
