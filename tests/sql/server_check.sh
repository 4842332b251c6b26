# Sourced first by the SQL test scripts, which are called with the oru
# executable, the library directory and the private server's state file:
# exits 77 (skipped) without that server, else reads its state (SQL_PORT).
# Not a test of its own.
state="$3"
[ -f "$state" ] || exit 77
. "$state"
[ "${SQL_SKIP:-0}" = 1 ] && { echo "mariadbd is not installed: skipped"; exit 77; }

# An ini file in the working directory that sends SQL channels to the
# server as the test user, made the process's ini file.
server_ini() {
  printf '[MySql]\nHOST=127.0.0.1\nPORT=%s\nUSER=oru\nPSWD="oru-pw"\n' "$SQL_PORT" > oru.ini
  export ORUINI="$PWD/oru.ini"
}
