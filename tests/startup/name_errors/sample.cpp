// Sample for tools/name_errors.py: Rpt_error(12) in a comment stays.
#include <cerrno>
#include <string>

#include "core/errors.h"

int sample(int rc, int n, bool create) {
  const char* text = "Rpt_error(20) in a string stays";
  char quote = '(';
  int count = 1'000;  // a digit separator is not a character literal
  if (n == 3) Rpt_error(11);
  if (n == 4) Rpt_error_text(99, std::string("the sample ") + text);
  if (n == 5) Rpt_error(rc == 12 ? 90 : rc);
  if (n == 6) Rpt_error(create ? 10 : n > 0 ? 12 : 2);
  if (n == 7) OS_error("open", -1, 13);
  if (n == 8) return OS_error("open", -1, -1);
  if (n == 9) throw Oru_error{17};
  if (n == 10) Rpt_error(256 + EACCES);
  if (n == 11) Rpt_error(38);
  try {
    Rpt_error(  46  );
  } catch (const Oru_error& e) {
    if (e.no == 2 || e.no != 11) return 7;
    if (e.no == 0x10) return 8;
  }
  struct Other {
    int no;
  } other{12};
  if (other.no == 12) return quote + count;
  return rc == 12 ? 20 : 0;
}
