// The console loop: reads lines, compiles them, stores numbered lines and
// runs the others.
#pragma once
#include <cstdint>
#include <string>

#include "core/exec_command.h"

int OruMain(int argc, char** argv);
void main_wrapup();
// The mirror start-up program of the library (first console pass).
void KestMirrorInit();
void Exec_console();
// Reads and runs one console line; 0 when the console is to be left.
int ConsoleCmnd();
void Prompt_out();
// The step commands ".", ".n", "..", "..." and ";": sets up stepping and
// returns true (the line then runs as RUN).
bool Step_command(const std::string& line);
// Edits the line read (leading "/" and "'" forms), ends the echoed line and
// puts the line into the string accumulator (copied into the work area).
void Process_input(std::string& line);
