// Channel 0: the console's channel record and its device driver.  Until the
// terminal device exists the driver is a thin layer over console_device: a
// record written to the console is shown as it stands, a read takes one line.
#pragma once

// Registers the device driver (kinds 0 and -1, the console alias).
void Console_register();
// Creates the console's record (channel 0) and links it first in the list;
// ws.Con_fcb points at it.
void Console_open();
// Frees the console's record at shut-down.
void Console_close();
