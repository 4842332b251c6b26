// Registrations that constructors of static objects used to make (whose
// order is unspecified, and which a static library leaves out when nothing
// else names their file) are made by the wiring: after App_wire every one
// is in place, and wiring again registers nothing twice.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/wiring.h"
#include "channels/dupl_write.h"
#include "channels/io_options.h"
#include "core/directives.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "keyed/file_password.h"
#include "keyed/key_settings.h"
#include "net/ide_link.h"
#include "pdf/pdf_channel.h"
#include "programs/dump.h"
#include "programs/io_events.h"
#include "terminal/program_calls.h"

namespace {

TEST(StartUpRegistration, AppWireSetsEveryFormerStaticRegistration) {
  App_wire();  // again: the test environment has wired once already
  EXPECT_NE(Mem_drop_programs, nullptr);
  EXPECT_NE(Var_created_hook, nullptr);
  EXPECT_NE(Dict_ref_name_hook, nullptr);
  EXPECT_EQ(Repeat_data_hook, &KestRepeatData);
  EXPECT_EQ(Ide_var_hook, &Dump_EclipseVar);
  EXPECT_EQ(Ide_stack_hook, &Dump_EclipseStack);
  EXPECT_NE(Term_calls.args_at_cursor, nullptr);
  EXPECT_NE(Term_calls.call_nested, nullptr);
  EXPECT_NE(Term_calls.program_path, nullptr);
  EXPECT_NE(Pdf_value_call, nullptr);
  EXPECT_EQ(Key_pwd_hooks.io_event, &Exec_do_fio);
  EXPECT_NE(Key_pwd_hooks.program_path, nullptr);
  EXPECT_NE(Key_svc.raise, nullptr);
  EXPECT_NE(Key_svc.refresh, nullptr);
  EXPECT_NE(Key_segment_widths, nullptr);
}

int pq_changes = 0;
void count_pq(uint16_t code, int32_t) {
  if (code == Prm_code('P', 'Q')) ++pq_changes;
}

TEST(StartUpRegistration, ParameterWatchersHearEachChangeOnce) {
  // Wired twice, the program list, libraries and keyed driver each watch
  // once (a chain of saved predecessors wired twice would call itself
  // forever); a watcher registered twice is called once.
  App_wire();
  App_wire();
  Prm_watch(count_pq);
  Prm_watch(count_pq);
  pq_changes = 0;
  ASSERT_EQ(Exec_param(Prm_code('P', 'Q'), 20), 0);
  EXPECT_EQ(pq_changes, 1);
  ASSERT_EQ(Exec_param(Prm_code('P', 'Q'), 0), 0);
  EXPECT_EQ(pq_changes, 2);
}

}  // namespace
