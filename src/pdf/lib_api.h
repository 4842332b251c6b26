// The PDF library of the library back end: "libhzef.so", loaded at run time
// (by its name, then from the directory of the oru executable).  It offers
// the libHaru interface and three entry points of its own (HPDF_LoadZLib,
// HPDF_FreeZLib, HPDF_GetTTFontInfoFromFile).  The back end uses it only when
// every one of the 64 entry points below resolved.
//
// The types are the library's calling convention on this platform, declared
// here because the library is found at run time, not at build time: handles
// are opaque pointers, HPDF_REAL is float, HPDF_STATUS unsigned long,
// HPDF_UINT unsigned int, HPDF_BOOL int; enumerations pass as int.
#pragma once
#include <cstdint>
#include <string>

namespace hpdf {
using Handle = void*;  // document, page, font, image, outline, destination, encoder
using REAL = float;
using STATUS = unsigned long;
using UINT = unsigned int;
using INT = int;
using BOOL = int;

struct Date {
  int year, month, day, hour, minutes, seconds;
  char ind;  // "+", "-", "Z" or " "
  int off_hour, off_minutes;
};
struct TextWidth {
  UINT numchars, numwords, width, numspace;
};
using Error_handler = void (*)(STATUS error_no, STATUS detail_no, void* user_data);

// Information kinds of HPDF_SetInfoAttr and HPDF_SetInfoDateAttr.
enum Info : int { INFO_CREATION_DATE = 0, INFO_AUTHOR = 2, INFO_CREATOR = 3, INFO_PRODUCER = 4,
                  INFO_TITLE = 5, INFO_SUBJECT = 6, INFO_KEYWORDS = 7 };
constexpr UINT COMP_NONE = 0, COMP_ALL = 15;
constexpr int ENCRYPT_R3 = 3;
// Permission bits of HPDF_SetPermission.
constexpr UINT ENABLE_PRINT = 4, ENABLE_EDIT_ALL = 8, ENABLE_COPY = 16, ENABLE_EDIT = 32;
// Library error numbers the back end tests.
constexpr STATUS ERR_FONT_EXISTS = 0x1019;        // font already registered
constexpr STATUS ERR_TTF_CANNOT_EMBED = 0x105D;        // font forbids embedding
}  // namespace hpdf

// name, result type, parameter list; in the order the loader looks them up.
#define HPDF_ENTRY_POINTS(X)                                                                               \
  X(HPDF_LoadZLib, hpdf::STATUS, (const char*))                                                            \
  X(HPDF_FreeZLib, void, ())                                                                               \
  X(HPDF_New, hpdf::Handle, (hpdf::Error_handler, void*))                                                  \
  X(HPDF_Free, void, (hpdf::Handle))                                                                       \
  X(HPDF_SetInfoAttr, hpdf::STATUS, (hpdf::Handle, int, const char*))                                      \
  X(HPDF_SetCompressionMode, hpdf::STATUS, (hpdf::Handle, hpdf::UINT))                                     \
  X(HPDF_SetInfoDateAttr, hpdf::STATUS, (hpdf::Handle, int, hpdf::Date))                                   \
  X(HPDF_CreateOutline, hpdf::Handle, (hpdf::Handle, hpdf::Handle, const char*, hpdf::Handle))             \
  X(HPDF_Outline_SetOpened, hpdf::STATUS, (hpdf::Handle, hpdf::BOOL))                                      \
  X(HPDF_Page_CreateDestination, hpdf::Handle, (hpdf::Handle))                                             \
  X(HPDF_Destination_SetXYZ, hpdf::STATUS, (hpdf::Handle, hpdf::REAL, hpdf::REAL, hpdf::REAL))             \
  X(HPDF_Page_GetHeight, hpdf::REAL, (hpdf::Handle))                                                       \
  X(HPDF_Outline_SetDestination, hpdf::STATUS, (hpdf::Handle, hpdf::Handle))                               \
  X(HPDF_GetCurrentPage, hpdf::Handle, (hpdf::Handle))                                                     \
  X(HPDF_SaveToFile, hpdf::STATUS, (hpdf::Handle, const char*))                                            \
  X(HPDF_Page_SetFontAndSize, hpdf::STATUS, (hpdf::Handle, hpdf::Handle, hpdf::REAL))                      \
  X(HPDF_Page_GetCurrentFontSize, hpdf::REAL, (hpdf::Handle))                                              \
  X(HPDF_AddPage, hpdf::Handle, (hpdf::Handle))                                                            \
  X(HPDF_Page_SetSize, hpdf::STATUS, (hpdf::Handle, int, int))                                             \
  X(HPDF_Page_MeasureText, hpdf::UINT, (hpdf::Handle, const char*, hpdf::REAL, hpdf::BOOL, hpdf::REAL*))   \
  X(HPDF_Page_GSave, hpdf::STATUS, (hpdf::Handle))                                                         \
  X(HPDF_Page_GRestore, hpdf::STATUS, (hpdf::Handle))                                                      \
  X(HPDF_Page_SetRGBFill, hpdf::STATUS, (hpdf::Handle, hpdf::REAL, hpdf::REAL, hpdf::REAL))                \
  X(HPDF_Page_Rectangle, hpdf::STATUS, (hpdf::Handle, hpdf::REAL, hpdf::REAL, hpdf::REAL, hpdf::REAL))     \
  X(HPDF_Page_Fill, hpdf::STATUS, (hpdf::Handle))                                                          \
  X(HPDF_Page_BeginText, hpdf::STATUS, (hpdf::Handle))                                                     \
  X(HPDF_Page_MoveTextPos, hpdf::STATUS, (hpdf::Handle, hpdf::REAL, hpdf::REAL))                           \
  X(HPDF_Page_SetTextMatrix, hpdf::STATUS,                                                                 \
    (hpdf::Handle, hpdf::REAL, hpdf::REAL, hpdf::REAL, hpdf::REAL, hpdf::REAL, hpdf::REAL))                \
  X(HPDF_Page_ShowText, hpdf::STATUS, (hpdf::Handle, const char*))                                         \
  X(HPDF_Page_EndText, hpdf::STATUS, (hpdf::Handle))                                                       \
  X(HPDF_Page_MoveTo, hpdf::STATUS, (hpdf::Handle, hpdf::REAL, hpdf::REAL))                                \
  X(HPDF_Page_LineTo, hpdf::STATUS, (hpdf::Handle, hpdf::REAL, hpdf::REAL))                                \
  X(HPDF_Page_Stroke, hpdf::STATUS, (hpdf::Handle))                                                        \
  X(HPDF_Page_SetLineWidth, hpdf::STATUS, (hpdf::Handle, hpdf::REAL))                                      \
  X(HPDF_Page_SetDash, hpdf::STATUS, (hpdf::Handle, const uint16_t*, hpdf::UINT, hpdf::UINT))              \
  X(HPDF_Page_SetRGBStroke, hpdf::STATUS, (hpdf::Handle, hpdf::REAL, hpdf::REAL, hpdf::REAL))              \
  X(HPDF_Page_FillStroke, hpdf::STATUS, (hpdf::Handle))                                                    \
  X(HPDF_Page_Ellipse, hpdf::STATUS, (hpdf::Handle, hpdf::REAL, hpdf::REAL, hpdf::REAL, hpdf::REAL))       \
  X(HPDF_Page_Arc, hpdf::STATUS,                                                                           \
    (hpdf::Handle, hpdf::REAL, hpdf::REAL, hpdf::REAL, hpdf::REAL, hpdf::REAL))                            \
  X(HPDF_SetOpenAction, hpdf::STATUS, (hpdf::Handle, hpdf::Handle))                                        \
  X(HPDF_LoadPngImageFromFile, hpdf::Handle, (hpdf::Handle, const char*))                                  \
  X(HPDF_LoadRawImageFromMem, hpdf::Handle,                                                                \
    (hpdf::Handle, const uint8_t*, hpdf::UINT, hpdf::UINT, int, hpdf::UINT))                               \
  X(HPDF_Image_GetWidth, hpdf::UINT, (hpdf::Handle))                                                       \
  X(HPDF_Image_GetHeight, hpdf::UINT, (hpdf::Handle))                                                      \
  X(HPDF_Page_DrawImage, hpdf::STATUS,                                                                     \
    (hpdf::Handle, hpdf::Handle, hpdf::REAL, hpdf::REAL, hpdf::REAL, hpdf::REAL))                          \
  X(HPDF_LoadTTFontFromFile, const char*, (hpdf::Handle, const char*, hpdf::BOOL))                         \
  X(HPDF_Font_GetFontName, const char*, (hpdf::Handle))                                                    \
  X(HPDF_Font_GetUnicodeWidth, hpdf::INT, (hpdf::Handle, uint16_t))                                        \
  X(HPDF_Font_TextWidth, hpdf::TextWidth, (hpdf::Handle, const uint8_t*, hpdf::UINT))                      \
  X(HPDF_SetPassword, hpdf::STATUS, (hpdf::Handle, const char*, const char*))                              \
  X(HPDF_SetPermission, hpdf::STATUS, (hpdf::Handle, hpdf::UINT))                                          \
  X(HPDF_SetEncryptionMode, hpdf::STATUS, (hpdf::Handle, int, hpdf::UINT))                                 \
  X(HPDF_GetError, hpdf::STATUS, (hpdf::Handle))                                                           \
  X(HPDF_ResetError, void, (hpdf::Handle))                                                                 \
  X(HPDF_GetFont, hpdf::Handle, (hpdf::Handle, const char*, const char*))                                  \
  X(HPDF_GetTTFontInfoFromFile, hpdf::STATUS, (const char*, char*, char*, hpdf::UINT*))                    \
  X(HPDF_LoadJpegImageFromFile, hpdf::Handle, (hpdf::Handle, const char*))                                 \
  X(HPDF_Page_SetLineJoin, hpdf::STATUS, (hpdf::Handle, int))                                              \
  X(HPDF_Page_ClosePath, hpdf::STATUS, (hpdf::Handle))                                                     \
  X(HPDF_Page_SetLineCap, hpdf::STATUS, (hpdf::Handle, int))                                               \
  X(HPDF_Page_EndPath, hpdf::STATUS, (hpdf::Handle))                                                       \
  X(HPDF_Page_Clip, hpdf::STATUS, (hpdf::Handle))                                                          \
  X(HPDF_Page_SetWidth, hpdf::STATUS, (hpdf::Handle, hpdf::REAL))                                          \
  X(HPDF_Page_SetHeight, hpdf::STATUS, (hpdf::Handle, hpdf::REAL))

// The resolved entry points; each null until the library is loaded.
struct Hpdf_api {
#define HPDF_FIELD(name, ret, params) ret(*name) params = nullptr;
  HPDF_ENTRY_POINTS(HPDF_FIELD)
#undef HPDF_FIELD
};
extern Hpdf_api Hpdf;

// Number of entry points (64) and the name of entry point i, in lookup order.
int Hpdf_entry_count();
const char* Hpdf_entry_name(int i);

// ---- loading ----
// File name of the library.
constexpr const char* HZEF_LIBRARY = "libhzef.so";
// Loads the library when it is not loaded (Pdf_LoadLibHaru_L): after an
// earlier failure everything is cleared first.  A library that cannot be
// opened raises error 15 with the loader's text; one that lacks an entry
// point stays unused (LibHaruReady_L false) and its handle is closed.
void Pdf_LoadLibHaru_L();
// The loading step itself, for a given file name (tests): true when every
// entry point resolved.  Raises error 15 when neither the name nor the
// executable's directory gives a library.
bool Hpdf_load(const std::string& file);
// 1 when loaded and not loading.
int LibHaruReady_L();
int LibHaruInitializing_L();
// Deletes the TrueType font list, closes the library and clears every entry
// point (LibHaruCleanUp).  Harmless when nothing is loaded.
void Pdf_FreeLibHaru_L();
// The text the library's error handler formatted last.
const std::string& Hpdf_last_error();
void Hpdf_clear_last_error();
// The error handler given to HPDF_New.
void HPDF_ErrorHandler(hpdf::STATUS error_no, hpdf::STATUS detail_no, void* user_data);
// Directory of the running executable (szSysExec, else /proc/self/exe).
std::string Hpdf_exec_dir();
