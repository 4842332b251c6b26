// Bytes a client sends back that the host trusts only after checking them
// against the reply: the compiled I/O list of an open, and the values a
// client-side CALL hands back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channels/rec_formats.h"
#include "core/codes.h"
#include "terminal/tc_call.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool valid(const Bytes& b) { return Iol_items_valid(b.data(), b.size()); }

TEST(ClientIolItems, WholeItemsOnly) {
  // A$,B
  Bytes list = {code::STR_VAR, 2, 'A', '$', code::COMMA, code::NUM_VAR, 1, 'B'};
  EXPECT_TRUE(valid(list));
  // The last name claims more bytes than there are: Item_size alone would
  // have called the cut item whole.
  Bytes cut = {code::STR_VAR, 40, 'A'};
  EXPECT_FALSE(valid(cut));
  Bytes cut_after_comma = {code::NUM_VAR, 1, 'B', code::COMMA, code::STR_VAR, 5, 'A'};
  EXPECT_FALSE(valid(cut_after_comma));
  // A string literal whose length runs past the end.
  Bytes lit = {code::STR_LIT, 0, 9, 'x'};
  EXPECT_FALSE(valid(lit));
  // A name given as an index into a program's table, and an end of line.
  EXPECT_FALSE(valid(Bytes{code::NUM_VAR, 0x80, 1}));
  EXPECT_FALSE(valid(Bytes{code::NUM_VAR, 1, 'B', code::EOL}));
  EXPECT_TRUE(valid(Bytes{}));
}

Bytes entry(char kind, const std::string& text) {
  Bytes b = {uint8_t(kind), uint8_t(text.size() >> 8), uint8_t(text.size())};
  for (char ch : text) b.push_back(uint8_t(ch));
  return b;
}

std::vector<Tc_call_arg> two_args() {
  std::vector<Tc_call_arg> a(2);
  a[0].is_string = true;
  a[0].value = "old";
  a[1].value = "1";
  return a;
}

TEST(ClientCallReply, ValuesInArgumentOrder) {
  auto args = two_args();
  Bytes r = entry('S', "new");
  Bytes n = entry('N', "42");
  r.insert(r.end(), n.begin(), n.end());
  ASSERT_TRUE(Tc_call_reply(r.data(), int32_t(r.size()), args));
  EXPECT_EQ(args[0].value, "new");
  EXPECT_EQ(args[1].value, "42");
  EXPECT_TRUE(args[0].returned && args[1].returned);
  // A shorter reply leaves the rest alone; an empty one hands nothing back.
  args = two_args();
  Bytes s = entry('S', "");
  ASSERT_TRUE(Tc_call_reply(s.data(), int32_t(s.size()), args));
  EXPECT_EQ(args[0].value, "");
  EXPECT_FALSE(args[1].returned);
  args = two_args();
  ASSERT_TRUE(Tc_call_reply(nullptr, 0, args));
  EXPECT_FALSE(args[0].returned);
}

TEST(ClientCallReply, MalformedChangesNothing) {
  auto args = two_args();
  Bytes good = entry('S', "new");
  std::vector<Bytes> bad;
  bad.push_back(good);
  bad.back().insert(bad.back().end(), {'N', 0, 9, '1'});           // length past the end
  bad.push_back(entry('N', "1"));                                   // a number for a string
  bad.push_back(good);
  bad.back().push_back('N');                                        // an entry cut in its header
  Bytes three = good;
  for (const Bytes& e : {entry('N', "1"), entry('S', "x")}) three.insert(three.end(), e.begin(), e.end());
  bad.push_back(three);                                             // more entries than arguments
  for (const Bytes& b : bad) {
    EXPECT_FALSE(Tc_call_reply(b.data(), int32_t(b.size()), args));
    EXPECT_EQ(args[0].value, "old");
    EXPECT_FALSE(args[0].returned);
  }
}

}  // namespace
