// The console's wait for input and signals that come before it begins: a
// request already pending must end the wait, not lie unnoticed until the
// next input arrives.
#include <gtest/gtest.h>

#include <unistd.h>

#include "core/console_device.h"
#include "core/signal_flags.h"
#include "core/workspace.h"
#include "console_pipes.h"

namespace {

using ConsoleWaitTest = ConsolePipesTest;

// An escape whose signal came just before the wait (the handler has set its
// flags): the wait ends at once with the escape; before, it waited out its
// whole time (-1) or, with no limit, for ever.
TEST_F(ConsoleWaitTest, EscapeThatCameBeforeTheWaitEndsIt) {
  Sig_escape = 1;
  Sig_pending = 1;
  EXPECT_EQ(Con_getc(60000), -2);
  EXPECT_TRUE(ws.Run_flags & RF_ESCAPE);
  EXPECT_EQ(Sig_pending, 0);
}

TEST_F(ConsoleWaitTest, PollSeesAPendingEscapeToo) {
  Sig_escape = 1;
  Sig_pending = 1;
  EXPECT_FALSE(Con_poll(60000));
  EXPECT_TRUE(ws.Run_flags & RF_ESCAPE);
}

// Nothing pending: input is read and a quiet stream times out as before.
TEST_F(ConsoleWaitTest, InputAndTimeOutAsBefore) {
  ASSERT_EQ(write(in[1], "ab", 2), 2);
  EXPECT_EQ(Con_getc(1000), 'a');
  EXPECT_EQ(Con_getc(1000), 'b');
  EXPECT_EQ(Con_getc(50), -1);
  EXPECT_FALSE(Con_poll(20));
}

}  // namespace
