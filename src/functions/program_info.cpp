// Call levels and program paths.  Program files and subprogram calls do not
// exist yet: the only program is the one typed at the console, which runs at
// level 0 and has no path.
#include "functions/program_info.h"

int Call_depth() { return 0; }

std::string Program_path(int) { return std::string(); }
