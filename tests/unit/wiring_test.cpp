// The test binary is wired as the interpreter is: App_wire runs once before
// any test, so the hooks of the lower layers reach the layers above.
#include <gtest/gtest.h>

#include "app/console.h"
#include "app/wiring.h"
#include "core/errors.h"
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
  // Every hook the wiring fills differs from its default.
  Core_hooks d;
  EXPECT_NE(Core_hook.commit, d.commit);
  EXPECT_NE(Core_hook.debug_link, d.debug_link);
  EXPECT_NE(Core_hook.trace, d.trace);
  EXPECT_NE(Core_hook.trace_end, d.trace_end);
  EXPECT_NE(Core_hook.end_run, d.end_run);
  EXPECT_NE(Core_hook.load_statement, d.load_statement);
  EXPECT_NE(Core_hook.exec_exit, d.exec_exit);
  EXPECT_NE(Core_hook.object_precision, d.object_precision);
  EXPECT_NE(Core_hook.perform_on_start, d.perform_on_start);
  EXPECT_NE(Core_hook.perform_on_line, d.perform_on_line);
  EXPECT_NE(Core_hook.perform_on_label, d.perform_on_label);
  EXPECT_NE(Core_hook.perform_exec, d.perform_exec);
}

// Unwired (the core alone), a run flag whose server is missing is dropped,
// so the statement loop does not come back for it; a statement that needs a
// missing layer stops with error 99 naming it.
TEST(Wiring, DefaultsAreSafe) {
  Core_hooks d;
  uint32_t flags = ws.Run_flags;
  ws.Run_flags |= RF_COMMIT | RF_TRACE | RF_DEBUG_LINK;
  d.commit();
  d.trace();
  d.debug_link();
  EXPECT_EQ(ws.Run_flags & (RF_COMMIT | RF_TRACE | RF_DEBUG_LINK), 0u);
  ws.Run_flags = flags;
  EXPECT_FALSE(d.perform_exec());
  for (auto call : {+[] { Core_hooks{}.load_statement(true); }, +[] { Core_hooks{}.exec_exit(false, 0); },
                    +[] { Core_hooks{}.object_precision(4); }}) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const Oru_error& e) {
      EXPECT_EQ(e.no, 99);
    }
  }
  Set_ext_error("");
}

// A nested run that stops at the console with no console reader wired (the
// core alone) leaves the nested run instead of calling through a null hook.
TEST(Wiring, NestedRunWithoutConsoleReaderLeaves) {
  Core_hooks saved = Core_hook;
  Core_hook = Core_hooks{};
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
