// The wiring of the channel layer (kind_registry.cpp).
#pragma once

// Registers the 20-slot table of every built kind, the transaction
// participants and the close-time hooks, and fills Chan_hook.  Called by
// App_wire, before the channels start (Channels_init).
void Channels_register_kinds();
