// The task strings: texts that SDEV TSK( appends and TSK( reads back by
// position from 0.  Shut-down frees them.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

void Task_string_add(std::string_view s);
// Entry n, or null past the last one.
const std::string* Task_string(size_t n);
void Task_strings_clear();
