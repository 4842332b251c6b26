// The global strings of GBL(: named values that live for the process and
// are shared by every program it runs.
#pragma once
#include <cstddef>
#include <cstdint>

// Removes every entry (GBL("!CLEARALL"), CLEAR's global form, shut-down).
void Gbl_clear_all();
// Number of entries (for tests and TCB().
size_t Gbl_count();
