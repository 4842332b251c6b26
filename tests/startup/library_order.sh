#!/bin/sh
# With PL libraries open, opening one more closes the library opened longest
# ago, however recently it was used: la, lb, la again, then lc leaves lb and
# lc open (the host's open files of the process tell which).
oru="$1"; lib="$2"
[ -d /proc/self/fd ] || exit 77
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 2
export ORULIB="$lib"
unset ORUINI
cat > session.txt <<'END'
SET_PARAM 'PL'=2
10 PRINT "in la"
SAVE "[lib:la]p"
10 PRINT "in lb"
SAVE "[lib:lb]p"
10 PRINT "in lc"
SAVE "[lib:lc]p"
DELETE
SET_PARAM 'PL'=0
SET_PARAM 'PL'=2
RUN "[lib:la]p"
RUN "[lib:lb]p"
RUN "[lib:la]p"
RUN "[lib:lc]p"
SERIAL "ready"
END
mkfifo in.fifo || exit 2
"$oru" < in.fifo > got 2>&1 &
pid=$!
exec 3> in.fifo
cat session.txt >&3
i=0; while [ ! -f ready ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
open=$(for f in /proc/$pid/fd/*; do readlink "$f"; done | sed -n 's|.*/\(l[abc]\)$|\1|p' | sort | tr '\n' ' ')
exec 3>&-
wait $pid
[ "$open" = "lb lc " ] || { echo "libraries open: '$open' (want lb lc)"; cat got; exit 1; }
exit 0
