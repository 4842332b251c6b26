// What INPUT hands the line editor, and the SETCTL list.
#pragma once
#include <cstdint>

struct Preinput_entry;

// The mask of the INPUT item being read (set by INPUT before each read;
// mask_len 0: none) and whether its variable is numeric.
struct Edit_request {
  const uint8_t* mask = nullptr;
  int32_t mask_len = 0;
  bool numeric = false;
  // The text INPUT EDIT presets the field with (null: none), and the
  // PREINPUT entry that types it into the field.
  const uint8_t* preset = nullptr;
  int32_t preset_len = 0;
  Preinput_entry* preset_entry = nullptr;
};
extern Edit_request Dev_edit_req;

// SETCTL entry: a CTL value and the statement (Get_line form) run for it.
struct Setctl_entry {
  Setctl_entry* next;
  int32_t ctl;
  uint32_t stno;
};

// PREINPUT entry (ws.Preinput, oldest first): text typed ahead by the
// program.  Without the '/' flag the text is typed into the field as it
// stands; with it the bytes are read as keystrokes (function and editing
// keys act).  Then the CTL value acts as a key code: 0 or above ends the
// input with it, a negative value is an editing code and editing goes on.
struct Preinput_entry {
  Preinput_entry* next;
  int32_t ctl;
  int32_t len;
  uint8_t slash;
  uint8_t text[1];
};
// Takes the oldest entry off the queue (the caller frees it with Ret_blk);
// null when the queue is empty.
Preinput_entry* Preinput_take();
// Frees the whole queue ('CI' on the console).
void Preinput_clear();
