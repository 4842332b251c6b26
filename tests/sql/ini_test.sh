#!/bin/sh
# The [MySql] section of the ini file gives every SQL channel its defaults:
# standard options as well as HOST, PORT, USER and PSWD; a value in quotes
# keeps the blanks inside them; an OPEN's own options override the
# defaults.  Skipped without the private test server.
oru="$1"
. "$(dirname "$0")/server_check.sh"
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 2
cat > oru.ini <<INI
[Other]
DEBUG=elsewhere
[MySql]
SERVER=127.0.0.1
PORT=$SQL_PORT
USER='oru'
PASSWORD="oru-pw"
DEBUG="  #two  words  "
EXTROPT='\$ LOCK IN SHARE MODE'
DATEFMT=DD.MM.YYYY
SHARED=Y
INI
export ORUINI="$dir/oru.ini"
got=$(printf '%s\n' \
  'OPEN (9)"[mysql]orutest"; WRITE (9)"DROP TABLE IF EXISTS n_ini"' \
  'WRITE (9)"CREATE TABLE n_ini (id INT PRIMARY KEY, d DATE)"; WRITE (9)"INSERT INTO n_ini VALUES (1,'"'"'2024-02-29'"'"')"' \
  'OPEN (1)"[mysql]orutest;n_ini;KEY=id"; READ (1,KEY="1")I,D$; PRINT "date [",D$,"]"' \
  'PRINT "tag [",KEN(1),"]"' \
  'EXTRACT (1,KEY="1")I,D$; PRINT "extract [",KEN(1),"]"; READ (1,KEY="1")I' \
  'READ (9,KEY="SELECT CONNECTION_ID()")A$; OPEN (2)"[mysql]orutest"; READ (2,KEY="SELECT CONNECTION_ID()")B$; PRINT "shared [",A$=B$,"]"' \
  'OPEN (3)"[mysql]orutest;n_ini;KEY=id;STDDATE;DATEFMT=;UNIQUE;DEBUG="; READ (3,KEY="1")I,D$; PRINT "own options [",D$,"] [",KEN(3),"]"' \
  'READ (3,KEY="SELECT CONNECTION_ID()",ERR=*NEXT)' \
  'WRITE (9)"DROP TABLE n_ini"' | "$oru" 2>&1 | grep -E '^(date|tag|extract|shared|own)')
want='date [29.02.2024]
tag [SELECT `id`,`d` FROM `n_ini` WHERE `id` <=> ? ORDER BY `id` LIMIT 1   #two  words   <NoPgm>@0]
extract [SELECT `id`,`d` FROM `n_ini` WHERE `id` <=> ? LOCK IN SHARE MODE   #two  words   <NoPgm>@0]
shared [ 1]
own options [2024-02-29] [SELECT `id`,`d` FROM `n_ini` WHERE `id` <=> ? ORDER BY `id` LIMIT 1]'
if [ "$got" != "$want" ]; then
  echo "got:"; echo "$got"; echo "want:"; echo "$want"
  exit 1
fi
echo "[MySql] defaults: ok"
