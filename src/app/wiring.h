// The wiring of the subsystems: src/app is the only place that knows every
// layer.  App_wire fills the hook tables through which a lower layer calls a
// higher one, and calls the registration function of each folder that has
// one.  OruMain calls it first; a test binary calls it once before its tests.
#pragma once

void App_wire();
