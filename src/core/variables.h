// Variables: name trees of local and global ("%") variables.
#pragma once
#include <cstdint>

#include "core/decimal.h"

struct Str_blk;

// Var_node flags
enum : uint32_t {
  VF_INTEGER = 1,
  VF_RECORD = 2,
  VF_ASSIGNED = 0x104,
  VF_READ_ONLY = 0x100,
};

struct Var_node {
  Var_node* left = nullptr;
  Var_node* right = nullptr;
  uint32_t flags = 0;
  uint32_t access = 0xFFFFFFFF;
  uint8_t type = 0;  // code 1 numeric, 2 string
  Num_val num;       // numeric scalar
  Str_blk* str = nullptr;  // string scalar (null: empty)
  uint8_t name_len = 0;
  char name[128];
};

// Finds or creates the variable named by the compiled reference at
// ws.Exec_ptr (inline or indexed form) and moves the cursor past the name.
Var_node* Find_var();
// Finds or creates a variable by code (1 or 2) and name.
Var_node* Find_var_name(uint8_t type, const uint8_t* name, int len);
// Assigns the string accumulator to the resolved string variable.
void Let_assign();
void Clr_variables();
