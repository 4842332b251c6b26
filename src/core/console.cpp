#include "core/console.h"

#include "core/errors.h"

int OruMain(int, char**) { return 0; }
