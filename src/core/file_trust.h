// Which files another user cannot have planted or changed, and opening log
// files so that a link or FIFO put at their name is never written.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

// Whether a file belongs to this user or to root.
bool Owned_by_user_or_root(const struct stat& st);
// Follows the symbolic links at path while each is the user's or root's:
// the first name that is no such link.  A file written anew by renaming
// over its name (SAVE, a PDF document) replaces the file the user's own
// links lead to; another user's link there is replaced, never followed.
// After 40 links, the error Sys_error gives for ELOOP.
std::string Own_links_end(const std::string& path);
// Whether a symbolic link on the way from path to its file (the name's own
// links, one after another, and links among the directories on the way)
// belongs to another user than this one or root.
bool Foreign_symlink(const char* path);
// While one lives, a file (not a device) may be opened through another
// user's link at its name (never through one among the directories that
// lead to it): for SAVE alone, which opens the file at a name to replace
// it (another user's link there is replaced, never written through).
struct Foreign_links_lent {
  Foreign_links_lent();
  ~Foreign_links_lent();
  Foreign_links_lent(const Foreign_links_lent&) = delete;
  Foreign_links_lent& operator=(const Foreign_links_lent&) = delete;
};
// Error 10, the reason in MSG(-1), when Foreign_symlink(path): whoever may
// write a shared folder (a group-sticky one too, where the kernel follows
// any link) could otherwise send this user's reads and writes to any file
// the user may open.
void Refuse_foreign_symlink(const char* path);
// Whether the descriptor fd, opened by path, is the file the name shows now,
// reached through no symbolic link of another user: checked after an open
// by name, so that a link swapped in and out again around the checks before
// it is found.
bool Opened_as_named(int fd, const char* path);
// Opens a file to read it whole (a picture): through symbolic links of the
// user's or root's only (error 10 otherwise), without waiting (a FIFO
// there reads as empty); -1 with errno when it cannot be opened, or ESTALE
// when the name changed under the open.
int Open_to_read(const char* path);
// Error 17 unless path names a regular file (error 12 when it names
// nothing): a FIFO or device put at a program's name would hold the load.
void Refuse_unless_regular(const std::string& path);
// Opens a log file to append to (created with mode when create is set): a
// symbolic link at its name (O_NOFOLLOW) or anything but a regular file (a
// FIFO that would hold the process in open, a device) is refused, -1 with
// errno ELOOP or EINVAL.  Safe in a signal handler.
int Open_log(const char* path, bool create, mode_t mode);
