// The hooks of the core into the layers above (filled by App_wire).
#include "core/hooks.h"

Core_hooks Core_hook;
