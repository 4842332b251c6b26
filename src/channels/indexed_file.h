// Indexed files (kind 3): fixed-length records by record index (layout in
// indexed_file.cpp).
#pragma once
#include <cstdint>

#include "channels/channel.h"

extern const Fio_op Ind_fotbl[FIO_SLOTS];

// Writes NUL bytes over records from..to-1 of a file of rec_len records, in
// chunks of at most 4096 bytes; -1 when a write fails, else 0.
int Ind_init(int fd, int32_t rec_len, int64_t to, int64_t from);
// Sets or clears the journal bit of the current channel's file header
// (under the header lock); error 3 when the header cannot be rewritten.
void Ind_journalize(bool on);
// The record count of an indexed channel (highest index written + 1) as the
// file header holds it now, so that records other channels or processes
// added are counted; the channel's own copy is brought up to date.
int64_t Ind_record_count(Fcb* f);
// The record limit of an indexed channel (0: none).
inline int64_t Ind_record_limit(const Fcb* f) { return f->file_len; }
// The INDEXED directive.
void d_inde();
