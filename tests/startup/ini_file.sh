#!/bin/sh
# The ini file: "kestil.ini" in the working directory, "-c:" with the name in
# the next argument, a bare "*.ini" argument and ORUINI; [GLOBALS] keys become
# global variables, case-blind sections, a value that is not a number leaves
# the numeric global unassigned.
. "$(dirname "$0")/lib.sh"
fail=0
run() {  # $1: expected output, rest: oru arguments; the session prints the globals
  want=$1; shift
  printf 'PRINT %%ABC$; PRINT %%N\n' | "$oru" "$@" > got 2>&1
  printf -- "->PRINT %%ABC\$; PRINT %%N\n$want->\n" > want
  if ! cmp -s want got; then echo "oru $*"; diff -u want got; fail=1; fi
}
printf '[globals]\nABC$=hello\nN=12\n' > kestil.ini
run 'hello\n 12\n'
mkdir sub
printf '[GLOBALS]\nABC$=from -c\nN=x\n' > sub/other.ini
run 'from -c\n 0\n' -c: sub/other.ini
run 'from -c\n 0\n' sub/other.ini
ORUINI="$tmp/sub/other.ini" run 'from -c\n 0\n'
exit $fail
