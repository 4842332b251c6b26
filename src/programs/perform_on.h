// PERFORM ON and EXECUTE ON: the logic registry (see perform_on.cpp).
#pragma once
#include <cstdint>
#include <string>

#include "core/exec_command.h"  // Exec_text
#include "core/hooks.h"         // Perform_on_active


// PERFORM text ON ... / EXECUTE text ON ...: the cursor after ON; the text
// was evaluated before it.  Error 46 for an empty target.
void Perform_On(bool execute, const std::string& text);
// Frees the whole registry (shut-down).
void Perform_On_Clear();
// Trigger points: a program starts; execution reaches line n in sequence
// or by a jump; a line begins with the label at p (code 10, length, name).
void Perform_on_start();
void Perform_on_line(uint16_t n);
void Perform_on_label(const uint8_t* p);
// Runs the pending logic entry (the executor, on RF_PERFORM_ON); true when
// the cursor moved (a program was performed, or the line is passed over).
bool Do_On_PerfExec();
// A call frame was popped: a start logic PERFORM'd there has returned.
void Perform_on_returned();
