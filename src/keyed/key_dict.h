// Keyed files of both formats: the file dictionary.
//
// A doubly linked chain of items in item pages of type 251 (EFF pages,
// first-format blocks).  The head item is position 0; positions 1, 2, ...
// follow the next links, positions -1, -2, ... the previous links from the
// head.  Item address: EFF logical page x 256 + slot, first format block
// offset + slot.  Chain head: EFF header bytes 28-31, first format header
// bytes 243-246 (0 = no dictionary).
//
// Item page: byte 5 slot count n, 6-7 free bytes (B - 8 - 2n - the items),
// from byte 8 the BE16 offset (from byte 6) of each slot's item, 0 for an
// empty slot; items packed against the end.  Item: BE32 next, BE32
// previous, BE16 length with these 10 bytes, then the data.
//
// Item data: fields, each a length then its bytes; a length of 0-127 is
// one byte, 128-32767 two (the first with bit 7 set holding bits 8-14).
// Items whose first field is "KEY" and three digits name a key (second
// field); "EXT" is the file password item; the head item of a dictionary
// made for key names is the one field "<header>".
//
// Errors: 11 no item at a position, 2 a new item past the end of the
// chain, 13 removing the head while other items exist, 1 an item too long
// for a page, 111 an empty slot or an item outside its page, 114 a damaged
// chain (a loop, broken back links, a bad length).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Key_chan;

// Fields of item data; a field running past the end is empty and ends the
// list.
std::vector<std::string> Kdct_fields(const uint8_t* data, size_t len);
std::string Kdct_encode(const std::vector<std::string>& fields);

// The item at a position.
std::vector<uint8_t> Kdct_read(Key_chan* ch, int pos);
// Adds (or replaces) the item at a position.
void Kdct_write(Key_chan* ch, int pos, const std::vector<uint8_t>& data);
void Kdct_remove(Key_chan* ch, int pos);
// Every item with its position: forward from the head (0, 1, 2, ...),
// then backward (-1, -2, ...).
std::vector<std::pair<int, std::vector<uint8_t>>> Kdct_save(Key_chan* ch);
// Stores them again in that order (a purged file gets its dictionary back).
void Kdct_reset(Key_chan* ch, const std::vector<std::pair<int, std::vector<uint8_t>>>& items);

// Names key k (an empty name removes the name).
void Kdct_KNODefine(Key_chan* ch, int k, const std::string& name);
// The names of keys 0 .. keys-1 as the dictionary holds them ("" none).
std::vector<std::string> Kdct_key_names(Key_chan* ch);
// Moves the names of keys k+1 .. down by one (after key k was dropped).
void Kdct_names_down(Key_chan* ch, int k);

// Inside an open bracket (the engine's own callers): items of any item-page
// chain by address, and the dictionary saved and stored again (PURGE).
std::vector<uint8_t> Kitem_data(uint32_t a, uint8_t type, uint32_t* next, uint32_t* prev);
void Kitem_rewrite(uint32_t a, uint8_t type, const std::vector<uint8_t>& data);  // same length
uint32_t Kitem_store(uint8_t type, const std::vector<uint8_t>& data, uint32_t next, uint32_t prev, uint32_t near);
void Kitem_drop(uint32_t a, uint8_t type);
void Kitem_link(uint32_t a, uint8_t type, bool next, uint32_t v);
std::vector<std::pair<int, std::vector<uint8_t>>> Kdct_save_in();
void Kdct_reset_in(const std::vector<std::pair<int, std::vector<uint8_t>>>& items);

// The file password item ("EXT"): its password field (mode byte, then the
// password XOR 0x6E); false when the file has no password.  *check_ok
// tells whether its check value agrees with this file (the CRC-16 of
// "\3EXT", min(length, 9), that many bytes of the field and the file's
// creation stamp): an item copied from another file does not.
bool Kdct_password(Key_chan* ch, std::vector<uint8_t>* field3, bool* check_ok);
// Stores the password field (empty: no password), keeping the item's
// further fields, and sets or clears the file's enciphered flag.
void Kdct_set_password(Key_chan* ch, const std::vector<uint8_t>& field3, bool encipher);
// The enciphered flag of the file (EFF header byte 50 bit 0x04, first
// format flags2 bit 0x04).
bool Kdct_enciphered(Key_chan* ch);
