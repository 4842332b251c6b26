// The keyed engine's side of transactions and of the journal flag, for the
// channel layer: commit or roll back every EFF file of the open
// transaction; read and change a file's journal flag (first format: flags1
// bit 7 at header byte 241; EFF: option flags A bit 7 at byte 49 of the
// header page).
#include "keyed/key_settings.h"
#include "keyed/eff_store.h"
#include "keyed/keyed_file.h"
#include "keyed/keyed_internal.h"

extern std::vector<Key_file*> Key_files;
int64_t Eff_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off);
int64_t Eff_pread(int fd, uint8_t* buf, size_t len, int64_t off);

void Key_txn_commit() { EffCommit(); }
void Key_txn_rollback() { EffRollback(); }

bool Key_txn_pending() {
  for (Key_file* f : Key_files) {
    const Eff_store* e = Eff_of(f);
    if (e && e->in_txn) return true;
  }
  return false;
}

bool Key_in_txn(const Key_chan* ch) {
  const Eff_store* e = ch && ch->f ? Eff_of(ch->f.get()) : nullptr;
  return e && e->in_txn && ch->txn_mark == e->txn_no;
}

bool Key_journaled(const Key_chan* ch) { return (ch->f->flags1 & kf::F1_JOURNAL) != 0; }

void Key_set_journaled(Key_chan* ch, bool on) {
  if (ch->readonly) Key_error(13);
  Key_bracket op(ch, DIR_READ, false);
  Key_Hdr_Lock_N_Load(2);
  Key_file* f = K.f;
  if (Eff_store* e = Eff_of(f)) {
    uint8_t b = 0;
    if (Eff_pread(f->fd, &b, 1, eff::H_FLAGS_A) != 1) Key_error(3);
    b = uint8_t(on ? b | eff::FA_JOURNAL : b & ~eff::FA_JOURNAL);
    if (Eff_pwrite(f->fd, &b, 1, eff::H_FLAGS_A) != 1) Key_error(16);
    e->fixed[eff::H_FLAGS_A] = b;
    e->dirty = true;
  } else {
    uint8_t& b = f->hdr[kf::H_FLAGS1];
    b = uint8_t(on ? b | kf::F1_JOURNAL : b & ~kf::F1_JOURNAL);
    Key_hdr_changed();
  }
  f->flags1 = uint8_t(on ? f->flags1 | kf::F1_JOURNAL : f->flags1 & ~kf::F1_JOURNAL);
  op.done();
}
