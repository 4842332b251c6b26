#include "core/errors.h"

#include <cstdio>
#include <string>

#include "channels/console_device.h"
#include "core/workspace.h"

namespace {
std::string ext_error_text;
}

void Set_ext_error(const std::string& text) { ext_error_text = text; }

void Rpt_error(int n) {
  ws.Err_no = n;
  throw Oru_error{n};
}

void Rpt_error_text(int n, const std::string& text) {
  Set_ext_error(text);
  Rpt_error(n);
}

void Not_built(const char* what) {
  Rpt_error_text(99, std::string(what) + " is not available in this build yet");
}

// Provisional one-line report until the full error report exists.
void Report_error(int n) {
  char buf[64];
  if (Con_column() != 0) Con_newline();
  std::snprintf(buf, sizeof buf, "Error #%d", n);
  Con_puts(buf);
  if (ws.Cur_stno != 0) {
    std::snprintf(buf, sizeof buf, " at line %u", unsigned(ws.Cur_stno));
    Con_puts(buf);
  }
  if (!ext_error_text.empty()) {
    Con_puts(": ");
    Con_puts(ext_error_text.c_str());
  }
  Con_newline();
}
