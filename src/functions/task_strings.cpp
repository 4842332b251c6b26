// The task-string list of SDEV TSK( and TSK(.
#include "functions/task_strings.h"

#include <vector>

namespace {
std::vector<std::string> task_strings;
}

void Task_string_add(std::string_view s) { task_strings.emplace_back(s); }

const std::string* Task_string(size_t n) { return n < task_strings.size() ? &task_strings[n] : nullptr; }

void Task_strings_clear() { task_strings.clear(); }
