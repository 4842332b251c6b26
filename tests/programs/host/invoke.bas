PRINT "before the command"
"echo hello from the shell"
INVOKE "exit 3"
PRINT "exit status",RET-256
"true"
PRINT "exit status",RET-256
INVOKE "echo $((6*7))"
10 INVOKE "exit 5",ERR=40
20 PRINT "not reached"
30 END
40 PRINT "the failed command took ERR=, exit status",RET-256
RUN
