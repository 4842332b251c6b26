// Program libraries: many programs in one first-format keyed file, named
// "[lib:" library "]" member wherever a program or file name is accepted.
//
// Member record, in a library whose key 0 is one segment of L bytes (12 or
// more) at offset 0 of the whole record:
//   0        L           member name, blank-padded ('\' stored as '/')
//   L        256         program header (programs/program_file.h); a new
//                        member holds "[Oruprg]" and zeros
//   L + 256  image size  program image
// A member needs no record length of its own: the keyed file's variable-
// length records (extended past the record length) carry it.
//
// Open libraries are kept in a chain, newest first, each a keyed-engine
// handle (at most system parameter PL of them).  Every read and write of a
// member is one keyed operation under the file's own header lock, so a
// process reading a member never sees half of a record another process is
// saving.
//
// The member channel (file kind 22) holds a copy of the whole record; its
// position is an offset within the record (L + 256 is the first image
// byte).  A member changed through the channel (SAVE) is written back when
// the channel closes.
#pragma once
#include <cstdint>
#include <string>
#include <sys/stat.h>

#include "channels/channel.h"

extern const Fio_op Pgl_fotbl[FIO_SLOTS];

// Fills the library hooks of the file-creation directives (PROGRAM, SAVE
// into a new member, ERASE, RENAME) and of Cls_all.  Called by
// Channels_register_kinds (src/app).
void Pgl_register();

// Whether a name begins "[lib:" (any case).
bool Lib_is_name(const std::string& name);

// The member channel f: its record (header at Pgl_header(f), PRG_HDR_SIZE
// bytes, then the image) and the bytes from the header to the record's end.
const uint8_t* Pgl_header(Fcb* f);
int64_t Pgl_size(Fcb* f);
// The host path of the member channel's library (for the program cache).
std::string Pgl_library_path(Fcb* f);
// The library path inside a member's resolved name "[lib:path]member" ("" when
// the name is none).
std::string Lib_path_of(const std::string& resolved);
// SAVE into a member: the record becomes header + image and is written to
// the library at once (errors raised).  Read-only members: error 13.
void Pgl_store(Fcb* f, const uint8_t* hdr, const uint8_t* image, size_t image_size);

// ERASE and RENAME of a member (full "[lib:...]" names); the new name of a
// RENAME is a bare member name or a "[lib:...]" name of the same library.
void RemoveLibEntry(const std::string& name);
void RenameLibEntry(const std::string& name, const std::string& new_name);
// PROGRAM, SAVE of a new member: an empty member ("[Oruprg]" and zeros); the
// library file is created when missing.  Error 12 when the member exists.
void CreateLibEntry(const std::string& name);
// Closes every open library (all channels closed, parameter PL changed).
void ClosePrgLibraries();
// Number of open libraries (tests).
int Lib_open_count();
