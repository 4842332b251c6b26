// PERFORM ON and EXECUTE ON: the logic registry (see perform_on.cpp).
#pragma once
#include <cstdint>
#include <string>

// True while the registry holds an entry: the executor's trigger points
// test it before anything else.
extern bool Perform_on_active;

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

// EXECUTE's nested run of a console line (exec_statements.cpp): 0, or the
// error that stopped it.
int Exec_text(const std::string& text);
// The END WITH form of END (exec_statements.cpp).
void End_with();
void With_clear();
