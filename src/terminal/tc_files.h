// Host files for the thin client: the version (modification time) of a
// host file the client may keep a copy of, the upload of such a file, and
// pictures of host files.
//
// Both go through the client's utility program "*kest/vrl/util" as a
// client-side CALL ('$' 'C', items: str called name, then per argument chr
// 'N' and the number's text or chr 'S' and the string):
//
//   "*kest/vrl/util;upload"   S client name, N version, N offset, N size, S bytes
//                             one call per chunk of at most TC_UPLOAD_CHUNK bytes
//   "*kest/vrl/util;picture"  S client name, N version, S picture parameters
//                             (the long mnemonic's block); the client answers
//                             CAN 201 when it needs the file first: the file is
//                             uploaded and the call made again (once)
#pragma once
#include <cstdint>
#include <string>

constexpr int32_t TC_UPLOAD_CHUNK = 16000;

// The modification time (seconds) of the host file a name stands for, and
// its host path; 0 for names that are no host files the client may cache:
// empty or 513 bytes and more, "*kest/vrl/util..." (any case), names
// beginning '[' or a drive letter or a doubled slash or backslash, the
// device names "*winprt*", "*windev*", "*bitmap*", "*viewer*", "*memory*",
// "*pdf*", and names found nowhere along the search path.  A name whose
// second character is '!' is looked up as "*bmp/" and the rest after the
// '!'.  The last answer is reused for the same name within 2 seconds.
int64_t ZefVrlGetVersion(const std::string& name, std::string* path);
// Forgets the remembered answer (a file changed under the same name).
void ZefVrlForgetVersion();

// Sends the host file at path to the client, which keeps it under name
// with that version.  Error 12 when the file cannot be read.
void ZefVrlUpload(const std::string& name, const std::string& path, int64_t version);

// The picture operation (long mnemonic 8) on the thin client: when the
// picture names a host file, the client's utility draws it (uploading the
// file when the client asks for it) and true is returned; false leaves the
// mnemonic to its ordinary route.  Parameters: col, line, width, height
// (2 bytes each), the file name (1-byte length), a 2-byte option.
bool ZefVrlPictMnem(const uint8_t* p, uint32_t n);

// IMG(name$): makes sure the client holds the current version of a host
// picture file (uploading it when the client asks) and returns the name the
// client keeps it under.
std::string ZefVrlImage(const std::string& name);
