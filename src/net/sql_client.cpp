// Run-time loading of the MySQL client library (see sql_client.h).
#include "net/sql_client.h"

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "core/errors.h"

namespace {

void* lib_handle = nullptr;
const char* lib_name = "";
Msq_api_tbl api;
bool loaded = false;

// The name the system has always asked for first, then MariaDB's own.
const char* const Lib_names[] = {"libmysqlclient.so", "libmariadb.so.3"};

template <class F>
void resolve(F& slot, const char* name) {
  void* p = dlsym(lib_handle, name);
  if (!p) {
    std::string t = std::string("Could not locate entry point '") + name +
                    "' in libraries.\r\nLikely an incompatible interface.";
    Rpt_error_text(err::LIBRARY_MISSING, t);
  }
  slot = reinterpret_cast<F>(p);
}

void load() {
  std::string why;
  for (const char* n : Lib_names) {
    lib_handle = dlopen(n, RTLD_NOW | RTLD_LOCAL);
    if (lib_handle) {
      lib_name = n;
      break;
    }
    // A file that exists but is no loadable library says so in the loader's
    // own words; a missing one is named.
    const char* e = dlerror();
    std::string one = e && std::strstr(e, "invalid ELF header") ? std::string(e) : std::string("Unable to load ") + n;
    why = why.empty() ? one : why + "; " + one;
  }
  if (!lib_handle) Rpt_error_text(err::OPERATION_FAILED, why);
  try {
    resolve(api.init, "mysql_init");
    resolve(api.options, "mysql_options");
    resolve(api.real_connect, "mysql_real_connect");
    resolve(api.close, "mysql_close");
    resolve(api.autocommit, "mysql_autocommit");
    resolve(api.commit, "mysql_commit");
    resolve(api.rollback, "mysql_rollback");
    resolve(api.err_no, "mysql_errno");
    resolve(api.error, "mysql_error");
    resolve(api.real_query, "mysql_real_query");
    resolve(api.store_result, "mysql_store_result");
    resolve(api.next_result, "mysql_next_result");
    resolve(api.free_result, "mysql_free_result");
    resolve(api.num_fields, "mysql_num_fields");
    resolve(api.fetch_row, "mysql_fetch_row");
    resolve(api.fetch_lengths, "mysql_fetch_lengths");
    resolve(api.fetch_field_direct, "mysql_fetch_field_direct");
    resolve(api.field_count, "mysql_field_count");
    resolve(api.affected_rows, "mysql_affected_rows");
    resolve(api.stmt_init, "mysql_stmt_init");
    resolve(api.stmt_prepare, "mysql_stmt_prepare");
    resolve(api.stmt_bind_param, "mysql_stmt_bind_param");
    resolve(api.stmt_bind_result, "mysql_stmt_bind_result");
    resolve(api.stmt_execute, "mysql_stmt_execute");
    resolve(api.stmt_store_result, "mysql_stmt_store_result");
    resolve(api.stmt_fetch, "mysql_stmt_fetch");
    resolve(api.stmt_fetch_column, "mysql_stmt_fetch_column");
    resolve(api.stmt_free_result, "mysql_stmt_free_result");
    resolve(api.stmt_reset, "mysql_stmt_reset");
    resolve(api.stmt_close, "mysql_stmt_close");
    resolve(api.stmt_attr_set, "mysql_stmt_attr_set");
    resolve(api.stmt_errno, "mysql_stmt_errno");
    resolve(api.stmt_error, "mysql_stmt_error");
    resolve(api.stmt_field_count, "mysql_stmt_field_count");
    resolve(api.stmt_param_count, "mysql_stmt_param_count");
    resolve(api.stmt_result_metadata, "mysql_stmt_result_metadata");
    resolve(api.stmt_affected_rows, "mysql_stmt_affected_rows");
    resolve(api.stmt_num_rows, "mysql_stmt_num_rows");
    resolve(api.thread_id, "mysql_thread_id");
  } catch (...) {
    dlclose(lib_handle);
    lib_handle = nullptr;
    lib_name = "";
    throw;
  }
  loaded = true;
}

}  // namespace

const Msq_api_tbl& Msq_api() {
  if (!loaded) load();
  return api;
}

const char* Msq_library_name() { return lib_name; }

void Msq_guard_connection(MYSQL* m) {
  const Msq_api_tbl& a = Msq_api();
  // These two numbers are the same in every client library.
  a.options(m, MYSQL_SET_CHARSET_NAME, "latin1");
  unsigned off = 0;
  a.options(m, MYSQL_OPT_LOCAL_INFILE, &off);
  // The later option numbers are MariaDB's own (another library numbers
  // its options differently and refuses the clear-text plugin unless told
  // otherwise).
  if (!dlsym(lib_handle, "mariadb_get_infov")) return;
  my_bool no = 0;
  a.options(m, MYSQL_ENABLE_CLEARTEXT_PLUGIN, &no);
  a.options(m, MARIADB_OPT_RESTRICTED_AUTH,
            "mysql_native_password,client_ed25519,caching_sha2_password,sha256_password,auth_gssapi_client");
}

void Msq_Terminate() {
  if (!lib_handle) return;
  dlclose(lib_handle);
  lib_handle = nullptr;
  loaded = false;
  lib_name = "";
}
