// libhzef: the PDF library that the library back end of PDF channels loads
// at run time.  It is libHaru (linked in as a dependency, so that every
// HPDF_ entry point of libHaru resolves through this library's handle) with
// three entry points of its own and one of libHaru's replaced:
//
//   HPDF_STATUS HPDF_LoadZLib(const char* module)   prepares compression; the
//       module name is accepted and ignored (libHaru has zlib built in); 0.
//   void HPDF_FreeZLib(void)                       nothing to release.
//   HPDF_STATUS HPDF_GetTTFontInfoFromFile(const char* path, char* family,
//       char* name, HPDF_UINT* flags)              family name (name id 1)
//       and PostScript name (id 6) of a TrueType file into buffers of 260
//       bytes (NUL-terminated, cut at 259 bytes) and font-descriptor flags:
//       0x40000 bold (ForceBold), 0x40 italic, 0x20 non-symbolic, 0x1 fixed
//       pitch.  0 on success, else a Ttf_status code (the file is skipped).
//       A font whose tables libHaru would read outside their bounds (counts
//       larger than their tables) is refused here, so it is never loaded.
//   HPDF_Image HPDF_LoadPngImageFromFile(HPDF_Doc doc, const char* path)
//       libHaru's loader behind a complete decoding of the file by libpng
//       under this library's own error handling (png_check.h): libHaru is
//       given only the bytes that passed, from memory; a file that does not
//       pass gives null with HPDF_INVALID_PNG_IMAGE raised on the document.
#include <hpdf.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "pdf/hzef/png_check.h"
#include "pdf/hzef/ttf_info.h"

namespace {

constexpr size_t NAME_BUF = 260;

void copy_name(const std::string& s, char* buf) {
  size_t n = s.size() < NAME_BUF - 1 ? s.size() : NAME_BUF - 1;
  std::memcpy(buf, s.data(), n);
  buf[n] = '\0';
}

// The whole of a regular file of at most max bytes.
bool read_file(const char* path, size_t max, std::vector<uint8_t>* out) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO swapped in is not waited for
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && uint64_t(st.st_size) <= max;
  if (ok) {
    out->resize(size_t(st.st_size));
    size_t got = 0;
    while (got < out->size()) {
      ssize_t r = ::read(fd, out->data() + got, out->size() - got);
      if (r <= 0) break;
      got += size_t(r);
    }
    ok = got == out->size();
  }
  ::close(fd);
  return ok;
}

}  // namespace

// HPDF_LoadPngImageFromFile (png_entry.cpp) in libHaru's types.
void* Hzef_load_png_file(void* handle, const char* path) {
  auto doc = static_cast<HPDF_Doc>(handle);
  if (!HPDF_HasDoc(doc)) return nullptr;
  std::vector<uint8_t> bytes;
  if (!path || !read_file(path, hzef::PIC_MAX_BYTES, &bytes) ||
      hzef::Png_check(bytes.data(), bytes.size()) != hzef::PIC_OK) {
    HPDF_RaiseError(&doc->error, HPDF_INVALID_PNG_IMAGE, 0);
    return nullptr;
  }
  return HPDF_LoadPngImageFromMem(doc, bytes.data(), HPDF_UINT(bytes.size()));
}

extern "C" {

__attribute__((visibility("default"))) HPDF_STATUS HPDF_LoadZLib(const char* module) {
  (void)module;
  return HPDF_OK;
}

__attribute__((visibility("default"))) void HPDF_FreeZLib(void) {}

__attribute__((visibility("default"))) HPDF_STATUS HPDF_GetTTFontInfoFromFile(const char* path, char* family,
                                                                            char* name, HPDF_UINT* flags) {
  hzef::Ttf_info info;
  int rc = hzef::Ttf_read_info(path, &info);
  if (rc != hzef::TTF_OK) return HPDF_STATUS(rc);
  if (family) copy_name(info.family, family);
  if (name) copy_name(info.postscript, name);
  if (flags) {
    HPDF_UINT f = 0x20;
    if (info.bold) f |= 0x40000;
    if (info.italic) f |= 0x40;
    if (info.fixed_pitch) f |= 0x1;
    *flags = f;
  }
  return HPDF_OK;
}

// Keeps libHaru a load-time dependency of this library even under
// --as-needed linking, so that dlsym on this library finds its entry points.
__attribute__((visibility("default"))) const char* Hzef_haru_version(void) { return HPDF_GetVersion(); }

}  // extern "C"
