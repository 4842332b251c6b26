// LNSW: the console moves to another terminal, or its stream to a TCP
// connection, and back.
#pragma once

struct Fcb;

// The console moves to f, a terminal-screen device channel: f leaves the
// channel list and becomes channel 0 (its screen, mnemonics and keys are
// the console's from now on); the console's own record and line wait for
// Reset_switch.  The terminal line the console leaves goes back to the
// user's settings; the new one is put in raw mode.
void Console_switch_terminal(Fcb* f);
// The console's stream runs over the TCP channel f through ops (its
// connection, or a ONESHOT server's first client: Tcp_console_link, which
// raises 13 when f has no connection): f leaves the channel list and becomes
// the console record's linked channel.  Reset_switch calls unlink
// (Tcp_console_unlink) before it closes f.
struct Con_link_ops;
void Console_switch_link(Fcb* f, const Con_link_ops* ops, void (*unlink)());
// Ends a switch in force (nothing otherwise): the console's own record,
// line and stream come back and the switched channel is closed.
void Reset_switch();
// A switch is in force.
bool Console_switched();
// Called before the linked channel goes (null: none): the thin client
// ends its session on it.
extern void (*Console_unlink_hook)();
