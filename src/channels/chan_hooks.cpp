// The hooks of the channels into the layers above, with their unset
// behaviour (filled by the wiring of the drivers in src/app).
#include "channels/chan_hooks.h"

#include "core/errors.h"

namespace {

void no_term_release(Fcb*) {}
void no_dev_init(const char*) { Not_built("terminal drivers"); }
void no_scr_text(Fcb*, const uint8_t*, int32_t) { Not_built("terminal screens"); }
void no_scr_pos(Fcb*, int32_t, int32_t) { Not_built("terminal screens"); }
bool no_scr_fits(Fcb*, int32_t, int32_t) { return true; }
void no_prt_mnem(uint16_t) { Not_built("terminal mnemonics"); }
void no_bad_mnemonic() { Rpt_error(err::BAD_MNEMONIC); }
void no_console_start() { Not_built("the console device"); }
bool no_rename_index() { return false; }
bool no_eff_in_txn(Fcb*) { return false; }
void no_keyed_flush() {}
void no_sql_drop(Fcb*) { Not_built("SQL channels"); }
void no_pdf_pos(int32_t, int32_t) { Not_built("PDF channels"); }
void no_pdf_pos1(int32_t) { Not_built("PDF channels"); }
void no_prog_cache_forget() {}
void no_cls_windows() {}
void no_close_mnemonic(Fcb*) {}
uint8_t no_graphic_char(Fcb*, uint8_t) { Not_built("graphics characters (graphics mnemonics)"); }
void no_close_program(Fcb*) {}
int no_event_program(Fcb*, const char*, uint32_t) { Not_built("I/O event programs"); }
bool no_dupl_error_program(const std::string&, const std::string&, int, uint16_t, int32_t, const std::string&) {
  return false;
}

constexpr Chan_hooks unset = {
    .term_release = no_term_release,
    .dev_init = no_dev_init,
    .scr_text = no_scr_text,
    .scr_pos = no_scr_pos,
    .scr_fits = no_scr_fits,
    .prt_mnem = no_prt_mnem,
    .bad_mnemonic = no_bad_mnemonic,
    .console_start = no_console_start,
    .cls_windows = no_cls_windows,
    .close_mnemonic = no_close_mnemonic,
    .graphic_char = no_graphic_char,
    .rename_index = no_rename_index,
    .eff_in_txn = no_eff_in_txn,
    .keyed_flush = no_keyed_flush,
    .sql_drop = no_sql_drop,
    .pdf_pos = no_pdf_pos,
    .pdf_pos1 = no_pdf_pos1,
    .prog_cache_forget = no_prog_cache_forget,
    .prog_files_changed = no_prog_cache_forget,
    .run_event_program = no_event_program,
    .close_program = no_close_program,
    .dupl_error_program = no_dupl_error_program,
};

}  // namespace

Chan_hooks Chan_hook = unset;

Chan_hooks Chan_hooks_unset() { return unset; }
