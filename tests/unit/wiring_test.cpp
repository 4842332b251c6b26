// The test binary is wired as the interpreter is: App_wire runs once before
// any test, so the hooks of the lower layers reach the layers above.
#include <gtest/gtest.h>

#include "app/console.h"
#include "app/wiring.h"
#include "core/exec_command.h"
#include "core/hooks.h"
#include "core/workspace.h"

namespace {

class Wired : public ::testing::Environment {
 public:
  void SetUp() override { App_wire(); }
};
const auto* const wired = ::testing::AddGlobalTestEnvironment(new Wired);

TEST(Wiring, FillsTheCoreHooks) {
  EXPECT_EQ(Core_hook.console_command, &ConsoleCmnd);
}

// A nested run that stops at the console with no console reader wired (the
// core alone) leaves the nested run instead of calling through a null hook.
TEST(Wiring, NestedRunWithoutConsoleReaderLeaves) {
  Core_hooks saved = Core_hook;
  Core_hook.console_command = nullptr;
  uint32_t con = ws.Con_flags;
  uint32_t start = ws.Start_flags;
  uint8_t* work = ws.Work_ptr;
  ws.Con_flags |= CON_MODE;
  ProcessExecLine();
  EXPECT_EQ(ws.Con_flags & CON_MODE, 0u);
  ws.Con_flags = con;
  ws.Start_flags = start;
  ws.Work_ptr = work;
  Core_hook = saved;
}

}  // namespace
