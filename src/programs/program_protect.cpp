// PASSWORD without a channel: protection keys of programs (the layout of
// protected images and the cipher are program_crypt.h's).
//
// ws.Pgm_flags: PGM_ENCIPHERED (0x0001) the program has a key and SAVE
// enciphers it; PGM_PROTECTED (0x4000) it may not be listed, edited,
// merged into or saved as text.  A protected program is always
// enciphered; an enciphered one is protected until its key is given.
#include "programs/program_protect.h"

#include <cstring>
#include <string>

#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/workspace.h"
#include "core/directives.h"
#include "keyed/file_password.h"

namespace {

constexpr size_t MAX_TEXT = 240;
bool given = false;
uint8_t given_key[8] = {};

}  // namespace

bool Prg_key_given(const uint8_t key[8]) { return given && std::memcmp(key, given_key, 8) == 0; }

// PASSWORD: "(" names a keyed channel (keyed/file_password.cpp), else the
// text protects programs.
void d_pswd() {
  ws.Stmt_save = ws.Exec_ptr;
  if (*ws.Exec_ptr == code::LPAREN) {
    Key_password_directive();
    return;
  }
  Prg_protect_directive();
}

void Prg_protect_directive() {
  Err_scan();
  Eval_str();
  std::string text(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
  if (text.size() > MAX_TEXT) Rpt_error(err::STRING_LENGTH);
  if (text.empty()) {
    if (ws.Pgm_flags & PGM_PROTECTED) Rpt_error(err::PROTECTED);
    given = false;
    std::memset(given_key, 0, sizeof given_key);
    ws.Pgm_flags &= ~uint32_t(PGM_ENCIPHERED);
    if (ws.Pgm_text_blk) std::memset(ws.Pgm_text_blk->key, 0, sizeof ws.Pgm_text_blk->key);
    return;
  }
  uint8_t key[8] = {};
  std::memcpy(key, text.data(), text.size() < 8 ? text.size() : 8);
  if (ws.Pgm_flags & PGM_PROTECTED) {
    if (std::memcmp(key, ws.Pgm_texts().key, 8) != 0) Rpt_error(err::PASSWORD_REQUIRED);
    ws.Pgm_flags &= ~uint32_t(PGM_PROTECTED);
  } else {
    std::memcpy(Pgm_text_own().key, key, 8);
    ws.Pgm_flags |= PGM_ENCIPHERED;
  }
  std::memcpy(given_key, key, 8);
  given = true;
}
