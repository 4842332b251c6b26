// Keyed_register_directives: the directives of keyed files, dictionaries and journals, registered into the
// core's dispatch tables at start-up (core/dispatch.h; App_wire calls it).
#pragma once

void Keyed_register_directives();
