// Thin-client frames, items and replies: the encodings byte by byte, the
// reply readers of both carriers fed good, broken and hostile input, the
// handshake reply, and the request builder's limits by client level.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/kind_registry.h"
#include "channels/channel.h"
#include "channels/console_channel.h"
#include "console_env.h"
#include "core/memory.h"
#include "terminal/tc_frame.h"
#include "terminal/tc_protocol.h"
#include "terminal/tc_session.h"
#include "test_util.h"

namespace {

std::vector<uint8_t> item_bytes(const Tc_item& it, bool long_ints) {
  std::vector<uint8_t> out(Tc_item_size(it, long_ints) + 8, 0xEE);
  uint8_t* end = Tc_put_item(out.data(), it, long_ints);
  EXPECT_EQ(size_t(end - out.data()), Tc_item_size(it, long_ints));
  out.resize(size_t(end - out.data()));
  return out;
}

using Bytes = std::vector<uint8_t>;

// Feeds bytes to a console reader; the steps other than MORE, and the keys.
std::vector<Tc_reply_reader::Step> feed_all(Tc_reply_reader& rd, const Bytes& in, std::string* keys) {
  std::vector<Tc_reply_reader::Step> steps;
  for (uint8_t b : in) {
    auto s = rd.feed(b);
    if (s == Tc_reply_reader::KEY) keys->push_back(char(rd.key()));
    if (s == Tc_reply_reader::KEY2) {
      keys->push_back('\x16');
      keys->push_back(char(rd.key()));
    }
    if (s != Tc_reply_reader::MORE && s != Tc_reply_reader::KEY && s != Tc_reply_reader::KEY2) steps.push_back(s);
  }
  return steps;
}

Bytes reply_of(const std::string& data) {
  Bytes r = {0x16, 0x06, uint8_t(data.size() >> 8), uint8_t(data.size())};
  uint16_t crc = crc16(u(data), data.size(), 0);
  r.push_back(uint8_t(crc >> 8));
  r.push_back(uint8_t(crc));
  r.insert(r.end(), data.begin(), data.end());
  return r;
}

}  // namespace

TEST(TcItems, NumbersAreBigEndianWithTheLongIntegerEscape) {
  EXPECT_EQ(item_bytes({'c', 0x1234, 0, nullptr}, true), (Bytes{0x34}));
  EXPECT_EQ(item_bytes({'i', 40000, 0, nullptr}, true), (Bytes{0x80, 0x00, 0x00, 0x00, 0x9C, 0x40}));
  EXPECT_EQ(item_bytes({'i', 40000, 0, nullptr}, false), (Bytes{0x9C, 0x40}));
  EXPECT_EQ(item_bytes({'i', -32767, 0, nullptr}, true), (Bytes{0x80, 0x01}));
  EXPECT_EQ(item_bytes({'i', -32768, 0, nullptr}, true), (Bytes{0x80, 0x00, 0xFF, 0xFF, 0x80, 0x00}));
  EXPECT_EQ(item_bytes({'l', -2, 0, nullptr}, false), (Bytes{0xFF, 0xFF, 0xFF, 0xFE}));
  EXPECT_EQ(item_bytes({'q', 5, 0, nullptr}, false), Bytes{});  // unknown kinds write nothing
}

TEST(TcItems, StringsTakeTwoOrFiveLengthBytes) {
  EXPECT_EQ(item_bytes({'s', 0, 2, u("ab")}, false), (Bytes{0, 2, 'a', 'b'}));
  EXPECT_EQ(item_bytes({'s', 0, 0, nullptr}, false), (Bytes{0, 0}));
  EXPECT_EQ(item_bytes({'s', 0, -1, nullptr}, false), (Bytes{0xFF, 0xFF}));  // the empty-key marker
  std::string big(65280, 'x');
  Bytes b = item_bytes({'s', 0, int32_t(big.size()), u(big)}, false);
  ASSERT_EQ(b.size(), 5u + big.size());
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 5), (Bytes{0xFF, 0x00, 0x00, 0xFF, 0x00}));
  std::string under(65279, 'y');
  EXPECT_EQ(item_bytes({'s', 0, int32_t(under.size()), u(under)}, false).size(), 2u + under.size());
  EXPECT_EQ(item_bytes({'*', 0, 3, u("raw")}, false), (Bytes{'r', 'a', 'w'}));
}

TEST(TcItems, ParsingGivesBackWhatWasBuilt) {
  Bytes p;
  static const std::string key = "key";
  for (Tc_item it : {Tc_item{'c', 'K', 0, nullptr}, Tc_item{'i', 70000, 0, nullptr}, Tc_item{'s', 0, -1, nullptr},
                     Tc_item{'l', -1, 0, nullptr}, Tc_item{'s', 0, 3, u(key)}}) {
    Bytes b = item_bytes(it, true);
    p.insert(p.end(), b.begin(), b.end());
  }
  std::vector<std::string> out;
  ASSERT_TRUE(Tc_parse_items(p.data(), p.size(), "cisls", true, &out));
  EXPECT_EQ(out, (std::vector<std::string>{"75", "70000", "", "-1", "key"}));
  out.clear();
  EXPECT_FALSE(Tc_parse_items(p.data(), p.size() - 1, "cisls", true, &out));  // cut short
  out.clear();
  EXPECT_FALSE(Tc_parse_items(p.data(), p.size(), "cisl", true, &out));  // bytes left over
  Bytes lying = {0x00, 0x09, 'a'};  // a length past the payload
  out.clear();
  EXPECT_FALSE(Tc_parse_items(lying.data(), lying.size(), "s", false, &out));
}

TEST(TcFrames, HeaderLengthAndCrc) {
  Bytes e = Tc_frame('*', ' ', nullptr, 0, false);
  EXPECT_EQ(e, (Bytes{0x16, 0x16, 0x16, 0x02, '*', ' ', 0, 0, 0, 0}));
  EXPECT_EQ(Tc_frame('*', ' ', nullptr, 0, true), (Bytes{0x16, 0x02, '*', ' ', 0, 0, 0, 0}));
  Bytes f = Tc_frame('f', 'n', u("123456789"), 9, false);
  ASSERT_EQ(f.size(), 19u);
  EXPECT_EQ(f[8], 0xBB);  // CRC-16/ARC of "123456789" is BB3D
  EXPECT_EQ(f[9], 0x3D);
  Bytes big(65536, 'z');
  Bytes g = Tc_frame('F', 'W', big.data(), uint32_t(big.size()), false);
  ASSERT_EQ(g.size(), 12u + big.size());
  EXPECT_EQ(g[5], 'W' | 0x80);
  EXPECT_EQ(Bytes(g.begin() + 6, g.begin() + 10), (Bytes{0, 1, 0, 0}));
  Bytes h = Tc_frame('F', 'W', big.data(), 65535, false);
  EXPECT_EQ(h[5], 'W');
  EXPECT_EQ(h.size(), 10u + 65535);
}

TEST(TcReplies, KeystrokesEscapesAndTheReply) {
  Tc_reply_reader rd;
  std::string keys;
  Bytes in = {'a', 0x16, 0x16, 'b', 0x16, 'x'};
  Bytes r = reply_of("OK");
  in.insert(in.end(), r.begin(), r.end());
  auto steps = feed_all(rd, in, &keys);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0], Tc_reply_reader::REPLY);
  EXPECT_TRUE(rd.crc_ok());
  EXPECT_EQ(std::string(rd.data().begin(), rd.data().end()), "OK");
  EXPECT_EQ(keys, std::string("a\x16" "b\x16x", 5));
}

TEST(TcReplies, EmptyReplyEndsAfterFourBytes) {
  Tc_reply_reader rd;
  std::string keys;
  auto steps = feed_all(rd, {0x16, 0x06, 0x00, 0x00}, &keys);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0], Tc_reply_reader::REPLY);
  EXPECT_TRUE(rd.data().empty());
  // A long reply of length 0 likewise.
  rd.reset();
  steps = feed_all(rd, {0x16, 0x86, 0, 0, 0, 0}, &keys);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0], Tc_reply_reader::REPLY);
}

TEST(TcReplies, WrongCrcNakCanAliveAndTooLong) {
  Tc_reply_reader rd;
  std::string keys;
  Bytes r = reply_of("data");
  r[5] ^= 1;
  auto steps = feed_all(rd, r, &keys);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_FALSE(rd.crc_ok());
  steps = feed_all(rd, {0x16, 0x15, 0x16, 0x18, 0x2E, 0x16, 0x05}, &keys);
  EXPECT_EQ(steps, (std::vector<Tc_reply_reader::Step>{Tc_reply_reader::NAK, Tc_reply_reader::CAN,
                                                       Tc_reply_reader::ALIVE}));
  EXPECT_EQ(rd.code(), 46);
  // A long reply that announces 4 GB: refused at once, nothing reserved.
  steps = feed_all(rd, {0x16, 0x86, 0xFF, 0xFF, 0xFF, 0xF0}, &keys);
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0], Tc_reply_reader::TOO_LONG);
  EXPECT_LT(rd.data().capacity(), size_t(1) << 20);
  EXPECT_TRUE(keys.empty());
}

// A client object's event: 16 'E' and a signed 2-byte value, between keys
// and before a reply; its bytes are no keystrokes, a 0x16 or 0x03 among
// them included.
TEST(TcReplies, EventsOfClientObjects) {
  Tc_reply_reader rd;
  std::string keys;
  std::vector<int32_t> values;
  Bytes in = {'a', 0x16, 'E', 0x00, 0x4D, 'b', 0x16, 'E', 0xFF, 0xFE, 0x16, 'E', 0x16, 0x03};
  Bytes r = reply_of("ok");
  in.insert(in.end(), r.begin(), r.end());
  std::vector<Tc_reply_reader::Step> steps;
  for (uint8_t b : in) {
    auto s = rd.feed(b);
    if (s == Tc_reply_reader::KEY) keys.push_back(char(rd.key()));
    if (s == Tc_reply_reader::EVENT) values.push_back(rd.event());
    if (s != Tc_reply_reader::MORE && s != Tc_reply_reader::KEY) steps.push_back(s);
  }
  EXPECT_EQ(keys, "ab");
  EXPECT_EQ(values, (std::vector<int32_t>{77, -2, 0x1603}));
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(steps[3], Tc_reply_reader::REPLY);
  EXPECT_EQ(std::string(rd.data().begin(), rd.data().end()), "ok");
  // Cut short: the reader waits for the rest, and a reply started after the
  // escape is still a reply.
  rd.reset();
  EXPECT_EQ(rd.feed(0x16), Tc_reply_reader::MORE);
  EXPECT_EQ(rd.feed('E'), Tc_reply_reader::MORE);
  EXPECT_TRUE(rd.in_reply());  // a 0x03 here is part of the value, not the stop request
  EXPECT_EQ(rd.feed(0x00), Tc_reply_reader::MORE);
  EXPECT_EQ(rd.feed(0x01), Tc_reply_reader::EVENT);
  EXPECT_FALSE(rd.in_reply());
}

TEST(TcReplies, TcpReplyInChunks) {
  Tc_tcp_reply rd;
  Bytes r = reply_of("hello world");
  size_t used = 0;
  EXPECT_EQ(rd.feed(r.data(), 3, &used), Tc_tcp_reply::MORE);
  EXPECT_EQ(used, 3u);
  EXPECT_EQ(rd.feed(r.data() + 3, 5, &used), Tc_tcp_reply::MORE);
  Bytes rest(r.begin() + 8, r.end());
  rest.push_back('!');  // what follows the reply is not taken
  EXPECT_EQ(rd.feed(rest.data(), rest.size(), &used), Tc_tcp_reply::REPLY);
  EXPECT_EQ(used, rest.size() - 1);
  EXPECT_EQ(std::string(rd.data().begin(), rd.data().end()), "hello world");
  rd.reset();
  Bytes can = {0x16, 0x18, 0xFE};
  EXPECT_EQ(rd.feed(can.data(), can.size(), &used), Tc_tcp_reply::CAN);
  EXPECT_EQ(rd.code(), -2);
  for (Bytes bad : {Bytes{'x'}, Bytes{0x16, 0x15}, Bytes{0x16, 0x86, 0, 0}}) {
    rd.reset();
    EXPECT_EQ(rd.feed(bad.data(), bad.size(), &used), Tc_tcp_reply::BAD);
  }
}

TEST(TcHandshake, ReplyBytes) {
  Bytes r(32, 0);
  r[5] = 0x01;
  r[6] = 0x00;
  r[15] = 0x00;
  r[16] = 0x10;
  r[9] = 8;
  r[10] = 16;
  r[11] = 2;
  r[12] = 1;
  r[21] = 12;
  r[31] = 'J';
  Tc_hello h = Tc_parse_hello(r.data(), r.size());
  EXPECT_EQ(h.level, 12);
  EXPECT_EQ(h.kind, 'J');
  EXPECT_EQ(h.compat, 0x100 - 0x10);
  EXPECT_EQ(h.page_metric, 1600 * 16 * 2 / 8 / 1);
  r[21] = 255;
  EXPECT_EQ(Tc_parse_hello(r.data(), r.size()).level, 0);
  // Zero divisors and a short reply do not fault.
  Bytes z(10, 0);
  h = Tc_parse_hello(z.data(), z.size());
  EXPECT_EQ(h.level, 0);
  EXPECT_EQ(h.page_metric, 0);
  EXPECT_EQ(Tc_parse_hello(nullptr, 0).level, 0);
}

class TcBuilder : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    Channels_register_kinds();  // other suites may have left the table changed
    Console_register();
  }
  void TearDown() override {
    ws.Tc_level = 0;
    ws.Tc_caps = 0;
    Console_env::TearDown();
  }
  // Builds one string item of n bytes and sends it: the error raised.  With
  // no client attached a payload within the level's limit reaches the
  // sender and gets error 99; one over the limit gets 46 before that.
  int send_string(int level, size_t n) {
    ws.Tc_level = level;
    std::string s(n, 'q');
    int e = error_no([&] {
      Wtty_init('F', 'W');
      Wtty_str2(u(s), int32_t(s.size()));
      Wtty_xmit(0);
    });
    return e;
  }
};

TEST_F(TcBuilder, PayloadLimitsByClientLevel) {
  EXPECT_EQ(send_string(7, 32167), 99);
  EXPECT_EQ(send_string(7, 32168), 46);
  EXPECT_EQ(send_string(8, 65533), 99);
  EXPECT_EQ(send_string(8, 65534), 46);
  EXPECT_EQ(send_string(9, 65533), 99);
  EXPECT_EQ(send_string(10, 100000), 99);
}

TEST_F(TcBuilder, LongStringsNeedLevelTen) {
  std::string s(65280, 's');
  ws.Tc_level = 9;
  EXPECT_EQ(error_no([&] {
              Wtty_init('F', 'W');
              Wtty_str(u(s), int32_t(s.size()));
            }),
            46);
  ws.Tc_level = 10;
  EXPECT_EQ(error_no([&] {
              Wtty_init('F', 'W');
              Wtty_str(u(s), int32_t(s.size()));
            }),
            0);
}

TEST_F(TcBuilder, ItemCountIsBounded) {
  Wtty_init('x', 'y');
  for (int i = 0; i < 100; ++i) Wtty_chr(i);
  EXPECT_EQ(error_no([] { Wtty_chr(0); }), 30);
}

TEST_F(TcBuilder, RequestsNeedAnAttachedClient) {
  EXPECT_EQ(error_no([] { Wtty_get_fin_value("*BreakList"); }), 99);
  EXPECT_FALSE(Tc_attached());
}

TEST(TcMinorCodes, OperationWords) {
  EXPECT_EQ(WttyMinCode(204), 'R');
  EXPECT_EQ(WttyMinCode(232), 'W');
  EXPECT_EQ(WttyMinCode(176), 'F');
  EXPECT_EQ(WttyMinCode(0x3D), 'N');
  EXPECT_EQ(WttyMinCode(1), 0);
}
