#!/bin/sh
# Runs one SQL channel session: NAME.bas is typed at the console of a fresh
# oru process whose ini file points [MySql] at the private test server
# (server.sh); its output must equal NAME.out.  Skipped (77) without a
# server.  Each session makes and drops its own tables in "orutest".
oru="$1"; bas="$2"; state="$3"; out="${bas%.bas}.out"
[ -f "$state" ] || { echo "no test server state" >&2; exit 77; }
. "$state"
[ "${SQL_SKIP:-0}" = 1 ] && { echo "mariadbd is not installed: skipped"; exit 77; }
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/work" && cd "$dir/work" || exit 2
printf '[MySql]\nHOST=127.0.0.1\nPORT=%s\nUSER=oru\nPSWD="oru-pw"\n' "$SQL_PORT" > oru.ini
export ORUINI="$dir/work/oru.ini"
"$oru" < "$bas" 2>&1 | sed "s|$dir/work|.|g" > "$dir/got"
if ! cmp -s "$dir/got" "$out"; then
  diff -u "$out" "$dir/got" | head -80
  exit 1
fi
