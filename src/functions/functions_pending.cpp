// Handlers of functions and system variables whose subsystems are not built
// yet.  Whoever builds one deletes its line here and defines it in the
// module that owns it.
#include "core/errors.h"
#include "functions/function_table.h"

void fnc_fobj() { Not_built("the OBJ( function"); }
