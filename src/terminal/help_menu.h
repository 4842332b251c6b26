// Help-menu text: the entry a help menu offers for the word under the
// cursor of a screen line, and the help path of that entry.
#pragma once
#include <string>

// Scans `text` backwards from position `pos` for a word: an identifier
// (letters, digits, '_', '@', "'"), a word beginning '!', a function name
// with its '(' or a quoted two-letter mnemonic.  A keyword of the lexicon
// gives "&Help for WORD Directive" (Function, System Variable; a function
// with its closing ')') and the path "directives/word" (functions/,
// variables/); a mnemonic "&Help for 'XY' Mnemonic" and "mnemonics/xy".
// Anything else gives "&General Help" and an empty path.
void Help_menu_text(const std::string& text, int pos, std::string& entry, std::string& path);
