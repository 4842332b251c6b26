// The DATA pointer: the line of the next value for READ DATA and the offset
// of that value inside the line (0: the line's start, its DATA statement not
// entered yet).  DATA, READ DATA and RESTORE live in
// channels/data_statements.cpp; RUN, END and RESET set the pointer back.
#pragma once
#include <cstddef>
#include <cstdint>

struct Data_pointer {
  uint32_t line = 0;  // 0: from the first line
  size_t offset = 0;  // inside the line's code; 0 at its start
};
inline Data_pointer Data_ptr;

// Sets the DATA pointer to a line (0: the first line).
inline void Data_restore(uint32_t line) {
  Data_ptr.line = line;
  Data_ptr.offset = 0;
}
