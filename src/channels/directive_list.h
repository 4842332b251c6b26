// Channels_register_directives: the channel directives, registered into the
// core's dispatch tables at start-up (core/dispatch.h; App_wire calls it).
#pragma once

void Channels_register_directives();
