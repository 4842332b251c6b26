// The call directives' shared entry points.
#pragma once
#include <string>

// The arguments at the cursor, then the call of the program `name` (routed
// by its prefix: "[http" names go to the web-call utility, "[lcl]" is
// dropped, thin-client names are not available).
void ArgProcess(const std::string& name);
// XEQ(name, arguments): the arguments at the cursor (up to ")"), then the
// call of the program, routed as ArgProcess routes it, run to completion
// in a nested execution.  A failure to start and an EXIT with an error
// number are raised at the calling statement.
void Call_nested_with_args(const std::string& name);
// EXIT, with exit code n when has_code: pops the frame; n = 127 requests
// an escape after the calling statement; any other n is raised there (a
// call from a nested execution gets every code, negative ones too, in
// ws.Call_err).  END in a called program comes here too.
void Exec_exit(bool has_code, int n);
// The error path's share: an error that no ERR= or SETERR line took, on a
// program line.  Calls the error-handler program (true), or prepares EXIT
// ERR so that a called program hands the error to its caller (true); false
// when the error stays here.  n becomes 54 when the handler cannot start.
bool Handle_program_error(int& n);
// PERFORM of a logic program (PERFORM ON): as PERFORM name, from the cursor.
void Perform_logic_program(const std::string& name);
// Fills the statement loop's own ways through CALL and EXIT
// (Call_exit_path, core/executor.h), registered with d_call and d_exit.
void Call_register_paths();
