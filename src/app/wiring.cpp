// App_wire: every hook of a lower layer into a higher one is filled here.
#include "app/wiring.h"

#include "app/console.h"
#include "app/kind_registry.h"
#include "core/hooks.h"

void App_wire() {
  Core_hook.console_command = ConsoleCmnd;
  Channels_register_kinds();
}
