// Programs_register_directives: the directives of program files, calls, objects and debugging, registered into the
// core's dispatch tables at start-up (core/dispatch.h; App_wire calls it).
#pragma once

void Programs_register_directives();
