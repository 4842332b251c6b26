#!/bin/sh
# A private MariaDB server for the SQL channel tests.
#   server.sh start STATE   initialises a data directory in a new temporary
#                           folder, starts mariadbd on a free loopback port
#                           and a private socket, creates the database
#                           "orutest" and the user "oru" (password
#                           "oru-pw"), and writes STATE: shell assignments
#                           of SQL_DIR, SQL_PORT, SQL_SOCK and SQL_PID.
#   server.sh stop STATE    stops that server and removes its folder.
# Without mariadbd, STATE says SQL_SKIP=1 and the tests report skipped.
# Only the server started here is ever touched.
cmd="$1"; state="$2"
[ -n "$state" ] || { echo "usage: server.sh start|stop STATE" >&2; exit 2; }
MARIADBD=${MARIADBD:-/usr/sbin/mariadbd}

start() {
  rm -f "$state"
  if [ ! -x "$MARIADBD" ] || ! command -v mariadb-install-db >/dev/null || ! command -v mariadb >/dev/null; then
    echo "SQL_SKIP=1" > "$state"
    exit 0
  fi
  dir=$(mktemp -d "${TMPDIR:-/tmp}/oru-sql.XXXXXX") || exit 2
  user=$(id -un)
  if ! mariadb-install-db --no-defaults --datadir="$dir/data" --auth-root-authentication-method=normal \
       --skip-test-db --user="$user" > "$dir/install.log" 2>&1; then
    cat "$dir/install.log" >&2
    rm -rf "$dir"
    exit 1
  fi
  for attempt in 1 2 3 4 5; do
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    "$MARIADBD" --no-defaults --datadir="$dir/data" --socket="$dir/sock" --port="$port" \
      --bind-address=127.0.0.1 --pid-file="$dir/pid" --log-error="$dir/error.log" --tmpdir="$dir" \
      --user="$user" --skip-log-bin --innodb-buffer-pool-size=64M --innodb-log-file-size=48M \
      --innodb-flush-log-at-trx-commit=2 --innodb-lock-wait-timeout=5 --max-connections=400 \
      --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci > /dev/null 2>&1 &
    pid=$!
    for i in $(seq 1 300); do
      [ -S "$dir/sock" ] && mariadb-admin --no-defaults --socket="$dir/sock" -uroot ping >/dev/null 2>&1 && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null && [ -S "$dir/sock" ]; then break; fi
    pid=
  done
  if [ -z "$pid" ]; then
    cat "$dir/error.log" >&2
    rm -rf "$dir"
    exit 1
  fi
  mariadb --no-defaults --socket="$dir/sock" -uroot <<'SQL' || { kill "$pid"; rm -rf "$dir"; exit 1; }
CREATE DATABASE orutest;
CREATE DATABASE orubench;
CREATE USER 'oru'@'%' IDENTIFIED BY 'oru-pw';
GRANT ALL ON orutest.* TO 'oru'@'%';
GRANT ALL ON orubench.* TO 'oru'@'%';
GRANT PROCESS, CONNECTION ADMIN ON *.* TO 'oru'@'%';
SQL
  {
    echo "SQL_DIR='$dir'"
    echo "SQL_PORT=$port"
    echo "SQL_SOCK='$dir/sock'"
    echo "SQL_PID=$pid"
  } > "$state"
}

stop() {
  [ -f "$state" ] || exit 0
  . "$state"
  rm -f "$state"
  [ -n "$SQL_PID" ] || exit 0
  # Signals only for our server: a server that died long ago may have left
  # its process id to some other process by now (ids come round again).
  ours() {
    if [ -r /proc/self/cmdline ]; then
      tr '\0' ' ' < "/proc/$SQL_PID/cmdline" 2>/dev/null | grep -qF -- "--datadir=$SQL_DIR/data"
    else
      kill -0 "$SQL_PID" 2>/dev/null
    fi
  }
  if ours; then
    kill "$SQL_PID"
    for i in $(seq 1 300); do ours || break; sleep 0.1; done
    ours && kill -9 "$SQL_PID" 2>/dev/null
  fi
  case "$SQL_DIR" in *oru-sql.*) rm -rf "$SQL_DIR" ;; esac
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: server.sh start|stop STATE" >&2; exit 2 ;;
esac
