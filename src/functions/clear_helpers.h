// The two forms of CLEAR with a variable list.
#pragma once

// CLEAR EXCEPT list (cursor on the first item): every program variable is
// cleared (with all, the global variables too) except the listed ones, which
// keep their values, array elements and dimensions.
void Clear_except(bool all);
// CLEAR list: each listed variable is cleared: a number becomes 0, a string
// empty, an array marked [ALL] loses its elements and dimensions.
void Clear_select();
