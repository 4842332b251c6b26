// The program-level data dictionary and the variable access masks
// (data_dict.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct Dict_element;

// Replaces the loaded dictionary by the image in data; false (the old one
// kept) when the image ends early.
bool Dict_parse(const uint8_t* data, size_t len);
void Dict_clear();
// Start-up registration (App_wire): variables made while a dictionary is
// loaded take its access masks, and the lister names table references by
// the dictionary (core's Var_created_hook and Dict_ref_name_hook).
void Data_dict_register();
bool Dict_loaded();
// The packed reference of a name (byte 0 table, bytes 1-3 element from 1),
// -1 when no dictionary is loaded or the name is not in it.
int64_t Dict_key(const std::string& name);
// The name of a reference; references to no named element give
// "_DE.<table>.<element>".  *elm (when given) becomes the element.
std::string Dict_name(uint32_t ref, const Dict_element** elm = nullptr);
// SET_MASK.
void d_smsk();
