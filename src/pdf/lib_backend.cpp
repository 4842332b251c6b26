// The PDF-library back end of PDF channels (system parameter PH): not built
// yet.  Opening a channel with PH set raises error 99 naming it (the
// library loader, lib_loader.cpp, is built).
#include <string>

#include "core/errors.h"
#include "pdf/pdf_channel.h"

Pdf_backend* Pdf_new_lib_backend(Pdf_doc&) { Rpt_error_text(99, "PDF library back end not built"); }

std::string Pdf_GetFonts_L(const std::string&) { Rpt_error_text(99, "PDF library back end not built"); }

