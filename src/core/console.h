// The console loop: reads lines, compiles them, stores numbered lines and
// runs the others.
#pragma once
#include <cstdint>

int OruMain(int argc, char** argv);
void Exec_console();
void ProcessExecLine();
int16_t InternalExecLine();
int ConsoleCmnd();
void Exec_command(int from_console);
void Prompt_out();
