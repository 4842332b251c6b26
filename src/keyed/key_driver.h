// The channel driver of first-format keyed files (file kind 2): 20 slots
// over the engine of keyed_file.h, registered in kind_registry.cpp.
#pragma once
#include "channels/channel.h"

extern const Fio_op Key_fotbl[FIO_SLOTS];

// RNO( of the current keyed channel: the 1-based ordinal, in the order of
// the KNO= key, of the record KEY= names or that the next READ would read.
int64_t Key_getrno();
// The same for the current BBx channel (kinds 14 and 15, keyed/bbx_file.cpp).
int64_t Bbx_getrno();

struct Key_chan;
// The engine channel of a keyed channel of either format; null for any
// other channel.
Key_chan* Key_chan_of(Fcb* f);
// Whether two engine channels are open on the same file.
bool Key_same_file(const Key_chan* a, const Key_chan* b);

// The key a keyed channel of either format stands at, as KEY( gives it
// (at_start before the first entry); false when f is not one.
bool Key_current_key(Fcb* f, std::string* key, bool* at_start);

struct Key_facts;
// The facts of a first-format keyed channel for FIB( and FIN(; false when
// f is not one.
bool Key_channel_facts(Fcb* f, Key_facts* out);


// Wires the engine to the interpreter (Key_svc, Key_cfg: errors, shared
// opens, locks, parameters at each operation, the code page's folding
// tables, compression) and registers the keyed kinds' whole-file LOCK, the
// widths of KEY= in parts and the watcher of parameters BF and PQ.  Called
// at start-up (Channels_register_kinds); a tool or benchmark that drives
// the engine through this driver without App_wire calls it first.
void Key_driver_register();

// Opens a transaction as the channel layer's BEGIN does (tests and
// benchmarks that drive EFF files without statements).
void EffBeginTransaction();
