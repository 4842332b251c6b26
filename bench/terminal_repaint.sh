#!/bin/sh
# 80x24 repaints through a pseudo-terminal: oru against Python's curses.
# Usage: bench/terminal_repaint.sh [build-dir] [repaints]
build=${1:-build}
build=$(cd "$build" && pwd)
exec python3 "$(dirname "$0")/terminal_repaint.py" "$build/oru" "$build/lib" "${2:-10000}"
