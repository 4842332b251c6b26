// Small helpers shared by the unit tests.
#pragma once
#include <string>

#include "core/errors.h"

// The error number f raised, 0 when it returned.
template <class F>
int error_no(F f) {
  try {
    f();
  } catch (const Oru_error& e) {
    return e.no;
  }
  return 0;
}

inline const uint8_t* u(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
