// Compiling and running one command line, and nested runs of compiled code.
#pragma once
#include <cstdint>
#include <string>

// Bit of ws.Sys_flags10: the last console line ran a console command program.
constexpr uint16_t SF10_CONSOLE_CMD = 0x4000;

// Runs the compiled line at the cursor until it stops; when it stops at the
// console (console mode), reads and runs console lines through
// Core_hook.console_command until the console is to be left.
void ProcessExecLine();
// Runs the compiled line at the cursor as nested execution; returns the
// console-mode bit as it was before (1 or 0).
int16_t InternalExecLine();
// Compiles and stores or runs the line in the string accumulator;
// from_console 1 when it was typed at the console.
void Exec_command(int from_console);
// A console line without a line number that did not compile: when its first
// word names a console command program of the library ("_cmd/word" or
// "_cmd/system/word"), the string accumulator becomes CALL "*cmd/word" with
// the rest of the line as a string argument and 0 is returned; otherwise err.
int Check_cmd(int err);
// The breakpoint forms (the compiled line after the ">" code).
void Breakpoint_command(const uint8_t* p);
// Removes every console breakpoint (">" alone, RENUMBER, the program
// cleared).
void Console_breaks_clear();
// EXECUTE's nested run of a console line, the program's position kept: 0,
// or the error that stopped it.
int Exec_text(const std::string& text);
