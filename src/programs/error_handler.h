// The error-handler program set by ERRH (and SETERR "name").
#pragma once
#include <string>

// The name, empty when none is set.
const std::string& Err_pgm_name();
void Err_pgm_clear();
void Err_pgm_set(const std::string& name);
