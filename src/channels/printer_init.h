// Printer set-up from the ini file, printed on a printer channel at OPEN.
#pragma once
#include <string>

struct Fcb;

// The auxiliary printer and PDF documents.
bool Is_printer_channel(const Fcb* f);
// The set-up bytes for a font name and lines and characters per inch (both
// times 100; 0 not set).  Empty when nothing is set.
std::string Printer_init_bytes(const std::string& font, int lpi, int cpi);
// Prints the set-up of [Config] PrinterFont, PrinterLPI and PrinterCPI on
// the current channel when it is a printer channel.
void KestPrinterInit();
