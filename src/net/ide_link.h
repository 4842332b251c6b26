// The IDE debug link: an IDE drives the interpreter over two TCP
// connections the interpreter opens at start-up from the "-e:" settings
// "host;commandport;noticeport".  Commands arrive as text lines on the
// command connection (answers "ok", "bad" or a dump); state changes are
// reported as notices on the other.
#pragma once
#include <cstddef>
#include <string>

// Start-up: connects both channels (once), says "started" and waits up to
// ten seconds for the IDE's "resume".  Nothing happens without settings;
// a connection that fails leaves the link off without a message.
void CheckEclipseActive();
// Reads and carries out the commands that wait on the command connection;
// wait_ms: how long to wait for the first byte (0: not at all).
void CheckEclipseCommands(int wait_ms = 0);
// Carries out one command line: 1 answer "ok", -1 answer "bad", 0 no answer
// (the reply was the dump itself).
int ParseEclipseCommands(const char* line, size_t len);
// Sends a notice ("started\r\n" ...) on the notice connection; errors on
// the link are swallowed.
void SendEclipseCommand(const char* text);
// The "-e:" settings split into the two addresses: "host;port" each; false
// when either part is missing or too long.
bool Ide_split_settings(const std::string& settings, std::string& cmd, std::string& evt);

// The program layer's dumps the link answers "var" and "stack" with (the
// one-variable form of a name at a call level; every call level in
// names-only form).  Filled by programs/oop_dump.cpp at start-up; unset, a
// variable reads as unknown ("NAME=<?>\t") and the stack as empty.
extern std::string (*Ide_var_hook)(int level, const char* name, size_t len);
extern std::string (*Ide_stack_hook)();
