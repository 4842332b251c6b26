#!/bin/sh
# Thin-client request round trips beside a Python request/reply loop over the
# same carriers (bench/thinclient.py).
#  Usage: bench/thinclient.sh [build-dir] [requests]
# The whole comparison is bounded (15 minutes) so that make bench always ends.
here=$(dirname "$0")
if command -v timeout >/dev/null 2>&1; then
  timeout -k 10 900 python3 "$here/thinclient.py" "${1:-build}" ${2:-20000}
else
  python3 "$here/thinclient.py" "${1:-build}" ${2:-20000}
fi
