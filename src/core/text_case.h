// Case-blind test of an ASCII prefix: file-name schemes such as "[vrl]" and
// "[tcp]", keywords within option texts.
#pragma once
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>

inline bool Starts_ci(std::string_view s, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(uint8_t(s[i])) != std::tolower(uint8_t(prefix[i]))) return false;
  return true;
}
