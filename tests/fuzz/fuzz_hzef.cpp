// Fuzzes what guards libHaru in libhzef.so: the first byte chooses a PNG
// picture (even) or a TrueType font (odd) of the bytes after it.  The bytes
// go, as a file, through libhzef's own entry points (HPDF_LoadPngImageFromFile,
// HPDF_GetTTFontInfoFromFile) into a document made as the back end makes
// one (error handler, compression): a picture the check passes is loaded and
// drawn, a font loaded, measured, printed with and embedded; the document is
// saved and freed.  Any input that still crashes or aborts libHaru (a double
// free at HPDF_Free after a refused picture, for one) is a hole in a check.
#include <hpdf.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// libhzef's own entry points (hzef.cpp, linked in).
void* Hzef_load_png_file(void* doc, const char* path);
extern "C" HPDF_STATUS HPDF_GetTTFontInfoFromFile(const char* path, char* family, char* name, HPDF_UINT* flags);

namespace {

void on_error(HPDF_STATUS, HPDF_STATUS, void*) {}

// The bytes as a file in memory: libhzef's entry points read files.
struct Mem_file {
  int fd = -1;
  std::string path;
  Mem_file(const uint8_t* data, size_t size) {
    fd = memfd_create("fuzz_hzef", MFD_CLOEXEC);
    if (fd >= 0 && write(fd, data, size) == ssize_t(size)) path = "/proc/self/fd/" + std::to_string(fd);
  }
  ~Mem_file() {
    if (fd >= 0) close(fd);
  }
};

HPDF_Doc new_doc() {
  HPDF_Doc doc = HPDF_New(on_error, nullptr);
  if (doc) HPDF_SetCompressionMode(doc, HPDF_COMP_ALL);
  return doc;
}

void picture(const uint8_t* data, size_t size) {
  Mem_file f(data, size);
  if (f.path.empty()) return;
  HPDF_Doc doc = new_doc();
  if (!doc) return;
  HPDF_Page page = HPDF_AddPage(doc);
  auto img = static_cast<HPDF_Image>(Hzef_load_png_file(doc, f.path.c_str()));
  HPDF_ResetError(doc);
  if (img && page) HPDF_Page_DrawImage(page, img, 0, 0, 100, 100);
  HPDF_SaveToStream(doc);
  HPDF_Free(doc);
}

void font(const uint8_t* data, size_t size) {
  Mem_file file(data, size);
  if (file.path.empty()) return;
  char family[260], ps[260];
  HPDF_UINT flags = 0;
  if (HPDF_GetTTFontInfoFromFile(file.path.c_str(), family, ps, &flags) != HPDF_OK) return;
  HPDF_Doc doc = new_doc();
  if (!doc) return;
  HPDF_Page page = HPDF_AddPage(doc);
  const char* name = HPDF_LoadTTFontFromFile(doc, file.path.c_str(), HPDF_TRUE);
  HPDF_ResetError(doc);
  HPDF_Font f = name ? HPDF_GetFont(doc, name, "WinAnsiEncoding") : nullptr;
  HPDF_ResetError(doc);
  if (f && page) {
    static const char text[] = "Fuzz \xC4\xD6\xDC \xE9\xE0 0123 {}[] \xFF";
    HPDF_Font_TextWidth(f, reinterpret_cast<const HPDF_BYTE*>(text), HPDF_UINT(sizeof text - 1));
    HPDF_Page_SetFontAndSize(page, f, 12);
    HPDF_Page_BeginText(page);
    HPDF_Page_ShowText(page, text);
    HPDF_Page_EndText(page);
    HPDF_ResetError(doc);
    HPDF_SaveToStream(doc);
  }
  HPDF_Free(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  if (data[0] & 1) font(data + 1, size - 1);
  else picture(data + 1, size - 1);
  return 0;
}
