// Terminal_register_directives: the directives of the terminal, windows and controls, registered into the
// core's dispatch tables at start-up (core/dispatch.h; App_wire calls it).
#pragma once

void Terminal_register_directives();
