// The channel layer's calls into the layers above: unset, each hook does
// something safe (a no-op, or error 99 naming what is missing); wired, each
// reaches the layer that owns the work.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/wiring.h"
#include "channels/chan_hooks.h"
#include "channels/channel.h"
#include "channels/print.h"
#include "core/errors.h"
#include "core/messages.h"
#include "keyed/keyed_file.h"
#include "pdf/pdf_channel.h"
#include "programs/program_list.h"
#include "terminal/terminal.h"
#include "test_util.h"

namespace {

class Chan_hooks_test : public ::testing::Test {
 protected:
  Chan_hooks saved = Chan_hook;
  void TearDown() override { Chan_hook = saved; }
};

TEST_F(Chan_hooks_test, UnsetHooksAreNoOpsOrNameWhatIsMissing) {
  Chan_hook = Chan_hooks_unset();
  Fcb f{};
  f.fd = -1;
  // Nothing above is linked: nothing to free, forget or flush.
  EXPECT_EQ(error_no([&] { Chan_hook.term_release(&f); }), 0);
  EXPECT_EQ(error_no([] { Chan_hook.prog_cache_forget(); }), 0);
  EXPECT_EQ(error_no([] { Chan_hook.keyed_flush(); }), 0);
  EXPECT_FALSE(Chan_hook.eff_in_txn(&f));
  EXPECT_FALSE(Chan_hook.rename_index());
  EXPECT_FALSE(Chan_hook.dupl_error_program("PGM", "WRITE", 11, 1, 2, "/x"));
  EXPECT_TRUE(Chan_hook.scr_fits(&f, 500, 500));
  // Work that cannot be done without the layer above: error 99 naming it.
  const uint8_t text[] = "x";
  struct Case {
    const char* missing;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"terminal drivers", [] { Chan_hook.dev_init("T0"); }},
      {"terminal screens", [&] { Chan_hook.scr_text(&f, text, 1); }},
      {"terminal screens", [&] { Chan_hook.scr_pos(&f, 1, 1); }},
      {"PDF channels", [] { Chan_hook.pdf_pos(1, 1); }},
      {"PDF channels", [] { Chan_hook.pdf_pos1(1); }},
      {"I/O event programs", [&] { Chan_hook.run_event_program(&f, "PRE_CLOSE", 0); }},
      {"terminal mnemonics", [] { Chan_hook.prt_mnem(uint16_t('L' << 8 | 'F')); }},
      {"the console device", [] { Chan_hook.console_start(); }},
  };
  for (const Case& c : cases) {
    Set_ext_error("");
    EXPECT_EQ(error_no(c.call), 99) << c.missing;
    EXPECT_NE(Ext_error_text().find(c.missing), std::string::npos) << Ext_error_text();
  }
  Set_ext_error("");
  // Without the terminal no mnemonic is known: error 29.
  EXPECT_EQ(error_no([] { Chan_hook.bad_mnemonic(); }), 29);
}

TEST_F(Chan_hooks_test, WiringReachesTheLayersAbove) {
  Chan_hook = Chan_hooks_unset();
  App_wire();
  EXPECT_EQ(Chan_hook.term_release, &Term_release);
  EXPECT_EQ(Chan_hook.dev_init, &Dev_init);
  EXPECT_EQ(Chan_hook.scr_text, &Scr_text);
  EXPECT_EQ(Chan_hook.scr_pos, &Scr_pos);
  EXPECT_EQ(Chan_hook.keyed_flush, &Kbfr_flush_all);
  EXPECT_EQ(Chan_hook.pdf_pos, &Pdf_pos);
  EXPECT_EQ(Chan_hook.pdf_pos1, &Pdf_pos1);
  EXPECT_EQ(Chan_hook.prog_cache_forget, &Prog_cache_forget);
  EXPECT_EQ(Chan_hook.prt_mnem, &Prt_mnem);
  EXPECT_EQ(Chan_hook.bad_mnemonic, &Err_mnemonic);
  EXPECT_NE(Chan_hook.console_start, Chan_hooks_unset().console_start);
  EXPECT_NE(Chan_hook.run_event_program, Chan_hooks_unset().run_event_program);
  EXPECT_NE(Chan_hook.dupl_error_program, Chan_hooks_unset().dupl_error_program);
  EXPECT_NE(Chan_hook.eff_in_txn, Chan_hooks_unset().eff_in_txn);
  EXPECT_NE(Chan_hook.rename_index, Chan_hooks_unset().rename_index);
  EXPECT_NE(Chan_hook.scr_fits, Chan_hooks_unset().scr_fits);
  // Every built kind has its driver.
  for (int32_t kind : {FK_SERIAL, FK_KEYED, FK_EFF, FK_INDEXED, FK_MEMORY, FK_PROGRAM, FK_TCP, FK_PDF, FK_THIN_CLIENT})
    EXPECT_TRUE(Fio_supports(kind, FIO_OPEN)) << kind;
}

}  // namespace
