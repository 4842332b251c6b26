// The host operating-system layer: shared opens with open marks, byte-range
// locks, path normalisation, signals, the statement and event timers on
// SIGALRM, shell commands and children, the console's terminal line, users
// and groups, and the trace log.
//
// Everything runs in the one thread of the process; signal handlers only set
// bits of ws.Run_flags and of the switch words (and write the status file).
#pragma once
#include <sys/types.h>

#include <csignal>

#include <cstdint>
#include <string>

// ---- start and end ----

// Signals (SIGPIPE ignored, SIGHUP, SIGUSR1, SIGUSR2, SIGTTIN, SIGTSTP,
// SIGTTOU), the file-creation mode, the interrupt switch when standard output
// is not a terminal, and the identities of "/dev/null" and "/dev/console".
void System_init();
// Stops the timers and reaps finished children.
void System_wrapup();

// ---- shared opens (host_open_table.cpp) ----
//
// Rsv_tbl: one entry per file this process has open through Open; every
// shared open of the same file (same inode, device and raw device) shares one
// descriptor, because closing any descriptor of a file drops all of the
// process's fcntl locks on it.  Read-only opens go through the table too, for
// that reason.  The open mark is a one-byte fcntl lock at byte 0 (byte 1 for
// the auxiliary printer): a read lock for a shared open, a write lock for an
// exclusive one.  Other processes see it as "file in use".
struct Rsv_entry {
  int fd;
  int count;  // opens sharing fd; -1 held exclusively
  uint64_t inode;
  uint64_t dev;
  uint64_t rdev;  // 0 unless a character or block device
  int access;     // O_RDONLY, O_WRONLY or O_RDWR: what fd allows
  int64_t mark_at;  // byte of the open mark (0; 1 for the auxiliary printer; OPEN_MARK_HIGH)
};
constexpr int RSV_MAX = 500;
// "/dev/null" and "/dev/console", found by System_init: never held
// exclusively unless the open allows it.
struct Dev_ident {
  uint64_t inode = 0, dev = 0, rdev = 0;
  bool known = false;
};
extern Dev_ident Host_dev_null, Host_dev_console;
extern Rsv_entry Rsv_tbl[RSV_MAX];
extern int Rsv_cnt;
extern int Rsv_locks;  // record locks held (the header lock at 256 not counted)

struct Open_opts {
  bool exclusive = false;
  bool allow_exclusive_device = false;  // "/dev/null" and "/dev/console" may be held exclusively
  bool aux_printer = false;             // the open mark sits at byte 1
  // The open mark sits at OPEN_MARK_HIGH, past every record: for a file
  // whose first record starts at byte 0 and is locked by its bytes.
  bool mark_past_records = false;
};
constexpr int64_t OPEN_MARK_HIGH = int64_t(1) << 40;
// Opens path (flags as for open(2)).  Returns the descriptor, or -1 with
// errno: the stat or open failure, EACCES (held exclusively here, or an
// exclusive request for a file open here; Open_held_here() then tells it
// from a refused permission), ENFILE (table full), EBUSY (marked by another
// process; ws.Lock_holder gets its process id).
int Open(const char* path, int flags, const Open_opts& opts, mode_t mode = 0666);
// Whether the last failed Open was refused by this process's own table.
bool Open_held_here();
// Ends one use of the descriptor; the last use releases the mark and closes
// it.  A descriptor not in the table is simply closed.
int Close(int fd);
// Raises the open mark of fd to exclusive when this process uses it once:
// -1 on success (the entry becomes exclusive), 0 when another process holds
// the file (ws.Lock_holder set) or this process uses fd more than once.
int File_lock(int fd);
// Lowers an exclusive entry back to a shared mark with count 1.
void File_unlock(int fd);
// Cuts the file of fd to length bytes; 0 or -1.
int chsize(int fd, int64_t length);
// The size of the file (fstat), -1 on failure.
int64_t filelength(int fd);
int MakeDir(const char* path);  // mode 0777; 0 or -1
std::string Getcwd();
// A file whose contents may decide what runs: owned by this user or by root,
// and neither its group nor others may write it.
bool Owner_only_writes(const struct stat& st);

// ---- record locks ----
//
// Lock_area: mode +1/-1 a shared lock, any other magnitude exclusive; a
// negative mode waits, a positive one does not.  Parameter WD or switch WL
// makes shared requests exclusive.  Returns 1.  A conflict is error 0 (busy)
// with the holder in ws.Lock_holder; a waiting lock cut by the expired
// statement timer is error 0 as well, by an escape error 127; a bad
// descriptor is error 13; others 256 + errno.
int Lock_area(int fd, int64_t offset, int64_t length, int mode);
void Unlk_area(int fd, int64_t offset, int64_t length);

// ---- whole reads and writes at an offset (host_files.cpp) ----

// Reads up to n bytes at off, retrying short and interrupted reads, until n
// are read or the file ends: the count read, or -1 with errno.
int64_t Pread_all(int fd, void* buf, size_t n, int64_t off);
// Writes all n bytes at off, retrying short and interrupted writes; false with
// errno on failure (ENOSPC when a write makes no progress).
bool Pwrite_all(int fd, const void* buf, size_t n, int64_t off);

// ---- paths ----

// Absolute form of a name: "[vrl]", "<" and ">" names unchanged; a relative
// name gets the working directory in front; "./" components are dropped and
// "../" removes the previous component (never above the root).
std::string Path_convert(const std::string& in);
std::string Path_convert(const std::string& in, const std::string& cwd);

// ---- the break key (host_signals.cpp) ----
// SIGINT: sets the escape request; the sixth interrupt in a row that is not
// served ends the process by the default action.
void oru_break(int signal);
// Installs oru_break for SIGINT, counting afresh.
void Set_break_handler();

// ---- timers (host_signals.cpp) ----
//
// The statement timer (deadline in hundredths of a second on the monotonic
// clock) and the event timer (whole seconds) share SIGALRM; the earlier
// expiry arms it.  An expired statement deadline sets Sig_timeout, which
// Take_signals turns into RF_TIMEOUT (signal_flags.h).
void Set_timer(int32_t hundredths);
void Kill_timer();
// Sleeps until the statement deadline passes or an escape or stop request
// arrives, then clears the deadline.
void Wait_timer();
// Waits as Wait_timer does, but returns (the timer left running) as soon as
// an object event waits (RF_EVENT).
void Wait_timer_or_event();
// Hundredths left (at least 1), -1 without a deadline; kill clears it.
int32_t Get_timer(bool kill);
void SetEventTimer(int32_t ms);
void KillEventTimer();
void Set_Alarm();
// The hooks below are called by the main line (Take_signals), never from a
// signal handler.
// The "Timeout" event of the object system; null until it registers.
extern void (*Event_timeout_hook)();
// SIGUSR1 / SIGUSR2 program events; null until the event system registers.
// Without a hook the signal is counted in Sig_events.
extern void (*Program_event_hook)(const char* name);
extern volatile sig_atomic_t Sig_events;
// Runs the object events waiting for the statement boundary (RF_EVENT):
// signal handlers and the statements that raise events only queue them.
extern void (*Event_serve_hook)();
// True while channels are watched for DataAvailable (their data is looked
// for at every boundary, and every few milliseconds of a WAIT).
extern bool (*Event_data_watch_hook)();
// While channels are watched for DataAvailable, a wait is cut into slices
// this long and the channels looked at after each.
constexpr int32_t DATA_SLICE_MS = 10;
// Milliseconds on the monotonic clock.
int64_t Mono_ms();
// A channel opened (what 1) or is about to close (what 2); name as given.
extern void (*File_event_hook)(int what, int channel, const char* name, size_t len);
// The object whose code runs (its slot; 0 none), filled by the object
// layer: a channel an object opened is its own (Fcb::owner).
extern int32_t (*Running_object_hook)();
// SIGUSR2 and SIGTTIN for the process debug link; null until it exists.
extern void (*Debug_signal_hook)(int signal);
// The IDE debug link (net/ide_link.cpp fills these at start-up; null: none).
// Ide_poll_hook: before each statement while run flag 0x10000 is set.
// Ide_console_hook: before the console reads a line; 0 read it as usual,
// 1 the IDE gave the line (RUN or a step), -1 leave the console.
// Ide_run_hook: RUN starts or resumes a program.  Ide_step_hook: a single
// step ran out.  Ide_shutdown_hook: process end.
extern void (*Ide_poll_hook)();
extern int (*Ide_console_hook)(std::string& line);
extern void (*Ide_run_hook)();
extern void (*Ide_step_hook)();
extern void (*Ide_shutdown_hook)();
// The process debug link inside a wait of a statement (a TCP READ waiting
// for its peer; programs/debug_serve.cpp fills these, null: no link).
// Wait_serve_active: this process is being debugged (the wait then looks
// for commands at least every quarter second).  Wait_serve_hook: serves
// the commands that wait; true when the statement must be abandoned (END
// or QUIT: ws.Exec_ptr holds what runs next; throw Stmt_restart).  The
// waiting code saves its I/O area and marks its channel busy first.
extern bool (*Wait_serve_active)();
extern bool (*Wait_serve_hook)();
// Commands are being served inside a wait (range closes then leave the
// waiting, busy channel alone).
extern int Wait_serving;
// Breakpoints and watches of a debugging thin client (programs/breakpoints
// fills it): before each statement of a numbered line while run flag
// RF_CLIENT_DEBUG is set; true when a breakpoint fired (the program stops as
// on an escape).
extern bool (*Client_debug_hook)();
// Requests to an attached thin client (programs/client_calls fills these;
// attached() false or null: no client).  invoke: a command for the
// client's machine; statement: a statement text the client runs.
struct Client_request_hooks {
  bool (*attached)() = nullptr;
  void (*invoke)(const std::string& command, bool wait, bool second, bool third) = nullptr;
  void (*statement)(const std::string& text) = nullptr;
  // A line for the client's trace window.
  void (*trace)(const std::string& text) = nullptr;
  // RUN starts or resumes a program.
  void (*run)() = nullptr;
  // The liveness check of the console's connection (ZefVrl_CheckLive):
  // every LIVE_CHECK_STATEMENTS statements while run flag RF_CLIENT_LIVE is
  // set, and before each slice of a wait.
  void (*check_live)() = nullptr;
  // ADD SERVER (drop false) and DROP SERVER (drop true), the cursor after
  // the word SERVER: declarations of the host property cache.
  void (*server_props)(bool drop) = nullptr;
  // RENAME CONTROL: 4-byte entries (old id, new id, big-endian), the flags.
  void (*rename_controls)(const std::string& entries, bool hide, bool show, bool restore) = nullptr;
};
// The id of a client control: -32000..32767 (error 41 outside).
constexpr int32_t CONTROL_ID_MIN = -32000, CONTROL_ID_MAX = 32767;
constexpr int32_t LIVE_CHECK_STATEMENTS = 5000;
extern Client_request_hooks Client_requests;
inline bool Client_is_attached() { return Client_requests.attached && Client_requests.attached(); }
// Output that secure TCP channels hold back to fill whole TLS records
// (net/tcp_channel.cpp; null until a channel holds some).  Called with
// due_only false before the process waits (Con_flush): everything goes;
// with due_only true between statements while RF_HELD_OUTPUT is set: what
// has been held long enough goes.  Never raises: a failed send is reported
// by the channel's next operation.
extern void (*Held_output_hook)(bool due_only);

// ---- shell commands and children (host_shell.cpp) ----

// Runs "/bin/sh -c command" and waits for it; SIGINT is ignored meanwhile
// (unless the interrupt switch is off).  0 on exit status 0; otherwise -1
// with errno and Last_pipe_error set to the exit status (EINTR when the
// child died of a signal, the fork error when it could not start).
int System(const char* command);
// The same, capturing the command's standard output into *output.  Returns
// the exit status, 128 + n for death by signal n, -1 when it could not start.
int Host_shell(const std::string& command, std::string* output);
extern int Last_pipe_error;
// Signal n to pid (SIGTERM when n is negative); kill's result.
int Signal_task(int pid, int n);
// Children of closed pipes: noted here and reaped without waiting.
void Child_closed(pid_t pid);
void Reap_children();

// ---- terminal line (host_term.cpp) ----

// Raw mode on the console's terminal: settings saved once, no input mapping,
// no output processing, signals only, the interrupt character from
// parameter !B, one byte at a time.
void Config_line();
// Puts the settings as found back (SIGINT ignored meanwhile; the caller
// re-arms it through Config_line).
void Reset_line();
// Reset_line and Config_line when the line had been configured (!B changed).
void Reconfig_line();
// Whether the console's terminal line is in raw mode now.
bool Line_configured();
// The console's line carries a thin client's binary frames (or no longer
// does): a configured line is set again, with no signal characters, flow
// control or eighth-bit stripping while it carries frames (the client's
// break travels in the protocol itself).
void Line_carries_frames(bool on);
// Discards the terminal's pending input.
void Flush_console();

// ---- users, groups, trace log ----

// Change the user (group) to the string accumulator's name ("*": the user at
// start) or the numeric accumulator's id; permanent sets the real id, else
// the effective one.  Errors 11 (unknown name) and 15 (refused).
void Change_userid(bool permanent);
void Change_groupid(bool permanent);
std::string Getlogin();
// The real user id the process started with.
uid_t Start_uid();
// The trace log: "orutrace.log" unless a name was set; logging happens only
// when the file exists and is writable, checked once.
void Set_log_file(const std::string& name);
void OruLogError(const char* text);
uint16_t _rotl(uint16_t value, int count);
