// File creation shared by every creation directive, and the simple ones:
// SERIAL, DIRECTORY, ERASE and RENAME.
//
// A creation directive resolves the name with Set_path, fills a Kdef and
// hands it to File_create, which refuses a name that exists on any entry of
// the search path (error 12), creates the host file exclusively on the first
// entry whose directory exists, and runs the define slot of the kind's
// driver with ws.Create_kdef pointing at the definition.
#pragma once
#include <cstdint>

#include "channels/kdef.h"

// One numeric argument of a creation directive after the cursor: a ","
// is skipped; ERR= (taken by Chk_err), an option word or the end of the
// statement yield dflt; else the integer expression.
int32_t File_create_val(int32_t dflt);
int32_t File_create_no();     // File_create_val(0)
int32_t File_create_drive();  // File_create_val(-1) in -1..36 (41); 1.. a defined prefix list (4)
// Skips what is left of the numeric arguments, then File_create.
void File_create_end(Kdef& kd, Kname_node* names);
// Creates the file named by the last Set_path (kd.type is the kind).
void File_create(Kdef& kd, Kname_node* names);

void d_seri();
void d_diry();
void d_eras();
void d_renm();
