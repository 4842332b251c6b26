#!/bin/sh
# tools/name_errors.py names the error numbers of raising calls and leaves
# everything else alone: comments, strings, host errors, numbers without a
# name, other structs' "no" fields.  A second run changes nothing, and the
# named code still compiles against core/errors.h.
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
command -v python3 >/dev/null || { echo "python3 missing: skipped"; exit 77; }
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
fail=0
cp "$here/name_errors/sample.cpp" "$tmp/sample.cpp"
python3 "$top/tools/name_errors.py" --check "$tmp/sample.cpp" >/dev/null
[ $? -eq 1 ] || { echo "FAIL: --check did not report the pending names"; fail=1; }
cmp -s "$here/name_errors/sample.cpp" "$tmp/sample.cpp" || { echo "FAIL: --check changed the file"; fail=1; }
python3 "$top/tools/name_errors.py" "$tmp/sample.cpp" >/dev/null || fail=1
if ! diff -u "$here/name_errors/sample.expected" "$tmp/sample.cpp"; then
  echo "FAIL: named output differs"; fail=1
fi
python3 "$top/tools/name_errors.py" --check "$tmp/sample.cpp" >/dev/null
[ $? -eq 0 ] || { echo "FAIL: a second run would change the file"; fail=1; }
out=$(python3 "$top/tools/name_errors.py" --check --left "$tmp/sample.cpp")
echo "$out" | grep -q "sample.cpp:.*: bare error number 38" || { echo "FAIL: --left misses error 38"; fail=1; }
cxx=${CXX:-c++}
if command -v "$cxx" >/dev/null; then
  "$cxx" -std=c++20 -fsyntax-only -I"$top/src" "$tmp/sample.cpp" || { echo "FAIL: named code does not compile"; fail=1; }
fi
[ $fail -eq 0 ] && echo "name_errors: ok"
exit $fail
