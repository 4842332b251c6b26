// Handlers of functions and system variables whose subsystems are not built
// yet.  Whoever builds one deletes its line here and defines it in the
// module that owns it.
#include "core/errors.h"
#include "functions/function_table.h"

void fnc_fobj() { Not_built("the OBJ( function"); }
void fnc_xfa() { Not_built("XFA( (record templates; records keep no field formats or descriptions)"); }
void vl_lip() { Not_built("the LIP counters of the terminal input"); }
void vl_mse() { Not_built("MSE (the terminal keeps no mouse state or position words)"); }
void vl_vhlp() { Not_built("the help key of INPUT (HLP=) kept for VHLP"); }
