// The own PDF writer (temporary: being built).
#include "core/errors.h"
#include "pdf/pdf_channel.h"

Pdf_backend* Pdf_new_own_backend(Pdf_doc&) { Not_built("the own PDF writer"); }
std::string Pdf_GetFonts_O(const std::string&) { Not_built("the own PDF writer"); }
