// PDF channels (file kind 23): the channel record, the back-end interface
// and the channel layer's services to both back ends.
//
// A program opens "*pdf*options" (OPT= options are appended after ";").
// The channel layer runs the option utility program "pdf" of the library's
// "_ext" folder, reads the final option string, fixes the page geometry,
// creates a private temporary file beside the document and hands the record
// to the back end chosen by system parameter PH at OPEN (the back end stays
// fixed for the channel's life).  Every later operation goes to that back
// end through Pdf_backend.  At CLOSE the back end finishes the document into
// the temporary file, through the descriptor the channel created, and the
// channel renames it over the document's name only while that name still
// holds the file of the descriptor (another user of a shared directory may
// have put a link or a file of theirs there); a failed or abandoned run
// removes the temporary file, so the previous document of that name
// survives.
//
// Units: page sizes, margins and the current point are whole points (1/72
// inch) measured from the top-left corner of the printable area; character
// width and line height are milli-points.  Coordinates of long graphic
// mnemonics are sixteenths of a column.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "channels/channel.h"

// Page states
enum : int32_t { PDF_NO_PAGE = 1, PDF_PAGE_OPEN = 2, PDF_ABANDONED = 3 };

// Text flags (Pdf_doc::text_flags)
enum : uint32_t {
  PTF_PROPORTIONAL = 0x1,
  PTF_NUMERIC = 0x82,  // 'JN' (0x2 and 0x80)
  PTF_RIGHT = 0x4,
  PTF_CENTRE = 0x8,
  PTF_DECIMAL = 0x10,
  PTF_RULES = 0x20,
  PTF_KEEP_LAYOUT = 0x10000,  // 'LS'
  PTF_LINE_BOUND_ALT = 0x20000,  // the alternate font ends with the line ('EP')
};

// Bounds of the page geometry: a page side from 1 point to 200 inches, a
// margin from 0 to the page side; a page whose margins leave less than one
// point is refused.
constexpr int32_t PDF_PAGE_MAX = 14400;

// What the option string gave (owned by the record; the library back end
// reads the options it alone uses).
struct Pdf_options {
  std::string title = "Untitled";
  std::string subject;     // empty: the back end's default
  std::string author;      // empty: the login name
  std::string producer;
  std::string creator = "Kestil-9.00.9200";
  std::string keywords;
  bool subject_given = false, keywords_given = false, producer_given = false;
  bool landscape = false;
  bool no_compression = false;
  bool view = false;
  // Library back end only
  bool encrypt = false;
  char embed = 0;          // EMBED= first character (0: the ini key PdfEmbed)
  std::string owner_password, open_password;
  bool owner_given = false, open_given = false;
  uint32_t permissions = 0x3C;  // 4 print, 8 edit all, 16 copy, 32 edit
  std::string file;        // FILE= as given
};

class Pdf_backend;

struct Pdf_doc : Fcb {
  Pdf_backend* be;          // the channel's back end (owned)
  Pdf_options* opts;        // owned
  std::string* doc_path;    // the document's host path (owned)
  std::string* tmp_path;    // the temporary file written until CLOSE (owned)
  int32_t tmp_fd;           // its descriptor, open until CLOSE
  int32_t doc_fd;           // the document's name held for exclusive use (host Open), or -1
  bool doc_created;         // OPEN created the (empty) file at the name to hold it
  bool in_place;            // a FIFO or device written through doc_fd (tmp_fd == doc_fd, no temporary file)
  bool library;             // the library back end serves the channel
  int32_t page_state;       // PDF_NO_PAGE, PDF_PAGE_OPEN, PDF_ABANDONED
  int32_t high_col;         // highest column printed on the current line
  int32_t page_w, page_h;   // points
  int32_t m_left, m_top, m_right, m_bottom;
  int32_t print_w, print_h; // printable area
  int32_t char_w, line_h;   // milli-points
  int32_t cur_x, cur_y;     // current point
  uint32_t text_flags;
  int32_t vscale;           // line height * 1600 / character width
};

// The interface every back end serves.  The channel layer calls it with
// ws.Cur_fcb == &d; errors are raised with Rpt_error.
class Pdf_backend {
 public:
  virtual ~Pdf_backend() = default;
  // Starts the document after the options and geometry are set.
  // d.tmp_fd is open, empty, on *d.tmp_path; the back end writes the
  // document through it (never by the name, which is not to be trusted).
  virtual void open(Pdf_doc& d) = 0;
  // Finishes the document into the temporary file.  True when a document
  // was written (the channel renames it over the document's name); false
  // when there is none (no page ever started, or 'AB' abandoned it: the
  // channel removes the temporary file).  An error is raised as it stands:
  // the channel removes the temporary file and keeps the previous document.
  virtual bool finish(Pdf_doc& d) = 0;
  // Places the pending PRINT text of the channel buffer (driver slot 12).
  virtual void flush(Pdf_doc& d) = 0;
  // A two-letter mnemonic: 1 handled or ignored, 0 for the generic path.
  virtual int mnem(Pdf_doc& d, uint16_t code) = 0;
  // Opens a page when none is open (before a long mnemonic).
  virtual void start_page(Pdf_doc& d) = 0;
  // One long graphic mnemonic (operation 7..45) with its parameter bytes.
  virtual void graphics(Pdf_doc& d, uint8_t op, const uint8_t* p, uint32_t n) = 0;
  // '@(column,line)': moves the print position (pending text already placed).
  virtual void pos(Pdf_doc& d, int32_t line, int32_t column) = 0;
  // Bytes of flowing text not yet printed.
  virtual int64_t bytes_left(const Pdf_doc& d) = 0;
  // Height used by the last text output, in hundredths of a point.
  virtual int64_t text_used(const Pdf_doc& d) = 0;
  // TXW( (mode 1) and TXH( (mode 2) in sixteenths of a column; modes 3 and 4
  // in points.  font: a font string, empty for the graphics font.
  virtual int64_t tx_size(Pdf_doc& d, int mode, const std::string& text, int32_t width,
                          const std::string& font) = 0;
};

// The own writer and the library back end for a channel being opened.  The
// library back end raises its error when it cannot be used.
Pdf_backend* Pdf_new_own_backend(Pdf_doc& d);
Pdf_backend* Pdf_new_lib_backend(Pdf_doc& d);
// Font lists of the two back ends (the request as in the font-list
// function: empty, "*prop*[name]" or anything else for the sizes).
std::string Pdf_GetFonts_O(const std::string& request);
std::string Pdf_GetFonts_L(const std::string& request);
// Shut-down of the library back end (unloads the library); does nothing
// when it was never loaded.
void Pdf_FreeLibHaru_L();

// ---- the channel layer's services ----

// The PDF channel that is current, or error 13 when the current channel is
// not one.
Pdf_doc& Pdf_current();
// Columns per line (and the width PRINT wraps at, the same) for characters
// char_w milli-points wide.
void Pdf_set_columns(Pdf_doc& d, int64_t char_w);
// Columns per line, lines per page, the vertical scale (and the proportional
// flag, given by the back end) after a change of character width, line
// height or margins.
void Pdf_SetXY(Pdf_doc& d, bool proportional);
// Current point from the column and line.
void Pdf_SetCurXY(Pdf_doc& d);
// One length of an option value (see pdf_options.cpp): whole points; the
// cursor moves past the separator.
int32_t Pdf_GetUnits(const char*& p);
// Applies one option string to the record (keywords, geometry).
void Pdf_apply_options(Pdf_doc& d, const std::string& options);
// Login name of the user (the default author).
std::string Pdf_login_name();

// ---- entry points of the other layers ----

// The option and viewer utility programs: a program of the library called
// for a value with string arguments (CALL in a nested execution whose
// program ends with RETURN expression).  programs/value_call.cpp fills the
// hook at start-up; unset, the call is error 99 naming what is missing.
struct Pdf_call_result {
  int status = -1;        // the nested run's exit code or error (-1 none)
  bool returned = false;  // RETURN gave a value
  bool is_str = false;
  std::string str;        // the value of a string RETURN
};
extern Pdf_call_result (*Pdf_value_call)(const std::string& path, const std::vector<std::string>& args);

// The driver of kind 23: registers it (start-up).
extern const Fio_op Pdf_fotbl[FIO_SLOTS];
void Pdf_register();
// Mnemonics, long mnemonics and positions of a PDF channel (ws.Cur_fcb).
int Pdf_mnem(uint16_t code);
void Pdf_StartPage();
void Pdf_Graphics(uint8_t op, const uint8_t* p, uint32_t n);
void Pdf_pos(int32_t line, int32_t column);
// '@(column)': the position on the current line; a higher column already
// printed on the line stays the highest.
void Pdf_pos1(int32_t column);
// FIN "BYTESLEFT" and "TEXTUSEDHEIGHT" of a PDF channel.
int64_t Pdf_BytesLeft(Fcb* f);
int64_t Pdf_TextUsed(Fcb* f);
// TXW( and TXH( on a PDF channel.
int64_t Pdf_TxSize(Fcb* f, int mode, const std::string& text, int32_t width, const std::string& font);
// The font list of the back end PH selects.
std::string Pdf_GetFonts(const std::string& request);
// Shut-down: frees the saved defaults of both back ends and unloads the
// library.
void Pdf_reset();
void Pdf_FreeLibHaru();
