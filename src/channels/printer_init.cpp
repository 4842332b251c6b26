// Printer set-up from the installation's ini file ([Config] PrinterFont,
// PrinterLPI, PrinterCPI), printed on every printer channel OPEN makes: the
// auxiliary printer and PDF documents.  (A device channel may be a terminal
// or a port whose driver knows no font mnemonics: it gets nothing.)  A
// printer whose driver refuses the mnemonics fails its OPEN with that error.
//
// The bytes, printed through the channel's PRINT machine, so that each
// kind acts on them as on a program's own long mnemonics:
//   font   ESC 'm' 'n' 0x12, n + 1, n, the font name (n bytes, n <= 254)
//          then ESC 'D' 'F' ('DF': the font becomes the default)
//   lines  ESC 'm' 'n' 0x20 0x02, lines per inch x 100 as u16 big-endian
//   chars  ESC 'm' 'n' 0x21 0x02, characters per inch x 100 likewise
#include "channels/printer_init.h"

#include <string>

#include "channels/channel.h"
#include "channels/print.h"
#include "core/process_config.h"
#include "core/workspace.h"

bool Is_printer_channel(const Fcb* f) { return f && (f->kind == FK_AUX_PRINTER || f->kind == FK_PDF); }

std::string Printer_init_bytes(const std::string& font, int lpi, int cpi) {
  std::string s;
  auto u16 = [&](int v) {
    s.push_back(char((v >> 8) & 0xFF));
    s.push_back(char(v & 0xFF));
  };
  if (!font.empty()) {
    size_t n = font.size() > 254 ? 254 : font.size();
    s += "\x1bmn\x12";
    s.push_back(char(n + 1));
    s.push_back(char(n));
    s.append(font, 0, n);
    s += "\x1b"
         "DF";
  }
  // Values are u16: anything outside 1..65535 counts as not set.
  if (lpi > 0 && lpi <= 0xFFFF) {
    s += "\x1bmn\x20\x02";
    u16(lpi);
  }
  if (cpi > 0 && cpi <= 0xFFFF) {
    s += "\x1bmn\x21\x02";
    u16(cpi);
  }
  return s;
}

void KestPrinterInit() {
  Fcb* f = ws.Cur_fcb;
  if (!Is_printer_channel(f)) return;
  std::string s = Printer_init_bytes(Kest_cfg.printer_font, Kest_cfg.printer_lpi, Kest_cfg.printer_cpi);
  if (s.empty()) return;
  Prt_bytes(reinterpret_cast<const uint8_t*>(s.data()), int32_t(s.size()));
}
