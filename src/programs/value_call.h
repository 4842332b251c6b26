// A program called for a value: CALL in a nested execution whose program
// ends with RETURN expression (the option and viewer utility programs of
// PDF channels).  RETURN with a value, in the called program's own frame
// and outside any GOSUB, hands the value back and exits the program.
#pragma once
#include <string>
#include <vector>

struct Arg_rec;

struct Value_call_result {
  int status = -1;        // the nested run's exit code or error (-1 none)
  bool returned = false;  // RETURN gave a value
  bool is_str = false;
  std::string str;        // the value of a string RETURN
};

// Calls the program at path with the argument list (owned from here on).
Value_call_result Value_call(const std::string& path, Arg_rec* args);

// The same with string arguments, for the PDF channels' utility programs
// (pdf/pdf_channel.h, Pdf_value_call).
struct Pdf_call_result;
Pdf_call_result Value_call_strings(const std::string& path, const std::vector<std::string>& args);
