#!/bin/sh
# DataAvailable is raised while INPUT waits at the console: a peer sends
# bytes on a TCP channel with the event on, and the handler runs before the
# answer is typed; the INPUT then goes on waiting and takes the answer.
oru="$1"; lib="$2"
here=$(cd "$(dirname "$0")" && pwd)
command -v python3 >/dev/null 2>&1 || { echo "python3 missing: skipped"; exit 77; }
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
export ORULIB="$lib"
unset ORUINI
timeout 90 python3 "$here/data_in_input.py" "$oru" "$tmp"
