// The statement executor.
#pragma once
#include <cstdint>

void Exec_line();
void Exec_go(uint32_t target);  // GOTO: jump to a line (program) or set the stop point (console)
void Set_console();

using Dir_fn = void (*)();
extern const Dir_fn dir_jmp[95];  // codes 149..243
extern const Dir_fn ext_jmp[74];  // second bytes 150..223
