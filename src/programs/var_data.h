// Variable-data files: SAVE DATA, LOAD DATA and DROP DATA.
//
// File (file kind 17; numbers big-endian):
//   0     4   "[Oru" (the common file mark)
//   4     4   "vdf]"
//   8     u16 data length; 0 when it is 65,409 or more
//   10    86  zero
//   96    u32 data length
//   100   156 zero
//   256   the variable records, back to back:
//         kind u8 (1 numeric, 2 string), name length n u8, n name bytes,
//         numeric: scale i8, mantissa as a 48-bit two's-complement integer
//                  (value = mantissa / 10^scale);
//         string:  u16 length L (at most 32,767), L bytes.
// The data length is the file length less 256.  A reader trusts nothing:
// every name and value length is checked against what is left of the data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct Var_node;

// The directives' forms; the cursor is on the code after DATA.
void SaveData();
void Exec_LoadData();
void Drop_LoadData();
// Drops the data sets loaded at the current call level and deeper (the
// variables are cleared).
void LoadData_dropall();
// Every data set (shut-down).
void LoadData_clear();

// Looks a variable up in the loaded data sets, newest first.
Var_node* LoadData_find(uint8_t type, const uint8_t* name, int len);
// The loaded sets, newest first (var_data.cpp's list); any at all.
struct Data_set;
extern Data_set* LoadData_sets;
inline bool LoadData_any() { return LoadData_sets != nullptr; }

// The parser of a file's records (bytes behind the header), for LOAD DATA,
// the tests and the fuzzer: true when every record is whole and valid; each
// record found is handed to `add` (kind, name, name length, the record's
// value bytes).
struct Vdf_record {
  uint8_t kind;
  const uint8_t* name;
  int name_len;
  int8_t scale;     // numeric
  int64_t mant;     // numeric, sign-extended from 48 bits
  const uint8_t* str;  // string
  uint32_t str_len;
};
bool Vdf_parse(const uint8_t* data, size_t len, void (*add)(const Vdf_record&, void*), void* ctx);
// The data length of a 256-byte header (the u16 at 8, or the u32 at 96);
// -1 when the header is no variable-data header.
int64_t Vdf_data_length(const uint8_t* h);

// The whole of LOAD DATA's reading over a file's bytes (header and
// records), without the file or the list: the number of variables built,
// or -1 for a damaged file.  Everything built is freed again (fuzzer, tests).
int Vdf_load_bytes(const uint8_t* file, size_t size);

// Loaded data sets for DUMP: calls fn for each, newest first.
void LoadData_each(void (*fn)(const std::string& name, const std::string& path, Var_node* num, Var_node* str,
                              void* ctx),
                   void* ctx);
