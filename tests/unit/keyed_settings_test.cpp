// The keyed engine inside the interpreter: the driver copies parameters and
// switches into Key_cfg when an operation begins, the engine's errors run
// the statement's exit hooks (Rpt_error), and the engine's own encodings
// agree with the channel layer's (memory files encode keys the same way).
#include <gtest/gtest.h>

#include <string>

#include "channels/kdef.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "keyed/key_encoding.h"
#include "keyed/key_settings.h"
#include "keyed_env.h"

namespace {

using KeyedSettings = KeyedTest;

TEST_F(KeyedSettings, SwitchesAndParametersReachTheEngineAtEachOperation) {
  Key_chan* ch = open(make("lim", 20, 4, false));
  put(ch, "A", "a");
  EXPECT_FALSE(Key_cfg.no_limit);
  EXPECT_EQ(Key_cfg.write_behind, 0);
  Sw_set(sw::I2, true);
  ASSERT_EQ(Exec_param(Prm_code('W', 'D'), 3), 0);
  put(ch, "B", "b");
  EXPECT_TRUE(Key_cfg.no_limit);
  EXPECT_EQ(Key_cfg.write_behind, 3);
  Sw_set(sw::I2, false);
  Key_hold_whole(ch, false);
  EXPECT_EQ(strip(get(ch, "B")), "b");
  EXPECT_FALSE(Key_cfg.no_limit);
  // The folding tables are the interpreter's (code page), not the engine's own.
  EXPECT_EQ(Key_cfg.upper, Uppercs);
  EXPECT_TRUE(Key_cfg.zlib_ready != nullptr);
}

TEST_F(KeyedSettings, EngineErrorsRunTheExitHookOfTheStatement) {
  static int ran = 0;
  ran = 0;
  Err_hook_guard g([] { ++ran; });
  Key_chan* ch = open(make("e", 20, 4, false));
  EXPECT_EQ(error_no([&] { get(ch, "none"); }), 11);
  EXPECT_EQ(ran, 1);  // Rpt_error ran the statement's hook after the engine's own
  EXPECT_EQ(ws.Err_code, 11);
}

TEST(KeyEncoding, AgreesWithTheChannelLayer) {
  const char* texts[] = {"", "  ", "0", "12", "-12", "12.5", "-0.75", "  42  ", "+7", "123456", "-99999", ".5", "1x"};
  for (int decimals : {0, 2}) {
    for (int len : {4, 6, 8}) {
      for (const char* t : texts) {
        std::string s(t);
        uint8_t a[8] = {}, b[8] = {};
        int ra = -1, rb = -1;
        int ea = error_no([&] { ra = Key_encode_number(u(s), int32_t(s.size()), a, len, decimals); });
        int eb = error_no([&] { rb = EncodeBinNumSeg(u(s), int32_t(s.size()), b, len, decimals); });
        ASSERT_EQ(ea, eb) << t << " " << len << " " << decimals;
        if (ea != 0) continue;
        EXPECT_EQ(ra, rb) << t;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(a), size_t(len)), std::string(reinterpret_cast<char*>(b), size_t(len)))
            << t;
        EXPECT_EQ(Key_decode_number(a, len), DecodeBinNumSeg(b, len)) << t;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(a), size_t(len)), std::string(reinterpret_cast<char*>(b), size_t(len)))
            << t;
      }
    }
  }
  std::string data = "the dictionary check";
  for (uint16_t seed : {uint16_t(0), uint16_t(0xFFFF), uint16_t(0x1234)})
    EXPECT_EQ(Key_crc16(u(data), data.size(), seed), crc16(u(data), data.size(), seed));
}

}  // namespace
