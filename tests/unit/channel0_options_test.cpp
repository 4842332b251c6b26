// Channel-0 options given as text by a long mnemonic (operation 40): the
// names are matched without regard to case, SUPPRESS_FF takes the first
// letter of its value, the PDF settings are bounded as at start-up, an
// unknown name or a text without '=' is the mnemonic error, and a channel
// other than 0 passes the option over.
#include <gtest/gtest.h>

#include <string>

#include "channels/channel.h"
#include "console_env.h"
#include "core/process_config.h"
#include "core/workspace.h"
#include "terminal/long_mnem.h"
#include "test_util.h"

namespace {

class Channel0_options : public Console_env {
 protected:
  Kest_config saved_cfg;
  void SetUp() override {
    Console_env::SetUp();
    if (!ws.Con_fcb) Channels_init();
    saved_cfg = Kest_cfg;
  }
  void TearDown() override {
    Kest_cfg = saved_cfg;
    ws.Con_fcb->inherited = uint16_t(ws.Con_fcb->inherited & ~7u);
    Console_env::TearDown();
  }
  // Runs operation 40 with the option text on channel f; the error number.
  int option(Fcb* f, const std::string& text) {
    std::string block(1, char(text.size()));
    block += text;
    Fcb* was = ws.Cur_fcb;
    ws.Cur_fcb = f;
    int e = error_no([&] { LongMnemExec(40, u(block), uint32_t(block.size())); });
    ws.Cur_fcb = was;
    return e;
  }
};

TEST_F(Channel0_options, SuppressFormFeedsByFirstLetter) {
  Fcb* con = ws.Con_fcb;
  const std::pair<const char*, unsigned> cases[] = {{"SUPPRESS_FF=First", 1}, {"suppress_ff=LAST", 2},
                                                     {"Suppress_FF=both", 3},  {"SUPPRESS_FF=All", 4},
                                                     {"SUPPRESS_FF=no", 0},    {"SUPPRESS_FF=", 0}};
  for (const auto& [text, bits] : cases) {
    ASSERT_EQ(option(con, text), 0) << text;
    EXPECT_EQ(con->inherited & 7u, bits) << text;
  }
}

TEST_F(Channel0_options, PdfSettingsAreBounded) {
  Fcb* con = ws.Con_fcb;
  EXPECT_EQ(option(con, "PdfMargin=300"), 0);
  EXPECT_EQ(Kest_cfg.pdf_margin, 300);
  EXPECT_EQ(option(con, "PDFFACTOR=2.5"), 0);
  EXPECT_DOUBLE_EQ(Kest_cfg.pdf_factor, 2.5);
  EXPECT_EQ(option(con, "PdfFactor=0.25"), 0);  // below 1 is 1
  EXPECT_DOUBLE_EQ(Kest_cfg.pdf_factor, 1.0);
  EXPECT_EQ(option(con, "PdfFactor=junk"), 0);
  EXPECT_DOUBLE_EQ(Kest_cfg.pdf_factor, 1.0);
  EXPECT_EQ(option(con, "PdfFontDir=/usr/share/fonts//"), 0);
  EXPECT_EQ(Kest_cfg.pdf_font_dir, "/usr/share/fonts");
}

TEST_F(Channel0_options, BadTextsAreTheMnemonicError) {
  Fcb* con = ws.Con_fcb;
  EXPECT_EQ(option(con, "NoSuchOption=1"), 29);
  EXPECT_EQ(option(con, "SUPPRESS_FF"), 29);
  EXPECT_EQ(option(con, ""), 29);
  // A length byte that claims more than the block holds.
  std::string block("\x40SUPPRESS_FF=A", 14);
  Fcb* was = ws.Cur_fcb;
  ws.Cur_fcb = con;
  EXPECT_EQ(error_no([&] { LongMnemExec(40, u(block), uint32_t(block.size())); }), 29);
  EXPECT_EQ(error_no([&] { LongMnemExec(40, nullptr, 0); }), 29);
  ws.Cur_fcb = was;
  EXPECT_EQ(con->inherited & 7u, 0u);
}

TEST_F(Channel0_options, OtherChannelsPassItOver) {
  type("OPEN (1)\"/dev/null\"");
  Fcb* f = Find_fp(1);
  ASSERT_NE(f, nullptr);
  uint16_t before = f->inherited;
  EXPECT_EQ(option(f, "NoSuchOption=1"), 0);
  EXPECT_EQ(option(f, "SUPPRESS_FF=A"), 0);
  EXPECT_EQ(f->inherited, before);
  EXPECT_EQ(ws.Con_fcb->inherited & 7u, 0u);
  type("CLOSE (1)");
}

}  // namespace
