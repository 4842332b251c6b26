// File passwords of keyed files of both formats: the PASSWORD directive
// (setting, removing), the access check when a keyed file opens, the
// per-process cache of verified paths and the GET_PASSWORD prompt.
//
// Access modes (the first byte of the stored password field): 0 password
// for any access, 1 password for writing (without it the channel only
// reads), 2 and 3 the same with index and data pages enciphered.  The
// stored field is the mode byte and the password with each byte XOR 0x6E;
// passwords are compared on their first 8 bytes.
#include "keyed/file_password.h"

#include <cstring>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/io_options.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/messages.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "keyed/file_crypt.h"
#include "keyed/key_dict.h"
#include "keyed/key_driver.h"
#include "keyed/keyed_file.h"
#include "keyed/keyed_internal.h"

namespace {

constexpr uint8_t MASK = 0x6E;
constexpr int MAX_PROMPTS = 3;   // GET_PASSWORD answers tried in one OPEN
constexpr uint32_t EV_GET_PASSWORD = 0x4000;
constexpr uint8_t D_PSWD = 238;  // the PASSWORD directive

// ---- the cache of verified paths, newest first ----
struct Cache_entry {
  std::string path;
  int mode;
};
std::list<Cache_entry> cache;

void cache_add(const std::string& path, int mode) {
  if (prmblk.PQ == 0) return;
  DropPwdCacheEntry(path);
  cache.push_front({path, mode});
  while (cache.size() > prmblk.PQ) cache.pop_back();
}

int cache_scan(const std::string& path) {
  for (const Cache_entry& e : cache)
    if (e.path == path) return e.mode;
  return -1;
}

std::vector<uint8_t> masked(const std::string& pw) {
  std::vector<uint8_t> m;
  for (size_t i = 0; i < pw.size() && i < 8; ++i) m.push_back(uint8_t(uint8_t(pw[i]) ^ MASK));
  return m;
}

bool library_program_running() {
  if (ws.Con_flags & CON_MODE) return false;
  const char* running = Key_pwd_hooks.program_path ? Key_pwd_hooks.program_path() : nullptr;
  if (!running) return false;
  std::string lib = Lib_dir_path();
  std::string p = running;
  return p.size() > lib.size() && p.compare(0, lib.size(), lib) == 0;
}

// The answer of the GET_PASSWORD event: the channel's I/O program, else the
// library's password prompt.  False when nothing answered.
bool ask_password(Fcb* f, std::string* answer) {
  if (!f->path) f->path = SavePath();  // the prompt names the file
  Io_save_guard io;
  int rc = Key_pwd_hooks.io_event ? Key_pwd_hooks.io_event(f, "GET_PASSWORD", EV_GET_PASSWORD) : -1;
  f->event_mask &= ~EV_GET_PASSWORD;  // may be asked again in this OPEN
  if (rc != -2 || ws.Str_len < 0) return false;
  answer->assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  return true;
}

}  // namespace

void DropPwdCacheEntry(const std::string& path) {
  if (path.empty()) {
    if (!cache.empty()) cache.pop_back();
    return;
  }
  cache.remove_if([&](const Cache_entry& e) { return e.path == path; });
}

void Clr_PwdCache() { cache.clear(); }

// The cipher of a file whose pages are enciphered, from its stored field.
void Key_cipher_from_field(Key_chan* kc, const std::vector<uint8_t>& field) {
  Key_file* f = kc->f.get();
  if (f->crypt) return;  // another channel of this process set it
  auto c = std::make_shared<Kcrypt>();
  Set_file_crypt_key(*c, field.data() + 1, int(field.size()) - 1);
  if (!c->active()) return;  // the pages of such a file were written plain
  // Pages read before the cipher was known are read again.
  Kbfr_drop_file(f);
  f->crypt = c;
}


void Key_check_access(Fcb* f, const std::string& path) {
  Key_chan* kc = Key_chan_of(f);
  std::vector<uint8_t> field;
  bool check_ok = true;
  bool has = Kdct_password(kc, &field, &check_ok);
  if (!check_ok) Rpt_error_text(err::NOT_ACCESSIBLE, "the password item of " + path + " does not belong to this file");
  if (!has) return;
  if (field.size() > 9) field.resize(9);
  int stored = field[0];
  if (Kdct_enciphered(kc) && (stored == 2 || stored == 3)) Key_cipher_from_field(kc, field);

  bool given = (ws.Io_opts & IO_KEY) != 0;
  std::string pw;
  if (given) {
    // KEY= of the OPEN, its parts joined.
    for (int i = 0; i < ws.Io_key_cnt; ++i)
      if (ws.Io_key_part_len[i] > 0)
        pw.append(reinterpret_cast<const char*>(ws.Io_key_part[i]), size_t(ws.Io_key_part_len[i]));
  }
  enum { NO_PROMPT, PROMPT, PROMPT_LIBRARY } rule = given ? NO_PROMPT : Sw_on(sw::PP) ? PROMPT : PROMPT_LIBRARY;
  if (given) {
    DropPwdCacheEntry(path);
  } else if (cache_scan(path) >= 0) {
    return;  // verified before in this process
  }
  int prompts = 0;
  for (;;) {
    std::vector<uint8_t> m = masked(pw);
    if (given && m.size() + 1 == field.size() && std::equal(m.begin(), m.end(), field.begin() + 1)) {
      cache_add(path, stored);
      return;
    }
    if (stored == 1 || stored == 3) {
      // Protected for writing only: the channel may read.
      if ((f->st1 & ST1_INPUT_ONLY) || (ws.Io_opts & IO_INPUT_ONLY)) return;
      if (Sw_on(sw::PE)) {
        f->st1 |= ST1_INPUT_ONLY;
        kc->readonly = true;
        return;
      }
    }
    if (stored > 3) return;
    if (rule == PROMPT_LIBRARY) rule = library_program_running() ? PROMPT : NO_PROMPT;
    if (rule == NO_PROMPT) Rpt_error(err::PASSWORD_REQUIRED);
    if (++prompts > MAX_PROMPTS) Rpt_error_text(err::PASSWORD_REQUIRED, "no right password after three answers");
    std::string answer;
    if (!ask_password(f, &answer)) Rpt_error_text(err::PASSWORD_REQUIRED, "nothing answered the password prompt");
    if (answer.empty()) Rpt_error(err::PASSWORD_REQUIRED);
    pw = answer;
    given = true;
  }
}

Key_password_hooks Key_pwd_hooks;

void Key_password_directive() {
  Io_SetOptions(D_PSWD);
  Fcb* f = ws.Cur_fcb;
  Key_chan* kc = Key_chan_of(f);
  if (!kc) Rpt_error(err::WRONG_FILE_KIND);
  if ((f->st1 & ST1_INPUT_ONLY) || kc->readonly) Rpt_error(err::WRONG_MODE);
  // The file must be held whole (OPEN LOCK, or LOCK) and hold no records.
  if (!kc->nolock) Rpt_error_text(err::WRONG_MODE, "PASSWORD needs the file held whole (OPEN LOCK or LOCK)");
  if (Key_record_count(kc) != 0) Rpt_error_text(err::WRONG_MODE, "PASSWORD needs a file without records");
  std::vector<uint8_t> field;
  int mode = -1;
  if (*ws.Exec_ptr == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_FROM) {
    // FROM (ch): the password of another protected file, its mode included.
    ws.Exec_ptr += 2;
    std::vector<uint8_t> mine;
    bool check_ok;
    if (Kdct_password(kc, &mine, &check_ok)) Rpt_error_text(err::WRONG_MODE, "the file has a password already");
    {
      Io_save_guard io;
      Io_SetOptions(D_PSWD);
      Key_chan* src = Key_chan_of(ws.Cur_fcb);
      if (!src) Rpt_error(err::WRONG_FILE_KIND);
      if (!Kdct_password(src, &field, &check_ok)) Rpt_error_text(err::PASSWORD_REQUIRED, "the file copied from has no password");
      if (!check_ok) Rpt_error(err::NOT_ACCESSIBLE);
    }
    mode = field[0];
  } else if (*ws.Exec_ptr == code::D_REMOVE) {
    ws.Exec_ptr++;
  } else {
    Eval_str();
    std::string pw(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    if (pw.size() >= 241) Rpt_error(err::STRING_LENGTH);
    mode = 0;
    if (*ws.Exec_ptr == code::D_FOR) {
      ws.Exec_ptr++;
      if (*ws.Exec_ptr == code::D_WRITE) mode = 1;
      if (*ws.Exec_ptr == code::D_WRITE || *ws.Exec_ptr == code::D_OPEN) ws.Exec_ptr++;
      else Rpt_error(err::SYNTAX);
      if (*ws.Exec_ptr == code::OP_AND) {
        ws.Exec_ptr++;
        // The word after AND: ENCRYPT (the keyword of HSH(ENCRYPT ...), or a
        // plain name item in programs compiled before it was one).
        uint8_t c = *ws.Exec_ptr;
        if (c == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_ENCRYPT) {
          ws.Exec_ptr += 2;
        } else {
          if (c != code::NUM_VAR) Rpt_error(err::SYNTAX);
          ws.Exec_ptr += (ws.Exec_ptr[1] & 0x80) ? 3 : 2 + ws.Exec_ptr[1];
        }
        mode += 2;
      }
    }
    if (pw.empty()) {
      mode = -1;
    } else {
      field.push_back(uint8_t(mode));
      for (char ch : pw) field.push_back(uint8_t(uint8_t(ch) ^ MASK));
    }
  }
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    Chk_err();
  }
  bool encipher = mode == 2 || mode == 3;
  Key_file* kf = kc->f.get();
  std::shared_ptr<Kcrypt> cipher;
  if (encipher) {
    if (!kf->eff && !kf->variable) Rpt_error_text(err::WRONG_FILE_KIND, "enciphered pages need variable-length records");
    cipher = std::make_shared<Kcrypt>();
    std::vector<uint8_t> p(field.begin() + 1, field.end());
    Set_file_crypt_key(*cipher, p.data(), int(p.size()));
    // Passwords whose key would leave the pages plain are refused rather
    // than giving a file marked enciphered that is not.
    if (!cipher->active())
      Rpt_error_text(err::STRING_LENGTH, "this password cannot encipher the file: its key leaves the pages plain; choose another");
  }
  Kdct_set_password(kc, field, encipher);
  // Pages written from now on follow the new setting.
  Kbfr_flush_file(kf, true);
  kf->crypt = cipher;
  if (f->path && f->path->path) DropPwdCacheEntry(f->path->path);
}
