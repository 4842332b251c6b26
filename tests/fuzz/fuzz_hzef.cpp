// Fuzzes what guards libHaru in libhzef.so: the first byte chooses a PNG
// picture (even) or a TrueType font (odd) of the bytes after it.  Bytes the
// check passes (Png_check, Ttf_parse) go on to libHaru itself as the back
// end uses them: a picture loaded into a document and drawn, a font loaded,
// measured, printed with and embedded in a saved document.  Any input that
// passes a check and still crashes or aborts libHaru is a hole in the check.
#include <hpdf.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "pdf/hzef/png_check.h"
#include "pdf/hzef/ttf_info.h"

namespace {

void picture(const uint8_t* data, size_t size) {
  if (hzef::Png_check(data, size) != hzef::PIC_OK) return;
  HPDF_Doc doc = HPDF_New(nullptr, nullptr);
  if (!doc) return;
  HPDF_Page page = HPDF_AddPage(doc);
  HPDF_Image img = HPDF_LoadPngImageFromMem(doc, data, HPDF_UINT(size));
  if (img && page) HPDF_Page_DrawImage(page, img, 0, 0, 100, 100);
  HPDF_SaveToStream(doc);
  HPDF_Free(doc);
}

void font(const uint8_t* data, size_t size) {
  hzef::Ttf_info info;
  if (hzef::Ttf_parse(data, size, &info) != hzef::TTF_OK) return;
  // libHaru reads fonts from files only: the bytes as a file in memory.
  int fd = memfd_create("fuzz_font", MFD_CLOEXEC);
  if (fd < 0) return;
  if (write(fd, data, size) == ssize_t(size)) {
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    HPDF_Doc doc = HPDF_New(nullptr, nullptr);
    if (doc) {
      HPDF_Page page = HPDF_AddPage(doc);
      const char* name = HPDF_LoadTTFontFromFile(doc, path.c_str(), HPDF_TRUE);
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
  }
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  if (data[0] & 1) font(data + 1, size - 1);
  else picture(data + 1, size - 1);
  return 0;
}
