// Loading and unloading the PDF library of the library back end, its entry
// points and its error handler.
#include <dlfcn.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "core/errors.h"
#include "core/process_config.h"
#include "pdf/lib_api.h"
#include "pdf/lib_fonts.h"

Hpdf_api Hpdf;

namespace {

struct Entry {
  const char* name;
  size_t offset;  // of the field in Hpdf_api
};

const Entry kEntries[] = {
#define HPDF_NAME(name, ret, params) {#name, offsetof(Hpdf_api, name)},
    HPDF_ENTRY_POINTS(HPDF_NAME)
#undef HPDF_NAME
};
constexpr int kEntryCount = int(sizeof kEntries / sizeof kEntries[0]);
static_assert(kEntryCount == 64, "the back end looks up 64 entry points");

void* lib_handle = nullptr;
bool lib_loaded = false;
bool lib_loading = false;
std::string last_error;

void clear_entries() { Hpdf = Hpdf_api{}; }

// Clears the loading flag on every way out of a load attempt.
struct Loading_guard {
  Loading_guard() { lib_loading = true; }
  ~Loading_guard() { lib_loading = false; }
};

}  // namespace

int Hpdf_entry_count() { return kEntryCount; }
const char* Hpdf_entry_name(int i) { return i >= 0 && i < kEntryCount ? kEntries[i].name : nullptr; }

std::string Hpdf_exec_dir() {
  std::string exe = szSysExec;
  if (exe.empty() || exe.find('/') == std::string::npos) {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) exe.assign(buf, size_t(n));
  }
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool Hpdf_load(const std::string& file) {
  Pdf_FreeLibHaru_L();
  Loading_guard guard;
  std::string tried = file;
  void* h = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!h && file.find('/') == std::string::npos) {
    tried = Hpdf_exec_dir() + "/" + file;
    h = ::dlopen(tried.c_str(), RTLD_LAZY | RTLD_LOCAL);
  }
  if (!h) {
    const char* why = ::dlerror();
    Rpt_error_text(err::OPERATION_FAILED, why && *why ? std::string(why) : "Unable to load/locate Tessaron PDF library (" + tried + ")");
  }
  Hpdf_api api;
  bool all = true;
  for (const Entry& e : kEntries) {
    void* sym = ::dlsym(h, e.name);
    if (!sym) all = false;
    // The field is a function pointer of the entry's own type; the table
    // stores what dlsym gave for it.
    std::memcpy(reinterpret_cast<char*>(&api) + e.offset, &sym, sizeof sym);
  }
  if (!all) {
    ::dlclose(h);
    return false;
  }
  lib_handle = h;
  Hpdf = api;
  lib_loaded = true;
  InitTTFontsList();
  return true;
}

void Pdf_LoadLibHaru_L() {
  if (lib_loaded || lib_loading) return;
  Hpdf_load(HZEF_LIBRARY);
}

int LibHaruReady_L() { return lib_loaded && !lib_loading ? 1 : 0; }
int LibHaruInitializing_L() { return lib_loading ? 1 : 0; }

void Pdf_FreeLibHaru_L() {
  DeleteTTFontsList();
  if (lib_handle) ::dlclose(lib_handle);
  lib_handle = nullptr;
  lib_loaded = false;
  lib_loading = false;
  clear_entries();
}

const std::string& Hpdf_last_error() { return last_error; }
void Hpdf_clear_last_error() { last_error.clear(); }

void HPDF_ErrorHandler(hpdf::STATUS error_no, hpdf::STATUS detail_no, void*) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "ERROR: error_no=%04X, detail_no=%u\n", unsigned(error_no), unsigned(detail_no));
  last_error = buf;
}
