// Closing channels and their lifetime: CLOSE, the range closes of END, RUN
// and shut-down, PURGE, REFILE, files opened on demand and the deferred-close
// table.  Cls_file and CloseFile are declared in channel.h.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

struct Fcb;
struct SavedPath;

// Channel-number ranges.
constexpr uint16_t CHAN_PROGRAM_MAX = 63;      // 32767 with parameter XF
constexpr uint16_t CHAN_PROGRAM_MAX_XF = 32767;
constexpr uint16_t CHAN_GLOBAL_MAX = 127;
constexpr uint16_t CHAN_INTERNAL_MAX = 65004;

// Closes every channel numbered 1..n that belongs to no object.
void Cls_upto(uint16_t n);
// Program channels (up to 63, or 32767 with XF); END, RUN and CLEAR.
void Cls_files();
// Global channels too (up to 127).
void Cls_global();

// The record of a file opened on demand by the name in the current string
// (a string channel expression); returns its channel number.  The record
// joins the on-demand list (use stamps from one counter); beyond parameter
// F+ records, the most recently used one is closed first.
uint16_t KestDynaOpen();
// The number of on-demand records.
int KestDynaCount();
// The highest program channel that is not open (63, or 32767 with XF, down
// to 1); error 14 when every one is open.
uint16_t Highest_free_channel();
// The I/O fields of an OPEN the system makes for itself on channel chan:
// the I/O flags opts, the OPT= text opt (kept in the work area) and the
// SIZ= value siz; every other per-statement field takes the value every
// I/O statement starts from (Io_reset_statement), so that nothing of the
// statement that asked for the file (its I/O list, record prefix,
// separator, SIZ=, TIM=, KNO=, NBF=, TBL=, branches ...) reaches the
// internal open.
void Io_internal_open(uint16_t chan, uint16_t opts, std::string_view opt = {}, int32_t siz = 0);
// Opens name on channel chan for the system's own use (Io_internal_open,
// then the search path): the new record, with the console's inherited
// bits.  Errors as OPEN (Open_failed): a missing file is error 12, other
// host failures their error.  The one way the system opens a file of its
// own; the caller saves the current-I/O area when its statement goes on.
Fcb* Open_internal(uint16_t chan, const std::string& name, uint16_t opts, std::string_view opt = {},
                   int32_t siz = 0);
// Opens the file named (name, len) on channel chan as a plain OPEN would
// (the search path, separator FS, the console's inherited bits) with the
// I/O flags opts (IO_EXCLUSIVE, IO_ALL_SEGS ...), and makes it the current
// channel of the current-I/O area.  Errors as OPEN (10, 12, host errors).
Fcb* Open_named(uint16_t chan, const uint8_t* name, int32_t len, uint16_t opts);
// Code that runs a program which may close a channel (an event program)
// watches the channel's record: Cls_file marks every watch of a record it
// frees, so that the code never touches the record after the program.
class Close_watch {
 public:
  explicit Close_watch(Fcb* f);
  ~Close_watch();
  Close_watch(const Close_watch&) = delete;
  Close_watch& operator=(const Close_watch&) = delete;
  bool closed() const { return closed_; }
  // Called by Cls_file when it frees f.
  static void Closing(Fcb* f);

 private:
  Fcb* f_;
  Close_watch* prev_;
  bool closed_ = false;
};

// Removes a record from the list of files opened on demand.
void KestDynaClose(Fcb* f);

// Deferred close (system parameter +F): a closed file's descriptor is parked
// in one of 30 slots and taken over by the next OPEN of the same path.
// Kest_CloseDefer returns true when it took the current channel's
// descriptor; Kest_CloseCheck returns a parked descriptor for the resolved
// path in ws.Path_buf (or 0), exclusive and input-only opens never take one.
bool Kest_CloseDefer();
int Kest_CloseCheck(bool exclusive, bool input_only);
void Kest_CloseClear();
void Kest_CloseForce(int slot);

// REFILE "name" [,OPT=text] [,"name"...]: each file is opened exclusively on
// the scratch channel 65001, emptied as PURGE empties it, and closed.
void d_rfle();

// Journal id of a channel on first use: 0 not journaled, 1 ready.
int Init_file_jrnl();

// The host close of a channel's descriptor (the open-file table of the host
// layer may keep it for other channels of the same file).  Set by the
// opening layer; null: a plain close.
extern void (*Host_close_hook)(Fcb* f);
// Releases a channel's record lock before it closes; set by the lock layer.
extern void (*Rec_unlock_hook)(Fcb* f);
