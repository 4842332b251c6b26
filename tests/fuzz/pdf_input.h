// The PDF inputs the fuzz target and the regression replay share: the
// JPEG and PNG readers of the own writer and the parameters of long
// graphic mnemonics on a fresh own-writer document.
//
// Input: byte 0 chooses (mod 3): 0 the JPEG reader, 1 the PNG reader, both
// on the rest; 2 a run of long mnemonics: repeated [operation, length
// (u16 BE), parameters], executed on a document written to /dev/null
// (pictures, operation 8, are skipped: they read files).  Any error must be
// a reported one (Oru_error); a reader that accepts a picture must give it
// a size within the bounds.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/workspace.h"
#include "pdf/own_backend.h"
#include "pdf/pictures.h"

inline bool Pdf_picture_ok(const Pdf_picture& p) {
  return p.width > 0 && p.height > 0 && int64_t(p.width) * p.height <= PDF_PICTURE_MAX_PIXELS && !p.data.empty();
}

inline bool Pdf_input_ok(const uint8_t* data, size_t size) {
  if (size < 1) return true;
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  Pdf_picture pic;
  std::string why;
  switch (data[0] % 3) {
    case 0:
      return !Pdf_read_jpeg(rest, pic, why) || Pdf_picture_ok(pic);
    case 1:
      return !Pdf_read_png(rest, pic, why) || Pdf_picture_ok(pic);
    default:
      break;
  }
  Pdf_doc d{};
  Pdf_options o;
  std::string doc_path, tmp_path;
  d.kind = FK_PDF;
  d.opts = &o;
  d.doc_path = &doc_path;
  d.tmp_path = &tmp_path;
  d.page_state = PDF_NO_PAGE;
  d.page_w = 612;
  d.page_h = 792;
  d.m_left = d.m_top = d.m_right = d.m_bottom = 18;
  d.print_w = 576;
  d.print_h = 756;
  d.attr = 7u << 16;
  d.tmp_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  Fcb* keep = ws.Cur_fcb;
  ws.Cur_fcb = &d;
  Own_backend* be = static_cast<Own_backend*>(Pdf_new_own_backend(d));
  d.be = be;
  bool ok = true;
  try {
    be->open(d);
    size_t at = 1;
    while (at + 3 <= size) {
      uint8_t op = data[at];
      size_t n = size_t(data[at + 1]) << 8 | data[at + 2];
      at += 3;
      if (n > size - at) n = size - at;
      if (op != 8) {
        try {
          be->graphics(d, op, data + at, uint32_t(n));
        } catch (const Oru_error&) {
        }
      }
      at += n;
    }
    be->finish(d);
  } catch (const Oru_error&) {
  }
  delete be;
  ws.Cur_fcb = keep;
  ::close(d.tmp_fd);
  return ok;
}
