// The drivers of the built file kinds.  Each kind adds one line to
// Register_kinds when its driver lands; a kind not named here keeps Bad_io
// (error 99 naming the kind).  The console's device driver registers itself
// (console_channel.cpp).
#include "channels/channel.h"

void Register_kinds() {
}
