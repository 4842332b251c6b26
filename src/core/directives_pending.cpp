// Directives whose subsystems are not built yet: each raises error 99 naming
// what is missing.  A handler moves out of this file when its subsystem lands.
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/workspace.h"

// RANDOM and SWAP are not available in this system: error 99 with its own
// message, not the not-built text; the statement's ERR= takes it, also
// from RANDOM's channel part: RANDOM (1,ERR=100).
void d_rand() {
  uint8_t* p = ws.Exec_ptr;
  if (*p == code::LPAREN) Err_scan_from(p + 1);
  if (!ws.Err_line) Err_scan_from(p);
  Rpt_error(err::NOT_BUILT);
}
void d_swap() {
  Err_scan_from(ws.Exec_ptr);
  Rpt_error(err::NOT_BUILT);
}
