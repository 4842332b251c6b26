// SELECT ... NEXT RECORD record loops (select_loop.cpp); the core reaches
// these through Core_hook.
#pragma once

struct Ctl_frame;

// Ends a SELECT frame's record loop: closes the file it opened, frees the
// block.
void Select_release(Ctl_frame* f);
// NEXT RECORD.
void Select_next();
