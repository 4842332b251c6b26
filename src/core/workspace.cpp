#include "core/workspace.h"

Workspace ws;
