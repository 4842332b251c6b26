// Which files another user cannot have planted or changed, and opening log
// files so that a link or FIFO put at their name is never written.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

// Whether a file belongs to this user or to root.
bool Owned_by_user_or_root(const struct stat& st);
// Opens a log file to append to (created with mode when create is set): a
// symbolic link at its name (O_NOFOLLOW) or anything but a regular file (a
// FIFO that would hold the process in open, a device) is refused, -1 with
// errno ELOOP or EINVAL.  Safe in a signal handler.
int Open_log(const char* path, bool create, mode_t mode);
