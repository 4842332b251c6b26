// LNSW's console switch (see console_switch.h).
//
// Terminal: the channel's record replaces the console's record at the head
// of the channel list with channel number 0, and the console's stream (its
// descriptors) becomes the channel's descriptor.  Everything that serves
// the console (PRINT to channel 0, the prompt, the line editor, window
// and mnemonic code) reaches it through ws.Con_fcb and the stream, so it
// now serves the other terminal.  The console's own record stays aside,
// with the input it had received and not yet read, until Reset_switch.
//
// TCP: the channel leaves the list and hangs on the console record as its
// linked channel; the console's stream runs over its connection
// (the caller hands over the operations and their unlink, net/tcp_channel.h).
// The record and screen of the console stay.
#include "terminal/console_switch.h"

#include "channels/channel.h"
#include "core/console_device.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/workspace.h"
#include "terminal/cursor_report.h"
#include "terminal/terminal.h"

void Console_release_line();
void Console_take_line();

void (*Console_unlink_hook)() = nullptr;

namespace {

enum class Switch { none, terminal, link };
Switch state = Switch::none;
Fcb* own_console = nullptr;         // the console's record while a terminal stands in
uint16_t switched_channel = 0;      // the channel number the terminal had
Con_stream_state* own_stream = nullptr;
void (*link_unlink)() = nullptr;    // ends the link in force (Switch::link)

void unlink_record(Fcb* f) {
  Fcb* saved = ws.Cur_fcb;
  ws.Cur_fcb = f;
  Unlink_fp();
  ws.Cur_fcb = saved == f ? nullptr : saved;
}

void link_as_console(Fcb* f) {
  Fcb* saved = ws.Cur_fcb;
  uint16_t chan = ws.Cur_chan;
  f->channel = 0;
  ws.Cur_fcb = f;
  ws.Cur_chan = 0;
  Link_fp();
  ws.Cur_fcb = saved;
  ws.Cur_chan = chan;
  Fcb_list_changed();
}

}  // namespace

bool Console_switched() { return state != Switch::none; }

void Console_switch_terminal(Fcb* f) {
  if (f == ws.Con_fcb) return;
  Console_release_line();
  own_stream = Con_save_stream();
  own_console = ws.Con_fcb;
  switched_channel = f->channel;
  unlink_record(f);
  unlink_record(own_console);
  link_as_console(f);
  ws.Con_fcb = f;
  Con_set_stream(f->fd, f->fd, nullptr);
  state = Switch::terminal;
  Console_take_line();
  if (ws.Cur_fcb == own_console) ws.Cur_fcb = f;
  // The other terminal's cursor is wherever what it showed left it.
  Console_sync_cursor();
}

void Console_switch_link(Fcb* f, const Con_link_ops* ops, void (*unlink)()) {
  Console_release_line();
  link_unlink = unlink;
  own_stream = Con_save_stream();
  unlink_record(f);
  Dev(ws.Con_fcb)->linked = f;
  Con_set_stream(-1, -1, ops);
  state = Switch::link;
  // The connection is checked every so many statements (ZefVrl_CheckLive).
  ws.ZefVrl_Count = LIVE_CHECK_STATEMENTS;
  ws.Run_flags |= RF_CLIENT_LIVE;
  Console_take_line();
  if (ws.Cur_fcb == f) ws.Cur_fcb = ws.Con_fcb;
}

void Reset_switch() {
  if (state == Switch::none) return;
  Switch was = state;
  state = Switch::none;
  Fcb* gone = nullptr;
  if (was == Switch::terminal) {
    Fcb* f = ws.Con_fcb;
    try {
      Console_release_line();
    } catch (const Oru_error&) {
    }
    unlink_record(f);
    f->channel = switched_channel;
    ws.Con_fcb = own_console;
    link_as_console(own_console);
    own_console = nullptr;
    gone = f;
  } else {
    Fcb* con = ws.Con_fcb;
    ws.Run_flags &= ~RF_CLIENT_LIVE;
    ws.ZefVrl_Count = 0;
    if (Console_unlink_hook) {
      try {
        Console_unlink_hook();
      } catch (const Oru_error&) {
      }
    }
    try {
      Console_release_line();
    } catch (const Oru_error&) {
    }
    gone = Dev(con)->linked;
    Dev(con)->linked = nullptr;
    if (link_unlink) link_unlink();
    link_unlink = nullptr;
  }
  Con_restore_stream(own_stream);
  own_stream = nullptr;
  Console_take_line();
  if (ws.Cur_fcb == gone) ws.Cur_fcb = ws.Con_fcb;
  // The switched channel is closed; a failure to close it does not keep
  // the console from coming back.
  if (gone) {
    try {
      CloseFile(gone);
    } catch (const Oru_error&) {
    }
  }
}
