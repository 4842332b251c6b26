#!/bin/sh
# TCP channels, plain and TLS, beside Python's socket and ssl modules
# (bench/tcp.py); SHA-256 through HSH( is bench/hash.sh.
#  Usage: bench/tcp.sh [build-dir] [records]
here=$(dirname "$0")
python3 "$here/tcp.py" "${1:-build}" ${2:-1000000}
