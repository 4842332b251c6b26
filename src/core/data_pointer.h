// DATA, READ DATA and RESTORE (see data_statements.cpp).
#pragma once
#include <cstdint>

// Sets the DATA pointer to a line (0: the first line); RUN, END and RESET
// set it back to 0.
void Data_restore(uint32_t line);
