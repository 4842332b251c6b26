#!/bin/sh
# Framed 40x10 windows opened, written full and dropped through a
# pseudo-terminal: oru against Python's curses.
# Usage: bench/windows.sh [build-dir] [cycles]
build=${1:-build}
build=$(cd "$build" && pwd)
exec python3 "$(dirname "$0")/windows.py" "$build/oru" "$build/lib" "${2:-10000}"
