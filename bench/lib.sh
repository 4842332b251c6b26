# The preamble of the benchmark scripts, sourced by each one as
#   . "$(dirname "$0")/lib.sh"
# with the build directory as the script's first argument (default: build).
# Stops at the first failing command; sets $build (absolute) and $oru,
# exports ORULIB as an absolute path (the build's library unless it is set)
# and makes a scratch directory $tmp that is removed on exit.  Not a
# benchmark of its own.
set -e
build=${1:-build}
build=$(cd "$build" && pwd)
oru=$build/oru
[ -x "$oru" ] || { echo "no $oru" >&2; exit 2; }
: "${ORULIB:=$build/lib}"
ORULIB=$(cd "$ORULIB" && pwd)  # oru runs from the scratch directory
export ORULIB
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Best CPU time (user + system, seconds) of 5 runs of the command line in
# $1 with standard input from $2.  On a shared machine the wall time of a
# run depends on what else runs; its CPU time much less.
cpu_best() {
  python3 -c '
import resource, subprocess, sys
cmd, inp = sys.argv[1], sys.argv[2]
best = None
for _ in range(5):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(inp, "rb") as f:
        subprocess.run(["sh", "-c", cmd], stdin=f, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    best = t if best is None or t < best else best
print("%.4f" % best)' "$1" "$2"
}
