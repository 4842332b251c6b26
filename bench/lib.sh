# The preamble of the benchmark scripts, sourced by each one as
#   . "$(dirname "$0")/lib.sh"
# with the build directory as the script's first argument (default: build).
# Stops at the first failing command; sets $build (absolute) and $oru,
# exports ORULIB (the build's library unless it is set) and makes a scratch
# directory $tmp that is removed on exit.  Not a benchmark of its own.
set -e
build=${1:-build}
build=$(cd "$build" && pwd)
oru=$build/oru
[ -x "$oru" ] || { echo "no $oru" >&2; exit 2; }
: "${ORULIB:=$build/lib}"
export ORULIB
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
