// The console loop: reads lines, compiles them, stores numbered lines and
// runs the others.
#pragma once
#include <cstdint>
#include <string>

int OruMain(int argc, char** argv);
void main_wrapup();
// The mirror start-up program of the library (first console pass).
void KestMirrorInit();
void Exec_console();
void ProcessExecLine();
// Runs the compiled line at the cursor as nested execution; returns the
// console-mode bit as it was before (1 or 0).
int16_t InternalExecLine();
// Reads and runs one console line; 0 when the console is to be left.
int ConsoleCmnd();
// Compiles and stores or runs the line in the string accumulator;
// from_console 1 when it was typed at the console.
void Exec_command(int from_console);
// A console line without a line number that did not compile: when its first
// word names a console command program of the library ("_cmd/word" or
// "_cmd/system/word"), the string accumulator becomes CALL "*cmd/word" with
// the rest of the line as a string argument and 0 is returned; otherwise err.
int Check_cmd(int err);
void Prompt_out();
// The breakpoint forms (the compiled line after the ">" code).
void Breakpoint_command(const uint8_t* p);
// The step commands ".", ".n", "..", "..." and ";": sets up stepping and
// returns true (the line then runs as RUN).
bool Step_command(const std::string& line);
// Edits the line read (leading "/" and "'" forms), ends the echoed line and
// puts the line into the string accumulator (copied into the work area).
void Process_input(std::string& line);
// SIGINT: sets the escape request; the sixth interrupt in a row that is not
// served ends the process by the default action.
void oru_break(int signal);
// Installs oru_break for SIGINT.
void Set_break_handler();
