// Functions_register_directives: the directives that are thin wrappers over lower layers, registered into the
// core's dispatch tables at start-up (core/dispatch.h; App_wire calls it).
#pragma once

void Functions_register_directives();
