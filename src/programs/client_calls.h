// Requests that programs, SAVE, INVOKE and EXECUTE send to an attached thin
// client (the protocol itself: terminal/tc_protocol.h).
#pragma once
#include <string>

// The console carries an attached thin client.
bool Client_attached();
// Runs a statement text on the client ('$','E'), awaiting its reply.
void Client_statement(const std::string& text);
// Runs a command on the client's machine (36, 73): the command, then the
// wait, second and third flags as numbers; the reply is awaited when wait.
void Client_invoke(const std::string& command, bool wait, bool second, bool third);
// A message box with an OK button ('?',' ': title, text, "!,OK"), the
// current-I/O area kept: 1 after showing it, 0 without a client.
int OruMessageBoxOK(const std::string& title, const std::string& text);
// Fills the core's request hooks (start-up).
void Client_calls_init();
