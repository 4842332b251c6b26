// The key-maintenance directives of keyed files (index_directives.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Fcb;

// KEYED LOAD (ch[,KNO=k]): the cursor stands on the LOAD code.
void Key_load_directive();
// Rebuilds key kno (-1 every key) of the keyed channel f, showing the
// progress when the statement was typed at the console.  Errors 17 (not a
// keyed channel, or one of record length 0) and 13 (opened for input only).
int64_t Key_rebuild_channel(Fcb* f, int kno);
// Reads the key names of keyed channel f from its file's dictionary into
// the channel's list (KNO= by name, FIN "KEY_NAMES") with its highest key.
void Key_refresh_names(Fcb* f);
// After a change of key names or keys: every channel of this process open
// on the same file as f reads them again.
void Key_names_changed(Fcb* f);
// DICT LOAD: the program-level data dictionary (data_dict.cpp).
void Dict_load_directive();
// Whether the compiled item at p is the word INDEX followed by an operand
// (ADD INDEX, DROP INDEX, RENAME INDEX).
bool Index_word_at(const uint8_t* p);
// ADD INDEX [segments] ON "file": the cursor after INDEX.
void Add_index_directive();
// DROP INDEX key ON "file" and RENAME INDEX "file",key,"name": the cursor
// on INDEX.
void Drop_index_directive();
void Rename_index_directive();
// Names the keys of a keyed file just created at path (KEYDEF names); the
// file is removed when that fails.
void Key_name_new_file(const std::string& path, const std::vector<std::pair<int, std::string>>& names);
