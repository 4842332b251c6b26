// Character-mode controls (see controls.h).
#include "terminal/controls.h"

void Tty_purge_controls(Window_rec& w) {
  Wob* o = w.controls;
  while (o) {
    Wob* n = o->next;
    delete o;
    o = n;
  }
  w.controls = nullptr;
}
