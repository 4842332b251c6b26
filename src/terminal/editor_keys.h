// What INPUT hands the line editor, and the SETCTL list.
#pragma once
#include <cstdint>

// The mask of the INPUT item being read (set by INPUT before each read;
// mask_len 0: none) and whether its variable is numeric.
struct Edit_request {
  const uint8_t* mask = nullptr;
  int32_t mask_len = 0;
  bool numeric = false;
};
extern Edit_request Dev_edit_req;

// SETCTL entry: a CTL value and the statement (Get_line form) run for it.
struct Setctl_entry {
  Setctl_entry* next;
  int32_t ctl;
  uint32_t stno;
};
