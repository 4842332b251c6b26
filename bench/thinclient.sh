#!/bin/sh
# Thin-client request round trips beside a Python request/reply loop over the
# same carriers (bench/thinclient.py).
#  Usage: bench/thinclient.sh [build-dir] [requests]
here=$(dirname "$0")
python3 "$here/thinclient.py" "${1:-build}" ${2:-20000}
