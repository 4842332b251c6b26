// A console stream on two pipes for the tests of what the console reads and
// sends: in[1] types keys, out[0] reads what went out.  Escape flags are
// cleared on both sides of each test.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include "core/console_device.h"
#include "core/signal_flags.h"
#include "core/workspace.h"

class ConsolePipesTest : public ::testing::Test {
 protected:
  int in[2] = {-1, -1}, out[2] = {-1, -1};
  Con_stream_state* saved = nullptr;
  void SetUp() override {
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    saved = Con_save_stream();
    Con_set_stream(in[0], out[1], nullptr);
    ws.Run_flags &= ~uint32_t(RF_ESCAPE);
  }
  void TearDown() override {
    Con_restore_stream(saved);
    for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
    Sig_escape = 0;
    Sig_pending = 0;
    ws.Run_flags &= ~uint32_t(RF_ESCAPE);
  }
};
