// The command parser of the process debug link: every command of the table,
// operands bounded by the message, breakpoint and step operands; and the
// fuzzer's seeds and regressions replayed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/codes.h"
#include "programs/debug_link.h"
#include "../fuzz/debug_check.h"

namespace {

std::vector<uint8_t> with_operand(std::vector<uint8_t> head, const std::string& s) {
  head.push_back(code::COLON);
  head.push_back(5);
  uint32_t n = uint32_t(s.size());
  for (int sh : {24, 16, 8, 0}) head.push_back(uint8_t(n >> sh));
  head.insert(head.end(), s.begin(), s.end());
  return head;
}

Dbg_command parse(const std::vector<uint8_t>& p) { return Dbg_parse_command(p.data(), p.size()); }

}  // namespace

TEST(DebugLinkCommands, EveryCommandOfTheTable) {
  EXPECT_EQ(parse({code::D_RUN}).cmd, DBG_RESUME);
  EXPECT_EQ(parse({code::D_CLOSE}).cmd, DBG_DETACH);
  EXPECT_EQ(parse({code::D_QUIT}).cmd, DBG_QUIT);
  EXPECT_EQ(parse({code::D_END}).cmd, DBG_END);
  EXPECT_EQ(parse({code::D_STOP}).cmd, DBG_STOP);
  EXPECT_EQ(parse({code::D_CALL}).cmd, DBG_CALLS);
  EXPECT_EQ(parse({code::D_FILE}).cmd, DBG_FILES);
  EXPECT_EQ(parse({code::EXT_DIR, code::X_BREAK, code::D_LIST}).cmd, DBG_BREAK_LIST);
  EXPECT_EQ(parse({code::PREFIX2, code::COLON}).cmd, DBG_STATUS);
  Dbg_command b = parse(with_operand({code::EXT_DIR, code::X_BREAK}, "+30:prog"));
  EXPECT_EQ(b.cmd, DBG_BREAK_SET);
  EXPECT_EQ(b.operand, "+30:prog");
  EXPECT_EQ(parse(with_operand({code::D_EXECUTE}, "A=1")).cmd, DBG_EXECUTE);
  EXPECT_EQ(parse(with_operand({code::D_LOAD}, "prog")).cmd, DBG_LOAD);
  EXPECT_EQ(parse(with_operand({code::D_RETURN}, "A+1")).operand, "A+1");
  Dbg_command t = parse({code::D_TRACE});
  EXPECT_EQ(t.cmd, DBG_TRACE);
  EXPECT_FALSE(t.has_operand);
  EXPECT_TRUE(parse(with_operand({code::D_TRACE}, "12")).has_operand);
  EXPECT_EQ(parse({code::PREFIX2, '?'}).cmd, DBG_STEP);
  EXPECT_EQ(parse(with_operand({code::PREFIX2, '?'}, ";5")).operand, ";5");
}

TEST(DebugLinkCommands, UnknownAndDamagedPayloadsAreNotUnderstood) {
  EXPECT_EQ(parse({}).cmd, DBG_NA);
  EXPECT_EQ(parse({code::D_PRINT}).cmd, DBG_NA);
  EXPECT_EQ(parse({code::EXT_DIR}).cmd, DBG_NA);             // prefix alone
  EXPECT_EQ(parse({code::EXT_DIR, code::X_PROCESS}).cmd, DBG_NA);
  EXPECT_EQ(parse({code::PREFIX2}).cmd, DBG_NA);
  EXPECT_EQ(parse({code::PREFIX2, 'x'}).cmd, DBG_NA);
  EXPECT_EQ(parse({code::D_RETURN}).cmd, DBG_NA);             // needs its operand
  EXPECT_EQ(parse({code::EXT_DIR, code::X_BREAK}).cmd, DBG_NA);
  // An operand whose length runs past the message.
  std::vector<uint8_t> cut = with_operand({code::D_RETURN}, "A+1");
  cut.pop_back();
  EXPECT_EQ(parse(cut).cmd, DBG_NA);
  std::vector<uint8_t> huge = {code::D_RETURN, code::COLON, 5, 0xFF, 0xFF, 0xFF, 0xFF, 'A'};
  EXPECT_EQ(parse(huge).cmd, DBG_NA);
  std::vector<uint8_t> short_len = {code::D_EXECUTE, code::COLON, 5, 0};
  EXPECT_EQ(parse(short_len).cmd, DBG_NA);
}

TEST(DebugLinkCommands, HeaderLengthIsBounded) {
  uint8_t h[4];
  Dbg_put_header(h, DBG_PAYLOAD_MAX, 0x1234);
  size_t len;
  uint16_t id;
  EXPECT_TRUE(Dbg_get_header(h, len, id));
  EXPECT_EQ(len, DBG_PAYLOAD_MAX);
  EXPECT_EQ(id, 0x1234);
  EXPECT_EQ(h[0], uint8_t(DBG_PAYLOAD_MAX & 0xFF));  // low byte first
  uint8_t big[4] = {0xFF, 0xFF, 1, 0};
  EXPECT_FALSE(Dbg_get_header(big, len, id));
}

TEST(DebugLinkCommands, BreakpointOperands) {
  char sign;
  uint32_t line;
  std::string prog;
  EXPECT_EQ(Dbg_parse_break("+30:ORDERS", sign, line, prog), 0);
  EXPECT_EQ(sign, '+');
  EXPECT_EQ(line, 30u);
  EXPECT_EQ(prog, "ORDERS");
  EXPECT_EQ(Dbg_parse_break("-1x2:p", sign, line, prog), 0);  // other characters ignored
  EXPECT_EQ(line, 12u);
  EXPECT_EQ(Dbg_parse_break("+:", sign, line, prog), 46);
  EXPECT_EQ(Dbg_parse_break("*30:p", sign, line, prog), 13);
  EXPECT_EQ(Dbg_parse_break("+99999999999:p", sign, line, prog), 21);
  EXPECT_EQ(Dbg_parse_break("+0:p", sign, line, prog), 0);
  EXPECT_EQ(line, 0u);  // any line of the program
}

TEST(DebugLinkCommands, StepOptions) {
  int type;
  int32_t count;
  Dbg_parse_step(";5", type, count);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(count, 5);
  Dbg_parse_step("", type, count);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(count, 1);
  Dbg_parse_step("^", type, count);
  EXPECT_EQ(type, 4);
  Dbg_parse_step("<x;", type, count);  // the first other character ends them
  EXPECT_EQ(type, 3);
  Dbg_parse_step("P99999999999", type, count);
  EXPECT_EQ(type, 6);
  EXPECT_GT(count, 0);
}

TEST(DebugLinkCommands, FuzzSeedsAndRegressions) {
  namespace fs = std::filesystem;
  int files = 0;
  for (const char* dir : {"tests/fuzz/corpus_debug", "tests/fuzz/regressions_debug"}) {
    fs::path p = fs::path(ORU_SOURCE_DIR) / dir;
    ASSERT_TRUE(fs::exists(p)) << p;
    for (const auto& e : fs::directory_iterator(p)) {
      std::ifstream in(e.path(), std::ios::binary);
      std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_TRUE(Debug_input_ok(reinterpret_cast<const uint8_t*>(s.data()), s.size())) << e.path();
      ++files;
    }
  }
  EXPECT_GE(files, 8);
}
