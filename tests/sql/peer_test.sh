#!/bin/sh
# What an SQL server (or whoever answers at its port) must not get from, or
# do to, the client: the password as it stands when it asks for the
# clear-text plugin, and a terminal changed by control bytes in its error
# text (shown escaped in the error report and MSG(-1)).  A fake server on
# loopback plays the part; no database server is needed.  Skipped without
# the client library.
oru="$1"; lib="$2"
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d) || exit 2
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 2
export ORULIB="$lib"
unset ORUINI
fail=0
bad() { echo "$1"; fail=1; }

# serve MODE: starts the fake server; its port in $port.
serve() {
  python3 "$here/fake_server.py" "$1" "$dir/$1.got" > "$1.port" &
  server=$!
  i=0
  until [ -s "$1.port" ]; do
    i=$((i + 1)); [ $i -gt 200 ] && { echo "the fake server did not start"; exit 1; }
    sleep 0.05
  done
  port=$(head -n 1 "$1.port")
}

serve cleartext
cat > clear.bas <<EOF
10 OPEN (9,ERR=20)"[mysql]orudb;;HOST=127.0.0.1;PORT=$port;USER=vic;PSWD=sekrit-pw"
20 PRINT "open",ERR
30 PRINT MSG(-1)
RUN
EOF
timeout 30 "$oru" < clear.bas > clear.out 2>&1
wait $server
if grep -q 'Unable to load' clear.out; then
  echo "no MySQL client library: skipped"; exit 77
fi
grep -q 'sekrit-pw' cleartext.got && bad "the password was sent in clear to a server that asked for it"
grep -qx 'open 0' clear.out && bad "the connection was made through the clear-text plugin"
grep -q '^open ' clear.out || { bad "no answer to the OPEN"; cat clear.out; }

serve error
cat > error.bas <<EOF
10 OPEN (9)"[mysql]orudb;;HOST=127.0.0.1;PORT=$port;USER=vic;PSWD=pw"
RUN
PRINT "msg=",MSG(-1)
EOF
timeout 30 "$oru" < error.bas > error.out 2>&1
wait $server
esc=$(printf '\033')
bel=$(printf '\007')
grep -q "$esc" error.out && bad "a control byte of the server's error text reached the console"
grep -q "$bel" error.out && bad "a bell of the server's error text reached the console"
# The connection's text is Latin-1, where 0x80-0x9F are controls (0x9B is
# the one-byte CSI, 0x9D OSC, 0x9C their end).
LC_ALL=C grep -q "$(printf '[\200-\237]')" error.out && bad "a C1 control byte of the server's error text reached the console"
grep -qF 'msg=MYSQL:1045:Access denied \033]0;owned title\007 \033[2J cleared \2332J \2350;c1 title\234' error.out ||
  { bad "MSG(-1) does not show the server's text escaped"; cat -v error.out; }
[ "$(grep -cF '\033[2J' error.out)" -ge 2 ] || { bad "the error report does not show the text escaped"; cat -v error.out; }
exit $fail
