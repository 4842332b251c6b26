// Message libraries: keyed files opened on the internal channel 65003 that
// MSG( searches for the template of a message key.  Several may be open; the
// first of them in the channel list (the one opened last) is current.
#pragma once
#include <string>
#include <string_view>

constexpr unsigned MSGLIB_CHANNEL = 65003;

// Looks the key up in every open library, in channel order.  A record's text
// starts after its first field separator (parameter FS); a record without
// one is its text whole.  False when no library holds the key.
bool Msglib_lookup(std::string_view key, std::string* text);
// MSG(/): the names of the open libraries joined by the field separator,
// with a final separator when there are two or more.
std::string Msglib_names();
