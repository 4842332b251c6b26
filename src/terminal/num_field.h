// A numeric field of the line editor: the number is edited in place and
// shown formatted through its mask after every change.
//
// The mask may hold only '#', '$', ',', '0', one '.', and one sign '+' or
// '-' at either end.  The home offset is the mask's '.' (the mask's length
// when it has none).  Digits typed at the home offset are appended to the
// integer part (the integer digits move left, as on a calculator); digits
// elsewhere replace the digit shown at the cursor, which then moves to the
// next digit position; the decimal character is taken only at the home
// offset and steps over it; the currency and grouping characters are
// ignored; '+' and '-' set the sign when the mask has a sign position.  A
// change whose value does not fit the mask is refused and the field keeps
// its former content.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class Num_field {
 public:
  // 0, or 43 when the mask is not a numeric input mask.
  int init(const std::string& mask);
  // A typed character; false when the field refuses it.
  bool type(uint8_t c);
  // An editing code (cursor moves, deletes, clear); false when it cannot act.
  bool edit(int32_t code);
  // What the field shows (as long as the mask).
  const std::string& shown() const { return shown_; }
  // The value as plain text ("-12.50"), for the answer.
  std::string value_text() const;
  int32_t ofs = 0;  // cursor offset in the field
  int32_t home = 0;
  int32_t length() const { return int32_t(mask_.size()); }

 private:
  bool apply(const std::string& ints, const std::string& decs, bool neg);
  int32_t next_digit(int32_t from) const;  // first digit position >= from, else home
  int32_t prev_digit(int32_t from) const;  // last digit position <= from, else -1
  std::string mask_, shown_, int_, dec_;
  bool neg_ = false;
  bool has_sign_ = false;
  std::vector<int32_t> int_slot_;  // per position: integer digit index from the right, else -1
  std::vector<int32_t> dec_slot_;  // per position: decimal digit index, else -1
  int32_t int_count_ = 0, dec_count_ = 0;
};
