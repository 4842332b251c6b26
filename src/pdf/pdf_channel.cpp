// The PDF channel: driver slots of kind 23, OPEN with the option utility,
// the document file (a temporary file renamed at CLOSE), page geometry, the
// print position and the entry points of the mnemonic and long-mnemonic
// layers.  The drawing is the back end's (pdf_channel.h).
#include "pdf/pdf_channel.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cerrno>
#include <cstring>
#include <string>

#include "channels/open.h"
#include "core/errors.h"
#include "core/file_trust.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "terminal/long_mnem.h"

namespace {

constexpr int32_t DEFAULT_BUF = 512;

// The final option string the utility returned at the last OPEN, one per
// back end (index 1 the library's).
std::string saved_defaults[2];

bool regular_file(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A utility program of the library's "_ext" folder (or its "system/").
bool utility_path(std::string& path, const char* name) {
  std::string dir = Lib_dir_path() + "/_ext/";
  path = dir + name;
  if (regular_file(path)) return true;
  path = dir + "system/" + name;
  return regular_file(path);
}

Pdf_doc* doc_of(Fcb* f) {
  if (!f || f->kind != FK_PDF) Rpt_error(err::WRONG_MODE);
  return static_cast<Pdf_doc*>(f);
}

// The workspace's path buffers, kept across the nested work of OPEN.
struct Path_keep {
  char path[sizeof ws.Path_buf];
  char lfa[sizeof ws.Lfa_path];
  char name12[sizeof ws.File_name12];
  Path_keep() {
    std::memcpy(path, ws.Path_buf, sizeof path);
    std::memcpy(lfa, ws.Lfa_path, sizeof lfa);
    std::memcpy(name12, ws.File_name12, sizeof name12);
  }
  void restore() {
    std::memcpy(ws.Path_buf, path, sizeof path);
    std::memcpy(ws.Lfa_path, lfa, sizeof lfa);
    std::memcpy(ws.File_name12, name12, sizeof name12);
  }
};

Pdf_call_result call_utility(const std::string& path, const std::vector<std::string>& args) {
  if (!Pdf_value_call) Not_built("calling the PDF utility programs (no program layer)");
  return Pdf_value_call(path, args);
}

// Runs the option utility: request and saved defaults in, the final option
// string out.
std::string run_option_utility(const std::string& request, int which) {
  std::string path;
  if (!utility_path(path, "pdf")) Rpt_error_text(err::FILE_NOT_FOUND, "no option utility program \"pdf\" in the library");
  std::vector<std::string> args{request, saved_defaults[which]};
  Path_keep keep;
  Fcb* cur = ws.Cur_fcb;
  Pdf_call_result r;
  try {
    r = call_utility(path, args);
  } catch (...) {
    keep.restore();
    ws.Cur_fcb = cur;
    throw;
  }
  keep.restore();
  ws.Cur_fcb = cur;
  if (r.status > 0) Rpt_error(r.status);
  if (!r.returned || !r.is_str || r.str.empty())
    Rpt_error_text(err::FILE_NOT_FOUND, "the option utility program \"pdf\" returned no options");
  return r.str;
}

// The directory part of a path ("." for none).
std::string dir_of(const std::string& p) {
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

// Creates the private temporary file beside path: its descriptor, or -1
// with errno.
int make_temp(const std::string& path, std::string& tmp) {
  std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  // "." and ".XXXXXX" around it must still fit a file name of 255 bytes.
  if (base.size() > 247) base.resize(247);
  tmp = dir_of(path) + "/." + base + ".XXXXXX";
  std::string t = tmp;
  int fd = mkostemp(t.data(), O_CLOEXEC);
  if (fd >= 0) tmp = t;
  return fd;
}

// A FIFO or a device at the document's name is written in place, as any
// existing file was: a file renamed over it would replace /dev/null or the
// spooler's FIFO itself.  Only one of this user's or root's, reached through
// no other user's link: another user's FIFO would hand the document to that
// user's reader.  The held descriptor is the one written.  cand is the end
// of the user's own links.
//
// A regular file is written in place when its directory takes no temporary
// file, or no file renamed over it (sticky): truncated once it is held (never before: another process may be
// writing it), unless its name is another user's link.
void hold_in_place(Pdf_doc& d, const std::string& cand) {
  struct stat st {};
  if (stat(cand.c_str(), &st) != 0) Sys_error();
  struct stat at {};
  bool regular = S_ISREG(st.st_mode);
  if ((!regular && !Owned_by_user_or_root(st)) || lstat(cand.c_str(), &at) != 0 || S_ISLNK(at.st_mode))
    Rpt_error_text(err::BAD_FILE_NAME, regular ? "The PDF document's name is another user's link"
                                               : "The PDF document's name is another user's FIFO or device, or is "
                                                 "reached through another user's link");
  Open_opts hold;
  hold.exclusive = true;
  int held = Open(cand.c_str(), O_RDWR, hold);
  if (held < 0) Sys_error();
  if (regular && ftruncate(held, 0) != 0) {
    int e = errno;
    Close(held);
    errno = e;
    Sys_error();
  }
  d.doc_fd = held;
  d.tmp_fd = held;
  d.in_place = true;
  d.doc_created = false;
  *d.doc_path = cand;
  d.tmp_path->clear();
}

// Whether the name may be written but not replaced: another user's file in
// a sticky directory of another user (root may replace it).
bool rename_refused(const std::string& cand) {
  struct stat at {}, dir {};
  if (geteuid() == 0 || lstat(cand.c_str(), &at) != 0 || stat(dir_of(cand).c_str(), &dir) != 0) return false;
  return (dir.st_mode & S_ISVTX) && at.st_uid != geteuid() && dir.st_uid != geteuid();
}

// Resolves FILE= through the name search and creates the temporary file in
// the directory of the first candidate that takes it.  An existing document
// must be writable; it is not touched until CLOSE.
void open_document_file(Pdf_doc& d) {
  Path_keep keep;
  try {
    Set_path(d.opts->file);
    int last = ENOENT;
    bool done = false;
    while (!done && Next_path() == 0) {
      std::string cand = Own_links_end(ws.Path_buf);
      struct stat st {};
      bool exists = stat(cand.c_str(), &st) == 0;
      if (exists && (S_ISDIR(st.st_mode) || access(cand.c_str(), W_OK) != 0)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : errno;
        Sys_error();
      }
      if (exists && (!S_ISREG(st.st_mode) || rename_refused(cand))) {
        hold_in_place(d, cand);
        done = true;
        break;
      }
      std::string tmp;
      int fd = make_temp(cand, tmp);
      if (fd < 0) {
        if (exists && (errno == EACCES || errno == EPERM)) {
          hold_in_place(d, cand);
          done = true;
          break;
        }
        if (exists) Sys_error();
        last = errno;
        continue;
      }
      // The previous document's permissions, without set-id or sticky bits.
      mode_t mode = exists ? (st.st_mode & 0777) : mode_t(prmblk.Create_mode);
      if (!exists) {
        mode_t um = umask(0);
        umask(um);
        mode &= ~um;
      }
      fchmod(fd, mode);
      *d.tmp_path = tmp;
      d.tmp_fd = fd;
      // The document's name is held for exclusive use until CLOSE through
      // the shared-open table: a second OPEN of it, here or in another
      // process, is busy (error 0).  A document that does not exist yet is
      // created empty to be held.
      Open_opts hold;
      hold.exclusive = true;
      int held = Open(cand.c_str(), exists ? O_RDWR : O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, hold, mode);
      if (held < 0) Sys_error();
      d.doc_fd = held;
      d.doc_created = !exists;
      *d.doc_path = cand;
      done = true;
    }
    if (!done) {
      errno = last;
      Sys_error();
    }
  } catch (...) {
    keep.restore();
    throw;
  }
  keep.restore();
}

void check_geometry(Pdf_doc& d) {
  if (d.page_w < 1 || d.page_h < 1 || d.page_w > PDF_PAGE_MAX || d.page_h > PDF_PAGE_MAX)
    Rpt_error_text(err::OUT_OF_RANGE, "PDF page size out of range: " + std::to_string(d.page_w) + " by " +
                           std::to_string(d.page_h) + " points");
  if (d.m_left < 0 || d.m_top < 0 || d.m_right < 0 || d.m_bottom < 0 ||
      int64_t(d.m_left) + d.m_right >= d.page_w || int64_t(d.m_top) + d.m_bottom >= d.page_h)
    Rpt_error_text(err::OUT_OF_RANGE, "PDF margins leave no printable area");
}

// Whether the name is the file st describes itself (a link to it is not).
bool same_file(const std::string& name, const struct stat& st) {
  struct stat at {};
  return lstat(name.c_str(), &at) == 0 && S_ISREG(at.st_mode) && at.st_dev == st.st_dev && at.st_ino == st.st_ino;
}

[[noreturn]] void replaced_error(const char* why) { Rpt_error_text(err::BAD_FILE_NAME, why); }

void free_record_parts(Pdf_doc& d) {
  delete d.be;
  d.be = nullptr;
  if (d.doc_fd >= 0) {
    // The empty file OPEN made to hold the name goes when no document
    // took its place.
    struct stat held {};
    if (d.doc_created && d.doc_path && fstat(d.doc_fd, &held) == 0 && same_file(*d.doc_path, held))
      unlink(d.doc_path->c_str());
    Close(d.doc_fd);
    d.doc_fd = -1;
  }
  if (d.tmp_fd >= 0 && !d.in_place) close(d.tmp_fd);
  d.tmp_fd = -1;
  if (d.tmp_path && !d.tmp_path->empty()) unlink(d.tmp_path->c_str());
  delete d.tmp_path;
  delete d.doc_path;
  delete d.opts;
  d.tmp_path = d.doc_path = nullptr;
  d.opts = nullptr;
}

// ---- driver slots ----

int64_t Pdf_open() {
  // The request: the name after "*pdf*", then ";" and the OPT= text.
  std::string request(ws.Path_buf + 5);
  if (ws.Io_opt_len > 0) request += ";" + std::string(reinterpret_cast<const char*>(ws.Io_opt_ptr), size_t(ws.Io_opt_len));
  if (!request.empty() && request[0] == ';') request.erase(0, 1);
  bool library = Sw_on(sw::PH);
  int which = library ? 1 : 0;
  int32_t siz = ws.Io_siz > 0 ? ws.Io_siz : DEFAULT_BUF;
  uint16_t chan = ws.Cur_chan;
  std::string options = run_option_utility(request, which);
  ws.Cur_chan = chan;

  auto* d = Fcb_alloc<Pdf_doc>();
  d->kind = FK_PDF;
  d->tmp_fd = -1;
  d->doc_fd = -1;
  d->doc_created = false;
  d->in_place = false;
  try {
    d->opts = new Pdf_options;
    d->doc_path = new std::string;
    d->tmp_path = new std::string;
    d->library = library;
    d->rec_size = siz;
    Fcb_set_buffer(d, siz);
    d->attr = 7u << 16;
    d->page_state = PDF_NO_PAGE;
    d->page_w = 612;
    d->page_h = 792;
    int64_t m = int64_t(Kest_cfg.pdf_margin) * 72 / 1000;
    if (m < 0) m = 0;
    if (m > PDF_PAGE_MAX) m = PDF_PAGE_MAX;
    d->m_left = d->m_top = d->m_right = d->m_bottom = int32_t(m);
    Pdf_apply_options(*d, options);
    check_geometry(*d);
    d->print_w = d->page_w - d->m_left - d->m_right;
    d->print_h = d->page_h - d->m_top - d->m_bottom;
    open_document_file(*d);
    ws.Cur_fcb = d;
    d->be = library ? Pdf_new_lib_backend(*d) : Pdf_new_own_backend(*d);
    d->be->open(*d);
  } catch (...) {
    free_record_parts(*d);
    if (d->out_buf) Ret_blk(d->out_buf);
    Ret_blk(d);
    ws.Cur_fcb = nullptr;
    throw;
  }
  // Only options that opened a channel become the next OPEN's defaults.
  saved_defaults[which] = options;
  // The channel shows "*Pdf*" as its path and the final options as OPT=.
  std::strcpy(ws.Path_buf, "*Pdf*");
  d->opt_text = static_cast<uint8_t*>(Get_blk(options.size() + 2));
  size_t n = options.size() > 0xFFFF ? 0xFFFF : options.size();
  d->opt_text[0] = uint8_t(n >> 8);
  d->opt_text[1] = uint8_t(n);
  std::memcpy(d->opt_text + 2, options.data(), n);
  ws.Cur_fcb = d;
  return 0;
}

// Runs "pdfview" of the library with the document's path, when it exists.
void run_viewer(const std::string& doc) {
  std::string path;
  if (!utility_path(path, "pdfview")) return;
  Io_save_guard keep;
  Pdf_call_result r = call_utility(path, {doc});
  if (r.status > 0) Rpt_error(r.status);
}

int64_t Pdf_close() {
  Pdf_doc* d = doc_of(ws.Cur_fcb);
  if (!d->be) return 0;
  bool written = false;
  std::string doc;
  try {
    written = d->be->finish(*d);
    if (d->in_place) {
      // Written into the file, FIFO or device itself; nothing to rename.  A
      // regular file without a document goes if its directory lets it (it
      // was emptied at OPEN).
      struct stat held {};
      if (!written && fstat(d->doc_fd, &held) == 0 && S_ISREG(held.st_mode) && same_file(*d->doc_path, held))
        unlink(d->doc_path->c_str());
    } else if (written) {
      if (fsync(d->tmp_fd) != 0 && errno != EINVAL) Sys_error();
      struct stat mine {};
      if (fstat(d->tmp_fd, &mine) != 0) Sys_error();
      if (!same_file(*d->tmp_path, mine)) {
        // Not ours to remove either: the name is left as it is found.
        d->tmp_path->clear();
        replaced_error("The temporary file of the PDF document was replaced: the document is not saved");
      }
      if (rename(d->tmp_path->c_str(), d->doc_path->c_str()) != 0) Sys_error();
      d->tmp_path->clear();
      // Swapped between the look and the rename: what now has the name is
      // not this document.
      if (!same_file(*d->doc_path, mine))
        replaced_error("The temporary file of the PDF document was replaced: the name holds another file");
      int fd = d->tmp_fd;
      d->tmp_fd = -1;
      if (close(fd) != 0) Sys_error();
      doc = *d->doc_path;
    } else if (unlink(d->doc_path->c_str()) != 0 && errno != ENOENT) {
      // A document without pages (or abandoned) leaves no file: the one
      // that had the name goes, as OPEN truncated it.
      Sys_error();
    }
  } catch (...) {
    free_record_parts(*d);
    throw;
  }
  bool view = d->opts->view;
  free_record_parts(*d);
  if (written && view) run_viewer(doc);
  return 0;
}

int64_t Pdf_flush() {
  Pdf_doc* d = doc_of(ws.Cur_fcb);
  if (d->be) d->be->flush(*d);
  return 0;
}

int64_t Pdf_write() { return Pdf_flush(); }

struct Saved_defaults {
  std::string s[2];
};

int64_t Pdf_save() {
  ws.Drv_save = new Saved_defaults{{saved_defaults[0], saved_defaults[1]}};
  return 0;
}

int64_t Pdf_restore() {
  auto* s = static_cast<Saved_defaults*>(ws.Drv_save);
  if (s) {
    saved_defaults[0] = s->s[0];
    saved_defaults[1] = s->s[1];
    delete s;
    ws.Drv_save = nullptr;
  }
  return 0;
}

}  // namespace

const Fio_op Pdf_fotbl[FIO_SLOTS] = {
    Io_mode_err, Pdf_open,    Pdf_close,   Pdf_write,   Io_mode_err, Io_mode_err, Io_mode_err,
    Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Pdf_flush,   Io_wr_mode,
    Io_wr_mode,  Io_mode_err, Io_mode_err, Io_mode_err, Pdf_save,    Pdf_restore,
};

Pdf_call_result (*Pdf_value_call)(const std::string& path, const std::vector<std::string>& args) = nullptr;

void Pdf_register() {
  Fio_register(FK_PDF, Pdf_fotbl);
  Term_pdf.mnem = Pdf_mnem;
  Term_pdf.start_page = Pdf_StartPage;
  Term_pdf.graphics = Pdf_Graphics;
  // A write past the file-size limit fails with EFBIG (reported) instead of
  // ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
}

Pdf_doc& Pdf_current() { return *doc_of(ws.Cur_fcb); }

void Pdf_set_columns(Pdf_doc& d, int64_t char_w) {
  d.cols = int32_t(int64_t(d.print_w) * 1000 / std::max<int64_t>(1, char_w));
  d.width = d.cols;  // PRINT wraps a line that reaches the columns per line
}

void Pdf_SetXY(Pdf_doc& d, bool proportional) {
  if (d.char_w < 1) d.char_w = 1;
  if (d.line_h < 1) d.line_h = 1;
  Pdf_set_columns(d, d.char_w);
  int64_t lh = int64_t(d.line_h) + 10 * int64_t(prmblk.Bang_P);
  d.lines = int32_t(int64_t(d.print_h) * 1000 / lh);
  d.vscale = int32_t(int64_t(d.line_h) * 1600 / d.char_w);
  if (proportional) d.text_flags |= PTF_PROPORTIONAL;
  else d.text_flags &= ~uint32_t(PTF_PROPORTIONAL);
}

void Pdf_SetCurXY(Pdf_doc& d) {
  d.cur_x = int32_t(int64_t(d.column) * d.char_w / 1000);
  d.cur_y = int32_t(int64_t(d.line) * d.line_h / 1000);
}

int Pdf_mnem(uint16_t code) {
  Pdf_doc& d = Pdf_current();
  if (!d.be) return 1;
  return d.be->mnem(d, code);
}

void Pdf_StartPage() {
  Pdf_doc& d = Pdf_current();
  if (d.be) d.be->start_page(d);
}

void Pdf_Graphics(uint8_t op, const uint8_t* p, uint32_t n) {
  Pdf_doc& d = Pdf_current();
  if (d.be) d.be->graphics(d, op, p, n);
}

void Pdf_pos(int32_t line, int32_t column) {
  Pdf_doc& d = Pdf_current();
  if (!d.be) return;
  d.be->flush(d);
  d.be->pos(d, line, column);
}

void Pdf_pos1(int32_t column) {
  Pdf_doc& d = Pdf_current();
  if (!d.be) return;
  int32_t keep = d.high_col;
  d.be->flush(d);
  d.be->pos(d, d.line, column);
  if (keep > column) d.high_col = keep;
}

int64_t Pdf_BytesLeft(Fcb* f) {
  Pdf_doc* d = doc_of(f);
  return d->be ? d->be->bytes_left(*d) : 0;
}

int64_t Pdf_TextUsed(Fcb* f) {
  Pdf_doc* d = doc_of(f);
  return d->be ? d->be->text_used(*d) : 0;
}

int64_t Pdf_TxSize(Fcb* f, int mode, const std::string& text, int32_t width, const std::string& font) {
  Pdf_doc* d = doc_of(f);
  return d->be ? d->be->tx_size(*d, mode, text, width, font) : 0;
}

std::string Pdf_GetFonts(const std::string& request) {
  return Sw_on(sw::PH) ? Pdf_GetFonts_L(request) : Pdf_GetFonts_O(request);
}

void Pdf_reset() {
  saved_defaults[0].clear();
  saved_defaults[1].clear();
  saved_defaults[0].shrink_to_fit();
  saved_defaults[1].shrink_to_fit();
}

void Pdf_FreeLibHaru() { Pdf_FreeLibHaru_L(); }
